// save() against the bare work it cannot avoid: encoding the document and writing it
// atomically. save() itself only takes the document and the snapshot on the calling thread and
// hands the encoding and the writes to the store's saving thread, so BM_Save* time the part an
// edit waits for; BM_BareWrite* are the work now done off that thread. The edit benches time one
// note keystroke on a store of 1 MB and 10 MB with the defaults in a file as in a real run (every
// file a save writes: the state, the snapshot and the defaults): the main thread's share against
// one 16 ms frame, and the time until that edit is on disk. Targets: a save with four large
// portals in the active workspace, and a slider step of the appearance page with its save, within
// one 16 ms frame, in every case: every sort order (BM_SaveWithLargePortalsByOrder), the save
// right after a change in one of the four folders (the "AfterAChange" runs: the changed entry
// alone is read again, or for the access order a file read), and the first save after start-up
// (BM_FirstSaveAfterStartUp: a store made anew from a state file that holds the portals, its
// first save after a pause of the length given, the time the start-up's worker has to read the
// listings; with no pause it is still reading, and the snapshot is published when it is done).
#include "core/engine/PortalScan.h"
#include "core/store/MorvanteelStore.h"
#include "platform/AtomicFile.h"
#include "platform/KeyValueStore.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mv;

namespace {

StoreEnvironment quietEnvironment()
{
    StoreEnvironment environment;
    environment.standardDefaults = std::make_shared<platform::MemoryKeyValueStore>();
    return environment;
}

// As a real run has it: the standard defaults in their file, which takes the snapshot too.
StoreEnvironment environmentWithDefaultsFile(const QTemporaryDir& dir)
{
    StoreEnvironment environment;
    environment.standardDefaults = std::make_shared<platform::FileKeyValueStore>(dir.filePath(QStringLiteral("defaults.json")));
    return environment;
}

// A seeded store whose active workspace gets extra fences until the state holds about `bytes`.
std::unique_ptr<MorvanteelStore> storeOfSize(const QTemporaryDir& dir, qsizetype bytes,
                                             StoreEnvironment environment = quietEnvironment())
{
    auto store = std::make_unique<MorvanteelStore>(
        StoreLocations{dir.filePath(QStringLiteral("state.json")), dir.filePath(QStringLiteral("snapshot.json")),
                       dir.filePath(QStringLiteral("demo"))},
        Seeding::enabled, std::move(environment));
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
    store->flushPendingSaves();
    return store;
}

void runSave(benchmark::State& state, qsizetype bytes)
{
    QTemporaryDir dir;
    auto store = storeOfSize(dir, bytes);
    for (auto _ : state)
        store->save();
    store->flushPendingSaves();
    state.counters["stateBytes"] = double(QFileInfo(store->persistencePath()).size());
}

// One keystroke into the seed's note fence: updateNoteText, which saves. Each edit starts with
// the saving thread idle, as keystrokes come a frame or more apart (a fixed count of edits:
// waiting for the disk between them is not timed but takes long at 10 MB); `untilOnDisk` times on to
// the moment the state, the snapshot and the defaults file hold it.
void runNoteEdit(benchmark::State& state, qsizetype bytes, bool untilOnDisk)
{
    QTemporaryDir dir;
    auto store = storeOfSize(dir, bytes, environmentWithDefaultsFile(dir));
    QUuid note;
    for (const FenceModel& fence : store->activeFences()) {
        if (fence.activeTab() && fence.activeTab()->kind == FenceKind::notes)
            note = fence.id;
    }
    if (note.isNull()) {
        state.SkipWithError("the seed has no note fence");
        return;
    }
    store->flushPendingSaves();
    int keystroke = 0;
    for (auto _ : state) {
        state.PauseTiming();
        store->flushPendingSaves();
        const QString text = QStringLiteral("记一笔 ") + QString::number(keystroke++);
        state.ResumeTiming();
        store->updateNoteText(text, note);
        if (untilOnDisk)
            store->flushPendingSaves();
    }
    store->flushPendingSaves();
    if (store->lastSaveError())
        state.SkipWithError(store->lastSaveError()->toUtf8().constData());
    state.counters["stateBytes"] = double(QFileInfo(store->persistencePath()).size());
    if (!untilOnDisk) {
        state.counters["targetMs"] = 16;
        state.SetLabel("main thread per edit; target: under one 16 ms frame");
    } else {
        state.SetLabel("edit until state, snapshot and defaults file are on disk");
    }
}

void BM_NoteEditMainThread1MB(benchmark::State& state) { runNoteEdit(state, 1 << 20, false); }
void BM_NoteEditUntilOnDisk1MB(benchmark::State& state) { runNoteEdit(state, 1 << 20, true); }
void BM_NoteEditMainThread10MB(benchmark::State& state) { runNoteEdit(state, 10 << 20, false); }
void BM_NoteEditUntilOnDisk10MB(benchmark::State& state) { runNoteEdit(state, 10 << 20, true); }

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

// The floor for an edit until on disk: the same three files encoded and written in a plain
// sequence on one thread, with nothing else around them.
void runBareWriteOfEveryFile(benchmark::State& state, qsizetype bytes)
{
    QTemporaryDir dir;
    auto store = storeOfSize(dir, bytes, environmentWithDefaultsFile(dir));
    platform::FileKeyValueStore defaults(dir.filePath(QStringLiteral("defaults.json")));
    const MorvanteelBackupDocument document{1, QDateTime::currentDateTimeUtc(), store->preferences(), store->activeWorkspaceID(),
                                            store->workspaces(), store->fences(), store->smartRules()};
    const WidgetSnapshotPayload snapshot = store->makeWidgetSnapshot();
    for (auto _ : state) {
        benchmark::DoNotOptimize(platform::writeFileAtomically(store->persistencePath(), encodeDocument(document).value()));
        const QByteArray published = json::encode(snapshot).value();
        benchmark::DoNotOptimize(platform::writeFileAtomically(store->widgetSnapshotPath(), published));
        benchmark::DoNotOptimize(defaults.setData(MorvanteelStore::widgetDefaultsKey, published));
    }
    state.SetLabel("reference for the edit until on disk");
}

void BM_BareWriteOfEveryFile1MB(benchmark::State& state) { runBareWriteOfEveryFile(state, 1 << 20); }
void BM_BareWriteOfEveryFile10MB(benchmark::State& state) { runBareWriteOfEveryFile(state, 10 << 20); }

void BM_SaveSeed(benchmark::State& state) { runSave(state, 0); }
void BM_BareWriteSeed(benchmark::State& state) { runBareWrite(state, 0); }
void BM_Save1MB(benchmark::State& state) { runSave(state, 1 << 20); }
void BM_BareWrite1MB(benchmark::State& state) { runBareWrite(state, 1 << 20); }
void BM_Save10MB(benchmark::State& state) { runSave(state, 10 << 20); }
void BM_BareWrite10MB(benchmark::State& state) { runBareWrite(state, 10 << 20); }

// A portal folder of `count` items as a desktop holds them: photos, Chinese documents, code,
// archives, a tenth folders; sizes up to 4 KiB; modification times spread over a year, a few
// in the same second (as an unpacked archive leaves them).
bool populatePortal(const QString& folder, int count)
{
    if (!QDir().mkpath(folder))
        return false;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    for (int i = 0; i < count; ++i) {
        QString name;
        switch (i % 10) {
        case 0: name = QStringLiteral("文件夹 %1").arg(i); break;
        case 1: name = QStringLiteral("IMG_%1.JPG").arg(i, 5, 10, QChar(u'0')); break;
        case 2: name = QStringLiteral("报告 %1.pdf").arg(i); break;
        case 3: name = QStringLiteral("Report %1 final.docx").arg(i); break;
        case 4: name = QStringLiteral("notes-%1.md").arg(i); break;
        case 5: name = QStringLiteral("source_%1.cpp").arg(i); break;
        case 6: name = QStringLiteral("backup.%1.tar.gz").arg(i); break;
        case 7: name = QStringLiteral("Screenshot 2026-01-%1.png").arg(i); break;
        case 8: name = QStringLiteral("README%1").arg(i); break;
        default: name = QStringLiteral("数据表 %1.xlsx").arg(i); break;
        }
        const QByteArray path = QFile::encodeName(folder + u'/' + name);
        if (i % 10 == 0) {
            if (::mkdir(path.constData(), 0755) != 0)
                return false;
        } else {
            const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd < 0)
                return false;
            // Written, not truncated to size: ext4 flushes a truncated file at close.
            static const QByteArray content(4096, 'x');
            const size_t size = size_t((i * 7919) % 4096);
            const bool sized = ::write(fd, content.constData(), size) == ssize_t(size);
            ::close(fd);
            if (!sized)
                return false;
        }
        struct timespec times[2];
        times[0].tv_sec = now - (qint64(i) * 104729) % (365 * 86400);
        times[0].tv_nsec = 0;
        times[1].tv_sec = i % 50 == 0 ? now - 30 * 86400 : now - (qint64(i) * 7793) % (365 * 86400);
        times[1].tv_nsec = long((qint64(i) * 1000003) % 1000000000);
        if (::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
    }
    return true;
}

// The four portal folders, built once for every benchmark that reads them: benchmark runs each
// function several times, and building 40,000 files dwarfs what is timed.
const QTemporaryDir* portalFolders()
{
    static const std::unique_ptr<QTemporaryDir> folders = [] {
        auto dir = std::make_unique<QTemporaryDir>();
        for (int p = 0; p < 4 && dir->isValid(); ++p) {
            if (!populatePortal(dir->filePath(QStringLiteral("portal%1").arg(p)), 10000))
                return std::unique_ptr<QTemporaryDir>();
        }
        return dir->isValid() ? std::move(dir) : std::unique_ptr<QTemporaryDir>();
    }();
    return folders.get();
}

// What changes in one of the four folders before each timed save.
enum class Change { None, FileTouched, FileMade, InsideSubfolder, OpenFileWritten, FileRead };

// The seed plus four portal fences of 10,000 items each in the active workspace, their sort
// modes from `modes` in turn. Each folder holds a thousand subfolders, each watched for its
// own entries.
std::unique_ptr<MorvanteelStore> storeWithLargePortals(const QTemporaryDir& dir, const QTemporaryDir& portals,
                                                       const QList<FenceSortMode>& modes)
{
    auto store = storeOfSize(dir, 0);
    QList<FenceModel> fences = store->fences();
    for (int p = 0; p < 4; ++p) {
        const QString folder = portals.filePath(QStringLiteral("portal%1").arg(p));
        FenceModel fence = fences[0];
        fence.id = QUuid::createUuid();
        fence.tabs = {fence.tabs[0]};
        fence.tabs[0].id = QUuid::createUuid();
        fence.activeTabID = fence.tabs[0].id;
        fence.tabs[0].portalPath = folder;
        fence.tabs[0].sortMode = modes[p % modes.size()];
        fences.append(fence);
    }
    (void)store->setFences(fences);
    return store;
}

void runSaveWithLargePortals(benchmark::State& state, QList<FenceSortMode> modes, Change change = Change::None)
{
    const QTemporaryDir* portals = portalFolders();
    if (!portals) {
        state.SkipWithError("cannot build the portal folders");
        return;
    }
    QTemporaryDir dir;
    auto store = storeWithLargePortals(dir, *portals, modes);
    const QByteArray touched = QFile::encodeName(portals->filePath(QStringLiteral("portal0/notes-4.md")));
    const QByteArray made = QFile::encodeName(portals->filePath(QStringLiteral("portal0/new.txt")));
    const QByteArray inSubfolder = QFile::encodeName(portals->filePath(QStringLiteral("portal0/文件夹 10/new.txt")));
    const int download = change == Change::OpenFileWritten ? ::open(touched.constData(), O_WRONLY | O_APPEND | O_CLOEXEC) : -1;
    store->save();
    qint64 written = 0;
    for (auto _ : state) {
        state.PauseTiming();
        switch (change) {
        case Change::None:
            break;
        case Change::FileTouched:
            ::utimensat(AT_FDCWD, touched.constData(), nullptr, 0); // now, as a new download would be
            break;
        case Change::FileMade:
        case Change::InsideSubfolder: {
            // Made and removed in turn; inside a subfolder, its date moves either way.
            const QByteArray& path = change == Change::FileMade ? made : inSubfolder;
            if (::unlink(path.constData()) != 0)
                ::close(::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
            break;
        }
        case Change::OpenFileWritten:
            written += ::write(download, "x", 1);
            break;
        case Change::FileRead: {
            // Its access time put far back, then the file read, as another program opens it.
            const struct timespec times[2] = {{QDateTime::currentSecsSinceEpoch() - 400 * 86400, 0}, {0, UTIME_OMIT}};
            ::utimensat(AT_FDCWD, touched.constData(), times, 0);
            const int fd = ::open(touched.constData(), O_RDONLY | O_CLOEXEC);
            char buffer[64];
            if (fd < 0 || ::read(fd, buffer, sizeof buffer) < 0)
                state.SkipWithError("cannot read the file");
            ::close(fd);
            break;
        }
        }
        state.ResumeTiming();
        store->save();
    }
    if (download >= 0) {
        // Back to its size, for the benchmarks that share the folders.
        const off_t end = ::lseek(download, 0, SEEK_END);
        ::close(download);
        if (end >= written && ::truncate(touched.constData(), end - written) != 0)
            state.SkipWithError("cannot restore the file written");
    }
    ::unlink(inSubfolder.constData());
    ::unlink(made.constData());
    state.counters["targetMs"] = 16;
}

const QList<FenceSortMode>& everyOrder()
{
    static const QList<FenceSortMode> modes = allCases<FenceSortMode>();
    return modes;
}

// Four portals in one order, the order given by the argument (its index in FenceSortMode).
void BM_SaveWithLargePortalsByOrder(benchmark::State& state)
{
    const FenceSortMode mode = everyOrder()[state.range(0)];
    state.SetLabel(rawValue(mode).toStdString() + ", target 16 ms");
    runSaveWithLargePortals(state, {mode});
}
void BM_SaveWithLargePortalsByOrderAfterAChange(benchmark::State& state)
{
    const FenceSortMode mode = everyOrder()[state.range(0)];
    state.SetLabel(rawValue(mode).toStdString() + ", target 16 ms");
    runSaveWithLargePortals(state, {mode}, mode == FenceSortMode::lastAccessedDesc ? Change::FileRead : Change::FileTouched);
}

// The first save of a store made anew over the state file of a store with the four portals.
void BM_FirstSaveAfterStartUp(benchmark::State& state)
{
    const FenceSortMode mode = everyOrder()[state.range(0)];
    const int pauseMs = int(state.range(1));
    const QTemporaryDir* portals = portalFolders();
    if (!portals) {
        state.SkipWithError("cannot build the portal folders");
        return;
    }
    QTemporaryDir dir;
    const StoreLocations locations{dir.filePath(QStringLiteral("state.json")), dir.filePath(QStringLiteral("snapshot.json")),
                                   dir.filePath(QStringLiteral("demo"))};
    storeWithLargePortals(dir, *portals, {mode})->save();
    for (auto _ : state) {
        state.PauseTiming();
        {
            auto store = std::make_unique<MorvanteelStore>(locations, Seeding::enabled, quietEnvironment());
            if (pauseMs > 0)
                QThread::msleep(pauseMs);
            state.ResumeTiming();
            store->save();
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    state.counters["targetMs"] = 16;
    state.counters["pauseMs"] = pauseMs;
    state.SetLabel(rawValue(mode).toStdString() + (pauseMs > 0 ? ", target 16 ms" : ", start-up reading not done (the snapshot waits for it), target 16 ms"));
}

// Portals listed in name order and in date order, alternately.
void BM_SaveWithLargePortals(benchmark::State& state)
{
    runSaveWithLargePortals(state, {FenceSortMode::nameAsc, FenceSortMode::dateModifiedDesc});
}
void BM_SaveWithLargeNamePortals(benchmark::State& state)
{
    runSaveWithLargePortals(state, {FenceSortMode::nameAsc});
}
void BM_SaveWithLargeDatePortals(benchmark::State& state)
{
    runSaveWithLargePortals(state, {FenceSortMode::dateModifiedDesc});
}
void BM_SaveWithLargePortalsAfterAChange(benchmark::State& state)
{
    runSaveWithLargePortals(state, {FenceSortMode::nameAsc, FenceSortMode::dateModifiedDesc}, Change::FileTouched);
}
void BM_SaveWithLargeDatePortalsAfterAChange(benchmark::State& state)
{
    runSaveWithLargePortals(state, {FenceSortMode::dateModifiedDesc}, Change::FileTouched);
}
// A file made or removed: the folder's subfolders are looked at again for new ones to watch.
void BM_SaveWithLargeDatePortalsAfterAFileMade(benchmark::State& state)
{
    runSaveWithLargePortals(state, {FenceSortMode::dateModifiedDesc}, Change::FileMade);
}
void BM_SaveWithLargeDatePortalsAfterASubfolderChange(benchmark::State& state)
{
    runSaveWithLargePortals(state, {FenceSortMode::dateModifiedDesc}, Change::InsideSubfolder);
}
void BM_SaveWithLargeDatePortalsDuringADownload(benchmark::State& state)
{
    runSaveWithLargePortals(state, {FenceSortMode::dateModifiedDesc}, Change::OpenFileWritten);
}

// One step of a slider of the appearance page, as a drag makes it many times a second: the
// fence re-read, one style field changed, updateFence and the save that follows. Target: one
// 16 ms frame.
void BM_SliderStepWithLargePortals(benchmark::State& state)
{
    const QTemporaryDir* portals = portalFolders();
    if (!portals) {
        state.SkipWithError("cannot build the portal folders");
        return;
    }
    QTemporaryDir dir;
    auto store = storeWithLargePortals(dir, *portals, {FenceSortMode::nameAsc, FenceSortMode::dateModifiedDesc});
    const QUuid id = store->activeFences().first().id;
    store->save();
    int step = 0;
    for (auto _ : state) {
        FenceModel fence = store->fence(id).value();
        fence.style.glassOpacity = 0.35 + 0.65 * double(step++ % 100) / 100.0;
        store->updateFence(fence);
    }
    state.counters["targetMs"] = 16;
    state.SetLabel("target: one 16 ms frame");
}

// One portal's share: the head the snapshot keeps, against the full listing it replaced.
void runPortalListing(benchmark::State& state, FenceSortMode mode, bool headOnly)
{
    const QTemporaryDir* portals = portalFolders();
    if (!portals) {
        state.SkipWithError("cannot build the portal folders");
        return;
    }
    const QString folder = portals->filePath(QStringLiteral("portal0"));
    using namespace FolderPortalEngine;
    for (auto _ : state) {
        if (headOnly) {
            benchmark::DoNotOptimize(scanDirectoryHead(folder, {HiddenFiles::Skip, ExtensionDisplay::Hide, QString(), mode, {}}, 8));
        } else {
            benchmark::DoNotOptimize(scanDirectory(folder, {HiddenFiles::Skip, ExtensionDisplay::Hide, QString(), mode, {}}));
        }
    }
}
void BM_PortalHeadName(benchmark::State& state) { runPortalListing(state, FenceSortMode::nameAsc, true); }
void BM_PortalHeadDate(benchmark::State& state) { runPortalListing(state, FenceSortMode::dateModifiedDesc, true); }
void BM_PortalFullName(benchmark::State& state) { runPortalListing(state, FenceSortMode::nameAsc, false); }
void BM_PortalFullDate(benchmark::State& state) { runPortalListing(state, FenceSortMode::dateModifiedDesc, false); }

} // namespace

BENCHMARK(BM_NoteEditMainThread1MB)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_NoteEditUntilOnDisk1MB)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_BareWriteOfEveryFile1MB)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_NoteEditMainThread10MB)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_NoteEditUntilOnDisk10MB)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_BareWriteOfEveryFile10MB)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_SaveSeed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareWriteSeed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareWrite1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save10MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareWrite10MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveWithLargePortals)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveWithLargeNamePortals)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveWithLargeDatePortals)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveWithLargePortalsAfterAChange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveWithLargeDatePortalsAfterAChange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveWithLargeDatePortalsAfterAFileMade)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveWithLargeDatePortalsAfterASubfolderChange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveWithLargeDatePortalsDuringADownload)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SliderStepWithLargePortals)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveWithLargePortalsByOrder)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveWithLargePortalsByOrderAfterAChange)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstSaveAfterStartUp)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 5, 1), {0, 300}})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PortalHeadName)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PortalHeadDate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PortalFullName)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PortalFullDate)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
