#pragma once

#include "desktop/controlcenter/ControlCenterTab.h"

#include <QIcon>
#include <QObject>
#include <QTimer>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

class QMenu;
class QSystemTrayIcon;

namespace mv {

class DesktopPanelManager;
class MorvanteelStore;

// The program's item in the system tray. Its menu gives the desktop controls without opening a
// window, and is rebuilt from the store every time it is about to open, so titles, check marks
// and the undo entry are always current. The store and the panels are reached directly; what
// belongs to the runtime (the control-center window, SpotSearch, quitting) through callbacks.
//
// Without a system tray there is no item yet: the controller asks again every few seconds and
// makes the item once a tray host has appeared, so a panel started after the program still gets
// it. Meanwhile the control center (its Ctrl+Q and quit button) is the way out.
class StatusBarMenuController final : public QObject {
    Q_OBJECT

public:
    struct Callbacks {
        // Opens the control-center window on the page given (none: the page it showed last).
        std::function<void(std::optional<ControlCenterTab> tab)> onOpenControlCenter;
        // Shows the SpotSearch panel; never hides it.
        std::function<void()> onShowSpotSearch;
        // Ends the program.
        std::function<void()> onQuit;
    };

    // Whether the desktop offers a system tray; QSystemTrayIcon's answer unless replaced.
    using TrayAvailability = std::function<bool()>;

    static inline const QString symbolName = QStringLiteral("square.grid.2x2.topleft.filled");
    static inline const QString toolTip = QStringLiteral("Morvanteel 澄栩围栏");

    // How often a desktop without a tray is asked again, in milliseconds.
    static constexpr int trayRetryIntervalMs = 2000;

    // Shows the item at once when there is a tray, else as soon as one appears.
    StatusBarMenuController(MorvanteelStore& store, DesktopPanelManager& panelManager, Callbacks callbacks,
                            TrayAvailability trayAvailability = {}, QObject* parent = nullptr);
    ~StatusBarMenuController() override;

    // False while the desktop has had no system tray: then there is no item and no menu.
    bool isTrayAvailable() const { return m_trayIcon != nullptr; }
    // The item and the menu it opens; null without a tray.
    QSystemTrayIcon* trayIcon() const { return m_trayIcon.get(); }
    QMenu* menu() const { return m_menu.get(); }

    // Empties `menu` and fills it from the store as it is now. The actions work on this
    // controller while it lives; the tray's menu is filled this way each time it opens.
    void populateMenu(QMenu& menu);

    // The item's icon: the program's own.
    static QIcon statusIcon();

    // The menu's actions, each reading the store at the moment it runs.
    void handleSwitchWorkspace(const QVariant& representedObject);
    void handleTogglePeek();
    void handleToggleQuickHide();
    void handleOpenSpotSearch();
    void handleOpenSmartTidy();
    void handleToggleLayoutLock();
    void handleRollUpAll();
    void handleExpandAll();
    void handleUndoFileMove();
    void handleOpenControlCenter();
    void handleQuit();

Q_SIGNALS:
    // The item was made, at once or when a tray host appeared.
    void trayIconCreated();

private:
    // Makes the item if there is a tray now; true when it exists.
    bool createTrayIconIfAvailable();

    MorvanteelStore& m_store;
    DesktopPanelManager& m_panelManager;
    Callbacks m_callbacks;
    TrayAvailability m_trayAvailability;
    QTimer m_trayRetry;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_trayIcon;
};

} // namespace mv
