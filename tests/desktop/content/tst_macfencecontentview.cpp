#include "core/store/support/StoreFixture.h"
#include "design/DesignEnvironment.h"
#include "design/FenceChecklistListView.h"
#include "design/FenceChecklistModel.h"
#include "design/FenceHeaderView.h"
#include "design/FenceNoteEditorView.h"
#include "design/FenceTabStripView.h"
#include "design/GlassSymbolMark.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassButton.h"
#include "design/LiquidGlassShapeKind.h"
#include "design/LiquidGlassSurfaceFrame.h"
#include "design/LiquidGlassSurfaceModifier.h"
#include "desktop/content/MacFenceContentView.h"
#include "desktop/content/PortalBrowser.h"
#include "desktop/content/PortalDirectoryWatcher.h"
#include "desktop/content/PortalTabView.h"
#include "support/WidgetProbes.h"

#include <QAbstractItemModel>
#include <QInputMethodEvent>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPointer>
#include <QStackedWidget>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

#include <functional>
#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

FenceTab notesTab(const QString& title, const QString& text = {})
{
    FenceTab tab = plainTab(FenceKind::notes, title);
    tab.noteText = text;
    return tab;
}

FenceChecklistTask task(const QString& title, bool completed = false)
{
    return {newUuid(), title, completed, QDateTime(QDate(2026, 12, 1), QTime(9, 0), Qt::UTC), std::nullopt, false};
}

FenceTab checklistTab(const QString& title, const QList<FenceChecklistTask>& tasks)
{
    FenceTab tab = plainTab(FenceKind::checklist, title);
    tab.tasks = tasks;
    return tab;
}

FenceTab portalTab(const QString& title, const std::optional<QString>& path)
{
    FenceTab tab = plainTab(FenceKind::portal, title);
    tab.portalPath = path;
    return tab;
}

FenceTab curatedTab(const QString& title, const QStringList& itemTitles)
{
    FenceTab tab = plainTab(FenceKind::curated, title);
    for (const QString& itemTitle : itemTitles) {
        tab.items.append({newUuid(), itemTitle, std::nullopt, FenceItemKind::url, u"https://example.org"_s,
                          u"globe"_s, std::nullopt, false, std::nullopt});
    }
    return tab;
}

bool makeFile(const QString& path, const QByteArray& bytes = "x")
{
    return StoreFixture::writeFile(path, bytes);
}

// The menu as a user reads it: item texts, "—" for a divider.
QStringList menuSymbols(const QMenu* menu)
{
    QStringList symbols;
    for (const QAction* action : menu->actions()) {
        if (!action->isSeparator())
            symbols.append(action->property("symbolName").toString());
    }
    return symbols;
}

QStringList listTexts(const QListView* list)
{
    QStringList texts;
    const QAbstractItemModel* model = list->model();
    for (int row = 0; row < model->rowCount(); ++row)
        texts.append(model->index(row, 0).data().toString());
    return texts;
}

// Every widget below `root`: the same set after a change means nothing was rebuilt.
// A fence in the active workspace with these tabs (the first active), shown in a content view
// whose callbacks record what they are asked.
struct Content : TwoWorkspaceStore {
    enum class Callbacks { recorded, none };

    DesignEnvironment environment;
    FenceModel fence;
    QList<QUuid> collapseRequests;
    QList<std::optional<ControlCenterTab>> openedPages;
    int spotSearchRequests = 0;
    std::unique_ptr<MacFenceContentView> view;

    explicit Content(const QList<FenceTab>& tabs, Callbacks callbacks = Callbacks::recorded)
    {
        fence = appendFence(desk, u"工作台"_s, tabs);
        fence.symbolName = u"tray"_s;
        fence.style = {FenceTintPalette::mint, 0.72, 22, 1.0, FenceDisplayDensity::grid, false, 0.48, true};
        fence.desktopFrame = {100, 100, 360, 420};
        store->updateFence(fence);
        fence = stored();

        FencePanelContent::Callbacks given;
        if (callbacks == Callbacks::recorded) {
            given.onToggleCollapse = [this](const QUuid& id) { collapseRequests.append(id); };
            given.onOpenControlCenter = [this](std::optional<ControlCenterTab> tab) { openedPages.append(tab); };
            given.onOpenSpotSearch = [this] { ++spotSearchRequests; };
        }
        view = std::make_unique<MacFenceContentView>(*store, fence.id, given, &environment);
        view->resize(360, 420);
    }

    [[nodiscard]] bool show()
    {
        view->show();
        return QTest::qWaitForWindowExposed(view.get());
    }

    FenceModel stored() const { return *store->fence(fence.id); }
    const FenceTab& storedTab(int index) const { return store->fence(fence.id)->tabs.at(index); }

    void change(const std::function<void(FenceModel&)>& edit)
    {
        FenceModel value = stored();
        edit(value);
        store->updateFence(value);
    }

    // The fence menu, opened as the menu button opens it, and one of its items run.
    std::unique_ptr<QMenu> menu() const { return std::unique_ptr<QMenu>(view->createFenceMenu(nullptr)); }
    bool runMenuItem(const QString& text, const QString& submenu = {}) const
    {
        const std::unique_ptr<QMenu> fenceMenu = menu();
        if (!fenceMenu)
            return false;
        const QMenu* holder = fenceMenu.get();
        if (!submenu.isEmpty()) {
            QAction* opener = menuItem(fenceMenu.get(), submenu);
            holder = opener ? opener->menu() : nullptr;
        }
        QAction* item = holder ? menuItem(holder, text) : nullptr;
        if (!item)
            return false;
        item->trigger();
        QCoreApplication::processEvents(); // the menu's actions run after it has closed
        return true;
    }

    GlassSymbolMark* headerMark(const char* name) const { return view->header()->findChild<GlassSymbolMark*>(QLatin1StringView(name)); }
    // The marks are made when first shown.
    bool headerShows(const char* name) const
    {
        const GlassSymbolMark* mark = headerMark(name);
        return mark && mark->isVisibleTo(view->header());
    }
    bool headerShowsLock() const { return headerShows("lockMark"); }
    bool headerShowsPin() const { return headerShows("pinMark"); }
    bool isShown(const QWidget* widget) const { return widget->isVisibleTo(view.get()); }
};

// A portal fence over a folder with two files and a subfolder, and a notes tab beside it.
struct PortalContent : Content {
    QString folder;
    QString subfolder;
    QString otherFolder;

    static QList<FenceTab> tabsFor(const QString& folder)
    {
        return {portalTab(u"下载"_s, folder), notesTab(u"便笺"_s)};
    }

    explicit PortalContent(const QString& base)
        : Content(tabsFor(base + u"/portal"_s))
        , folder(base + u"/portal"_s)
        , subfolder(base + u"/portal/sub"_s)
        , otherFolder(base + u"/other"_s)
    {
        makeFile(folder + u"/b.txt"_s);
        makeFile(folder + u"/a.txt"_s);
        makeFile(subfolder + u"/inner.txt"_s);
        makeFile(otherFolder + u"/elsewhere.txt"_s);
    }

    QUrl url(const QString& path) const { return QUrl::fromLocalFile(path); }
};

} // namespace

class MacFenceContentViewTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // -- surface and header -----------------------------------------------------------------

    void headerShowsTheFence()
    {
        Content f({notesTab(u"便笺"_s, u"abc"_s)});
        QVERIFY(f.show());
        QCOMPARE(f.view->header()->title(), u"工作台"_s);
        QVERIFY(!f.headerShowsPin());
        QVERIFY(f.view->header()->hasRename());

        f.change([](FenceModel& fence) { fence.isPinned = true; });
        f.store->renameFence(f.fence.id, u"  研究  "_s);
        QCOMPARE(f.view->header()->title(), u"研究"_s);
        QVERIFY(f.headerShowsPin());
    }

    void lockStates_data()
    {
        QTest::addColumn<bool>("fenceLocked");
        QTest::addColumn<bool>("layoutLocked");
        QTest::addColumn<bool>("headerLocked");
        QTest::addColumn<QString>("buttonSymbol");
        QTest::addColumn<QString>("buttonHelp");
        // The header shows either lock; the lock button only the fence's own.
        QTest::newRow("unlocked") << false << false << false << u"lock.open"_s << u"锁定围栏位置与尺寸"_s;
        QTest::newRow("layout lock only") << false << true << true << u"lock.open"_s << u"锁定围栏位置与尺寸"_s;
        QTest::newRow("fence lock") << true << false << true << u"lock.fill"_s << u"解锁围栏位置与尺寸"_s;
        QTest::newRow("both") << true << true << true << u"lock.fill"_s << u"解锁围栏位置与尺寸"_s;
    }

    void lockStates()
    {
        QFETCH(bool, fenceLocked);
        QFETCH(bool, layoutLocked);
        QFETCH(bool, headerLocked);
        QFETCH(QString, buttonSymbol);
        QFETCH(QString, buttonHelp);
        Content f({notesTab(u"便笺"_s)});
        QVERIFY(f.show());
        // Changed after the view is up: it must follow the store, not only read it once.
        f.change([&](FenceModel& fence) { fence.isLocked = fenceLocked; });
        if (layoutLocked)
            f.store->toggleGlobalLayoutLock();
        QCOMPARE(f.headerShowsLock(), headerLocked);
        QCOMPARE(f.view->lockButton()->symbolName(), buttonSymbol);
        QCOMPARE(f.view->lockButton()->toolTip(), buttonHelp);
    }

    void lockButtonTogglesTheFenceLock()
    {
        Content f({notesTab(u"便笺"_s)});
        QVERIFY(f.show());
        f.store->toggleGlobalLayoutLock();
        QTest::mouseClick(f.view->lockButton(), Qt::LeftButton);
        QVERIFY(f.stored().isLocked);
        QCOMPARE(f.view->lockButton()->symbolName(), u"lock.fill"_s);
        QVERIFY(f.store->preferences().isLayoutLocked); // the global lock is not the button's
        QTest::mouseClick(f.view->lockButton(), Qt::LeftButton);
        QVERIFY(!f.stored().isLocked);
    }

    void rolledUpShape_data()
    {
        QTest::addColumn<bool>("collapsed");
        QTest::addColumn<bool>("hoverUnrolled");
        QTest::addColumn<bool>("rolledUp");
        // Rolled up means collapsed and not unrolled under the pointer: a capsule and a
        // collapsed header; otherwise a rounded rectangle of the style's radius.
        QTest::newRow("expanded") << false << false << false;
        QTest::newRow("expanded, hover report") << false << true << false;
        QTest::newRow("rolled up") << true << false << true;
        QTest::newRow("hover-unrolled") << true << true << false;
    }

    void rolledUpShape()
    {
        QFETCH(bool, collapsed);
        QFETCH(bool, hoverUnrolled);
        QFETCH(bool, rolledUp);
        Content f({notesTab(u"便笺"_s)});
        QVERIFY(f.show());
        f.store->setCollapsed(f.fence.id, collapsed);
        f.view->setHoverUnrolled(hoverUnrolled);
        QCOMPARE(f.view->header()->isCollapsed(), rolledUp);
        const LiquidGlassSurfaceModifier& glass = f.view->surface()->modifier();
        QCOMPARE(glass.shape, rolledUp ? LiquidGlassShapeKind::capsule() : LiquidGlassShapeKind::roundedRect(22));
        QCOMPARE(glass.tint, FenceTintPalette::mint);
        QCOMPARE(glass.glassOpacity, 0.72);
        QVERIFY(glass.interactive);
        // A rolled-up header hides the lock button and the menu with its other trailing actions.
        QCOMPARE(f.isShown(f.view->menuButton()), !rolledUp);

        // The panel keeps the view at the expanded height; rolled up, the glass is the 46-high
        // pill at its top with the header inside, and nothing is drawn below it.
        f.view->resize(340, 280);
        QCoreApplication::processEvents();
        const QRect surface = f.view->surface()->geometry();
        QCOMPARE(surface.top(), 0);
        QCOMPARE(surface.height(), rolledUp ? FenceHeaderView::fixedHeight : 280);
        QVERIFY(surface.contains(f.view->header()->geometry().translated(surface.topLeft())));
        // Drawn as over the panel's clear window: without the top-level background.
        QImage shot(f.view->size(), QImage::Format_ARGB32_Premultiplied);
        shot.fill(Qt::transparent);
        f.view->render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
        QCOMPARE(qAlpha(shot.pixel(170, 140)) == 0, rolledUp);
        QVERIFY(qAlpha(shot.pixel(170, 23)) > 0);
    }

    void collapseControlAsksThePanelManager()
    {
        Content f({notesTab(u"便笺"_s)});
        QVERIFY(f.show());
        auto* collapse = f.view->header()->findChild<LiquidGlassButton*>(u"collapseButton"_s);
        QVERIFY(collapse);
        QTest::mouseClick(collapse, Qt::LeftButton);
        QCOMPARE(f.collapseRequests, QList<QUuid>{f.fence.id});
        QVERIFY(!f.stored().isCollapsed); // the manager decides; the view does not collapse itself
    }

    void highlight_data()
    {
        QTest::addColumn<bool>("selectThisFence");
        QTest::addColumn<bool>("selectOtherFence");
        QTest::addColumn<bool>("dropTargeted");
        QTest::addColumn<bool>("highlighted");
        // The glass lights up for the store's selected fence and under a file drag.
        QTest::newRow("plain") << false << false << false << false;
        QTest::newRow("selected") << true << false << false << true;
        QTest::newRow("another selected") << false << true << false << false;
        QTest::newRow("drag over it") << false << true << true << true;
    }

    void highlight()
    {
        QFETCH(bool, selectThisFence);
        QFETCH(bool, selectOtherFence);
        QFETCH(bool, dropTargeted);
        QFETCH(bool, highlighted);
        Content f({notesTab(u"便笺"_s)});
        const FenceModel other = f.appendFence(f.desk, u"其他"_s, {notesTab(u"其他"_s)});
        QVERIFY(f.show());
        if (selectThisFence)
            f.store->setSelectedFenceID(f.fence.id);
        if (selectOtherFence)
            f.store->setSelectedFenceID(other.id);
        f.view->setDropTargeted(dropTargeted);
        QCOMPARE(f.view->surface()->modifier().isHighlighted, highlighted);
    }

    void renameFromTheHeader()
    {
        Content f({notesTab(u"便笺"_s)});
        QVERIFY(f.show());
        const std::unique_ptr<QMenu> titleMenu(f.view->header()->createTitleMenu(nullptr));
        QAction* rename = menuItem(titleMenu.get(), u"重命名围栏"_s);
        QVERIFY(rename);
        rename->trigger();
        QCoreApplication::processEvents();
        auto* field = f.view->header()->findChild<QLineEdit*>(u"renameField"_s);
        QVERIFY(field && field->isVisible());
        QTest::keyClicks(field, u"  Desk 2 "_s);
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(f.stored().title, u"Desk 2"_s);
        QCOMPARE(f.view->header()->title(), u"Desk 2"_s);
    }

    // -- tabs -------------------------------------------------------------------------------

    void oneTabShowsNoStrip()
    {
        Content f({notesTab(u"便笺"_s)});
        QVERIFY(f.show());
        QVERIFY(!f.isShown(f.view->tabStrip()));
        f.store->addTab(f.fence.id, u"清单"_s, FenceKind::checklist);
        QVERIFY(f.isShown(f.view->tabStrip()));
        // The strip that comes with the second tab stands between the header and the body.
        f.view->surface()->layout()->activate();
        QVERIFY(f.view->tabStrip()->height() > 0);
        QCOMPARE(f.view->tabStrip()->y(), f.view->header()->geometry().bottom() + 1);
        QCOMPARE(f.view->body()->y(), f.view->tabStrip()->geometry().bottom() + 1);
        QCOMPARE(f.view->tabStrip()->capsules().size(), 2);
        QCOMPARE(f.view->tabStrip()->activeTabID(), f.storedTab(1).id);
        QVERIFY(f.isShown(f.view->tabStrip()->addButton()));
        f.store->removeTab(f.fence.id, f.storedTab(1).id);
        QVERIFY(!f.isShown(f.view->tabStrip()));
    }

    void stripSelectsAddsAndClosesTabs()
    {
        Content f({notesTab(u"便笺"_s, u"记录"_s), checklistTab(u"清单"_s, {task(u"买牛奶"_s)})});
        QVERIFY(f.show());
        FenceTabStripView* strip = f.view->tabStrip();
        const QUuid notesID = f.storedTab(0).id;
        const QUuid checklistID = f.storedTab(1).id;

        QTest::mouseClick(strip->capsule(checklistID), Qt::LeftButton);
        QCOMPARE(f.stored().activeTabID, checklistID);
        QCOMPARE(f.view->body()->currentWidget(), f.view->checklist());

        // The strip's plus always adds a portal tab called "新传送门", passing no folder.
        QTest::mouseClick(strip->addButton(), Qt::LeftButton);
        const FenceModel added = f.stored();
        QCOMPARE(added.tabs.size(), 3);
        QCOMPARE(added.tabs.last().kind, FenceKind::portal);
        QCOMPARE(added.tabs.last().title, u"新传送门"_s);
        QCOMPARE(added.activeTabID, added.tabs.last().id);
        QCOMPARE(strip->capsules().size(), 3);

        const std::unique_ptr<QMenu> tabMenu(strip->createTabMenu(added.tabs.last().id, nullptr));
        QVERIFY(tabMenu);
        tabMenu->actions().first()->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(f.stored().tabs.size(), 2);
        QCOMPARE(f.stored().activeTabID, notesID); // the store falls back to the first tab
        QCOMPARE(f.view->noteEditor()->text(), u"记录"_s);
    }

    // -- the fence menu ---------------------------------------------------------------------

    void fenceMenuItems_data()
    {
        QTest::addColumn<bool>("pinned");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<bool>("withUndo");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QStringList>("symbols");
        // Labels follow the fence's own pin and lock; the undo item is there only while the
        // store holds a file move to undo.
        QTest::newRow("plain") << false << false << false
                               << QStringList{u"添加标签页"_s, u"置顶围栏"_s, u"锁定围栏"_s, u"—"_s,
                                              u"外观与玻璃实验室…"_s, u"SpotSearch 检索…"_s, u"—"_s, u"删除此围栏"_s}
                               << QStringList{u"plus.rectangle.on.folder"_s, u"pin.fill"_s, u"lock.fill"_s,
                                              u"slider.horizontal.3"_s, u"magnifyingglass"_s, u"trash"_s};
        QTest::newRow("pinned and locked")
            << true << true << false
            << QStringList{u"添加标签页"_s, u"取消置顶"_s, u"解锁围栏"_s, u"—"_s, u"外观与玻璃实验室…"_s,
                           u"SpotSearch 检索…"_s, u"—"_s, u"删除此围栏"_s}
            << QStringList{u"plus.rectangle.on.folder"_s, u"pin.slash"_s, u"lock.open"_s, u"slider.horizontal.3"_s,
                           u"magnifyingglass"_s, u"trash"_s};
        QTest::newRow("after a move")
            << false << false << true
            << QStringList{u"添加标签页"_s, u"置顶围栏"_s, u"锁定围栏"_s, u"—"_s, u"外观与玻璃实验室…"_s,
                           u"SpotSearch 检索…"_s, u"撤销上次文件移动 (Ctrl+Z)"_s, u"—"_s, u"删除此围栏"_s}
            << QStringList{u"plus.rectangle.on.folder"_s, u"pin.fill"_s, u"lock.fill"_s, u"slider.horizontal.3"_s,
                           u"magnifyingglass"_s, u"arrow.uturn.backward"_s, u"trash"_s};
    }

    void fenceMenuItems()
    {
        QFETCH(bool, pinned);
        QFETCH(bool, locked);
        QFETCH(bool, withUndo);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, symbols);
        QTemporaryDir files;
        Content f({portalTab(u"下载"_s, files.filePath(u"portal"_s))});
        QVERIFY(makeFile(files.filePath(u"portal/.keep"_s)));
        QVERIFY(makeFile(files.filePath(u"incoming/report.txt"_s)));
        QVERIFY(f.show());
        f.change([&](FenceModel& fence) {
            fence.isPinned = pinned;
            fence.isLocked = locked;
        });
        if (withUndo)
            QVERIFY(f.store->moveFiles({QUrl::fromLocalFile(files.filePath(u"incoming/report.txt"_s))}, f.fence.id));

        const std::unique_ptr<QMenu> menu = f.menu();
        QCOMPARE(menuTexts(menu.get()), texts);
        QCOMPARE(menuSymbols(menu.get()), symbols);
        const QAction* remove = menuItem(menu.get(), u"删除此围栏"_s);
        QVERIFY(remove->property("destructive").toBool());
        // One item per tab kind, in declaration order, with the kind's name and symbol.
        const QMenu* addTab = menuItem(menu.get(), u"添加标签页"_s)->menu();
        QVERIFY(addTab);
        QCOMPARE(menuTexts(addTab), (QStringList{u"文件夹传送门"_s, u"快捷启动台"_s, u"澄栩便签"_s, u"待办清单"_s}));
        QCOMPARE(menuSymbols(addTab), (QStringList{u"folder.badge.gearshape"_s, u"square.grid.2x2.fill"_s,
                                                   u"note.text"_s, u"checklist"_s}));
    }

    void menuAddsTabs_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("title");
        // A tab added from the menu is named after its kind and becomes active.
        QTest::newRow("portal") << int(FenceKind::portal) << u"文件夹传送门"_s;
        QTest::newRow("curated") << int(FenceKind::curated) << u"快捷启动台"_s;
        QTest::newRow("notes") << int(FenceKind::notes) << u"澄栩便签"_s;
        QTest::newRow("checklist") << int(FenceKind::checklist) << u"待办清单"_s;
    }

    void menuAddsTabs()
    {
        QFETCH(int, kind);
        QFETCH(QString, title);
        Content f({notesTab(u"便笺"_s)});
        QVERIFY(f.show());
        QVERIFY(f.runMenuItem(title, u"添加标签页"_s));
        const FenceModel fence = f.stored();
        QCOMPARE(fence.tabs.size(), 2);
        QCOMPARE(int(fence.tabs.last().kind), kind);
        QCOMPARE(fence.tabs.last().title, title);
        QCOMPARE(fence.activeTabID, fence.tabs.last().id);
        QVERIFY(f.isShown(f.view->tabStrip()));
    }

    void menuTogglesPinAndLock()
    {
        Content f({notesTab(u"便笺"_s)});
        QVERIFY(f.show());
        QVERIFY(f.runMenuItem(u"置顶围栏"_s));
        QVERIFY(f.stored().isPinned);
        QVERIFY(f.runMenuItem(u"锁定围栏"_s));
        QVERIFY(f.stored().isLocked);
        QCOMPARE(f.view->lockButton()->symbolName(), u"lock.fill"_s);
        // A menu opened now reads the changed fence.
        QVERIFY(f.runMenuItem(u"取消置顶"_s));
        QVERIFY(f.runMenuItem(u"解锁围栏"_s));
        QVERIFY(!f.stored().isPinned);
        QVERIFY(!f.stored().isLocked);
    }

    void toggleWritesOnlyItsField()
    {
        // The pin is flipped on the fence as the store holds it when the item runs, not on the
        // value the menu was built from: a rename in between survives.
        Content f({notesTab(u"便笺"_s)});
        QVERIFY(f.show());
        const std::unique_ptr<QMenu> menu = f.menu();
        f.store->renameFence(f.fence.id, u"改过的名字"_s);
        menuItem(menu.get(), u"置顶围栏"_s)->trigger();
        QCoreApplication::processEvents();
        QVERIFY(f.stored().isPinned);
        QCOMPARE(f.stored().title, u"改过的名字"_s);
    }

    void menuOpensOtherPlaces()
    {
        Content f({notesTab(u"便笺"_s)});
        QVERIFY(f.show());
        QVERIFY(f.runMenuItem(u"外观与玻璃实验室…"_s));
        QCOMPARE(f.store->selectedFenceID(), std::optional<QUuid>(f.fence.id));
        QCOMPARE(f.openedPages, (QList<std::optional<ControlCenterTab>>{ControlCenterTab::appearance}));
        QVERIFY(f.runMenuItem(u"SpotSearch 检索…"_s));
        QCOMPARE(f.spotSearchRequests, 1);
    }

    void menuWithoutCallbacksStillSelectsTheFence()
    {
        Content f({notesTab(u"便笺"_s)}, Content::Callbacks::none);
        QVERIFY(f.show());
        QVERIFY(f.runMenuItem(u"SpotSearch 检索…"_s));
        QVERIFY(f.runMenuItem(u"外观与玻璃实验室…"_s));
        QCOMPARE(f.store->selectedFenceID(), std::optional<QUuid>(f.fence.id));
    }

    void menuUndoesTheLastMove()
    {
        QTemporaryDir files;
        const QString source = files.filePath(u"incoming/report.txt"_s);
        Content f({portalTab(u"下载"_s, files.filePath(u"portal"_s))});
        QVERIFY(makeFile(files.filePath(u"portal/.keep"_s)));
        QVERIFY(makeFile(source));
        QVERIFY(f.show());
        QVERIFY(f.store->moveFiles({QUrl::fromLocalFile(source)}, f.fence.id));
        QVERIFY(!QFile::exists(source));
        QVERIFY(f.runMenuItem(u"撤销上次文件移动 (Ctrl+Z)"_s));
        QVERIFY(QFile::exists(source));
        QVERIFY(f.store->undoStack().isEmpty());
        QVERIFY(!menuItem(f.menu().get(), u"撤销上次文件移动 (Ctrl+Z)"_s));
    }

    void deleteRemovesTheFenceAtOnce()
    {
        Content f({notesTab(u"便笺"_s)});
        QVERIFY(f.show());
        f.store->setSelectedFenceID(f.fence.id);
        QVERIFY(f.runMenuItem(u"删除此围栏"_s));
        QVERIFY(!f.store->fence(f.fence.id));
        QVERIFY(!f.store->selectedFenceID());
        QVERIFY(!f.isShown(f.view->surface()));
    }

    // -- notes ------------------------------------------------------------------------------

    void typingWritesTheNote()
    {
        Content f({notesTab(u"便笺"_s)});
        QVERIFY(f.show());
        FenceNoteEditorView* notes = f.view->noteEditor();
        QVERIFY(f.isShown(notes));
        QCOMPARE(notes->placeholder(), u"在这里记录项目灵感、会议摘要或临时片段…"_s);
        QTest::keyClicks(notes->editor(), u"idea "_s);
        QInputMethodEvent committed;
        committed.setCommitString(u"灵感"_s);
        QApplication::sendEvent(notes->editor(), &committed);
        QCOMPARE(f.storedTab(0).noteText, u"idea 灵感"_s);
        QCOMPARE(f.view->header()->findChild<LiquidGlassBadge*>(u"badge"_s)->text(), u"7 字"_s);
    }

    void storeChangesReachTheEditorInPlace()
    {
        Content f({notesTab(u"便笺"_s)});
        QVERIFY(f.show());
        FenceNoteTextEdit* editor = f.view->noteEditor()->editor();
        QTest::keyClicks(editor, u"hello world"_s);
        QTextCursor cursor = editor->textCursor();
        cursor.setPosition(5);
        editor->setTextCursor(cursor);

        // The same text written back, and another field changed: the editor keeps its cursor
        // and its undo history, which replacing the text would lose.
        f.store->updateNoteText(u"hello world"_s, f.fence.id);
        f.store->renameFence(f.fence.id, u"新标题"_s);
        QCOMPARE(editor->toPlainText(), u"hello world"_s);
        QCOMPARE(editor->textCursor().position(), 5);
        QVERIFY(editor->document()->isUndoAvailable());

        // Another road changes the text: it shows.
        f.store->updateNoteText(u"外部写入"_s, f.fence.id);
        QCOMPARE(editor->toPlainText(), u"外部写入"_s);
    }

    void storeChangeLeavesACompositionAlone()
    {
        Content f({notesTab(u"便笺"_s, u"ab"_s)});
        QVERIFY(f.show());
        FenceNoteTextEdit* editor = f.view->noteEditor()->editor();
        editor->moveCursor(QTextCursor::End);
        QInputMethodEvent composing(u"zh"_s, {});
        QApplication::sendEvent(editor, &composing);
        QVERIFY(editor->isComposing());
        f.store->renameFence(f.fence.id, u"新标题"_s);
        QCOMPARE(editor->document()->firstBlock().layout()->preeditAreaText(), u"zh"_s);
        QCOMPARE(f.storedTab(0).noteText, u"ab"_s);
    }

    void noteLock_data()
    {
        QTest::addColumn<bool>("fenceLocked");
        QTest::addColumn<bool>("layoutLocked");
        QTest::addColumn<bool>("readOnly");
        // Only the fence's own lock keeps the text from edits.
        QTest::newRow("unlocked") << false << false << false;
        QTest::newRow("layout lock") << false << true << false;
        QTest::newRow("fence lock") << true << false << true;
    }

    void noteLock()
    {
        QFETCH(bool, fenceLocked);
        QFETCH(bool, layoutLocked);
        QFETCH(bool, readOnly);
        Content f({notesTab(u"便笺"_s, u"固定"_s), checklistTab(u"清单"_s, {task(u"任务"_s)})});
        QVERIFY(f.show());
        f.change([&](FenceModel& fence) { fence.isLocked = fenceLocked; });
        if (layoutLocked)
            f.store->toggleGlobalLayoutLock();
        QCOMPARE(f.view->noteEditor()->isLocked(), readOnly);
        QCOMPARE(f.view->noteEditor()->editor()->isReadOnly(), readOnly);
        f.store->selectTab(f.fence.id, f.storedTab(1).id);
        QCOMPARE(f.view->checklist()->isLocked(), readOnly);
    }

    // -- checklist --------------------------------------------------------------------------

    void checklistWritesThroughTheStore()
    {
        Content f({checklistTab(u"清单"_s, {task(u"Report"_s), task(u"Mail"_s, true)})});
        QVERIFY(f.show());
        FenceChecklistListView* list = f.view->checklist();
        QVERIFY(f.isShown(list));
        QCOMPARE(list->model()->rowCount(), 2);
        QWidget* rows = list->listView()->viewport();

        QTest::keyClicks(list->addField(), u"  Buy milk "_s);
        QTest::keyClick(list->addField(), Qt::Key_Return);
        QCOMPARE(f.storedTab(0).tasks.size(), 3);
        QCOMPARE(f.storedTab(0).tasks.first().title, u"Buy milk"_s);
        QCOMPARE(list->model()->rowCount(), 3);

        // Row 1 is "Report" now that the new task leads.
        QTest::mouseClick(rows, Qt::LeftButton, {}, list->rowGeometry(1).title.center().toPoint());
        QVERIFY(f.storedTab(0).tasks.at(1).isCompleted);
        QVERIFY(f.storedTab(0).tasks.at(1).completedAt);

        const QUuid mail = f.storedTab(0).tasks.at(2).id;
        QTest::mouseClick(rows, Qt::LeftButton, {}, list->rowGeometry(2).deleteButton.center().toPoint());
        QCOMPARE(f.storedTab(0).tasks.size(), 2);
        QVERIFY(std::none_of(f.storedTab(0).tasks.cbegin(), f.storedTab(0).tasks.cend(),
                             [&](const FenceChecklistTask& t) { return t.id == mail; }));
        QCOMPARE(list->model()->rowCount(), 2);
    }

    // -- portal and curated stand-ins -------------------------------------------------------

    void portalListsTheFolder()
    {
        QTemporaryDir files;
        PortalContent f(files.path());
        QVERIFY(f.show());
        QCOMPARE(f.view->portalBrowser()->rootPortalURL(), std::optional<QUrl>(f.url(f.folder)));
        QCOMPARE(f.view->portalBrowser()->currentPortalURL(), f.view->portalBrowser()->rootPortalURL());
        // The tab's sort mode is by name, folders first.
        QCOMPARE(listTexts(f.view->portalList()), (QStringList{u"sub"_s, u"a.txt"_s, u"b.txt"_s}));
        QVERIFY(f.isShown(f.view->portalList()));
        QVERIFY(!f.isShown(f.view->portalStateLabel()));

        // What another program adds to the folder appears without any action.
        QVERIFY(makeFile(f.folder + u"/c.txt"_s));
        QTRY_COMPARE(listTexts(f.view->portalList()), (QStringList{u"sub"_s, u"a.txt"_s, u"b.txt"_s, u"c.txt"_s}));
    }

    // The bound folder deleted and made again: the tab says it is missing only while it is gone,
    // and then follows what is made in it.
    void portalFolderMadeAgainIsShownAgain()
    {
        QTemporaryDir files;
        PortalContent f(files.path());
        QVERIFY(f.show());
        QVERIFY(QDir(f.folder).removeRecursively());
        QTRY_COMPARE(f.view->portalTab()->state(), PortalTabView::State::missing);
        QCOMPARE(f.view->portalStateLabel()->text(), PortalTabView::missingText);

        QVERIFY(makeFile(f.folder + u"/back.txt"_s));
        QTRY_COMPARE(f.view->portalTab()->state(), PortalTabView::State::entries);
        QTRY_COMPARE(listTexts(f.view->portalList()), QStringList{u"back.txt"_s});
        QVERIFY(makeFile(f.folder + u"/later.txt"_s));
        QTRY_COMPARE(listTexts(f.view->portalList()), (QStringList{u"back.txt"_s, u"later.txt"_s}));
    }

    void portalStates_data()
    {
        QTest::addColumn<QString>("path"); // relative to the test folder; "<none>" for no path
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("bound");
        QTest::addColumn<QString>("state");
        const QString missing = u"绑定的文件夹不可用或未授权"_s;
        // Unbound, gone or not a folder: the missing state. An existing folder without entries:
        // the empty state, which names the filter when one is set.
        QTest::newRow("no path") << u"<none>"_s << QString() << false << missing;
        QTest::newRow("empty path") << QString() << QString() << false << missing;
        QTest::newRow("relative path") << u"relative/folder"_s << QString() << false << missing;
        QTest::newRow("gone") << u"/gone"_s << QString() << true << missing;
        QTest::newRow("a file") << u"/file.txt"_s << QString() << true << missing;
        QTest::newRow("empty folder") << u"/empty"_s << QString() << true << u"拖拽文件管理器文件到这里自动归入"_s;
        QTest::newRow("blank filter") << u"/empty"_s << u"  "_s << true << u"拖拽文件管理器文件到这里自动归入"_s;
        QTest::newRow("filter matches nothing") << u"/full"_s << u"zzz"_s << true << u"没有匹配过滤条件的文件"_s;
    }

    void portalStates()
    {
        QFETCH(QString, path);
        QFETCH(QString, filter);
        QFETCH(bool, bound);
        QFETCH(QString, state);
        QTemporaryDir files;
        QVERIFY(QDir(files.path()).mkpath(u"empty"_s));
        QVERIFY(makeFile(files.filePath(u"full/a.txt"_s)));
        QVERIFY(makeFile(files.filePath(u"file.txt"_s)));
        std::optional<QString> portalPath;
        if (path != u"<none>")
            portalPath = path.startsWith(u'/') ? files.path() + path : path;
        FenceTab tab = portalTab(u"下载"_s, portalPath);
        tab.portalFilter = filter;
        Content f({tab});
        QVERIFY(f.show());
        QCOMPARE(f.view->portalBrowser()->rootPortalURL().has_value(), bound);
        QCOMPARE(f.view->portalStateLabel()->text(), state);
        QVERIFY(f.isShown(f.view->portalStateLabel()));
        QVERIFY(!f.isShown(f.view->portalList()));
        if (!bound) {
            // Never looked for below the working directory, and nothing is watched.
            QVERIFY(f.view->portalBrowser()->watcher().scanResult().isMissing);
            QVERIFY(!f.view->portalBrowser()->watcher().watchedPath());
        }
    }

    void curatedListsItemTitles()
    {
        Content f({curatedTab(u"启动台"_s, {u"设计文档"_s, u"日报"_s})});
        QVERIFY(f.show());
        QCOMPARE(listTexts(f.view->curatedList()), (QStringList{u"设计文档"_s, u"日报"_s}));
        f.store->removeItem(f.storedTab(0).items.first().id, f.fence.id);
        QCOMPARE(listTexts(f.view->curatedList()), QStringList{u"日报"_s});
    }

    // -- watching while shown ---------------------------------------------------------------

    void browsingAndItsResetShowInTheBody()
    {
        QTemporaryDir files;
        PortalContent f(files.path());
        QVERIFY(f.show());
        PortalBrowser& browser = *f.view->portalBrowser();
        browser.enterFolder(f.url(f.subfolder));
        QCOMPARE(listTexts(f.view->portalList()), QStringList{u"inner.txt"_s});
        // A new folder bound in the store: the body shows it from its top.
        f.store->updateActiveTab(f.fence.id, [&](FenceTab& tab) { tab.portalPath = f.otherFolder; });
        QVERIFY(browser.breadcrumbURLs().isEmpty());
        QCOMPARE(listTexts(f.view->portalList()), QStringList{u"elsewhere.txt"_s});
        // Another tab: the watcher stops with it.
        f.store->selectTab(f.fence.id, f.stored().tabs.at(1).id);
        QVERIFY(!browser.watcher().watchedPath());
    }

    void hidingStopsTheWatcherAndShowingResumesIt()
    {
        QTemporaryDir files;
        PortalContent f(files.path());
        QVERIFY(f.show());
        QVERIFY(f.view->portalBrowser()->watcher().watchedPath());
        f.view->hide();
        QVERIFY(!f.view->portalBrowser()->watcher().watchedPath());
        QVERIFY(f.show());
        QCOMPARE(f.view->portalBrowser()->watcher().watchedPath(), std::optional<QString>(f.folder));
    }

    // -- a fence that goes away, and no rebuilding -------------------------------------------

    void vanishedFenceLeavesTheViewHarmless()
    {
        QTemporaryDir files;
        PortalContent f(files.path());
        QVERIFY(f.show());
        const std::unique_ptr<QMenu> staleMenu = f.menu();
        f.store->deleteFence(f.fence.id);
        QVERIFY(!f.isShown(f.view->surface()));
        QVERIFY(!f.view->createFenceMenu(nullptr));
        QVERIFY(!f.view->portalBrowser()->rootPortalURL());
        // A menu opened before the fence went, and the controls, do nothing now.
        menuItem(staleMenu.get(), u"锁定围栏"_s)->trigger();
        menuItem(staleMenu.get(), u"删除此围栏"_s)->trigger();
        QCoreApplication::processEvents();
        QTest::mouseClick(f.view->lockButton(), Qt::LeftButton);
        f.view->setHoverUnrolled(true);
        f.view->setDropTargeted(true);
        QVERIFY(!f.store->fence(f.fence.id));
        QCOMPARE(f.store->fences().size(), 0);
        // Changes to other fences pass by without trouble.
        const FenceModel other = f.appendFence(f.desk, u"其他"_s, {notesTab(u"其他"_s)});
        f.store->renameFence(other.id, u"还在"_s);
        QVERIFY(!f.isShown(f.view->surface()));
    }

    // A tab of a kind the fence did not hold before gets its page when it comes, filled from
    // the store, with the widgets already there kept; and what the portal tab's preview calls,
    // given before there was a portal tab, reaches the tab once it is there.
    void tabOfANewKindGetsItsPage()
    {
        Content f({notesTab(u"便笺"_s, u"草稿"_s)});
        QList<QUrl> toggled;
        QList<QString> presented;
        f.view->setPortalPreviewHandlers([&](const QUrl& url, const QString&) { toggled.append(url); },
                                         [&](const QUrl&, const QString& title) { presented.append(title); });
        QVERIFY(f.show());
        const QPointer<QWidget> editor = f.view->noteEditor()->editor();

        const std::optional<FenceTab> added = f.store->addTab(f.fence.id, u"清单"_s, FenceKind::checklist);
        QVERIFY(added);
        f.store->addTask(u"买牛奶"_s, f.fence.id);
        QCoreApplication::processEvents();
        QCOMPARE(f.stored().activeTabID, added->id);
        QCOMPARE(f.view->body()->currentWidget(), f.view->checklist());
        QVERIFY(f.isShown(f.view->checklist()));
        QCOMPARE(f.view->checklist()->tasks().size(), 1);
        QVERIFY(editor);
        QCOMPARE(f.view->noteEditor()->editor(), editor.data());

        f.store->selectTab(f.fence.id, f.storedTab(0).id);
        QCoreApplication::processEvents();
        QVERIFY(f.isShown(f.view->noteEditor()));
        QCOMPARE(f.view->noteEditor()->text(), u"草稿"_s);

        QVERIFY(f.store->addTab(f.fence.id, u"下载"_s, FenceKind::portal));
        QCoreApplication::processEvents();
        QVERIFY(f.isShown(f.view->portalTab()));
        QVERIFY(f.view->portalTab()->onTogglePreview && f.view->portalTab()->onPresentPreview);
        f.view->portalTab()->onTogglePreview(QUrl::fromLocalFile(u"/a.txt"_s), u"a"_s);
        f.view->portalTab()->onPresentPreview(QUrl::fromLocalFile(u"/b.txt"_s), u"b"_s);
        QCOMPARE(toggled, QList<QUrl>{QUrl::fromLocalFile(u"/a.txt"_s)});
        QCOMPARE(presented, QList<QString>{u"b"_s});
    }

    // A tab that is not shown has no page yet: it is built when the tab is first shown, and
    // kept when another tab is shown.
    void pageIsBuiltWhenItsTabIsFirstShown()
    {
        Content f({notesTab(u"便笺"_s, u"草稿"_s), checklistTab(u"清单"_s, {task(u"任务"_s)})});
        QVERIFY(f.show());
        QVERIFY(!f.view->body()->findChild<FenceChecklistListView*>());

        f.store->selectTab(f.fence.id, f.storedTab(1).id);
        QCoreApplication::processEvents();
        const QPointer<FenceChecklistListView> built = f.view->body()->findChild<FenceChecklistListView*>();
        QVERIFY(built);
        QVERIFY(f.isShown(built));
        QCOMPARE(built->tasks().size(), 1);

        f.store->selectTab(f.fence.id, f.storedTab(0).id);
        QCoreApplication::processEvents();
        f.store->selectTab(f.fence.id, f.storedTab(1).id);
        QCoreApplication::processEvents();
        QCOMPARE(f.view->body()->findChildren<FenceChecklistListView*>(), QList<FenceChecklistListView*>{built.data()});
        QVERIFY(f.isShown(built));
    }

    void storeChangesUpdateWidgetsInPlace_data()
    {
        QTest::addColumn<QString>("change");
        // None of these may replace a widget: focus, cursor, scroll and hover live in them.
        QTest::newRow("rename") << u"rename"_s;
        QTest::newRow("note text") << u"note"_s;
        QTest::newRow("lock") << u"lock"_s;
        QTest::newRow("pin") << u"pin"_s;
        QTest::newRow("layout lock") << u"layoutLock"_s;
        QTest::newRow("selection") << u"select"_s;
        QTest::newRow("tint") << u"tint"_s;
        QTest::newRow("roll up") << u"collapse"_s;
        QTest::newRow("hover unroll") << u"hover"_s;
        QTest::newRow("other tab") << u"tab"_s;
        QTest::newRow("task toggled") << u"task"_s;
    }

    void storeChangesUpdateWidgetsInPlace()
    {
        QFETCH(QString, change);
        Content f({notesTab(u"便笺"_s, u"草稿"_s), checklistTab(u"清单"_s, {task(u"任务"_s)})});
        QVERIFY(f.show());
        // What is made when first shown, shown once: both tabs' pages, the pin and lock marks.
        f.store->selectTab(f.fence.id, f.storedTab(1).id);
        QCoreApplication::processEvents();
        QVERIFY(f.view->body()->findChild<FenceChecklistListView*>());
        f.store->selectTab(f.fence.id, f.storedTab(0).id);
        f.change([](FenceModel& fence) { fence.isPinned = fence.isLocked = true; });
        f.change([](FenceModel& fence) { fence.isPinned = fence.isLocked = false; });
        QCoreApplication::processEvents();
        f.view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.view.get()));
        f.view->noteEditor()->editor()->setFocus();
        QCOMPARE(QApplication::focusWidget(), f.view->noteEditor()->editor());
        const QSet<QWidget*> before = widgetTree(f.view.get());
        const QPointer<QWidget> editor = f.view->noteEditor()->editor();

        const QUuid id = f.fence.id;
        if (change == u"rename")
            f.store->renameFence(id, u"新名字"_s);
        else if (change == u"note")
            f.store->updateNoteText(u"草稿二"_s, id);
        else if (change == u"lock")
            f.change([](FenceModel& fence) { fence.isLocked = true; });
        else if (change == u"pin")
            f.change([](FenceModel& fence) { fence.isPinned = true; });
        else if (change == u"layoutLock")
            f.store->toggleGlobalLayoutLock();
        else if (change == u"select")
            f.store->setSelectedFenceID(id);
        else if (change == u"tint")
            f.change([](FenceModel& fence) { fence.style.tint = FenceTintPalette::rose; });
        else if (change == u"collapse")
            f.store->setCollapsed(id, true);
        else if (change == u"hover")
            f.view->setHoverUnrolled(true);
        else if (change == u"tab")
            f.store->selectTab(id, f.storedTab(1).id);
        else
            f.store->toggleTask(f.storedTab(1).tasks.first().id, id);
        QCoreApplication::processEvents();

        QCOMPARE(widgetTree(f.view.get()), before);
        QVERIFY(editor);
        // Another tab, or a roll-up that leaves only the header, takes the editor out of view and
        // the focus with it; nothing else may.
        if (change != u"tab" && change != u"collapse")
            QCOMPARE(QApplication::focusWidget(), editor.data());
    }
};

QTEST_MAIN(MacFenceContentViewTest)
#include "tst_macfencecontentview.moc"
