#include "core/store/support/StoreFixture.h"
#include "desktop/shell/DesktopPanelManager.h"
#include "desktop/shell/StatusBarMenuController.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <QtTest>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

const QList<panelgeometry::ScreenArea> testScreens{{{0, 0, 800, 600}, {0, 25, 800, 575}}};

// What a menu shows of a title: "&&" is one "&", a lone "&" marks a mnemonic and is not drawn,
// and whatever follows a tab goes to the shortcut column.
QString shownTitle(const QString& text)
{
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\t')
            break;
        if (text[i] == u'&') {
            if (i + 1 < text.size() && text[i + 1] == u'&')
                shown.append(u'&');
            ++i;
            if (i < text.size() && text[i] != u'&')
                shown.append(text[i]);
            continue;
        }
        shown.append(text[i]);
    }
    return shown;
}

// One line per item: "---" for a separator, else the shown title, the shortcut in its portable
// form, a check column ("on", "off", or empty for an item without a check mark) and the flags
// "disabled" and "submenu".
QString describe(const QAction* action)
{
    if (action->isSeparator())
        return u"---"_s;
    QStringList flags;
    if (!action->isEnabled())
        flags.append(u"disabled"_s);
    if (action->menu())
        flags.append(u"submenu"_s);
    const QString check = action->isCheckable() ? (action->isChecked() ? u"on"_s : u"off"_s) : QString();
    return QStringList{shownTitle(action->text()), action->shortcut().toString(QKeySequence::PortableText), check,
                       flags.join(u',')}
        .join(u" | ");
}

QStringList describe(const QMenu& menu)
{
    QStringList lines;
    for (const QAction* action : menu.actions())
        lines.append(describe(action));
    return lines;
}

// The action shown as `title`, in the menu or its submenus.
QAction* findAction(const QMenu& menu, const QString& title)
{
    for (QAction* action : menu.actions()) {
        if (!action->isSeparator() && shownTitle(action->text()) == title)
            return action;
        if (QMenu* submenu = action->menu()) {
            if (QAction* found = findAction(*submenu, title))
                return found;
        }
    }
    return nullptr;
}

QMenu* switcher(const QMenu& menu)
{
    const QList<QAction*> actions = menu.actions();
    return actions.size() > 2 ? actions[2]->menu() : nullptr;
}

// Two workspaces, "桌面" (active) with an expanded fence, a collapsed one and a portal fence,
// and "归档" with one fence; one file move on the undo stack; the panels over it, and a
// controller whose callbacks write into `calls`.
struct Desk : TwoWorkspaceStore {
    FenceModel notes;
    FenceModel pill;
    FenceModel portal;
    FenceModel archived;
    std::unique_ptr<DesktopPanelManager> manager;
    std::unique_ptr<StatusBarMenuController> controller;
    QStringList calls;

    explicit Desk(bool withTray = false)
    {
        notes = appendFence(desk, u"便笺"_s, {plainTab(FenceKind::notes, u"便笺"_s)});
        pill = appendFence(desk, u"下载"_s, {plainTab(FenceKind::notes, u"下载"_s)});
        FenceTab portalTab = plainTab(FenceKind::portal, u"传送门"_s);
        portalTab.portalPath = path(u"portal"_s);
        QDir().mkpath(path(u"portal"_s));
        portal = appendFence(desk, u"传送门"_s, {portalTab});
        archived = appendFence(archive, u"归档"_s, {plainTab(FenceKind::notes, u"归档"_s)});
        store->setCollapsed(pill.id, true);
        if (!writeFile(path(u"loose/a.txt"_s), "a")
            || !store->moveFiles({QUrl::fromLocalFile(path(u"loose/a.txt"_s))}, portal.id))
            qFatal("the test move failed");

        manager = std::make_unique<DesktopPanelManager>(*store);
        manager->screens = [] { return testScreens; };
        manager->syncPanels(false);
        StatusBarMenuController::Callbacks callbacks;
        callbacks.onOpenControlCenter = [this](std::optional<ControlCenterTab> tab) {
            calls.append(u"control center "_s + (tab ? rawValue(*tab) : u"(none)"_s));
        };
        callbacks.onShowSpotSearch = [this] { calls.append(u"show SpotSearch"_s); };
        callbacks.onQuit = [this] { calls.append(u"quit"_s); };
        controller = std::make_unique<StatusBarMenuController>(*store, *manager, std::move(callbacks),
                                                               [withTray] { return withTray; });
    }

    // The store's state that the menu's actions change.
    static QString state(const MorvanteelStore& store)
    {
        const GlobalPreferences& p = store.preferences();
        QStringList collapsed;
        for (const FenceModel& fence : store.activeFences())
            collapsed.append(fence.title + (fence.isCollapsed ? u" rolled up"_s : u" expanded"_s));
        const auto active = store.activeWorkspace();
        return u"peek %1, hidden %2, locked %3; %4; %5; undo %6"_s.arg(p.isPeekActive)
            .arg(p.isDesktopCurtainHidden)
            .arg(p.isLayoutLocked)
            .arg(active ? active->name : u"-"_s, collapsed.join(u", "))
            .arg(store.undoStack().size());
    }
    QString state() const { return state(*store); }
    // The same state read back from the state file (the undo stack lives in memory only).
    QString savedState()
    {
        flushSaves();
        return state(*makeStore(Seeding::disabled)).section(u"; undo"_s, 0, 0);
    }

    QStringList menuNow()
    {
        QMenu menu;
        controller->populateMenu(menu);
        return describe(menu);
    }
};

} // namespace

class StatusBarMenuTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The menu from top to bottom, as built over the fixture (an undo on the stack, every
    // switch off): title | shortcut | check | flags.
    void itemsInOrder_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("line");
        const QStringList lines{
            u"Morvanteel · 桌面 |  |  | disabled"_s,
            u"---"_s,
            u"切换工作区 |  |  | submenu"_s,
            u"Peek 桌面透视 | Alt+Space | off | "_s,
            u"快速隐藏桌面围栏 | Alt+H | off | "_s,
            u"打开 SpotSearch 检索 | Ctrl+K |  | "_s,
            u"智能整理规则 (Dry-Run 预演)… |  |  | "_s,
            u"---"_s,
            u"锁定全部围栏布局 |  | off | "_s,
            u"全部卷起为胶囊 |  |  | "_s,
            u"全部展开 |  |  | "_s,
            u"撤销：移动 a.txt | Ctrl+Z |  | "_s,
            u"---"_s,
            u"打开控制中心工作室… | Ctrl+, |  | "_s,
            u"退出 Morvanteel | Ctrl+Q |  | "_s,
        };
        for (int i = 0; i < lines.size(); ++i)
            QTest::addRow("%d %s", i + 1, qPrintable(lines[i].section(u" | "_s, 0, 0))) << i << lines[i];
        QTest::addRow("nothing after the last") << int(lines.size()) << QString();
    }

    void itemsInOrder()
    {
        QFETCH(int, position);
        QFETCH(QString, line);
        Desk d;
        const QStringList menu = d.menuNow();
        QCOMPARE(menu.value(position), line);
    }

    // Each check mark shows its own preference and nothing else.
    void checkMarksFollowThePreferences_data()
    {
        QTest::addColumn<bool>("peek");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<bool>("locked");
        QTest::newRow("all off") << false << false << false;
        QTest::newRow("peek") << true << false << false;
        QTest::newRow("hidden") << false << true << false;
        QTest::newRow("locked") << false << false << true;
        QTest::newRow("hidden and locked") << false << true << true;
        QTest::newRow("all on") << true << true << true;
    }

    void checkMarksFollowThePreferences()
    {
        QFETCH(bool, peek);
        QFETCH(bool, hidden);
        QFETCH(bool, locked);
        Desk d;
        GlobalPreferences preferences = d.store->preferences();
        preferences.isPeekActive = peek;
        preferences.isDesktopCurtainHidden = hidden;
        preferences.isLayoutLocked = locked;
        QVERIFY(d.store->setPreferences(preferences));
        QMenu menu;
        d.controller->populateMenu(menu);
        QCOMPARE(findAction(menu, u"Peek 桌面透视"_s)->isChecked(), peek);
        QCOMPARE(findAction(menu, u"快速隐藏桌面围栏"_s)->isChecked(), hidden);
        QCOMPARE(findAction(menu, u"锁定全部围栏布局"_s)->isChecked(), locked);
    }

    // Each item, chosen over the fixture, changes the store (and saves it) or asks the runtime.
    void triggering_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("calls");
        const QString fences = u"便笺 expanded, 下载 rolled up, 传送门 expanded"_s;
        const QString start = u"peek 0, hidden 0, locked 0; 桌面; "_s + fences + u"; undo 1"_s;
        QTest::newRow("peek") << u"Peek 桌面透视"_s << QString(start).replace(u"peek 0"_s, u"peek 1"_s) << QStringList();
        QTest::newRow("quick hide") << u"快速隐藏桌面围栏"_s << QString(start).replace(u"hidden 0"_s, u"hidden 1"_s)
                                    << QStringList();
        QTest::newRow("layout lock") << u"锁定全部围栏布局"_s << QString(start).replace(u"locked 0"_s, u"locked 1"_s)
                                     << QStringList();
        QTest::newRow("roll up all")
            << u"全部卷起为胶囊"_s
            << QString(start).replace(fences, u"便笺 rolled up, 下载 rolled up, 传送门 rolled up"_s) << QStringList();
        QTest::newRow("expand all") << u"全部展开"_s
                                    << QString(start).replace(fences, u"便笺 expanded, 下载 expanded, 传送门 expanded"_s)
                                    << QStringList();
        QTest::newRow("undo") << u"撤销：移动 a.txt"_s << QString(start).replace(u"undo 1"_s, u"undo 0"_s)
                              << QStringList();
        QTest::newRow("switch workspace") << u"归档"_s << u"peek 0, hidden 0, locked 0; 归档; 归档 expanded; undo 1"_s
                                          << QStringList();
        QTest::newRow("the active workspace") << u"桌面"_s << start << QStringList();
        QTest::newRow("SpotSearch") << u"打开 SpotSearch 检索"_s << start << QStringList{u"show SpotSearch"_s};
        QTest::newRow("smart tidy") << u"智能整理规则 (Dry-Run 预演)…"_s << start
                                    << QStringList{u"control center smartRules"_s};
        QTest::newRow("control center") << u"打开控制中心工作室…"_s << start
                                        << QStringList{u"control center (none)"_s};
        QTest::newRow("quit") << u"退出 Morvanteel"_s << start << QStringList{u"quit"_s};
    }

    void triggering()
    {
        QFETCH(QString, item);
        QFETCH(QString, state);
        QFETCH(QStringList, calls);
        Desk d;
        QMenu menu;
        d.controller->populateMenu(menu);
        QAction* action = findAction(menu, item);
        QVERIFY2(action, qPrintable(item));
        action->trigger();
        QCOMPARE(d.state(), state);
        QCOMPARE(d.calls, calls);
        QCOMPARE(d.savedState(), state.section(u"; undo"_s, 0, 0));
    }

    // Choosing a file move's undo puts the file back, and the entry follows the stack.
    void undoEntryFollowsTheStack()
    {
        Desk d;
        QVERIFY(d.writeFile(d.path(u"loose/b.txt"_s), "b"));
        QVERIFY(d.store->moveFiles({QUrl::fromLocalFile(d.path(u"loose/b.txt"_s))}, d.portal.id));
        QCOMPARE(d.menuNow().value(11), u"撤销：移动 b.txt | Ctrl+Z |  | "_s);

        QMenu menu;
        d.controller->populateMenu(menu);
        findAction(menu, u"撤销：移动 b.txt"_s)->trigger();
        QVERIFY(QFileInfo::exists(d.path(u"loose/b.txt"_s)));
        QCOMPARE(d.menuNow().value(11), u"撤销：移动 a.txt | Ctrl+Z |  | "_s);

        QVERIFY(d.store->undoLastFileOperation());
        const QStringList menuWithoutUndo = d.menuNow();
        QCOMPARE(menuWithoutUndo.value(10), u"全部展开 |  |  | "_s);
        QCOMPARE(menuWithoutUndo.value(11), u"---"_s);
        QVERIFY(!menuWithoutUndo.join(u'\n').contains(u"撤销"_s));
    }

    // The submenu lists the workspaces in their stored order, the active one checked.
    void workspaceSubmenu()
    {
        Desk d;
        QMenu menu;
        d.controller->populateMenu(menu);
        QCOMPARE(describe(*switcher(menu)), (QStringList{u"桌面 |  | on | "_s, u"归档 |  | off | "_s}));
        QCOMPARE(switcher(menu)->actions().value(1)->data().value<QUuid>(), d.archive);

        findAction(menu, u"归档"_s)->trigger();
        d.controller->populateMenu(menu);
        QCOMPARE(describe(*switcher(menu)), (QStringList{u"桌面 |  | off | "_s, u"归档 |  | on | "_s}));
        QCOMPARE(d.menuNow().value(0), u"Morvanteel · 归档 |  |  | disabled"_s);
    }

    // Only a workspace id switches: an item whose represented object is anything else does not.
    void switchingNeedsAWorkspaceID_data()
    {
        QTest::addColumn<QVariant>("object");
        QTest::newRow("nothing") << QVariant();
        QTest::newRow("the id as text") << QVariant(QString());
        QTest::newRow("an unknown id") << QVariant::fromValue(newUuid());
    }

    void switchingNeedsAWorkspaceID()
    {
        QFETCH(QVariant, object);
        Desk d;
        if (object.typeId() == QMetaType::QString)
            object = d.archive.toString(QUuid::WithoutBraces);
        d.controller->handleSwitchWorkspace(object);
        QCOMPARE(d.store->activeWorkspaceID(), d.desk);
        d.controller->handleSwitchWorkspace(QVariant::fromValue(d.archive));
        QCOMPARE(d.store->activeWorkspaceID(), d.archive);
    }

    // Without workspaces the submenu is empty and the first line names none; with an active id
    // that names no workspace, the first one is shown but none is checked.
    void noActiveWorkspace()
    {
        Desk d;
        d.store->setActiveWorkspaceID(newUuid());
        QMenu menu;
        d.controller->populateMenu(menu);
        QCOMPARE(describe(menu).value(0), u"Morvanteel · 桌面 |  |  | disabled"_s);
        QCOMPARE(describe(*switcher(menu)), (QStringList{u"桌面 |  | off | "_s, u"归档 |  | off | "_s}));

        d.store->setWorkspaces({});
        d.controller->populateMenu(menu);
        QCOMPARE(describe(menu).value(0), u"Morvanteel · 工作区 |  |  | disabled"_s);
        QVERIFY(switcher(menu));
        QVERIFY(switcher(menu)->actions().isEmpty());
    }

    // Names are shown as typed: an "&" is not taken for a mnemonic, a tab does not split them.
    void userTextIsShownAsTyped()
    {
        Desk d;
        QList<WorkspaceProfile> workspaces = d.store->workspaces();
        workspaces[0].name = u"R&D\t实验室"_s;
        d.store->setWorkspaces(workspaces);
        QMenu menu;
        d.controller->populateMenu(menu);
        QCOMPARE(shownTitle(menu.actions().value(0)->text()), u"Morvanteel · R&D 实验室"_s);
        QCOMPARE(shownTitle(switcher(menu)->actions().value(0)->text()), u"R&D 实验室"_s);
        QVERIFY(findAction(menu, u"R&D 实验室"_s));
    }

    // Turning Peek on lifts the curtain, so the next opening checks Peek and not hiding.
    void peekLiftsTheCurtain()
    {
        Desk d;
        QMenu menu;
        d.controller->populateMenu(menu);
        findAction(menu, u"快速隐藏桌面围栏"_s)->trigger();
        d.controller->populateMenu(menu);
        QVERIFY(findAction(menu, u"快速隐藏桌面围栏"_s)->isChecked());
        findAction(menu, u"Peek 桌面透视"_s)->trigger();
        d.controller->populateMenu(menu);
        QVERIFY(findAction(menu, u"Peek 桌面透视"_s)->isChecked());
        QVERIFY(!findAction(menu, u"快速隐藏桌面围栏"_s)->isChecked());
    }

    // The tray's menu is filled afresh each time it opens, and a rebuild leaves no old
    // submenu behind.
    void trayMenuIsRebuiltWhenItOpens()
    {
        Desk d(true);
        QVERIFY(d.controller->isTrayAvailable());
        QSystemTrayIcon* tray = d.controller->trayIcon();
        QVERIFY(tray);
        QCOMPARE(tray->toolTip(), u"Morvanteel 澄栩围栏"_s);
        QVERIFY(!tray->icon().isNull());
        QMenu* menu = d.controller->menu();
        QCOMPARE(tray->contextMenu(), menu);
        QVERIFY(menu->actions().isEmpty());

        menu->popup(QPoint(10, 10));
        QCOMPARE(describe(*menu).value(3), u"Peek 桌面透视 | Alt+Space | off | "_s);
        menu->hide();
        d.store->togglePeek();
        d.store->switchWorkspace(d.archive);
        menu->popup(QPoint(10, 10));
        QCOMPARE(describe(*menu).value(0), u"Morvanteel · 归档 |  |  | disabled"_s);
        QCOMPARE(describe(*menu).value(3), u"Peek 桌面透视 | Alt+Space | on | "_s);
        QCOMPARE(menu->findChildren<QMenu*>().size(), 1);
        menu->hide();
    }

    // Without a tray there is no item and no menu; the default asks Qt.
    void withoutATrayThereIsNoItem()
    {
        Desk d(false);
        QVERIFY(!d.controller->isTrayAvailable());
        QVERIFY(!d.controller->trayIcon());
        QVERIFY(!d.controller->menu());

        StatusBarMenuController asked(*d.store, *d.manager, {});
        QCOMPARE(asked.isTrayAvailable(), QSystemTrayIcon::isSystemTrayAvailable());
    }

    // A tray host that starts after the program: the item is made once the desktop has a tray,
    // and the desktop is no longer asked after that.
    void aTrayThatAppearsLaterGetsTheItem()
    {
        Desk d;
        bool trayUp = false;
        int asked = 0;
        StatusBarMenuController late(*d.store, *d.manager, {}, [&] {
            ++asked;
            return trayUp;
        });
        QSignalSpy created(&late, &StatusBarMenuController::trayIconCreated);
        QTest::qWait(StatusBarMenuController::trayRetryIntervalMs + 300);
        QVERIFY(!late.isTrayAvailable());
        QVERIFY(asked >= 2); // at the start and again later
        trayUp = true;
        QTRY_VERIFY_WITH_TIMEOUT(late.isTrayAvailable(), StatusBarMenuController::trayRetryIntervalMs * 3);
        QCOMPARE(created.count(), 1);
        QVERIFY(late.trayIcon()->isVisible());
        QCOMPARE(late.trayIcon()->contextMenu(), late.menu());
        const int askedWhenMade = asked;
        QTest::qWait(StatusBarMenuController::trayRetryIntervalMs + 300);
        QCOMPARE(asked, askedWhenMade);
        QCOMPARE(created.count(), 1);
    }

    // A menu that outlives its controller, or a controller without callbacks, does nothing.
    void actionsDoNothingWithoutTheirOwner()
    {
        Desk d;
        const QString before = d.state();
        QMenu menu;
        {
            StatusBarMenuController bare(*d.store, *d.manager, {}, [] { return false; });
            bare.populateMenu(menu);
            for (const QString& item : {u"打开 SpotSearch 检索"_s, u"智能整理规则 (Dry-Run 预演)…"_s,
                                        u"打开控制中心工作室…"_s, u"退出 Morvanteel"_s})
                findAction(menu, item)->trigger();
        }
        QCOMPARE(d.state(), before);
        findAction(menu, u"Peek 桌面透视"_s)->trigger();
        findAction(menu, u"归档"_s)->trigger();
        findAction(menu, u"撤销：移动 a.txt"_s)->trigger();
        QCOMPARE(d.state(), before);
        QVERIFY(d.calls.isEmpty());
    }

    // The item shows the program's own icon.
    void statusIcon()
    {
        QVERIFY(!StatusBarMenuController::statusIcon().isNull());
    }
};

QTEST_MAIN(StatusBarMenuTest)
#include "tst_statusbarmenu.moc"
