#pragma once

#include "core/engine/PortalTypes.h"
#include "core/models/FenceModels.h"
#include "desktop/content/FencePanelContent.h"

#include <QList>
#include <QUrl>
#include <QUuid>

#include <functional>
#include <optional>

class QListView;
class QMenu;
class QStackedWidget;

namespace mv {

class CuratedTabView;
class DesignEnvironment;
class FenceChecklistListView;
class FenceHeaderView;
class FenceNoteEditorView;
class FenceTabStripView;
class GlassTextLabel;
class LiquidGlassButton;
class LiquidGlassSurfaceFrame;
class MorvanteelStore;
class PortalDirectoryWatcher;
class PortalTabView;

// One fence inside its desktop panel: the glass, the header with the lock button and the fence
// menu, the tab strip and the body of the active tab. It keeps no copy of the fence: on every
// store change it looks the fence up by id and updates its widgets in place, and every user
// action is one store operation or one of the callbacks it was given. It owns the watcher that
// keeps a portal tab's listing in step with the folder shown.
class MacFenceContentView final : public FencePanelContent {
    Q_OBJECT

public:
    // What a notes tab shows while its text is empty.
    static inline const QString notePlaceholder = QStringLiteral("在这里记录项目灵感、会议摘要或临时片段…");
    // The title of the portal tab that the strip's add button adds, with no folder given.
    static inline const QString newPortalTabTitle = QStringLiteral("新传送门");

    MacFenceContentView(MorvanteelStore& store, const QUuid& fenceID, Callbacks callbacks,
                        DesignEnvironment* environment, QWidget* parent = nullptr);
    ~MacFenceContentView() override;

    const QUuid& fenceID() const { return m_fenceID; }

    // FencePanelContent
    void setHoverUnrolled(bool unrolled) override;
    bool isHoverUnrolled() const { return m_isHoverUnrolled; }

    // The bound folder of the store's active tab as a file URL; none when the fence, the tab or
    // the path is missing, or the path is empty or not absolute (never resolved against the
    // working directory).
    std::optional<QUrl> rootPortalURL() const;
    // The folder a portal tab shows and drops go to: the innermost breadcrumb, else the root.
    std::optional<QUrl> currentPortalURL() const;
    // Points the watcher at the folder shown with the active tab's listing options, or stops it
    // when the active tab is no portal tab.
    void syncPortalWatch();

    // Portal browsing state, kept while the view lives and never saved.
    const QList<QUrl>& breadcrumbURLs() const { return m_breadcrumbURLs; }
    // Folders entered below the bound folder, innermost last; a change resyncs the watcher.
    void setBreadcrumbURLs(const QList<QUrl>& urls);
    // The standardized path of the selected portal entry.
    const std::optional<QString>& selectedEntryID() const { return m_selectedEntryID; }
    // Selects an entry (none clears the selection) and reports its URL to the panel manager.
    void setSelectedPortalEntry(const std::optional<PortalFileEntry>& entry);
    // A file drag hovers the fence: the glass is highlighted.
    bool isDropTargeted() const { return m_isDropTargeted; }
    void setDropTargeted(bool targeted);

    // Space in a portal tab, for the selected entry while it is still listed: toggles the
    // preview of the file with this title. While unset the key passes on.
    std::function<void(const QUrl& url, const QString& title)> onTogglePreview;
    // A curated item's link in the program's scheme that is none of the requests the curated
    // tab acts on itself. While unset, the desktop opens it.
    std::function<void(const QUrl& url)> onOpenDeepLink;

    // The fence menu as the menu button opens it, built from the store's fence as it is now
    // (the caller owns it); nullptr when the fence is gone.
    QMenu* createFenceMenu(QWidget* parent);

    LiquidGlassSurfaceFrame* surface() const { return m_surface; }
    FenceHeaderView* header() const { return m_header; }
    LiquidGlassButton* lockButton() const { return m_lockButton; }
    LiquidGlassButton* menuButton() const { return m_menuButton; }
    FenceTabStripView* tabStrip() const { return m_tabStrip; }
    QStackedWidget* body() const { return m_body; }
    FenceNoteEditorView* noteEditor() const { return m_noteEditor; }
    FenceChecklistListView* checklist() const { return m_checklist; }
    PortalTabView* portalTab() const { return m_portalTab; }
    // The portal tab's entries, and the text of its missing or empty state.
    QListView* portalList() const;
    GlassTextLabel* portalStateLabel() const;
    CuratedTabView* curatedTab() const { return m_curatedTab; }
    // The curated tab's items.
    QListView* curatedList() const;
    const PortalDirectoryWatcher& portalWatcher() const { return *m_portalWatcher; }

protected:
    // QWidget
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The values of the store's active tab whose changes the view reacts to; each is none when
    // the fence or its active tab is missing.
    struct WatchedTabValues {
        std::optional<QUuid> tabID;
        std::optional<QString> portalPath;
        std::optional<QString> portalFilter;
        std::optional<bool> showHiddenFiles;
        std::optional<bool> showExtensions;
        std::optional<FenceSortMode> sortMode;

        bool operator==(const WatchedTabValues&) const = default;
    };
    static WatchedTabValues watchedValues(const std::optional<FenceModel>& fence);

    void buildTrailingActions();
    void refresh();
    void refreshHeader(const FenceModel& fence);
    void refreshTabStrip(const FenceModel& fence);
    void refreshBody(const FenceModel& fence);
    void refreshSurface(const FenceModel& fence);
    bool isRolledUp(const FenceModel& fence) const;
    // A new tab, a new folder or no tab at all: leave the browsed folders and the selection.
    void applyChangeRules(const WatchedTabValues& now);
    void resetPortalBrowsing();

    void openFenceMenu();
    void toggleLock();
    void togglePin();

    // The portal body shows the active portal tab with the watcher's listing and the browsing
    // state; nothing while another kind of tab is active.
    void refreshPortalBody();

    MorvanteelStore& m_store;
    QUuid m_fenceID;
    Callbacks m_callbacks;
    DesignEnvironment* m_environment;
    bool m_isHoverUnrolled = false;

    PortalDirectoryWatcher* m_portalWatcher;
    QList<QUrl> m_breadcrumbURLs;
    std::optional<QString> m_selectedEntryID;
    bool m_isDropTargeted = false;
    std::optional<WatchedTabValues> m_watched; // none before the first update

    LiquidGlassSurfaceFrame* m_surface;
    FenceHeaderView* m_header;
    LiquidGlassButton* m_lockButton = nullptr;
    LiquidGlassButton* m_menuButton = nullptr;
    FenceTabStripView* m_tabStrip;
    QStackedWidget* m_body;
    QWidget* m_noBodyPage;
    QWidget* m_notesPage;
    QWidget* m_checklistPage;
    FenceNoteEditorView* m_noteEditor;
    FenceChecklistListView* m_checklist;

    PortalTabView* m_portalTab;
    CuratedTabView* m_curatedTab;
};

} // namespace mv
