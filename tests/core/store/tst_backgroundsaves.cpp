#include "support/StoreFixture.h"

#include "core/models/BackupDocument.h"

#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

// The seed's note fence, whose text the edits change.
QUuid noteFence(const MorvanteelStore& store)
{
    for (const FenceModel& fence : store.activeFences()) {
        if (fence.activeTab() && fence.activeTab()->kind == FenceKind::notes)
            return fence.id;
    }
    qFatal("the seed has no note fence");
}

QString noteOf(const MorvanteelBackupDocument& document, const QUuid& fenceID)
{
    for (const FenceModel& fence : document.fences) {
        if (fence.id == fenceID)
            return fence.activeTab()->noteText;
    }
    return {};
}

// A disk whose state-file writes wait at a gate the test opens, and that keeps the note text of
// every state it wrote, in the order written.
struct GatedDisk {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = true;
    bool writing = false;
    QStringList writtenNotes;
    QUuid fenceID;

    void close()
    {
        const std::lock_guard lock(mutex);
        open = false;
    }
    void release()
    {
        {
            const std::lock_guard lock(mutex);
            open = true;
        }
        changed.notify_all();
    }
    // Waits (a while at most) until a state write has reached the gate.
    bool waitForWriter()
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [this] { return writing; });
    }

    // The fixture's environment with its state-file writes going through this disk.
    StoreEnvironment environment(StoreFixture& f)
    {
        StoreEnvironment gated = f.environment();
        const QString state = f.statePath();
        gated.writeFile = [this, state](const QString& path, const QByteArray& bytes) {
            if (path == state) {
                std::unique_lock lock(mutex);
                writing = true;
                changed.notify_all();
                // Bounded, so that a save made on the caller's thread fails the test instead of hanging it.
                changed.wait_for(lock, std::chrono::seconds(5), [this] { return open; });
                writing = false;
                if (!fenceID.isNull())
                    writtenNotes.append(noteOf(decodeDocument(bytes).value(), fenceID));
            }
            return platform::writeFileAtomically(path, bytes);
        };
        return gated;
    }
};

} // namespace

class BackgroundSavesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A save hands the write away: it returns while the disk still holds the write back, and
    // the newest state is there once the saves are flushed.
    void saveReturnsBeforeTheDiskIsDone()
    {
        StoreFixture f;
        GatedDisk disk;
        MorvanteelStore store(f.locations(), Seeding::enabled, disk.environment(f));
        const QUuid note = noteFence(store);

        disk.close();
        const auto started = std::chrono::steady_clock::now();
        store.updateNoteText(u"第一版"_s, note);
        QVERIFY(disk.waitForWriter());
        store.updateNoteText(u"第二版"_s, note);
        QVERIFY(std::chrono::steady_clock::now() - started < std::chrono::seconds(4));
        QVERIFY(noteOf(decodeDocument(StoreFixture::readFile(f.statePath())).value(), note) != u"第二版"_s);

        disk.release();
        store.flushPendingSaves();
        QCOMPARE(noteOf(decodeDocument(StoreFixture::readFile(f.statePath())).value(), note), u"第二版"_s);
        const auto snapshot = MorvanteelStore::loadWidgetSnapshot(f.snapshotPath(), nullptr, f.defaults.get());
        QVERIFY(snapshot);
        const auto published = std::find_if(snapshot->fences.cbegin(), snapshot->fences.cend(),
                                            [&](const WidgetSnapshotFence& fence) { return fence.id == note; });
        QVERIFY(published != snapshot->fences.cend());
        QCOMPARE(published->notePreview, std::optional<QString>(u"第二版"_s));
        const auto fromDefaults = json::decode<WidgetSnapshotPayload>(f.defaults->data(MorvanteelStore::widgetDefaultsKey).value());
        QCOMPARE(fromDefaults.value(), *snapshot);
    }

    // Edits faster than the disk: the states reach the file in the order made, the ones asked
    // for while a write ran collapse into the newest, and the file ends with the last edit.
    void rapidEditsEndWithTheLast()
    {
        StoreFixture f;
        GatedDisk disk;
        MorvanteelStore store(f.locations(), Seeding::enabled, disk.environment(f));
        const QUuid note = noteFence(store);
        {
            const std::lock_guard lock(disk.mutex);
            disk.fenceID = note;
        }

        constexpr int edits = 400;
        disk.close();
        store.updateNoteText(u"0"_s, note);
        QVERIFY(disk.waitForWriter());
        // Let the disk go on while the edits keep coming.
        std::thread opener([&disk] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            disk.release();
        });
        for (int i = 1; i <= edits; ++i)
            store.updateNoteText(QString::number(i), note);
        opener.join();
        store.flushPendingSaves();

        QCOMPARE(noteOf(decodeDocument(StoreFixture::readFile(f.statePath())).value(), note), QString::number(edits));
        const std::lock_guard lock(disk.mutex);
        QVERIFY(!disk.writtenNotes.isEmpty());
        QCOMPARE(disk.writtenNotes.last(), QString::number(edits));
        QVERIFY2(disk.writtenNotes.size() < edits, "saves waiting behind a write were not collapsed");
        for (qsizetype i = 1; i < disk.writtenNotes.size(); ++i)
            QVERIFY2(disk.writtenNotes[i].toInt() > disk.writtenNotes[i - 1].toInt(),
                     qPrintable(disk.writtenNotes.join(u' ')));
        QVERIFY(!store.lastSaveError());
    }

    // A failed write comes back to the store's own thread: the status line says why in
    // Chinese, once for a run of failures, and a write that succeeds clears it.
    void aFailedWriteIsToldOnTheStoresThread()
    {
        StoreFixture f;
        StoreEnvironment environment = f.environment();
        const QString state = f.statePath();
        auto refusing = std::make_shared<std::atomic<bool>>(false);
        environment.writeFile = [state, refusing](const QString& path, const QByteArray& bytes) -> std::optional<platform::FileError> {
            if (path == state && *refusing)
                return platform::FileError{ENOSPC, path};
            return platform::writeFileAtomically(path, bytes);
        };
        MorvanteelStore store(f.locations(), Seeding::enabled, environment);
        const QUuid note = noteFence(store);
        QVERIFY(!store.lastSaveError());

        QSignalSpy statuses(&store, &MorvanteelStore::lastStatusMessageChanged);
        QList<QThread*> signalThreads;
        connect(&store, &MorvanteelStore::lastSaveErrorChanged, this,
                [&signalThreads] { signalThreads.append(QThread::currentThread()); }, Qt::DirectConnection);
        *refusing = true;
        for (int i = 0; i < 5; ++i)
            store.updateNoteText(u"写不进去 %1"_s.arg(i), note);
        const QString expected = u"配置保存失败：磁盘空间不足：%1。"_s.arg(state);
        // Without a flush: the event loop brings the outcome.
        QTRY_COMPARE(store.lastStatusMessage(), std::optional<QString>(expected));
        store.flushPendingSaves();
        QCOMPARE(store.lastStatusMessage(), std::optional<QString>(expected));
        QCOMPARE(store.lastSaveError(), std::optional<QString>(u"磁盘空间不足：%1"_s.arg(state)));
        QCOMPARE(statuses.count(), 1);
        QCOMPARE(signalThreads, QList<QThread*>{QThread::currentThread()});

        *refusing = false;
        store.updateNoteText(u"又能写了"_s, note);
        QTRY_VERIFY(!store.lastSaveError());
        QVERIFY(!store.lastStatusMessage());
        QCOMPARE(noteOf(decodeDocument(f.stateOnDisk()).value(), note), u"又能写了"_s);
    }

    // The store that goes writes what was saved last: an edit right before the end is kept.
    void theLastEditSurvivesTheStore()
    {
        StoreFixture f;
        GatedDisk disk;
        const StoreEnvironment environment = disk.environment(f);
        QUuid note;
        std::thread opener;
        {
            MorvanteelStore store(f.locations(), Seeding::enabled, environment);
            note = noteFence(store);
            disk.close();
            store.updateNoteText(u"临走前"_s, note);
            QVERIFY(disk.waitForWriter());
            store.updateNoteText(u"最后一笔"_s, note);
            opener = std::thread([&disk] {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                disk.release();
            });
        }
        opener.join();
        QCOMPARE(noteOf(decodeDocument(StoreFixture::readFile(f.statePath())).value(), note), u"最后一笔"_s);
    }

    // An import reports whether its state was kept, and what it reads back is the newest.
    void importWaitsForItsOwnWrite()
    {
        StoreFixture donorFixture;
        const auto donor = donorFixture.makeStore();
        const QUuid renamed = donor->activeFences().first().id;
        donor->renameFence(renamed, u"来自备份"_s);
        const QByteArray backup = donor->exportBackupJSON().value().bytes;

        StoreFixture f;
        GatedDisk disk;
        MorvanteelStore store(f.locations(), Seeding::enabled, disk.environment(f));
        disk.close();
        store.updateNoteText(u"导入之前"_s, noteFence(store));
        QVERIFY(disk.waitForWriter());
        std::thread opener([&disk] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            disk.release();
        });
        const bool imported = bool(store.importBackupJSON(backup));
        opener.join();
        QVERIFY(imported);
        // No flush: the import itself waited.
        const auto saved = decodeDocument(StoreFixture::readFile(f.statePath()));
        QVERIFY(saved);
        QCOMPARE(saved.value().fences, store.fences());
        const auto kept = std::find_if(saved.value().fences.cbegin(), saved.value().fences.cend(),
                                       [&](const FenceModel& fence) { return fence.id == renamed; });
        QVERIFY(kept != saved.value().fences.cend());
        QCOMPARE(kept->title, u"来自备份"_s);
    }
};

QTEST_GUILESS_MAIN(BackgroundSavesTest)
#include "tst_backgroundsaves.moc"
