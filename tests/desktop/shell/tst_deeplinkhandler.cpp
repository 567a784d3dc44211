#include "core/models/DeepLink.h"
#include "core/store/support/StoreFixture.h"
#include "desktop/shell/DeepLinkHandler.h"
#include "desktop/shell/DesktopPanelManager.h"

#include <QApplication>
#include <QDesktopServices>
#include <QtTest>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

const QList<panelgeometry::ScreenArea> testScreens{{{0, 0, 800, 600}, {0, 25, 800, 575}}};

FenceItem item(const QString& title, const QString& target)
{
    FenceItem item;
    item.id = newUuid();
    item.title = title;
    item.kind = FenceItemKind::url;
    item.target = target;
    item.symbolName = u"link"_s;
    return item;
}

FenceChecklistTask task(const QString& title)
{
    return FenceChecklistTask{newUuid(), title, false, QDateTime(QDate(2026, 1, 2), QTime(3, 4), Qt::UTC), {}, false};
}

// Two workspaces; in the active one the rolled-up fence "工具" with items spread over three
// tabs (one a checklist), in the other the rolled-up fence "归档". A rolled-up fence makes a
// reveal visible in the store: it comes back expanded.
//
// Every effect is written to `log` as it happens: "workspace:<name>", "expanded:<fence>",
// "collapsed:<fence>", "task:<title>:done|open", "items:<fence>" (any change to a fence's
// items), "open:<url>", "spot-search" and "control-center:<page>".
struct Links : TwoWorkspaceStore {
    FenceModel tools;
    FenceModel archived;
    QUuid unknown = newUuid();
    std::unique_ptr<DesktopPanelManager> manager;
    std::unique_ptr<DeepLinkHandler> handler;
    QStringList log;
    QList<FenceModel> lastFences;

    Links()
    {
        FenceTab common = plainTab(FenceKind::curated, u"常用"_s);
        common.items = {item(u"主页"_s, u"https://example.org/home"_s), item(u"文稿"_s, u"~/Documents/plan.txt"_s),
                        item(u"根"_s, u"/etc/hosts"_s), item(u"空"_s, QString()),
                        item(u"坏"_s, u"http://exa mple.org"_s)};
        FenceTab todo = plainTab(FenceKind::checklist, u"待办"_s);
        todo.tasks = {task(u"回信"_s)};
        todo.items = {item(u"藏"_s, u"https://example.org/hidden"_s)};
        FenceTab more = plainTab(FenceKind::curated, u"更多"_s);
        // Items that lead back into the program itself.
        more.items = {item(u"后页"_s, u"https://example.org/second"_s), item(u"搜索"_s, u"morvanteel://spot-search"_s),
                      item(u"整理"_s, u"Morvanteel://Smart-Tidy/"_s), item(u"未知"_s, u"morvanteel://tidy-now"_s)};
        tools = appendFence(desk, u"工具"_s, {common, todo, more});

        FenceTab old = plainTab(FenceKind::curated, u"旧物"_s);
        old.items = {item(u"旧档"_s, u"https://example.org/old"_s)};
        old.tasks = {task(u"旧事"_s)};
        archived = appendFence(archive, u"归档"_s, {old});

        QList<FenceModel> fences = store->fences();
        for (FenceModel& fence : fences) {
            fence.isCollapsed = true;
            fence.desktopFrame = fence.id == tools.id ? FenceFrameRect{100, 100, 300, 300} : FenceFrameRect{50, 50, 300, 300};
        }
        if (!store->setFences(fences))
            qFatal("fences refused");
        store->save();

        manager = std::make_unique<DesktopPanelManager>(*store);
        manager->screens = [] { return testScreens; };
        manager->syncPanels(false);
        handler = std::make_unique<DeepLinkHandler>(*store, *manager);
        handler->onShowSpotSearch = [this] { log << u"spot-search"_s; };
        handler->onOpenControlCenter = [this](std::optional<ControlCenterTab> tab) {
            log << u"control-center:"_s + (tab ? rawValue(*tab) : u"none"_s);
        };
        handler->opener.openURL = [this](const QUrl& url) {
            log << u"open:"_s + url.toString();
            return true;
        };
        handler->opener.startProgram = [this](const CuratedLaunch::StartProgram& start) {
            log << u"start:"_s + start.program;
            return true;
        };

        lastFences = store->fences();
        QObject::connect(store.get(), &MorvanteelStore::activeWorkspaceIDChanged, store.get(), [this] {
            log << u"workspace:"_s + store->activeWorkspace()->name;
        });
        QObject::connect(store.get(), &MorvanteelStore::fencesChanged, store.get(), [this] { logFenceChanges(); });
    }

    void logFenceChanges()
    {
        for (const FenceModel& now : store->fences()) {
            const auto before = std::find_if(lastFences.cbegin(), lastFences.cend(),
                                             [&](const FenceModel& f) { return f.id == now.id; });
            if (before == lastFences.cend())
                continue;
            if (before->isCollapsed != now.isCollapsed)
                log << (now.isCollapsed ? u"collapsed:"_s : u"expanded:"_s) + now.title;
            for (qsizetype t = 0; t < now.tabs.size() && t < before->tabs.size(); ++t) {
                if (now.tabs[t].items != before->tabs[t].items)
                    log << u"items:"_s + now.title;
                for (qsizetype k = 0; k < now.tabs[t].tasks.size() && k < before->tabs[t].tasks.size(); ++k) {
                    const FenceChecklistTask& task = now.tabs[t].tasks[k];
                    if (task.isCompleted != before->tabs[t].tasks[k].isCompleted)
                        log << u"task:%1:%2"_s.arg(task.title, task.isCompleted ? u"done"_s : u"open"_s);
                }
            }
        }
        lastFences = store->fences();
    }

    QUuid itemID(const QString& title) const
    {
        for (const FenceModel& fence : store->fences())
            for (const FenceTab& tab : fence.tabs)
                for (const FenceItem& item : tab.items)
                    if (item.title == title)
                        return item.id;
        qFatal("no such item");
    }

    QUuid taskID(const QString& title) const
    {
        for (const FenceModel& fence : store->fences())
            for (const FenceTab& tab : fence.tabs)
                for (const FenceChecklistTask& task : tab.tasks)
                    if (task.title == title)
                        return task.id;
        qFatal("no such task");
    }

    // Fills in "{tools}", "{archived}", "{desk}", "{archive}", "{unknown}" (an id nothing
    // has), "{item:<title>}", "{task:<title>}" and "{home}"; "-lower" after a name writes the
    // id in lower case.
    QString expand(QString text) const
    {
        const QList<std::pair<QString, QUuid>> names{
            {u"tools"_s, tools.id}, {u"archived"_s, archived.id}, {u"desk"_s, desk},
            {u"archive"_s, archive}, {u"unknown"_s, unknown}};
        for (const auto& [name, id] : names) {
            text.replace(u'{' + name + u"-lower}"_s, uuidString(id).toLower());
            text.replace(u'{' + name + u'}', uuidString(id));
        }
        for (const QString& kind : {u"item"_s, u"task"_s}) {
            for (qsizetype at; (at = text.indexOf(u'{' + kind + u':')) >= 0;) {
                const qsizetype end = text.indexOf(u'}', at);
                const QString title = text.mid(at + kind.size() + 2, end - at - kind.size() - 2);
                text.replace(at, end - at + 1, uuidString(kind == u"item" ? itemID(title) : taskID(title)));
            }
        }
        text.replace(u"{home}"_s, QDir::homePath());
        return text;
    }
};

} // namespace

// Stands in for the desktop's handlers of the schemes it is registered for.
class OpenRecorder final : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened << url; }
};

class DeepLinkHandlerTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What each link does, as the effects it has in order; whether the state was saved.
    void links_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QStringList>("effects");
        QTest::addColumn<bool>("saves");

        // Opening a fence brings it forward: switched to, expanded.
        QTest::newRow("open fence") << u"morvanteel://open-fence/{tools}"_s << QStringList{u"expanded:工具"_s} << true;
        QTest::newRow("open fence, capitals and lower-case id")
            << u"MORVANTEEL://OPEN-FENCE/{tools-lower}"_s << QStringList{u"expanded:工具"_s} << true;
        QTest::newRow("open fence of the other workspace")
            << u"morvanteel://open-fence/{archived}"_s << QStringList{u"workspace:归档"_s, u"expanded:归档"_s} << true;
        QTest::newRow("open unknown fence") << u"morvanteel://open-fence/{unknown}"_s << QStringList{} << false;
        QTest::newRow("open fence, extra parts ignored")
            << u"morvanteel://open-fence/{tools}/more/parts"_s << QStringList{u"expanded:工具"_s} << true;

        QTest::newRow("switch workspace")
            << u"morvanteel://switch-workspace/{archive}"_s << QStringList{u"workspace:归档"_s} << true;
        QTest::newRow("switch to an unknown workspace")
            << u"morvanteel://switch-workspace/{unknown}"_s << QStringList{} << false;
        QTest::newRow("a fence id is no workspace")
            << u"morvanteel://switch-workspace/{archived}"_s << QStringList{} << false;

        // Running an item opens its target and changes nothing: no reveal, no save.
        QTest::newRow("run item") << u"morvanteel://run-item/{tools}/{item:主页}"_s
                                  << QStringList{u"open:https://example.org/home"_s} << false;
        QTest::newRow("run item of a later tab") << u"morvanteel://run-item/{tools}/{item:后页}"_s
                                                 << QStringList{u"open:https://example.org/second"_s} << false;
        QTest::newRow("run item of a checklist tab") << u"morvanteel://run-item/{tools}/{item:藏}"_s
                                                     << QStringList{u"open:https://example.org/hidden"_s} << false;
        QTest::newRow("run item under the home folder") << u"morvanteel://run-item/{tools}/{item:文稿}"_s
                                                        << QStringList{u"open:file://{home}/Documents/plan.txt"_s} << false;
        QTest::newRow("run item at an absolute path")
            << u"morvanteel://run-item/{tools}/{item:根}"_s << QStringList{u"open:file:///etc/hosts"_s} << false;
        QTest::newRow("run item of another workspace, no switch")
            << u"morvanteel://run-item/{archived}/{item:旧档}"_s << QStringList{u"open:https://example.org/old"_s} << false;
        // An item whose target is one of the program's own links acts here, never through the
        // desktop's opener (which would start a second program only to hand the link back).
        QTest::newRow("run item that shows the search panel")
            << u"morvanteel://run-item/{tools}/{item:搜索}"_s << QStringList{u"spot-search"_s} << false;
        QTest::newRow("run item that opens the tidy page")
            << u"morvanteel://run-item/{tools}/{item:整理}"_s << QStringList{u"control-center:smartRules"_s} << false;
        QTest::newRow("run item with a link of ours the program does not know")
            << u"morvanteel://run-item/{tools}/{item:未知}"_s << QStringList{} << false;
        // An item that cannot be opened, or is not in the fence, shows the fence instead.
        QTest::newRow("run item with an empty target")
            << u"morvanteel://run-item/{tools}/{item:空}"_s << QStringList{u"expanded:工具"_s} << true;
        QTest::newRow("run item with an invalid target")
            << u"morvanteel://run-item/{tools}/{item:坏}"_s << QStringList{u"expanded:工具"_s} << true;
        QTest::newRow("run item of another fence")
            << u"morvanteel://run-item/{tools}/{item:旧档}"_s << QStringList{u"expanded:工具"_s} << true;
        QTest::newRow("run unknown item of the other workspace's fence")
            << u"morvanteel://run-item/{archived}/{unknown}"_s << QStringList{u"workspace:归档"_s, u"expanded:归档"_s}
            << true;
        QTest::newRow("run item of an unknown fence") << u"morvanteel://run-item/{unknown}/{item:主页}"_s
                                                      << QStringList{} << false;
        // Not a link at all: not even a reveal.
        QTest::newRow("run item with one id") << u"morvanteel://run-item/{tools}"_s << QStringList{} << false;
        QTest::newRow("run item with a malformed item id")
            << u"morvanteel://run-item/{tools}/not-an-id"_s << QStringList{} << false;
        QTest::newRow("run item with a malformed fence id")
            << u"morvanteel://run-item/{tools}x/{item:主页}"_s << QStringList{} << false;

        QTest::newRow("toggle task") << u"morvanteel://toggle-task/{tools}/{task:回信}"_s
                                     << QStringList{u"task:回信:done"_s} << true;
        QTest::newRow("toggle task of the other workspace, no switch")
            << u"morvanteel://toggle-task/{archived}/{task:旧事}"_s << QStringList{u"task:旧事:done"_s} << true;
        QTest::newRow("toggle a task of another fence")
            << u"morvanteel://toggle-task/{tools}/{task:旧事}"_s << QStringList{} << false;
        QTest::newRow("toggle unknown task") << u"morvanteel://toggle-task/{tools}/{unknown}"_s << QStringList{} << false;
        QTest::newRow("toggle task of an unknown fence")
            << u"morvanteel://toggle-task/{unknown}/{task:回信}"_s << QStringList{} << false;

        QTest::newRow("spot search") << u"morvanteel://spot-search"_s << QStringList{u"spot-search"_s} << false;
        QTest::newRow("spot search with more parts")
            << u"morvanteel://spot-search/extra/parts?q=1"_s << QStringList{u"spot-search"_s} << false;
        // The smart tidy link only opens its page; nothing is planned or moved.
        QTest::newRow("smart tidy") << u"morvanteel://smart-tidy"_s << QStringList{u"control-center:smartRules"_s}
                                    << false;
        QTest::newRow("smart tidy, capitals") << u"Morvanteel://Smart-Tidy/"_s
                                              << QStringList{u"control-center:smartRules"_s} << false;

        QTest::newRow("another scheme") << u"https://open-fence/{tools}"_s << QStringList{} << false;
        QTest::newRow("no host") << u"morvanteel:open-fence/{tools}"_s << QStringList{} << false;
        QTest::newRow("unknown verb") << u"morvanteel://tidy-now"_s << QStringList{} << false;
        QTest::newRow("empty") << QString() << QStringList{} << false;
        QTest::newRow("a file path") << u"/home/user/file.txt"_s << QStringList{} << false;
    }

    void links()
    {
        QFETCH(QString, link);
        QFETCH(QStringList, effects);
        QFETCH(bool, saves);
        Links l;
        for (QString& effect : effects)
            effect = l.expand(effect);
        const QByteArray stateBefore = l.stateOnDisk();
        const int savesBefore = l.reloader->requestCount();

        l.handler->handleDeepLinkURL(QUrl(l.expand(link)));

        QCOMPARE(l.log, effects);
        QCOMPARE(l.reloader->requestCount() > savesBefore, saves);
        if (!saves)
            QCOMPARE(l.stateOnDisk(), stateBefore);
    }

    // A revealed fence of the other workspace is shown once the panels have followed.
    void revealShowsThePanel()
    {
        Links l;
        QVERIFY(!l.manager->panel(l.archived.id));
        l.handler->handleDeepLinkURL(QUrl(l.expand(u"morvanteel://open-fence/{archived}"_s)));
        QTRY_VERIFY(l.manager->panel(l.archived.id));
        QVERIFY(l.manager->panel(l.archived.id)->isVisible());
        QCOMPARE(l.store->activeWorkspaceID(), l.archive);
        QVERIFY(!l.store->fence(l.archived.id)->isCollapsed);
    }

    void itemStaysAsItWasAfterRunning()
    {
        Links l;
        const FenceModel before = *l.store->fence(l.tools.id);
        l.handler->handleDeepLinkURL(QUrl(l.expand(u"morvanteel://run-item/{tools}/{item:主页}"_s)));
        QCOMPARE(*l.store->fence(l.tools.id), before);
        QCOMPARE(l.store->lastStatusMessage(), std::nullopt);
    }

    // Links delivered together are carried out one after another, in the order given.
    void severalLinksInOrder()
    {
        Links l;
        l.handler->handleDeepLinkURLs({l.expand(u"morvanteel://switch-workspace/{archive}"_s),
                                       u"not a link"_s,
                                       l.expand(u"morvanteel://open-fence/{tools}"_s),
                                       u"morvanteel://spot-search"_s,
                                       u"morvanteel://spot-search"_s,
                                       l.expand(u"morvanteel://toggle-task/{tools}/{task:回信}"_s),
                                       l.expand(u"morvanteel://toggle-task/{tools}/{task:回信}"_s)});
        QCOMPARE(l.log, (QStringList{u"workspace:归档"_s, u"workspace:桌面"_s, u"expanded:工具"_s, u"spot-search"_s,
                                     u"spot-search"_s, u"task:回信:done"_s, u"task:回信:open"_s}));
    }

    // Links whose callback is not wired (yet) do nothing rather than fail.
    void unsetCallbacksDoNothing()
    {
        Links l;
        l.handler->onShowSpotSearch = nullptr;
        l.handler->onOpenControlCenter = nullptr;
        l.handler->opener = {};
        l.handler->handleDeepLinkURLs({u"morvanteel://spot-search"_s, u"morvanteel://smart-tidy"_s,
                                       l.expand(u"morvanteel://run-item/{tools}/{item:主页}"_s)});
        QCOMPARE(l.log, QStringList{});
        QVERIFY(l.store->fence(l.tools.id)->isCollapsed);
    }

    // Without a replacement, items open through the desktop's opener.
    void itemsOpenThroughTheDesktop()
    {
        OpenRecorder recorder;
        Links l;
        l.handler = std::make_unique<DeepLinkHandler>(*l.store, *l.manager);
        QDesktopServices::setUrlHandler(u"https"_s, &recorder, "open");
        QDesktopServices::setUrlHandler(u"file"_s, &recorder, "open");
        l.handler->handleDeepLinkURL(QUrl(l.expand(u"morvanteel://run-item/{tools}/{item:主页}"_s)));
        l.handler->handleDeepLinkURL(QUrl(l.expand(u"morvanteel://run-item/{tools}/{item:根}"_s)));
        QDesktopServices::unsetUrlHandler(u"https"_s);
        QDesktopServices::unsetUrlHandler(u"file"_s);
        QCOMPARE(recorder.opened, (QList<QUrl>{QUrl(u"https://example.org/home"_s), QUrl::fromLocalFile(u"/etc/hosts"_s)}));
    }
};

QTEST_MAIN(DeepLinkHandlerTest)
#include "tst_deeplinkhandler.moc"
