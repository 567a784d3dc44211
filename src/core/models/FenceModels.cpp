#include "core/models/FenceModels.h"

#include "core/models/Paths.h"
#include "core/models/Text.h"
#include "core/models/Uuid.h"

namespace mv {

std::optional<QUrl> FenceItem::resolvedURL() const
{
    if (target.startsWith(u'/') || target.startsWith(u'~')) {
        const QString path = expandTilde(target);
        // "~name" of no such user stays as typed, which is no path at all.
        if (!path.startsWith(u'/'))
            return std::nullopt;
        return QUrl::fromLocalFile(path);
    }
    // Without a scheme, "notes.txt", "example.com" or "--help" would be read against whatever
    // folder the program runs in by whoever opens them.
    const QUrl url(target, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty())
        return std::nullopt;
    return url;
}

FenceModel FenceModel::make(QUuid id, QUuid workspaceID, QString title, QString symbolName,
                            QList<FenceTab> tabs, std::optional<QUuid> activeTabID,
                            bool isCollapsed, bool isPinned, bool isLocked,
                            FenceFrameRect desktopFrame, FenceFrameRect canvasFrame,
                            qint64 bentoOrder, qint64 bentoColumnSpan, FenceStyleConfig style,
                            QDateTime createdAt, QDateTime updatedAt)
{
    FenceModel fence;
    fence.id = id;
    fence.workspaceID = workspaceID;
    fence.title = std::move(title);
    fence.symbolName = std::move(symbolName);
    fence.tabs = std::move(tabs);
    if (activeTabID)
        fence.activeTabID = *activeTabID;
    else
        fence.activeTabID = fence.tabs.isEmpty() ? newUuid() : fence.tabs.first().id;
    fence.isCollapsed = isCollapsed;
    fence.isPinned = isPinned;
    fence.isLocked = isLocked;
    fence.desktopFrame = desktopFrame;
    fence.canvasFrame = canvasFrame;
    fence.bentoOrder = bentoOrder;
    fence.bentoColumnSpan = bentoColumnSpan;
    fence.style = style;
    fence.createdAt = std::move(createdAt);
    fence.updatedAt = std::move(updatedAt);
    return fence;
}

std::optional<qsizetype> FenceModel::activeTabIndex() const
{
    if (tabs.isEmpty())
        return std::nullopt;
    for (qsizetype i = 0; i < tabs.size(); ++i) {
        if (tabs[i].id == activeTabID)
            return i;
    }
    return 0;
}

const FenceTab* FenceModel::activeTab() const
{
    const auto index = activeTabIndex();
    return index ? &tabs[*index] : nullptr;
}

FenceKind FenceModel::primaryKind() const
{
    const FenceTab* tab = activeTab();
    return tab ? tab->kind : FenceKind::curated;
}

QString FenceModel::badgeSummary() const
{
    const FenceTab* tab = activeTab();
    if (!tab)
        return QStringLiteral("0");
    switch (tab->kind) {
    case FenceKind::portal:
        return QStringLiteral("传送门");
    case FenceKind::curated:
        return QString::number(tab->items.size()) + QStringLiteral(" 项");
    case FenceKind::notes:
        return QString::number(text::characterCount(tab->noteText)) + QStringLiteral(" 字");
    case FenceKind::checklist: {
        const auto open = std::count_if(tab->tasks.cbegin(), tab->tasks.cend(),
                                        [](const FenceChecklistTask& t) { return !t.isCompleted; });
        return QString::number(open) + u'/' + QString::number(tab->tasks.size());
    }
    }
    Q_UNREACHABLE();
    return {};
}

GlobalPreferences defaultGlobalPreferences()
{
    GlobalPreferences preferences;
    preferences.snapThreshold = 14;
    preferences.snapGap = 12;
    preferences.magneticSnappingEnabled = true;
    preferences.preferrediOSLayout = iOSLayoutMode::bentoGrid;
    return preferences;
}

} // namespace mv
