#pragma once

#include <QHash>
#include <QString>

#include <optional>

#include <sys/types.h>

namespace mv::platform {

// Tells whether anything in a folder may have changed since a reading of it began: an entry
// made, removed or renamed, a file written, truncated or given new times or permissions, the
// folder itself removed, moved or replaced. Built on inotify and polled, so it needs no event
// loop. It errs one way only: "unchanged" is said only when the kernel reported nothing, on a
// local file system whose changes the kernel sees (never on network or FUSE mounts).
//
// What it cannot see: a file changed through a hard link in another folder, and access times
// (every read would count as a change). Callers that order by access time read afresh.
class FolderChangeMonitor final {
public:
    // What a reading of one folder began under.
    struct Stamp {
        QString path;
        int watch = -1;
        quint64 generation = 0;
        dev_t device = 0;
        ino_t inode = 0;
    };

    FolderChangeMonitor();
    ~FolderChangeMonitor();
    FolderChangeMonitor(const FolderChangeMonitor&) = delete;
    FolderChangeMonitor& operator=(const FolderChangeMonitor&) = delete;

    // Watches `path` (kept until forget) and returns the stamp to take before reading it; none
    // when the folder cannot be watched: it is missing, not a folder, on a file system whose
    // changes go unseen, or the watch limit is reached.
    std::optional<Stamp> stampBeforeReading(const QString& path);

    // Whether nothing in the stamp's folder changed since the stamp was taken, and its path
    // still names that folder.
    bool unchangedSince(const Stamp& stamp);

    // Stops watching `path`.
    void forget(const QString& path);

    // The number of folders watched.
    qsizetype watchedCount() const { return m_folders.size(); }

private:
    // One inotify watch; inotify gives one per folder, so paths naming one folder share it.
    struct Folder {
        quint64 generation = 0; // events seen
        dev_t device = 0;
        ino_t inode = 0;
        int paths = 0;
    };

    // Reads every pending event and counts it against its folder.
    void drainEvents();
    void dropWatch(int watch);

    int m_fd = -1;
    QHash<int, Folder> m_folders;
    QHash<QString, int> m_watchByPath;
};

} // namespace mv::platform
