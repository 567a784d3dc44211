#pragma once

#include "core/engine/PortalTypes.h"
#include "core/models/FenceModels.h"
#include "design/DesignEnvironment.h"
#include "desktop/content/NativeFileBridge.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>

class QMenu;
class QStackedWidget;
class QVBoxLayout;

namespace mv {

class GlassSymbolMark;
class GlassTextLabel;
class LiquidGlassButton;
class LiquidGlassPillButton;
class MorvanteelStore;
class PortalBreadcrumbBar;
class PortalBrowser;
class PortalEntryListView;
class PortalEntryModel;
class PortalFilterField;

// The body of a portal tab: a toolbar (filter field, sort menu, view-settings menu), the
// breadcrumb bar while a subfolder is shown, then the folder's entries, or the state of a
// folder that is missing or empty. The entries are one list view over a model of the
// browser's listing. It keeps no state of its own: it shows the store's fence and tab and the
// browser's listing, trail and selection, writes every setting through the store at once, and
// sends the browser the user's moves through the folders and the entries.
class PortalTabView final : public QWidget {
    Q_OBJECT
public:
    enum class State { missing, empty, entries };

    static inline const QString missingText = QStringLiteral("绑定的文件夹不可用或未授权");
    static inline const QString chooseFolderTitle = QStringLiteral("选择文件夹…");
    static inline const QString noMatchText = QStringLiteral("没有匹配过滤条件的文件");
    static inline const QString bindPrompt = QStringLiteral("绑定传送门");
    static inline const QString viewSettingsHelp = QStringLiteral("传送门视图与目录设置");
    // "拖拽访达文件到这里自动归入", in this desktop's words.
    static QString emptyFolderText();
    // "排序方式：" followed by the mode's label.
    static QString sortHelp(FenceSortMode mode);

    // Asks the user for a folder to bind; none when cancelled.
    using FolderChooser = std::function<std::optional<QString>(QWidget* parent)>;
    // The modal folder picker, with "绑定传送门" on its accept button.
    static std::optional<QString> chooseFolderWithDialog(QWidget* parent);

    // The desktop's side of an entry's file actions, replaceable as a whole (by tests, and by
    // the platform's services). Reveal shows the file in the file manager; trash puts it in the
    // desktop's trash (never a delete in its place) and says whether it did; the drag runs one
    // file drag out of the view and returns what the receiver did.
    struct FileActions {
        std::function<void(const QUrl& file)> reveal;
        // None when the file went to the trash, else why not.
        std::function<std::optional<QString>(const QUrl& file)> trash;
        std::function<Qt::DropAction(QWidget* source, const nativefilebridge::FileDrag& drag)> drag;
    };
    // Reveal asks the file manager to show the file (else opens its folder), trash is the
    // freedesktop trash, the drag a QDrag.
    static FileActions desktopFileActions();
    // The status a failed trash leaves: the entry's name and the reason.
    static QString trashFailedStatus(const QString& name, const QString& reason);

    PortalTabView(MorvanteelStore& store, PortalBrowser& browser, DesignEnvironment* environment,
                  QWidget* parent = nullptr);
    ~PortalTabView() override;

    // Shows `tab`, the active portal tab of `fence` as the store holds it now, with the
    // browser's listing, trail and selection. The browser's own changes are shown by themselves.
    void refresh(const FenceModel& fence, const FenceTab& tab);

    // Runs the folder picker and binds the chosen folder to the fence's active tab; then shows
    // it from its top. Nothing changes when the picker is cancelled.
    void choosePortalFolder();
    // One press on an entry: it becomes the selected entry.
    void selectEntry(const PortalFileEntry& entry);
    // A folder is entered inside the fence (selection cleared), a file opened by the desktop.
    void activateEntry(const PortalFileEntry& entry);
    // Space: the preview of the selected entry while it is still listed. False when there is
    // none to preview, so that the key passes on.
    bool togglePreviewOfSelection();

    // The fences an entry can be moved to: every fence of the active workspace but this one
    // whose active tab is a portal tab, bound or not, in the workspace's order.
    QList<PortalFenceTarget> otherPortalFences() const;
    // What the entry's context menu does, for the entry as listed now.
    NativeFileContextActions contextActions(const PortalFileEntry& entry);
    // The entry's context menu (the caller owns it).
    QMenu* createEntryMenu(const PortalFileEntry& entry, QWidget* parent);
    // Drags the entry out of the fence, from a pointer at `position` in its tile of `tileSize`.
    void dragEntry(const PortalFileEntry& entry, const QPointF& position, const QSizeF& tileSize);

    // The menus as their buttons open them, built from the store's fence as it is now (the
    // caller owns them); nullptr when the fence or its tab is gone.
    QMenu* createSortMenu(QWidget* parent);
    QMenu* createViewSettingsMenu(QWidget* parent);

    // Space, for the selected entry while it is still listed: toggles the preview of the file
    // with this title. While unset the key passes on.
    std::function<void(const QUrl& url, const QString& title)> onTogglePreview;
    // The preview item of an entry's menu: shows the file with this title, and keeps the
    // preview open when it shows the file already.
    std::function<void(const QUrl& url, const QString& title)> onPresentPreview;
    // Replaceable for tests; by default the dialog and the desktop's opener.
    FolderChooser folderChooser = &PortalTabView::chooseFolderWithDialog;
    std::function<void(const QUrl&)> urlOpener;
    FileActions fileActions = desktopFileActions();

    State state() const { return m_state; }
    PortalFilterField* filterField() const { return m_filter; }
    LiquidGlassButton* sortButton() const { return m_sortButton; }
    LiquidGlassButton* viewSettingsButton() const { return m_viewSettingsButton; }
    // Built when a subfolder is first shown, or when asked for.
    PortalBreadcrumbBar* breadcrumbBar() const;
    PortalEntryListView* entryList() const { return m_list; }
    PortalEntryModel* entryModel() const { return m_model; }
    GlassTextLabel* stateLabel() const { return m_stateLabel; }
    // The symbol of the state shown: "folder.badge.questionmark", "magnifyingglass" or "tray".
    QString stateSymbolName() const;
    LiquidGlassPillButton* chooseFolderButton() const { return m_chooseFolderButton; }

protected:
    // QWidget
    void keyPressEvent(QKeyEvent* event) override;
    // Files dropped anywhere on the tab go to the folder shown.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    ColorScheme scheme() const;
    std::optional<FenceModel> currentFence() const;
    // The fence as the store holds it now, while it has an active tab.
    std::optional<FenceModel> currentFenceWithTab() const;
    // Shows the store's fence anew while its active tab is a portal tab.
    void refreshFromStore();
    // One change of the fence's active tab through the store, while it is a portal tab.
    void changeTab(const std::function<void(FenceTab&)>& change);
    void setDensity(FenceDisplayDensity density);
    void openMenu(QMenu* menu, QWidget* button);
    void showState(State state, const FenceModel& fence, const FenceTab& tab);
    void refreshBreadcrumbs(const FenceModel& fence);
    void entryPressed(const QModelIndex& index);
    void entryActivated(const QModelIndex& index);
    void showEntryMenu(const QModelIndex& index, const QPoint& globalPosition);
    // The entry's file moved away or went to the trash: the fence shows it gone at once.
    void moveEntryToFence(const PortalFileEntry& entry, const QUuid& fenceID);
    void trashEntry(const PortalFileEntry& entry);

    MorvanteelStore& m_store;
    PortalBrowser& m_browser;
    QPointer<DesignEnvironment> m_environment;
    State m_state = State::missing;

    PortalFilterField* m_filter;
    LiquidGlassButton* m_sortButton;
    LiquidGlassButton* m_viewSettingsButton;
    mutable PortalBreadcrumbBar* m_breadcrumbs = nullptr;
    QStackedWidget* m_states;
    QWidget* m_statePage;
    QVBoxLayout* m_stateColumn;
    GlassSymbolMark* m_missingSymbol;
    GlassSymbolMark* m_emptySymbol;
    GlassTextLabel* m_stateLabel;
    LiquidGlassPillButton* m_chooseFolderButton;
    PortalEntryListView* m_list;
    PortalEntryModel* m_model;
};

} // namespace mv
