#include "platform/FolderChangeMonitor.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mv::platform;

namespace {

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

// A folder holding a file, a subfolder and a symbolic link, inside a temporary folder whose
// changes the monitor can see; none when the machine offers no such place.
struct Fixture {
    QTemporaryDir root;
    QString folder;

    Fixture()
        : root(QDir::tempPath() + QStringLiteral("/monitor-XXXXXX"))
        , folder(root.filePath(QStringLiteral("watched")))
    {
        QDir().mkpath(folder + QStringLiteral("/sub"));
        writeFile(folder + QStringLiteral("/a.txt"), "alpha");
        QFile::link(QStringLiteral("a.txt"), folder + QStringLiteral("/link"));
    }
};

} // namespace

class FolderChangeMonitorTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void changesAreReported_data()
    {
        QTest::addColumn<Change>("change");
        const auto at = [](const QString& folder, const char* name) { return folder + u'/' + QLatin1StringView(name); };
        QTest::newRow("file made") << Change([=](const QString& f) { return writeFile(at(f, "new.txt"), "n"); });
        QTest::newRow("empty file made") << Change([=](const QString& f) { return writeFile(at(f, "empty"), {}); });
        QTest::newRow("folder made") << Change([=](const QString& f) { return QDir().mkdir(at(f, "made")); });
        QTest::newRow("file removed") << Change([=](const QString& f) { return QFile::remove(at(f, "a.txt")); });
        QTest::newRow("folder removed") << Change([=](const QString& f) { return QDir().rmdir(at(f, "sub")); });
        QTest::newRow("renamed within") << Change([=](const QString& f) { return QFile::rename(at(f, "a.txt"), at(f, "b.txt")); });
        QTest::newRow("moved out") << Change([=](const QString& f) { return QFile::rename(at(f, "a.txt"), f + QStringLiteral("/../out.txt")); });
        QTest::newRow("moved in") << Change([=](const QString& f) {
            return writeFile(f + QStringLiteral("/../in.txt"), "i") && QFile::rename(f + QStringLiteral("/../in.txt"), at(f, "in.txt"));
        });
        QTest::newRow("file appended to") << Change([=](const QString& f) { return writeFile(at(f, "a.txt"), "more", QIODevice::Append); });
        QTest::newRow("file truncated") << Change([=](const QString& f) { return ::truncate(QFile::encodeName(at(f, "a.txt")).constData(), 0) == 0; });
        QTest::newRow("modification time set") << Change([=](const QString& f) { return setModified(at(f, "a.txt"), 86400); });
        QTest::newRow("permissions changed") << Change([=](const QString& f) { return ::chmod(QFile::encodeName(at(f, "a.txt")).constData(), 0600) == 0; });
        QTest::newRow("symbolic link retargeted") << Change([=](const QString& f) {
            return QFile::remove(at(f, "link")) && QFile::link(QStringLiteral("sub"), at(f, "link"));
        });
        QTest::newRow("folder replaced") << Change([=](const QString& f) {
            return QDir(f).removeRecursively() && QDir().mkpath(f);
        });
        QTest::newRow("folder moved away") << Change([=](const QString& f) { return QDir().rename(f, f + QStringLiteral("-gone")); });
    }

    void changesAreReported()
    {
        QFETCH(Change, change);
        Fixture fixture;
        FolderChangeMonitor monitor;
        const auto stamp = monitor.stampBeforeReading(fixture.folder);
        if (!stamp)
            QSKIP("the temporary folder lies on a file system whose changes are not seen");
        QVERIFY(monitor.unchangedSince(*stamp));
        QVERIFY(change(fixture.folder));
        QVERIFY(!monitor.unchangedSince(*stamp));
        // And it stays changed: a later check does not forget what the first one saw.
        QVERIFY(!monitor.unchangedSince(*stamp));
        // A fresh stamp starts clean (where the folder still exists).
        if (const auto fresh = monitor.stampBeforeReading(fixture.folder))
            QVERIFY(monitor.unchangedSince(*fresh));
    }

    // What a listing does to a folder (read it, stat and read its files) is no change.
    void readingIsNoChange()
    {
        Fixture fixture;
        FolderChangeMonitor monitor;
        const auto stamp = monitor.stampBeforeReading(fixture.folder);
        if (!stamp)
            QSKIP("the temporary folder lies on a file system whose changes are not seen");
        QVERIFY(!QDir(fixture.folder).entryList(QDir::AllEntries | QDir::System | QDir::Hidden).isEmpty());
        struct stat info {};
        QCOMPARE(::lstat(QFile::encodeName(fixture.folder + QStringLiteral("/link")).constData(), &info), 0);
        QFile file(fixture.folder + QStringLiteral("/a.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("alpha"));
        file.close();
        QVERIFY(monitor.unchangedSince(*stamp));
    }

    // Two paths to one folder share the kernel's one watch: a change counts for both, and
    // forgetting one path keeps the other watched.
    void pathsToOneFolderShareTheWatch()
    {
        Fixture fixture;
        const QString viaLink = fixture.root.filePath(QStringLiteral("to-watched"));
        QVERIFY(QFile::link(fixture.folder, viaLink));
        FolderChangeMonitor monitor;
        const auto direct = monitor.stampBeforeReading(fixture.folder);
        if (!direct)
            QSKIP("the temporary folder lies on a file system whose changes are not seen");
        const auto linked = monitor.stampBeforeReading(viaLink);
        QVERIFY(linked);
        QCOMPARE(monitor.watchedCount(), qsizetype(1));

        monitor.forget(fixture.folder);
        QCOMPARE(monitor.watchedCount(), qsizetype(1));
        QVERIFY(monitor.unchangedSince(*linked));
        QVERIFY(!monitor.unchangedSince(*direct)); // forgotten: no longer vouched for
        QVERIFY(writeFile(fixture.folder + QStringLiteral("/c.txt"), "c"));
        QVERIFY(!monitor.unchangedSince(*linked));

        monitor.forget(viaLink);
        QCOMPARE(monitor.watchedCount(), qsizetype(0));
    }

    // The path is a symbolic link to a folder; pointed at another folder, the old stamp no
    // longer holds, though nothing changed inside either folder.
    void linkedPathPointedElsewhere()
    {
        Fixture fixture;
        const QString other = fixture.root.filePath(QStringLiteral("other"));
        QVERIFY(QDir().mkdir(other));
        const QString viaLink = fixture.root.filePath(QStringLiteral("portal"));
        QVERIFY(QFile::link(fixture.folder, viaLink));
        FolderChangeMonitor monitor;
        const auto stamp = monitor.stampBeforeReading(viaLink);
        if (!stamp)
            QSKIP("the temporary folder lies on a file system whose changes are not seen");
        QVERIFY(QFile::remove(viaLink));
        QVERIFY(QFile::link(other, viaLink));
        QVERIFY(!monitor.unchangedSince(*stamp));
        const auto fresh = monitor.stampBeforeReading(viaLink);
        QVERIFY(fresh);
        QVERIFY(fresh->inode != stamp->inode);
        QVERIFY(monitor.unchangedSince(*fresh));
    }

    // When the kernel's queue overflows, events were lost: every folder counts as changed,
    // also one in which nothing happened.
    void lostEventsCountForEveryFolder()
    {
        QFile limit(QStringLiteral("/proc/sys/fs/inotify/max_queued_events"));
        if (!limit.open(QIODevice::ReadOnly))
            QSKIP("the kernel's queue size is unknown");
        const int queued = limit.readAll().trimmed().toInt();
        if (queued <= 0 || queued > 65536)
            QSKIP("the kernel's queue is too large to fill in a test");

        Fixture fixture;
        const QString quiet = fixture.root.filePath(QStringLiteral("quiet"));
        QVERIFY(QDir().mkdir(quiet));
        FolderChangeMonitor monitor;
        const auto busy = monitor.stampBeforeReading(fixture.folder);
        const auto calm = monitor.stampBeforeReading(quiet);
        if (!busy || !calm)
            QSKIP("the temporary folder lies on a file system whose changes are not seen");
        // Attribute changes of two files in turn: one event each (the kernel merges only an
        // event equal to the one before it), nothing made on disk.
        QVERIFY(writeFile(fixture.folder + QStringLiteral("/b.txt"), "beta"));
        const QByteArray files[2] = {QFile::encodeName(fixture.folder + QStringLiteral("/a.txt")),
                                     QFile::encodeName(fixture.folder + QStringLiteral("/b.txt"))};
        for (int i = 0; i <= queued; ++i)
            QCOMPARE(::chmod(files[i % 2].constData(), (i / 2 % 2) ? 0600 : 0644), 0);
        QVERIFY(!monitor.unchangedSince(*calm));
        QVERIFY(!monitor.unchangedSince(*busy));
    }

    void whatCannotBeWatched_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << QStringLiteral("nothing-here");
        QTest::newRow("a file") << QStringLiteral("watched/a.txt");
        QTest::newRow("a link to a file") << QStringLiteral("watched/link");
        QTest::newRow("empty") << QString();
    }

    void whatCannotBeWatched()
    {
        QFETCH(QString, name);
        Fixture fixture;
        FolderChangeMonitor monitor;
        QVERIFY(!monitor.stampBeforeReading(name.isEmpty() ? QString() : fixture.root.filePath(name)));
        QCOMPARE(monitor.watchedCount(), qsizetype(0));
        // A default stamp vouches for nothing.
        QVERIFY(!monitor.unchangedSince(FolderChangeMonitor::Stamp{}));
    }

    // The kernel's own file systems report every change; /proc does not, so it is never
    // vouched for.
    void fileSystemsWithUnseenChangesAreNotWatched()
    {
        FolderChangeMonitor monitor;
        QVERIFY(!monitor.stampBeforeReading(QStringLiteral("/proc/self")));
        QDir shm(QStringLiteral("/dev/shm"));
        if (!shm.exists())
            QSKIP("no /dev/shm here");
        QTemporaryDir onTmpfs(QStringLiteral("/dev/shm/monitor-XXXXXX"));
        QVERIFY(onTmpfs.isValid());
        QVERIFY(monitor.stampBeforeReading(onTmpfs.path()));
    }
};

QTEST_GUILESS_MAIN(FolderChangeMonitorTest)
#include "tst_folderchangemonitor.moc"
