// The store's operations on workspaces, fences and the content of their tabs. Each one
// re-reads what it changes by id at the moment it runs and ends with one save; a refused
// operation writes nothing and does not save.

#include "core/store/FiniteNumbers.h"
#include "core/store/MorvanteelStore.h"

#include <algorithm>

namespace mv {

namespace {

// A new tab of a kind is called by the kind's name and shows the kind's symbol.
const QString defaultWorkspaceName = QStringLiteral("新工作区");
const QString startingNoteText = QStringLiteral("在这里记录项目灵感、会议摘要或临时片段…");
const QString startingTaskTitle = QStringLiteral("第一项待办任务");

// The title a user gave, without surrounding white space and line breaks; the kind's tab
// title when nothing is left.
QString titleOrDefault(const QString& title, FenceKind kind)
{
    const QString trimmed = title.trimmed();
    return trimmed.isEmpty() ? displayName(kind) : trimmed;
}

FenceTab makeTab(const QUuid& id, const QString& title, FenceKind kind, std::optional<QString> portalPath,
                 std::optional<QString> portalBookmarkBase64)
{
    FenceTab tab;
    tab.id = id;
    tab.title = title;
    tab.symbolName = mv::symbolName(kind);
    tab.kind = kind;
    tab.portalPath = std::move(portalPath);
    tab.portalBookmarkBase64 = std::move(portalBookmarkBase64);
    tab.portalFilter = QString();
    tab.showHiddenFiles = false;
    tab.showExtensions = true;
    tab.sortMode = FenceSortMode::nameAsc;
    return tab;
}

// The frame a caller gave, or the default when none was given. A frame with a number that is
// not finite could never be saved; the default takes its place.
FenceFrameRect frameOrDefault(const std::optional<FenceFrameRect>& given, const FenceFrameRect& fallback)
{
    return given && isFinite(*given) ? *given : fallback;
}

} // namespace

// -- workspaces ---------------------------------------------------------------------------

void MorvanteelStore::switchWorkspace(const QUuid& workspaceID)
{
    const bool known = std::any_of(m_workspaces.cbegin(), m_workspaces.cend(),
                                   [&](const WorkspaceProfile& w) { return w.id == workspaceID; });
    if (!known)
        return;
    setActiveWorkspaceID(workspaceID);
    setSelectedFenceID(std::nullopt);
    save();
}

WorkspaceProfile MorvanteelStore::createWorkspace(const QString& name, const QString& symbolName,
                                                  FenceTintPalette accentTint, WallpaperPreset wallpaper)
{
    // The trimmed name only decides whether a name was given; a given name is kept as typed.
    const WorkspaceProfile workspace{m_environment.makeID(), name.trimmed().isEmpty() ? defaultWorkspaceName : name,
                                     symbolName, accentTint, wallpaper, m_environment.now()};
    QList<WorkspaceProfile> workspaces = m_workspaces;
    workspaces.append(workspace);
    setWorkspaces(std::move(workspaces));
    setActiveWorkspaceID(workspace.id);
    save();
    return workspace;
}

void MorvanteelStore::updateWorkspace(const WorkspaceProfile& workspace)
{
    QList<WorkspaceProfile> workspaces = m_workspaces;
    const auto found = std::find_if(workspaces.begin(), workspaces.end(),
                                    [&](const WorkspaceProfile& w) { return w.id == workspace.id; });
    if (found == workspaces.end())
        return;
    *found = workspace;
    setWorkspaces(std::move(workspaces));
    save();
}

void MorvanteelStore::deleteWorkspace(const QUuid& workspaceID)
{
    if (m_workspaces.size() < 2)
        return;

    QList<WorkspaceProfile> workspaces = m_workspaces;
    workspaces.removeIf([&](const WorkspaceProfile& w) { return w.id == workspaceID; });
    setWorkspaces(std::move(workspaces));

    QList<FenceModel> fences = m_fences;
    QList<QUuid> removedFenceIDs;
    for (const FenceModel& fence : fences) {
        if (fence.workspaceID == workspaceID)
            removedFenceIDs.append(fence.id);
    }
    fences.removeIf([&](const FenceModel& f) { return f.workspaceID == workspaceID; });
    setFences(std::move(fences));

    if (m_activeWorkspaceID == workspaceID && !m_workspaces.isEmpty())
        setActiveWorkspaceID(m_workspaces.first().id);

    // A selection that named a removed fence would point every reader at a fence that is gone.
    if (m_selectedFenceID && removedFenceIDs.contains(*m_selectedFenceID) && !fence(*m_selectedFenceID))
        setSelectedFenceID(std::nullopt);

    save();
}

// -- fences -------------------------------------------------------------------------------

FenceModel MorvanteelStore::createFence(const QString& title, FenceKind kind, const std::optional<QString>& symbolName,
                                        FenceTintPalette tint, const std::optional<QString>& portalPath,
                                        const std::optional<QString>& portalBookmarkBase64,
                                        const std::optional<FenceFrameRect>& desktopFrame,
                                        const std::optional<FenceFrameRect>& canvasFrame)
{
    const QList<FenceModel> active = activeFences();
    // New fences step down and to the right, starting again with every sixth.
    const double cascade = double(active.size() % 5) * 28;
    const QDateTime now = m_environment.now();

    std::optional<QString> path = portalPath;
    if (kind == FenceKind::portal && !path)
        path = m_demoRootPath;
    FenceTab tab = makeTab(m_environment.makeID(), displayName(kind), kind, std::move(path), portalBookmarkBase64);
    if (kind == FenceKind::notes)
        tab.noteText = startingNoteText;
    if (kind == FenceKind::checklist)
        tab.tasks.append({m_environment.makeID(), startingTaskTitle, false, now, std::nullopt, false});

    qint64 bentoOrder = 0;
    if (!active.isEmpty()) {
        const auto highest = std::max_element(active.cbegin(), active.cend(), [](const FenceModel& a, const FenceModel& b) {
            return a.bentoOrder < b.bentoOrder;
        });
        bentoOrder = highest->bentoOrder + 1;
    }

    FenceModel fence;
    fence.id = m_environment.makeID();
    fence.workspaceID = m_activeWorkspaceID;
    fence.title = titleOrDefault(title, kind);
    fence.symbolName = symbolName.value_or(mv::symbolName(kind));
    fence.activeTabID = tab.id;
    fence.tabs = {std::move(tab)};
    fence.isCollapsed = false;
    fence.isPinned = false;
    fence.isLocked = false;
    fence.desktopFrame = frameOrDefault(desktopFrame, {110 + cascade, 340 - cascade, 340, 280});
    fence.canvasFrame = frameOrDefault(canvasFrame, {24 + cascade, 24 + cascade, 336, 250});
    fence.bentoOrder = bentoOrder;
    fence.bentoColumnSpan = 2;
    fence.style = {tint, 0.72, 22, 1.0, FenceDisplayDensity::grid, false, 0.48, true};
    fence.createdAt = now;
    fence.updatedAt = now;

    QList<FenceModel> fences = m_fences;
    fences.append(fence);
    setFences(std::move(fences));
    setSelectedFenceID(fence.id);
    save();
    return fence;
}

void MorvanteelStore::updateFence(const FenceModel& fence)
{
    if (modifyFence(fence.id, [&](FenceModel& stored) {
            stored = fence;
            return true;
        }))
        save();
}

void MorvanteelStore::deleteFence(const QUuid& fenceID)
{
    QList<FenceModel> fences = m_fences;
    fences.removeIf([&](const FenceModel& f) { return f.id == fenceID; });
    setFences(std::move(fences));
    if (m_selectedFenceID == fenceID)
        setSelectedFenceID(std::nullopt);
    // Saved even when no fence had the id.
    save();
}

void MorvanteelStore::moveFence(const QUuid& fenceID, const QUuid& workspaceID)
{
    const bool known = std::any_of(m_workspaces.cbegin(), m_workspaces.cend(),
                                   [&](const WorkspaceProfile& w) { return w.id == workspaceID; });
    if (!known)
        return;
    if (modifyFence(fenceID, [&](FenceModel& fence) {
            fence.workspaceID = workspaceID;
            return true;
        }))
        save();
}

void MorvanteelStore::toggleCollapse(const QUuid& fenceID)
{
    if (modifyFence(fenceID, [](FenceModel& fence) {
            fence.isCollapsed = !fence.isCollapsed;
            return true;
        }))
        save();
}

void MorvanteelStore::setCollapsed(const QUuid& fenceID, bool collapsed)
{
    if (modifyFence(fenceID, [&](FenceModel& fence) {
            if (fence.isCollapsed == collapsed)
                return false;
            fence.isCollapsed = collapsed;
            return true;
        }))
        save();
}

void MorvanteelStore::renameFence(const QUuid& fenceID, const QString& title)
{
    const QString trimmed = title.trimmed();
    if (trimmed.isEmpty())
        return;
    if (modifyFence(fenceID, [&](FenceModel& fence) {
            fence.title = trimmed;
            return true;
        }))
        save();
}

void MorvanteelStore::updateDesktopFrame(const QUuid& fenceID, const FenceFrameRect& frame)
{
    if (modifyFence(fenceID, [&](FenceModel& fence) {
            fence.desktopFrame = frame;
            return true;
        }))
        save();
}

void MorvanteelStore::updateCanvasFrame(const QUuid& fenceID, const FenceFrameRect& frame)
{
    if (modifyFence(fenceID, [&](FenceModel& fence) {
            fence.canvasFrame = frame;
            return true;
        }))
        save();
}

// -- tab content --------------------------------------------------------------------------

void MorvanteelStore::selectTab(const QUuid& fenceID, const QUuid& tabID)
{
    if (modifyFence(fenceID, [&](FenceModel& fence) {
            const bool known = std::any_of(fence.tabs.cbegin(), fence.tabs.cend(),
                                           [&](const FenceTab& t) { return t.id == tabID; });
            if (!known)
                return false;
            fence.activeTabID = tabID;
            return true;
        }))
        save();
}

std::optional<FenceTab> MorvanteelStore::addTab(const QUuid& fenceID, const QString& title, FenceKind kind,
                                                const std::optional<QString>& portalPath)
{
    if (!fence(fenceID))
        return std::nullopt;
    std::optional<QString> path = portalPath;
    if (kind == FenceKind::portal && !path)
        path = m_demoRootPath;
    // No starting content here: a tab added to an existing fence starts empty.
    const FenceTab tab = makeTab(m_environment.makeID(), titleOrDefault(title, kind), kind, std::move(path), std::nullopt);
    if (!modifyFence(fenceID, [&](FenceModel& fence) {
            fence.tabs.append(tab);
            fence.activeTabID = tab.id;
            return true;
        }))
        return std::nullopt;
    save();
    return tab;
}

void MorvanteelStore::removeTab(const QUuid& fenceID, const QUuid& tabID)
{
    if (modifyFence(fenceID, [&](FenceModel& fence) {
            if (fence.tabs.size() < 2)
                return false;
            fence.tabs.removeIf([&](const FenceTab& t) { return t.id == tabID; });
            if (fence.activeTabID == tabID && !fence.tabs.isEmpty())
                fence.activeTabID = fence.tabs.first().id;
            // An unknown tab id still counts as a change: the fence is touched and saved.
            return true;
        }))
        save();
}

void MorvanteelStore::updateActiveTab(const QUuid& fenceID, const std::function<void(FenceTab&)>& change)
{
    if (modifyFence(fenceID, [&](FenceModel& fence) {
            const auto index = fence.activeTabIndex();
            if (!index)
                return false;
            change(fence.tabs[*index]);
            return true;
        }))
        save();
}

void MorvanteelStore::addItem(const FenceItem& item, const QUuid& fenceID)
{
    updateActiveTab(fenceID, [&](FenceTab& tab) { tab.items.append(item); });
}

void MorvanteelStore::addItems(const QList<FenceItem>& items, const QUuid& fenceID)
{
    if (!items.isEmpty())
        updateActiveTab(fenceID, [&](FenceTab& tab) { tab.items.append(items); });
}

void MorvanteelStore::removeItem(const QUuid& itemID, const QUuid& fenceID)
{
    updateActiveTab(fenceID, [&](FenceTab& tab) { tab.items.removeIf([&](const FenceItem& i) { return i.id == itemID; }); });
}

void MorvanteelStore::addTask(const QString& title, const QUuid& fenceID)
{
    const QString trimmed = title.trimmed();
    if (trimmed.isEmpty())
        return;
    // Made only once the fence is known to have a tab, so that a refused call takes no id.
    const auto target = fence(fenceID);
    if (!target || !target->activeTab())
        return;
    const FenceChecklistTask task{m_environment.makeID(), trimmed, false, m_environment.now(), std::nullopt, false};
    updateActiveTab(fenceID, [&](FenceTab& tab) { tab.tasks.prepend(task); });
}

void MorvanteelStore::deleteTask(const QUuid& taskID, const QUuid& fenceID)
{
    updateActiveTab(fenceID, [&](FenceTab& tab) { tab.tasks.removeIf([&](const FenceChecklistTask& t) { return t.id == taskID; }); });
}

void MorvanteelStore::toggleTask(const QUuid& taskID, const QUuid& fenceID)
{
    const QDateTime now = m_environment.now();
    if (modifyFence(fenceID, [&](FenceModel& fence) {
            // Any tab of the fence, not only the active one: deep links and search name a task
            // whatever tab is showing.
            for (FenceTab& tab : fence.tabs) {
                for (FenceChecklistTask& task : tab.tasks) {
                    if (task.id != taskID)
                        continue;
                    task.isCompleted = !task.isCompleted;
                    task.completedAt = task.isCompleted ? std::optional<QDateTime>(now) : std::nullopt;
                    return true;
                }
            }
            return false;
        }))
        save();
}

void MorvanteelStore::updateNoteText(const QString& text, const QUuid& fenceID)
{
    updateActiveTab(fenceID, [&](FenceTab& tab) { tab.noteText = text; });
}

} // namespace mv
