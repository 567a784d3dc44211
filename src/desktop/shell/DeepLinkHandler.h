#pragma once

#include "desktop/content/CuratedItemLauncher.h"
#include "desktop/controlcenter/ControlCenterTab.h"

#include <QStringList>
#include <QUrl>
#include <QUuid>

#include <functional>
#include <optional>

namespace mv {

class DesktopPanelManager;
class MorvanteelDeepLink;
class MorvanteelStore;

// Carries out the program's own "morvanteel://" links, from other programs and from later
// launches: reveal a fence, switch workspace, open a quick-launch item, tick a task, show
// SpotSearch, open the smart-tidy page. Anything that is no such link is ignored without a
// word. Keeps no state beyond the item it is running.
class DeepLinkHandler final {
public:
    DeepLinkHandler(MorvanteelStore& store, DesktopPanelManager& panelManager);

    // Shows the SpotSearch panel (never hides it). Nothing happens while unset.
    std::function<void()> onShowSpotSearch;
    // Opens the control-center window on a page (none: the page last shown).
    std::function<void(std::optional<ControlCenterTab>)> onOpenControlCenter;
    // How a quick-launch item reaches the system (launchCuratedItem). The desktop's unless
    // replaced (by tests).
    CuratedItemOpener opener = CuratedItemOpener::desktop();

    void handleDeepLinkURL(const QUrl& url);
    // Each link in turn, in the order given.
    void handleDeepLinkURLs(const QStringList& urls);
    void handleDeepLink(const MorvanteelDeepLink& link);

private:
    void runItem(const QUuid& fenceID, const QUuid& itemID);

    MorvanteelStore& m_store;
    DesktopPanelManager& m_panelManager;
    // Set while an item runs: an item whose target runs an item (itself, say) goes no further.
    bool m_isRunningItem = false;
};

} // namespace mv
