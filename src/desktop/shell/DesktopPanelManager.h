#pragma once

#include "core/models/FenceModels.h"
#include "desktop/content/FencePanelContent.h"
#include "desktop/controlcenter/ControlCenterTab.h"
#include "desktop/shell/DesktopFencePanel.h"
#include "desktop/shell/HotKeyRouter.h"
#include "desktop/shell/PanelGeometry.h"
#include "desktop/shell/SnapGuideOverlay.h"
#include "desktop/shell/TopPinnedContentView.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

namespace mv {

class DesignEnvironment;
class MorvanteelStore;

// What the desktop remembers of one shown fence while it is shown; never saved.
struct FenceInteractionState {
    bool isHovered = false;                    // the pointer is over the fence
    bool isHoverUnrolled = false;              // a rolled-up fence shown unrolled under the pointer
    bool suppressHoverUnrollUntilExit = false; // no unrolling until the pointer has left once
    bool isDraggingOrResizing = false;         // the user is moving or resizing the panel

    bool operator==(const FenceInteractionState&) const = default;
};

// Turns the store's fences into desktop windows: one DesktopFencePanel per fence of the active
// workspace, kept in step with the store, presented by the hover, fade, Peek, curtain and lock
// rules, and writing the user's moves and resizes back into the fences.
class DesktopPanelManager final : public QObject {
    Q_OBJECT

public:
    // Makes the content of one fence's panel.
    using ContentFactory = std::function<FencePanelContent*(const QUuid& fenceID, const FencePanelContent::Callbacks&)>;

    // Follows `store` from now on and shows the active workspace's fences at once. Without a
    // factory each panel shows the fence's full content view.
    explicit DesktopPanelManager(MorvanteelStore& store, ContentFactory makeContent = {}, QObject* parent = nullptr);
    ~DesktopPanelManager() override;

    MorvanteelStore& store() const { return m_store; }

    // Raised by a fence's SpotSearch action (and the hot key).
    std::function<void()> onOpenSpotSearch;
    // Raised when a fence asks for a control-center page (none: the page last shown).
    std::function<void(std::optional<ControlCenterTab>)> onOpenControlCenter;
    // The program's own links that a quick-launch item holds and the fence does not act on itself.
    std::function<void(const QUrl&)> onOpenDeepLink;
    // Toggles the preview of a portal file: Space in a panel, for the entry its fence has selected
    // while the entry is still listed. The key goes on unhandled while unset.
    std::function<void(const QUrl&)> onTogglePreview;
    // Shows the preview of a portal file, titled, and keeps it open when it shows the file
    // already: the preview item of an entry's menu.
    std::function<void(const QUrl&, const QString& title)> onPresentPreview;

    // Brings the panels in line with the store: panels of fences no longer shown go, new ones
    // come, the others are updated.
    void syncPanels(bool animated);
    // Switches to the fence's workspace, lifts the curtain, expands the fence and brings its
    // panel forward with a pulse.
    void revealFence(const QUuid& fenceID);
    void rollUpAllFences();
    void expandAllFences();
    // The roll-up control of a fence: collapsing under the pointer keeps the pill from
    // unrolling until the pointer has left once; on a hover-unrolled pill it expands for good.
    void toggleCollapseWithHoverSuppression(const QUuid& fenceID);
    // The pointer entered (true) or left a fence's panel.
    void handleHoverChange(const QUuid& fenceID, bool hovered);

    // 1.0 unless Chameleon fading is on for the fence and it is idle (not hovered, not key, not
    // being dragged): then its idle opacity, within 0.18 ... 1.0.
    double targetAlpha(const FenceModel& fence, const DesktopFencePanel& panel, const FenceInteractionState& state) const;

    // What is shown, by fence id.
    QList<QUuid> shownFenceIDs() const { return m_panels.keys(); }
    DesktopFencePanel* panel(const QUuid& fenceID) const { return m_panels.value(fenceID); }
    TopPinnedContentView* contentView(const QUuid& fenceID) const { return m_contentViews.value(fenceID); }
    std::optional<FenceInteractionState> interactionState(const QUuid& fenceID) const;
    // Alt+Space, Alt+H and Ctrl+K, from any program.
    HotKeyRouter& hotKeys() const { return *m_hotKeys; }
    // The guide lines shown while a fence is dragged.
    const SnapGuideOverlay& snapOverlay() const { return *m_snapOverlay; }

    // The screens panels are kept on; Qt's screens unless replaced (by tests).
    std::function<QList<panelgeometry::ScreenArea>()> screens = panelgeometry::currentScreens;

    // How long after the last move or resize the state is saved, in milliseconds.
    static constexpr int frameSaveDelayMs = 180;
    // Saves now if a move or resize is still waiting for its save; nothing otherwise.
    void flushPendingSave();

private:
    void scheduleSync();
    void createPanel(const FenceModel& fence);
    void updateExistingPanel(DesktopFencePanel& panel, TopPinnedContentView& view, const FenceModel& fence, bool animated);
    void removePanel(const QUuid& fenceID);
    FencePanelContent* makeContent(const QUuid& fenceID);
    // Space in the fence's panel; false lets the key go on.
    bool previewSelectedPortalEntry(const QUuid& fenceID);
    FenceFrameRect presentedFrame(const FenceModel& fence, bool asPill) const;
    // The painted wallpaper of the active workspace, frosted by panels where no real one is read.
    WallpaperPreset activeWallpaper() const;
    void moveToPresentedFrame(DesktopFencePanel& panel, const FenceModel& fence, bool asPill, bool animated);
    void applyFrame(DesktopFencePanel& panel, const FenceFrameRect& frame, bool animated);
    void present(DesktopFencePanel& panel, const FenceModel& fence, const FenceInteractionState& state, bool animated);
    void pulsePanel(DesktopFencePanel& panel);

    // The panel's own reports.
    void panelBecameKey(const QUuid& fenceID);
    void panelResignedKey(const QUuid& fenceID);
    void panelMoveOrResizeStarted(const QUuid& fenceID);
    void panelMoveOrResizeEnded(const QUuid& fenceID);
    void panelFrameChanged(const QUuid& fenceID, bool userInitiated);
    // Pulls a dragged panel onto the screen edges and its neighbours and shows the guides.
    void snapMovingPanel(DesktopFencePanel& panel);
    void persistPanelGeometry(const DesktopFencePanel& panel, const FenceModel& fence);
    // Writes the fence's frame into the store at once and saves after the burst.
    void storeFrame(const QUuid& fenceID, const FenceFrameRect& frame);

    MorvanteelStore& m_store;
    ContentFactory m_makeContent;
    DesignEnvironment* m_design;
    QHash<QUuid, QPointer<DesktopFencePanel>> m_panels;
    QHash<QUuid, QPointer<TopPinnedContentView>> m_contentViews;
    QHash<QUuid, FenceInteractionState> m_states;
    QHash<QUuid, QSize> m_lastPanelSizes;
    std::unique_ptr<SnapGuideOverlay> m_snapOverlay;
    std::unique_ptr<HotKeyRouter> m_hotKeys;
    bool m_isApplyingProgrammaticFrame = false;
    bool m_syncScheduled = false;
    QTimer m_saveTimer;
};

} // namespace mv
