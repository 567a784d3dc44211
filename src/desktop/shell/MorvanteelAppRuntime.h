#pragma once

#include "desktop/controlcenter/ControlCenterTab.h"

#include <QObject>
#include <QPointer>

#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>

#include <QWidget>

namespace mv {

class DeepLinkHandler;
class DesktopPanelManager;
class MorvanteelAppRuntime;
class MorvanteelStore;
class QuickLookPresenter;
class SpotSearchWindowController;
class StatusBarMenuController;

// The control-center window: made on its first showing, hidden (not destroyed) when closed, so
// that the same window with its last frame comes back.
class ControlCenterWindowController final : public QObject {
    Q_OBJECT

public:
    explicit ControlCenterWindowController(MorvanteelAppRuntime& runtime);
    ~ControlCenterWindowController() override;

    // Shows the window on `tab` (none: the page last shown), brings it to the front and
    // activates it.
    void show(std::optional<ControlCenterTab> tab = std::nullopt);
    QWidget* window() const { return m_window; }

private:
    MorvanteelAppRuntime& m_runtime;
    QPointer<QWidget> m_window;
};

// The one object that owns the program's long-lived parts: the store, the desktop panels and
// the control-center window, made in that order, and the file preview that the panels and the
// search panel show files in.
class MorvanteelAppRuntime final : public QObject {
    Q_OBJECT

public:
    // Builds the store at its default locations (seeding a first start) and the panels.
    MorvanteelAppRuntime();
    // For tests: the runtime over a store made elsewhere.
    explicit MorvanteelAppRuntime(std::unique_ptr<MorvanteelStore> store);
    ~MorvanteelAppRuntime() override;

    MorvanteelStore& store() const { return *m_store; }
    DesktopPanelManager& panelManager() const { return *m_panelManager; }
    SpotSearchWindowController& spotSearchController() const { return *m_spotSearchController; }
    QuickLookPresenter& quickLookPresenter() const { return *m_quickLookPresenter; }

    // The page the control center shows; not saved, every launch starts on the workspaces page.
    ControlCenterTab controlCenterTab() const { return m_controlCenterTab; }
    void setControlCenterTab(ControlCenterTab tab);
    ControlCenterWindowController& controlCenterController();

    // The launch: adds the tray menu, lays out the panels and opens the control center on the
    // workspaces page. Runs once; later calls do nothing.
    void start();
    bool didStart() const { return m_didStart; }
    // None until start.
    StatusBarMenuController* statusBarController() const { return m_statusBarController.get(); }

    // Shows the search panel (never hides it).
    void showSpotSearch();

    // The program's own links (morvanteel://...), from another launch or the desktop.
    void handleDeepLinkURL(const QUrl& url);
    void handleDeepLinkURLs(const QStringList& urls);
    // A second plain launch: the control center comes forward on the page it showed.
    void reopen();
    // The one way the program ends (the tray's item, the control center's Ctrl+Q and button):
    // a frame save still waiting for its timer is written first.
    void quit();
    // Puts everything on disk now: the frame save waiting for its timer, then every save still
    // being written. Runs when the application is about to quit (however the event loop was
    // ended, a termination signal included) and when the runtime goes.
    void flushSaves();

Q_SIGNALS:
    void controlCenterTabChanged();

private:
    void wire();

    std::unique_ptr<MorvanteelStore> m_store;
    std::unique_ptr<QuickLookPresenter> m_quickLookPresenter;
    std::unique_ptr<DesktopPanelManager> m_panelManager;
    std::unique_ptr<SpotSearchWindowController> m_spotSearchController;
    ControlCenterTab m_controlCenterTab = ControlCenterTab::workspaces;
    std::unique_ptr<ControlCenterWindowController> m_controlCenterController;
    std::unique_ptr<StatusBarMenuController> m_statusBarController;
    std::unique_ptr<DeepLinkHandler> m_deepLinks;
    bool m_didStart = false;
};

} // namespace mv
