#include "core/models/DeepLink.h"
#include "core/store/support/StoreFixture.h"
#include "design/DesignEnvironment.h"
#include "desktop/content/CuratedItemLauncher.h"
#include "desktop/content/CuratedTabView.h"
#include "desktop/content/FencePanelContent.h"
#include "desktop/shell/DeepLinkHandler.h"
#include "desktop/shell/DesktopPanelManager.h"
#include "desktop/shell/SpotSearchWindowController.h"

#include <QtTest>

#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(mv::FenceItemKind)

namespace {

class BlankContent final : public FencePanelContent {
public:
    using FencePanelContent::FencePanelContent;
    void setHoverUnrolled(bool) override {}
};

// One rolled-up curated fence "启动台" (a reveal shows as it coming back expanded) and the three
// roads to its items: its tile board, SpotSearch and the deep-link handler, all wired as the
// runtime wires them, over one recording opener. What reaches the system, or the program's
// own callbacks, is written to `log`; the status and the reveal are read from the store.
struct Roads : TwoWorkspaceStore {
    DesignEnvironment environment;
    FenceModel fence;
    std::unique_ptr<DesktopPanelManager> manager;
    std::unique_ptr<SpotSearchWindowController> search;
    std::unique_ptr<DeepLinkHandler> links;
    std::unique_ptr<CuratedTabView> tiles;
    QStringList log;
    bool openerAnswer = true;
    bool starterAnswer = true;

    explicit Roads(const FenceItem& item)
    {
        FenceTab tab = plainTab(FenceKind::curated, u"常用"_s);
        tab.items = {item};
        fence = appendFence(desk, u"启动台"_s, {tab});
        fence.isCollapsed = true;
        fence.desktopFrame = {40, 40, 300, 300};
        store->updateFence(fence);

        manager = std::make_unique<DesktopPanelManager>(
            *store, [](const QUuid&, const FencePanelContent::Callbacks&) { return new BlankContent(); });
        manager->screens = [] {
            return QList<panelgeometry::ScreenArea>{{{0, 0, 800, 600}, {0, 25, 800, 575}}};
        };
        manager->syncPanels(false);

        const CuratedItemOpener opener{
            [this](const QUrl& url) {
                log << u"open "_s + url.toString();
                return openerAnswer;
            },
            [this](const CuratedLaunch::StartProgram& start) {
                log << (QStringList{u"start"_s, start.program} + start.arguments).join(u' ');
                return starterAnswer;
            },
        };
        const auto controlCenter = [this](std::optional<ControlCenterTab> page) {
            log << u"control-center:"_s + (page ? rawValue(*page) : u"none"_s);
        };
        links = std::make_unique<DeepLinkHandler>(*store, *manager);
        links->opener = opener;
        links->onOpenControlCenter = controlCenter;
        links->onShowSpotSearch = [this] { log << u"spot-search"_s; };

        search = std::make_unique<SpotSearchWindowController>(*store, *manager);
        search->opener = opener;
        search->onOpenControlCenter = controlCenter;
        search->onDeepLink = [this](const QUrl& url) { links->handleDeepLinkURL(url); };
        search->placementArea = [] { return std::optional(QRect(0, 0, 800, 575)); };

        tiles = std::make_unique<CuratedTabView>(*store, fence.id, &environment);
        tiles->opener = opener;
        tiles->onOpenControlCenter = [controlCenter](ControlCenterTab page) { controlCenter(page); };
        tiles->onOpenSpotSearch = [this] { log << u"spot-search"_s; };
        tiles->onOpenDeepLink = [this](const QUrl& url) { links->handleDeepLinkURL(url); };
    }

    ~Roads()
    {
        tiles.reset();
        search.reset();
        links.reset();
        manager.reset();
    }

    FenceItem storedItem() const { return store->fence(fence.id)->tabs.first().items.first(); }

    // The item's hit as SpotSearch lists it for its title.
    std::optional<SpotSearchResult> hit() const
    {
        const FenceItem item = storedItem();
        for (const SpotSearchResult& result : store->spotSearch(item.title)) {
            if (result.itemID == item.id)
                return result;
        }
        return std::nullopt;
    }

    // Everything one road did, as one list: the log, then the status (when one was set), then
    // whether the fence came forward. Starts from a rolled-up fence and no status.
    template<class Road>
    QStringList run(Road road)
    {
        log.clear();
        store->setLastStatusMessage(std::nullopt);
        FenceModel rolledUp = *store->fence(fence.id);
        rolledUp.isCollapsed = true;
        store->updateFence(rolledUp);
        road();
        QStringList did = log;
        if (const std::optional<QString>& status = store->lastStatusMessage())
            did << u"status "_s + *status;
        if (!store->fence(fence.id)->isCollapsed)
            did << u"reveal"_s;
        return did;
    }
};

} // namespace

class QuickLaunchTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Every kind of item and form of target, run from a tile, from its SpotSearch hit and by a
    // run-item link: one outcome on all three. "$DIR" is a folder of the test's with a
    // desktop entry, an executable, a document with the executable bit and one without;
    // "$HOME" the home folder. A refusal reaches nothing and says why; the two roads from
    // outside the fence then bring it forward, where a tile's user already looks.
    void oneOutcomeOnEveryRoad_data()
    {
        QTest::addColumn<FenceItemKind>("kind");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("openerAnswer");
        QTest::addColumn<bool>("starterAnswer");
        QTest::addColumn<QStringList>("outcome");
        QTest::addColumn<bool>("revealsFromOutside");
        const auto refused = [](const QString& status) { return QStringList{u"status "_s + status}; };
        const FenceItemKind file = FenceItemKind::file, folder = FenceItemKind::folder, app = FenceItemKind::app,
                            url = FenceItemKind::url, shortcut = FenceItemKind::shortcut,
                            command = FenceItemKind::command;

        QTest::newRow("file, absolute path") << file << u"$DIR/notes.txt"_s << true << true
                                             << QStringList{u"open file://$DIR/notes.txt"_s} << false;
        QTest::newRow("folder, absolute path") << folder << u"$DIR"_s << true << true
                                               << QStringList{u"open file://$DIR"_s} << false;
        QTest::newRow("file under the home folder") << file << u"~/Documents/plan.pdf"_s << true << true
                                                    << QStringList{u"open file://$HOME/Documents/plan.pdf"_s} << false;
        QTest::newRow("bare tilde") << folder << u"~"_s << true << true << QStringList{u"open file://$HOME"_s}
                                    << false;
        // A desktop entry runs its program, whatever the kind; a terminal one is left to the desktop.
        QTest::newRow("desktop entry, app") << app << u"$DIR/editor.desktop"_s << true << true
                                            << QStringList{u"start editor --new-window"_s} << false;
        QTest::newRow("desktop entry, file") << file << u"$DIR/editor.desktop"_s << true << true
                                             << QStringList{u"start editor --new-window"_s} << false;
        QTest::newRow("desktop entry under the home folder")
            << app << u"~/editor.desktop"_s << true << true << QStringList{u"start editor --new-window"_s} << false;
        QTest::newRow("terminal entry") << app << u"$DIR/term.desktop"_s << true << true
                                        << QStringList{u"open file://$DIR/term.desktop"_s} << false;
        // Only an app item starts an executable file.
        QTest::newRow("executable, app") << app << u"$DIR/tool"_s << true << true
                                         << QStringList{u"start $DIR/tool"_s} << false;
        QTest::newRow("executable, command") << command << u"$DIR/tool"_s << true << true
                                             << QStringList{u"open file://$DIR/tool"_s} << false;
        QTest::newRow("document with the executable bit") << file << u"$DIR/report.pdf"_s << true << true
                                                          << QStringList{u"open file://$DIR/report.pdf"_s} << false;
        QTest::newRow("document, app") << app << u"$DIR/notes.txt"_s << true << true
                                       << QStringList{u"open file://$DIR/notes.txt"_s} << false;
        QTest::newRow("web address") << url << u"https://example.org/a?b=1"_s << true << true
                                     << QStringList{u"open https://example.org/a?b=1"_s} << false;
        QTest::newRow("shortcut scheme") << shortcut << u"shortcuts://run-shortcut?name=x"_s << true << true
                                         << QStringList{u"open shortcuts://run-shortcut?name=x"_s} << false;
        // The program's own links act in the program, never through the desktop.
        QTest::newRow("own link, smart tidy") << command << u"morvanteel://smart-tidy"_s << true << true
                                              << QStringList{u"control-center:smartRules"_s} << false;
        QTest::newRow("own link of no known request") << url << u"morvanteel://not-a-verb/x"_s << true << true
                                                      << QStringList{} << false;

        // What the system refuses is said, not swallowed.
        QTest::newRow("scheme of another platform's app")
            << url << u"mobilenotes://"_s << false << true
            << QStringList{u"open mobilenotes://"_s, u"status 无法打开“mobilenotes://”：系统找不到能打开它的应用"_s}
            << false;
        QTest::newRow("missing file the opener refuses")
            << file << u"$DIR/gone.txt"_s << false << true
            << QStringList{u"open file://$DIR/gone.txt"_s, u"status 无法打开“$DIR/gone.txt”：系统找不到能打开它的应用"_s}
            << false;
        QTest::newRow("executable that fails to start")
            << app << u"$DIR/tool"_s << true << false
            << QStringList{u"start $DIR/tool"_s, u"status 无法启动“$DIR/tool”：程序不存在或无法运行"_s} << false;
        QTest::newRow("desktop entry whose program fails to start")
            << app << u"$DIR/editor.desktop"_s << true << false
            << QStringList{u"start editor --new-window"_s,
                           u"status 无法启动“$DIR/editor.desktop”：找不到或无法运行“editor”"_s}
            << false;

        // Nothing without a scheme is read against the working folder.
        QTest::newRow("host without a scheme") << url << u"example.com"_s << true << true
                                               << refused(u"无法打开“example.com”：不是绝对路径或网址"_s) << true;
        QTest::newRow("bare file name") << file << u"notes.txt"_s << true << true
                                        << refused(u"无法打开“notes.txt”：不是绝对路径或网址"_s) << true;
        QTest::newRow("option") << app << u"--help"_s << true << true
                                << refused(u"无法打开“--help”：不是绝对路径或网址"_s) << true;
        QTest::newRow("relative path with a file scheme") << file << u"file:notes.txt"_s << true << true
                                                          << refused(u"无法打开“file:notes.txt”：不是绝对路径或网址"_s)
                                                          << true;
        QTest::newRow("home of an unknown user") << file << u"~no-such-user-here/a.txt"_s << true << true
                                                 << refused(u"无法打开“~no-such-user-here/a.txt”：不是绝对路径或网址"_s)
                                                 << true;
        QTest::newRow("text with spaces") << url << u"not a url"_s << true << true
                                          << refused(u"无法打开“not a url”：不是绝对路径或网址"_s) << true;
        QTest::newRow("empty") << url << QString() << true << true
                               << refused(u"无法打开“入口”：没有填写路径或网址"_s) << true;
    }

    void oneOutcomeOnEveryRoad()
    {
        QFETCH(FenceItemKind, kind);
        QFETCH(QString, target);
        QFETCH(bool, openerAnswer);
        QFETCH(bool, starterAnswer);
        QFETCH(QStringList, outcome);
        QFETCH(bool, revealsFromOutside);

        // "~" is a home folder of the test's own while the row runs, never the real one.
        QTemporaryDir dir;
        QTemporaryDir home;
        QVERIFY(dir.isValid() && home.isValid());
        const QByteArray realHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        const auto restoreHome = qScopeGuard([&] { qputenv("HOME", realHome); });
        QCOMPARE(QDir::homePath(), home.path());

        QVERIFY(StoreFixture::writeFile(dir.filePath(u"notes.txt"_s), "x", false));
        QVERIFY(StoreFixture::writeFile(dir.filePath(u"report.pdf"_s), "%PDF", true));
        QVERIFY(StoreFixture::writeFile(dir.filePath(u"tool"_s), "#!/bin/sh\n", true));
        const QByteArray entry = "[Desktop Entry]\nType=Application\nName=Editor\nExec=editor --new-window %U\n";
        QVERIFY(StoreFixture::writeFile(dir.filePath(u"editor.desktop"_s), entry, false));
        QVERIFY(StoreFixture::writeFile(home.filePath(u"editor.desktop"_s), entry, false));
        QVERIFY(StoreFixture::writeFile(dir.filePath(u"term.desktop"_s), "[Desktop Entry]\nType=Application\nExec=top\nTerminal=true\n",
                         false));
        const auto fill = [&](QString text) {
            return text.replace(u"$DIR"_s, dir.path()).replace(u"$HOME"_s, home.path());
        };
        for (QString& line : outcome)
            line = fill(line);

        FenceItem item;
        item.id = newUuid();
        item.title = u"入口"_s;
        item.kind = kind;
        item.target = fill(target);
        item.symbolName = u"link"_s;
        Roads r(item);
        r.openerAnswer = openerAnswer;
        r.starterAnswer = starterAnswer;
        const std::optional<SpotSearchResult> hit = r.hit();
        QVERIFY2(hit, "SpotSearch lists the item");
        const QStringList fromOutside = revealsFromOutside ? outcome + QStringList{u"reveal"_s} : outcome;

        QCOMPARE(r.run([&] { r.tiles->launch(r.storedItem()); }), outcome);
        QCOMPARE(r.run([&] { r.search->executeResult(*hit); }), fromOutside);
        QCOMPARE(r.run([&] { r.links->handleDeepLinkURL(MorvanteelDeepLink::runItem(r.fence.id, item.id).url()); }),
                 fromOutside);
    }

    // Running never writes the item, on any road: its lastOpenedAt stays as it was.
    void runningLeavesTheItemAsItWas()
    {
        FenceItem item;
        item.id = newUuid();
        item.title = u"主页"_s;
        item.kind = FenceItemKind::url;
        item.target = u"https://example.org/"_s;
        item.lastOpenedAt = QDateTime(QDate(2026, 3, 4), QTime(5, 6), Qt::UTC);
        Roads r(item);
        const QList<FenceItem> before = r.store->fence(r.fence.id)->tabs.first().items;
        r.tiles->launch(r.storedItem());
        r.search->executeResult(*r.hit());
        r.links->handleDeepLinkURL(MorvanteelDeepLink::runItem(r.fence.id, item.id).url());
        QCOMPARE(r.log.size(), 3);
        QCOMPARE(r.store->fence(r.fence.id)->tabs.first().items, before);
        QCOMPARE(r.store->lastStatusMessage(), std::nullopt);
    }

    // An item whose target runs itself runs once and stops, whichever road starts it.
    void anItemRunningItselfStops()
    {
        FenceItem item;
        item.id = newUuid();
        item.title = u"自己"_s;
        item.kind = FenceItemKind::command;
        Roads r(item);
        FenceModel fence = *r.store->fence(r.fence.id);
        fence.tabs.first().items.first().target = MorvanteelDeepLink::runItem(fence.id, item.id).urlString();
        r.store->updateFence(fence);
        r.tiles->launch(r.storedItem());
        r.search->executeResult(*r.hit());
        r.links->handleDeepLinkURL(MorvanteelDeepLink::runItem(fence.id, item.id).url());
        QCOMPARE(r.log, QStringList{});
        QCOMPARE(r.store->lastStatusMessage(), std::nullopt);
    }

};

QTEST_MAIN(QuickLaunchTest)
#include "tst_quicklaunch.moc"
