#include "desktop/shell/StatusBarMenuController.h"

#include "core/store/MorvanteelStore.h"
#include "design/AppIcon.h"
#include "desktop/shell/DesktopPanelManager.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

namespace mv {

namespace {

// Marks the submenus this controller made inside a menu, so a rebuild can drop them: clearing a
// menu removes its actions but leaves the submenus behind as children.
constexpr const char* ownSubmenuProperty = "mvStatusSubmenu";

// User text in a menu item: "&" would otherwise become a mnemonic and vanish, and a tab would
// push the rest of the name into the shortcut column.
QString menuText(QString text)
{
    text.replace(u'&', QStringLiteral("&&"));
    text.replace(u'\t', u' ');
    return text;
}

} // namespace

StatusBarMenuController::StatusBarMenuController(MorvanteelStore& store, DesktopPanelManager& panelManager,
                                                 Callbacks callbacks, TrayAvailability trayAvailability,
                                                 QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_panelManager(panelManager)
    , m_callbacks(std::move(callbacks))
    , m_trayAvailability(trayAvailability ? std::move(trayAvailability)
                                          : TrayAvailability(&QSystemTrayIcon::isSystemTrayAvailable))
{
    if (createTrayIconIfAvailable())
        return;
    // A panel with its tray may start after us (a slow session, a panel restarted).
    m_trayRetry.setInterval(trayRetryIntervalMs);
    connect(&m_trayRetry, &QTimer::timeout, this, [this] {
        if (createTrayIconIfAvailable())
            m_trayRetry.stop();
    });
    m_trayRetry.start();
}

bool StatusBarMenuController::createTrayIconIfAvailable()
{
    if (m_trayIcon)
        return true;
    if (!m_trayAvailability())
        return false;

    m_menu = std::make_unique<QMenu>();
    // Filled when it is about to open, never while it stays open.
    connect(m_menu.get(), &QMenu::aboutToShow, this, [this] { populateMenu(*m_menu); });

    m_trayIcon = std::make_unique<QSystemTrayIcon>(statusIcon());
    m_trayIcon->setToolTip(toolTip);
    m_trayIcon->setContextMenu(m_menu.get());
    // Most trays open the context menu on a right click only; a left click opens it too.
    connect(m_trayIcon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && m_menu && !m_menu->isVisible())
            m_menu->popup(QCursor::pos());
    });
    m_trayIcon->show();
    Q_EMIT trayIconCreated();
    return true;
}

StatusBarMenuController::~StatusBarMenuController()
{
    // The item lets go of its menu before the menu goes.
    m_trayIcon.reset();
    m_menu.reset();
}

void StatusBarMenuController::populateMenu(QMenu& menu)
{
    QList<QMenu*> oldSubmenus;
    for (QAction* action : menu.actions()) {
        QMenu* submenu = action->menu();
        if (submenu && submenu->parent() == &menu && submenu->property(ownSubmenuProperty).toBool())
            oldSubmenus.append(submenu);
    }
    menu.clear();
    qDeleteAll(oldSubmenus);

    const auto addAction = [this](QMenu& target, const QString& text, void (StatusBarMenuController::*handler)(),
                                  const QKeySequence& shortcut = {}) {
        QAction* action = target.addAction(text);
        action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return action;
    };
    const auto addToggle = [&](const QString& text, void (StatusBarMenuController::*handler)(), bool on,
                               const QKeySequence& shortcut = {}) {
        QAction* action = addAction(menu, text, handler, shortcut);
        action->setCheckable(true);
        action->setChecked(on);
        return action;
    };
    const GlobalPreferences& preferences = m_store.preferences();

    const std::optional<WorkspaceProfile> active = m_store.activeWorkspace();
    QAction* header = menu.addAction(QStringLiteral("Morvanteel · ")
                                     + (active ? menuText(active->name) : QStringLiteral("工作区")));
    header->setEnabled(false);
    menu.addSeparator();

    auto* workspaces = new QMenu(QStringLiteral("切换工作区"), &menu);
    workspaces->setProperty(ownSubmenuProperty, true);
    for (const WorkspaceProfile& workspace : m_store.workspaces()) {
        QAction* action = workspaces->addAction(menuText(workspace.name));
        action->setData(QVariant::fromValue(workspace.id));
        action->setCheckable(true);
        action->setChecked(workspace.id == m_store.activeWorkspaceID());
        connect(action, &QAction::triggered, this, [this, action] { handleSwitchWorkspace(action->data()); });
    }
    menu.addMenu(workspaces);

    addToggle(QStringLiteral("Peek 桌面透视"), &StatusBarMenuController::handleTogglePeek, preferences.isPeekActive,
              QKeySequence(Qt::ALT | Qt::Key_Space));
    addToggle(QStringLiteral("快速隐藏桌面围栏"), &StatusBarMenuController::handleToggleQuickHide,
              preferences.isDesktopCurtainHidden, QKeySequence(Qt::ALT | Qt::Key_H));
    addAction(menu, QStringLiteral("打开 SpotSearch 检索"), &StatusBarMenuController::handleOpenSpotSearch,
              QKeySequence(Qt::CTRL | Qt::Key_K));
    addAction(menu, QStringLiteral("智能整理规则 (Dry-Run 预演)…"), &StatusBarMenuController::handleOpenSmartTidy);
    menu.addSeparator();

    addToggle(QStringLiteral("锁定全部围栏布局"), &StatusBarMenuController::handleToggleLayoutLock,
              preferences.isLayoutLocked);
    addAction(menu, QStringLiteral("全部卷起为胶囊"), &StatusBarMenuController::handleRollUpAll);
    addAction(menu, QStringLiteral("全部展开"), &StatusBarMenuController::handleExpandAll);
    if (!m_store.undoStack().isEmpty()) {
        addAction(menu, QStringLiteral("撤销：") + menuText(m_store.undoStack().last().label),
                  &StatusBarMenuController::handleUndoFileMove, QKeySequence(Qt::CTRL | Qt::Key_Z));
    }
    menu.addSeparator();

    addAction(menu, QStringLiteral("打开控制中心工作室…"), &StatusBarMenuController::handleOpenControlCenter,
              QKeySequence(Qt::CTRL | Qt::Key_Comma));
    addAction(menu, QStringLiteral("退出 Morvanteel"), &StatusBarMenuController::handleQuit,
              QKeySequence(Qt::CTRL | Qt::Key_Q));
}

QIcon StatusBarMenuController::statusIcon()
{
    // The program's own icon, not a theme's: the tray shows the same fence as the menus.
    return appicon::icon();
}

void StatusBarMenuController::handleSwitchWorkspace(const QVariant& representedObject)
{
    if (representedObject.metaType() != QMetaType::fromType<QUuid>())
        return;
    m_store.switchWorkspace(representedObject.value<QUuid>());
}

void StatusBarMenuController::handleTogglePeek()
{
    m_store.togglePeek();
}

void StatusBarMenuController::handleToggleQuickHide()
{
    m_store.toggleDesktopCurtain();
}

void StatusBarMenuController::handleOpenSpotSearch()
{
    if (m_callbacks.onShowSpotSearch)
        m_callbacks.onShowSpotSearch();
}

void StatusBarMenuController::handleOpenSmartTidy()
{
    if (m_callbacks.onOpenControlCenter)
        m_callbacks.onOpenControlCenter(ControlCenterTab::smartRules);
}

void StatusBarMenuController::handleToggleLayoutLock()
{
    m_store.toggleGlobalLayoutLock();
}

void StatusBarMenuController::handleRollUpAll()
{
    m_panelManager.rollUpAllFences();
}

void StatusBarMenuController::handleExpandAll()
{
    m_panelManager.expandAllFences();
}

void StatusBarMenuController::handleUndoFileMove()
{
    // A refused undo reports itself through the store's status message.
    static_cast<void>(m_store.undoLastFileOperation());
}

void StatusBarMenuController::handleOpenControlCenter()
{
    if (m_callbacks.onOpenControlCenter)
        m_callbacks.onOpenControlCenter(std::nullopt);
}

void StatusBarMenuController::handleQuit()
{
    if (m_callbacks.onQuit)
        m_callbacks.onQuit();
}

} // namespace mv
