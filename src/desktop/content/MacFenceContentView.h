#pragma once

#include "core/models/FenceModels.h"
#include "desktop/content/FencePanelContent.h"

#include <QUrl>
#include <QUuid>

#include <functional>

class QListView;
class QMenu;
class QStackedWidget;

namespace mv {

class CuratedTabView;
class DesignEnvironment;
class FenceDropHandling;
class FenceChecklistListView;
class FenceHeaderView;
class FenceNoteEditorView;
class FenceTabStripView;
class GlassTextLabel;
class LiquidGlassButton;
class LiquidGlassSurfaceFrame;
class MorvanteelStore;
class PortalBrowser;
class PortalTabView;

// One fence inside its desktop panel: the glass, the header with the lock button and the fence
// menu, the tab strip and the body of the active tab. It keeps no copy of the fence: on every
// store change it looks the fence up by id and updates its widgets in place, and every user
// action is one store operation or one of the callbacks it was given. It owns the portal
// browser that keeps a portal tab's trail, selection and listing, and watches only while shown.
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
    // The portal tab's browsing: the folders entered, the selection and the listing.
    PortalBrowser* portalBrowser() const override { return m_portalBrowser; }
    // What files dragged onto the fence do; every view inside forwards its drag events to it.
    FenceDropHandling* dropHandling() const { return m_dropHandling; }

    bool isHoverUnrolled() const { return m_isHoverUnrolled; }
    // A file drag hovers the fence: the glass is highlighted.
    bool isDropTargeted() const { return m_isDropTargeted; }
    void setDropTargeted(bool targeted);

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
    // Built when the fence first has two tabs, or when asked for.
    FenceTabStripView* tabStrip() const;
    QStackedWidget* body() const { return m_body; }
    // The body's page of each kind of tab, built when first shown or asked for.
    FenceNoteEditorView* noteEditor() const;
    FenceChecklistListView* checklist() const;
    PortalTabView* portalTab() const;
    // What the portal tab's preview actions call, kept for the tab until it is built.
    using PreviewHandler = std::function<void(const QUrl& url, const QString& title)>;
    void setPortalPreviewHandlers(PreviewHandler toggle, PreviewHandler present);
    // The portal tab's entries, and the text of its missing or empty state.
    QListView* portalList() const;
    GlassTextLabel* portalStateLabel() const;
    CuratedTabView* curatedTab() const;
    // The curated tab's items.
    QListView* curatedList() const;

protected:
    // QWidget
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildTrailingActions();
    void refresh();
    void refreshHeader(const FenceModel& fence);
    void refreshTabStrip(const FenceModel& fence);
    void refreshBody(const FenceModel& fence);
    void refreshSurface(const FenceModel& fence);
    bool isRolledUp(const FenceModel& fence) const;

    void openFenceMenu();
    // Flips one flag of the fence as the store holds it now.
    void toggle(bool FenceModel::*flag);
    void toggleLock();
    void togglePin();

    MorvanteelStore& m_store;
    QUuid m_fenceID;
    Callbacks m_callbacks;
    DesignEnvironment* m_environment;
    bool m_isHoverUnrolled = false;

    PortalBrowser* m_portalBrowser;
    FenceDropHandling* m_dropHandling;
    bool m_isDropTargeted = false;

    LiquidGlassSurfaceFrame* m_surface;
    FenceHeaderView* m_header;
    LiquidGlassButton* m_lockButton = nullptr;
    LiquidGlassButton* m_menuButton = nullptr;
    mutable FenceTabStripView* m_tabStrip = nullptr;
    QStackedWidget* m_body;
    QWidget* m_noBodyPage = nullptr;
    // Built on first use (see the accessors), by const accessors too.
    mutable QWidget* m_notesPage = nullptr;
    mutable QWidget* m_checklistPage = nullptr;
    mutable FenceNoteEditorView* m_noteEditor = nullptr;
    mutable FenceChecklistListView* m_checklist = nullptr;
    mutable PortalTabView* m_portalTab = nullptr;
    mutable CuratedTabView* m_curatedTab = nullptr;
    PreviewHandler m_onTogglePortalPreview;
    PreviewHandler m_onPresentPortalPreview;
};

} // namespace mv
