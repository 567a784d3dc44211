#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>
#include <utility>

#include <sys/types.h>

namespace mv {

class FolderWatchTable;

// Tells when what a listing of one folder shows may have changed: an entry made, removed or
// renamed, a file written (also while it stays open), truncated or given new times or
// permissions, the folder itself removed or moved, and an entry made, removed or renamed inside
// one of its subfolders, which gives that subfolder a new modification time. Two kinds of reader use it: one that asks, between two readings, whether
// anything changed since a stamp taken before the first (the store's kept listings, which read
// what the kernel has queued themselves and need no turn of the event loop), and one that is
// told through changed() from the event loop (the live views).
//
// Built on inotify: one instance per thread (the kernel allows few per user, and a desktop
// shows many folders), one kernel watch per folder, shared by every watch of the thread on that
// folder. It lives here, beside the kept listings it serves, because it holds state: the
// engines are stateless. A watch lives on the thread that opened it and is destroyed there.
//
// A watch is bound to the folder object it opened, not to its path: a folder moved elsewhere
// is still followed; once it is deleted (or its file system unmounted) the watch delivers that
// last change and is disarmed for good. The asking side also checks that the path still names
// the folder (a symbolic link pointed elsewhere, a folder replaced).
//
// What it cannot see: a file changed through a hard link in another folder, changes on file
// systems that do not pass through this kernel (network, FUSE: see seesEveryChange), and
// access times as a change (every read would count as one). A watch that follows names (see
// followNames) can be told of reads too, which move access times, without their counting as
// changes; reading a folder never counts, nor is it told (the listings' own readings would
// report themselves for ever), only a read of an entry in it.
class FolderWatch final : public QObject {
    Q_OBJECT

public:
    // What a watch follows: the folder's entries and those of its subfolders (what a listing
    // shows), or the folder's own entries alone (enough to see a name come back).
    enum class Scope { withSubfolders, folderOnly };

    // A watch on the folder at `folderPath` (a symbolic link to a folder watches that folder).
    // Null when the folder cannot be watched: the path is empty or not absolute (it is never
    // resolved against the working directory), nothing is there, it is not a folder, it cannot
    // be read, or the kernel's limit of watches or instances is reached.
    [[nodiscard]] static std::unique_ptr<FolderWatch> open(const QString& folderPath,
                                                           Scope scope = Scope::withSubfolders);

    // Stops the deliveries at once: a change already queued is not delivered to this watch.
    ~FolderWatch() override;

    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Whether every change to a folder at `folderPath` passes through this kernel: false on
    // network and FUSE file systems, where no watch can vouch for a listing.
    static bool seesEveryChangeAt(const QString& folderPath);

    // The path as opened.
    QString path() const { return m_path; }
    // False once the folder is gone and nothing more can be delivered.
    bool isArmed() const { return m_watch >= 0; }
    // Whether the path still names the folder this follows (not a folder moved away, replaced,
    // or a symbolic link pointed elsewhere).
    bool pathStillNamesFolder() const;
    // Whether every change to the folder passes through this kernel, so that none goes unseen.
    bool seesEveryChange() const { return m_seesEveryChange; }
    // Whether each subfolder found at the last reading is watched; false when one could not
    // be (the kernel's limit of watches, too many subfolders) or the folder cannot be read.
    bool coversSubfolders() const { return m_coversSubfolders; }

    // To call before each reading of the folder. Reads what the kernel has queued, watches the
    // subfolders made or renamed since the last reading, then gives the stamp to take before
    // this one; none when the watch cannot vouch for the folder: disarmed, the path names
    // another folder now, changes there go unseen, or a subfolder is not watched.
    std::optional<quint64> stampBeforeReading();
    // Whether nothing changed since `stamp` was taken and the path still names the folder.
    bool unchangedSince(quint64 stamp);

    // What changed since the last call, by entry: the file-system names of the entries made,
    // removed, renamed (both names), written or given new times or permissions, and of the
    // subfolders whose own entries changed; `everything` when more than those may have changed
    // (changes were lost, the folder itself moved or is gone), so that the folder must be read
    // again whole. Names are kept only once followNames() was called.
    struct NamedChanges {
        QSet<QByteArray> names;
        bool everything = false;
    };
    // Starts keeping the names of changed entries; with `reads`, also of entries read (whose
    // access times may have moved), which then are told through changed() but count as no
    // change to a stamp. Until the first call, everything counts as changed.
    void followNames(bool reads);
    NamedChanges takeNamedChanges();

Q_SIGNALS:
    // At most once per reading of the kernel's queue: changes that arrived together come as
    // one. Always from the event loop, never from inside open() or the asking calls. Also sent
    // to every watch when the kernel's queue overflowed and changes were lost.
    void changed();

private:
    friend class FolderWatchTable;

    FolderWatch(QString path, FolderWatchTable* table, int watch, dev_t device, ino_t inode);
    // Brings the subfolder watches up to date with the folder's entries.
    void watchSubfolders();
    void readSubfolders();
    bool watchSubfolder(const QByteArray& name);

    QString m_path;
    FolderWatchTable* m_table = nullptr; // the thread's table while armed
    int m_watch = -1;                    // the kernel's watch; -1 once disarmed
    dev_t m_device = 0;
    ino_t m_inode = 0;
    bool m_seesEveryChange = false;
    Scope m_scope = Scope::withSubfolders;
    quint64 m_changes = 0;               // changes seen, ever growing
    // Subfolders made (true) or gone (false) since the last reading, by name, in their order;
    // the folder is read whole instead when m_readSubfolders is set (at first, after lost events).
    QList<std::pair<QByteArray, bool>> m_subfolderChanges;
    bool m_readSubfolders = true;
    QHash<QByteArray, int> m_subfolders; // file-system name to kernel watch
    bool m_coversSubfolders = false;
    bool m_deliveryPending = false;
    bool m_keepsNames = false;
    bool m_followsReads = false;
    NamedChanges m_named{{}, true};
};

} // namespace mv
