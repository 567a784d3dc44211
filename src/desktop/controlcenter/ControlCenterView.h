#pragma once

#include "core/models/ModelEnums.h"
#include "desktop/controlcenter/ControlCenterFileDialogs.h"
#include "desktop/controlcenter/ControlCenterTab.h"
#include "desktop/controlcenter/ControlCenterTabBinding.h"

#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <functional>

class QAction;
class QListWidget;
class QSplitter;
class QVBoxLayout;

namespace mv {

class ControlCenterDetailArea;
class DesignEnvironment;
class DesktopPanelManager;
class GlassTextLabel;
class LiquidGlassIconBadge;
class LiquidGlassPillButton;
class MorvanteelStore;
class QuickControlSwitch;

// What a control-center page is built with. The workspaces page takes all of it, the others
// only the store.
struct ControlCenterPageInputs {
    MorvanteelStore& store;
    DesktopPanelManager& panelManager;
    DesignEnvironment* environment;
    // "调色" on a fence: selects the fence and shows the appearance page.
    std::function<void(const QUuid& fenceID)> onInspectAppearance;
    std::function<void()> onOpenSpotSearch;
    // The dialogs a page asks for folders and files with.
    ControlCenterFileDialogs fileDialogs;
};

// The content of the control-center window: a sidebar with the product header, the page list
// and the desktop quick controls with the status line, beside the selected page over a faint
// copy of the active workspace's wallpaper. It keeps nothing of its own: the page comes from
// the binding, everything else from the store, read again on each of the store's change
// signals and updated in place; every control writes straight back.
class ControlCenterView final : public QWidget {
    Q_OBJECT

public:
    // Makes the page for a case; the view owns what it returns. Unset, or returning nullptr,
    // gives a placeholder with the page title.
    using PageFactory = std::function<QWidget*(ControlCenterTab, const ControlCenterPageInputs&)>;

    // The page-list items carry their case's raw value and symbol name in these roles.
    static constexpr int pageTabRole = Qt::UserRole + 1;
    static constexpr int pageSymbolRole = Qt::UserRole + 2;

    static inline const QString productName = QStringLiteral("Morvanteel");
    static inline const QString productSubtitle = QStringLiteral("澄栩围栏控制中心");
    static inline const QString quickControlsHeading = QStringLiteral("桌面快捷控制");
    static inline const QString headerSymbol = QStringLiteral("sparkles.rectangle.stack.fill");
    static QString peekSwitchLabel();
    static QString curtainSwitchLabel();
    static inline const QString lockSwitchLabel = QStringLiteral("全局锁定布局");
    static QString spotSearchButtonTitle();
    static inline const QString quitButtonTitle = QStringLiteral("退出 Morvanteel");

    // Used when there is no active workspace.
    static constexpr FenceTintPalette fallbackAccent = FenceTintPalette::cerulean;
    static constexpr WallpaperPreset fallbackWallpaper = WallpaperPreset::tahoeAurora;
    static constexpr double backdropOpacity = 0.2;

    ControlCenterView(MorvanteelStore& store, DesktopPanelManager& panelManager, ControlCenterTabBinding selectedTab,
                      std::function<void()> onOpenSpotSearch, DesignEnvironment* environment,
                      PageFactory makePage = {}, QWidget* parent = nullptr);
    ~ControlCenterView() override;

    // The dialogs handed to the pages; the system's until replaced. Pages made from then on
    // get the new ones.
    void setFileDialogs(ControlCenterFileDialogs dialogs) { m_fileDialogs = std::move(dialogs); }

    // Ctrl+Q in the window and the sidebar's quit button; unset, both do nothing.
    std::function<void()> onQuit;

    // A page showing only its title, until the real page is plugged in.
    static QWidget* makePlaceholderPage(ControlCenterTab tab, const ControlCenterPageInputs& inputs);

    // What is shown, for the host and for tests.
    QListWidget* pageList() const { return m_pageList; }
    LiquidGlassIconBadge* headerBadge() const { return m_headerBadge; }
    QuickControlSwitch* peekSwitch() const { return m_peekSwitch; }
    QuickControlSwitch* curtainSwitch() const { return m_curtainSwitch; }
    QuickControlSwitch* lockSwitch() const { return m_lockSwitch; }
    LiquidGlassPillButton* spotSearchButton() const { return m_spotSearchButton; }
    LiquidGlassPillButton* quitButton() const { return m_quitButton; }
    QAction* quitAction() const { return m_quitAction; }
    QWidget* statusBox() const { return m_statusBox; }
    GlassTextLabel* statusLabel() const { return m_statusLabel; }
    // The page in the detail area and the case it was made for.
    QWidget* currentPage() const { return m_page; }
    ControlCenterTab currentPageTab() const { return m_pageTab; }
    WallpaperPreset backdropPreset() const;

    // The active workspace's accent and wallpaper, or the fallbacks without one.
    FenceTintPalette accentTint() const;
    WallpaperPreset wallpaperPreset() const;

private:
    QWidget* buildSidebar();
    QWidget* buildHeader();
    QWidget* buildQuickControls();

    ControlCenterPageInputs pageInputs();
    void inspectAppearance(const QUuid& fenceID);
    void selectRow(int row);
    void setCurtainHidden(bool hidden);
    void setLayoutLocked(bool locked);

    // In-place updates, one per source of change.
    void refreshSelectedPage();
    void refreshAccent();
    void refreshSwitches();
    void refreshStatus();
    void refreshColors();

    MorvanteelStore& m_store;
    DesktopPanelManager& m_panelManager;
    ControlCenterTabBinding m_selectedTab;
    std::function<void()> m_onOpenSpotSearch;
    QPointer<DesignEnvironment> m_environment;
    PageFactory m_makePage;
    ControlCenterFileDialogs m_fileDialogs = ControlCenterFileDialogs::system();

    QSplitter* m_split = nullptr;
    LiquidGlassIconBadge* m_headerBadge = nullptr;
    GlassTextLabel* m_productLabel = nullptr;
    GlassTextLabel* m_subtitleLabel = nullptr;
    QListWidget* m_pageList = nullptr;
    GlassTextLabel* m_quickControlsHeading = nullptr;
    QuickControlSwitch* m_peekSwitch = nullptr;
    QuickControlSwitch* m_curtainSwitch = nullptr;
    QuickControlSwitch* m_lockSwitch = nullptr;
    LiquidGlassPillButton* m_spotSearchButton = nullptr;
    LiquidGlassPillButton* m_quitButton = nullptr;
    QAction* m_quitAction = nullptr;
    QWidget* m_statusBox = nullptr;
    GlassTextLabel* m_statusLabel = nullptr;
    ControlCenterDetailArea* m_detail = nullptr;
    QVBoxLayout* m_detailLayout = nullptr;
    QWidget* m_page = nullptr;
    ControlCenterTab m_pageTab = ControlCenterTab::workspaces;
    bool m_isFollowingSelection = false;
};

} // namespace mv
