#include "intents/AppIntents.h"

#include "core/models/Uuid.h"
#include "core/store/MorvanteelStore.h"

#include <QSet>

namespace mv {

namespace {

std::optional<WidgetSnapshotPayload> loadSnapshot(const PendingIntentEnvironment& environment)
{
    return MorvanteelStore::loadWidgetSnapshot(environment.widgetSnapshotPath, environment.appGroupDefaults.get(),
                                               environment.standardDefaults.get());
}

IntentResult openAndEnqueue(const MorvanteelDeepLink& link, QString dialog, const PendingIntentEnvironment& environment)
{
    MorvanteelPendingIntentBridge::enqueueDeepLink(link, environment);
    return {link, std::move(dialog)};
}

// The parameter's workspace when the snapshot has it, else the one after the active one
// (wrapping), else the first.
const WidgetWorkspaceSummary& targetWorkspace(const WidgetSnapshotPayload& snapshot,
                                              const std::optional<WorkspaceChoiceEntity>& parameter)
{
    const QList<WidgetWorkspaceSummary>& workspaces = snapshot.workspaces;
    if (parameter) {
        if (const auto id = parseUuid(parameter->id)) {
            for (const WidgetWorkspaceSummary& workspace : workspaces) {
                if (workspace.id == *id)
                    return workspace;
            }
        }
    }
    for (qsizetype i = 0; i < workspaces.size(); ++i) {
        if (workspaces[i].id == snapshot.activeWorkspaceID)
            return workspaces[(i + 1) % workspaces.size()];
    }
    return workspaces.first();
}

} // namespace

QList<WorkspaceChoiceEntity> WorkspaceChoiceQuery::loadChoices() const
{
    const auto snapshot = loadSnapshot(m_environment);
    if (!snapshot)
        return {};
    QList<WorkspaceChoiceEntity> choices;
    choices.reserve(snapshot->workspaces.size());
    for (const WidgetWorkspaceSummary& workspace : snapshot->workspaces)
        choices.append({uuidString(workspace.id), workspace.name, workspace.symbolName});
    return choices;
}

QList<WorkspaceChoiceEntity> WorkspaceChoiceQuery::entities(const QStringList& identifiers) const
{
    const QSet<QString> wanted(identifiers.cbegin(), identifiers.cend());
    QList<WorkspaceChoiceEntity> choices = loadChoices();
    choices.removeIf([&](const WorkspaceChoiceEntity& choice) { return !wanted.contains(choice.id); });
    return choices;
}

QList<WorkspaceChoiceEntity> WorkspaceChoiceQuery::suggestedEntities() const
{
    return loadChoices();
}

std::optional<WorkspaceChoiceEntity> WorkspaceChoiceQuery::defaultResult() const
{
    const QList<WorkspaceChoiceEntity> choices = loadChoices();
    if (choices.isEmpty())
        return std::nullopt;
    return choices.first();
}

IntentResult OpenSpotSearchIntent::perform(const PendingIntentEnvironment& environment) const
{
    return openAndEnqueue(MorvanteelDeepLink::spotSearch(), QStringLiteral("正在打开 Morvanteel SpotSearch。"),
                          environment);
}

IntentResult RunSmartTidyIntent::perform(const PendingIntentEnvironment& environment) const
{
    return openAndEnqueue(MorvanteelDeepLink::smartTidy(), QStringLiteral("正在打开 Morvanteel 智能整理。"),
                          environment);
}

IntentResult SwitchWorkspaceIntent::perform(const PendingIntentEnvironment& environment) const
{
    auto snapshot = loadSnapshot(environment);
    if (!snapshot || snapshot->workspaces.isEmpty())
        return openAndEnqueue(MorvanteelDeepLink::spotSearch(), QStringLiteral("正在打开 Morvanteel 工作区。"),
                              environment);
    const WidgetWorkspaceSummary target = targetWorkspace(*snapshot, workspace);
    // The fences stay those of the workspace active before: the program republishes them once
    // it has switched.
    snapshot->activeWorkspaceID = target.id;
    snapshot->activeWorkspaceName = target.name;
    snapshot->generatedAt = environment.now();
    MorvanteelPendingIntentBridge::persistWidgetSnapshot(*snapshot, environment);
    MorvanteelPendingIntentBridge::recordPendingWorkspaceSwitch(target.id, environment);
    return openAndEnqueue(MorvanteelDeepLink::switchWorkspace(target.id), switchedDialog(target.name), environment);
}

QString SwitchWorkspaceIntent::switchedDialog(const QString& workspaceName)
{
    return QStringLiteral("已切换到工作区「%1」。").arg(workspaceName);
}

} // namespace mv
