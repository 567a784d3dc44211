#include "core/store/FolderWatch.h"

#include "core/engine/FilePaths.h"
#include "core/engine/PortalScan.h"

#include <QAbstractEventDispatcher>
#include <QHash>
#include <QList>
#include <QMetaMethod>
#include <QMetaObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace mv {

namespace {

// Everything that can change what a listing shows, and the reads that move access times.
// Opening (IN_OPEN) is left out: it moves no time. Reads count as no change (see readQueue): a
// listing's own reading of the folder would report itself and rescan for ever. Every watch
// uses this one mask, because adding a watch on a folder the instance already watches
// replaces the mask of the watch both then share.
constexpr uint32_t folderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY
                                  | IN_ATTRIB | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF
                                  | IN_ACCESS | IN_CLOSE_NOWRITE | IN_ONLYDIR;

// The events of a read, after which an entry's access time may have moved (the kernel moves
// it at the read, or for a mapped file at the mapping, which the closing then tells).
constexpr uint32_t readEvents = IN_ACCESS | IN_CLOSE_NOWRITE;

// What changes a folder's own entries, and so its modification time.
constexpr uint32_t entryEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

// A folder with more subfolders than this is not vouched for: so many kernel watches for one
// listing would eat into the user's limit, shared by every program.
constexpr int maxSubfolderWatches = 2048;

// Events after which a watch reports nothing more. A deleted folder reports IN_DELETE_SELF at
// once but IN_IGNORED only when nothing holds it open any longer; nothing can be made in a
// deleted folder, so the first of them ends it. A move (IN_MOVE_SELF) does not: the watch
// follows the folder.
constexpr uint32_t endingEvents = IN_DELETE_SELF | IN_UNMOUNT | IN_IGNORED;

// One reading from the event loop drains at most this many buffers, so a folder that never
// rests cannot hold the loop; what is left keeps the descriptor readable for the next turn.
// An asking reader drains the queue to its end: the change it asks about may be the last.
constexpr int maxReadsPerTurn = 64;

// After a reading from the event loop the queue rests this long before the next: a stream of
// files written into a folder then comes as a few batches instead of one wake-up per file.
constexpr int restMilliseconds = 40;

// Local file systems the kernel headers of this release leave out.
constexpr unsigned long jfsMagic = 0x3153464a;
constexpr unsigned long ntfsMagic = 0x5346544e; // ntfs-3g reports FUSE; this is the kernel's
constexpr unsigned long hfsPlusMagic = 0x482b;
constexpr unsigned long zfsMagic = 0x2fc12fc1;

// File systems whose every change passes through this kernel, so inotify reports it. Network
// and FUSE file systems (and any kind not named here) can change behind its back.
bool changesAreSeen(const QByteArray& path)
{
    struct statfs info {};
    if (::statfs(path.constData(), &info) != 0)
        return false;
    switch (static_cast<unsigned long>(info.f_type)) {
    case EXT4_SUPER_MAGIC: // also ext2 and ext3
    case BTRFS_SUPER_MAGIC:
    case XFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case RAMFS_MAGIC:
    case F2FS_SUPER_MAGIC:
    case OVERLAYFS_SUPER_MAGIC:
    case REISERFS_SUPER_MAGIC:
    case jfsMagic:
    case MSDOS_SUPER_MAGIC: // vfat
    case EXFAT_SUPER_MAGIC:
    case ntfsMagic:
    case hfsPlusMagic:
    case zfsMagic:
        return true;
    default:
        return false;
    }
}

struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const Identity&) const = default;
};

std::optional<Identity> folderAt(const QByteArray& path)
{
    struct stat info {};
    if (::stat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;
    return Identity{info.st_dev, info.st_ino};
}

} // namespace

// The inotify instance of one thread and the one table of its kernel watches. It lives while
// a watch is open and closes its descriptor when the last one goes.
class FolderWatchTable final {
public:
    // How a watch uses a kernel watch: on the folder it lists, or on one of its subfolders,
    // where only the subfolder's own entries count (they are what moves its modification time).
    enum class Use { Folder, Subfolder };

    // The current thread's table, made when needed; null when no instance can be had.
    static FolderWatchTable* acquire();

    // The kernel's watch on the folder at `path`, counted once however many watches use it;
    // -1 when it cannot be had or the folder found is not `expected` (when given).
    int addWatch(const QByteArray& path, const std::optional<Identity>& expected);
    void subscribe(int kernelWatch, FolderWatch* watch, Use use, const QByteArray& subfolder = {});
    void unsubscribe(int kernelWatch, FolderWatch* watch, Use use, const QByteArray& subfolder = {});
    // Lets go of every kernel watch `watch` uses and disarms it.
    void disarm(FolderWatch* watch);
    // Reads what the kernel has queued and counts it against the watches. Deliveries it makes
    // due are sent from the event loop, never from inside this call.
    void drain();
    // Deletes the table when no watch is open and no delivery is running or queued.
    void retireIfUnused();

private:
    struct Interest {
        FolderWatch* watch = nullptr;
        Use use = Use::Folder;
        QByteArray subfolder; // the subfolder's name in the watch's folder, for Use::Subfolder
        bool operator==(const Interest&) const = default;
    };
    struct KernelWatch {
        std::optional<Identity> folder; // known when a watch lists it
        QList<Interest> interests;
    };

    explicit FolderWatchTable(int fd);
    ~FolderWatchTable();
    FolderWatchTable(const FolderWatchTable&) = delete;
    FolderWatchTable& operator=(const FolderWatchTable&) = delete;

    // Reads the queue, at most `maxReads` buffers; true when a delivery became due.
    bool readQueue(int maxReads);
    void deliver();
    void endWatch(int kernelWatch);

    int m_fd = -1;
    std::unique_ptr<QObject> m_context;          // receives the queued deliveries
    std::unique_ptr<QSocketNotifier> m_notifier; // none on a thread without an event dispatcher
    QHash<int, KernelWatch> m_watches;           // per kernel watch descriptor
    QList<FolderWatch*> m_open;                  // the armed watches, in the order they opened
    QList<QPointer<FolderWatch>> m_lastDeliveries; // disarmed by the reading, still to be told
    int m_deliveries = 0;                        // deliveries running (a slot may spin a nested loop)
    bool m_deliveryQueued = false;
};

namespace {

thread_local FolderWatchTable* currentTable = nullptr;

} // namespace

FolderWatchTable* FolderWatchTable::acquire()
{
    if (currentTable)
        return currentTable;
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return nullptr; // the kernel's limit of instances, most likely
    currentTable = new FolderWatchTable(fd);
    return currentTable;
}

FolderWatchTable::FolderWatchTable(int fd)
    : m_fd(fd)
    , m_context(std::make_unique<QObject>())
{
    if (QAbstractEventDispatcher::instance(QThread::currentThread())) {
        m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_context.get(), [this] {
            ++m_deliveries;
            if (readQueue(maxReadsPerTurn))
                deliver();
            --m_deliveries;
            // What comes meanwhile waits in the kernel's queue; an asking reader still drains it.
            if (m_notifier) {
                m_notifier->setEnabled(false);
                QTimer::singleShot(restMilliseconds, m_context.get(), [this] {
                    if (m_notifier)
                        m_notifier->setEnabled(true);
                });
            }
            retireIfUnused(); // may delete this table: nothing may follow
        });
    }
}

FolderWatchTable::~FolderWatchTable()
{
    m_notifier.reset();
    ::close(m_fd);
    if (currentTable == this)
        currentTable = nullptr;
}

int FolderWatchTable::addWatch(const QByteArray& path, const std::optional<Identity>& expected)
{
    const int kernelWatch = ::inotify_add_watch(m_fd, path.constData(), folderEvents);
    if (kernelWatch < 0)
        return -1;
    if (const auto known = m_watches.find(kernelWatch); known != m_watches.end()) {
        if (expected && known->folder && *known->folder != *expected)
            return -1;
        if (expected)
            known->folder = expected;
        return kernelWatch;
    }
    // The watch follows the folder found when it was added; it must be the one stat saw.
    if (expected && folderAt(path) != expected) {
        ::inotify_rm_watch(m_fd, kernelWatch);
        return -1;
    }
    m_watches.insert(kernelWatch, KernelWatch{expected, {}});
    return kernelWatch;
}

void FolderWatchTable::subscribe(int kernelWatch, FolderWatch* watch, Use use, const QByteArray& subfolder)
{
    if (use == Use::Folder)
        m_open.append(watch);
    m_watches[kernelWatch].interests.append(Interest{watch, use, subfolder});
}

void FolderWatchTable::unsubscribe(int kernelWatch, FolderWatch* watch, Use use, const QByteArray& subfolder)
{
    // The kernel gives one watch per folder and instance: it goes only with its last user.
    const auto known = m_watches.find(kernelWatch);
    if (known == m_watches.end())
        return;
    known->interests.removeOne(Interest{watch, use, subfolder});
    if (known->interests.isEmpty()) {
        m_watches.erase(known);
        ::inotify_rm_watch(m_fd, kernelWatch);
    }
}

void FolderWatchTable::disarm(FolderWatch* watch)
{
    m_open.removeOne(watch);
    for (auto subfolder = watch->m_subfolders.cbegin(); subfolder != watch->m_subfolders.cend(); ++subfolder)
        unsubscribe(subfolder.value(), watch, Use::Subfolder, subfolder.key());
    watch->m_subfolders.clear();
    if (watch->m_watch >= 0)
        unsubscribe(watch->m_watch, watch, Use::Folder);
    watch->m_watch = -1;
    watch->m_table = nullptr;
}

void FolderWatchTable::endWatch(int kernelWatch)
{
    const auto known = m_watches.find(kernelWatch);
    if (known == m_watches.end())
        return;
    const QList<Interest> interests = known->interests;
    m_watches.erase(known);
    // Lets the kernel drop a deleted folder that something still holds open; an error for a
    // watch it already dropped is harmless.
    ::inotify_rm_watch(m_fd, kernelWatch);
    for (const Interest& interest : interests) {
        FolderWatch* watch = interest.watch;
        if (interest.use == Use::Subfolder) {
            // Its parent reports it gone too, and the next reading looks at the subfolders anew.
            watch->m_subfolders.removeIf([kernelWatch](const auto& entry) { return entry.value() == kernelWatch; });
            continue;
        }
        if (watch->m_deliveryPending)
            m_lastDeliveries.append(watch); // the change that ended it is still told
        watch->m_named.everything = true;
        watch->m_watch = -1;
        disarm(watch);
    }
}

void FolderWatchTable::retireIfUnused()
{
    if (m_deliveries == 0 && !m_deliveryQueued && m_open.isEmpty())
        delete this;
}

void FolderWatchTable::drain()
{
    if (!readQueue(INT_MAX) || m_deliveryQueued)
        return;
    // After the same rest as the event loop's own readings: a listener that asks whenever it is
    // told would otherwise be told again at once of what came meanwhile, one file at a time.
    m_deliveryQueued = true;
    QTimer::singleShot(restMilliseconds, m_context.get(), [this] {
        m_deliveryQueued = false;
        ++m_deliveries;
        deliver();
        --m_deliveries;
        retireIfUnused(); // may delete this table: nothing may follow
    });
}

bool FolderWatchTable::readQueue(int maxReads)
{
    QList<int> ended;
    bool due = false;
    const auto tell = [&due](FolderWatch* watch) {
        // Only a watch someone listens to is told: an asking reader alone needs no turn of the
        // event loop, and none may come on its thread.
        if (watch->isSignalConnected(QMetaMethod::fromSignal(&FolderWatch::changed))) {
            watch->m_deliveryPending = true;
            due = true;
        }
    };
    const auto count = [&tell](FolderWatch* watch) {
        ++watch->m_changes;
        tell(watch);
    };
    const auto name = [](FolderWatch* watch, const char* entry) {
        if (!watch->m_keepsNames || watch->m_named.everything)
            return;
        // A file being written tells of itself several times; its name is copied once.
        const QByteArray told = QByteArray::fromRawData(entry, qsizetype(std::strlen(entry)));
        if (!watch->m_named.names.contains(told))
            watch->m_named.names.insert(QByteArray(told.constData(), told.size()));
    };
    alignas(struct inotify_event) std::array<char, 16 * (sizeof(struct inotify_event) + NAME_MAX + 1)> buffer;
    for (int reads = 0; reads < maxReads; ++reads) {
        const ssize_t length = ::read(m_fd, buffer.data(), buffer.size());
        if (length < 0 && errno == EINTR)
            continue;
        if (length <= 0)
            break; // EAGAIN: the queue is empty
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const struct inotify_event*>(buffer.data() + offset);
            offset += ssize_t(sizeof(struct inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                // Changes were lost: any folder may have changed.
                for (FolderWatch* watch : std::as_const(m_open)) {
                    count(watch);
                    watch->m_readSubfolders = true;
                    watch->m_named = {{}, true};
                }
                continue;
            }
            const auto known = m_watches.constFind(event->wd);
            if (known == m_watches.cend())
                continue; // a watch already let go
            const bool named = event->len > 0;
            const bool entryEvent = named && (event->mask & entryEvents);
            // A read moves no more than an access time: of an entry, told to the watches that
            // follow reads; of the folder itself (a listing of it, ours too), to none.
            const bool readOnly = (event->mask & ~uint32_t(IN_ISDIR)) != 0
                                  && (event->mask & ~uint32_t(readEvents | IN_ISDIR)) == 0;
            for (const Interest& interest : known->interests) {
                FolderWatch* watch = interest.watch;
                if (interest.use == Use::Folder) {
                    if (readOnly) {
                        if (named && watch->m_followsReads) {
                            name(watch, event->name);
                            tell(watch);
                        }
                        continue;
                    }
                    count(watch);
                    if (named)
                        name(watch, event->name);
                    else if (event->mask & (IN_MOVE_SELF | endingEvents))
                        watch->m_named.everything = true;
                    // The event names the subfolder: no need to read the whole folder again.
                    if (entryEvent && (event->mask & IN_ISDIR))
                        watch->m_subfolderChanges.append(
                            {QByteArray(event->name), bool(event->mask & (IN_CREATE | IN_MOVED_TO))});
                } else if (entryEvent) {
                    // Its own entries moved the subfolder's modification time.
                    count(watch);
                    name(watch, interest.subfolder.constData());
                }
            }
            if ((event->mask & endingEvents) && !ended.contains(event->wd))
                ended.append(event->wd);
        }
    }
    for (const int kernelWatch : std::as_const(ended))
        endWatch(kernelWatch);
    return due;
}

void FolderWatchTable::deliver()
{
    // A slot may destroy any watch, this one included, or open new ones.
    QList<QPointer<FolderWatch>> told = std::exchange(m_lastDeliveries, {});
    for (FolderWatch* watch : std::as_const(m_open)) {
        if (watch->m_deliveryPending)
            told.append(watch);
    }
    for (const QPointer<FolderWatch>& watch : std::as_const(told)) {
        if (watch && watch->m_deliveryPending) {
            watch->m_deliveryPending = false;
            Q_EMIT watch->changed();
        }
    }
}

FolderWatch::FolderWatch(QString path, FolderWatchTable* table, int watch, dev_t device, ino_t inode)
    : m_path(std::move(path))
    , m_table(table)
    , m_watch(watch)
    , m_device(device)
    , m_inode(inode)
{
}

FolderWatch::~FolderWatch()
{
    Q_ASSERT(thread() == QThread::currentThread());
    if (FolderWatchTable* table = m_table) {
        table->disarm(this);
        table->retireIfUnused();
    }
}

std::unique_ptr<FolderWatch> FolderWatch::open(const QString& folderPath, Scope scope)
{
    if (!FolderPortalEngine::isBoundPath(folderPath))
        return nullptr;
    const QByteArray encoded = filepaths::encoded(folderPath);
    const std::optional<Identity> folder = folderAt(encoded);
    if (!folder)
        return nullptr;
    FolderWatchTable* table = FolderWatchTable::acquire();
    if (!table)
        return nullptr;
    const int watch = table->addWatch(encoded, folder);
    if (watch < 0) {
        table->retireIfUnused();
        return nullptr;
    }
    std::unique_ptr<FolderWatch> opened(new FolderWatch(folderPath, table, watch, folder->device, folder->inode));
    opened->m_seesEveryChange = changesAreSeen(encoded);
    opened->m_scope = scope;
    table->subscribe(watch, opened.get(), FolderWatchTable::Use::Folder);
    opened->watchSubfolders();
    return opened;
}

bool FolderWatch::seesEveryChangeAt(const QString& folderPath)
{
    return changesAreSeen(filepaths::encoded(folderPath));
}

bool FolderWatch::pathStillNamesFolder() const
{
    // Events name the folder, not the path: a symbolic link pointed elsewhere shows only here.
    return folderAt(filepaths::encoded(m_path)) == Identity{m_device, m_inode};
}

void FolderWatch::watchSubfolders()
{
    // A watch of the folder alone vouches for no subfolder.
    if (!m_table || m_scope == Scope::folderOnly)
        return;
    // Read whole at first, after lost events, and while some subfolder is not watched.
    if (m_readSubfolders || !m_coversSubfolders) {
        m_subfolderChanges.clear();
        readSubfolders();
        return;
    }
    const QList<std::pair<QByteArray, bool>> changes = std::exchange(m_subfolderChanges, {});
    for (const auto& [name, made] : changes) {
        if (const auto known = m_subfolders.constFind(name); known != m_subfolders.cend()) {
            m_table->unsubscribe(known.value(), this, FolderWatchTable::Use::Subfolder, name);
            m_subfolders.erase(known);
        }
        if (made && !watchSubfolder(name))
            m_coversSubfolders = false;
    }
}

bool FolderWatch::watchSubfolder(const QByteArray& name)
{
    if (m_subfolders.size() >= maxSubfolderWatches)
        return false;
    const int kernelWatch = m_table->addWatch(filepaths::encoded(m_path) + '/' + name, std::nullopt);
    if (kernelWatch < 0)
        return false; // the kernel's limit of watches, or gone meanwhile (which its parent tells)
    m_table->subscribe(kernelWatch, this, FolderWatchTable::Use::Subfolder, name);
    m_subfolders.insert(name, kernelWatch);
    return true;
}

void FolderWatch::readSubfolders()
{
    m_readSubfolders = false;
    m_coversSubfolders = false;
    DIR* folder = ::opendir(filepaths::encoded(m_path).constData());
    if (!folder)
        return; // tried again at the next reading
    QHash<QByteArray, int> previous = std::exchange(m_subfolders, {});
    bool complete = true;
    for (;;) {
        errno = 0;
        const dirent* child = ::readdir(folder);
        if (!child) {
            complete = complete && errno == 0;
            break;
        }
        const char* name = child->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        bool isFolder = child->d_type == DT_DIR;
        if (child->d_type == DT_UNKNOWN) {
            struct stat info {};
            isFolder = ::fstatat(::dirfd(folder), name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode);
        }
        if (!isFolder)
            continue; // a symbolic link lists as itself, whatever it points to
        const QByteArray key(name);
        if (const auto known = previous.constFind(key); known != previous.cend()) {
            m_subfolders.insert(key, known.value());
            previous.erase(known);
        } else if (!watchSubfolder(key)) {
            complete = false;
        }
    }
    ::closedir(folder);
    for (auto gone = previous.cbegin(); gone != previous.cend(); ++gone)
        m_table->unsubscribe(gone.value(), this, FolderWatchTable::Use::Subfolder, gone.key());
    m_coversSubfolders = complete;
}

std::optional<quint64> FolderWatch::stampBeforeReading()
{
    if (m_table)
        m_table->drain();
    // Subfolders made or renamed since the last reading are watched before this one.
    watchSubfolders();
    if (!isArmed() || !m_seesEveryChange || !m_coversSubfolders || !pathStillNamesFolder())
        return std::nullopt;
    return m_changes;
}

bool FolderWatch::unchangedSince(quint64 stamp)
{
    if (m_table)
        m_table->drain();
    return isArmed() && m_seesEveryChange && m_coversSubfolders && m_changes == stamp && pathStillNamesFolder();
}

void FolderWatch::followNames(bool reads)
{
    m_keepsNames = true;
    m_followsReads = m_followsReads || reads;
}

FolderWatch::NamedChanges FolderWatch::takeNamedChanges()
{
    return std::exchange(m_named, NamedChanges{});
}

} // namespace mv
