#include "desktop/content/PortalDirectoryWatcher.h"

#include "core/engine/PortalScan.h"
#include "core/store/FolderWatch.h"
#include "support/FolderWatchFlush.h"
#include "support/InotifyWatches.h"
#include "support/ListingChanges.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <vector>

#include <fcntl.h>
#include <unistd.h>
#include <memory>

using namespace mv;
using namespace mv::test;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(mv::test::ListingChange)

namespace {

constexpr int deliveryTimeout = 5000;

bool writeFile(const QString& path, const QByteArray& bytes, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile file(path);
    return file.open(mode) && file.write(bytes) == bytes.size();
}

using FolderPortalEngine::ExtensionDisplay;
using FolderPortalEngine::HiddenFiles;

// The tab's listing options as the fence content passes them.
struct Options : FolderPortalEngine::PortalListingOptions {
    Options() : PortalListingOptions{HiddenFiles::Skip, ExtensionDisplay::Show, {}, FenceSortMode::manual, {}} {}
};

using Tweak = std::function<void(Options&)>;

void update(PortalDirectoryWatcher& watcher, const std::optional<QUrl>& url, const Options& options = {})
{
    watcher.updateWatch(url, options);
}

// What the engine itself lists for the folder with these options.
PortalScanResult engineScan(const QString& folder, const Options& options)
{
    return FolderPortalEngine::scanDirectory(folder, options);
}

QStringList names(const PortalScanResult& result)
{
    QStringList names;
    for (const PortalFileEntry& entry : result.entries)
        names.append(entry.name);
    return names;
}

std::optional<qint64> sizeOf(const PortalScanResult& result, const QString& name)
{
    for (const PortalFileEntry& entry : result.entries) {
        if (entry.name == name)
            return entry.fileSize;
    }
    return std::nullopt;
}

// A portal folder with a small file, a larger one, a hidden one and a subfolder, a second
// folder, and a folder that only the tests change to flush the kernel's queue.
//
// A source on that last folder lives as long as the fixture. It keeps the thread's inotify
// instance open, as the program's other fences do, so that a folder watched anew shows as a
// new watch descriptor rather than as the same first descriptor of a reopened instance.
struct Fixture {
    QTemporaryDir root{QDir::tempPath() + u"/portal-XXXXXX"_s};
    QString folder = root.filePath(u"portal"_s);
    QString other = root.filePath(u"other"_s);
    QString flushFolder = root.filePath(u"flush"_s);
    std::unique_ptr<FolderWatch> instanceKeeper;
    int flushes = 0;

    Fixture()
    {
        QDir().mkpath(folder + u"/sub"_s);
        QDir().mkpath(other);
        QDir().mkpath(flushFolder);
        writeFile(folder + u"/a.txt"_s, "alpha");
        writeFile(folder + u"/big.bin"_s, QByteArray(100, 'b'));
        writeFile(folder + u"/.hidden"_s, "h");
        writeFile(other + u"/o.txt"_s, "o");
        instanceKeeper = FolderWatch::open(flushFolder);
    }

    QUrl url() const { return QUrl::fromLocalFile(folder); }
    QString in(const QString& name) const { return folder + u'/' + name; }

    // Lets every change made so far be delivered and rescanned: a change made afterwards in a
    // folder of its own comes through the same kernel queue behind them, and the rescans
    // they asked for are then waiting among the posted events.
    bool settle()
    {
        if (!deliverQueuedChanges(flushFolder, flushes, deliveryTimeout))
            return false;
        QCoreApplication::sendPostedEvents();
        return true;
    }

    // The inotify watches this process holds on the portal folder.
    QList<InotifyWatch> watches(const QString& path) const
    {
        const auto identity = folderIdentity(path);
        return identity ? inotifyWatchesOn(*identity) : QList<InotifyWatch>{};
    }
    QList<InotifyWatch> watches() const { return watches(folder); }
};

} // namespace

class PortalDirectoryWatcherTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!canInspectInotify())
            QSKIP("/proc shows no inotify watches here");
        Fixture fixture;
        QVERIFY(fixture.instanceKeeper);
    }

    // After each kind of change another program makes, every live listing comes to equal a
    // fresh reading, in every sort order with hidden files and extensions shown and not:
    // sizes and dates included, also of subfolders whose contents changed.
    void liveListingsFollowEveryKindOfChange_data()
    {
        QTest::addColumn<ListingChange>("change");
        for (const auto& [name, change] : listingChanges())
            QTest::newRow(name) << change;
    }

    void liveListingsFollowEveryKindOfChange()
    {
        QFETCH(ListingChange, change);
        QTemporaryDir root;
        const QString folder = root.filePath(u"portal"_s);
        QVERIFY(makeListingFolder(folder));
        const QList<FolderPortalEngine::PortalListingOptions> options = everyListingOption();
        std::vector<std::unique_ptr<PortalDirectoryWatcher>> watchers;
        for (const auto& option : options) {
            watchers.push_back(std::make_unique<PortalDirectoryWatcher>());
            watchers.back()->updateWatch(QUrl::fromLocalFile(folder), option);
            QCOMPARE(watchers.back()->scanResult(), FolderPortalEngine::scanDirectory(folder, option));
        }
        KeptOpen open;
        QVERIFY(change(folder, open));
        for (size_t i = 0; i < watchers.size(); ++i) {
            const auto fresh = [&] { return FolderPortalEngine::scanDirectory(folder, options[qsizetype(i)]); };
            QTRY_COMPARE_WITH_TIMEOUT(watchers[i]->scanResult(), fresh(), deliveryTimeout);
        }
    }

    // A download in progress writes many times between two turns of the event loop; the live
    // listing is read again once for them, not once a write.
    void writesToAnOpenFileRescanOncePerTurn()
    {
        Fixture fixture;
        PortalDirectoryWatcher watcher;
        update(watcher, fixture.url());
        QSignalSpy published(&watcher, &PortalDirectoryWatcher::scanResultChanged);
        const int fd = ::open(QFile::encodeName(fixture.in(u"a.txt"_s)).constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
        QVERIFY(fd >= 0);
        for (int i = 0; i < 100; ++i)
            QCOMPARE(::write(fd, "more", 4), 4);
        QVERIFY(fixture.settle());
        QCOMPARE(published.count(), 1);
        QCOMPARE(sizeOf(watcher.scanResult(), u"a.txt"_s), std::optional<qint64>(5 + 400));
        ::close(fd);
    }

    void startsEmptyAndIdle()
    {
        PortalDirectoryWatcher watcher;
        QSignalSpy published(&watcher, &PortalDirectoryWatcher::scanResultChanged);
        QCOMPARE(watcher.scanResult(), PortalScanResult{});
        QVERIFY(!watcher.watchedPath());
        QVERIFY(!watcher.lastConfig());
        watcher.refreshNow(); // nothing to rescan yet
        QCOMPARE(published.count(), 0);
        QCOMPARE(watcher.scanResult(), PortalScanResult{});
    }

    void firstCallListsAndWatches()
    {
        Fixture fixture;
        PortalDirectoryWatcher watcher;
        QSignalSpy published(&watcher, &PortalDirectoryWatcher::scanResultChanged);
        Options options;
        options.filter = u"a"_s;
        options.sortMode = FenceSortMode::nameAsc;
        update(watcher, fixture.url(), options);
        QCOMPARE(published.count(), 1);
        QCOMPARE(watcher.scanResult(), engineScan(fixture.folder, options));
        QCOMPARE(watcher.watchedPath(), std::optional(fixture.folder));
        const PortalDirectoryWatcher::WatchConfig expected{
            fixture.url(), {HiddenFiles::Skip, ExtensionDisplay::Show, u"a"_s, FenceSortMode::nameAsc, {}}};
        QCOMPARE(watcher.lastConfig(), std::optional(expected));
        QCOMPARE(fixture.watches().size(), 1);
    }

    // Spellings of one folder are one configuration: repeating the call with any of them
    // neither rescans nor watches the folder anew.
    void repeatedCallDoesNothing_data()
    {
        QTest::addColumn<QString>("spelling"); // appended to the folder's path
        QTest::newRow("same") << QString();
        QTest::newRow("trailing slash") << u"/"_s;
        QTest::newRow("dot segment") << u"/."_s;
        QTest::newRow("into a subfolder and back") << u"/sub/.."_s;
    }

    void repeatedCallDoesNothing()
    {
        QFETCH(QString, spelling);
        Fixture fixture;
        PortalDirectoryWatcher watcher;
        QSignalSpy published(&watcher, &PortalDirectoryWatcher::scanResultChanged);
        update(watcher, fixture.url());
        const QList<InotifyWatch> watch = fixture.watches();
        QCOMPARE(watch.size(), 1);

        update(watcher, QUrl::fromLocalFile(fixture.folder + spelling));
        QCOMPARE(published.count(), 1);
        QCOMPARE(watcher.lastConfig()->url, fixture.url());
        QCOMPARE(watcher.watchedPath(), std::optional(fixture.folder));
        // Watching anew would have let the old watch go and made a new descriptor.
        QCOMPARE(fixture.watches(), watch);
    }

    // The URL is standardized, never resolved: a symbolic link stays the path shown.
    void standardizedUrls_data()
    {
        QTest::addColumn<QString>("given"); // below the fixture's root
        QTest::addColumn<QString>("standardized");
        QTest::newRow("dot segments") << u"portal/./sub/../"_s << u"portal"_s;
        QTest::newRow("double slashes") << u"portal//sub//"_s << u"portal/sub"_s;
        QTest::newRow("symbolic link kept") << u"link/"_s << u"link"_s;
    }

    void standardizedUrls()
    {
        QFETCH(QString, given);
        QFETCH(QString, standardized);
        Fixture fixture;
        QVERIFY(QFile::link(fixture.folder, fixture.root.filePath(u"link"_s)));
        PortalDirectoryWatcher watcher;
        update(watcher, QUrl::fromLocalFile(fixture.root.path() + u'/' + given));
        const QString path = fixture.root.filePath(standardized);
        QCOMPARE(watcher.lastConfig()->url, QUrl::fromLocalFile(path));
        QCOMPARE(watcher.watchedPath(), std::optional(path));
        QCOMPARE(watcher.scanResult(), engineScan(path, {}));
    }

    void localhostUrlIsLocal()
    {
        Fixture fixture;
        PortalDirectoryWatcher watcher;
        QUrl url = fixture.url();
        url.setHost(u"localhost"_s);
        update(watcher, url);
        QCOMPARE(watcher.lastConfig()->url, fixture.url());
        QCOMPARE(watcher.watchedPath(), std::optional(fixture.folder));
        QVERIFY(!watcher.scanResult().isMissing);
    }

    // Any one option changed rescans with it, and keeps the watch.
    void optionChangeRescansWithTheSameWatch_data()
    {
        QTest::addColumn<Tweak>("tweak");
        QTest::newRow("sort mode") << Tweak([](Options& o) { o.sortMode = FenceSortMode::sizeDesc; });
        QTest::newRow("hidden files") << Tweak([](Options& o) { o.hiddenFiles = HiddenFiles::Show; });
        QTest::newRow("extensions") << Tweak([](Options& o) { o.extensions = ExtensionDisplay::Hide; });
        QTest::newRow("filter") << Tweak([](Options& o) { o.filter = u"big"_s; });
        QTest::newRow("manual order") << Tweak([](Options& o) { o.manualOrder = {u"big.bin"_s}; });
    }

    void optionChangeRescansWithTheSameWatch()
    {
        QFETCH(Tweak, tweak);
        Fixture fixture;
        PortalDirectoryWatcher watcher;
        QSignalSpy published(&watcher, &PortalDirectoryWatcher::scanResultChanged);
        update(watcher, fixture.url());
        const PortalScanResult before = watcher.scanResult();
        const QList<InotifyWatch> watch = fixture.watches();

        Options changed;
        tweak(changed);
        update(watcher, fixture.url(), changed);
        QCOMPARE(published.count(), 2);
        QCOMPARE(watcher.scanResult(), engineScan(fixture.folder, changed));
        QVERIFY(watcher.scanResult() != before);
        QCOMPARE(fixture.watches(), watch);
    }

    // A new folder is listed and watched, and the old one let go.
    void newFolderIsWatchedInstead()
    {
        Fixture fixture;
        PortalDirectoryWatcher watcher;
        QSignalSpy published(&watcher, &PortalDirectoryWatcher::scanResultChanged);
        update(watcher, fixture.url());
        update(watcher, QUrl::fromLocalFile(fixture.other));
        QCOMPARE(published.count(), 2);
        QCOMPARE(names(watcher.scanResult()), QStringList{u"o.txt"_s});
        QCOMPARE(watcher.watchedPath(), std::optional(fixture.other));
        QVERIFY(fixture.watches().isEmpty());
        QCOMPARE(fixture.watches(fixture.other).size(), 1);

        QVERIFY(writeFile(fixture.other + u"/new.txt"_s, "n"));
        QTRY_VERIFY_WITH_TIMEOUT(names(watcher.scanResult()).contains(u"new.txt"_s), deliveryTimeout);
    }

    void noUrlStopsAndPublishesMissing()
    {
        Fixture fixture;
        PortalDirectoryWatcher watcher;
        QSignalSpy published(&watcher, &PortalDirectoryWatcher::scanResultChanged);
        update(watcher, fixture.url());
        update(watcher, std::nullopt);
        QCOMPARE(published.count(), 2);
        QCOMPARE(watcher.scanResult(), (PortalScanResult{{}, true}));
        QVERIFY(!watcher.watchedPath());
        QVERIFY(!watcher.lastConfig());
        QVERIFY(fixture.watches().isEmpty());

        QVERIFY(writeFile(fixture.in(u"new.txt"_s), "n"));
        QVERIFY(fixture.settle());
        QCOMPARE(published.count(), 2);

        update(watcher, std::nullopt); // published again, though equal
        QCOMPARE(published.count(), 3);
    }

    // What names no local folder lists as missing, is never resolved against the working
    // directory, and is not watched.
    void urlWithoutLocalFolder_data()
    {
        QTest::addColumn<QUrl>("url"); // "ROOT" stands for the fixture's root
        QTest::newRow("web address") << QUrl(u"https://example.org/portal"_s);
        QTest::newRow("another machine's folder") << QUrl(u"file://server/ROOT/portal"_s);
        QTest::newRow("relative file URL") << QUrl(u"file:portal"_s);
        QTest::newRow("empty URL") << QUrl();
    }

    void urlWithoutLocalFolder()
    {
        QFETCH(QUrl, url);
        Fixture fixture;
        url.setPath(url.path().replace(u"ROOT"_s, fixture.root.path().mid(1)));
        const QString workingFolder = QDir::currentPath();
        QVERIFY(QDir::setCurrent(fixture.root.path()));
        PortalDirectoryWatcher watcher;
        QSignalSpy published(&watcher, &PortalDirectoryWatcher::scanResultChanged);
        update(watcher, fixture.url()); // watching something first
        update(watcher, url);
        QVERIFY(QDir::setCurrent(workingFolder));
        QCOMPARE(published.count(), 2);
        QCOMPARE(watcher.scanResult(), (PortalScanResult{{}, true}));
        QCOMPARE(watcher.lastConfig()->url, url);
        QVERIFY(!watcher.watchedPath());
        QVERIFY(fixture.watches().isEmpty());
    }

    // A folder that cannot be opened is still listed (as the engine sees it) and left
    // unwatched; the same call again does not rescan but tries to watch it again.
    void unopenableFolderIsListedAndRetried()
    {
        Fixture fixture;
        const QString later = fixture.root.filePath(u"later"_s);
        PortalDirectoryWatcher watcher;
        QSignalSpy published(&watcher, &PortalDirectoryWatcher::scanResultChanged);
        update(watcher, QUrl::fromLocalFile(later));
        QCOMPARE(published.count(), 1);
        QCOMPARE(watcher.scanResult(), (PortalScanResult{{}, true}));
        QVERIFY(!watcher.watchedPath());
        QCOMPARE(watcher.lastConfig()->url, QUrl::fromLocalFile(later));

        QVERIFY(QDir().mkpath(later));
        update(watcher, QUrl::fromLocalFile(later));
        QCOMPARE(published.count(), 1);
        QCOMPARE(watcher.scanResult(), (PortalScanResult{{}, true}));
        QCOMPARE(watcher.watchedPath(), std::optional(later));
        QCOMPARE(fixture.watches(later).size(), 1);

        // Watched now: its changes come through.
        QVERIFY(writeFile(later + u"/new.txt"_s, "n"));
        QTRY_COMPARE_WITH_TIMEOUT(names(watcher.scanResult()), QStringList{u"new.txt"_s}, deliveryTimeout);
    }

    void regularFileIsListedAsMissing()
    {
        Fixture fixture;
        PortalDirectoryWatcher watcher;
        update(watcher, QUrl::fromLocalFile(fixture.in(u"a.txt"_s)));
        QCOMPARE(watcher.scanResult(), (PortalScanResult{{}, true}));
        QVERIFY(!watcher.watchedPath());
    }

    // Another program's file appears without any call, listed with the options current when
    // the change is delivered.
    void fileMadeElsewhereAppears()
    {
        Fixture fixture;
        PortalDirectoryWatcher watcher;
        update(watcher, fixture.url());
        Options current;
        current.sortMode = FenceSortMode::sizeDesc;
        update(watcher, fixture.url(), current);
        QVERIFY(writeFile(fixture.in(u"new.txt"_s), "n"));
        QTRY_VERIFY_WITH_TIMEOUT(names(watcher.scanResult()).contains(u"new.txt"_s), deliveryTimeout);
        QCOMPARE(watcher.scanResult(), engineScan(fixture.folder, current));
    }

    void removedAndRenamedFilesAreFollowed()
    {
        Fixture fixture;
        PortalDirectoryWatcher watcher;
        update(watcher, fixture.url());
        QVERIFY(QFile::remove(fixture.in(u"big.bin"_s)));
        QVERIFY(QFile::rename(fixture.in(u"a.txt"_s), fixture.in(u"b.txt"_s)));
        QTRY_COMPARE_WITH_TIMEOUT(names(watcher.scanResult()), (QStringList{u"sub"_s, u"b.txt"_s}), deliveryTimeout);
    }

    // A file that finished being written shows its new size.
    void finishedWriteUpdatesTheSize()
    {
        Fixture fixture;
        PortalDirectoryWatcher watcher;
        update(watcher, fixture.url());
        QCOMPARE(sizeOf(watcher.scanResult(), u"a.txt"_s), std::optional<qint64>(5));
        QVERIFY(writeFile(fixture.in(u"a.txt"_s), "0123456789", QIODevice::Append));
        QTRY_COMPARE_WITH_TIMEOUT(sizeOf(watcher.scanResult(), u"a.txt"_s), std::optional<qint64>(15), deliveryTimeout);
    }

    // Were the watcher's own scans reported, each would cause the next for ever.
    void ownScansCauseNoRescan()
    {
        Fixture fixture;
        PortalDirectoryWatcher watcher;
        QSignalSpy published(&watcher, &PortalDirectoryWatcher::scanResultChanged);
        update(watcher, fixture.url());
        watcher.refreshNow();
        QVERIFY(fixture.settle());
        QCOMPARE(published.count(), 2);
    }

    void deletedFolderIsListedAsMissing()
    {
        Fixture fixture;
        PortalDirectoryWatcher watcher;
        update(watcher, fixture.url());
        QVERIFY(QDir(fixture.folder).removeRecursively());
        QTRY_VERIFY_WITH_TIMEOUT(watcher.scanResult().isMissing, deliveryTimeout);
        QVERIFY(watcher.scanResult().entries.isEmpty());
        // Nothing is watched at the path while nothing is there; its parent waits for it.
        QVERIFY(!watcher.watchedPath());
    }

    // A folder that goes away, or is not there yet, is watched again once it is back: what is
    // made in it then is listed without the tab being pointed at it anew.
    void folderBackUnderItsPathIsWatchedAgain_data()
    {
        QTest::addColumn<QString>("away"); // how the folder leaves
        QTest::newRow("deleted") << u"deleted"_s;
        QTest::newRow("moved away") << u"moved"_s;
        QTest::newRow("its parent deleted too") << u"parent"_s;
        QTest::newRow("not there at first") << u"absent"_s;
    }

    void folderBackUnderItsPathIsWatchedAgain()
    {
        QFETCH(QString, away);
        Fixture fixture;
        const QString nested = fixture.root.filePath(u"outer/inner/portal"_s);
        const QString folder = away == u"parent"_s ? nested : fixture.folder;
        if (away == u"parent"_s)
            QVERIFY(QDir().mkpath(nested));
        if (away == u"absent"_s)
            QVERIFY(QDir(fixture.folder).removeRecursively());
        PortalDirectoryWatcher watcher;
        update(watcher, QUrl::fromLocalFile(folder));
        if (away == u"deleted"_s)
            QVERIFY(QDir(folder).removeRecursively());
        else if (away == u"moved"_s)
            QVERIFY(QDir().rename(folder, fixture.root.filePath(u"elsewhere"_s)));
        else if (away == u"parent"_s)
            QVERIFY(QDir(fixture.root.filePath(u"outer"_s)).removeRecursively());
        QTRY_VERIFY_WITH_TIMEOUT(watcher.scanResult().isMissing, deliveryTimeout);
        QVERIFY(!watcher.watchedPath());

        QVERIFY(QDir().mkpath(folder));
        QVERIFY(writeFile(folder + u"/first.txt"_s, "1"));
        QTRY_COMPARE_WITH_TIMEOUT(names(watcher.scanResult()), QStringList{u"first.txt"_s}, deliveryTimeout);
        QVERIFY(!watcher.scanResult().isMissing);
        QCOMPARE(watcher.watchedPath(), std::optional(folder));

        // Followed from now on, not listed once.
        QVERIFY(writeFile(folder + u"/second.txt"_s, "2"));
        QTRY_COMPARE_WITH_TIMEOUT(names(watcher.scanResult()), (QStringList{u"first.txt"_s, u"second.txt"_s}),
                                  deliveryTimeout);
    }

    // While the folder is away, what changes beside it is no reason to list it again.
    void busyParentPublishesNothingWhileTheFolderIsAway()
    {
        Fixture fixture;
        QVERIFY(QDir(fixture.folder).removeRecursively());
        PortalDirectoryWatcher watcher;
        QSignalSpy published(&watcher, &PortalDirectoryWatcher::scanResultChanged);
        update(watcher, fixture.url());
        QCOMPARE(published.count(), 1);
        for (int i = 0; i < 20; ++i)
            QVERIFY(writeFile(fixture.root.filePath(u"beside-%1.txt"_s.arg(i)), "b"));
        QVERIFY(fixture.settle());
        QCOMPARE(published.count(), 1);
        QVERIFY(watcher.scanResult().isMissing);
    }

    // The folder watched is the one opened: moved away, it is still followed, and the listing
    // shows what is now at the configured path.
    void movedFolderRescansTheConfiguredPath()
    {
        Fixture fixture;
        PortalDirectoryWatcher watcher;
        update(watcher, fixture.url());
        const QString moved = fixture.root.filePath(u"moved"_s);
        QVERIFY(QDir().rename(fixture.folder, moved));
        QTRY_VERIFY_WITH_TIMEOUT(watcher.scanResult().isMissing, deliveryTimeout);

        QVERIFY(QDir().mkpath(fixture.folder));
        QVERIFY(writeFile(fixture.in(u"fresh.txt"_s), "f"));
        QVERIFY(writeFile(moved + u"/elsewhere.txt"_s, "e")); // reported by the folder followed
        QTRY_COMPARE_WITH_TIMEOUT(names(watcher.scanResult()), QStringList{u"fresh.txt"_s}, deliveryTimeout);
    }

    void refreshNowListsAtOnce()
    {
        Fixture fixture;
        PortalDirectoryWatcher watcher;
        QSignalSpy published(&watcher, &PortalDirectoryWatcher::scanResultChanged);
        update(watcher, fixture.url());
        QVERIFY(QFile::remove(fixture.in(u"a.txt"_s)));
        watcher.refreshNow();
        QCOMPARE(published.count(), 2);
        QVERIFY(!names(watcher.scanResult()).contains(u"a.txt"_s));

        watcher.refreshNow(); // published again, though equal
        QCOMPARE(published.count(), 3);
    }

    void stopKeepsTheListingAndEndsTheWatch()
    {
        Fixture fixture;
        PortalDirectoryWatcher watcher;
        QSignalSpy published(&watcher, &PortalDirectoryWatcher::scanResultChanged);
        update(watcher, fixture.url());
        const PortalScanResult listing = watcher.scanResult();
        QVERIFY(!listing.entries.isEmpty());

        watcher.stop();
        QCOMPARE(watcher.scanResult(), listing);
        QVERIFY(!watcher.watchedPath());
        QVERIFY(!watcher.lastConfig());
        QVERIFY(fixture.watches().isEmpty());

        watcher.refreshNow();
        QVERIFY(writeFile(fixture.in(u"new.txt"_s), "n"));
        QVERIFY(fixture.settle());
        QCOMPARE(published.count(), 1);
        QCOMPARE(watcher.scanResult(), listing);

        // Started again with the same arguments, it lists afresh.
        update(watcher, fixture.url());
        QCOMPARE(published.count(), 2);
        QVERIFY(names(watcher.scanResult()).contains(u"new.txt"_s));
    }

    // A change delivered after stop() but before its rescan ran does nothing.
    void deliveryPendingAtStopDoesNothing()
    {
        Fixture fixture;
        PortalDirectoryWatcher watcher;
        QSignalSpy published(&watcher, &PortalDirectoryWatcher::scanResultChanged);
        update(watcher, fixture.url());
        const auto observer = FolderWatch::open(fixture.folder);
        QVERIFY(observer);
        connect(observer.get(), &FolderWatch::changed, &watcher, [&] { watcher.stop(); });
        QVERIFY(writeFile(fixture.in(u"new.txt"_s), "n"));
        QTRY_VERIFY_WITH_TIMEOUT(!watcher.lastConfig(), deliveryTimeout);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(published.count(), 1);
    }

    // A listener may point the watcher elsewhere from a rescan a delivery caused.
    void listenerMayRepointFromADeliveredRescan()
    {
        Fixture fixture;
        PortalDirectoryWatcher watcher;
        update(watcher, fixture.url());
        connect(&watcher, &PortalDirectoryWatcher::scanResultChanged, &watcher, [&] {
            if (names(watcher.scanResult()).contains(u"go.txt"_s))
                update(watcher, QUrl::fromLocalFile(fixture.other));
        });
        QVERIFY(writeFile(fixture.in(u"go.txt"_s), "g"));
        QTRY_COMPARE_WITH_TIMEOUT(watcher.watchedPath(), std::optional(fixture.other), deliveryTimeout);
        QVERIFY(writeFile(fixture.other + u"/new.txt"_s, "n"));
        QTRY_VERIFY_WITH_TIMEOUT(names(watcher.scanResult()).contains(u"new.txt"_s), deliveryTimeout);
    }

    // A source of the test's own on the same folder destroys the watcher from the delivery
    // of a change. Sources are told in the order they opened, so the watcher's source has
    // been told and its rescan is pending then; were the order the other way round, the
    // watcher's source would be destroyed before being told. Neither may touch the destroyed
    // watcher (AddressSanitizer reports it if one does).
    void watcherDestroyedWithDeliveryPending()
    {
        Fixture fixture;
        auto* watcher = new PortalDirectoryWatcher;
        QPointer<PortalDirectoryWatcher> alive(watcher);
        update(*watcher, fixture.url());
        const auto observer = FolderWatch::open(fixture.folder);
        QVERIFY(observer);
        QSignalSpy observed(observer.get(), &FolderWatch::changed);
        connect(observer.get(), &FolderWatch::changed, observer.get(), [&] { delete alive.data(); });
        QVERIFY(writeFile(fixture.in(u"new.txt"_s), "n"));
        QVERIFY(observed.wait(deliveryTimeout));
        QVERIFY(!alive);
        QCoreApplication::sendPostedEvents();

        // The folder's watch now serves the remaining source alone, which still hears it.
        QCOMPARE(fixture.watches().size(), 1);
        QVERIFY(writeFile(fixture.in(u"more.txt"_s), "m"));
        QVERIFY(observed.wait(deliveryTimeout));
    }

    void destroyedWatcherLetsTheWatchGo()
    {
        Fixture fixture;
        {
            PortalDirectoryWatcher watcher;
            update(watcher, fixture.url());
            QCOMPARE(fixture.watches().size(), 1);
        }
        QVERIFY(fixture.watches().isEmpty());
    }

    // Fences on one folder share the kernel's watch; one going away keeps the other live.
    void twoWatchersOnOneFolder()
    {
        Fixture fixture;
        PortalDirectoryWatcher kept;
        auto gone = std::make_unique<PortalDirectoryWatcher>();
        update(kept, fixture.url());
        update(*gone, fixture.url());
        QCOMPARE(fixture.watches().size(), 1);
        gone.reset();
        QCOMPARE(fixture.watches().size(), 1);
        QVERIFY(writeFile(fixture.in(u"new.txt"_s), "n"));
        QTRY_VERIFY_WITH_TIMEOUT(names(kept.scanResult()).contains(u"new.txt"_s), deliveryTimeout);
    }
};

QTEST_GUILESS_MAIN(PortalDirectoryWatcherTest)
#include "tst_portaldirectorywatcher.moc"
