#include "desktop/controlcenter/WorkspacesAndFencesTabView.h"

#include "core/engine/FilePaths.h"
#include "core/models/Paths.h"
#include "core/store/MorvanteelStore.h"
#include "design/DesignFonts.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassPillButton.h"
#include "design/LiquidGlassToolbarGroup.h"
#include "design/LiquidGlassTokens.h"
#include "design/SymbolIcons.h"
#include "desktop/content/PortalPlainButton.h"
#include "desktop/controlcenter/AdaptiveGridLayout.h"
#include "desktop/controlcenter/FenceCardView.h"
#include "desktop/controlcenter/NewFencePopover.h"
#include "desktop/controlcenter/NewWorkspacePopover.h"
#include "desktop/controlcenter/WorkspaceCardView.h"
#include "desktop/shell/DesktopPanelManager.h"

#include <QHBoxLayout>
#include <QHideEvent>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace mv {

namespace {

const QColor destructiveColor(0xd7, 0x3a, 0x3a);

// A scroll area that shows what lies behind it.
void makeTransparent(QScrollArea& area)
{
    area.setFrameShape(QFrame::NoFrame);
    area.viewport()->setAutoFillBackground(false);
    if (QWidget* content = area.widget())
        content->setAutoFillBackground(false); // setWidget turned it on
}

// Cards of `ids`, in that order: kept ones are updated by `update`, missing ones made by `make`,
// and those of ids gone are hidden and deleted once control has left their handlers (the press
// that removed one may still be running inside it).
template<class Card, class Make, class Update>
QList<Card*> syncCards(QHash<QUuid, Card*>& cards, const QList<QUuid>& ids, Make make, Update update)
{
    QHash<QUuid, Card*> kept;
    QList<Card*> ordered;
    for (const QUuid& id : ids) {
        if (kept.contains(id))
            continue; // a repeated id shows once
        Card* card = cards.take(id);
        if (!card)
            card = make(id);
        update(*card);
        kept.insert(id, card);
        ordered.append(card);
    }
    for (Card* gone : std::as_const(cards)) {
        gone->hide();
        gone->deleteLater();
    }
    cards = kept;
    return ordered;
}

// A section of the page: a column of its heading and content, 10 apart.
QVBoxLayout* makeSection(const QString& name, QWidget* parent, QWidget*& section)
{
    section = new QWidget(parent);
    section->setObjectName(name);
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    return column;
}

// Menu texts are plain: "&" is a character, not a shortcut mark.
QString plainMenuText(QString text)
{
    return text.replace(u'&', QStringLiteral("&&"));
}

} // namespace

WorkspacesAndFencesTabView::WorkspacesAndFencesTabView(const ControlCenterPageInputs& inputs, QWidget* parent)
    : QWidget(parent)
    , m_inputs(inputs)
{
    setObjectName(QStringLiteral("workspacesPage"));
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("pageScroll"));
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    root->addWidget(m_scroll);

    auto* content = new QWidget(m_scroll);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(22, 22, 22, 22);
    column->setSpacing(18);
    column->addWidget(buildHeader(content));
    column->addWidget(buildWorkspacesSection(content));
    column->addWidget(buildFencesSection(content));
    column->addStretch(1);
    m_scroll->setWidget(content);
    makeTransparent(*m_scroll);
    // Only the cards about to be seen are made whole.
    m_scroll->viewport()->installEventFilter(this);
    connect(m_scroll->verticalScrollBar(), &QScrollBar::valueChanged, this, &WorkspacesAndFencesTabView::makeCardsInView);
    m_grid->onArranged = [this] { makeCardsInView(); };

    m_workspacePopover = new NewWorkspacePopover(m_inputs.environment, this);
    m_workspacePopover->onCancel = [this] { m_workspacePopover->hide(); };
    m_workspacePopover->onConfirm = [this] { createWorkspace(); };
    m_fencePopover = new NewFencePopover(m_inputs.environment, this);
    m_fencePopover->onCancel = [this] { m_fencePopover->hide(); };
    m_fencePopover->onConfirm = [this] { createFence(); };
    m_fencePopover->onChooseFolder = [this] { chooseFolder(); };

    MorvanteelStore& store = m_inputs.store;
    connect(&store, &MorvanteelStore::workspacesChanged, this, [this] {
        refreshWorkspaces();
        refreshSummary();
        refreshNewFenceAvailability();
    });
    connect(&store, &MorvanteelStore::activeWorkspaceIDChanged, this, [this] {
        refreshWorkspaces();
        refreshFences();
        refreshSummary();
        refreshNewFenceAvailability();
    });
    connect(&store, &MorvanteelStore::fencesChanged, this, [this] {
        refreshWorkspaces();
        refreshFences();
        refreshSummary();
    });
    connect(&store, &MorvanteelStore::selectedFenceIDChanged, this, &WorkspacesAndFencesTabView::refreshSelection);
    if (m_inputs.environment)
        connect(m_inputs.environment, &DesignEnvironment::changed, this, &WorkspacesAndFencesTabView::refreshColors);

    refreshColors();
    refreshWorkspaces();
    refreshFences();
    refreshSummary();
    refreshNewFenceAvailability();
}

WorkspacesAndFencesTabView::~WorkspacesAndFencesTabView() = default;

QString WorkspacesAndFencesTabView::summaryText(const std::optional<QString>& workspaceName, qsizetype fenceCount)
{
    return QStringLiteral("当前活动工作区：") + workspaceName.value_or(QStringLiteral("默认")) + QStringLiteral(" · 共 ")
        + QString::number(fenceCount) + QStringLiteral(" 个桌面围栏");
}

GlassTextLabel* WorkspacesAndFencesTabView::makeLabel(const QString& text, const QFont& font, bool secondary,
                                                      QWidget* parent)
{
    GlassTextLabel* label = makeGlassTextLabel(text, font, parent);
    (secondary ? m_secondaryLabels : m_primaryLabels).append(label);
    return label;
}

LiquidGlassPillButton* WorkspacesAndFencesTabView::makeHeaderButton(const QString& name, const QString& title,
                                                                    const QString& symbol, FenceTintPalette tint,
                                                                    QWidget* parent)
{
    auto* button = new LiquidGlassPillButton(m_inputs.environment, title, symbol, tint, parent);
    button->setObjectName(name);
    button->setCompact(true);
    return button;
}

QWidget* WorkspacesAndFencesTabView::buildHeader(QWidget* parent)
{
    auto* header = new QWidget(parent);
    header->setObjectName(QStringLiteral("pageHeader"));
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    auto* names = new QVBoxLayout();
    names->setSpacing(3);
    GlassTextLabel* title = makeLabel(pageTitle, designFont(21, QFont::Bold), false, header);
    title->setObjectName(QStringLiteral("pageTitle"));
    names->addWidget(title);
    m_summary = makeLabel(QString(), designFont(12.5), true, header);
    m_summary->setObjectName(QStringLiteral("summaryLine"));
    names->addWidget(m_summary);
    row->addLayout(names, 1);

    auto* toolbar = new LiquidGlassToolbarGroup(8, header);
    m_newFence = makeHeaderButton(QStringLiteral("newFenceButton"), newFenceText,
                                  QStringLiteral("plus.rectangle.on.rectangle"), FenceTintPalette::cerulean, toolbar);
    m_newFence->setProminent(true);
    m_newFence->action = [this] { openNewFence(); };
    m_expandAll = makeHeaderButton(QStringLiteral("expandAllButton"), expandAllText,
                                   QStringLiteral("rectangle.expand.vertical"), FenceTintPalette::crystal, toolbar);
    m_expandAll->action = [this] { m_inputs.panelManager.expandAllFences(); };
    m_rollUpAll = makeHeaderButton(QStringLiteral("rollUpAllButton"), rollUpAllText, QStringLiteral("capsule.fill"),
                                   FenceTintPalette::crystal, toolbar);
    m_rollUpAll->action = [this] { m_inputs.panelManager.rollUpAllFences(); };
    m_search = makeHeaderButton(QStringLiteral("searchButton"), searchText, QStringLiteral("magnifyingglass"),
                                FenceTintPalette::crystal, toolbar);
    m_search->action = [this] {
        if (m_inputs.onOpenSpotSearch)
            m_inputs.onOpenSpotSearch();
    };
    for (LiquidGlassPillButton* button : {m_newFence, m_expandAll, m_rollUpAll, m_search})
        toolbar->addWidget(button);
    row->addWidget(toolbar, 0, Qt::AlignVCenter);
    return header;
}

QWidget* WorkspacesAndFencesTabView::buildWorkspacesSection(QWidget* parent)
{
    QWidget* section = nullptr;
    QVBoxLayout* column = makeSection(QStringLiteral("workspacesSection"), parent, section);

    auto* headingRow = new QHBoxLayout();
    headingRow->addWidget(makeLabel(workspacesHeading, designFont(15, QFont::DemiBold), false, section), 1);
    m_newWorkspace = makeHeaderButton(QStringLiteral("newWorkspaceButton"), newWorkspaceText,
                                      QStringLiteral("folder.badge.plus"), FenceTintPalette::crystal, section);
    m_newWorkspace->action = [this] { openNewWorkspace(); };
    headingRow->addWidget(m_newWorkspace, 0, Qt::AlignVCenter);
    column->addLayout(headingRow);

    // The strip scrolls sideways only, without indicators.
    m_strip = new QScrollArea(section);
    m_strip->setObjectName(QStringLiteral("workspaceStrip"));
    m_strip->setWidgetResizable(true);
    m_strip->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_strip->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_stripContent = new QWidget(m_strip);
    m_stripRow = new QHBoxLayout(m_stripContent);
    m_stripRow->setContentsMargins(0, 4, 0, 4);
    m_stripRow->setSpacing(12);
    m_stripRow->addStretch(1);
    m_strip->setWidget(m_stripContent);
    makeTransparent(*m_strip);
    column->addWidget(m_strip);
    return section;
}

QWidget* WorkspacesAndFencesTabView::buildFencesSection(QWidget* parent)
{
    QWidget* section = nullptr;
    QVBoxLayout* column = makeSection(QStringLiteral("fencesSection"), parent, section);
    column->addWidget(makeLabel(fencesHeading, designFont(15, QFont::DemiBold), false, section));
    auto* grid = new QWidget(section);
    grid->setObjectName(QStringLiteral("fenceGrid"));
    m_grid = new AdaptiveGridLayout(minimumFenceCardWidth, maximumFenceCardWidth, gridSpacing, grid);
    column->addWidget(grid);
    return section;
}

QList<WorkspaceCardView*> WorkspacesAndFencesTabView::workspaceCards() const
{
    QList<WorkspaceCardView*> result;
    for (int i = 0; i < m_stripRow->count(); ++i) {
        if (auto* card = qobject_cast<WorkspaceCardView*>(m_stripRow->itemAt(i)->widget()))
            result.append(card);
    }
    return result;
}

QList<FenceCardView*> WorkspacesAndFencesTabView::fenceCards() const
{
    QList<FenceCardView*> result;
    for (QWidget* widget : m_grid->widgets())
        result.append(static_cast<FenceCardView*>(widget));
    return result;
}

bool WorkspacesAndFencesTabView::hasActiveWorkspace() const
{
    const MorvanteelStore& store = m_inputs.store;
    return std::any_of(store.workspaces().cbegin(), store.workspaces().cend(),
                       [&](const WorkspaceProfile& workspace) { return workspace.id == store.activeWorkspaceID(); });
}

// -- in-place updates ---------------------------------------------------------------------

void WorkspacesAndFencesTabView::refreshSummary()
{
    const std::optional<WorkspaceProfile> active = m_inputs.store.activeWorkspace();
    m_summary->setText(summaryText(active ? std::optional<QString>(active->name) : std::nullopt,
                                   m_inputs.store.activeFences().size()));
}

void WorkspacesAndFencesTabView::refreshWorkspaces()
{
    const MorvanteelStore& store = m_inputs.store;
    const QList<WorkspaceProfile>& workspaces = store.workspaces();
    QHash<QUuid, qsizetype> fenceCounts;
    for (const FenceModel& fence : store.fences())
        ++fenceCounts[fence.workspaceID];
    QHash<QUuid, const WorkspaceProfile*> byID;
    QList<QUuid> ids;
    for (const WorkspaceProfile& workspace : workspaces) {
        byID.insert(workspace.id, &workspace);
        ids.append(workspace.id);
    }
    const bool canDelete = workspaces.size() >= 2;

    const QList<WorkspaceCardView*> cards = syncCards(
        m_workspaceCards, ids,
        [this](const QUuid& id) {
            auto* card = new WorkspaceCardView(m_inputs.environment, id, m_stripContent);
            card->onActivate = [this, id] { m_inputs.store.switchWorkspace(id); };
            card->onDelete = [this, id] { m_inputs.store.deleteWorkspace(id); };
            return card;
        },
        [&](WorkspaceCardView& card) {
            const WorkspaceProfile& workspace = *byID.value(card.workspaceID());
            card.setWorkspace(workspace, workspace.id == store.activeWorkspaceID(), fenceCounts.value(workspace.id),
                              canDelete);
        });

    // In the store's order, before the trailing stretch.
    for (int index = 0; index < cards.size(); ++index) {
        WorkspaceCardView* card = cards.at(index);
        const int current = m_stripRow->indexOf(card);
        if (current != index) {
            if (current >= 0)
                m_stripRow->removeWidget(card);
            m_stripRow->insertWidget(index, card);
        }
        card->show();
    }
    for (int i = m_stripRow->count() - 1; i >= 0; --i) {
        auto* card = qobject_cast<WorkspaceCardView*>(m_stripRow->itemAt(i)->widget());
        if (card && !cards.contains(card))
            m_stripRow->removeWidget(card);
    }
    m_strip->setFixedHeight(m_stripContent->sizeHint().height());
}

void WorkspacesAndFencesTabView::refreshFences()
{
    const QList<FenceModel> fences = m_inputs.store.activeFences();
    QHash<QUuid, const FenceModel*> byID;
    QList<QUuid> ids;
    for (const FenceModel& fence : fences) {
        byID.insert(fence.id, &fence);
        ids.append(fence.id);
    }
    const std::optional<QUuid>& selected = m_inputs.store.selectedFenceID();
    QWidget* grid = m_grid->parentWidget();

    const QList<FenceCardView*> cards = syncCards(
        m_fenceCards, ids,
        [this, grid](const QUuid& id) {
            auto* card = new FenceCardView(m_inputs.environment, id, grid);
            card->onReveal = [this, id] { m_inputs.panelManager.revealFence(id); };
            card->onToggleCollapse = [this, id] { m_inputs.panelManager.toggleCollapseWithHoverSuppression(id); };
            card->onInspectAppearance = [this, id] {
                if (m_inputs.onInspectAppearance)
                    m_inputs.onInspectAppearance(id);
            };
            card->onShowMenu = [this, id] { showFenceMenu(id); };
            return card;
        },
        [&](FenceCardView& card) { card.setFence(*byID.value(card.fenceID()), selected == card.fenceID()); });
    m_grid->setWidgets(QList<QWidget*>(cards.cbegin(), cards.cend()));
    for (FenceCardView* card : cards)
        card->show();
}

void WorkspacesAndFencesTabView::refreshSelection()
{
    for (FenceCardView* card : std::as_const(m_fenceCards)) {
        if (const std::optional<FenceModel> fence = m_inputs.store.fence(card->fenceID()))
            card->setFence(*fence, m_inputs.store.selectedFenceID() == card->fenceID());
    }
}

void WorkspacesAndFencesTabView::refreshNewFenceAvailability()
{
    // A fence made now would belong to a workspace that does not exist, and never be shown.
    const bool available = hasActiveWorkspace();
    m_newFence->setDisabled(!available);
    if (!available)
        m_fencePopover->hide();
}

void WorkspacesAndFencesTabView::refreshColors()
{
    const ColorScheme scheme = environmentOrDefault(m_inputs.environment).colorScheme();
    for (GlassTextLabel* label : std::as_const(m_primaryLabels))
        label->setColor(GlassPalette::primaryForeground(scheme));
    for (GlassTextLabel* label : std::as_const(m_secondaryLabels))
        label->setColor(GlassPalette::secondaryForeground(scheme));
}

void WorkspacesAndFencesTabView::makeCardsInView()
{
    QWidget* viewport = m_scroll->viewport();
    if (!viewport->isVisible())
        return;
    QWidget* grid = m_grid->parentWidget();
    const QRect seen(grid->mapFrom(viewport, QPoint(0, 0)), viewport->size());
    for (FenceCardView* card : std::as_const(m_fenceCards)) {
        if (!card->hasContent() && !card->isHidden() && card->geometry().intersects(seen))
            card->makeContent();
    }
}

bool WorkspacesAndFencesTabView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_scroll->viewport() && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        makeCardsInView();
    return QWidget::eventFilter(watched, event);
}

void WorkspacesAndFencesTabView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // The popovers are windows of their own: they would stay when the page goes.
    if (!event->spontaneous()) {
        m_workspacePopover->hide();
        m_fencePopover->hide();
    }
}

// -- actions ------------------------------------------------------------------------------

void WorkspacesAndFencesTabView::openNewWorkspace()
{
    m_workspacePopover->nameField()->clear();
    m_workspacePopover->showBelow(*m_newWorkspace);
}

void WorkspacesAndFencesTabView::createWorkspace()
{
    m_inputs.store.createWorkspace(m_workspacePopover->name(), newWorkspaceSymbol, m_workspacePopover->tint(),
                                   m_workspacePopover->wallpaper());
    m_workspacePopover->hide();
}

void WorkspacesAndFencesTabView::openNewFence()
{
    if (!hasActiveWorkspace())
        return;
    m_fencePopover->setTitle(QString());
    m_fencePopover->setPortalPath(m_inputs.store.demoRootPath());
    m_fencePopover->showBelow(*m_newFence);
}

void WorkspacesAndFencesTabView::chooseFolder()
{
    if (!m_inputs.fileDialogs.chooseFolder)
        return;
    const QString typed = expandTilde(m_fencePopover->portalPath().trimmed());
    const std::optional<QString> chosen = m_inputs.fileDialogs.chooseFolder(m_fencePopover, chooseFolderTitle, typed);
    if (!chosen)
        return;
    m_fencePopover->setPortalPath(filepaths::standardizedPath(*chosen).value_or(*chosen));
}

void WorkspacesAndFencesTabView::createFence()
{
    if (!hasActiveWorkspace()) {
        m_fencePopover->hide();
        return;
    }
    const FenceKind kind = m_fencePopover->kind();
    // Only a portal has a folder, whatever the field holds. Blank is a portal bound to nothing.
    std::optional<QString> portalPath;
    if (kind == FenceKind::portal) {
        const QString typed = m_fencePopover->portalPath().trimmed();
        const QString expanded = expandTilde(typed);
        if (!typed.isEmpty() && !expanded.startsWith(u'/')) {
            // A relative path would name a different folder from every working folder; the
            // popover stays open for the user to mend it.
            m_inputs.store.setLastStatusMessage(relativePathStatus + typed);
            return;
        }
        portalPath = expanded;
    }
    m_inputs.store.createFence(m_fencePopover->title(), kind, std::nullopt, m_fencePopover->tint(), portalPath);
    m_fencePopover->hide();
}

QMenu* WorkspacesAndFencesTabView::createFenceMenu(const QUuid& fenceID, QWidget* parent)
{
    const MorvanteelStore& store = m_inputs.store;
    const std::optional<FenceModel> fence = store.fence(fenceID);
    if (!fence)
        return nullptr;

    auto* menu = new QMenu(parent);
    const QColor iconColor = menu->palette().color(QPalette::Text);
    // Queued, with this page as the context: the menu has closed before anything changes, and
    // nothing runs once the page is gone. Each handler reads the store afresh.
    const auto addItem = [this, iconColor](QMenu* into, const QString& text, const std::optional<QString>& symbol,
                                           auto handler, const QColor& color = QColor()) {
        QAction* action = into->addAction(plainMenuText(text));
        if (symbol) {
            action->setIcon(SymbolIcons::tintedIcon(*symbol, color.isValid() ? color : iconColor));
            action->setProperty("symbolName", *symbol);
        }
        connect(action, &QAction::triggered, this, handler, Qt::QueuedConnection);
        return action;
    };

    addItem(menu, fence->isLocked ? QStringLiteral("解锁位置") : QStringLiteral("锁定位置"),
            fence->isLocked ? QStringLiteral("lock.open") : QStringLiteral("lock"),
            [this, fenceID] { flipFenceFlag(fenceID, &FenceModel::isLocked); });
    addItem(menu, fence->isPinned ? QStringLiteral("取消置顶") : QStringLiteral("置顶显示"),
            fence->isPinned ? QStringLiteral("pin.slash") : QStringLiteral("pin"),
            [this, fenceID] { flipFenceFlag(fenceID, &FenceModel::isPinned); });
    if (store.workspaces().size() >= 2) {
        const QString moveSymbol = QStringLiteral("arrow.right.square");
        QMenu* move = menu->addMenu(SymbolIcons::tintedIcon(moveSymbol, iconColor), QStringLiteral("移动至工作区"));
        move->menuAction()->setProperty("symbolName", moveSymbol);
        for (const WorkspaceProfile& workspace : store.workspaces()) {
            if (workspace.id == store.activeWorkspaceID())
                continue;
            addItem(move, workspace.name, std::nullopt,
                    [this, fenceID, target = workspace.id] { m_inputs.store.moveFence(fenceID, target); });
        }
    }
    menu->addSeparator();
    addItem(menu, QStringLiteral("删除围栏"), QStringLiteral("trash"),
            [this, fenceID] { m_inputs.store.deleteFence(fenceID); }, destructiveColor);
    return menu;
}

void WorkspacesAndFencesTabView::showFenceMenu(const QUuid& fenceID)
{
    FenceCardView* card = m_fenceCards.value(fenceID);
    QMenu* menu = card ? createFenceMenu(fenceID, this) : nullptr;
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QWidget* button = card->menuButton();
    menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void WorkspacesAndFencesTabView::flipFenceFlag(const QUuid& fenceID, bool FenceModel::*flag)
{
    // The fence as it is now, not as the card last showed it: the desktop may have moved it.
    std::optional<FenceModel> fence = m_inputs.store.fence(fenceID);
    if (!fence)
        return;
    (*fence).*flag = !((*fence).*flag);
    m_inputs.store.updateFence(*fence);
}

} // namespace mv
