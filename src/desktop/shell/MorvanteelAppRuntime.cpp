#include "desktop/shell/MorvanteelAppRuntime.h"

#include "core/store/MorvanteelStore.h"
#include "design/GlassStyle.h"
#include "desktop/preview/QuickLookPresenter.h"
#include "desktop/shell/ControlCenterHostView.h"
#include "desktop/shell/DeepLinkHandler.h"
#include "desktop/shell/DesktopPanelManager.h"
#include "desktop/shell/SpotSearchWindowController.h"
#include "desktop/shell/StatusBarMenuController.h"
#include "platform/gui/WindowGlass.h"

#include <QCoreApplication>
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
    , m_quickLookPresenter(std::make_unique<QuickLookPresenter>(QuickLookFileActions::system()))
    , m_panelManager(std::make_unique<DesktopPanelManager>(*m_store))
    , m_spotSearchController(std::make_unique<SpotSearchWindowController>(*m_store, *m_panelManager))
    , m_deepLinks(std::make_unique<DeepLinkHandler>(*m_store, *m_panelManager))
{
    // The tray's and the fences' menus: rounded glass windows, shaped where no compositor runs.
    platform::installRoundedMenuGlass(GlassStyle::menuCornerRadius);
    wire();
    if (QCoreApplication* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, &MorvanteelAppRuntime::flushSaves);
}

MorvanteelAppRuntime::~MorvanteelAppRuntime()
{
    flushSaves();
    // The windows go before the manager and the store they read.
    m_deepLinks.reset();
    m_statusBarController.reset();
    m_spotSearchController.reset();
    m_controlCenterController.reset();
    m_panelManager.reset();
    // The preview after everything that shows files in it.
    m_quickLookPresenter.reset();
}

void MorvanteelAppRuntime::wire()
{
    const QPointer<MorvanteelAppRuntime> self(this);
    m_deepLinks->onOpenControlCenter = [self](std::optional<ControlCenterTab> tab) {
        if (self)
            self->controlCenterController().show(tab);
    };
    m_deepLinks->onShowSpotSearch = [self] {
        if (self)
            self->showSpotSearch();
    };
    const QPointer<QuickLookPresenter> preview(m_quickLookPresenter.get());
    m_panelManager->onTogglePreview = [preview](const QUrl& url) {
        if (preview)
            preview->togglePreview(url);
    };
    m_panelManager->onPresentPreview = [preview](const QUrl& url, const QString& title) {
        if (preview)
            preview->present(url, title.isEmpty() ? std::nullopt : std::optional(title));
    };
    m_panelManager->onOpenDeepLink = [self](const QUrl& url) {
        if (self)
            self->handleDeepLinkURL(url);
    };
    // Ctrl+K and a fence's search action toggle the panel.
    m_panelManager->onOpenSpotSearch = [self] {
        if (self)
            self->m_spotSearchController->toggle();
    };
    m_spotSearchController->onOpenControlCenter = [self](std::optional<ControlCenterTab> tab) {
        if (self)
            self->controlCenterController().show(tab);
    };
    // The eye of a file hit always shows the file: pressed again, it must not close the preview.
    m_spotSearchController->onPreview = [preview](const QUrl& url, const QString& title) {
        if (preview)
            preview->present(url, title.isEmpty() ? std::nullopt : std::optional(title));
    };
    m_spotSearchController->onDeepLink = [self](const QUrl& url) {
        if (self)
            self->handleDeepLinkURL(url);
    };
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

void MorvanteelAppRuntime::showSpotSearch()
{
    m_spotSearchController->show();
}

void MorvanteelAppRuntime::handleDeepLinkURL(const QUrl& url)
{
    m_deepLinks->handleDeepLinkURL(url);
}

void MorvanteelAppRuntime::handleDeepLinkURLs(const QStringList& urls)
{
    m_deepLinks->handleDeepLinkURLs(urls);
}

void MorvanteelAppRuntime::reopen()
{
    controlCenterController().show();
}

void MorvanteelAppRuntime::quit()
{
    flushSaves();
    QCoreApplication::quit();
}

void MorvanteelAppRuntime::flushSaves()
{
    m_panelManager->flushPendingSave();
    m_store->flushPendingSaves();
}

void MorvanteelAppRuntime::start()
{
    if (m_didStart)
        return;
    m_didStart = true;
    const QPointer<MorvanteelAppRuntime> self(this);
    StatusBarMenuController::Callbacks callbacks;
    callbacks.onOpenControlCenter = [self](std::optional<ControlCenterTab> tab) {
        if (self)
            self->controlCenterController().show(tab);
    };
    callbacks.onShowSpotSearch = [self] {
        if (self)
            self->showSpotSearch();
    };
    callbacks.onQuit = [self] {
        if (self)
            self->quit();
    };
    m_statusBarController = std::make_unique<StatusBarMenuController>(*m_store, *m_panelManager, std::move(callbacks));
    m_panelManager->syncPanels(false);
    controlCenterController().show(ControlCenterTab::workspaces);
}

} // namespace mv
