#include "desktop/shell/DeepLinkHandler.h"

#include "core/models/DeepLink.h"
#include "core/store/MorvanteelStore.h"
#include "desktop/shell/DesktopPanelManager.h"

#include <QScopedValueRollback>

namespace mv {

DeepLinkHandler::DeepLinkHandler(MorvanteelStore& store, DesktopPanelManager& panelManager)
    : m_store(store)
    , m_panelManager(panelManager)
{
}

void DeepLinkHandler::handleDeepLinkURL(const QUrl& url)
{
    if (const auto link = MorvanteelDeepLink::fromURL(url))
        handleDeepLink(*link);
}

void DeepLinkHandler::handleDeepLinkURLs(const QStringList& urls)
{
    for (const QString& url : urls)
        handleDeepLinkURL(QUrl(url));
}

void DeepLinkHandler::handleDeepLink(const MorvanteelDeepLink& link)
{
    if (const auto* open = link.as<MorvanteelDeepLink::OpenFence>()) {
        m_panelManager.revealFence(open->fenceID);
    } else if (const auto* workspace = link.as<MorvanteelDeepLink::SwitchWorkspace>()) {
        m_store.switchWorkspace(workspace->workspaceID);
    } else if (const auto* run = link.as<MorvanteelDeepLink::RunItem>()) {
        runItem(run->fenceID, run->itemID);
    } else if (const auto* task = link.as<MorvanteelDeepLink::ToggleTask>()) {
        m_store.toggleTask(task->taskID, task->fenceID);
    } else if (link.as<MorvanteelDeepLink::SpotSearch>()) {
        if (onShowSpotSearch)
            onShowSpotSearch();
    } else if (link.as<MorvanteelDeepLink::SmartTidy>()) {
        // Only the page opens: the tidy itself is always planned and confirmed there.
        if (onOpenControlCenter)
            onOpenControlCenter(ControlCenterTab::smartRules);
    }
}

void DeepLinkHandler::runItem(const QUuid& fenceID, const QUuid& itemID)
{
    if (m_isRunningItem)
        return;
    // The fence may be in any workspace; opening its item does not switch to it.
    const auto fence = m_store.fence(fenceID);
    const std::optional<FenceItem> item = fence ? fenceItem(*fence, itemID) : std::nullopt;
    if (!item) {
        m_panelManager.revealFence(fenceID);
        return;
    }
    const QScopedValueRollback running(m_isRunningItem, true);
    const CuratedLaunchOutcome outcome =
        launchCuratedItem(*item, m_store, opener, [this](const QUrl& url) { handleDeepLinkURL(url); });
    // An item that cannot be opened shows its fence as well.
    if (outcome == CuratedLaunchOutcome::refused)
        m_panelManager.revealFence(fenceID);
}

} // namespace mv
