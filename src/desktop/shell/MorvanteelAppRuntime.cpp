#include "desktop/shell/MorvanteelAppRuntime.h"

#include "core/store/MorvanteelStore.h"
#include "desktop/shell/ControlCenterHostView.h"
#include "desktop/shell/DesktopPanelManager.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace mv {

ControlCenterWindowController::ControlCenterWindowController(MorvanteelAppRuntime& runtime)
    : m_runtime(runtime)
{
}

ControlCenterWindowController::~ControlCenterWindowController()
{
    delete m_window.data();
}

void ControlCenterWindowController::show(std::optional<ControlCenterTab> tab)
{
    if (tab)
        m_runtime.setControlCenterTab(*tab);
    if (!m_window) {
        auto* window = new ControlCenterHostView(m_runtime);
        window->setWindowTitle(QStringLiteral("Morvanteel 控制中心"));
        window->setMinimumSize(920, 600);
        window->resize(1080, 700);
        // Centred once, at creation; later showings keep the frame the user gave it.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(), window->size());
            frame.moveCenter(screen->availableGeometry().center());
            window->move(frame.topLeft());
        }
        m_window = window;
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

MorvanteelAppRuntime::MorvanteelAppRuntime()
    : MorvanteelAppRuntime(std::make_unique<MorvanteelStore>())
{
}

MorvanteelAppRuntime::MorvanteelAppRuntime(std::unique_ptr<MorvanteelStore> store)
    : m_store(std::move(store))
    , m_panelManager(std::make_unique<DesktopPanelManager>(*m_store))
{
    wire();
}

MorvanteelAppRuntime::~MorvanteelAppRuntime()
{
    // The windows go before the manager and the store they read.
    m_controlCenterController.reset();
    m_panelManager.reset();
}

void MorvanteelAppRuntime::wire()
{
    const QPointer<MorvanteelAppRuntime> self(this);
    m_panelManager->onOpenControlCenter = [self](std::optional<ControlCenterTab> tab) {
        if (self)
            self->controlCenterController().show(tab);
    };
}

void MorvanteelAppRuntime::setControlCenterTab(ControlCenterTab tab)
{
    if (m_controlCenterTab == tab)
        return;
    m_controlCenterTab = tab;
    Q_EMIT controlCenterTabChanged();
}

ControlCenterWindowController& MorvanteelAppRuntime::controlCenterController()
{
    if (!m_controlCenterController)
        m_controlCenterController = std::make_unique<ControlCenterWindowController>(*this);
    return *m_controlCenterController;
}

void MorvanteelAppRuntime::start()
{
    if (m_didStart)
        return;
    m_didStart = true;
    m_panelManager->syncPanels(false);
    controlCenterController().show(ControlCenterTab::workspaces);
}

} // namespace mv
