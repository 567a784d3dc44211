#pragma once

#include "core/engine/SpotSearchEngine.h"
#include "desktop/content/CuratedItemLauncher.h"
#include "desktop/controlcenter/ControlCenterTab.h"
#include "desktop/shell/SpotSearchHUDView.h"

#include <QObject>
#include <QPropertyAnimation>
#include <QPointer>
#include <QRect>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>


namespace mv {

class DesignEnvironment;
class DesktopPanelManager;
class MorvanteelDeepLink;
class MorvanteelStore;
class SpotSearchHUDPanel;

// Owns the SpotSearch panel: made on its first showing and reused for the life of the
// program, dropped in near the top of the screen, faded in and out, and acting on the hit the
// user chooses: a fence is brought forward, a file or an item opened, a task ticked (the panel
// stays open for the next one), an item that is one of the program's links followed.
class SpotSearchWindowController final : public QObject {
    Q_OBJECT

public:
    // Fade durations, in milliseconds.
    static constexpr int fadeInMs = 180;
    static constexpr int fadeOutMs = 140;

    SpotSearchWindowController(MorvanteelStore& store, DesktopPanelManager& panelManager, QObject* parent = nullptr);
    ~SpotSearchWindowController() override;

    // Opens the control-center window on a page (none: the page last shown); the smart-tidy
    // link asks for the smart-rules page. Nothing happens while unset.
    std::function<void(std::optional<ControlCenterTab>)> onOpenControlCenter;
    // Previews a file hit: its file and its title. Nothing happens while unset.
    std::function<void(const QUrl&, const QString&)> onPreview;
    // Follows one of the program's links chosen as an item's target: open a fence, switch
    // workspace, run an item, toggle a task. Nothing happens while unset.
    std::function<void(const QUrl&)> onDeepLink;
    // Opens a file hit (its result is not looked at) and runs an item hit (launchCuratedItem).
    // The desktop's unless replaced (by tests).
    CuratedItemOpener opener = CuratedItemOpener::desktop();
    // The part of the main screen the panel is placed on (Qt coordinates, without panels and
    // docks); none when there is no screen. The primary screen's, else the first one's, unless
    // replaced (by tests).
    std::function<std::optional<QRect>()> placementArea;

    // Makes the panel if needed, starts it afresh (empty query, first hit highlighted, focus in
    // the field), places it and fades it in. A panel fading out is brought back.
    void show();
    // Fades the panel out and orders it out; nothing when it is not shown or already going.
    void dismiss();
    // dismiss when shown, else show.
    void toggle();
    // Shown and not on its way out.
    bool isVisible() const;

    // Acts on a hit by its category.
    void executeResult(const SpotSearchResult& result);
    // Carries out a parsed link: spot-search shows this panel, smart-tidy asks for the
    // smart-rules page, the others go to onDeepLink.
    void handleDeepLink(const MorvanteelDeepLink& link);

    // None until the first show.
    SpotSearchHUDPanel* panel() const { return m_panel.get(); }
    SpotSearchHUDView* view() const { return m_view; }

    // Where the panel's top-left corner goes on `area`: centred across, its top edge the larger
    // of 16 % of the area's height and 80 below the area's top.
    static QPoint panelOrigin(const QRect& area, const QSize& panelSize);
    static std::optional<QRect> mainScreenArea();

private:
    void runItem(const QUuid& fenceID, const QUuid& itemID);
    SpotSearchHUDPanel& ensurePanel();
    void place();
    void fadeTo(double alpha, int durationMs, bool orderOutWhenDone);
    void stopFade();

    MorvanteelStore& m_store;
    DesktopPanelManager& m_panelManager;
    DesignEnvironment* m_design;
    std::unique_ptr<SpotSearchHUDPanel> m_panel;
    QPointer<SpotSearchHUDView> m_view;
    QPointer<QPropertyAnimation> m_fade;
    // Set while a fade-out runs that will order the panel out; a show clears it.
    bool m_isDismissing = false;
};

} // namespace mv
