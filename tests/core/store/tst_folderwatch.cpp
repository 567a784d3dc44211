#include "core/store/FolderWatch.h"

#include "support/FolderWatchFlush.h"
#include "support/InotifyWatches.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mv;
using namespace mv::test;
using namespace Qt::StringLiterals;

namespace {

constexpr int deliveryTimeout = 5000;

using Change = std::function<bool(const QString& folder)>;

bool writeFile(const QString& path, const QByteArray& bytes, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile file(path);
    return file.open(mode) && file.write(bytes) == bytes.size();
}

bool setModified(const QString& path, qint64 seconds)
{
    struct timespec times[2] = {{0, UTIME_OMIT}, {seconds, 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

// Whether the asking side can vouch for folders in the temporary folder at all.
bool vouchedFor(FolderWatch* watch)
{
    return watch && watch->stampBeforeReading();
}

// Sets both times, as `touch` does; the kernel reports that as an attribute change.
bool setTimes(const QString& path, qint64 seconds)
{
    struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

// A watched folder holding a file and a subfolder, a second folder, and a third that only
// tests use to flush the queue (see deliverQueued).
struct Fixture {
    QTemporaryDir root{QDir::tempPath() + u"/events-XXXXXX"_s};
    QString folder = root.filePath(u"watched"_s);
    QString other = root.filePath(u"other"_s);
    QString flushFolder = root.filePath(u"flush"_s);
    int flushes = 0;

    Fixture()
    {
        QDir().mkpath(folder + u"/sub"_s);
        QDir().mkpath(other);
        QDir().mkpath(flushFolder);
        writeFile(folder + u"/a.txt"_s, "alpha");
        QFile::link(u"a.txt"_s, folder + u"/link"_s);
    }

    QString in(const QString& name) const { return folder + u'/' + name; }

    // Lets every change made so far reach the watches of this thread.
    bool deliverQueued() { return deliverQueuedChanges(flushFolder, flushes, deliveryTimeout); }
};

} // namespace

class FolderWatchTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!canInspectInotify())
            QSKIP("/proc shows no inotify watches here");
        m_baselineInstances = inotifyInstances().size();
    }

    // Every change that alters the folder's listing is told, from the event loop, and seen by
    // a reader that asks (a stamp taken before reading, checked without a turn of the loop).
    void changesAreToldAndSeen_data()
    {
        QTest::addColumn<Change>("change");
        const auto at = [](const QString& folder, const char* name) { return folder + u'/' + QLatin1StringView(name); };
        QTest::newRow("file made") << Change([=](const QString& f) { return writeFile(at(f, "new.txt"), "n"); });
        QTest::newRow("empty file made") << Change([=](const QString& f) { return writeFile(at(f, "empty"), {}); });
        QTest::newRow("folder made") << Change([=](const QString& f) { return QDir().mkdir(at(f, "made")); });
        QTest::newRow("symbolic link made") << Change([=](const QString& f) { return QFile::link(u"a.txt"_s, at(f, "other-link")); });
        QTest::newRow("file removed") << Change([=](const QString& f) { return QFile::remove(at(f, "a.txt")); });
        QTest::newRow("folder removed") << Change([=](const QString& f) { return QDir().rmdir(at(f, "sub")); });
        QTest::newRow("renamed within") << Change([=](const QString& f) { return QFile::rename(at(f, "a.txt"), at(f, "b.txt")); });
        QTest::newRow("moved out") << Change([=](const QString& f) { return QFile::rename(at(f, "a.txt"), f + u"/../out.txt"_s); });
        QTest::newRow("moved in") << Change([=](const QString& f) {
            return writeFile(f + u"/../in.txt"_s, "i") && QFile::rename(f + u"/../in.txt"_s, at(f, "in.txt"));
        });
        QTest::newRow("file written and closed") << Change([=](const QString& f) { return writeFile(at(f, "a.txt"), "more", QIODevice::Append); });
        QTest::newRow("file truncated") << Change([=](const QString& f) { return ::truncate(QFile::encodeName(at(f, "a.txt")).constData(), 0) == 0; });
        QTest::newRow("permissions changed") << Change([=](const QString& f) { return ::chmod(QFile::encodeName(at(f, "a.txt")).constData(), 0600) == 0; });
        QTest::newRow("times set") << Change([=](const QString& f) { return setTimes(at(f, "a.txt"), 86400); });
        QTest::newRow("modification time set alone") << Change([=](const QString& f) { return setModified(at(f, "a.txt"), 86400); });
        QTest::newRow("symbolic link retargeted") << Change([=](const QString& f) {
            return QFile::remove(at(f, "link")) && QFile::link(u"sub"_s, at(f, "link"));
        });
        QTest::newRow("folder itself moved") << Change([=](const QString& f) { return QDir().rename(f, f + u"-moved"_s); });
        QTest::newRow("folder itself removed") << Change([=](const QString& f) { return QDir(f).removeRecursively(); });
        QTest::newRow("folder replaced") << Change([=](const QString& f) { return QDir(f).removeRecursively() && QDir().mkpath(f); });
    }

    void changesAreToldAndSeen()
    {
        QFETCH(Change, change);
        Fixture fixture;
        const auto watch = FolderWatch::open(fixture.folder);
        QVERIFY(watch);
        QCOMPARE(watch->path(), fixture.folder);
        const auto stamp = watch->stampBeforeReading(); // none where changes go unseen
        if (stamp)
            QVERIFY(watch->unchangedSince(*stamp));
        QSignalSpy delivered(watch.get(), &FolderWatch::changed);
        QVERIFY(change(fixture.folder));
        if (stamp) {
            QVERIFY(!watch->unchangedSince(*stamp));
            // And it stays changed: a later check does not forget what the first one saw.
            QVERIFY(!watch->unchangedSince(*stamp));
        }
        QVERIFY(delivered.wait(deliveryTimeout));
        // A fresh watch starts clean (where the folder still exists).
        if (const auto fresh = FolderWatch::open(fixture.folder); fresh && stamp) {
            const auto freshStamp = fresh->stampBeforeReading();
            QVERIFY(freshStamp);
            QVERIFY(fresh->unchangedSince(*freshStamp));
        }
    }

    // A listing opens and reads the folder and its files; were that reported, every scan
    // would cause the next one.
    void openingAndReadingAreNotDelivered()
    {
        Fixture fixture;
        const auto watch = FolderWatch::open(fixture.folder);
        QVERIFY(watch);
        QSignalSpy delivered(watch.get(), &FolderWatch::changed);
        QCOMPARE(QDir(fixture.folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 3);
        QFile file(fixture.in(u"a.txt"_s));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), "alpha");
        file.close();
        QVERIFY(fixture.deliverQueued());
        QCOMPARE(delivered.count(), 0);
    }

    // A file kept open while it is written (a download in progress) changes the size and the
    // date listed at every write; writes that come together are told once.
    void writesAreToldWhileTheFileStaysOpen()
    {
        Fixture fixture;
        const auto watch = FolderWatch::open(fixture.folder);
        QVERIFY(watch);
        QSignalSpy delivered(watch.get(), &FolderWatch::changed);
        const int fd = ::open(QFile::encodeName(fixture.in(u"a.txt"_s)).constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, "more", 4), 4);
        QVERIFY(delivered.wait(deliveryTimeout));
        for (int i = 0; i < 50; ++i)
            QCOMPARE(::write(fd, "more", 4), 4);
        QVERIFY(delivered.wait(deliveryTimeout));
        QVERIFY(fixture.deliverQueued());
        QCOMPARE(delivered.count(), 2);
        ::close(fd);
    }

    // A subfolder's modification time moves when an entry is made, removed or renamed inside
    // it; that is told, and seen by asking. What happens to the files inside it is not: it
    // changes nothing the folder's listing shows.
    void subfolderEntriesCount_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<bool>("counts");
        const auto at = [](const QString& folder, const char* name) { return folder + u"/sub/"_s + QLatin1StringView(name); };
        QTest::newRow("file made inside") << Change([=](const QString& f) { return writeFile(at(f, "new.txt"), "n"); }) << true;
        QTest::newRow("file removed inside") << Change([=](const QString& f) { return QFile::remove(at(f, "inner.txt")); }) << true;
        QTest::newRow("renamed inside") << Change([=](const QString& f) { return QFile::rename(at(f, "inner.txt"), at(f, "b.txt")); }) << true;
        QTest::newRow("folder made inside") << Change([=](const QString& f) { return QDir().mkdir(at(f, "deeper")); }) << true;
        QTest::newRow("file inside written") << Change([=](const QString& f) { return writeFile(at(f, "inner.txt"), "more", QIODevice::Append); }) << false;
        QTest::newRow("file inside given new times") << Change([=](const QString& f) { return setModified(at(f, "inner.txt"), 86400); }) << false;
    }

    void subfolderEntriesCount()
    {
        QFETCH(Change, change);
        QFETCH(bool, counts);
        Fixture fixture;
        QVERIFY(writeFile(fixture.in(u"sub/inner.txt"_s), "i"));
        const auto watch = FolderWatch::open(fixture.folder);
        QVERIFY(watch);
        QVERIFY(watch->coversSubfolders());
        const auto stamp = watch->stampBeforeReading();
        QSignalSpy delivered(watch.get(), &FolderWatch::changed);
        QVERIFY(change(fixture.folder));
        QVERIFY(fixture.deliverQueued());
        QCOMPARE(delivered.count(), counts ? 1 : 0);
        if (stamp)
            QCOMPARE(watch->unchangedSince(*stamp), !counts);
    }

    // A subfolder made, or renamed, after the watch opened is watched from the next reading on;
    // one removed lets its kernel watch go.
    void subfoldersFollowTheFolder()
    {
        Fixture fixture;
        const auto watch = FolderWatch::open(fixture.folder);
        QVERIFY(watch);
        const auto before = watch->stampBeforeReading();
        if (!before)
            QSKIP("the temporary folder lies on a file system whose changes are not seen");
        QVERIFY(QDir().mkdir(fixture.in(u"later"_s)));
        QVERIFY(QDir().rename(fixture.in(u"sub"_s), fixture.in(u"renamed"_s)));
        QVERIFY(!watch->unchangedSince(*before));
        const auto stamp = watch->stampBeforeReading();
        QVERIFY(stamp);
        QCOMPARE(inotifyWatchesOn(*folderIdentity(fixture.in(u"later"_s))).size(), 1);
        QCOMPARE(inotifyWatchesOn(*folderIdentity(fixture.in(u"renamed"_s))).size(), 1);
        QVERIFY(writeFile(fixture.in(u"later/x.txt"_s), "x"));
        QVERIFY(!watch->unchangedSince(*stamp));

        const auto later = *folderIdentity(fixture.in(u"later"_s));
        QVERIFY(QDir(fixture.in(u"later"_s)).removeRecursively());
        QVERIFY(watch->stampBeforeReading());
        QVERIFY(inotifyWatchesOn(later).isEmpty());
        QVERIFY(watch->isArmed());
    }

    void changesMadeTogetherAreDeliveredOnce()
    {
        Fixture fixture;
        const auto watch = FolderWatch::open(fixture.folder);
        QVERIFY(watch);
        QSignalSpy delivered(watch.get(), &FolderWatch::changed);
        for (int i = 0; i < 20; ++i)
            QVERIFY(writeFile(fixture.in(u"file-%1.txt"_s.arg(i)), "x"));
        QVERIFY(delivered.wait(deliveryTimeout));
        QVERIFY(fixture.deliverQueued());
        QCOMPARE(delivered.count(), 1);
    }

    // Opening a watch must not read the shared queue, or a change pending for another watch
    // would be delivered inside the opener's call.
    void nothingIsDeliveredInsideOpen()
    {
        Fixture fixture;
        const auto first = FolderWatch::open(fixture.folder);
        QVERIFY(first);
        QSignalSpy delivered(first.get(), &FolderWatch::changed);
        QVERIFY(writeFile(fixture.in(u"new.txt"_s), "n"));
        const auto second = FolderWatch::open(fixture.other);
        QVERIFY(second);
        QCOMPARE(delivered.count(), 0);
        QVERIFY(delivered.wait(deliveryTimeout));
    }

    // inotify gives one watch per folder and instance: two watches on one folder share it,
    // and the one destroyed first must neither remove it nor be told of a change still queued.
    void watchesOnOneFolderShareOneKernelWatch()
    {
        Fixture fixture;
        const auto folder = folderIdentity(fixture.folder);
        QVERIFY(folder);
        auto first = FolderWatch::open(fixture.folder);
        auto second = FolderWatch::open(fixture.folder);
        QVERIFY(first && second);
        const QList<InotifyWatch> shared = inotifyWatchesOn(*folder);
        QCOMPARE(shared.size(), 1);

        QSignalSpy secondDelivered(second.get(), &FolderWatch::changed);
        QVERIFY(writeFile(fixture.in(u"one.txt"_s), "1"));
        first.reset(); // with the change still queued
        QVERIFY(secondDelivered.wait(deliveryTimeout));
        QCOMPARE(inotifyWatchesOn(*folder), shared);

        QVERIFY(writeFile(fixture.in(u"two.txt"_s), "2"));
        QVERIFY(secondDelivered.wait(deliveryTimeout));

        second.reset();
        QVERIFY(inotifyWatchesOn(*folder).isEmpty());
        QCOMPARE(inotifyInstances().size(), m_baselineInstances);
    }

    // Each watch's slot destroys the other: whichever is told first, the other is not.
    void watchDestroyedDuringAnotherDeliveryIsNotTold()
    {
        Fixture fixture;
        std::unique_ptr<FolderWatch> first = FolderWatch::open(fixture.folder);
        std::unique_ptr<FolderWatch> second = FolderWatch::open(fixture.folder);
        QVERIFY(first && second);
        int told = 0;
        connect(first.get(), &FolderWatch::changed, first.get(), [&] { ++told; second.reset(); });
        connect(second.get(), &FolderWatch::changed, second.get(), [&] { ++told; first.reset(); });
        QVERIFY(writeFile(fixture.in(u"new.txt"_s), "n"));
        QTRY_VERIFY_WITH_TIMEOUT(!first || !second, deliveryTimeout);
        QVERIFY(fixture.deliverQueued());
        QCOMPARE(told, 1);
    }

    // The last watch of the thread may be destroyed from its own delivery; the thread's
    // instance closes then, and a later watch gets a working one.
    void lastWatchMayBeDestroyedInItsDelivery()
    {
        Fixture fixture;
        std::unique_ptr<FolderWatch> watch = FolderWatch::open(fixture.folder);
        QVERIFY(watch);
        connect(watch.get(), &FolderWatch::changed, watch.get(), [&] { watch.reset(); });
        QVERIFY(writeFile(fixture.in(u"new.txt"_s), "n"));
        QTRY_VERIFY_WITH_TIMEOUT(!watch, deliveryTimeout);
        QCOMPARE(inotifyInstances().size(), m_baselineInstances);

        const auto later = FolderWatch::open(fixture.other);
        QVERIFY(later);
        QSignalSpy delivered(later.get(), &FolderWatch::changed);
        QVERIFY(writeFile(fixture.other + u"/new.txt"_s, "n"));
        QVERIFY(delivered.wait(deliveryTimeout));
    }

    // The watch is bound to the folder it opened: once that is deleted, a folder made anew
    // under the same path is not watched by it.
    void deletedFolderDisarmsTheWatch()
    {
        Fixture fixture;
        const auto folder = folderIdentity(fixture.folder);
        QVERIFY(folder);
        const auto watch = FolderWatch::open(fixture.folder);
        QVERIFY(watch);
        QSignalSpy delivered(watch.get(), &FolderWatch::changed);
        QVERIFY(QDir(fixture.folder).removeRecursively());
        QVERIFY(delivered.wait(deliveryTimeout));
        QVERIFY(!watch->isArmed());
        QVERIFY(inotifyWatchesOn(*folder).isEmpty());

        QVERIFY(QDir().mkpath(fixture.folder));
        QVERIFY(writeFile(fixture.in(u"new.txt"_s), "n"));
        QVERIFY(fixture.deliverQueued());
        QCOMPARE(delivered.count(), 1);
    }

    // A moved folder is still the folder watched: its changes are delivered at its new place,
    // and a folder made at the old path is someone else's.
    void movedFolderIsFollowed()
    {
        Fixture fixture;
        const auto watch = FolderWatch::open(fixture.folder);
        QVERIFY(watch);
        QSignalSpy delivered(watch.get(), &FolderWatch::changed);
        const QString moved = fixture.folder + u"-moved"_s;
        QVERIFY(QDir().rename(fixture.folder, moved));
        QVERIFY(delivered.wait(deliveryTimeout));
        QVERIFY(watch->isArmed());

        QVERIFY(writeFile(moved + u"/new.txt"_s, "n"));
        QVERIFY(delivered.wait(deliveryTimeout));
        QCOMPARE(delivered.count(), 2);

        QVERIFY(QDir().mkpath(fixture.folder));
        QVERIFY(writeFile(fixture.in(u"new.txt"_s), "n"));
        QVERIFY(fixture.deliverQueued());
        QCOMPARE(delivered.count(), 2);
    }

    // No watch, and no instance left open, for what cannot be watched. A relative path names
    // a folder below the working directory here, and a NUL would cut the path short at the
    // system call; neither may be watched.
    void unwatchableFolders_data()
    {
        QTest::addColumn<QString>("name"); // below the fixture's root, or as given when relative
        QTest::addColumn<bool>("relative");
        QTest::newRow("missing") << u"missing"_s << false;
        QTest::newRow("regular file") << u"watched/a.txt"_s << false;
        QTest::newRow("link to a file") << u"watched/file-link"_s << false;
        QTest::newRow("below a regular file") << u"watched/a.txt/sub"_s << false;
        QTest::newRow("relative path") << u"watched"_s << true;
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("NUL inside") << (u"watched"_s + QChar(u'\0') + u"gone"_s) << false;
    }

    void unwatchableFolders()
    {
        QFETCH(QString, name);
        QFETCH(bool, relative);
        Fixture fixture;
        QVERIFY(QFile::link(u"a.txt"_s, fixture.in(u"file-link"_s)));
        const QString workingFolder = QDir::currentPath();
        QVERIFY(QDir::setCurrent(fixture.root.path()));
        const auto watch = FolderWatch::open(relative ? name : fixture.root.filePath(name));
        QVERIFY(QDir::setCurrent(workingFolder));
        QVERIFY(!watch);
        QCOMPARE(inotifyInstances().size(), m_baselineInstances);
    }

    // Changes were lost when the kernel's queue overflowed: any folder may have changed.
    void overflowTellsEveryWatch()
    {
        QFile limitFile(u"/proc/sys/fs/inotify/max_queued_events"_s);
        QVERIFY(limitFile.open(QIODevice::ReadOnly));
        const int limit = limitFile.readAll().trimmed().toInt();
        if (limit <= 0 || limit > 200000)
            QSKIP("the kernel's queue is too large to fill here");
        Fixture fixture;
        const auto busy = FolderWatch::open(fixture.folder);
        const auto quiet = FolderWatch::open(fixture.other);
        QVERIFY(busy && quiet);
        QSignalSpy quietDelivered(quiet.get(), &FolderWatch::changed);
        QVERIFY(writeFile(fixture.in(u"b.txt"_s), "beta"));
        // Alternating between two files, so that the kernel cannot merge repeated events.
        const QByteArray names[2] = {QFile::encodeName(fixture.in(u"a.txt"_s)), QFile::encodeName(fixture.in(u"b.txt"_s))};
        for (int i = 0; i < limit + 16; ++i)
            QVERIFY(::chmod(names[i % 2].constData(), (i / 2) % 2 ? 0600 : 0644) == 0);
        QVERIFY(quietDelivered.wait(deliveryTimeout));
    }

    // Each thread reads its own instance and delivers on its own loop.
    void eachThreadHasItsOwnInstance()
    {
        Fixture fixture;
        QThread worker;
        worker.start();
        QObject onWorker;
        onWorker.moveToThread(&worker);
        std::unique_ptr<FolderWatch> workerWatch;
        QAtomicPointer<QThread> toldOn;
        QMetaObject::invokeMethod(&onWorker, [&] {
            workerWatch = FolderWatch::open(fixture.folder);
            if (workerWatch)
                connect(workerWatch.get(), &FolderWatch::changed, workerWatch.get(),
                        [&] { toldOn.storeRelease(QThread::currentThread()); });
        }, Qt::BlockingQueuedConnection);
        const auto mainWatch = FolderWatch::open(fixture.folder);
        QVERIFY(workerWatch && mainWatch);
        QCOMPARE(inotifyInstances().size(), m_baselineInstances + 2);
        QCOMPARE(inotifyWatchesOn(*folderIdentity(fixture.folder)).size(), 2);

        QSignalSpy mainDelivered(mainWatch.get(), &FolderWatch::changed);
        QVERIFY(writeFile(fixture.in(u"new.txt"_s), "n"));
        QVERIFY(mainDelivered.wait(deliveryTimeout));
        QTRY_COMPARE_WITH_TIMEOUT(toldOn.loadAcquire(), &worker, deliveryTimeout);

        QMetaObject::invokeMethod(&onWorker, [&] { workerWatch.reset(); }, Qt::BlockingQueuedConnection);
        worker.quit();
        QVERIFY(worker.wait(deliveryTimeout));
        QCOMPARE(inotifyInstances().size(), m_baselineInstances + 1);
    }

    // What a listing does to a folder (read it, stat and read its files) is no change.
    void readingIsNoChangeWhenAsking()
    {
        Fixture fixture;
        const auto watch = FolderWatch::open(fixture.folder);
        const auto stamp = watch ? watch->stampBeforeReading() : std::nullopt;
        if (!stamp)
            QSKIP("the temporary folder lies on a file system whose changes are not seen");
        QVERIFY(!QDir(fixture.folder).entryList(QDir::AllEntries | QDir::System | QDir::Hidden).isEmpty());
        struct stat info {};
        QCOMPARE(::lstat(QFile::encodeName(fixture.in(u"link"_s)).constData(), &info), 0);
        QFile file(fixture.in(u"a.txt"_s));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("alpha"));
        file.close();
        QVERIFY(watch->unchangedSince(*stamp));
    }

    // Two paths to one folder share the kernel's one watch: a change counts for both, and
    // closing one keeps the other watching.
    void pathsToOneFolderShareTheWatch()
    {
        Fixture fixture;
        const auto folder = folderIdentity(fixture.folder);
        QVERIFY(folder);
        const QString viaLink = fixture.root.filePath(u"to-watched"_s);
        QVERIFY(QFile::link(fixture.folder, viaLink));
        auto direct = FolderWatch::open(fixture.folder);
        if (!vouchedFor(direct.get()))
            QSKIP("the temporary folder lies on a file system whose changes are not seen");
        const auto linked = FolderWatch::open(viaLink);
        QVERIFY(linked);
        const auto stamp = linked->stampBeforeReading();
        QVERIFY(stamp);
        QCOMPARE(inotifyWatchesOn(*folder).size(), 1);

        direct.reset();
        QCOMPARE(inotifyWatchesOn(*folder).size(), 1);
        QVERIFY(linked->unchangedSince(*stamp));
        QVERIFY(writeFile(fixture.in(u"c.txt"_s), "c"));
        QVERIFY(!linked->unchangedSince(*stamp));
    }

    // The path is a symbolic link to a folder; pointed at another folder, the old stamp no
    // longer holds, though nothing changed inside either folder.
    void linkedPathPointedElsewhere()
    {
        Fixture fixture;
        const QString viaLink = fixture.root.filePath(u"portal"_s);
        QVERIFY(QFile::link(fixture.folder, viaLink));
        const auto watch = FolderWatch::open(viaLink);
        const auto stamp = watch ? watch->stampBeforeReading() : std::nullopt;
        if (!stamp)
            QSKIP("the temporary folder lies on a file system whose changes are not seen");
        QVERIFY(QFile::remove(viaLink));
        QVERIFY(QFile::link(fixture.other, viaLink));
        QVERIFY(!watch->unchangedSince(*stamp));
        QVERIFY(!watch->stampBeforeReading()); // it watches the folder it opened, not the path
        const auto fresh = FolderWatch::open(viaLink);
        QVERIFY(fresh);
        const auto freshStamp = fresh->stampBeforeReading();
        QVERIFY(freshStamp);
        QVERIFY(fresh->unchangedSince(*freshStamp));
    }

    // The asking side reads the queue the listening side is told from: what it read is still
    // told, from the event loop, and never inside the asking call.
    void askingLeavesTheTellingToTheEventLoop()
    {
        Fixture fixture;
        const auto listening = FolderWatch::open(fixture.folder);
        const auto asking = FolderWatch::open(fixture.folder);
        QVERIFY(listening && asking);
        const auto stamp = asking->stampBeforeReading();
        if (!stamp)
            QSKIP("the temporary folder lies on a file system whose changes are not seen");
        QSignalSpy delivered(listening.get(), &FolderWatch::changed);
        QSignalSpy askerTold(asking.get(), &FolderWatch::changed);
        QVERIFY(writeFile(fixture.in(u"new.txt"_s), "n"));
        QVERIFY(!asking->unchangedSince(*stamp));
        QCOMPARE(delivered.count(), 0);
        QVERIFY(delivered.wait(deliveryTimeout));
        QVERIFY(fixture.deliverQueued());
        QCOMPARE(delivered.count(), 1);
        QCOMPARE(askerTold.count(), 1); // it listens too, here
    }

    // When the kernel's queue overflows, events were lost: every folder counts as changed,
    // also one in which nothing happened.
    void lostEventsCountForEveryFolderWhenAsking()
    {
        const std::optional<int> limit = test::inotifyQueueLimit();
        if (!limit)
            QSKIP("the kernel's queue size is unknown");
        const int queued = *limit;
        if (queued > 65536)
            QSKIP("the kernel's queue is too large to fill in a test");
        Fixture fixture;
        const auto busy = FolderWatch::open(fixture.folder);
        const auto calm = FolderWatch::open(fixture.other);
        const auto busyStamp = busy ? busy->stampBeforeReading() : std::nullopt;
        const auto calmStamp = calm ? calm->stampBeforeReading() : std::nullopt;
        if (!busyStamp || !calmStamp)
            QSKIP("the temporary folder lies on a file system whose changes are not seen");
        // Attribute changes of two files in turn: one event each (the kernel merges only an
        // event equal to the one before it), nothing made on disk.
        QVERIFY(writeFile(fixture.in(u"b.txt"_s), "beta"));
        const QByteArray files[2] = {QFile::encodeName(fixture.in(u"a.txt"_s)), QFile::encodeName(fixture.in(u"b.txt"_s))};
        for (int i = 0; i <= queued; ++i)
            QCOMPARE(::chmod(files[i % 2].constData(), (i / 2 % 2) ? 0600 : 0644), 0);
        QVERIFY(!calm->unchangedSince(*calmStamp));
        QVERIFY(!busy->unchangedSince(*busyStamp));
    }

    // The kernel's own file systems report every change; /proc does not, so it is never
    // vouched for.
    void fileSystemsWithUnseenChangesAreNotVouchedFor()
    {
        const auto proc = FolderWatch::open(u"/proc/self"_s);
        QVERIFY(!proc || !proc->seesEveryChange());
        QVERIFY(!vouchedFor(proc.get()));
        if (!QDir(u"/dev/shm"_s).exists())
            QSKIP("no /dev/shm here");
        QTemporaryDir onTmpfs(u"/dev/shm/watch-XXXXXX"_s);
        QVERIFY(onTmpfs.isValid());
        const auto tmpfs = FolderWatch::open(onTmpfs.path());
        QVERIFY(tmpfs && tmpfs->seesEveryChange());
        QVERIFY(vouchedFor(tmpfs.get()));
    }

private:
    qsizetype m_baselineInstances = 0;
};

QTEST_GUILESS_MAIN(FolderWatchTest)
#include "tst_folderwatch.moc"
