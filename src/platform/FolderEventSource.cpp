#include "platform/FolderEventSource.h"

#include <QAbstractEventDispatcher>
#include <QFile>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QSocketNotifier>
#include <QThread>

#include <array>
#include <cerrno>
#include <cstdint>
#include <utility>

#include <sys/inotify.h>
#include <unistd.h>

namespace mv::platform {

namespace {

// What changes a folder's listing. IN_CLOSE_WRITE rather than IN_MODIFY: a file that finished
// being written changes the sizes and dates listed, while IN_MODIFY fires for every write of a
// download in progress. Opening and reading (IN_OPEN, IN_ACCESS, IN_CLOSE_NOWRITE) are left
// out: the listing's own scans would report themselves and rescan for ever. Every watch uses
// this one mask, because adding a watch on a folder the instance already watches replaces the
// mask of the watch both then share.
constexpr uint32_t folderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB
                                  | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// Events after which a watch reports nothing more. A deleted folder reports IN_DELETE_SELF at
// once but IN_IGNORED only when nothing holds it open any longer; nothing can be made in a
// deleted folder, so the first of them ends it. A move (IN_MOVE_SELF) does not: the watch
// follows the folder.
constexpr uint32_t endingEvents = IN_DELETE_SELF | IN_UNMOUNT | IN_IGNORED;

// One delivery drains at most this many buffers, so a folder that never rests cannot hold the
// event loop; what is left keeps the descriptor readable for the next turn.
constexpr int maxReadsPerDelivery = 64;

} // namespace

// The inotify instance of one thread and the sources armed on it. It lives while a source is
// armed and closes its descriptor when the last one goes.
class FolderEventHub final {
public:
    // The current thread's hub, made when needed; null when the thread has no event loop to
    // deliver on or no instance can be had.
    static FolderEventHub* acquire();

    int descriptor() const { return m_fd; }
    void attach(FolderEventSource* source);
    void detach(FolderEventSource* source);
    // Deletes the hub when no source is armed and no delivery is running.
    void retireIfUnused();

private:
    explicit FolderEventHub(int fd);
    ~FolderEventHub();
    FolderEventHub(const FolderEventHub&) = delete;
    FolderEventHub& operator=(const FolderEventHub&) = delete;

    void readQueue();
    void disarm(FolderEventSource* source);
    void endWatch(int watch);

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    QList<FolderEventSource*> m_sources; // the armed ones, in the order they opened
    QHash<int, int> m_users;             // per watch descriptor, the sources sharing it
    int m_deliveries = 0;                // deliveries running (a slot may spin a nested loop)
};

namespace {

thread_local FolderEventHub* currentHub = nullptr;

} // namespace

FolderEventHub* FolderEventHub::acquire()
{
    if (currentHub)
        return currentHub;
    if (!QAbstractEventDispatcher::instance(QThread::currentThread()))
        return nullptr;
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return nullptr;
    currentHub = new FolderEventHub(fd);
    return currentHub;
}

FolderEventHub::FolderEventHub(int fd)
    : m_fd(fd)
    , m_notifier(new QSocketNotifier(fd, QSocketNotifier::Read))
{
    QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] { readQueue(); });
}

FolderEventHub::~FolderEventHub()
{
    delete m_notifier;
    ::close(m_fd);
    if (currentHub == this)
        currentHub = nullptr;
}

void FolderEventHub::attach(FolderEventSource* source)
{
    m_sources.append(source);
    ++m_users[source->m_watch];
}

void FolderEventHub::detach(FolderEventSource* source)
{
    const int watch = source->m_watch;
    disarm(source);
    // The kernel gives one watch per folder and instance: it goes only with its last source.
    const auto users = m_users.find(watch);
    if (users != m_users.end() && --*users <= 0) {
        m_users.erase(users);
        ::inotify_rm_watch(m_fd, watch);
    }
    retireIfUnused();
}

void FolderEventHub::disarm(FolderEventSource* source)
{
    m_sources.removeOne(source);
    source->m_watch = -1;
    source->m_hub = nullptr;
}

void FolderEventHub::endWatch(int watch)
{
    for (qsizetype i = m_sources.size() - 1; i >= 0; --i) {
        if (m_sources.at(i)->m_watch == watch)
            disarm(m_sources.at(i));
    }
    m_users.remove(watch);
    // Lets the kernel drop a deleted folder that something still holds open; an error for a
    // watch it already dropped is harmless.
    ::inotify_rm_watch(m_fd, watch);
}

void FolderEventHub::retireIfUnused()
{
    if (m_deliveries == 0 && m_sources.isEmpty())
        delete this;
}

void FolderEventHub::readQueue()
{
    ++m_deliveries;
    QSet<int> touched;
    QList<int> ended;
    bool overflowed = false;
    alignas(struct inotify_event) std::array<char, 4096> buffer;
    for (int reads = 0; reads < maxReadsPerDelivery; ++reads) {
        const ssize_t length = ::read(m_fd, buffer.data(), buffer.size());
        if (length < 0 && errno == EINTR)
            continue;
        if (length <= 0)
            break; // EAGAIN: the queue is empty
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const struct inotify_event*>(buffer.data() + offset);
            offset += ssize_t(sizeof(struct inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                overflowed = true; // changes were lost: any folder may have changed
                continue;
            }
            if (!m_users.contains(event->wd))
                continue; // a watch already let go
            touched.insert(event->wd);
            if ((event->mask & endingEvents) && !ended.contains(event->wd))
                ended.append(event->wd);
        }
    }

    QList<QPointer<FolderEventSource>> told;
    for (FolderEventSource* source : std::as_const(m_sources)) {
        if (overflowed || touched.contains(source->m_watch))
            told.append(source);
    }
    for (const int watch : std::as_const(ended))
        endWatch(watch);
    // A slot may destroy any source, this one included, or open new ones.
    for (const QPointer<FolderEventSource>& source : std::as_const(told)) {
        if (source)
            Q_EMIT source->changed();
    }
    --m_deliveries;
    retireIfUnused(); // may delete this hub: nothing may follow
}

FolderEventSource::FolderEventSource(QString path, FolderEventHub* hub, int watch)
    : m_path(std::move(path))
    , m_hub(hub)
    , m_watch(watch)
{
}

FolderEventSource::~FolderEventSource()
{
    Q_ASSERT(thread() == QThread::currentThread());
    if (m_hub)
        m_hub->detach(this);
}

std::unique_ptr<FolderEventSource> FolderEventSource::open(const QString& folderPath)
{
    if (!folderPath.startsWith(u'/') || folderPath.contains(QChar(u'\0')))
        return nullptr;
    FolderEventHub* hub = FolderEventHub::acquire();
    if (!hub)
        return nullptr;
    const int watch = ::inotify_add_watch(hub->descriptor(), QFile::encodeName(folderPath).constData(),
                                          folderEvents);
    if (watch < 0) {
        hub->retireIfUnused();
        return nullptr;
    }
    std::unique_ptr<FolderEventSource> source(new FolderEventSource(folderPath, hub, watch));
    hub->attach(source.get());
    return source;
}

} // namespace mv::platform
