#pragma once

#include "core/engine/PortalMoves.h"
#include "core/engine/SpotSearchEngine.h"
#include "core/models/BackupDocument.h"
#include "core/models/MoveRecords.h"
#include "core/models/WidgetSnapshot.h"
#include "core/store/PortalListingCache.h"
#include "core/store/StoreEnvironment.h"
#include "core/store/StoreSaveQueue.h"

#include <QHash>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

namespace mv {

// An error the store hands to its caller: the backup export and import.
struct StoreError {
    QString domain = QStringLiteral("Morvanteel");
    int code = 0;
    QString message; // the text shown to the user

    bool operator==(const StoreError&) const = default;
};

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
    // Takes the state as it is now and has it written to the state file, then publishes the
    // widget snapshot. The encoding and the writing happen off this thread, in order; a save
    // asked for while one is being written replaces any still waiting, so the newest state is
    // the one that reaches the disk. A failure comes back to lastSaveError on this thread.
    void save();
    // Waits until everything saved so far is on disk and its outcome is in lastSaveError (and
    // the status line). Called before reading the files back and before the program ends.
    void flushPendingSaves();
    // Replaces workspaces, active workspace, fences and rules by the demo seed, keeps every
    // preference but the demo folder path, and saves.
    void resetToDefaults(bool reseedDemoFiles);
    // Why the last save did not reach the disk, in Chinese with the path it was about
    // ("磁盘空间不足：/…/state.json"); none after a save that did. The status line shows it after
    // "配置保存失败：".
    const std::optional<QString>& lastSaveError() const { return m_lastSaveError; }

    // -- widget snapshot ------------------------------------------------------------------
    WidgetSnapshotPayload makeWidgetSnapshot() const;
    // Publishes the snapshot, or, while the start-up's worker still reads portal listings,
    // once it is done (a save meanwhile writes the state at once and waits for nothing);
    // flushPendingSaves publishes one still held back.
    void publishWidgetSnapshot();
    // The snapshot as the widget and the intents read it: the file, else the app group's
    // defaults, else the standard defaults. Needs no store.
    static std::optional<WidgetSnapshotPayload> loadWidgetSnapshot(
        const std::optional<QString>& path = std::nullopt,
        const platform::KeyValueStore* appGroupDefaults = nullptr,
        const platform::KeyValueStore* standardDefaults = nullptr);

    // -- workspaces and fences (refused operations change nothing and do not save) -------
    void switchWorkspace(const QUuid& workspaceID);
    WorkspaceProfile createWorkspace(const QString& name, const QString& symbolName, FenceTintPalette accentTint,
                                     WallpaperPreset wallpaper);
    void updateWorkspace(const WorkspaceProfile& workspace);
    void deleteWorkspace(const QUuid& workspaceID);
    FenceModel createFence(const QString& title, FenceKind kind, const std::optional<QString>& symbolName,
                           FenceTintPalette tint, const std::optional<QString>& portalPath = std::nullopt,
                           const std::optional<QString>& portalBookmarkBase64 = std::nullopt,
                           const std::optional<FenceFrameRect>& desktopFrame = std::nullopt,
                           const std::optional<FenceFrameRect>& canvasFrame = std::nullopt);
    void updateFence(const FenceModel& fence);
    void deleteFence(const QUuid& fenceID);
    void moveFence(const QUuid& fenceID, const QUuid& workspaceID);
    void toggleCollapse(const QUuid& fenceID);
    void setCollapsed(const QUuid& fenceID, bool collapsed);
    void renameFence(const QUuid& fenceID, const QString& title);
    void updateDesktopFrame(const QUuid& fenceID, const FenceFrameRect& frame);
    void updateCanvasFrame(const QUuid& fenceID, const FenceFrameRect& frame);

    // -- tab content -----------------------------------------------------------------------
    void selectTab(const QUuid& fenceID, const QUuid& tabID);
    std::optional<FenceTab> addTab(const QUuid& fenceID, const QString& title, FenceKind kind,
                                   const std::optional<QString>& portalPath = std::nullopt);
    void removeTab(const QUuid& fenceID, const QUuid& tabID);
    // Applies `change` to the fence's active tab (the first tab when the id names none).
    void updateActiveTab(const QUuid& fenceID, const std::function<void(FenceTab&)>& change);
    void addItem(const FenceItem& item, const QUuid& fenceID);
    // Appends every item, in order, with one change and one save; nothing for none.
    void addItems(const QList<FenceItem>& items, const QUuid& fenceID);
    void removeItem(const QUuid& itemID, const QUuid& fenceID);
    void addTask(const QString& title, const QUuid& fenceID);
    void deleteTask(const QUuid& taskID, const QUuid& fenceID);
    void toggleTask(const QUuid& taskID, const QUuid& fenceID);
    void updateNoteText(const QString& text, const QUuid& fenceID);

    // -- file moves, smart tidy, undo and redo --------------------------------------------
    bool moveFiles(const QList<QUrl>& files, const QUuid& portalFenceID);
    // The same move into a folder the caller names (a folder tile, a subfolder shown), with the
    // same record, status and save. A folder that is not there is refused, never made.
    bool moveFilesToExplicitDirectory(const QList<QUrl>& files, const QUrl& directory);
    DryRunMovePlan buildSmartTidyDryRun(const std::optional<QString>& sourceDirectory = std::nullopt) const;
    bool executeSmartTidyPlan(const DryRunMovePlan& plan);
    bool undoLastFileOperation();
    bool redoLastFileOperation();
    // Records a batch of moves made outside the store (the fence content's move into an opened
    // subfolder): pushed for undo, redo cleared, status label + `statusSuffix`, saved.
    void recordFileOperation(const FolderPortalEngine::MoveBatch& batch, const QString& statusSuffix);

    // -- search and display switches ------------------------------------------------------
    QList<SpotSearchResult> spotSearch(const QString& query) const;
    // The first `limit` entries of each tab's folder as that tab lists it, in the order of
    // `tabs` (a tab bound to no folder lists as missing). Read through the kept listings, so a
    // folder unchanged since its last reading of this length is not read again; heads of this
    // length not asked for in the call are let go, so a view asks for all the heads it shows at
    // once. Changes no state.
    QList<PortalScanResult> portalHeads(const QList<FenceTab>& tabs, qsizetype limit) const;
    void togglePeek();
    void setPeek(bool active);
    void toggleDesktopCurtain();
    void toggleGlobalLayoutLock();

    // -- backup ---------------------------------------------------------------------------
    // The whole state as a backup document. The export date is stamped into the state only
    // once the caller has written the file and calls markBackupExported with the time given.
    struct BackupExport {
        QByteArray bytes;
        QDateTime exportedAt;
    };
    Result<BackupExport, StoreError> exportBackupJSON() const;
    void markBackupExported(const QDateTime& exportedAt);
    // Replaces the whole state by a backup document. Any failure leaves the state and the
    // state file as they were. Every failure's message begins with one "导入失败：", except the
    // document without workspaces, whose message is "备份文件中没有工作区配置。" alone.
    Result<bool, StoreError> importBackupJSON(const QByteArray& bytes);
    // The same for the backup file at `path`, refused unread when it is larger than any backup.
    Result<bool, StoreError> importBackupFile(const QString& path);

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
    // A search during start-up listed a portal folder still being read as empty: that reading
    // is done now, and the same search would find more.
    void portalListingsWarmed();

private:
    void loadOrSeed(Seeding seeding);
    void applyLoadedDocument(const MorvanteelBackupDocument& document);
    MorvanteelBackupDocument currentDocument() const;
    // Moves an unusable state file aside; false when its bytes could not be kept anywhere.
    bool quarantineStateFile();
    void recordSaveResult(std::optional<QString> error);
    // Hands the outcomes of the writes that ended to recordSaveResult, oldest first.
    void deliverSaveOutcomes();
    // Starts reading, off this thread, the portal listings the first save and the first search
    // keystroke need: those of every portal tab of the active workspace.
    void warmPortalListings();
    // A worker's reading of a portal listing is done: a held-back snapshot and the searches
    // that went without it can be made now.
    void portalListingWarmed();
    void publishHeldSnapshot();

    void setUndoStack(QList<UndoTransaction> stack);
    // Moves into `folder` (a standardized absolute path) and records what moved.
    bool moveFilesIntoFolder(const QList<QUrl>& files, const QString& folder);
    void setRedoStack(QList<UndoTransaction> stack);

    // The fence with `id`, changed by `change` in place; then its updatedAt is set to now and
    // fencesChanged emitted. `change` returns false to refuse, leaving everything as it was.
    // False when there is no such fence or the change was refused.
    bool modifyFence(const QUuid& id, const std::function<bool(FenceModel&)>& change);

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

    // Who each moved file of a recorded transaction is (by transaction id), so that undo and
    // redo never move a file that merely took the name since. Memory only, like the stacks.
    QHash<QUuid, QList<FolderPortalEngine::FileIdentity>> m_moveIdentities;

    // Portal listings between snapshots and searches; reading them changes no state.
    mutable PortalListingCache m_portalListings;
    bool m_snapshotHeld = false;

    std::optional<QString> m_lastSaveError;
    // Set when an unusable state file could not be preserved: this run must not write over it.
    bool m_stateFileProtected = false;

    // Writes the state file, the snapshot and the defaults off this thread.
    std::unique_ptr<StoreSaveQueue> m_saves;
};

} // namespace mv
