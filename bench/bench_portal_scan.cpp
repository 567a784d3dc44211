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
//   which must stay flat as the files double: linear in the files written).
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
#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include <fcntl.h>
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
    explicit LiveListingHere(const QString& folder)
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

private:
    QObject m_context;
    std::shared_ptr<LiveFolderListing::View> m_view;
    PortalScanResult m_shown;
};

// `state.range(0)` files of 16 KiB (a small download each) written one at a time by a thread of
// their own, each opened, written and closed before the next, into a folder that holds
// `state.range(1)` items, while this thread keeps its live listing.
void streamIntoWatchedFolder(benchmark::State& state)
{
    const int files = int(state.range(0));
    const int present = int(state.range(1));
    double watcherSeconds = 0;
    double writerSeconds = 0;
    static const QByteArray content(16384, 'd');
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        if (!dir.isValid() || !populate(dir.path(), present)) {
            state.SkipWithError("cannot build the fixture folder");
            return;
        }
        const qsizetype before = qsizetype(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
        std::optional<LiveListingHere> watcher(std::in_place, dir.path());
        if (watcher->listed() != before) {
            state.SkipWithError("the live listing does not list the folder");
            return;
        }
        state.ResumeTiming();

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
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        writer.join();
        watcherSeconds += threadCpuSeconds() - watcherStart;
        writerSeconds += written;
        if (failed || watcher->listed() != before + files) {
            state.SkipWithError("cannot write the stream, or the listing does not show it");
            return;
        }
        state.PauseTiming();
        watcher.reset();
        state.ResumeTiming();
    }
    const double runs = double(state.iterations());
    state.counters["watcher_cpu_ms"] = watcherSeconds * 1e3 / runs;
    state.counters["writer_cpu_ms"] = writerSeconds * 1e3 / runs;
    state.counters["watcher_us_per_file"] = watcherSeconds * 1e6 / runs / files;
    state.counters["writer_us_per_file"] = writerSeconds * 1e6 / runs / files;
    state.counters["ratio"] = watcherSeconds / writerSeconds;
    state.counters["target_ratio"] = 0.10;
    state.SetLabel("ratio: listing CPU / writer CPU, target <= 0.10");
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
