#include "desktop/content/MacFenceContentView.h"

#include "core/models/PlatformWords.h"
#include "core/store/MorvanteelStore.h"
#include "design/FenceChecklistListView.h"
#include "design/FenceHeaderView.h"
#include "design/FenceNoteEditorView.h"
#include "design/FenceTabStripView.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassButton.h"
#include "design/LiquidGlassSurfaceFrame.h"
#include "design/LiquidGlassSurfaceModifier.h"
#include "design/LiquidGlassTokens.h"
#include "design/SymbolIcons.h"
#include "desktop/content/CuratedItemListView.h"
#include "desktop/content/CuratedTabView.h"
#include "desktop/content/FenceDropHandling.h"
#include "desktop/content/PortalBrowser.h"
#include "desktop/content/PortalEntryListView.h"
#include "desktop/content/PortalTabView.h"

#include <QDropEvent>
#include <QHBoxLayout>
#include <QListView>
#include <QMenu>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <utility>

namespace mv {

namespace {

// Destructive menu items are drawn in red, as a warning (the tab strip's close item does the same).
const QColor destructiveColor(0xd7, 0x3a, 0x3a);

// A page whose content keeps `top` points of room above it, inside its own margins: a widget
// around it for the room alone would cost as much as any other.
QWidget* paddedPage(QWidget* content, int top)
{
    content->setContentsMargins(0, top, 0, 0);
    return content;
}

} // namespace

MacFenceContentView::MacFenceContentView(MorvanteelStore& store, const QUuid& fenceID, Callbacks callbacks,
                                         DesignEnvironment* environment, QWidget* parent)
    : FencePanelContent(parent)
    , m_store(store)
    , m_fenceID(fenceID)
    , m_callbacks(std::move(callbacks))
    , m_environment(environment)
    , m_portalBrowser(new PortalBrowser(store, fenceID, this))
    , m_dropHandling(new FenceDropHandling(store, *m_portalBrowser, this))
    , m_surface(new LiquidGlassSurfaceFrame(environment, this))
    , m_header(new FenceHeaderView(environment, m_surface))
    , m_body(new QStackedWidget(m_surface))
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    // The glass fills the view; rolled up, it is only the pill at the top and the rest of the
    // view (kept at the expanded height by the panel) stays clear.
    outer->addWidget(m_surface, 1);
    outer->addStretch(0);
    auto* column = new QVBoxLayout(m_surface);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_header);
    column->addWidget(m_body, 1);

    // The whole fence takes file drops; the views inside forward theirs to the same handling.
    setAcceptDrops(true);
    m_dropHandling->onDropHighlightChanged = [this](bool targeted) { setDropTargeted(targeted); };

    buildTrailingActions();
    m_header->onToggleCollapse = [this] {
        if (m_callbacks.onToggleCollapse)
            m_callbacks.onToggleCollapse(m_fenceID);
    };
    m_header->setOnRename([this](const QString& title) { m_store.renameFence(m_fenceID, title); });

    // The page of each kind of tab is built when a tab of that kind is first shown (or the page
    // is asked for): most fences never show most kinds, and a desktop of many fences would
    // otherwise build and lay out pages that stay hidden. A fence without tabs hides its body.

    connect(&m_store, &MorvanteelStore::fencesChanged, this, &MacFenceContentView::refresh);
    connect(&m_store, &MorvanteelStore::preferencesChanged, this, &MacFenceContentView::refresh);
    connect(&m_store, &MorvanteelStore::selectedFenceIDChanged, this, &MacFenceContentView::refresh);
    refresh();
}

MacFenceContentView::~MacFenceContentView() = default;

// -- the tab strip and the pages, built on first use ---------------------------------------------

FenceTabStripView* MacFenceContentView::tabStrip() const
{
    if (m_tabStrip)
        return m_tabStrip;
    // Most fences hold one tab and never show a strip; it is made when a second tab comes.
    auto* self = const_cast<MacFenceContentView*>(this);
    m_tabStrip = new FenceTabStripView(m_environment, m_surface);
    m_tabStrip->hide();
    m_tabStrip->onSelectTab = [self](const QUuid& tabID) { self->m_store.selectTab(self->m_fenceID, tabID); };
    m_tabStrip->setOnAddTab([self] { self->m_store.addTab(self->m_fenceID, newPortalTabTitle, FenceKind::portal); });
    m_tabStrip->setOnCloseTab([self](const QUuid& tabID) { self->m_store.removeTab(self->m_fenceID, tabID); });
    // Between the header and the body.
    auto* column = static_cast<QVBoxLayout*>(m_surface->layout());
    column->insertWidget(column->indexOf(m_body), m_tabStrip);
    return m_tabStrip;
}

PortalTabView* MacFenceContentView::portalTab() const
{
    if (!m_portalTab) {
        m_portalTab = new PortalTabView(m_store, *m_portalBrowser, m_environment);
        m_portalTab->onTogglePreview = m_onTogglePortalPreview;
        m_portalTab->onPresentPreview = m_onPresentPortalPreview;
        m_body->addWidget(m_portalTab);
    }
    return m_portalTab;
}

void MacFenceContentView::setPortalPreviewHandlers(PreviewHandler toggle, PreviewHandler present)
{
    m_onTogglePortalPreview = std::move(toggle);
    m_onPresentPortalPreview = std::move(present);
    if (m_portalTab) {
        m_portalTab->onTogglePreview = m_onTogglePortalPreview;
        m_portalTab->onPresentPreview = m_onPresentPortalPreview;
    }
}

CuratedTabView* MacFenceContentView::curatedTab() const
{
    if (m_curatedTab)
        return m_curatedTab;
    auto* self = const_cast<MacFenceContentView*>(this);
    m_curatedTab = new CuratedTabView(m_store, m_fenceID, m_environment);
    m_curatedTab->onOpenSpotSearch = [self] {
        if (self->m_callbacks.onOpenSpotSearch)
            self->m_callbacks.onOpenSpotSearch();
    };
    m_curatedTab->onOpenControlCenter = [self](ControlCenterTab tab) {
        if (self->m_callbacks.onOpenControlCenter)
            self->m_callbacks.onOpenControlCenter(tab);
    };
    m_curatedTab->onOpenDeepLink = [self](const QUrl& url) {
        if (self->onOpenDeepLink)
            self->onOpenDeepLink(url);
        else if (self->m_curatedTab->opener.openURL)
            self->m_curatedTab->opener.openURL(url);
    };
    m_body->addWidget(m_curatedTab);
    return m_curatedTab;
}

FenceNoteEditorView* MacFenceContentView::noteEditor() const
{
    if (m_noteEditor)
        return m_noteEditor;
    auto* self = const_cast<MacFenceContentView*>(this);
    m_noteEditor = new FenceNoteEditorView(m_environment);
    m_noteEditor->setPlaceholder(notePlaceholder);
    m_noteEditor->onTextEdited = [self](const QString& text) { self->m_store.updateNoteText(text, self->m_fenceID); };
    m_notesPage = paddedPage(m_noteEditor, 4);
    m_body->addWidget(m_notesPage);
    return m_noteEditor;
}

FenceChecklistListView* MacFenceContentView::checklist() const
{
    if (m_checklist)
        return m_checklist;
    auto* self = const_cast<MacFenceContentView*>(this);
    m_checklist = new FenceChecklistListView(m_environment);
    m_checklist->onToggleTask = [self](const QUuid& taskID) { self->m_store.toggleTask(taskID, self->m_fenceID); };
    m_checklist->onAddTask = [self](const QString& title) { self->m_store.addTask(title, self->m_fenceID); };
    m_checklist->onDeleteTask = [self](const QUuid& taskID) { self->m_store.deleteTask(taskID, self->m_fenceID); };
    m_checklistPage = paddedPage(m_checklist, 4);
    m_body->addWidget(m_checklistPage);
    return m_checklist;
}

void MacFenceContentView::buildTrailingActions()
{
    auto* actions = new QWidget();
    actions->setObjectName(QStringLiteral("fenceActions"));
    auto* row = new QHBoxLayout(actions);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);

    m_lockButton = new LiquidGlassButton(m_environment, actions);
    m_lockButton->setObjectName(QStringLiteral("lockButton"));
    m_lockButton->setSymbolFont(10.5, QFont::DemiBold);
    m_lockButton->setFixedFrame(QSize(24, 24));
    row->addWidget(m_lockButton);
    connect(m_lockButton, &QAbstractButton::clicked, this, &MacFenceContentView::toggleLock);

    m_menuButton = new LiquidGlassButton(m_environment, actions);
    m_menuButton->setObjectName(QStringLiteral("fenceMenuButton"));
    m_menuButton->setSymbolName(QStringLiteral("ellipsis"));
    m_menuButton->setSymbolFont(11, QFont::Bold);
    m_menuButton->setFixedFrame(QSize(24, 24));
    m_menuButton->setAccessibleName(QStringLiteral("围栏操作"));
    row->addWidget(m_menuButton);
    connect(m_menuButton, &QAbstractButton::clicked, this, &MacFenceContentView::openFenceMenu);

    m_header->setTrailingActions(actions);
}

// -- following the store ----------------------------------------------------------------------

void MacFenceContentView::setHoverUnrolled(bool unrolled)
{
    if (m_isHoverUnrolled == unrolled)
        return;
    m_isHoverUnrolled = unrolled;
    refresh();
}

bool MacFenceContentView::isRolledUp(const FenceModel& fence) const
{
    return fence.isCollapsed && !m_isHoverUnrolled;
}

void MacFenceContentView::refresh()
{
    const std::optional<FenceModel> fence = m_store.fence(m_fenceID);
    // A fence gone from the store leaves an empty view; its widgets stay, hidden, because this
    // may run inside one of their own handlers.
    m_surface->setVisible(fence.has_value());
    if (fence) {
        refreshSurface(*fence);
        refreshHeader(*fence);
        refreshTabStrip(*fence);
        refreshBody(*fence);
    }
}

void MacFenceContentView::refreshSurface(const FenceModel& fence)
{
    const bool selected = m_store.selectedFenceID() == fence.id;
    // A capsule as tall as the whole view would show only the top of its arc through the
    // 46-high window of a rolled-up fence.
    m_surface->setMaximumHeight(isRolledUp(fence) ? FenceHeaderView::fixedHeight : QWIDGETSIZE_MAX);
    m_surface->setModifier(liquidGlassSurface(fence.style.tint, fence.style.cornerRadius, fence.style.glassOpacity,
                                              true, isRolledUp(fence), m_isDropTargeted || selected));
}

void MacFenceContentView::refreshHeader(const FenceModel& fence)
{
    m_header->setTitle(fence.title);
    m_header->setSymbolName(fence.symbolName);
    m_header->setBadgeSummary(fence.badgeSummary());
    m_header->setTint(fence.style.tint);
    m_header->setCollapsed(isRolledUp(fence));
    m_header->setPinned(fence.isPinned);
    // The header shows the global layout lock too; the lock button shows only the fence's own.
    m_header->setLocked(fence.isLocked || m_store.preferences().isLayoutLocked);

    m_lockButton->setSymbolName(fence.isLocked ? QStringLiteral("lock.fill") : QStringLiteral("lock.open"));
    const QString help = fence.isLocked ? QStringLiteral("解锁围栏位置与尺寸") : QStringLiteral("锁定围栏位置与尺寸");
    if (m_lockButton->toolTip() != help) {
        m_lockButton->setToolTip(help);
        m_lockButton->setAccessibleName(help);
    }
}

void MacFenceContentView::refreshTabStrip(const FenceModel& fence)
{
    // One tab needs no strip; its new tabs come from the fence menu.
    // Rolled up, the pill is the header alone.
    if (isRolledUp(fence) || fence.tabs.size() < 2) {
        if (m_tabStrip)
            m_tabStrip->setVisible(false);
    } else {
        tabStrip()->showTabsOf(fence);
    }
}

void MacFenceContentView::refreshBody(const FenceModel& fence)
{
    const FenceTab* tab = fence.activeTab();
    // Rolled up, the pill is the header alone.
    m_body->setVisible(tab != nullptr && !isRolledUp(fence));
    if (!tab) {
        // Left showing nothing, so that no page of a tab gone stays current.
        if (!m_noBodyPage) {
            m_noBodyPage = new QWidget();
            m_body->addWidget(m_noBodyPage);
        }
        m_body->setCurrentWidget(m_noBodyPage);
        return;
    }
    // A kind's page is built when a tab of it is first shown, and kept for the tabs shown after.
    switch (tab->kind) {
    case FenceKind::portal:
        m_body->setCurrentWidget(portalTab());
        m_portalTab->refresh(fence, *tab);
        break;
    case FenceKind::curated:
        m_body->setCurrentWidget(curatedTab());
        m_curatedTab->refresh(fence, *tab);
        break;
    case FenceKind::notes:
        noteEditor();
        m_body->setCurrentWidget(m_notesPage);
        // The editor skips a text equal to its own and defers one that arrives while composing.
        m_noteEditor->setText(tab->noteText);
        m_noteEditor->setTint(fence.style.tint);
        // Only the fence's own lock keeps the text from edits, not the global layout lock.
        m_noteEditor->setLocked(fence.isLocked);
        break;
    case FenceKind::checklist:
        checklist();
        m_body->setCurrentWidget(m_checklistPage);
        m_checklist->setTasks(tab->tasks);
        m_checklist->setTint(fence.style.tint);
        m_checklist->setLocked(fence.isLocked);
        break;
    }
}

// -- the portal watcher, while shown ----------------------------------------------------------

void MacFenceContentView::setDropTargeted(bool targeted)
{
    if (m_isDropTargeted == targeted)
        return;
    m_isDropTargeted = targeted;
    // Only the glass shows it: the body and its listing stay as they are.
    if (const std::optional<FenceModel> fence = m_store.fence(m_fenceID))
        refreshSurface(*fence);
}

void MacFenceContentView::showEvent(QShowEvent* event)
{
    FencePanelContent::showEvent(event);
    m_portalBrowser->syncWatch();
}

void MacFenceContentView::hideEvent(QHideEvent* event)
{
    FencePanelContent::hideEvent(event);
    m_portalBrowser->stopWatching();
}

void MacFenceContentView::dragEnterEvent(QDragEnterEvent* event)
{
    FenceDropHandling::forward(this, event);
}

void MacFenceContentView::dragMoveEvent(QDragMoveEvent* event)
{
    FenceDropHandling::forward(this, event);
}

void MacFenceContentView::dragLeaveEvent(QDragLeaveEvent* event)
{
    FenceDropHandling::forward(this, event);
}

void MacFenceContentView::dropEvent(QDropEvent* event)
{
    FenceDropHandling::forward(this, event);
}

// -- header actions ---------------------------------------------------------------------------

void MacFenceContentView::toggle(bool FenceModel::*flag)
{
    // Read at the moment of the action: another road may have changed the fence since.
    std::optional<FenceModel> fence = m_store.fence(m_fenceID);
    if (!fence)
        return;
    (*fence).*flag = !((*fence).*flag);
    m_store.updateFence(*fence);
}

void MacFenceContentView::toggleLock()
{
    toggle(&FenceModel::isLocked);
}

void MacFenceContentView::togglePin()
{
    toggle(&FenceModel::isPinned);
}

void MacFenceContentView::openFenceMenu()
{
    QMenu* menu = createFenceMenu(this);
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(m_menuButton->mapToGlobal(QPoint(0, m_menuButton->height())));
}

QMenu* MacFenceContentView::createFenceMenu(QWidget* parent)
{
    const std::optional<FenceModel> fence = m_store.fence(m_fenceID);
    if (!fence)
        return nullptr;

    auto* menu = new QMenu(parent);
    const QColor iconColor = menu->palette().color(QPalette::Text);
    // Queued, and with this view as the context: the menu has closed before anything changes,
    // and nothing runs once the view is gone. Every handler reads the store afresh.
    const auto addItem = [this, iconColor](QMenu* into, const QString& text, const QString& symbol, auto handler,
                                           const QColor& color) {
        QAction* action = into->addAction(SymbolIcons::tintedIcon(symbol, color.isValid() ? color : iconColor), text);
        action->setProperty("symbolName", symbol);
        connect(action, &QAction::triggered, this, handler, Qt::QueuedConnection);
        return action;
    };

    const QString addTabSymbol = QStringLiteral("plus.rectangle.on.folder");
    QMenu* addTab = menu->addMenu(SymbolIcons::tintedIcon(addTabSymbol, iconColor), QStringLiteral("添加标签页"));
    addTab->menuAction()->setProperty("symbolName", addTabSymbol);
    for (const FenceKind kind : allCases<FenceKind>()) {
        addItem(addTab, displayName(kind), symbolName(kind),
                [this, kind] { m_store.addTab(m_fenceID, displayName(kind), kind); }, QColor());
    }

    addItem(menu, fence->isPinned ? QStringLiteral("取消置顶") : QStringLiteral("置顶围栏"),
            fence->isPinned ? QStringLiteral("pin.slash") : QStringLiteral("pin.fill"), [this] { togglePin(); },
            QColor());
    addItem(menu, fence->isLocked ? QStringLiteral("解锁围栏") : QStringLiteral("锁定围栏"),
            fence->isLocked ? QStringLiteral("lock.open") : QStringLiteral("lock.fill"), [this] { toggleLock(); },
            QColor());
    menu->addSeparator();
    addItem(
        menu, QStringLiteral("外观与玻璃实验室…"), QStringLiteral("slider.horizontal.3"),
        [this] {
            // Selecting the fence first lets the page open on it, with or without a handler.
            m_store.setSelectedFenceID(m_fenceID);
            if (m_callbacks.onOpenControlCenter)
                m_callbacks.onOpenControlCenter(ControlCenterTab::appearance);
        },
        QColor());
    addItem(
        menu, QStringLiteral("SpotSearch 检索…"), QStringLiteral("magnifyingglass"),
        [this] {
            if (m_callbacks.onOpenSpotSearch)
                m_callbacks.onOpenSpotSearch();
        },
        QColor());
    if (!m_store.undoStack().isEmpty()) {
        addItem(menu, withPlatformWords(QStringLiteral("撤销上次文件移动 (⌘Z)")), QStringLiteral("arrow.uturn.backward"),
                [this] { m_store.undoLastFileOperation(); }, QColor());
    }
    menu->addSeparator();
    // No confirmation: the fence goes at once.
    QAction* remove = addItem(menu, QStringLiteral("删除此围栏"), QStringLiteral("trash"),
                              [this] { m_store.deleteFence(m_fenceID); }, destructiveColor);
    remove->setProperty("destructive", true);
    return menu;
}

// -- tab bodies --------------------------------------------------------------------------------

QListView* MacFenceContentView::portalList() const
{
    return portalTab()->entryList();
}

GlassTextLabel* MacFenceContentView::portalStateLabel() const
{
    return portalTab()->stateLabel();
}

QListView* MacFenceContentView::curatedList() const
{
    return curatedTab()->itemList();
}

} // namespace mv
