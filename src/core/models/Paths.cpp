#include "core/models/Paths.h"

#include <QDir>

#include <pwd.h>

namespace mv {

QString expandTilde(const QString& path)
{
    if (!path.startsWith(u'~'))
        return path;
    qsizetype slash = path.indexOf(u'/');
    if (slash < 0)
        slash = path.size();
    const QString user = path.mid(1, slash - 1);
    QString home;
    if (user.isEmpty()) {
        home = QDir::homePath();
    } else {
        const QByteArray name = user.toLocal8Bit();
        if (const passwd* entry = ::getpwnam(name.constData()))
            home = QString::fromLocal8Bit(entry->pw_dir);
        else
            return path;
    }
    if (home.endsWith(u'/') && slash < path.size())
        home.chop(1);
    return home + path.mid(slash);
}

} // namespace mv
