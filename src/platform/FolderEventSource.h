#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace mv::platform {

class FolderEventHub;

// Tells when what one folder lists may have changed: an entry made, removed or renamed, a file
// finished being written or given new attributes, the folder itself removed or moved. Only the
// folder's direct children count; nothing below them is watched.
//
// A source is bound to the folder object it opened, not to its path. A folder moved elsewhere is
// still followed at its new place; once the folder is deleted (or its file system unmounted),
// the source delivers that last change and is disarmed for good. A folder made anew under the
// same path is a different folder: open a new source for it.
//
// Built on inotify, with one instance shared by every source of a thread (the kernel allows
// few instances per user, and a desktop shows many folders), read through the thread's event
// loop. A source lives on the thread that opened it, which must run an event loop, and must be
// destroyed there.
class FolderEventSource final : public QObject {
    Q_OBJECT

public:
    // A source on the folder at `folderPath` (a symbolic link to a folder watches that folder).
    // Null when the folder cannot be watched: the path is empty or not absolute (it is never
    // resolved against the working directory), nothing is there, it is not a folder, it cannot
    // be read, or the kernel's limit of watches or instances is reached.
    [[nodiscard]] static std::unique_ptr<FolderEventSource> open(const QString& folderPath);

    // Stops the deliveries at once: a change already queued is not delivered to this source.
    ~FolderEventSource() override;

    FolderEventSource(const FolderEventSource&) = delete;
    FolderEventSource& operator=(const FolderEventSource&) = delete;

    // The path as opened.
    QString path() const { return m_path; }
    // False once the folder is gone and nothing more can be delivered.
    bool isArmed() const { return m_watch >= 0; }

Q_SIGNALS:
    // At most once per reading of the kernel's queue: changes that arrived together come as
    // one. Always from the event loop, never from inside open(). Also sent to every source when
    // the kernel's queue overflowed and changes were lost.
    void changed();

private:
    friend class FolderEventHub;

    FolderEventSource(QString path, FolderEventHub* hub, int watch);

    QString m_path;
    FolderEventHub* m_hub = nullptr; // the thread's instance while armed
    int m_watch = -1;                // the inotify watch descriptor; -1 once disarmed
};

} // namespace mv::platform
