#include "desktop/shell/DesktopPanelManager.h"

#include "core/engine/MagneticSnapEngine.h"
#include "core/store/MorvanteelStore.h"
#include "design/DesignEnvironment.h"
#include "desktop/content/MacFenceContentView.h"
#include "desktop/content/PortalBrowser.h"
#include "desktop/content/PortalTabView.h"
#include "desktop/shell/DesktopFencePanel.h"
#include "desktop/shell/TopPinnedContentView.h"

#include <QApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace mv {

using panelgeometry::differs;

namespace {

constexpr double idleOpacityFloor = 0.18;
constexpr int keyFadeMs = 160;
constexpr int resignFadeMs = 220;
constexpr double frameTolerance = 0.75;
// The least size a user resize leaves an expanded fence.
constexpr double minimumResizedWidth = 250;
constexpr double minimumResizedHeight = 180;
// How far in from the screen's visible edges a dragged fence snaps.
constexpr double snapEdgePadding = 16;

bool shownAsPill(const FenceModel& fence, const FenceInteractionState& state)
{
    return fence.isCollapsed && !state.isHoverUnrolled;
}

} // namespace

DesktopPanelManager::DesktopPanelManager(MorvanteelStore& store, ContentFactory makeContent, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_makeContent(std::move(makeContent))
    , m_design(new DesignEnvironment(this))
    , m_snapOverlay(std::make_unique<SnapGuideOverlay>())
{
    m_design->readFromDesktop();
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(frameSaveDelayMs);
    connect(&m_saveTimer, &QTimer::timeout, this, [this] { m_store.save(); });

    // Every change of these four reaches the panels on the next pass of the event loop;
    // changes made together are brought in line together.
    connect(&m_store, &MorvanteelStore::fencesChanged, this, &DesktopPanelManager::scheduleSync);
    connect(&m_store, &MorvanteelStore::activeWorkspaceIDChanged, this, &DesktopPanelManager::scheduleSync);
    connect(&m_store, &MorvanteelStore::preferencesChanged, this, &DesktopPanelManager::scheduleSync);
    connect(&m_store, &MorvanteelStore::selectedFenceIDChanged, this, &DesktopPanelManager::scheduleSync);
    m_hotKeys = std::make_unique<HotKeyRouter>(m_store);
    m_hotKeys->onOpenSpotSearch = [this] {
        if (onOpenSpotSearch)
            onOpenSpotSearch();
    };
    syncPanels(false);
}

DesktopPanelManager::~DesktopPanelManager()
{
    // A frame dragged just before the end must not be lost with the timer.
    flushPendingSave();
    for (const QPointer<DesktopFencePanel>& panel : std::as_const(m_panels))
        delete panel.data();
}

std::optional<FenceInteractionState> DesktopPanelManager::interactionState(const QUuid& fenceID) const
{
    const auto found = m_states.constFind(fenceID);
    if (found == m_states.cend())
        return std::nullopt;
    return *found;
}

void DesktopPanelManager::scheduleSync()
{
    if (m_syncScheduled)
        return;
    m_syncScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_syncScheduled = false;
            syncPanels(true);
        },
        Qt::QueuedConnection);
}

void DesktopPanelManager::syncPanels(bool animated)
{
    const QList<FenceModel> fences = m_store.activeFences();
    QList<QUuid> shown;
    for (const FenceModel& fence : fences)
        shown.append(fence.id);
    for (const QUuid& id : m_panels.keys()) {
        if (!shown.contains(id))
            removePanel(id);
    }
    for (const FenceModel& fence : fences) {
        DesktopFencePanel* panel = m_panels.value(fence.id);
        TopPinnedContentView* view = m_contentViews.value(fence.id);
        if (panel && view)
            updateExistingPanel(*panel, *view, fence, animated);
        else
            createPanel(fence);
    }
}

void DesktopPanelManager::removePanel(const QUuid& fenceID)
{
    if (DesktopFencePanel* panel = m_panels.take(fenceID)) {
        panel->disconnect(this);
        panel->hide();
        // Never deleted at once: this may run inside one of the panel's own handlers.
        panel->deleteLater();
    }
    m_contentViews.remove(fenceID);
    m_states.remove(fenceID);
    m_lastPanelSizes.remove(fenceID);
}

FencePanelContent* DesktopPanelManager::makeContent(const QUuid& fenceID)
{
    FencePanelContent::Callbacks callbacks;
    const QPointer<DesktopPanelManager> self(this);
    callbacks.onToggleCollapse = [self](const QUuid& id) {
        if (self)
            self->toggleCollapseWithHoverSuppression(id);
    };
    callbacks.onOpenControlCenter = [self](std::optional<ControlCenterTab> tab) {
        if (self && self->onOpenControlCenter)
            self->onOpenControlCenter(tab);
    };
    callbacks.onOpenSpotSearch = [self] {
        if (self && self->onOpenSpotSearch)
            self->onOpenSpotSearch();
    };
    if (m_makeContent)
        return m_makeContent(fenceID, callbacks);
    auto* content = new MacFenceContentView(m_store, fenceID, callbacks, m_design);
    content->setPortalPreviewHandlers(
        [self](const QUrl& url, const QString&) {
            if (self && self->onTogglePreview)
                self->onTogglePreview(url);
        },
        [self](const QUrl& url, const QString& title) {
            if (self && self->onPresentPreview)
                self->onPresentPreview(url, title);
        });
    content->onOpenDeepLink = [self](const QUrl& url) {
        if (self && self->onOpenDeepLink)
            self->onOpenDeepLink(url);
    };
    return content;
}

bool DesktopPanelManager::previewSelectedPortalEntry(const QUuid& fenceID)
{
    const TopPinnedContentView* view = m_contentViews.value(fenceID);
    const auto* content = view ? qobject_cast<const FencePanelContent*>(view->hostedView()) : nullptr;
    const PortalBrowser* browser = content ? content->portalBrowser() : nullptr;
    const std::optional<PortalFileEntry> entry = browser ? browser->listedSelection() : std::nullopt;
    if (!entry || !onTogglePreview)
        return false;
    // A copy: the presenter may replace the callback.
    const auto toggle = onTogglePreview;
    toggle(entry->url);
    return true;
}

WallpaperPreset DesktopPanelManager::activeWallpaper() const
{
    const std::optional<WorkspaceProfile> workspace = m_store.activeWorkspace();
    return workspace ? workspace->wallpaperPreset : WallpaperPreset::tahoeAurora;
}

FenceFrameRect DesktopPanelManager::presentedFrame(const FenceModel& fence, bool asPill) const
{
    return panelgeometry::presentedFrame(fence.desktopFrame, asPill, screens ? screens() : QList<panelgeometry::ScreenArea>());
}

void DesktopPanelManager::createPanel(const FenceModel& fence)
{
    const QUuid id = fence.id;
    m_states.insert(id, FenceInteractionState{});
    const FenceFrameRect frame = presentedFrame(fence, fence.isCollapsed);

    auto* panel = new DesktopFencePanel(id, panelgeometry::toWindowGeometry(frame));
    panel->setLocked(fence.isLocked || m_store.preferences().isLayoutLocked);
    panel->setResizable(!fence.isCollapsed);

    FencePanelContent* content = makeContent(id);
    content->setHoverUnrolled(false);
    auto* view = new TopPinnedContentView(content, fence.desktopFrame.height, fence.style.cornerRadius, panel);
    view->setVisuallyCollapsed(fence.isCollapsed);
    const QPointer<DesktopPanelManager> self(this);
    view->onHoverChanged = [self, id](bool hovered) {
        // Handled after the event that caused it, in order.
        QMetaObject::invokeMethod(
            self.data(),
            [self, id, hovered] {
                if (self)
                    self->handleHoverChange(id, hovered);
            },
            Qt::QueuedConnection);
    };
    const QPointer<DesktopFencePanel> panelPointer(panel);
    view->onShapeChanged = [panelPointer](const QPainterPath& shape) {
        if (panelPointer)
            panelPointer->setGlassOutline(shape);
    };
    panel->setContentView(view);
    panel->setGlassOutline(view->shape());
    panel->setFallbackWallpaper(activeWallpaper());

    panel->onUndoCommand = [self] { return self && self->m_store.undoLastFileOperation(); };
    panel->onRedoCommand = [self] { return self && self->m_store.redoLastFileOperation(); };
    panel->onSpaceQuickLook = [self, id] { return self && self->previewSelectedPortalEntry(id); };
    connect(panel, &DesktopFencePanel::becameKey, this, [this, id] { panelBecameKey(id); });
    connect(panel, &DesktopFencePanel::resignedKey, this, [this, id] { panelResignedKey(id); });
    connect(panel, &DesktopFencePanel::userMoveOrResizeStarted, this, [this, id] { panelMoveOrResizeStarted(id); });
    connect(panel, &DesktopFencePanel::userMoveOrResizeEnded, this, [this, id] { panelMoveOrResizeEnded(id); });
    connect(panel, &DesktopFencePanel::frameChanged, this,
            [this, id](bool userInitiated) { panelFrameChanged(id, userInitiated); });

    m_panels.insert(id, panel);
    m_contentViews.insert(id, view);
    m_lastPanelSizes.insert(id, panel->size());
    present(*panel, fence, m_states.value(id), false);
}

void DesktopPanelManager::updateExistingPanel(DesktopFencePanel& panel, TopPinnedContentView& view,
                                              const FenceModel& fence, bool animated)
{
    FenceInteractionState state = m_states.value(fence.id);
    if (!fence.isCollapsed) {
        state.isHoverUnrolled = false;
        state.suppressHoverUnrollUntilExit = false;
        m_states.insert(fence.id, state);
    }
    const bool hoverUnrolled = fence.isCollapsed && state.isHoverUnrolled;
    panel.setLocked(fence.isLocked || m_store.preferences().isLayoutLocked);
    panel.setResizable(!fence.isCollapsed);
    view.setExpandedHeight(std::max(fence.desktopFrame.height, TopPinnedContentView::collapsedCapsuleHeight));
    view.setCornerRadius(fence.style.cornerRadius);
    view.setVisuallyCollapsed(fence.isCollapsed && !hoverUnrolled);
    panel.setFallbackWallpaper(activeWallpaper());
    if (auto* content = qobject_cast<FencePanelContent*>(view.hostedView()))
        content->setHoverUnrolled(hoverUnrolled);

    // While the user drags or resizes, the store's frame never pulls the panel back.
    if (!state.isDraggingOrResizing)
        moveToPresentedFrame(panel, fence, fence.isCollapsed && !hoverUnrolled, animated);
    present(panel, fence, state, animated);
}

void DesktopPanelManager::present(DesktopFencePanel& panel, const FenceModel& fence, const FenceInteractionState& state,
                                  bool animated)
{
    const GlobalPreferences& preferences = m_store.preferences();
    panel.applyPresentation(preferences.isPeekActive || fence.isPinned, preferences.isDesktopCurtainHidden,
                            targetAlpha(fence, panel, state), animated);
}

void DesktopPanelManager::moveToPresentedFrame(DesktopFencePanel& panel, const FenceModel& fence, bool asPill,
                                               bool animated)
{
    // A frame within 0.75 of the panel's is not applied again.
    const FenceFrameRect target = presentedFrame(fence, asPill);
    if (differs(target, panelgeometry::fromWindowGeometry(panel.geometry()), frameTolerance))
        applyFrame(panel, target, animated);
}

void DesktopPanelManager::applyFrame(DesktopFencePanel& panel, const FenceFrameRect& frame, bool animated)
{
    const QRect geometry = panelgeometry::toWindowGeometry(frame);
    m_isApplyingProgrammaticFrame = true;
    panel.applyFrame(geometry, animated);
    m_isApplyingProgrammaticFrame = false;
    m_lastPanelSizes.insert(panel.fenceID(), geometry.size());
}

double DesktopPanelManager::targetAlpha(const FenceModel& fence, const DesktopFencePanel& panel,
                                        const FenceInteractionState& state) const
{
    if (!fence.style.chameleonFadeEnabled && !m_store.preferences().chameleonGlobalEnabled)
        return 1.0;
    if (state.isHovered || panel.isActiveWindow() || state.isDraggingOrResizing)
        return 1.0;
    return std::clamp(fence.style.idleOpacity, idleOpacityFloor, 1.0);
}

void DesktopPanelManager::handleHoverChange(const QUuid& fenceID, bool hovered)
{
    const auto fence = m_store.fence(fenceID);
    DesktopFencePanel* panel = m_panels.value(fenceID);
    TopPinnedContentView* view = m_contentViews.value(fenceID);
    if (!fence || !panel || !view)
        return;
    FenceInteractionState state = m_states.value(fenceID);
    state.isHovered = hovered;
    if (!hovered)
        state.suppressHoverUnrollUntilExit = false;
    if (!fence->isCollapsed || !fence->style.hoverUnrollEnabled || !hovered)
        state.isHoverUnrolled = false;
    else if (!state.suppressHoverUnrollUntilExit)
        state.isHoverUnrolled = true;
    m_states.insert(fenceID, state);

    view->setVisuallyCollapsed(shownAsPill(*fence, state));
    if (auto* content = qobject_cast<FencePanelContent*>(view->hostedView()))
        content->setHoverUnrolled(fence->isCollapsed && state.isHoverUnrolled);
    moveToPresentedFrame(*panel, *fence, shownAsPill(*fence, state), true);
    if (!m_store.preferences().isDesktopCurtainHidden)
        panel->animateAlpha(targetAlpha(*fence, *panel, state), DesktopFencePanel::showFadeMs);
}

void DesktopPanelManager::toggleCollapseWithHoverSuppression(const QUuid& fenceID)
{
    const auto fence = m_store.fence(fenceID);
    if (!fence)
        return;
    FenceInteractionState state = m_states.value(fenceID);
    if (!fence->isCollapsed) {
        if (state.isHovered) {
            state.suppressHoverUnrollUntilExit = true;
            m_states.insert(fenceID, state);
        }
        m_store.toggleCollapse(fenceID);
    } else if (state.isHoverUnrolled) {
        // The roll-up control of a pill shown unrolled: keep it open.
        state.isHoverUnrolled = false;
        state.suppressHoverUnrollUntilExit = false;
        m_states.insert(fenceID, state);
        m_store.setCollapsed(fenceID, false);
    } else {
        m_store.toggleCollapse(fenceID);
    }
}

void DesktopPanelManager::revealFence(const QUuid& fenceID)
{
    const auto fence = m_store.fence(fenceID);
    if (!fence)
        return;
    if (fence->workspaceID != m_store.activeWorkspaceID())
        m_store.switchWorkspace(fence->workspaceID);
    if (m_store.preferences().isDesktopCurtainHidden) {
        GlobalPreferences preferences = m_store.preferences();
        preferences.isDesktopCurtainHidden = false;
        m_store.setPreferences(preferences);
        m_store.save();
    }
    if (fence->isCollapsed)
        m_store.setCollapsed(fenceID, false);
    syncPanels(true);
    if (DesktopFencePanel* panel = m_panels.value(fenceID)) {
        panel->show();
        panel->raise();
        panel->activateWindow();
        pulsePanel(*panel);
    }
}

void DesktopPanelManager::pulsePanel(DesktopFencePanel& panel)
{
    panel.pulse(4);
}

void DesktopPanelManager::rollUpAllFences()
{
    for (const FenceModel& fence : m_store.activeFences()) {
        if (!fence.isCollapsed)
            m_store.setCollapsed(fence.id, true);
    }
}

void DesktopPanelManager::expandAllFences()
{
    for (const FenceModel& fence : m_store.activeFences()) {
        if (fence.isCollapsed)
            m_store.setCollapsed(fence.id, false);
    }
}

void DesktopPanelManager::panelBecameKey(const QUuid& fenceID)
{
    DesktopFencePanel* panel = m_panels.value(fenceID);
    if (!panel)
        return;
    m_store.setSelectedFenceID(fenceID);
    if (!m_store.preferences().isDesktopCurtainHidden)
        panel->animateAlpha(1.0, keyFadeMs);
}

void DesktopPanelManager::panelResignedKey(const QUuid& fenceID)
{
    DesktopFencePanel* panel = m_panels.value(fenceID);
    const auto fence = m_store.fence(fenceID);
    if (!panel || !fence || !m_states.contains(fenceID))
        return;
    const double alpha = targetAlpha(*fence, *panel, m_states.value(fenceID));
    if (!m_store.preferences().isDesktopCurtainHidden)
        panel->animateAlpha(alpha, resignFadeMs);
}

void DesktopPanelManager::panelMoveOrResizeStarted(const QUuid& fenceID)
{
    if (m_isApplyingProgrammaticFrame)
        return;
    if (DesktopFencePanel* panel = m_panels.value(fenceID))
        panel->finishFrameAnimations();
    const auto state = m_states.find(fenceID);
    if (state != m_states.end())
        state->isDraggingOrResizing = true;
}

void DesktopPanelManager::panelMoveOrResizeEnded(const QUuid& fenceID)
{
    m_snapOverlay->hideGuides();
    const auto state = m_states.find(fenceID);
    if (state != m_states.end())
        state->isDraggingOrResizing = false;
    // Settle on the stored frame: a resize below the least size, or of a fence that may not be
    // resized, ends where the store has it.
    DesktopFencePanel* panel = m_panels.value(fenceID);
    TopPinnedContentView* view = m_contentViews.value(fenceID);
    if (const auto fence = m_store.fence(fenceID); fence && panel && view)
        updateExistingPanel(*panel, *view, *fence, true);
}

void DesktopPanelManager::panelFrameChanged(const QUuid& fenceID, bool userInitiated)
{
    DesktopFencePanel* panel = m_panels.value(fenceID);
    const auto fence = m_store.fence(fenceID);
    if (!userInitiated || m_isApplyingProgrammaticFrame || !panel || !fence)
        return;
    const QSize before = m_lastPanelSizes.value(fenceID);
    m_lastPanelSizes.insert(fenceID, panel->size());
    const FenceInteractionState state = m_states.value(fenceID);
    if (panel->size() == before) {
        snapMovingPanel(*panel);
        persistPanelGeometry(*panel, *fence);
        return;
    }
    // A resize. A locked or rolled-up fence keeps its size; an expanded one is kept at least
    // 250 × 180, hanging from its top edge.
    if (panel->isLocked() || fence->isCollapsed || state.isHoverUnrolled)
        return;
    FenceFrameRect frame = panelgeometry::fromWindowGeometry(panel->geometry());
    const double top = frame.maxY();
    frame.width = std::max(frame.width, minimumResizedWidth);
    frame.height = std::max(frame.height, minimumResizedHeight);
    frame.y = top - frame.height;
    if (TopPinnedContentView* view = m_contentViews.value(fenceID))
        view->setExpandedHeight(frame.height);
    storeFrame(fence->id, frame);
}

void DesktopPanelManager::snapMovingPanel(DesktopFencePanel& panel)
{
    const GlobalPreferences& preferences = m_store.preferences();
    QScreen* screen = panel.screen() ? panel.screen() : QGuiApplication::primaryScreen();
    // Alt held moves a fence freely.
    const bool freely = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier);
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!preferences.magneticSnappingEnabled || freely || !screen || !primary) {
        m_snapOverlay->hideGuides();
        return;
    }
    const QRect primaryGeometry = primary->geometry();
    const panelgeometry::ScreenArea area = panelgeometry::screenArea(*screen, primaryGeometry);
    QList<FenceFrameRect> others;
    for (const QPointer<DesktopFencePanel>& other : std::as_const(m_panels)) {
        if (other && other != &panel && other->isVisible())
            others.append(panelgeometry::fromWindowGeometry(other->geometry(), primaryGeometry));
    }
    const FenceFrameRect frame = panelgeometry::fromWindowGeometry(panel.geometry(), primaryGeometry);
    const SnapResult result = MagneticSnapEngine::snapMovedFrame(frame, others, area.visibleFrame, snapEdgePadding,
                                                                 preferences.snapThreshold, preferences.snapGap);
    if (std::abs(result.frame.x - frame.x) > 0.5 || std::abs(result.frame.y - frame.y) > 0.5) {
        const FenceFrameRect snapped{result.frame.x, result.frame.y, frame.width, frame.height};
        m_isApplyingProgrammaticFrame = true;
        panel.move(panelgeometry::toWindowGeometry(snapped, primaryGeometry).topLeft());
        m_isApplyingProgrammaticFrame = false;
    }
    if (result.guides.isEmpty())
        m_snapOverlay->hideGuides();
    else
        m_snapOverlay->showGuides(result.guides, area.frame, screen->geometry());
}

void DesktopPanelManager::persistPanelGeometry(const DesktopFencePanel& panel, const FenceModel& fence)
{
    const FenceInteractionState state = m_states.value(fence.id);
    storeFrame(fence.id, panelgeometry::frameToStore(panelgeometry::fromWindowGeometry(panel.geometry()),
                                                     fence.desktopFrame, shownAsPill(fence, state)));
}

void DesktopPanelManager::storeFrame(const QUuid& fenceID, const FenceFrameRect& frame)
{
    QList<FenceModel> fences = m_store.fences();
    for (FenceModel& stored : fences) {
        if (stored.id == fenceID) {
            stored.desktopFrame = frame;
            stored.updatedAt = m_store.environment().now();
            break;
        }
    }
    // In memory at once; on disk once the burst of moves is over.
    if (m_store.setFences(std::move(fences)))
        m_saveTimer.start();
}

void DesktopPanelManager::flushPendingSave()
{
    if (!m_saveTimer.isActive())
        return;
    m_saveTimer.stop();
    m_store.save();
}

} // namespace mv
