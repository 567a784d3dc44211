#pragma once

#include "intents/PendingIntentBridge.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

namespace mv {

class MorvanteelAppRuntime;

// Runs the program's shortcuts in the running instance, for the desktop's launchers and the
// session bus: the intent leaves its records and link, and the link is opened here at once,
// so that every write to the shared records happens in this one process. What the user is
// told comes after the program acted: a switch is reported only once the store has switched.
class IntentActions final : public QObject {
    Q_OBJECT

public:
    // The records go to `environment`; an unset snapshot path takes the store's.
    explicit IntentActions(MorvanteelAppRuntime& runtime, PendingIntentEnvironment environment = {});

    // "open-spot-search", "run-smart-tidy", "switch-workspace", in the shortcuts' order.
    static QStringList actionNames();

    // Runs the named action. `workspaceID` only for the switch: none cycles to the next
    // workspace; an id that names no workspace changes nothing. False, with a report of why,
    // for an unknown action, a parameter the action does not take, or a switch that did not
    // happen.
    bool activate(const QString& actionName, const std::optional<QString>& workspaceID = std::nullopt);

    // Refusals of the caller's own making, reported with nothing run.
    static inline const QString unknownActionMessage = QStringLiteral("Morvanteel 没有名为“%1”的操作。");
    static inline const QString unexpectedParameterMessage = QStringLiteral("操作“%1”不接受参数。");
    static inline const QString unknownWorkspaceMessage = QStringLiteral("没有找到工作区 %1，未切换工作区。");
    // The snapshot named a workspace the store no longer has.
    static inline const QString switchFailedMessage = QStringLiteral("未能切换工作区：目标工作区已不存在。");

Q_SIGNALS:
    // A line for the user: the intent's dialog after it was carried out, or why nothing was.
    void reported(const QString& text, bool succeeded);

private:
    bool switchWorkspace(const std::optional<QString>& workspaceID);
    bool refuse(const QString& text);

    MorvanteelAppRuntime& m_runtime;
    PendingIntentEnvironment m_environment;
};

} // namespace mv
