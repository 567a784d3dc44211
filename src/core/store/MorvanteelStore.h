#pragma once

#include "core/models/BackupDocument.h"
#include "core/models/MoveRecords.h"
#include "core/models/WidgetSnapshot.h"
#include "core/store/StoreEnvironment.h"

#include <QObject>

#include <optional>

namespace mv {

// The one object that owns the workspace state of the running program. Every change goes
// through it; it saves the state file after each change and republishes the widget
// snapshot. Each published property has its own change signal, emitted only on a real change.
// It never opens a dialog: failures become its status message (and, for saving, lastSaveError).
class MorvanteelStore final : public QObject {
    Q_OBJECT

public:
    static inline const QString appGroupIdentifier = QStringLiteral("group.morvanteel.shared");
    static inline const QString widgetDefaultsKey = QStringLiteral("Morvanteel.WidgetSnapshot.JSON");

    // Loads the state file, or quarantines an unusable one and, with seeding on, starts from the
    // demo seed. Everything is done when the constructor returns.
    explicit MorvanteelStore(StoreLocations locations = {}, Seeding seeding = Seeding::enabled,
                             StoreEnvironment environment = {}, QObject* parent = nullptr);
    ~MorvanteelStore() override;

    // -- locations ------------------------------------------------------------------------
    static QString defaultSupportDirectory();
    static QString defaultWidgetSnapshotPath(const QString& fallbackBase);
    const QString& persistencePath() const { return m_persistencePath; }
    const QString& widgetSnapshotPath() const { return m_widgetSnapshotPath; }
    const QString& demoRootPath() const { return m_demoRootPath; }

    // -- published state ------------------------------------------------------------------
    const QList<WorkspaceProfile>& workspaces() const { return m_workspaces; }
    const QUuid& activeWorkspaceID() const { return m_activeWorkspaceID; }
    const QList<FenceModel>& fences() const { return m_fences; }
    const QList<SmartRule>& smartRules() const { return m_smartRules; }
    const GlobalPreferences& preferences() const { return m_preferences; }
    const QList<UndoTransaction>& undoStack() const { return m_undoStack; }
    const QList<UndoTransaction>& redoStack() const { return m_redoStack; }
    const std::optional<QUuid>& selectedFenceID() const { return m_selectedFenceID; }
    const std::optional<QString>& lastStatusMessage() const { return m_lastStatusMessage; }

    // Direct writes, for callers that change a published property themselves and then call
    // save(). Frames and styles with numbers that are not finite are refused (false): they
    // could never be written to the state file.
    void setWorkspaces(QList<WorkspaceProfile> workspaces);
    void setActiveWorkspaceID(const QUuid& id);
    bool setFences(QList<FenceModel> fences);
    void setSmartRules(QList<SmartRule> rules);
    bool setPreferences(GlobalPreferences preferences);
    void setSelectedFenceID(std::optional<QUuid> id);
    void setLastStatusMessage(std::optional<QString> message);

    // -- derived views --------------------------------------------------------------------
    // The workspace named by activeWorkspaceID, else the first, else none.
    std::optional<WorkspaceProfile> activeWorkspace() const;
    // The fences of activeWorkspaceID itself, by bentoOrder, then createdAt, else stored order.
    QList<FenceModel> activeFences() const;
    std::optional<FenceModel> fence(const QUuid& id) const;

    // -- persistence ----------------------------------------------------------------------
    // Writes the state file, then publishes the widget snapshot.
    void save();
    // Replaces workspaces, active workspace, fences and rules by the demo seed, keeps every
    // preference but the demo folder path, and saves.
    void resetToDefaults(bool reseedDemoFiles);
    // Why the last save did not reach the disk; none after a save that did.
    const std::optional<QString>& lastSaveError() const { return m_lastSaveError; }

    // -- widget snapshot ------------------------------------------------------------------
    WidgetSnapshotPayload makeWidgetSnapshot() const;
    void publishWidgetSnapshot();
    // The snapshot as the widget and the intents read it: the file, else the app group's
    // defaults, else the standard defaults. Needs no store.
    static std::optional<WidgetSnapshotPayload> loadWidgetSnapshot(
        const std::optional<QString>& path = std::nullopt,
        const platform::KeyValueStore* appGroupDefaults = nullptr,
        const platform::KeyValueStore* standardDefaults = nullptr);

    const StoreEnvironment& environment() const { return m_environment; }

Q_SIGNALS:
    void workspacesChanged();
    void activeWorkspaceIDChanged();
    void fencesChanged();
    void smartRulesChanged();
    void preferencesChanged();
    void undoStackChanged();
    void redoStackChanged();
    void selectedFenceIDChanged();
    void lastStatusMessageChanged();
    void lastSaveErrorChanged();

private:
    void loadOrSeed(Seeding seeding);
    void applyLoadedDocument(const MorvanteelBackupDocument& document);
    MorvanteelBackupDocument currentDocument() const;
    // Moves an unusable state file aside; false when its bytes could not be kept anywhere.
    bool quarantineStateFile();
    void recordSaveResult(std::optional<QString> error);

    void setUndoStack(QList<UndoTransaction> stack);
    void setRedoStack(QList<UndoTransaction> stack);

    StoreEnvironment m_environment;
    QString m_persistencePath;
    QString m_widgetSnapshotPath;
    QString m_demoRootPath;

    QList<WorkspaceProfile> m_workspaces;
    QUuid m_activeWorkspaceID;
    QList<FenceModel> m_fences;
    QList<SmartRule> m_smartRules;
    GlobalPreferences m_preferences;
    QList<UndoTransaction> m_undoStack;
    QList<UndoTransaction> m_redoStack;
    std::optional<QUuid> m_selectedFenceID;
    std::optional<QString> m_lastStatusMessage;

    std::optional<QString> m_lastSaveError;
    // Set when an unusable state file could not be preserved: this run must not write over it.
    bool m_stateFileProtected = false;
};

} // namespace mv
