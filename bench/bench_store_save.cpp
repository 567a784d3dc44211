// save() against the bare work it cannot avoid: encoding the document and writing it
// atomically. Targets: at most 1.5x the bare write; a save with four large portals in the
// active workspace within one 16 ms frame.
#include "core/store/MorvanteelStore.h"
#include "platform/AtomicFile.h"
#include "platform/KeyValueStore.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace mv;

namespace {

StoreEnvironment quietEnvironment()
{
    StoreEnvironment environment;
    environment.standardDefaults = std::make_shared<platform::MemoryKeyValueStore>();
    return environment;
}

// A seeded store whose active workspace gets extra fences until the state holds about `bytes`.
std::unique_ptr<MorvanteelStore> storeOfSize(const QTemporaryDir& dir, qsizetype bytes)
{
    auto store = std::make_unique<MorvanteelStore>(
        StoreLocations{dir.filePath(QStringLiteral("state.json")), dir.filePath(QStringLiteral("snapshot.json")),
                       dir.filePath(QStringLiteral("demo"))},
        Seeding::enabled, quietEnvironment());
    if (bytes == 0)
        return store;
    QList<FenceModel> fences = store->fences();
    const FenceModel pattern = fences[1]; // the launcher fence: items with every field
    // Fences of another workspace: they weigh on the document but not on the snapshot.
    const QUuid elsewhere = store->workspaces()[2].id;
    while (encodeDocument({1, QDateTime::currentDateTimeUtc(), store->preferences(), store->activeWorkspaceID(),
                           store->workspaces(), fences, store->smartRules()}).value().size() < bytes) {
        for (int i = 0; i < 50; ++i) {
            FenceModel copy = pattern;
            copy.id = QUuid::createUuid();
            copy.workspaceID = elsewhere;
            copy.tabs[0].noteText = QString(400, u'记');
            fences.append(copy);
        }
    }
    (void)store->setFences(fences);
    return store;
}

void runSave(benchmark::State& state, qsizetype bytes)
{
    QTemporaryDir dir;
    auto store = storeOfSize(dir, bytes);
    for (auto _ : state)
        store->save();
    state.counters["stateBytes"] = double(QFileInfo(store->persistencePath()).size());
}

void runBareWrite(benchmark::State& state, qsizetype bytes)
{
    QTemporaryDir dir;
    auto store = storeOfSize(dir, bytes);
    const MorvanteelBackupDocument document{1, QDateTime::currentDateTimeUtc(), store->preferences(), store->activeWorkspaceID(),
                                            store->workspaces(), store->fences(), store->smartRules()};
    for (auto _ : state) {
        const auto encoded = encodeDocument(document);
        benchmark::DoNotOptimize(platform::writeFileAtomically(store->persistencePath(), encoded.value()));
    }
}

void BM_SaveSeed(benchmark::State& state) { runSave(state, 0); }
void BM_BareWriteSeed(benchmark::State& state) { runBareWrite(state, 0); }
void BM_Save1MB(benchmark::State& state) { runSave(state, 1 << 20); }
void BM_BareWrite1MB(benchmark::State& state) { runBareWrite(state, 1 << 20); }
void BM_Save10MB(benchmark::State& state) { runSave(state, 10 << 20); }
void BM_BareWrite10MB(benchmark::State& state) { runBareWrite(state, 10 << 20); }

// The seed plus four portal fences of 10,000 files each in the active workspace.
void BM_SaveWithLargePortals(benchmark::State& state)
{
    QTemporaryDir dir;
    auto store = storeOfSize(dir, 0);
    QList<FenceModel> fences = store->fences();
    for (int p = 0; p < 4; ++p) {
        const QString folder = dir.filePath(QStringLiteral("portal%1").arg(p));
        QDir().mkpath(folder);
        for (int i = 0; i < 10000; ++i) {
            QFile file(folder + QStringLiteral("/文件 %1.txt").arg(i));
            (void)file.open(QIODevice::WriteOnly);
        }
        FenceModel fence = fences[0];
        fence.id = QUuid::createUuid();
        fence.tabs = {fence.tabs[0]};
        fence.tabs[0].id = QUuid::createUuid();
        fence.activeTabID = fence.tabs[0].id;
        fence.tabs[0].portalPath = folder;
        fence.tabs[0].sortMode = p % 2 ? FenceSortMode::dateModifiedDesc : FenceSortMode::nameAsc;
        fences.append(fence);
    }
    (void)store->setFences(fences);
    for (auto _ : state)
        store->save();
}

} // namespace

BENCHMARK(BM_SaveSeed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareWriteSeed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareWrite1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save10MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareWrite10MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveWithLargePortals)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
