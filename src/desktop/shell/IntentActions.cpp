#include "desktop/shell/IntentActions.h"

#include "core/models/Uuid.h"
#include "core/store/MorvanteelStore.h"
#include "desktop/shell/MorvanteelAppRuntime.h"
#include "intents/AppIntents.h"
#include "intents/AppShortcuts.h"

namespace mv {

IntentActions::IntentActions(MorvanteelAppRuntime& runtime, PendingIntentEnvironment environment)
    : QObject(&runtime)
    , m_runtime(runtime)
    , m_environment(std::move(environment))
{
    if (!m_environment.widgetSnapshotPath)
        m_environment.widgetSnapshotPath = runtime.store().widgetSnapshotPath();
}

QStringList IntentActions::actionNames()
{
    QStringList names;
    for (const AppShortcut& shortcut : MorvanteelShortcutsProvider::appShortcuts())
        names.append(shortcut.actionName);
    return names;
}

bool IntentActions::refuse(const QString& text)
{
    Q_EMIT reported(text, false);
    return false;
}

bool IntentActions::activate(const QString& actionName, const std::optional<QString>& workspaceID)
{
    const AppShortcut* shortcut = MorvanteelShortcutsProvider::shortcut(actionName);
    if (!shortcut)
        return refuse(unknownActionMessage.arg(actionName));
    if (shortcut->intent == ShortcutIntent::switchWorkspace)
        return switchWorkspace(workspaceID);
    if (workspaceID)
        return refuse(unexpectedParameterMessage.arg(actionName));
    const IntentResult result = shortcut->intent == ShortcutIntent::openSpotSearch
                                    ? OpenSpotSearchIntent().perform(m_environment)
                                    : RunSmartTidyIntent().perform(m_environment);
    m_runtime.handleDeepLinkURL(result.link.url());
    Q_EMIT reported(result.dialog, true);
    return true;
}

bool IntentActions::switchWorkspace(const std::optional<QString>& workspaceID)
{
    // The intent chooses from the published snapshot and writes it: the store's own writes of
    // it go first, so the intent reads the newest and nothing older lands after its own.
    m_runtime.store().flushPendingSaves();
    SwitchWorkspaceIntent intent;
    if (workspaceID) {
        // A named workspace must be one of the choices, as a shortcut's parameter is: an id
        // that names none is no request to cycle.
        const auto id = parseUuid(workspaceID->trimmed());
        const QList<WorkspaceChoiceEntity> chosen =
            id ? WorkspaceChoiceQuery(m_environment).entities({uuidString(*id)}) : QList<WorkspaceChoiceEntity>{};
        if (chosen.isEmpty())
            return refuse(unknownWorkspaceMessage.arg(*workspaceID));
        intent.workspace = chosen.first();
    }
    const IntentResult result = intent.perform(m_environment);
    const auto* target = result.link.as<MorvanteelDeepLink::SwitchWorkspace>();
    m_runtime.handleDeepLinkURL(result.link.url());
    if (!target) {
        // No snapshot to choose from: SpotSearch was opened instead.
        Q_EMIT reported(result.dialog, true);
        return true;
    }
    MorvanteelStore& store = m_runtime.store();
    if (store.activeWorkspaceID() != target->workspaceID) {
        // The snapshot named a workspace the store no longer has: put the truth back.
        store.publishWidgetSnapshot();
        return refuse(switchFailedMessage);
    }
    Q_EMIT reported(result.dialog, true);
    return true;
}

} // namespace mv
