#include "core/store/LiveFolderListing.h"

#include "core/engine/PortalNameFilter.h"
#include "core/engine/PortalScan.h"
#include "core/engine/PortalSortKeys.h"
#include "core/models/Text.h"

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>

namespace mv {

using namespace FolderPortalEngine;

namespace {

// The listings of this thread by path, made with the first and gone with the last: a listing
// may outlive the thread's own storage (one held by an object of static duration).
using Listings = QHash<QString, std::weak_ptr<LiveFolderListing>>;
thread_local Listings* listingsOfThread = nullptr;

std::function<void(const QString&)>& workerReadHook()
{
    static std::function<void(const QString&)> hook;
    return hook;
}

QByteArray rawNameOf(const PortalFileEntry& entry)
{
    if (entry.hasExactName())
        return QFile::encodeName(entry.name);
    // The URL of an inexact name keeps its very bytes.
    const QByteArray path = entry.url.path(QUrl::FullyEncoded).toLatin1();
    return QByteArray::fromPercentEncoding(path.mid(path.lastIndexOf('/') + 1));
}

// One entry as the order reads it, with its key and its name on disk, the last tie-break:
// only names that decode alike are equal in everything else.
struct Row {
    const PortalFileEntry* entry;
    const QByteArray* key;
    const QByteArray* raw;
};

} // namespace

std::vector<LiveFolderListing::View::Changed> LiveFolderListing::readChanged(const QString& path,
                                                                            const QSet<QByteArray>& names)
{
    const QList<QByteArray> raws = names.values();
    std::vector<std::optional<PortalFileEntry>> entries = readEntries(path, raws, ExtensionDisplay::Show);
    std::vector<View::Changed> changes;
    changes.reserve(entries.size());
    for (qsizetype i = 0; i < raws.size(); ++i)
        changes.push_back({raws.at(i), std::move(entries[size_t(i)])});
    return changes;
}

LiveFolderListing::Reading LiveFolderListing::read(const QString& path, const Options& options)
{
    Reading reading;
    reading.result = scanDirectory(path, options);
    const QList<PortalFileEntry>& entries = reading.result.entries;
    text::NameSortKeys keys;
    qsizetype length = 0;
    for (const PortalFileEntry& entry : entries)
        length += entry.name.size();
    keys.reserve(entries.size(), length);
    keys.appendAll(entries.size(), [&entries](qsizetype i) -> QStringView { return entries.at(i).name; });
    reading.keys.reserve(size_t(entries.size()));
    reading.raws.reserve(size_t(entries.size()));
    reading.present.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        reading.keys.push_back(keys.key(i).toByteArray());
        reading.raws.push_back(rawNameOf(entries.at(i)));
        reading.present.insert(reading.raws.back());
    }
    return reading;
}

void LiveFolderListing::setWorkerReadHook(std::function<void(const QString& path)> hook)
{
    workerReadHook() = std::move(hook);
}

// -- the folder -----------------------------------------------------------------------------

// The share of the time that bringing the listings up to date may take while a folder
// changes without pause, and the longest a change is held back for it.
constexpr qint64 updateShareDivisor = 50;
constexpr int longestHoldMilliseconds = 1000;

LiveFolderListing::LiveFolderListing(QString path)
    : m_path(std::move(path))
{
    m_hold.setSingleShot(true);
    connect(&m_hold, &QTimer::timeout, this, &LiveFolderListing::holdEnded);
}

int LiveFolderListing::holdMilliseconds() const
{
    return int(std::min<qint64>(longestHoldMilliseconds, m_lastUpdateNanoseconds * updateShareDivisor / 1000000));
}

void LiveFolderListing::watchTold()
{
    if (m_hold.isActive()) {
        m_toldWhileHeld = true;
        return;
    }
    if (const int hold = holdMilliseconds(); hold > 0)
        m_hold.start(hold);
    Q_EMIT changed();
}

void LiveFolderListing::holdEnded()
{
    if (!std::exchange(m_toldWhileHeld, false))
        return;
    if (const int hold = holdMilliseconds(); hold > 0)
        m_hold.start(hold);
    Q_EMIT changed();
}

LiveFolderListing::~LiveFolderListing()
{
    if (!listingsOfThread)
        return;
    const auto known = listingsOfThread->constFind(m_path);
    if (known != listingsOfThread->cend() && known->expired())
        listingsOfThread->erase(known);
    if (listingsOfThread->isEmpty()) {
        delete listingsOfThread;
        listingsOfThread = nullptr;
    }
}

std::shared_ptr<LiveFolderListing> LiveFolderListing::of(const QString& path)
{
    if (!listingsOfThread)
        listingsOfThread = new Listings;
    if (std::shared_ptr<LiveFolderListing> known = listingsOfThread->value(path).lock())
        return known;
    std::shared_ptr<LiveFolderListing> made(new LiveFolderListing(path));
    listingsOfThread->insert(path, made);
    return made;
}

std::shared_ptr<LiveFolderListing::View> LiveFolderListing::find(const Options& options)
{
    for (const std::shared_ptr<View>& view : liveViews()) {
        if (view->m_options == options)
            return view;
    }
    return nullptr;
}

std::shared_ptr<LiveFolderListing::View> LiveFolderListing::view(const QString& path, const Options& options)
{
    std::shared_ptr<LiveFolderListing> folder = of(path);
    if (std::shared_ptr<View> known = folder->find(options))
        return known;
    std::shared_ptr<View> made(new View(folder, options));
    folder->m_views.append(made);
    return made;
}

std::shared_ptr<LiveFolderListing::View> LiveFolderListing::warmView(const QString& path, const Options& options)
{
    std::shared_ptr<LiveFolderListing> folder = of(path);
    if (std::shared_ptr<View> known = folder->find(options))
        return known;
    std::shared_ptr<View> made = view(path, options);
    // Watched before the worker reads: what changes meanwhile is applied to its reading.
    if (folder->ensureWatch() && folder->m_watch->stampBeforeReading()) {
        // The reading is handed over before the end is told, so that a view asked on that news
        // does not wait; the news goes through a carrier of this thread, which may outlive
        // the folder.
        auto promise = std::make_shared<std::promise<Reading>>();
        made->m_warming = promise->get_future().share();
        std::shared_ptr<QObject> carrier(new QObject, [](QObject* object) { object->deleteLater(); });
        std::weak_ptr<LiveFolderListing> told = folder;
        std::function<void(const QString&)> hook = workerReadHook();
        made->m_worker = std::async(std::launch::async, [path, options, promise, carrier, told, hook] {
            if (hook)
                hook(path);
            promise->set_value(read(path, options));
            QMetaObject::invokeMethod(carrier.get(), [told] {
                if (const std::shared_ptr<LiveFolderListing> listing = told.lock())
                    Q_EMIT listing->warmed();
            }, Qt::QueuedConnection);
        });
        made->m_stale = false;
    }
    return made;
}

QList<std::shared_ptr<LiveFolderListing::View>> LiveFolderListing::liveViews()
{
    QList<std::shared_ptr<View>> views;
    m_views.removeIf([&views](const std::weak_ptr<View>& weak) {
        std::shared_ptr<View> view = weak.lock();
        if (!view)
            return true;
        views.append(std::move(view));
        return false;
    });
    return views;
}

void LiveFolderListing::markStale()
{
    for (const std::shared_ptr<View>& view : liveViews()) {
        view->m_warming = {};
        view->m_backlog.clear();
        view->m_stale = true;
    }
}

bool LiveFolderListing::ensureWatch()
{
    // Deleted, moved away, replaced, a link pointed elsewhere: the folder the path names now.
    if (m_watch && m_watch->isArmed() && m_watch->pathStillNamesFolder())
        return true;
    m_watch.reset();
    markStale();
    if (!FolderWatch::seesEveryChangeAt(m_path))
        return false;
    m_watch = FolderWatch::open(m_path);
    if (!m_watch)
        return false;
    // Every entry shows its access time, whatever the order: reads are followed by all.
    m_watch->followNames(true);
    (void)m_watch->takeNamedChanges(); // every view reads whole anyway
    connect(m_watch.get(), &FolderWatch::changed, this, &LiveFolderListing::watchTold);
    return true;
}

bool LiveFolderListing::refresh()
{
    if (!ensureWatch() || !m_watch->stampBeforeReading()) {
        // Subfolders not all watched, or changes not seen: what is told is not all there is.
        markStale();
        return false;
    }
    const FolderWatch::NamedChanges changes = m_watch->takeNamedChanges();
    if (changes.everything) {
        markStale();
        return true;
    }
    const QList<std::shared_ptr<View>> views = liveViews();
    for (const std::shared_ptr<View>& view : views)
        view->takeWarmReading(false);
    if (changes.names.isEmpty())
        return true;
    // Each changed entry read once, for every view.
    const std::vector<View::Changed> read = readChanged(m_path, changes.names);
    // Only the merging is timed: each changed entry is read once however long changes are held,
    // while every merge goes over the whole listing.
    QElapsedTimer updating;
    updating.start();
    for (const std::shared_ptr<View>& view : views) {
        if (view->m_warming.valid()) {
            view->m_backlog.unite(changes.names);
        } else if (!view->m_stale) {
            view->apply(read);
        }
    }
    m_lastUpdateNanoseconds = updating.nsecsElapsed();
    return true;
}

// -- one view ---------------------------------------------------------------------------------

LiveFolderListing::View::View(std::shared_ptr<LiveFolderListing> folder, Options options)
    : m_folder(std::move(folder))
    , m_options(std::move(options))
{
}

LiveFolderListing::View::~View() = default;

std::optional<PortalScanResult> LiveFolderListing::View::current()
{
    if (!m_folder->refresh())
        return std::nullopt;
    takeWarmReading(true);
    if (m_stale) {
        adopt(read(m_folder->m_path, m_options));
        m_stale = false;
    }
    return m_reading.result;
}

void LiveFolderListing::View::takeWarmReading(bool wait)
{
    if (!m_warming.valid())
        return;
    if (!wait && m_warming.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    adopt(m_warming.get());
    m_warming = {};
    m_stale = false;
    apply(readChanged(m_folder->m_path, std::exchange(m_backlog, {})));
}

void LiveFolderListing::View::adopt(Reading reading)
{
    m_reading = std::move(reading);
}

void LiveFolderListing::View::apply(const std::vector<Changed>& changes)
{
    if (changes.empty() || m_reading.result.isMissing)
        return;
    const detail::EntryOrder order(m_options.sortMode, m_options.manualOrder);
    const QString query = m_options.filter.trimmed();
    const std::optional<detail::NameFilter> filter =
        query.isEmpty() ? std::nullopt : std::optional<detail::NameFilter>(std::in_place, query);

    // The changed entries as this view lists them, in its order.
    struct Made {
        PortalFileEntry entry;
        QByteArray key;
        QByteArray raw;
    };
    std::vector<Made> made;
    made.reserve(changes.size());
    for (const Changed& change : changes) {
        if (!change.entry)
            continue;
        if (m_options.hiddenFiles == HiddenFiles::Skip && change.raw.startsWith('.'))
            continue;
        if (filter && !filter->keeps(change.entry->name, change.entry->fileExtension))
            continue;
        PortalFileEntry entry = withExtensionDisplay(*change.entry, m_options.extensions);
        QByteArray key = detail::collationKey(entry.name);
        made.push_back({std::move(entry), std::move(key), change.raw});
    }
    const auto less = [&order](const Row& a, const Row& b) {
        if (order.less(*a.entry, *a.key, *b.entry, *b.key))
            return true;
        if (order.less(*b.entry, *b.key, *a.entry, *a.key))
            return false;
        return *a.raw < *b.raw;
    };
    std::sort(made.begin(), made.end(), [&less](const Made& a, const Made& b) {
        return less(Row{&a.entry, &a.key, &a.raw}, Row{&b.entry, &b.key, &b.raw});
    });

    // Of the changed entries, those the listing holds now drop out: looked for only among them,
    // and only until each is found.
    Reading& kept = m_reading;
    std::vector<QByteArray> dropping;
    for (const Changed& change : changes) {
        if (kept.present.remove(change.raw))
            dropping.push_back(change.raw);
    }
    for (const Made& entry : made)
        kept.present.insert(entry.raw);
    const QSet<QByteArray> droppingSet = dropping.size() > 8
                                             ? QSet<QByteArray>(dropping.cbegin(), dropping.cend())
                                             : QSet<QByteArray>();
    size_t toDrop = dropping.size();
    const auto drops = [&](const QByteArray& raw) {
        if (toDrop == 0)
            return false;
        const bool found = droppingSet.isEmpty()
                               ? std::find(dropping.cbegin(), dropping.cend(), raw) != dropping.cend()
                               : droppingSet.contains(raw);
        toDrop -= found ? 1 : 0;
        return found;
    };

    const qsizetype count = kept.result.entries.size();
    // Entries no one else holds now move over instead of being copied.
    QList<PortalFileEntry> keptEntries = std::move(kept.result.entries);
    const bool own = keptEntries.isDetached();
    const auto keptRow = [&](qsizetype i) {
        return Row{&std::as_const(keptEntries).at(i), &kept.keys[size_t(i)], &kept.raws[size_t(i)]};
    };

    // The place of each changed entry among the kept ones (the ones dropping out still there,
    // which are in order too): found by halving when the changes are few against a long
    // listing, else by walking along with them.
    std::vector<qsizetype> places(made.size());
    qsizetype from = 0;
    const bool halve = made.size() * 16 < size_t(count);
    for (size_t m = 0; m < made.size(); ++m) {
        const Row row{&made[m].entry, &made[m].key, &made[m].raw};
        qsizetype low = from;
        if (halve) {
            qsizetype high = count;
            while (low < high) {
                const qsizetype middle = low + (high - low) / 2;
                if (less(keptRow(middle), row))
                    low = middle + 1;
                else
                    high = middle;
            }
        } else {
            while (low < count && less(keptRow(low), row))
                ++low;
        }
        places[m] = from = low;
    }

    // One pass over the kept entries: those dropping out are left behind, the changed ones as
    // they are now go in at their places.
    Reading merged;
    merged.present = std::move(kept.present);
    merged.result.isMissing = kept.result.isMissing;
    merged.result.entries.reserve(count + qsizetype(made.size()));
    merged.keys.reserve(size_t(count) + made.size());
    merged.raws.reserve(size_t(count) + made.size());
    size_t next = 0;
    const auto takeMadeAt = [&](qsizetype place) {
        for (; next < made.size() && places[next] == place; ++next) {
            merged.result.entries.append(std::move(made[next].entry));
            merged.keys.push_back(std::move(made[next].key));
            merged.raws.push_back(std::move(made[next].raw));
        }
    };
    for (qsizetype i = 0; i < count; ++i) {
        takeMadeAt(i);
        if (drops(kept.raws[size_t(i)]))
            continue;
        if (own)
            merged.result.entries.append(std::move(keptEntries[i]));
        else
            merged.result.entries.append(std::as_const(keptEntries).at(i));
        merged.keys.push_back(std::move(kept.keys[size_t(i)]));
        merged.raws.push_back(std::move(kept.raws[size_t(i)]));
    }
    takeMadeAt(count);
    m_reading = std::move(merged);
}

} // namespace mv
