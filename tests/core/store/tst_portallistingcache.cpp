#include "core/engine/PortalScan.h"
#include "core/store/PortalListingCache.h"
#include "core/store/FolderWatch.h"
#include "core/store/LiveFolderListing.h"
#include "core/engine/SpotSearchEngine.h"
#include "support/ListingChanges.h"
#include "support/StoreFixture.h"

#include <QtTest>

#include <atomic>
#include <functional>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mv;
using namespace mv::FolderPortalEngine;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(mv::FenceSortMode)
Q_DECLARE_METATYPE(mv::test::ListingChange)

namespace {

using Change = std::function<bool(const QString& folder)>;

const qint64 base = 1767225600; // 2026-01-01

bool makeFile(const QString& path, qsizetype size, qint64 modified)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(size, 'x')) != size)
        return false;
    file.close();
    struct timespec times[2] = {{modified, 0}, {modified, 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

// Forty files of different names, sizes and dates, and two folders: enough that a head of
// eight leaves most out, so a change can bring a new entry to the front.
bool populate(const QString& folder)
{
    for (const QString& sub : {u"/Folder A"_s, u"/Folder B"_s}) {
        const struct timespec times[2] = {{base, 0}, {base, 0}};
        if (!QDir().mkpath(folder + sub)
            || ::utimensat(AT_FDCWD, QFile::encodeName(folder + sub).constData(), times, 0) != 0)
            return false;
    }
    for (int i = 0; i < 40; ++i) {
        if (!makeFile(folder + u"/file %1.txt"_s.arg(i), 10 + i * 7 % 41, base + i * 3600))
            return false;
    }
    return true;
}

FenceTab portalTab(const QString& path, FenceSortMode mode)
{
    FenceTab tab = plainTab(FenceKind::portal, u"传送门"_s);
    tab.portalPath = path;
    tab.sortMode = mode;
    return tab;
}

PortalScanResult freshReading(const FenceTab& tab, qsizetype limit)
{
    if (limit >= 0)
        return scanDirectoryHead(*tab.portalPath, PortalListingOptions::of(tab), limit);
    return scanDirectory(*tab.portalPath, PortalListingOptions::of(tab));
}

bool watchable(const QString& folder)
{
    const auto watch = FolderWatch::open(folder);
    return watch && watch->stampBeforeReading();
}

FenceTab tabListing(const QString& path, const PortalListingOptions& options)
{
    FenceTab tab = plainTab(FenceKind::portal, u"传送门"_s);
    tab.portalPath = path;
    tab.showHiddenFiles = options.hiddenFiles == HiddenFiles::Show;
    tab.showExtensions = options.extensions == ExtensionDisplay::Show;
    tab.portalFilter = options.filter;
    tab.sortMode = options.sortMode;
    tab.manualOrder = options.manualOrder;
    return tab;
}

// A fresh reading, whole (limit < 0) or its head.
PortalScanResult freshScan(const FenceTab& tab, qsizetype limit)
{
    PortalScanResult result = scanDirectory(*tab.portalPath, PortalListingOptions::of(tab));
    if (limit >= 0 && result.entries.size() > limit)
        result.entries.resize(limit);
    return result;
}

// What the widget shows of a listing's head: the items' ids are made afresh at every
// publication, so the rest of each item is compared.
QStringList shownItems(const QList<WidgetSnapshotItem>& items)
{
    QStringList shown;
    for (const WidgetSnapshotItem& item : items)
        shown.append(item.title + u'|' + item.subtitle.value_or(QString()) + u'|' + item.symbolName);
    return shown;
}

QStringList shownEntries(const PortalScanResult& result)
{
    QStringList shown;
    for (const PortalFileEntry& entry : result.entries.first(std::min(qsizetype(8), result.entries.size())))
        shown.append(entry.displayName + u'|' + entry.formattedSize() + u'|' + entry.symbolName);
    return shown;
}

QStringList names(const PortalScanResult& result)
{
    QStringList list;
    for (const PortalFileEntry& entry : result.entries)
        list.append(entry.name);
    return list;
}

} // namespace

class PortalListingCacheTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // After each kind of change the listing handed out is the one a fresh reading gives, for
    // heads and whole listings alike; with no change, the kept listing is handed out again.
    void listingAfterAChangeEqualsAFreshReading_data()
    {
        QTest::addColumn<FenceSortMode>("mode");
        QTest::addColumn<Change>("change");
        QTest::addColumn<bool>("shows"); // whether the change alters what is listed
        const auto at = [](const QString& folder, const QString& name) { return folder + u'/' + name; };
        QTest::newRow("name: file made that sorts first") << FenceSortMode::nameAsc
            << Change([=](const QString& f) { return makeFile(at(f, u"000 first.txt"_s), 1, base); }) << true;
        QTest::newRow("name: first file removed") << FenceSortMode::nameAsc
            << Change([=](const QString& f) { return QFile::remove(at(f, u"file 0.txt"_s)); }) << true;
        QTest::newRow("name: folder renamed") << FenceSortMode::nameAsc
            << Change([=](const QString& f) { return QDir().rename(at(f, u"Folder B"_s), at(f, u"0 Folder"_s)); }) << true;
        QTest::newRow("date: old file touched to newest") << FenceSortMode::dateModifiedDesc
            << Change([=](const QString& f) { return makeFile(at(f, u"file 3.txt"_s), 5, base + 86400 * 30); }) << true;
        QTest::newRow("date: file written now") << FenceSortMode::dateModifiedDesc << Change([=](const QString& f) {
            QFile file(at(f, u"file 1.txt"_s));
            return file.open(QIODevice::Append) && file.write("now") == 3;
        }) << true;
        QTest::newRow("size: file grown to largest") << FenceSortMode::sizeDesc
            << Change([=](const QString& f) { return makeFile(at(f, u"file 2.txt"_s), 4096, base); }) << true;
        QTest::newRow("kind: file of a new kind") << FenceSortMode::kindAsc
            << Change([=](const QString& f) { return makeFile(at(f, u"z.aaa"_s), 1, base); }) << true;
        QTest::newRow("manual: hidden file made, hidden files skipped") << FenceSortMode::manual
            << Change([=](const QString& f) { return makeFile(at(f, u".secret"_s), 1, base); }) << false;
        QTest::newRow("date: folder replaced") << FenceSortMode::dateModifiedDesc << Change([=](const QString& f) {
            return QDir(f).removeRecursively() && QDir().mkpath(f) && makeFile(at(f, u"only.txt"_s), 1, base);
        }) << true;
        QTest::newRow("name: folder removed") << FenceSortMode::nameAsc
            << Change([=](const QString& f) { return QDir(f).removeRecursively(); }) << true;
    }

    void listingAfterAChangeEqualsAFreshReading()
    {
        QFETCH(FenceSortMode, mode);
        QFETCH(Change, change);
        QFETCH(bool, shows);
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"portal"_s);
        QVERIFY(populate(folder));
        const FenceTab tab = portalTab(folder, mode);

        for (const qsizetype limit : {qsizetype(8), qsizetype(-1)}) {
            PortalListingCache cache;
            {
                PortalListingCache::Pass pass(cache, limit);
                QCOMPARE(pass.list(tab), freshReading(tab, limit));
                QCOMPARE(pass.list(tab), freshReading(tab, limit));
            }
            if (watchable(folder))
                QCOMPARE(cache.keptCount(), qsizetype(1));
            const QStringList before = names(freshReading(tab, limit));
            QVERIFY(change(folder));
            PortalListingCache::Pass pass(cache, limit);
            const PortalScanResult after = pass.list(tab);
            QCOMPARE(after, freshReading(tab, limit));
            QCOMPARE(names(after) != before, shows);
            QVERIFY(QDir(dir.path()).removeRecursively() && populate(folder)); // for the next limit
        }
    }

    // A symbolic link as the portal path: pointed at another folder, the listing follows.
    void linkedPortalPointedElsewhere()
    {
        QTemporaryDir dir;
        QVERIFY(populate(dir.filePath(u"one"_s)));
        QVERIFY(QDir().mkpath(dir.filePath(u"two"_s)));
        QVERIFY(makeFile(dir.filePath(u"two/other.txt"_s), 3, base));
        const QString link = dir.filePath(u"portal"_s);
        QVERIFY(QFile::link(dir.filePath(u"one"_s), link));
        const FenceTab tab = portalTab(link, FenceSortMode::nameAsc);

        PortalListingCache cache;
        {
            PortalListingCache::Pass pass(cache, 8);
            QCOMPARE(pass.list(tab).entries.size(), qsizetype(8));
        }
        QVERIFY(QFile::remove(link));
        QVERIFY(QFile::link(dir.filePath(u"two"_s), link));
        PortalListingCache::Pass pass(cache, 8);
        QCOMPARE(names(pass.list(tab)), QStringList{u"other.txt"_s});
    }

    // A pass drops the listings of its sort that it did not read; those of the other sort and
    // the ones it read stay. Unbound paths are never kept; access-time orders are, like any.
    void passesKeepOnlyWhatTheyRead()
    {
        QTemporaryDir dir;
        const QString one = dir.filePath(u"one"_s);
        const QString two = dir.filePath(u"two"_s);
        QVERIFY(populate(one));
        QVERIFY(populate(two));
        if (!watchable(one))
            QSKIP("the temporary folder lies on a file system whose changes are not seen");
        const FenceTab first = portalTab(one, FenceSortMode::nameAsc);
        const FenceTab second = portalTab(two, FenceSortMode::dateModifiedDesc);
        FenceTab hiddenShown = first;
        hiddenShown.showHiddenFiles = true;

        PortalListingCache cache;
        {
            PortalListingCache::Pass heads(cache, 8);
            heads.list(first);
            heads.list(second);
            heads.list(hiddenShown); // other settings, another listing
        }
        QCOMPARE(cache.keptCount(), qsizetype(3));
        {
            PortalListingCache::Pass whole(cache, -1);
            whole.list(first);
        }
        QCOMPARE(cache.keptCount(), qsizetype(4));
        {
            PortalListingCache::Pass heads(cache, 8);
            heads.list(second);
        }
        QCOMPARE(cache.keptCount(), qsizetype(2));
        {
            PortalListingCache::Pass heads(cache, 8);
            const FenceTab byAccess = portalTab(one, FenceSortMode::lastAccessedDesc);
            QCOMPARE(heads.list(byAccess), freshReading(byAccess, 8));
            const FenceTab unbound = portalTab(u"relative/path"_s, FenceSortMode::nameAsc);
            QVERIFY(heads.list(unbound).isMissing);
        }
        QCOMPARE(cache.keptCount(), qsizetype(2)); // the whole listing of the first, the head by access
    }

    // After each kind of change another program makes, the kept listings (heads and whole),
    // the store's widget snapshot and its search equal a fresh reading, in every sort order
    // with hidden files and extensions shown and not.
    void keptListingsFollowEveryKindOfChange_data()
    {
        QTest::addColumn<test::ListingChange>("change");
        for (const auto& [name, change] : test::listingChanges())
            QTest::newRow(name) << change;
    }

    void keptListingsFollowEveryKindOfChange()
    {
        QFETCH(test::ListingChange, change);
        TwoWorkspaceStore w;
        const QString folder = w.path(u"portal"_s);
        QVERIFY(test::makeListingFolder(folder));
        if (!watchable(folder))
            QSKIP("the temporary folder lies on a file system whose changes are not seen");
        QList<FenceTab> tabs;
        QList<FenceModel> fences;
        for (const PortalListingOptions& options : test::everyListingOption()) {
            tabs.append(tabListing(folder, options));
            fences.append(w.appendFence(w.desk, u"传送门"_s, {tabs.last()}));
        }
        const QString query = u"a"_s;
        const auto freshSearch = [&] {
            PortalListings listings;
            for (const FenceTab& tab : std::as_const(tabs))
                listings.insert(tab.id, freshScan(tab, -1).entries);
            return SpotSearchEngine::search(query, w.store->activeFences(), listings, 32);
        };
        const auto checkStore = [&] {
            const WidgetSnapshotPayload payload = w.store->makeWidgetSnapshot();
            QCOMPARE(payload.fences.size(), fences.size());
            for (qsizetype i = 0; i < fences.size(); ++i) {
                QCOMPARE(payload.fences[i].id, fences[i].id);
                QCOMPARE(shownItems(payload.fences[i].items), shownEntries(freshScan(tabs[i], 8)));
            }
            QCOMPARE(w.store->spotSearch(query), freshSearch());
        };

        PortalListingCache cache;
        const auto checkCache = [&] {
            for (const qsizetype limit : {qsizetype(8), qsizetype(-1)}) {
                PortalListingCache::Pass pass(cache, limit);
                for (const FenceTab& tab : std::as_const(tabs))
                    QCOMPARE(pass.list(tab), freshScan(tab, limit));
            }
        };
        checkCache();
        checkStore();
        QVERIFY(cache.keptCount() > 0);

        test::KeptOpen open;
        QVERIFY(change(folder, open));
        checkCache();
        checkStore();
    }

    // Each listing option alone, changed, gives a listing of its own: the kept listings stay
    // distinct, and each equals its fresh reading.
    void everyOptionShapesItsOwnKeptListing_data()
    {
        QTest::addColumn<qsizetype>("limit");
        QTest::newRow("heads") << qsizetype(8);
        QTest::newRow("whole") << qsizetype(-1);
    }

    void everyOptionShapesItsOwnKeptListing()
    {
        QFETCH(qsizetype, limit);
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"portal"_s);
        QVERIFY(test::makeListingFolder(folder));
        if (!watchable(folder))
            QSKIP("the temporary folder lies on a file system whose changes are not seen");
        const PortalListingOptions plain{HiddenFiles::Skip, ExtensionDisplay::Hide, QString(), FenceSortMode::manual, {}};
        using Tweak = std::function<void(PortalListingOptions&)>;
        const QList<Tweak> tweaks = {
            [](PortalListingOptions&) {},
            [](PortalListingOptions& o) { o.hiddenFiles = HiddenFiles::Show; },
            [](PortalListingOptions& o) { o.extensions = ExtensionDisplay::Show; },
            [](PortalListingOptions& o) { o.filter = u"a"_s; },
            [](PortalListingOptions& o) { o.sortMode = FenceSortMode::sizeDesc; },
            [](PortalListingOptions& o) { o.manualOrder = {u"report.PDF"_s}; },
        };
        QList<FenceTab> tabs;
        for (const Tweak& tweak : tweaks) {
            PortalListingOptions options = plain;
            tweak(options);
            tabs.append(tabListing(folder, options));
        }
        PortalListingCache cache;
        for (int round = 0; round < 2; ++round) { // the second hands out what the first kept
            PortalListingCache::Pass pass(cache, limit);
            QList<PortalScanResult> listed;
            for (const FenceTab& tab : std::as_const(tabs)) {
                listed.append(pass.list(tab));
                QCOMPARE(listed.last(), freshScan(tab, limit));
            }
            for (qsizetype i = 1; i < listed.size(); ++i)
                QVERIFY2(listed[i] != listed[0], qPrintable(u"option %1 lists as the plain one"_s.arg(i)));
            QCOMPARE(cache.keptCount(), tabs.size());
        }
        // One folder, however many listings of it: one watch.
        QCOMPARE(cache.watchedCount(), qsizetype(1));
    }

    // A folder with more subfolders than can be watched for it is never kept: a change inside
    // one of them must still show.
    void folderWithUnwatchedSubfoldersIsReadAfresh()
    {
        // In memory where there is a place for it: thousands of folders are slow to make on disk.
        QTemporaryDir inMemory(u"/dev/shm/listing-XXXXXX"_s);
        QTemporaryDir onDisk;
        const QString folder = (inMemory.isValid() ? inMemory : onDisk).filePath(u"portal"_s);
        QVERIFY(QDir().mkpath(folder));
        if (!watchable(folder))
            QSKIP("the temporary folder lies on a file system whose changes are not seen");
        for (int i = 0; i <= 2048; ++i)
            QVERIFY(QDir().mkdir(folder + u"/sub %1"_s.arg(i)));
        QVERIFY(test::setTimes(folder + u"/sub 7"_s, test::listingBase, test::listingBase));
        const auto watch = FolderWatch::open(folder);
        QVERIFY(watch);
        QVERIFY(!watch->coversSubfolders());
        QVERIFY(!watch->stampBeforeReading());

        const FenceTab tab = portalTab(folder, FenceSortMode::dateModifiedDesc);
        PortalListingCache cache;
        {
            PortalListingCache::Pass pass(cache, 8);
            QCOMPARE(pass.list(tab), freshScan(tab, 8));
        }
        QCOMPARE(cache.keptCount(), qsizetype(0));
        QVERIFY(test::makeListedFile(folder + u"/sub 7/new.txt"_s, 1, test::listingBase));
        PortalListingCache::Pass pass(cache, 8);
        QCOMPARE(pass.list(tab), freshScan(tab, 8));
    }

    // Through the store: a note keystroke saves without reading the folders again, yet the
    // snapshot shows a file made in a date-sorted portal at once, and a search finds it.
    void storeShowsChangesOfKeptFolders()
    {
        TwoWorkspaceStore w;
        const QString folder = w.path(u"desk"_s);
        QVERIFY(populate(folder));
        FenceTab notes = plainTab(FenceKind::notes, u"便笺"_s);
        const FenceModel portal = w.appendFence(w.desk, u"下载"_s, {portalTab(folder, FenceSortMode::dateModifiedDesc)});
        const FenceModel note = w.appendFence(w.desk, u"便笺"_s, {notes});
        w.store->save();
        const auto headOf = [&] {
            const WidgetSnapshotPayload payload = w.store->makeWidgetSnapshot();
            for (const WidgetSnapshotFence& fence : payload.fences) {
                if (fence.id == portal.id)
                    return fence.items.isEmpty() ? QString() : fence.items.first().title;
            }
            return QString();
        };
        QCOMPARE(headOf(), u"file 39.txt"_s);
        w.store->updateNoteText(u"一"_s, note.id);
        QCOMPARE(headOf(), u"file 39.txt"_s);

        QVERIFY(makeFile(folder + u"/最新的文件.txt"_s, 1, base + 86400 * 365));
        w.store->updateNoteText(u"一二"_s, note.id);
        QCOMPARE(headOf(), u"最新的文件.txt"_s);
        // What was published on that save says the same.
        w.flushSaves();
        const auto published = json::decode<WidgetSnapshotPayload>(StoreFixture::readFile(w.snapshotPath()));
        QVERIFY(published);
        const auto fence = std::find_if(published.value().fences.cbegin(), published.value().fences.cend(),
                                        [&](const WidgetSnapshotFence& f) { return f.id == portal.id; });
        QVERIFY(fence != published.value().fences.cend() && !fence->items.isEmpty());
        QCOMPARE(fence->items.first().title, u"最新的文件.txt"_s);

        QVERIFY(w.store->spotSearch(u"最新"_s).size() >= 1);
        QVERIFY(QFile::remove(folder + u"/最新的文件.txt"_s));
        const QList<SpotSearchResult> afterRemoval = w.store->spotSearch(u"最新"_s);
        QVERIFY(std::none_of(afterRemoval.cbegin(), afterRemoval.cend(),
                             [](const SpotSearchResult& r) { return r.title.contains(u"最新的文件"_s); }));
    }

    // At start-up the portal folders are read on a worker. A search keystroke and a save made
    // meanwhile wait for none of it: the search leaves the unread folder out and the state is
    // written at once. Once the worker is done the store says so, the same search finds the
    // folder's files, and the snapshot is published with the heads a fresh reading gives.
    void startUpSearchAndSaveDoNotWaitForTheWorker_data() { portalHeadsOfSeveralTabs_data(); }

    void startUpSearchAndSaveDoNotWaitForTheWorker()
    {
        QFETCH(FenceSortMode, mode);
        TwoWorkspaceStore w;
        const QString folder = w.path(u"desk"_s);
        QVERIFY(populate(folder));
        if (!watchable(folder))
            QSKIP("the folder cannot be watched here");
        const FenceTab tab = portalTab(folder, mode);
        const FenceModel portal = w.appendFence(w.desk, u"下载"_s, {tab});
        const FenceModel note = w.appendFence(w.desk, u"便笺"_s, {plainTab(FenceKind::notes, u"便笺"_s)});
        w.store->save();
        w.flushSaves();
        w.store.reset();

        // The worker is held until released (or, should something wait for it, ten seconds).
        std::promise<void> release;
        const std::shared_future<void> released = release.get_future().share();
        const auto workerRead = std::make_shared<std::atomic<bool>>(false);
        struct Reset {
            std::promise<void>& release;
            ~Reset()
            {
                try {
                    release.set_value();
                } catch (const std::future_error&) {
                }
                LiveFolderListing::setWorkerReadHook({});
            }
        } reset{release};
        LiveFolderListing::setWorkerReadHook([released, workerRead](const QString&) {
            (void)released.wait_for(std::chrono::seconds(10));
            *workerRead = true;
        });
        w.clock = w.clock.addSecs(3600);
        const int writesBefore = w.savedStateWrites();
        w.store = w.makeStore(Seeding::disabled);
        QSignalSpy warmed(w.store.get(), &MorvanteelStore::portalListingsWarmed);
        const auto hits = [&] {
            QStringList titles;
            for (const SpotSearchResult& result : w.store->spotSearch(u"file 3"_s)) {
                if (result.category == SpotSearchCategory::portalFile)
                    titles.append(result.title);
            }
            titles.sort();
            return titles;
        };
        const auto generatedAt = [&] {
            const auto payload = json::decode<WidgetSnapshotPayload>(StoreFixture::readFile(w.snapshotPath()));
            return payload ? payload.value().generatedAt : QDateTime();
        };
        const QDateTime earlier = generatedAt();
        QVERIFY(earlier.isValid() && earlier != w.clock);

        QVERIFY(hits().isEmpty());
        w.store->updateNoteText(u"开机时写的"_s, note.id);
        QTRY_COMPARE(w.stateWrites.load(), writesBefore + 1);
        QTRY_VERIFY(StoreFixture::readFile(w.statePath()).contains(u"开机时写的"_s.toUtf8()));
        QVERIFY2(!*workerRead, "the search or the save waited for the worker");
        // The snapshot waits for the heads the worker reads.
        QCOMPARE(generatedAt(), earlier);

        release.set_value();
        QTRY_VERIFY(warmed.count() >= 1);
        QStringList expected;
        const auto findable = SpotSearchEngine::portalFileNameMatcher(u"file 3"_s);
        for (const PortalFileEntry& entry : freshReading(tab, -1).entries) {
            if (findable(entry.name))
                expected.append(entry.displayName);
        }
        expected.sort();
        QCOMPARE(hits(), expected);
        QTRY_COMPARE(generatedAt(), w.clock);
        w.flushSaves();
        const auto published = json::decode<WidgetSnapshotPayload>(StoreFixture::readFile(w.snapshotPath()));
        QVERIFY(published);
        const auto shown = std::find_if(published.value().fences.cbegin(), published.value().fences.cend(),
                                        [&](const WidgetSnapshotFence& f) { return f.id == portal.id; });
        QVERIFY(shown != published.value().fences.cend());
        QCOMPARE(shownItems(shown->items), shownEntries(freshReading(tab, 8)));
    }

    // The heads of several portals in one call, as the companion preview lists its cards: each
    // the head of its tab's own listing, in the order asked, kept or read again, and a tab bound
    // to no folder missing.
    void portalHeadsOfSeveralTabs_data()
    {
        QTest::addColumn<FenceSortMode>("mode");
        QTest::newRow("name") << FenceSortMode::nameAsc;
        QTest::newRow("size") << FenceSortMode::sizeDesc;
        QTest::newRow("kind") << FenceSortMode::kindAsc;
        QTest::newRow("modified") << FenceSortMode::dateModifiedDesc;
    }

    void portalHeadsOfSeveralTabs()
    {
        QFETCH(FenceSortMode, mode);
        TwoWorkspaceStore w;
        const QString big = w.path(u"big"_s);
        const QString small = w.path(u"small"_s);
        QVERIFY(populate(big));
        QVERIFY(QDir().mkpath(small) && makeFile(small + u"/only.txt"_s, 3, base));
        const FenceTab unbound = plainTab(FenceKind::portal, u"未绑定"_s);
        const FenceTab relative = portalTab(u"relative/folder"_s, mode);
        const QList<FenceTab> tabs{portalTab(big, mode), portalTab(small, mode), unbound, relative};
        for (int round = 0; round < 2; ++round) {
            const QList<PortalScanResult> heads = w.store->portalHeads(tabs, 6);
            QCOMPARE(heads.size(), 4);
            QCOMPARE(heads.at(0), freshReading(tabs.at(0), 6));
            QCOMPARE(heads.at(0).entries.size(), 6);
            QCOMPARE(names(heads.at(1)), QStringList{u"only.txt"_s});
            for (const PortalScanResult& missing : {heads.at(2), heads.at(3)})
                QVERIFY(missing.isMissing && missing.entries.isEmpty());
        }
        // Newest, largest and first by name: at the head in every order, at the next call.
        QVERIFY(makeFile(big + u"/000 first.txt"_s, 4096, base + 86400 * 400));
        const PortalScanResult changed = w.store->portalHeads(tabs, 6).first();
        QCOMPARE(changed, freshReading(tabs.at(0), 6));
        QVERIFY(names(changed).contains(u"000 first.txt"_s));
        QVERIFY(w.store->portalHeads({}, 6).isEmpty());
    }
};

QTEST_GUILESS_MAIN(PortalListingCacheTest)
#include "tst_portallistingcache.moc"
