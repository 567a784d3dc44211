// Portal listing speed, each pair timed in the same run and reported as a ratio (target: under
// 2 for both):
// - a scan (listing, entries, name sort) against find(1) reporting the same facts of the same
//   folder (type, size, modification and access time, name);
// - the name sort of 100,000 entries against a plain std::sort of their collation keys made
//   beforehand ("ratio"); "ratio_incl_keys" counts making those keys into the baseline, which
//   shows what the sort adds beyond the collation itself;
// - a stream of files written one at a time, by a thread of their own, into a watched folder
//   whose live listing is kept up to date on the main thread, as a portal shows a download
//   folder: the CPU time of the main thread (user and system, getrusage RUSAGE_THREAD) against
//   the writer's own ("ratio", target at most 0.10), and per file ("watcher_us_per_file",
//   which must stay flat as the files double: linear in the files written). Beside it, the same
//   stream followed by the least any listing of the changes does: the kernel's events drained
//   and each name they told stat'ed once per reading, nothing built ("floor_ratio",
//   "floor_us_per_file"), what the program's ratio cannot go below.
#include "core/engine/PortalScan.h"
#include "core/models/Text.h"
#include "core/store/LiveFolderListing.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mv;
using namespace mv::FolderPortalEngine;
using namespace Qt::StringLiterals;

namespace {

// The name of the i-th fixture item: the mix of a real desktop (numbered photos, Chinese
// documents, code, archives, a tenth of them folders).
QString fixtureName(int i, bool* isDirectory)
{
    *isDirectory = i % 10 == 0;
    if (*isDirectory)
        return u"Folder %1"_s.arg(i);
    switch (i % 9) {
    case 0: return u"IMG_%1.JPG"_s.arg(i, 5, 10, QChar(u'0'));
    case 1: return u"报告 %1.pdf"_s.arg(i);
    case 2: return u"Report %1 final.docx"_s.arg(i);
    case 3: return u"notes-%1.md"_s.arg(i);
    case 4: return u"source_%1.cpp"_s.arg(i);
    case 5: return u"backup.%1.tar.gz"_s.arg(i);
    case 6: return u"Screenshot 2026-01-%1.png"_s.arg(i);
    case 7: return u"README%1"_s.arg(i);
    default: return u"数据表 %1.xlsx"_s.arg(i);
    }
}

bool populate(const QString& folder, int count)
{
    for (int i = 0; i < count; ++i) {
        bool isDirectory = false;
        const QByteArray path = QFile::encodeName(folder + u'/' + fixtureName(i, &isDirectory));
        if (isDirectory) {
            if (::mkdir(path.constData(), 0755) != 0)
                return false;
            continue;
        }
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        const QByteArray content(i % 4096, 'x');
        const bool written = ::write(fd, content.constData(), size_t(content.size()))
                             == content.size();
        ::close(fd);
        if (!written)
            return false;
    }
    return true;
}

// One run of find(1) over the folder, its output read in full, as a user would run it.
qint64 runFind(const QString& folder)
{
    QProcess find;
    find.start(u"find"_s, {folder, u"-maxdepth"_s, u"1"_s, u"-printf"_s,
                           u"%y %s %T@ %A@ %f\\n"_s});
    qint64 bytes = 0;
    while (find.waitForReadyRead(-1))
        bytes += find.readAllStandardOutput().size();
    find.waitForFinished(-1);
    bytes += find.readAllStandardOutput().size();
    return find.exitCode() == 0 ? bytes : -1;
}

void scanAgainstFind(benchmark::State& state, const QString& folder)
{
    // One untimed pass of each first, so both read the same warm caches.
    benchmark::DoNotOptimize(scanDirectory(folder, {HiddenFiles::Skip, ExtensionDisplay::Hide, QString(), FenceSortMode::nameAsc, {}}));
    runFind(folder);

    double scanSeconds = 0;
    double findSeconds = 0;
    qsizetype listed = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const PortalScanResult result = scanDirectory(folder, {HiddenFiles::Skip, ExtensionDisplay::Hide, QString(), FenceSortMode::nameAsc, {}});
        const double scan = double(timer.nsecsElapsed()) / 1e9;
        listed = result.entries.size();
        benchmark::DoNotOptimize(result);

        timer.restart();
        const qint64 output = runFind(folder);
        const double find = double(timer.nsecsElapsed()) / 1e9;
        if (output < 0) {
            state.SkipWithError("find failed");
            return;
        }
        state.SetIterationTime(scan);
        scanSeconds += scan;
        findSeconds += find;
    }
    state.counters["entries"] = double(listed);
    state.counters["find_ms"] = findSeconds * 1e3 / double(state.iterations());
    state.counters["scan_ms"] = scanSeconds * 1e3 / double(state.iterations());
    state.counters["ratio"] = scanSeconds / findSeconds;
}

QList<PortalFileEntry> sortFixture(int count)
{
    QList<PortalFileEntry> entries;
    entries.reserve(count);
    for (int i = 0; i < count; ++i) {
        bool isDirectory = false;
        PortalFileEntry entry;
        entry.name = fixtureName(i, &isDirectory);
        entry.displayName = entry.name;
        entry.url = QUrl::fromLocalFile(u"/bench/"_s + entry.name);
        entry.isDirectory = isDirectory;
        entry.fileExtension = pathExtension(entry.name).toLower();
        entries.append(entry);
    }
    // The file system lists in no useful order; neither should the sort's input.
    std::shuffle(entries.begin(), entries.end(), *QRandomGenerator::global());
    return entries;
}

void nameSortAgainstKeySort(benchmark::State& state)
{
    const QList<PortalFileEntry> entries = sortFixture(int(state.range(0)));

    double sortSeconds = 0;
    double keySeconds = 0;
    double keySortSeconds = 0;
    double flatKeySeconds = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        QList<PortalFileEntry> sorted = sortEntries(entries, FenceSortMode::nameAsc, {});
        const double sort = double(timer.nsecsElapsed()) / 1e9;
        benchmark::DoNotOptimize(sorted);

        // The baseline: the same collation keys, made once, in a plain std::sort.
        timer.restart();
        std::vector<QCollatorSortKey> keys;
        keys.reserve(size_t(entries.size()));
        for (const PortalFileEntry& entry : entries)
            keys.push_back(text::nameSortKey(entry.name));
        const double keying = double(timer.nsecsElapsed()) / 1e9;
        timer.restart();
        std::sort(keys.begin(), keys.end(),
                  [](const QCollatorSortKey& a, const QCollatorSortKey& b) {
                      return a.compare(b) < 0;
                  });
        const double keySort = double(timer.nsecsElapsed()) / 1e9;
        benchmark::DoNotOptimize(keys);

        // What the sort itself spends on its keys: one flat buffer straight from ICU.
        timer.restart();
        text::NameSortKeys flatKeys;
        flatKeys.reserve(entries.size(), entries.size() * 16);
        for (const PortalFileEntry& entry : entries)
            flatKeys.append(entry.name);
        flatKeySeconds += double(timer.nsecsElapsed()) / 1e9;
        benchmark::DoNotOptimize(flatKeys);

        state.SetIterationTime(sort);
        sortSeconds += sort;
        keySeconds += keying;
        keySortSeconds += keySort;
    }
    const double runs = double(state.iterations());
    state.counters["sort_ms"] = sortSeconds * 1e3 / runs;
    state.counters["keys_ms"] = keySeconds * 1e3 / runs;
    state.counters["keysort_ms"] = keySortSeconds * 1e3 / runs;
    state.counters["flatkeys_ms"] = flatKeySeconds * 1e3 / runs;
    // Against the plain sort of keys made beforehand, and against making them plus that sort.
    state.counters["ratio"] = sortSeconds / keySortSeconds;
    state.counters["ratio_incl_keys"] = sortSeconds / (keySeconds + keySortSeconds);
    state.counters["target"] = 1.6; // for "ratio", as a median
}

// CPU time (user and system) of the calling thread.
double threadCpuSeconds()
{
    struct rusage usage {};
    ::getrusage(RUSAGE_THREAD, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The live listing of one folder, brought up to date on this (the main) thread whenever its
// watch tells of changes, as a portal's live view is on the program's interface thread.
class LiveListingHere final {
public:
    LiveListingHere(const QString& folder, qsizetype)
    {
        const PortalListingOptions byDate{HiddenFiles::Skip, ExtensionDisplay::Hide, QString(),
                                          FenceSortMode::dateModifiedDesc, {}};
        m_view = LiveFolderListing::view(folder, byDate);
        // The listing is held as the live view holds what it published.
        m_shown = m_view->current().value_or(PortalScanResult{});
        QObject::connect(&m_view->folder(), &LiveFolderListing::changed, &m_context, [this] {
            m_shown = m_view->current().value_or(PortalScanResult{});
        });
    }
    qsizetype listed() const { return m_shown.entries.size(); }
    void wait() { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }

private:
    QObject m_context;
    std::shared_ptr<LiveFolderListing::View> m_view;
    PortalScanResult m_shown;
};

// The reference: the least that any listing following a folder's changes does. It drains the
// kernel's events for the folder (the events the program asks for) and stats each name they
// told once per reading, with the program's rest between readings; it builds, sorts and keeps
// nothing but the names it has seen.
class FloorListingHere final {
public:
    FloorListingHere(const QString& folder, qsizetype present)
        : m_present(present)
    {
        const QByteArray path = QFile::encodeName(folder);
        m_events = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        constexpr uint32_t events = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY | IN_ATTRIB
                                    | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ACCESS | IN_CLOSE_NOWRITE
                                    | IN_ONLYDIR;
        if (m_events >= 0)
            ::inotify_add_watch(m_events, path.constData(), events);
        m_folder = ::open(path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    ~FloorListingHere()
    {
        if (m_events >= 0)
            ::close(m_events);
        if (m_folder >= 0)
            ::close(m_folder);
    }
    FloorListingHere(const FloorListingHere&) = delete;
    FloorListingHere& operator=(const FloorListingHere&) = delete;

    qsizetype listed() const { return m_present + qsizetype(m_seen.size()); }
    void wait()
    {
        pollfd ready{m_events, POLLIN, 0};
        if (::poll(&ready, 1, 50) <= 0)
            return;
        std::unordered_set<std::string> told;
        alignas(struct inotify_event) std::array<char, 16 * (sizeof(struct inotify_event) + NAME_MAX + 1)> buffer;
        for (ssize_t length; (length = ::read(m_events, buffer.data(), buffer.size())) > 0;) {
            for (ssize_t offset = 0; offset < length;) {
                const auto* event = reinterpret_cast<const struct inotify_event*>(buffer.data() + offset);
                offset += ssize_t(sizeof(struct inotify_event) + event->len);
                if (event->len > 0)
                    told.insert(event->name);
            }
        }
        for (const std::string& name : told) {
            struct statx info;
            if (::statx(m_folder, name.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_SYNC_AS_STAT,
                        STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_ATIME, &info)
                == 0)
                m_seen.insert(name);
            else
                m_seen.erase(name);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }

private:
    qsizetype m_present;
    int m_events = -1;
    int m_folder = -1;
    std::unordered_set<std::string> m_seen;
};

// CPU seconds of this thread's listing and of the writer over one stream of `files` single-file
// writes into a folder of `present` items, with `Listing` following it here; none when the
// fixture or the stream failed.
template<class Listing>
std::optional<std::pair<double, double>> timeOneStream(int files, int present)
{
    static const QByteArray content(16384, 'd');
    QTemporaryDir dir;
    if (!dir.isValid() || !populate(dir.path(), present))
        return std::nullopt;
    const qsizetype before = qsizetype(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
    std::optional<Listing> watcher(std::in_place, dir.path(), before);
    if (watcher->listed() != before)
        return std::nullopt;

    const double watcherStart = threadCpuSeconds();
    std::atomic<bool> failed = false;
    double written = 0;
    std::thread writer([&] {
        const double start = threadCpuSeconds();
        for (int i = 0; i < files; ++i) {
            const QByteArray path = QFile::encodeName(dir.path() + u"/download %1.part"_s.arg(i));
            const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            const bool ok = fd >= 0 && ::write(fd, content.constData(), size_t(content.size())) == content.size();
            if (fd >= 0)
                ::close(fd);
            if (!ok) {
                failed = true;
                break;
            }
        }
        written = threadCpuSeconds() - start;
    });
    // Until the listing shows every file written (or the writer failed).
    QElapsedTimer waited;
    waited.start();
    QTimer wake; // so that the wait also ends when nothing is told any more
    wake.start(50);
    while (watcher->listed() != before + files && !failed && waited.elapsed() < 60000)
        watcher->wait();
    writer.join();
    const double listing = threadCpuSeconds() - watcherStart;
    if (failed || watcher->listed() != before + files)
        return std::nullopt;
    return std::pair(listing, written);
}

// `state.range(0)` files of 16 KiB (a small download each) written one at a time by a thread of
// their own, each opened, written and closed before the next, into a folder that holds
// `state.range(1)` items, while this thread keeps its live listing; then the same stream again
// with only the reference's floor following it.
void streamIntoWatchedFolder(benchmark::State& state)
{
    const int files = int(state.range(0));
    const int present = int(state.range(1));
    double watcherSeconds = 0;
    double writerSeconds = 0;
    double floorSeconds = 0;
    double floorWriterSeconds = 0;
    for (auto _ : state) {
        const auto live = timeOneStream<LiveListingHere>(files, present);
        state.PauseTiming();
        const auto floor = timeOneStream<FloorListingHere>(files, present);
        state.ResumeTiming();
        if (!live || !floor) {
            state.SkipWithError("cannot build the fixture folder or write the stream, or the listing does not show it");
            return;
        }
        watcherSeconds += live->first;
        writerSeconds += live->second;
        floorSeconds += floor->first;
        floorWriterSeconds += floor->second;
    }
    const double runs = double(state.iterations());
    state.counters["watcher_cpu_ms"] = watcherSeconds * 1e3 / runs;
    state.counters["writer_cpu_ms"] = writerSeconds * 1e3 / runs;
    state.counters["watcher_us_per_file"] = watcherSeconds * 1e6 / runs / files;
    state.counters["writer_us_per_file"] = writerSeconds * 1e6 / runs / files;
    state.counters["ratio"] = watcherSeconds / writerSeconds;
    state.counters["floor_us_per_file"] = floorSeconds * 1e6 / runs / files;
    state.counters["floor_ratio"] = floorSeconds / floorWriterSeconds;
    state.counters["target_ratio"] = 0.10;
    state.SetLabel("ratio: listing CPU / writer CPU, target <= 0.10; floor: events and one stat per name only");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    // Each folder is built when its benchmark first runs, so a filtered run builds only what
    // it times.
    for (int count : {10000, 100000}) {
        auto folder = std::make_shared<std::unique_ptr<QTemporaryDir>>();
        benchmark::RegisterBenchmark(
            ("scanAgainstFind/" + std::to_string(count)).c_str(),
            [folder, count](benchmark::State& state) {
                if (!*folder) {
                    *folder = std::make_unique<QTemporaryDir>();
                    if (!(*folder)->isValid() || !populate((*folder)->path(), count)) {
                        state.SkipWithError("cannot build the fixture folder");
                        return;
                    }
                }
                scanAgainstFind(state, (*folder)->path());
            })
            ->UseManualTime()
            ->MinTime(3.0)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("nameSortAgainstKeySort", nameSortAgainstKeySort)
        ->Arg(100000)
        ->UseManualTime()
        ->MinTime(2.0)
        ->Unit(benchmark::kMillisecond);

    benchmark::RegisterBenchmark("streamIntoWatchedFolder", streamIntoWatchedFolder)
        ->Args({1000, 0})
        ->Args({2000, 0})
        ->Args({2000, 10000})
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond);

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
