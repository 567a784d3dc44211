#include "platform/FolderEventSource.h"

#include "platform/InotifyWatches.h"

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

using namespace mv::platform;
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
    }

    QString in(const QString& name) const { return folder + u'/' + name; }

    // Lets every change made so far reach the sources of this thread: one made afterwards in
    // a folder of its own comes through the same kernel queue behind them, so once it has
    // been delivered, so have they.
    bool deliverQueued()
    {
        const auto flush = FolderEventSource::open(flushFolder);
        if (!flush)
            return false;
        QSignalSpy delivered(flush.get(), &FolderEventSource::changed);
        return writeFile(flushFolder + u"/%1"_s.arg(++flushes), "f") && delivered.wait(deliveryTimeout);
    }
};

} // namespace

class FolderEventSourceTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!canInspectInotify())
            QSKIP("/proc shows no inotify watches here");
        m_baselineInstances = inotifyInstances().size();
    }

    // Every change that alters the folder's listing is delivered, from the event loop.
    void changesAreDelivered_data()
    {
        QTest::addColumn<Change>("change");
        const auto at = [](const QString& folder, const char* name) { return folder + u'/' + QLatin1StringView(name); };
        QTest::newRow("file made") << Change([=](const QString& f) { return writeFile(at(f, "new.txt"), "n"); });
        QTest::newRow("empty file made") << Change([=](const QString& f) { return writeFile(at(f, "empty"), {}); });
        QTest::newRow("folder made") << Change([=](const QString& f) { return QDir().mkdir(at(f, "made")); });
        QTest::newRow("symbolic link made") << Change([=](const QString& f) { return QFile::link(u"a.txt"_s, at(f, "link")); });
        QTest::newRow("file removed") << Change([=](const QString& f) { return QFile::remove(at(f, "a.txt")); });
        QTest::newRow("folder removed") << Change([=](const QString& f) { return QDir().rmdir(at(f, "sub")); });
        QTest::newRow("renamed within") << Change([=](const QString& f) { return QFile::rename(at(f, "a.txt"), at(f, "b.txt")); });
        QTest::newRow("moved out") << Change([=](const QString& f) { return QFile::rename(at(f, "a.txt"), f + u"/../out.txt"_s); });
        QTest::newRow("moved in") << Change([=](const QString& f) {
            return writeFile(f + u"/../in.txt"_s, "i") && QFile::rename(f + u"/../in.txt"_s, at(f, "in.txt"));
        });
        QTest::newRow("file written and closed") << Change([=](const QString& f) { return writeFile(at(f, "a.txt"), "more", QIODevice::Append); });
        QTest::newRow("permissions changed") << Change([=](const QString& f) { return ::chmod(QFile::encodeName(at(f, "a.txt")).constData(), 0600) == 0; });
        QTest::newRow("times set") << Change([=](const QString& f) { return setTimes(at(f, "a.txt"), 86400); });
        QTest::newRow("folder itself moved") << Change([=](const QString& f) { return QDir().rename(f, f + u"-moved"_s); });
        QTest::newRow("folder itself removed") << Change([=](const QString& f) { return QDir(f).removeRecursively(); });
    }

    void changesAreDelivered()
    {
        QFETCH(Change, change);
        Fixture fixture;
        const auto source = FolderEventSource::open(fixture.folder);
        QVERIFY(source);
        QCOMPARE(source->path(), fixture.folder);
        QSignalSpy delivered(source.get(), &FolderEventSource::changed);
        QVERIFY(change(fixture.folder));
        QVERIFY(delivered.wait(deliveryTimeout));
    }

    // A listing opens and reads the folder and its files; were that reported, every scan
    // would cause the next one.
    void openingAndReadingAreNotDelivered()
    {
        Fixture fixture;
        const auto source = FolderEventSource::open(fixture.folder);
        QVERIFY(source);
        QSignalSpy delivered(source.get(), &FolderEventSource::changed);
        QCOMPARE(QDir(fixture.folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 2);
        QFile file(fixture.in(u"a.txt"_s));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), "alpha");
        file.close();
        QVERIFY(fixture.deliverQueued());
        QCOMPARE(delivered.count(), 0);
    }

    // A download writes many times; what the listing shows changes once, when it is done.
    void aWriteIsDeliveredWhenTheFileIsClosed()
    {
        Fixture fixture;
        const auto source = FolderEventSource::open(fixture.folder);
        QVERIFY(source);
        QSignalSpy delivered(source.get(), &FolderEventSource::changed);
        const int fd = ::open(QFile::encodeName(fixture.in(u"a.txt"_s)).constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, "more", 4), 4);
        QCOMPARE(::write(fd, "more", 4), 4);
        QVERIFY(fixture.deliverQueued());
        QCOMPARE(delivered.count(), 0);
        ::close(fd);
        QVERIFY(delivered.wait(deliveryTimeout));
    }

    void changesMadeTogetherAreDeliveredOnce()
    {
        Fixture fixture;
        const auto source = FolderEventSource::open(fixture.folder);
        QVERIFY(source);
        QSignalSpy delivered(source.get(), &FolderEventSource::changed);
        for (int i = 0; i < 20; ++i)
            QVERIFY(writeFile(fixture.in(u"file-%1.txt"_s.arg(i)), "x"));
        QVERIFY(delivered.wait(deliveryTimeout));
        QVERIFY(fixture.deliverQueued());
        QCOMPARE(delivered.count(), 1);
    }

    // Opening a source must not read the shared queue, or a change pending for another source
    // would be delivered inside the opener's call.
    void nothingIsDeliveredInsideOpen()
    {
        Fixture fixture;
        const auto first = FolderEventSource::open(fixture.folder);
        QVERIFY(first);
        QSignalSpy delivered(first.get(), &FolderEventSource::changed);
        QVERIFY(writeFile(fixture.in(u"new.txt"_s), "n"));
        const auto second = FolderEventSource::open(fixture.other);
        QVERIFY(second);
        QCOMPARE(delivered.count(), 0);
        QVERIFY(delivered.wait(deliveryTimeout));
    }

    // inotify gives one watch per folder and instance: two sources on one folder share it,
    // and the one destroyed first must neither remove it nor be told of a change still queued.
    void sourcesOnOneFolderShareOneWatch()
    {
        Fixture fixture;
        const auto folder = folderIdentity(fixture.folder);
        QVERIFY(folder);
        auto first = FolderEventSource::open(fixture.folder);
        auto second = FolderEventSource::open(fixture.folder);
        QVERIFY(first && second);
        const QList<InotifyWatch> shared = inotifyWatchesOn(*folder);
        QCOMPARE(shared.size(), 1);

        QSignalSpy secondDelivered(second.get(), &FolderEventSource::changed);
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

    // Each source's slot destroys the other: whichever is told first, the other is not.
    void sourceDestroyedDuringAnotherDeliveryIsNotTold()
    {
        Fixture fixture;
        std::unique_ptr<FolderEventSource> first = FolderEventSource::open(fixture.folder);
        std::unique_ptr<FolderEventSource> second = FolderEventSource::open(fixture.folder);
        QVERIFY(first && second);
        int told = 0;
        connect(first.get(), &FolderEventSource::changed, first.get(), [&] { ++told; second.reset(); });
        connect(second.get(), &FolderEventSource::changed, second.get(), [&] { ++told; first.reset(); });
        QVERIFY(writeFile(fixture.in(u"new.txt"_s), "n"));
        QTRY_VERIFY_WITH_TIMEOUT(!first || !second, deliveryTimeout);
        QVERIFY(fixture.deliverQueued());
        QCOMPARE(told, 1);
    }

    // The last source of the thread may be destroyed from its own delivery; the thread's
    // instance closes then, and a later source gets a working one.
    void lastSourceMayBeDestroyedInItsDelivery()
    {
        Fixture fixture;
        std::unique_ptr<FolderEventSource> source = FolderEventSource::open(fixture.folder);
        QVERIFY(source);
        connect(source.get(), &FolderEventSource::changed, source.get(), [&] { source.reset(); });
        QVERIFY(writeFile(fixture.in(u"new.txt"_s), "n"));
        QTRY_VERIFY_WITH_TIMEOUT(!source, deliveryTimeout);
        QCOMPARE(inotifyInstances().size(), m_baselineInstances);

        const auto later = FolderEventSource::open(fixture.other);
        QVERIFY(later);
        QSignalSpy delivered(later.get(), &FolderEventSource::changed);
        QVERIFY(writeFile(fixture.other + u"/new.txt"_s, "n"));
        QVERIFY(delivered.wait(deliveryTimeout));
    }

    // The source is bound to the folder it opened: once that is deleted, a folder made anew
    // under the same path is not watched by it.
    void deletedFolderDisarmsTheSource()
    {
        Fixture fixture;
        const auto folder = folderIdentity(fixture.folder);
        QVERIFY(folder);
        const auto source = FolderEventSource::open(fixture.folder);
        QVERIFY(source);
        QSignalSpy delivered(source.get(), &FolderEventSource::changed);
        QVERIFY(QDir(fixture.folder).removeRecursively());
        QVERIFY(delivered.wait(deliveryTimeout));
        QVERIFY(!source->isArmed());
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
        const auto source = FolderEventSource::open(fixture.folder);
        QVERIFY(source);
        QSignalSpy delivered(source.get(), &FolderEventSource::changed);
        const QString moved = fixture.folder + u"-moved"_s;
        QVERIFY(QDir().rename(fixture.folder, moved));
        QVERIFY(delivered.wait(deliveryTimeout));
        QVERIFY(source->isArmed());

        QVERIFY(writeFile(moved + u"/new.txt"_s, "n"));
        QVERIFY(delivered.wait(deliveryTimeout));
        QCOMPARE(delivered.count(), 2);

        QVERIFY(QDir().mkpath(fixture.folder));
        QVERIFY(writeFile(fixture.in(u"new.txt"_s), "n"));
        QVERIFY(fixture.deliverQueued());
        QCOMPARE(delivered.count(), 2);
    }

    // No source, and no instance left open, for what cannot be watched. A relative path names
    // a folder below the working directory here, and a NUL would cut the path short at the
    // system call; neither may be watched.
    void unwatchableFolders_data()
    {
        QTest::addColumn<QString>("name"); // below the fixture's root, or as given when relative
        QTest::addColumn<bool>("relative");
        QTest::newRow("missing") << u"missing"_s << false;
        QTest::newRow("regular file") << u"watched/a.txt"_s << false;
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
        const QString workingFolder = QDir::currentPath();
        QVERIFY(QDir::setCurrent(fixture.root.path()));
        const auto source = FolderEventSource::open(relative ? name : fixture.root.filePath(name));
        QVERIFY(QDir::setCurrent(workingFolder));
        QVERIFY(!source);
        QCOMPARE(inotifyInstances().size(), m_baselineInstances);
    }

    // Changes were lost when the kernel's queue overflowed: any folder may have changed.
    void overflowTellsEverySource()
    {
        QFile limitFile(u"/proc/sys/fs/inotify/max_queued_events"_s);
        QVERIFY(limitFile.open(QIODevice::ReadOnly));
        const int limit = limitFile.readAll().trimmed().toInt();
        if (limit <= 0 || limit > 200000)
            QSKIP("the kernel's queue is too large to fill here");
        Fixture fixture;
        const auto busy = FolderEventSource::open(fixture.folder);
        const auto quiet = FolderEventSource::open(fixture.other);
        QVERIFY(busy && quiet);
        QSignalSpy quietDelivered(quiet.get(), &FolderEventSource::changed);
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
        std::unique_ptr<FolderEventSource> workerSource;
        QAtomicPointer<QThread> toldOn;
        QMetaObject::invokeMethod(&onWorker, [&] {
            workerSource = FolderEventSource::open(fixture.folder);
            if (workerSource)
                connect(workerSource.get(), &FolderEventSource::changed, workerSource.get(),
                        [&] { toldOn.storeRelease(QThread::currentThread()); });
        }, Qt::BlockingQueuedConnection);
        const auto mainSource = FolderEventSource::open(fixture.folder);
        QVERIFY(workerSource && mainSource);
        QCOMPARE(inotifyInstances().size(), m_baselineInstances + 2);
        QCOMPARE(inotifyWatchesOn(*folderIdentity(fixture.folder)).size(), 2);

        QSignalSpy mainDelivered(mainSource.get(), &FolderEventSource::changed);
        QVERIFY(writeFile(fixture.in(u"new.txt"_s), "n"));
        QVERIFY(mainDelivered.wait(deliveryTimeout));
        QTRY_COMPARE_WITH_TIMEOUT(toldOn.loadAcquire(), &worker, deliveryTimeout);

        QMetaObject::invokeMethod(&onWorker, [&] { workerSource.reset(); }, Qt::BlockingQueuedConnection);
        worker.quit();
        QVERIFY(worker.wait(deliveryTimeout));
        QCOMPARE(inotifyInstances().size(), m_baselineInstances + 1);
    }

private:
    qsizetype m_baselineInstances = 0;
};

QTEST_GUILESS_MAIN(FolderEventSourceTest)
#include "tst_foldereventsource.moc"
