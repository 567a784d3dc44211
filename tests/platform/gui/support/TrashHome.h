#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>

// A home folder of the test's own for the freedesktop trash: HOME and the XDG folders point into
// a temporary folder while it lives, so the real home and its trash are never touched. (Qt's
// test mode of QStandardPaths would move the data folder to ~/.qttest, where no other program
// looks for the trash.) The items to trash lie in "work/", on the same file system, so they go
// to the home trash.
class TrashHome final {
public:
    TrashHome()
    {
        for (const char* name : variables)
            m_saved.insert(name, qgetenv(name));
        const QString root = m_dir.path();
        QDir(root).mkpath(QStringLiteral("work"));
        QDir(root).mkpath(QStringLiteral("runtime"));
        QFile::setPermissions(root + QStringLiteral("/runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("HOME", QFile::encodeName(root));
        qputenv("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("/data")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/config")));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(root + QStringLiteral("/cache")));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root + QStringLiteral("/runtime")));
    }

    ~TrashHome()
    {
        for (auto it = m_saved.cbegin(); it != m_saved.cend(); ++it) {
            if (it.value().isNull())
                qunsetenv(it.key());
            else
                qputenv(it.key(), it.value());
        }
    }

    TrashHome(const TrashHome&) = delete;
    TrashHome& operator=(const TrashHome&) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString root() const { return m_dir.path(); }
    QString work() const { return m_dir.filePath(QStringLiteral("work")); }
    QString trash() const { return m_dir.filePath(QStringLiteral("data/Trash")); }

    static bool writeFile(const QString& path, const QByteArray& content)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    }

    static QByteArray contentOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    // The items the trash tests trash, by row: a name and whether it is a folder.
    static void addItemRows()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("folder");
        QTest::newRow("plain file") << QStringLiteral("notes.txt") << false;
        QTest::newRow("folder") << QStringLiteral("Folder") << true;
        QTest::newRow("spaces and Chinese") << QStringLiteral("季度 报告 2024.txt") << false;
        QTest::newRow("# and %") << QStringLiteral("#1 100%.txt") << false;
        // Recorded plainly, "%20" would read back as a space.
        QTest::newRow("percent escape in the name") << QStringLiteral("a%20b.txt") << false;
    }

    // An item made for a row of addItemRows: work/<name>, a file holding "content" or a folder
    // with such a file "inside.txt" (contentPath). Empty paths when it could not be made.
    struct Item {
        QString path;
        QString contentPath;
    };
    Item makeRowItem() const
    {
        QFETCH(QString, name);
        QFETCH(bool, folder);
        const QString path = work() + u'/' + name;
        const QString contentPath = folder ? path + QStringLiteral("/inside.txt") : path;
        if ((folder && !QDir().mkpath(path)) || !writeFile(contentPath, "content"))
            return {};
        return {path, contentPath};
    }

    // The names in the trash's files/ folder, sorted.
    QStringList trashedNames() const
    {
        return QDir(trash() + QStringLiteral("/files"))
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    }

    // The keys of info/<name>.trashinfo under its "[Trash Info]" header; empty when the file
    // is missing or has no such header first.
    QHash<QString, QByteArray> trashInfo(const QString& name) const
    {
        QFile file(trash() + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QList<QByteArray> lines = file.readAll().split('\n');
        if (lines.isEmpty() || lines.first() != "[Trash Info]")
            return {};
        QHash<QString, QByteArray> keys;
        for (const QByteArray& line : lines.mid(1)) {
            const qsizetype equals = line.indexOf('=');
            if (equals > 0)
                keys.insert(QString::fromUtf8(line.left(equals)), line.mid(equals + 1));
        }
        return keys;
    }

    // What is wrong with the record of `originalPath` trashed as `name` between `from` and
    // `to` (whole seconds, local time, as the record keeps them); empty when nothing is. The
    // Path key holds the path URL-encoded: plain ASCII without spaces, decoding to its bytes.
    QString recordProblem(const QString& name, const QString& originalPath, const QDateTime& from,
                          const QDateTime& to) const
    {
        if (!QFileInfo::exists(trash() + QStringLiteral("/files/") + name))
            return QStringLiteral("files/") + name + QStringLiteral(" is missing");
        const QHash<QString, QByteArray> info = trashInfo(name);
        if (info.isEmpty())
            return QStringLiteral("info/") + name + QStringLiteral(".trashinfo is missing or has no header");
        const QByteArray path = info.value(QStringLiteral("Path"));
        for (const char c : path) {
            if (c <= ' ' || c > '~')
                return QStringLiteral("Path is not URL-encoded: ") + QString::fromUtf8(path);
        }
        if (QByteArray::fromPercentEncoding(path) != QFile::encodeName(originalPath))
            return QStringLiteral("Path names another item: ") + QString::fromUtf8(path);
        const QDateTime deleted = QDateTime::fromString(QString::fromLatin1(info.value(QStringLiteral("DeletionDate"))),
                                                        QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
        if (!deleted.isValid() || deleted < from.addMSecs(-from.time().msec())
            || deleted > to.addSecs(1))
            return QStringLiteral("DeletionDate is not the time of trashing: ")
                   + QString::fromLatin1(info.value(QStringLiteral("DeletionDate")));
        return {};
    }

private:
    static constexpr const char* variables[] = {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME",
                                                "XDG_RUNTIME_DIR"};
    QTemporaryDir m_dir;
    QHash<const char*, QByteArray> m_saved;
};
