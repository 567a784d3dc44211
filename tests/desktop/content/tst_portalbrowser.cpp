#include "core/store/support/StoreFixture.h"
#include "desktop/content/PortalBrowser.h"
#include "desktop/content/PortalDirectoryWatcher.h"

#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

// A portal fence over a real folder (two files and a subfolder three levels deep), with a notes
// tab beside it, and its browser, watching as a shown fence's does.
struct Browsing : TwoWorkspaceStore {
    QString folder = path(u"portal"_s);
    QString subfolder = path(u"portal/sub"_s);
    QString otherFolder = path(u"other"_s);
    FenceModel fence;
    std::unique_ptr<PortalBrowser> browser;
    std::unique_ptr<QSignalSpy> trailChanges;
    std::unique_ptr<QSignalSpy> selectionChanges;

    explicit Browsing(const std::optional<QString>& portalPath = std::nullopt)
    {
        writeFile(folder + u"/b.txt"_s, "bbbbbbbbbb");
        writeFile(folder + u"/a.txt"_s, "a");
        writeFile(subfolder + u"/inner.txt"_s, "x");
        writeFile(subfolder + u"/two/three/leaf.txt"_s, "x");
        writeFile(otherFolder + u"/elsewhere.txt"_s, "x");

        FenceTab tab = plainTab(FenceKind::portal, u"下载"_s);
        tab.portalPath = portalPath ? *portalPath : folder;
        fence = appendFence(desk, u"下载"_s, {tab, plainTab(FenceKind::notes, u"便笺"_s)});
        browser = std::make_unique<PortalBrowser>(*store, fence.id);
        browser->syncWatch();
        trailChanges = std::make_unique<QSignalSpy>(browser.get(), &PortalBrowser::breadcrumbsChanged);
        selectionChanges = std::make_unique<QSignalSpy>(browser.get(), &PortalBrowser::selectionChanged);
    }

    QUrl url(const QString& path) const { return QUrl::fromLocalFile(path); }
    std::optional<PortalDirectoryWatcher::WatchConfig> config() const { return browser->watcher().lastConfig(); }
    const FenceTab& storedTab(int index) const { return store->fence(fence.id)->tabs.at(index); }

    QStringList listed() const
    {
        QStringList names;
        for (const PortalFileEntry& entry : browser->listing().entries)
            names.append(entry.name);
        return names;
    }

    bool select(const QString& name) const
    {
        for (const PortalFileEntry& entry : browser->listing().entries) {
            if (entry.name == name) {
                browser->selectEntry(entry);
                return true;
            }
        }
        return false;
    }

    // Browses into the subfolder and selects its one entry.
    [[nodiscard]] bool browseIntoSubfolder() const
    {
        browser->enterFolder(url(subfolder));
        return select(u"inner.txt"_s) && browser->selectedEntryID() == subfolder + u"/inner.txt"_s;
    }

    // Runs "enter sub/two", "up", "crumb 0", "root": folders relative to the bound folder.
    bool run(const QString& command) const
    {
        const QString verb = command.section(u' ', 0, 0);
        const QString argument = command.section(u' ', 1);
        if (verb == u"enter")
            browser->enterFolder(url(folder + u'/' + argument));
        else if (verb == u"up")
            browser->goUp();
        else if (verb == u"crumb")
            browser->goToCrumb(argument.toInt());
        else if (verb == u"root")
            browser->goToRoot();
        else
            return false;
        return true;
    }
};

} // namespace

class PortalBrowserTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // -- the root -----------------------------------------------------------------------------

    void rootIsTheBoundFolder_data()
    {
        QTest::addColumn<QString>("portalPath"); // relative to the test folder when it starts with "@"
        QTest::addColumn<QString>("root");       // the same; empty for none
        // Only an absolute path binds; it is standardized, never resolved against the working
        // directory, and a "~" is taken as it stands.
        QTest::newRow("bound") << u"@portal"_s << u"@portal"_s;
        QTest::newRow("standardized") << u"@portal/sub/../"_s << u"@portal"_s;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("relative") << u"relative/folder"_s << QString();
        QTest::newRow("tilde") << u"~/portal"_s << QString();
    }

    void rootIsTheBoundFolder()
    {
        QFETCH(QString, portalPath);
        QFETCH(QString, root);
        QTemporaryDir base;
        const auto resolved = [&](const QString& text) {
            return text.startsWith(u'@') ? base.filePath(text.mid(1)) : text;
        };
        Browsing f(resolved(portalPath));
        const std::optional<QUrl> expected =
            root.isEmpty() ? std::nullopt : std::optional<QUrl>(f.url(QDir::cleanPath(resolved(root))));
        QCOMPARE(f.browser->rootPortalURL(), expected);
        QCOMPARE(f.browser->currentPortalURL(), expected);
        if (!expected) {
            QVERIFY(f.browser->listing().isMissing);
            QVERIFY(!f.browser->watcher().watchedPath());
        }
    }

    // -- the trail ---------------------------------------------------------------------------

    void trailCommands_data()
    {
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QStringList>("trail"); // relative to the bound folder, innermost last
        QTest::addColumn<int>("changes");       // breadcrumbsChanged, once per real change
        QTest::addColumn<QStringList>("listed");
        // A folder entered goes at the end of the trail, standardized; up drops the last; a
        // crumb keeps the trail up to itself; root empties it. What changes nothing says nothing.
        const QStringList rootListing{u"sub"_s, u"a.txt"_s, u"b.txt"_s};
        QTest::newRow("enter") << QStringList{u"enter sub"_s} << QStringList{u"sub"_s} << 1
                               << QStringList{u"two"_s, u"inner.txt"_s};
        QTest::newRow("enter standardizes") << QStringList{u"enter sub/two/../"_s} << QStringList{u"sub"_s} << 1
                                            << QStringList{u"two"_s, u"inner.txt"_s};
        QTest::newRow("three deep") << QStringList{u"enter sub"_s, u"enter sub/two"_s, u"enter sub/two/three"_s}
                                    << QStringList{u"sub"_s, u"sub/two"_s, u"sub/two/three"_s} << 3
                                    << QStringList{u"leaf.txt"_s};
        QTest::newRow("first crumb") << QStringList{u"enter sub"_s, u"enter sub/two"_s, u"enter sub/two/three"_s,
                                                    u"crumb 0"_s}
                                     << QStringList{u"sub"_s} << 4 << QStringList{u"two"_s, u"inner.txt"_s};
        QTest::newRow("last crumb") << QStringList{u"enter sub"_s, u"enter sub/two"_s, u"crumb 1"_s}
                                    << QStringList{u"sub"_s, u"sub/two"_s} << 2 << QStringList{u"three"_s};
        QTest::newRow("crumbs outside the trail") << QStringList{u"enter sub"_s, u"crumb 1"_s, u"crumb -1"_s}
                                                  << QStringList{u"sub"_s} << 1
                                                  << QStringList{u"two"_s, u"inner.txt"_s};
        QTest::newRow("up one level") << QStringList{u"enter sub"_s, u"enter sub/two"_s, u"up"_s}
                                      << QStringList{u"sub"_s} << 3 << QStringList{u"two"_s, u"inner.txt"_s};
        QTest::newRow("up to the root") << QStringList{u"enter sub"_s, u"up"_s} << QStringList() << 2 << rootListing;
        QTest::newRow("up at the root") << QStringList{u"up"_s} << QStringList() << 0 << rootListing;
        QTest::newRow("root") << QStringList{u"enter sub"_s, u"enter sub/two"_s, u"root"_s} << QStringList() << 3
                              << rootListing;
        QTest::newRow("root at the root") << QStringList{u"root"_s} << QStringList() << 0 << rootListing;
    }

    void trailCommands()
    {
        QFETCH(QStringList, commands);
        QFETCH(QStringList, trail);
        QFETCH(int, changes);
        QFETCH(QStringList, listed);
        Browsing f;
        for (const QString& command : std::as_const(commands))
            QVERIFY2(f.run(command), qPrintable(command));
        QList<QUrl> expected;
        for (const QString& folder : std::as_const(trail))
            expected.append(f.url(f.folder + u'/' + folder));
        QCOMPARE(f.browser->breadcrumbURLs(), expected);
        QCOMPARE(f.trailChanges->size(), changes);
        // The folder shown is the innermost one entered, and it is what is listed and watched.
        const QUrl shown = expected.isEmpty() ? f.url(f.folder) : expected.last();
        QCOMPARE(f.browser->currentPortalURL(), std::optional<QUrl>(shown));
        QCOMPARE(f.browser->rootPortalURL(), std::optional<QUrl>(f.url(f.folder)));
        QCOMPARE(f.listed(), listed);
        QCOMPARE(f.browser->watcher().watchedPath(), std::optional<QString>(shown.toLocalFile()));
    }

    void enteringAFolderClearsTheSelectionAndListsItFirst()
    {
        Browsing f;
        QVERIFY(f.select(u"a.txt"_s));
        QCOMPARE(f.selectionChanges->size(), 1);
        QStringList listedWhenTold;
        QObject::connect(f.browser.get(), &PortalBrowser::breadcrumbsChanged, f.browser.get(),
                         [&] { listedWhenTold = f.listed(); });
        f.browser->enterFolder(f.url(f.subfolder));
        // Whoever hears of the new trail finds the new folder's entries already.
        QCOMPARE(listedWhenTold, (QStringList{u"two"_s, u"inner.txt"_s}));
        QVERIFY(!f.browser->selectedEntryID());
        QCOMPARE(f.selectionChanges->size(), 2);
    }

    // -- the selection -------------------------------------------------------------------------

    void selectionSaysOnlyWhatChanged()
    {
        Browsing f;
        QVERIFY(f.select(u"b.txt"_s));
        QVERIFY(f.select(u"b.txt"_s));
        QCOMPARE(f.browser->selectedEntryID(), std::optional<QString>(f.folder + u"/b.txt"_s));
        QCOMPARE(f.selectionChanges->size(), 1);
        QVERIFY(f.select(u"a.txt"_s));
        QCOMPARE(f.selectionChanges->size(), 2);
        f.browser->clearSelection();
        f.browser->clearSelection();
        QVERIFY(!f.browser->selectedEntryID());
        QCOMPARE(f.selectionChanges->size(), 3);
    }

    void listedSelectionIsOnlyAnEntryStillListed()
    {
        Browsing f;
        QVERIFY(!f.browser->listedSelection());
        QVERIFY(f.select(u"a.txt"_s));
        QCOMPARE(f.browser->listedSelection()->url, f.url(f.folder + u"/a.txt"_s));
        QCOMPARE(f.browser->listedSelection()->displayName, u"a.txt"_s);
        // Deleted behind the fence's back: no longer listed, so no longer selected, and that
        // is said before the listing is.
        QSignalSpy listings(f.browser.get(), &PortalBrowser::listingChanged);
        std::optional<QString> selectedWhenListed = f.folder;
        QObject::connect(f.browser.get(), &PortalBrowser::listingChanged, f.browser.get(),
                         [&] { selectedWhenListed = f.browser->selectedEntryID(); });
        const qsizetype selectionChanges = f.selectionChanges->size();
        QVERIFY(QFile::remove(f.folder + u"/a.txt"_s));
        QTRY_VERIFY(!f.listed().contains(u"a.txt"_s));
        QVERIFY(!listings.isEmpty());
        QVERIFY(!f.browser->selectedEntryID());
        QVERIFY(!selectedWhenListed);
        QCOMPARE(f.selectionChanges->size(), selectionChanges + 1);
        QVERIFY(!f.browser->listedSelection());
    }

    // -- following the store -------------------------------------------------------------------

    void tabChangesResetOrResync_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("resets");
        QTest::addColumn<bool>("watching");
        // Another tab, a closed tab, a new folder or a vanished fence: the trail and the
        // selection go, and the folder the active tab shows now is listed, if any. Each listing
        // option of the tab lists the folder shown anew; the trail and the selection stay.
        QTest::newRow("another tab") << u"select"_s << true << false;
        QTest::newRow("tab closed") << u"close"_s << true << false;
        QTest::newRow("folder rebound") << u"rebind"_s << true << true;
        QTest::newRow("fence deleted") << u"delete"_s << true << false;
        QTest::newRow("filter") << u"filter"_s << false << true;
        QTest::newRow("hidden files") << u"hidden"_s << false << true;
        QTest::newRow("extensions") << u"extensions"_s << false << true;
        QTest::newRow("sort mode") << u"sort"_s << false << true;
    }

    void tabChangesResetOrResync()
    {
        QFETCH(QString, change);
        QFETCH(bool, resets);
        QFETCH(bool, watching);
        Browsing f;
        QVERIFY(f.browseIntoSubfolder());
        const int trailChanges = int(f.trailChanges->size());
        const int selectionChanges = int(f.selectionChanges->size());
        const FenceModel fence = *f.store->fence(f.fence.id);
        const auto changeTab = [&](const std::function<void(FenceTab&)>& edit) {
            f.store->updateActiveTab(fence.id, edit);
        };
        if (change == u"select")
            f.store->selectTab(fence.id, fence.tabs.at(1).id);
        else if (change == u"close")
            f.store->removeTab(fence.id, fence.tabs.at(0).id);
        else if (change == u"rebind")
            changeTab([&](FenceTab& tab) { tab.portalPath = f.otherFolder; });
        else if (change == u"delete")
            f.store->deleteFence(fence.id);
        else if (change == u"filter")
            changeTab([](FenceTab& tab) { tab.portalFilter = u"inner"_s; });
        else if (change == u"hidden")
            changeTab([](FenceTab& tab) { tab.showHiddenFiles = true; });
        else if (change == u"extensions")
            changeTab([](FenceTab& tab) { tab.showExtensions = false; });
        else
            changeTab([](FenceTab& tab) { tab.sortMode = FenceSortMode::sizeDesc; });

        QCOMPARE(f.config().has_value(), watching);
        QCOMPARE(f.browser->watcher().watchedPath().has_value(), watching);
        if (resets) {
            QVERIFY(f.browser->breadcrumbURLs().isEmpty());
            QVERIFY(!f.browser->selectedEntryID());
            QCOMPARE(f.trailChanges->size(), trailChanges + 1);
            QCOMPARE(f.selectionChanges->size(), selectionChanges + 1);
            if (watching) {
                QCOMPARE(f.config()->url, f.url(f.otherFolder));
                QCOMPARE(f.listed(), QStringList{u"elsewhere.txt"_s});
            }
            return;
        }
        const FenceTab& tab = f.storedTab(0);
        QCOMPARE(f.config()->url, f.url(f.subfolder));
        QVERIFY(f.config()->options == FolderPortalEngine::PortalListingOptions::of(tab));
        QCOMPARE(f.browser->breadcrumbURLs(), QList<QUrl>{f.url(f.subfolder)});
        QVERIFY(f.browser->selectedEntryID());
        QCOMPARE(f.trailChanges->size(), trailChanges);
        QCOMPARE(f.selectionChanges->size(), selectionChanges);
    }

    void manualOrderAloneDoesNotResync()
    {
        Browsing f;
        const QList<QString> order{u"b.txt"_s, u"a.txt"_s};
        f.store->updateActiveTab(f.fence.id, [&](FenceTab& tab) { tab.manualOrder = order; });
        QVERIFY(f.config());
        QVERIFY(f.config()->options.manualOrder.isEmpty());
        // It is passed along with the next change that does resync.
        f.store->updateActiveTab(f.fence.id, [](FenceTab& tab) { tab.sortMode = FenceSortMode::manual; });
        QCOMPARE(f.config()->options.manualOrder, order);
        QCOMPARE(f.listed().mid(0, 2), (QStringList{u"b.txt"_s, u"a.txt"_s}));
    }

    void otherFencesPassBy()
    {
        Browsing f;
        QVERIFY(f.browseIntoSubfolder());
        const FenceModel other = f.appendFence(f.desk, u"其他"_s, {plainTab(FenceKind::notes, u"其他"_s)});
        f.store->renameFence(other.id, u"还在"_s);
        f.store->renameFence(f.fence.id, u"新名字"_s);
        QCOMPARE(f.browser->breadcrumbURLs(), QList<QUrl>{f.url(f.subfolder)});
        QVERIFY(f.browser->selectedEntryID());
    }

    void stoppingKeepsTheListing()
    {
        Browsing f;
        f.browser->stopWatching();
        QVERIFY(!f.browser->watcher().watchedPath());
        QCOMPARE(f.listed(), (QStringList{u"sub"_s, u"a.txt"_s, u"b.txt"_s}));
        f.browser->syncWatch();
        QCOMPARE(f.browser->watcher().watchedPath(), std::optional<QString>(f.folder));
    }
};

QTEST_MAIN(PortalBrowserTest)
#include "tst_portalbrowser.moc"
