#include "desktop/controlcenter/CompanionFenceCard.h"

#include "core/store/MorvanteelStore.h"
#include "design/FenceChecklistListView.h"
#include "design/FenceHeaderView.h"
#include "design/FenceItemGridTile.h"
#include "design/FenceNoteEditorView.h"
#include "design/FenceRollUpPillView.h"
#include "design/FenceTabStripView.h"
#include "design/LiquidGlassSurfaceFrame.h"
#include "design/LiquidGlassSurfaceModifier.h"
#include "desktop/content/MacFenceContentView.h"
#include "desktop/controlcenter/CompanionTileGrid.h"

#include <QStackedLayout>
#include <QVBoxLayout>

namespace mv {

CompanionFenceCard::CompanionFenceCard(MorvanteelStore& store, const QUuid& fenceID, DesignEnvironment* environment,
                                       QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_fenceID(fenceID)
    , m_stack(new QStackedLayout(this))
    , m_pill(new FenceRollUpPillView(environment))
    , m_surface(new LiquidGlassSurfaceFrame(environment))
    , m_header(new FenceHeaderView(environment, m_surface))
    , m_tabStrip(new FenceTabStripView(environment, m_surface))
    , m_tiles(new CompanionTileGrid(environment, previewEntryLimit, m_surface))
    , m_noteEditor(new FenceNoteEditorView(environment, m_surface))
    , m_checklist(new FenceChecklistListView(environment, m_surface))
{
    setObjectName(QStringLiteral("companionFenceCard"));
    m_stack->setContentsMargins(0, 0, 0, 0);
    // The canvas gives a card its frame, which may be smaller than its content: the glass then
    // cuts the content off rather than the card growing past its frame.
    m_stack->setSizeConstraint(QLayout::SetNoConstraint);
    // In the grid a card is as tall as its content asks, never squeezed to the screen.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_stack->addWidget(m_surface);
    m_stack->addWidget(m_pill);

    auto* column = new QVBoxLayout(m_surface);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_header);
    column->addWidget(m_tabStrip);
    // One body at a time; the others are hidden, so they take no room.
    column->addWidget(m_tiles);
    m_noteEditor->setMinimumHeight(noteMinimumHeight);
    column->addWidget(m_noteEditor, 1);
    m_checklist->setMinimumHeight(checklistMinimumHeight);
    column->addWidget(m_checklist, 1);
    column->addStretch(0);

    // Every action names the fence by id; the store reads it as it is at that moment.
    m_header->onToggleCollapse = [this] { m_store.toggleCollapse(m_fenceID); };
    m_tabStrip->onSelectTab = [this](const QUuid& tabID) { m_store.selectTab(m_fenceID, tabID); };
    m_pill->onExpand = [this] { m_store.setCollapsed(m_fenceID, false); };
    m_pill->setOnSwitchTab([this](const QUuid& tabID) { m_store.selectTab(m_fenceID, tabID); });
    m_noteEditor->setPlaceholder(MacFenceContentView::notePlaceholder);
    m_noteEditor->onTextEdited = [this](const QString& text) { m_store.updateNoteText(text, m_fenceID); };
    m_checklist->onToggleTask = [this](const QUuid& taskID) { m_store.toggleTask(taskID, m_fenceID); };
    m_checklist->onAddTask = [this](const QString& title) { m_store.addTask(title, m_fenceID); };
    m_checklist->onDeleteTask = [this](const QUuid& taskID) { m_store.deleteTask(taskID, m_fenceID); };
}

CompanionFenceCard::~CompanionFenceCard() = default;

void CompanionFenceCard::refresh(const FenceModel& fence, const PortalScanResult& portalHead)
{
    m_isRolledUp = fence.isCollapsed;
    if (m_isRolledUp) {
        m_pill->setFence(fence);
        m_stack->setCurrentWidget(m_pill);
        return;
    }
    m_stack->setCurrentWidget(m_surface);
    m_surface->setModifier(liquidGlassSurface(fence.style.tint, fence.style.cornerRadius, fence.style.glassOpacity,
                                              true, false, false));
    m_header->setTitle(fence.title);
    m_header->setSymbolName(fence.symbolName);
    m_header->setBadgeSummary(fence.badgeSummary());
    m_header->setTint(fence.style.tint);
    m_header->setCollapsed(false);
    m_header->setPinned(fence.isPinned);
    m_header->setLocked(fence.isLocked);

    m_tabStrip->showTabsOf(fence);
    refreshBody(fence, portalHead);
}

void CompanionFenceCard::refreshBody(const FenceModel& fence, const PortalScanResult& portalHead)
{
    const FenceTab* tab = fence.activeTab();
    const std::optional<FenceKind> kind = tab ? std::optional(tab->kind) : std::nullopt;
    const bool tiles = kind == FenceKind::portal || kind == FenceKind::curated;
    if (kind == FenceKind::portal)
        m_tiles->showEntries(portalHead.entries, fence.style.tint);
    else if (kind == FenceKind::curated)
        m_tiles->showItems(tab->items, fence.style.tint);
    m_tiles->setVisible(tiles);

    if (kind == FenceKind::notes) {
        // Skips a text equal to its own and waits while an input method composes.
        m_noteEditor->setText(tab->noteText);
        m_noteEditor->setTint(fence.style.tint);
        // The preview edits the note whatever the fence's lock.
        m_noteEditor->setLocked(false);
    }
    m_noteEditor->setVisible(kind == FenceKind::notes);

    if (kind == FenceKind::checklist) {
        m_checklist->setTasks(tab->tasks);
        m_checklist->setTint(fence.style.tint);
        m_checklist->setLocked(false);
    }
    m_checklist->setVisible(kind == FenceKind::checklist);
}

QList<FenceItemGridTile*> CompanionFenceCard::shownTiles() const
{
    return m_tiles->isVisibleTo(this) ? m_tiles->shownTiles() : QList<FenceItemGridTile*>();
}

} // namespace mv
