#pragma once

// What inotify watches this process holds, read from /proc the way a person would inspect a
// running program, so that tests see the kernel's side without hooks in the code under test.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>

#include <optional>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace mv::test {

// One watch: the inotify instance (a descriptor of this process) and its watch descriptor.
struct InotifyWatch {
    int instance = -1;
    int watch = -1;

    bool operator==(const InotifyWatch&) const = default;
};

// A folder's identity as the kernel prints it in fdinfo.
struct FolderIdentity {
    quint64 device = 0; // the kernel's own encoding: major << 20 | minor
    quint64 inode = 0;
};

inline std::optional<FolderIdentity> folderIdentity(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FolderIdentity{(quint64(major(info.st_dev)) << 20) | minor(info.st_dev), quint64(info.st_ino)};
}

// The descriptors of this process that are inotify instances.
inline QList<int> inotifyInstances()
{
    QList<int> instances;
    const QStringList names = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        bool isNumber = false;
        const int fd = name.toInt(&isNumber);
        if (isNumber && QFile::symLinkTarget(QStringLiteral("/proc/self/fd/") + name).endsWith(QStringLiteral("anon_inode:inotify")))
            instances.append(fd);
    }
    return instances;
}

// Reads fdinfo's "inotify wd:1 ino:a72167 sdev:fe00000 mask:..." lines.
inline QList<InotifyWatch> inotifyWatchesOn(const FolderIdentity& folder)
{
    QList<InotifyWatch> watches;
    for (const int instance : inotifyInstances()) {
        QFile info(QStringLiteral("/proc/self/fdinfo/%1").arg(instance));
        if (!info.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> lines = info.readAll().split('\n');
        for (const QByteArray& line : lines) {
            if (!line.startsWith("inotify "))
                continue;
            std::optional<int> watch;
            std::optional<quint64> inode;
            std::optional<quint64> device;
            for (const QByteArray& field : line.split(' ')) {
                bool ok = false;
                if (field.startsWith("wd:")) {
                    const int value = field.mid(3).toInt(&ok, 16);
                    if (ok)
                        watch = value;
                } else if (field.startsWith("ino:")) {
                    const quint64 value = field.mid(4).toULongLong(&ok, 16);
                    if (ok)
                        inode = value;
                } else if (field.startsWith("sdev:")) {
                    const quint64 value = field.mid(5).toULongLong(&ok, 16);
                    if (ok)
                        device = value;
                }
            }
            if (watch && inode == folder.inode && device == folder.device)
                watches.append(InotifyWatch{instance, *watch});
        }
    }
    return watches;
}

// Whether this machine shows inotify watches in /proc at all.
inline bool canInspectInotify()
{
    return QFile::exists(QStringLiteral("/proc/self/fdinfo"));
}

// How many events the kernel queues for one instance before it drops the rest; none when
// /proc does not say.
inline std::optional<int> inotifyQueueLimit()
{
    QFile limitFile(QStringLiteral("/proc/sys/fs/inotify/max_queued_events"));
    if (!limitFile.open(QIODevice::ReadOnly))
        return std::nullopt;
    const int limit = limitFile.readAll().trimmed().toInt();
    return limit > 0 ? std::optional(limit) : std::nullopt;
}

} // namespace mv::test
