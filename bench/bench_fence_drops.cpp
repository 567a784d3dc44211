// Files arriving in a watched portal of 10,000 entries, shown in a fence on the offscreen
// platform: a drop of 1,000 files onto the fence, and `cp` of 2,000 files into the folder from
// outside. Each iteration's time is the main thread's CPU time from the drop (or the start of
// `cp`) until the folder has been quiet for a while, so waiting costs nothing and every rescan,
// model update and event delivery on the main thread counts. Counters beside it: the burst
// size, the rescans it cost (published listings), the drop event alone (its moves, its own
// listing, the save), what came after it, and the time per rescan.
#include "core/engine/PortalScan.h"
#include "core/models/Uuid.h"
#include "core/store/MorvanteelStore.h"
#include "design/DesignEnvironment.h"
#include "desktop/content/MacFenceContentView.h"
#include "desktop/content/PortalBrowser.h"
#include "desktop/content/PortalEntryListView.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

constexpr int portalEntries = 10000;
constexpr int droppedFiles = 1000;
constexpr int copiedFiles = 2000;
constexpr qint64 quietMilliseconds = 400; // no listing for this long: the burst is over

double threadCpuMilliseconds()
{
    timespec now {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

void makeFiles(const QString& folder, const QString& prefix, int count)
{
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        const QString path = folder + u'/' + prefix + u"%1.txt"_s.arg(i, 5, 10, QChar(u'0'));
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            (void)::write(fd, "x", 1);
            ::close(fd);
        }
    }
}

// A store over a temporary folder with one portal fence bound to a folder of 10,000 files,
// shown in its content view, and a folder outside holding the files to bring in.
struct Scene final {
    QTemporaryDir root{QDir::tempPath() + u"/morvanteel-bench-drops-XXXXXX"_s};
    QString portal = root.filePath(u"portal"_s);
    QString incoming = root.filePath(u"incoming"_s);
    std::unique_ptr<MorvanteelStore> store;
    DesignEnvironment environment;
    std::unique_ptr<MacFenceContentView> view;
    int listings = 0;

    explicit Scene(int incomingFiles)
    {
        makeFiles(portal, u"entry-"_s, portalEntries);
        makeFiles(incoming, u"arrival-"_s, incomingFiles);
        StoreLocations locations{root.filePath(u"state.json"_s), root.filePath(u"snapshot.json"_s),
                                 root.filePath(u"demo"_s)};
        store = std::make_unique<MorvanteelStore>(locations, Seeding::disabled);
        const QUuid workspace = newUuid();
        store->setWorkspaces({WorkspaceProfile{workspace, u"桌面"_s, u"desktopcomputer"_s, FenceTintPalette::crystal,
                                               WallpaperPreset::tahoeAurora, QDateTime::currentDateTimeUtc()}});
        store->setActiveWorkspaceID(workspace);
        const FenceModel fence = store->createFence(u"下载"_s, FenceKind::portal, std::nullopt,
                                                    FenceTintPalette::crystal, portal);
        view = std::make_unique<MacFenceContentView>(*store, fence.id, FencePanelContent::Callbacks{}, &environment);
        view->resize(360, 420);
        view->show();
        QObject::connect(view->portalBrowser(), &PortalBrowser::listingChanged, [this] { ++listings; });
        settle();
    }

    // Runs the event loop until no listing has come for a while.
    void settle(const QProcess* running = nullptr)
    {
        QElapsedTimer quiet;
        quiet.start();
        int seen = listings;
        while (quiet.elapsed() < quietMilliseconds || (running && running->state() != QProcess::NotRunning)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (listings != seen) {
                seen = listings;
                quiet.restart();
            }
        }
    }

    QList<QUrl> arrivals() const
    {
        QList<QUrl> urls;
        for (const QString& name : QDir(incoming).entryList(QDir::Files, QDir::Name))
            urls.append(QUrl::fromLocalFile(incoming + u'/' + name));
        return urls;
    }

    // Takes the arrivals out of the portal again, unmeasured.
    void sendBack(bool moveBack)
    {
        const QStringList names = QDir(portal).entryList({u"arrival-*"_s}, QDir::Files);
        for (const QString& name : names) {
            const QByteArray from = QFile::encodeName(portal + u'/' + name);
            if (moveBack)
                ::rename(from.constData(), QFile::encodeName(incoming + u'/' + name).constData());
            else
                ::unlink(from.constData());
        }
        settle();
    }
};

void report(benchmark::State& state, const Scene& scene, int burst, double rescans, double dropMs, double totalMs)
{
    const double iterations = double(state.iterations());
    // One listing of the folder by the engine alone, for scale: the rest of a rescan's cost is
    // the view taking the new listing in.
    const std::optional<FenceModel> fence = scene.store->fence(scene.view->fenceID());
    const double scanStart = threadCpuMilliseconds();
    const PortalScanResult listing = FolderPortalEngine::scanDirectory(
        scene.portal, FolderPortalEngine::PortalListingOptions::of(*fence->activeTab()));
    state.counters["engine_scan_ms"] = threadCpuMilliseconds() - scanStart;
    benchmark::DoNotOptimize(listing.entries.size());
    state.counters["burst_files"] = burst;
    state.counters["rescans"] = rescans / iterations;
    state.counters["drop_event_ms"] = dropMs / iterations;
    // What the folder events cost after the drop's own listing (all of it for `cp`).
    state.counters["after_event_ms"] = (totalMs - dropMs) / iterations;
    state.counters["ms_per_rescan"] = rescans > 0 ? totalMs / rescans : 0;
}

void dropIntoWatchedPortal(benchmark::State& state)
{
    Scene scene(droppedFiles);
    QWidget* target = scene.view->portalList()->viewport();
    const QPoint at(target->width() / 2, target->height() - 4);
    double rescans = 0;
    double dropMs = 0;
    double totalMs = 0;
    for (auto _ : state) {
        QMimeData mime;
        mime.setUrls(scene.arrivals());
        const int listingsBefore = scene.listings;
        const double start = threadCpuMilliseconds();
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        const double dropped = threadCpuMilliseconds();
        if (drop.dropAction() != Qt::MoveAction || !drop.isAccepted()) {
            state.SkipWithError("the drop was not taken");
            return;
        }
        scene.settle();
        const double end = threadCpuMilliseconds();
        state.SetIterationTime((end - start) / 1e3);
        dropMs += dropped - start;
        totalMs += end - start;
        rescans += scene.listings - listingsBefore;
        scene.sendBack(true);
    }
    report(state, scene, droppedFiles, rescans, dropMs, totalMs);
}

void copyIntoWatchedPortalFromOutside(benchmark::State& state)
{
    Scene scene(copiedFiles);
    QStringList arguments{u"-t"_s, scene.portal};
    for (const QUrl& url : scene.arrivals())
        arguments.append(url.toLocalFile());
    double rescans = 0;
    double totalMs = 0;
    for (auto _ : state) {
        const int listingsBefore = scene.listings;
        QProcess cp;
        const double start = threadCpuMilliseconds();
        cp.start(u"cp"_s, arguments);
        if (!cp.waitForStarted()) {
            state.SkipWithError("cp did not start");
            return;
        }
        scene.settle(&cp);
        const double end = threadCpuMilliseconds();
        if (cp.exitCode() != 0) {
            state.SkipWithError("cp failed");
            return;
        }
        state.SetIterationTime((end - start) / 1e3);
        totalMs += end - start;
        rescans += scene.listings - listingsBefore;
        scene.sendBack(false);
    }
    report(state, scene, copiedFiles, rescans, 0, totalMs);
}

} // namespace

BENCHMARK(dropIntoWatchedPortal)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(copyIntoWatchedPortalFromOutside)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QStandardPaths::setTestModeEnabled(true); // the defaults file stays out of the user's folders
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
