#pragma once

#include "core/models/DeepLink.h"
#include "intents/PendingIntentBridge.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace mv {

// What an intent hands back: the link the program is to open, and the line said to the user.
struct IntentResult {
    MorvanteelDeepLink link;
    QString dialog;

    bool operator==(const IntentResult&) const = default;
};

// One workspace a shortcut can name.
struct WorkspaceChoiceEntity {
    static inline const QString typeDisplayRepresentation = QStringLiteral("Morvanteel 工作区");

    QString id; // the workspace id, canonical upper-case
    QString name;
    QString symbolName;

    // Its display representation: the name as title, the symbol as image, no subtitle.
    QString displayTitle() const { return name; }

    bool operator==(const WorkspaceChoiceEntity&) const = default;
};

// The workspaces of the widget snapshot (its file, then the app group's copy, then the standard
// defaults' copy; never a live store), in its order; none without a snapshot.
class WorkspaceChoiceQuery final {
public:
    explicit WorkspaceChoiceQuery(PendingIntentEnvironment environment = {}) : m_environment(std::move(environment)) {}

    // The choices whose id is requested, in snapshot order; order and repeats of the request
    // do not matter, unknown ids are dropped.
    QList<WorkspaceChoiceEntity> entities(const QStringList& identifiers) const;
    QList<WorkspaceChoiceEntity> suggestedEntities() const;
    std::optional<WorkspaceChoiceEntity> defaultResult() const;

private:
    QList<WorkspaceChoiceEntity> loadChoices() const;

    PendingIntentEnvironment m_environment;
};

struct OpenSpotSearchIntent {
    static inline const QString title = QStringLiteral("打开 Morvanteel 搜索");
    static inline const QString description = QStringLiteral("立即打开 Morvanteel 并聚焦到 SpotSearch 全局搜索面板。");

    // Leaves the spot-search link pending and opens it.
    IntentResult perform(const PendingIntentEnvironment& environment = {}) const;
};

struct RunSmartTidyIntent {
    static inline const QString title = QStringLiteral("一键智能整理桌面");
    static inline const QString description =
        QStringLiteral("打开 Morvanteel 智能规则整理面板，查看 Dry-Run 预演并一键归档。");

    // Leaves the smart-tidy link pending and opens it.
    IntentResult perform(const PendingIntentEnvironment& environment = {}) const;
};

struct SwitchWorkspaceIntent {
    static inline const QString title = QStringLiteral("切换 Morvanteel 工作区");
    static inline const QString description =
        QStringLiteral("切换到指定的 Morvanteel 工作区，或在现有工作区间顺次切换。");
    static inline const QString workspaceParameterTitle = QStringLiteral("目标工作区");

    SwitchWorkspaceIntent() = default;
    explicit SwitchWorkspaceIntent(std::optional<WorkspaceChoiceEntity> chosen) : workspace(std::move(chosen)) {}

    // None, a workspace the snapshot no longer has, or an id that is no UUID: the next one.
    std::optional<WorkspaceChoiceEntity> workspace;

    // Picks the target from the snapshot, rewrites the snapshot with it as active, records the
    // switch and leaves its link pending. Without a snapshot or workspaces it opens SpotSearch
    // and writes nothing else. The store is never touched: the program switches when it opens
    // the link.
    IntentResult perform(const PendingIntentEnvironment& environment = {}) const;

    // "已切换到工作区「name」。"
    static QString switchedDialog(const QString& workspaceName);
};

} // namespace mv
