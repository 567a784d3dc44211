#include "desktop/content/CuratedTabView.h"

#include "core/models/Uuid.h"
#include "core/store/MorvanteelStore.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassButton.h"
#include "design/SymbolIcons.h"
#include "desktop/content/CuratedAddItemPopover.h"
#include "desktop/content/CuratedItemListView.h"
#include "desktop/content/CuratedItemModel.h"
#include "desktop/content/FenceDropHandling.h"

#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QVBoxLayout>

namespace mv {

namespace {

// Destructive menu items are drawn in red, as the fence menu draws its own.
const QColor destructiveColor(0xd7, 0x3a, 0x3a);

} // namespace

QString CuratedTabView::countText(qsizetype count)
{
    return QString::number(count) + QStringLiteral(" 个快捷入口");
}

QString CuratedTabView::kindLabel(FenceItemKind kind)
{
    switch (kind) {
    case FenceItemKind::file: return QStringLiteral("文件");
    case FenceItemKind::folder: return QStringLiteral("文件夹");
    case FenceItemKind::app: return QStringLiteral("应用");
    case FenceItemKind::url: return QStringLiteral("网页链接");
    case FenceItemKind::shortcut: return QStringLiteral("快捷指令");
    case FenceItemKind::command: return QStringLiteral("动作命令");
    }
    return {};
}

QString CuratedTabView::kindSymbol(FenceItemKind kind)
{
    switch (kind) {
    case FenceItemKind::file: return QStringLiteral("doc.fill");
    case FenceItemKind::folder: return QStringLiteral("folder.fill");
    case FenceItemKind::app: return QStringLiteral("app.badge.checkmark.fill");
    case FenceItemKind::url: return QStringLiteral("globe");
    case FenceItemKind::shortcut: return QStringLiteral("bolt.fill");
    case FenceItemKind::command: return QStringLiteral("terminal.fill");
    }
    return {};
}

std::optional<FenceItem> CuratedTabView::newItem(const QString& title, const QString& target, FenceItemKind kind,
                                                 const QUuid& id)
{
    const QString trimmedTitle = title.trimmed();
    const QString trimmedTarget = target.trimmed();
    if (trimmedTarget.isEmpty())
        return std::nullopt;
    FenceItem item;
    item.id = id;
    item.title = trimmedTitle.isEmpty() ? trimmedTarget : trimmedTitle;
    item.subtitle = kindLabel(kind);
    item.kind = kind;
    item.target = trimmedTarget;
    item.symbolName = kindSymbol(kind);
    item.badgeText = kindLabel(kind);
    return item;
}

CuratedTabView::CuratedTabView(MorvanteelStore& store, const QUuid& fenceID, DesignEnvironment* environment,
                               QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_fenceID(fenceID)
    , m_environment(environment)
{
    setAcceptDrops(true);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 4, 0, 0);
    column->setSpacing(6);

    auto* header = new QHBoxLayout();
    header->setContentsMargins(12, 0, 12, 0);
    m_badge = new LiquidGlassBadge(environment, countText(0), FenceTintPalette::crystal, std::nullopt, this);
    header->addWidget(m_badge, 0, Qt::AlignVCenter);
    header->addStretch(1);
    m_addButton = new LiquidGlassButton(environment, this);
    m_addButton->setObjectName(QStringLiteral("curatedAddButton"));
    m_addButton->setSymbolName(QStringLiteral("plus"));
    m_addButton->setLabelText(addButtonText);
    m_addButton->setLabelFont(11, QFont::DemiBold);
    m_addButton->setSymbolFont(11, QFont::DemiBold);
    m_addButton->setPadding(8, 4);
    m_addButton->setAccessibleName(addButtonText);
    header->addWidget(m_addButton, 0, Qt::AlignVCenter);
    column->addLayout(header);
    connect(m_addButton, &QAbstractButton::clicked, this,
            [this] { setShowingAddItemPopover(!isShowingAddItemPopover()); });

    m_model = new CuratedItemModel(this);
    m_list = new CuratedItemListView(environment, this);
    m_list->setObjectName(QStringLiteral("curatedItems"));
    m_list->setModel(m_model);
    column->addWidget(m_list, 1);

    m_list->onItemActivated = [this](const QModelIndex& index) {
        const FenceItem* item = m_model->item(index);
        if (!item)
            return;
        // After the click has been handled: what the item does may take this view away.
        QMetaObject::invokeMethod(this, [this, item = *item] { launch(item); }, Qt::QueuedConnection);
    };
    m_list->onContextMenuRequested = [this](const QModelIndex& index, const QPoint& globalPos) {
        openItemMenu(index, globalPos);
    };
}

CuratedTabView::~CuratedTabView() = default;

void CuratedTabView::refresh(const FenceModel& fence, const FenceTab& tab)
{
    m_badge->setText(countText(tab.items.size()));
    m_badge->setTint(fence.style.tint);
    m_list->setAppearance(fence.style.displayDensity, fence.style.iconScale, fence.style.tint);
    m_model->setItems(tab.items);
}

// -- launching ---------------------------------------------------------------------------------

void CuratedTabView::launch(const FenceItem& item)
{
    launchCuratedItem(item, m_store, opener, [this](const QUrl& url) {
        const std::optional<MorvanteelDeepLink> own = MorvanteelDeepLink::fromURL(url);
        if (!own) {
            // Handed to the deep-link handler in-process rather than through the desktop,
            // which would start a second instance only to forward it back.
            if (onOpenDeepLink)
                onOpenDeepLink(url);
            else if (opener.openURL)
                opener.openURL(url);
            return;
        }
        // The program's own links act here, with fewer effects than from outside: running an
        // item or toggling a task from a tile does nothing.
        if (const auto* open = own->as<MorvanteelDeepLink::OpenFence>()) {
            m_store.setSelectedFenceID(open->fenceID);
        } else if (const auto* to = own->as<MorvanteelDeepLink::SwitchWorkspace>()) {
            m_store.switchWorkspace(to->workspaceID);
        } else if (own->as<MorvanteelDeepLink::SpotSearch>()) {
            if (onOpenSpotSearch)
                onOpenSpotSearch();
        } else if (own->as<MorvanteelDeepLink::SmartTidy>()) {
            if (onOpenControlCenter)
                onOpenControlCenter(ControlCenterTab::smartRules);
        }
    });
}

// -- the tile menu -----------------------------------------------------------------------------

std::optional<FenceItem> CuratedTabView::activeTabItem(const QUuid& itemID) const
{
    const std::optional<FenceModel> fence = m_store.fence(m_fenceID);
    const FenceTab* tab = fence ? fence->activeTab() : nullptr;
    if (!tab)
        return std::nullopt;
    for (const FenceItem& item : tab->items) {
        if (item.id == itemID)
            return item;
    }
    return std::nullopt;
}

QMenu* CuratedTabView::createItemMenu(const QUuid& itemID, QWidget* parent)
{
    const std::optional<FenceItem> item = activeTabItem(itemID);
    if (!item)
        return nullptr;
    auto* menu = new QMenu(parent);
    const QColor iconColor = menu->palette().color(QPalette::Text);
    // Queued, with this view as the context: the menu has closed before anything changes, and
    // nothing runs once the view is gone. Each handler reads the store afresh.
    const auto addItem = [this, menu, iconColor](const QString& text, const QString& symbol, auto handler,
                                                 const QColor& color = QColor()) {
        QAction* action = menu->addAction(SymbolIcons::tintedIcon(symbol, color.isValid() ? color : iconColor), text);
        action->setProperty("symbolName", symbol);
        connect(action, &QAction::triggered, this, handler, Qt::QueuedConnection);
        return action;
    };
    addItem(QStringLiteral("打开"), QStringLiteral("arrow.up.forward.app"), [this, itemID] {
        if (const std::optional<FenceItem> current = activeTabItem(itemID))
            launch(*current);
    });
    addItem(item->isPinned ? QStringLiteral("取消置顶") : QStringLiteral("置顶快捷项"),
            item->isPinned ? QStringLiteral("pin.slash") : QStringLiteral("pin"), [this, itemID] { togglePin(itemID); });
    menu->addSeparator();
    QAction* remove = addItem(QStringLiteral("移除入口"), QStringLiteral("trash"),
                              [this, itemID] { removeItem(itemID); }, destructiveColor);
    remove->setProperty("destructive", true);
    return menu;
}

void CuratedTabView::openItemMenu(const QModelIndex& index, const QPoint& globalPos)
{
    const FenceItem* item = m_model->item(index);
    QMenu* menu = item ? createItemMenu(item->id, this) : nullptr;
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
}

void CuratedTabView::togglePin(const QUuid& itemID)
{
    // Nothing when the item has gone since: no save and no new change time for nothing.
    if (!activeTabItem(itemID))
        return;
    m_store.updateActiveTab(m_fenceID, [&](FenceTab& tab) {
        for (FenceItem& item : tab.items) {
            if (item.id == itemID) {
                item.isPinned = !item.isPinned;
                return;
            }
        }
    });
}

void CuratedTabView::removeItem(const QUuid& itemID)
{
    if (activeTabItem(itemID))
        m_store.removeItem(itemID, m_fenceID);
}

// -- the add-item popover ----------------------------------------------------------------------

CuratedAddItemPopover* CuratedTabView::popover() const
{
    if (m_popover)
        return m_popover;
    // Made at the first use: a window of its own with a dozen controls, which most tabs of a
    // desktop of many fences never open. Once made it stays, keeping the fields and the kind.
    auto* self = const_cast<CuratedTabView*>(this);
    m_popover = new CuratedAddItemPopover(m_environment, self);
    // Once the click in the popover is done with: the dialog runs a loop of its own.
    m_popover->onBrowse = [self] {
        QMetaObject::invokeMethod(self, &CuratedTabView::browseForTarget, Qt::QueuedConnection);
    };
    m_popover->onCancel = [self] { self->setShowingAddItemPopover(false); };
    m_popover->onAdd = [self] { self->addItemFromPopover(); };
    return m_popover;
}

bool CuratedTabView::isShowingAddItemPopover() const
{
    return m_popover && m_popover->isVisible();
}

void CuratedTabView::setShowingAddItemPopover(bool showing)
{
    if (showing == isShowingAddItemPopover())
        return;
    if (showing)
        popover()->showAt(m_addButton);
    else
        m_popover->hide();
}

void CuratedTabView::browseForTarget()
{
    if (!pathChooser)
        return;
    // A popup closes when a modal dialog opens, and a click outside it would land on the
    // dialog's parent; closed here on purpose, and opened again below, chosen or not, the
    // user goes on with the fields where they were.
    const bool wasShowing = isShowingAddItemPopover();
    setShowingAddItemPopover(false);
    const QPointer<CuratedTabView> self(this);
    const std::optional<QString> path = pathChooser(this);
    if (!self)
        return;
    if (path && !path->isEmpty()) {
        CuratedAddItemPopover* fields = popover();
        fields->targetField()->setText(*path);
        if (fields->titleField()->text().trimmed().isEmpty())
            fields->titleField()->setText(QFileInfo(QDir::cleanPath(*path)).fileName());
    }
    if (wasShowing)
        setShowingAddItemPopover(true);
}

void CuratedTabView::addItemFromPopover()
{
    CuratedAddItemPopover* fields = popover();
    const std::optional<FenceItem> item =
        newItem(fields->titleField()->text(), fields->targetField()->text(), fields->kind(), newUuid());
    if (!item)
        return;
    m_store.addItem(*item, m_fenceID);
    fields->titleField()->clear();
    fields->targetField()->clear();
    setShowingAddItemPopover(false);
}

// -- drops: the fence's handling decides --------------------------------------------------------

void CuratedTabView::dragEnterEvent(QDragEnterEvent* event)
{
    FenceDropHandling::forward(this, event);
}

void CuratedTabView::dragMoveEvent(QDragMoveEvent* event)
{
    FenceDropHandling::forward(this, event);
}

void CuratedTabView::dragLeaveEvent(QDragLeaveEvent* event)
{
    FenceDropHandling::forward(this, event);
}

void CuratedTabView::dropEvent(QDropEvent* event)
{
    FenceDropHandling::forward(this, event);
}

} // namespace mv
