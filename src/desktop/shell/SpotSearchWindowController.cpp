#include "desktop/shell/SpotSearchWindowController.h"

#include "core/models/DeepLink.h"
#include "core/store/MorvanteelStore.h"
#include "design/DesignEnvironment.h"
#include "desktop/shell/DesktopPanelManager.h"
#include "desktop/shell/SpotSearchHUDPanel.h"
#include "desktop/shell/SpotSearchHUDView.h"

#include <QGuiApplication>
#include <QPropertyAnimation>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace mv {

SpotSearchWindowController::SpotSearchWindowController(MorvanteelStore& store, DesktopPanelManager& panelManager,
                                                       QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_panelManager(panelManager)
    , m_design(new DesignEnvironment(this))
{
    m_design->readFromDesktop();
    placementArea = &SpotSearchWindowController::mainScreenArea;
}

// The panel and its view go before the design environment they refer to.
SpotSearchWindowController::~SpotSearchWindowController()
{
    stopFade();
    m_panel.reset();
}

QPoint SpotSearchWindowController::panelOrigin(const QRect& area, const QSize& panelSize)
{
    const double x = area.x() + area.width() / 2.0 - panelSize.width() / 2.0;
    const double top = area.y() + std::max(0.16 * area.height(), 80.0);
    return QPoint(int(std::lround(x)), int(std::lround(top)));
}

std::optional<QRect> SpotSearchWindowController::mainScreenArea()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen && !QGuiApplication::screens().isEmpty())
        screen = QGuiApplication::screens().constFirst();
    if (!screen)
        return std::nullopt;
    return screen->availableGeometry();
}

SpotSearchHUDPanel& SpotSearchWindowController::ensurePanel()
{
    if (m_panel)
        return *m_panel;
    m_panel = std::make_unique<SpotSearchHUDPanel>();
    const QPointer<SpotSearchWindowController> self(this);
    m_panel->onEscapePressed = [self] {
        if (self)
            self->dismiss();
    };
    // Clicking elsewhere, or another window (the preview's, a fence's) becoming active.
    connect(m_panel.get(), &SpotSearchHUDPanel::resignedKey, this, &SpotSearchWindowController::dismiss);

    auto* view = new SpotSearchHUDView(m_store, m_design);
    view->setObjectName(QStringLiteral("spotSearchView"));
    view->onActivateResult = [self](const SpotSearchResult& result) {
        if (self)
            self->executeResult(result);
    };
    view->onPreviewFile = [self](const QUrl& url, const QString& title) {
        if (!self)
            return;
        const auto preview = self->onPreview;
        if (preview)
            preview(url, title);
    };
    view->onDismiss = [self] {
        if (self)
            self->dismiss();
    };
    m_panel->setContentView(view);
    m_view = view;
    return *m_panel;
}

void SpotSearchWindowController::place()
{
    const std::optional<QRect> area = placementArea ? placementArea() : std::nullopt;
    // Without a screen the panel stays where it was.
    if (!area)
        return;
    m_panel->move(panelOrigin(*area, m_panel->size()));
}

void SpotSearchWindowController::show()
{
    SpotSearchHUDPanel& panel = ensurePanel();
    // A fade-out still running must not order the panel out after this showing.
    stopFade();
    m_isDismissing = false;
    m_view->reset();
    place();
    panel.setWindowOpacity(0.0);
    panel.show();
    panel.raise();
    panel.activateWindow();
    fadeTo(1.0, fadeInMs, false);
}

void SpotSearchWindowController::dismiss()
{
    if (!isVisible())
        return;
    fadeTo(0.0, fadeOutMs, true);
}

void SpotSearchWindowController::toggle()
{
    if (isVisible())
        dismiss();
    else
        show();
}

bool SpotSearchWindowController::isVisible() const
{
    return m_panel && m_panel->isVisible() && !m_isDismissing;
}

void SpotSearchWindowController::fadeTo(double alpha, int durationMs, bool orderOutWhenDone)
{
    stopFade();
    auto* animation = new QPropertyAnimation(m_panel.get(), QByteArrayLiteral("windowOpacity"), m_panel.get());
    animation->setDuration(durationMs);
    animation->setEndValue(alpha);
    m_isDismissing = orderOutWhenDone;
    if (orderOutWhenDone) {
        connect(animation, &QAbstractAnimation::finished, this, [this, animation] {
            if (m_fade != animation || !m_isDismissing)
                return;
            m_fade = nullptr;
            // Still going while it hides: the loss of key status that hiding brings must not
            // start another fade.
            m_panel->hide();
            m_panel->setWindowOpacity(1.0);
            m_isDismissing = false;
        });
    }
    m_fade = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void SpotSearchWindowController::stopFade()
{
    if (QPropertyAnimation* running = m_fade) {
        m_fade = nullptr;
        running->stop();
    }
}

void SpotSearchWindowController::executeResult(const SpotSearchResult& chosen)
{
    // A copy: acting may show the panel afresh, which searches again.
    const SpotSearchResult hit = chosen;
    const auto openOrReveal = [this, &hit] {
        if (hit.targetURL) {
            const auto open = opener.openURL;
            if (open)
                open(*hit.targetURL);
        } else if (hit.fenceID) {
            m_panelManager.revealFence(*hit.fenceID);
        }
    };

    switch (hit.category) {
    case SpotSearchCategory::fence:
    case SpotSearchCategory::note:
        if (hit.fenceID) {
            if (hit.tabID)
                m_store.selectTab(*hit.fenceID, *hit.tabID);
            m_panelManager.revealFence(*hit.fenceID);
        }
        dismiss();
        return;
    case SpotSearchCategory::portalFile:
        openOrReveal();
        dismiss();
        return;
    case SpotSearchCategory::task:
        // The panel stays open, so that several tasks can be ticked in a row.
        if (hit.fenceID && hit.taskID)
            m_store.toggleTask(*hit.taskID, *hit.fenceID);
        return;
    case SpotSearchCategory::item:
        if (hit.fenceID && hit.itemID) {
            runItem(*hit.fenceID, *hit.itemID);
        } else {
            openOrReveal();
            dismiss();
        }
        return;
    case SpotSearchCategory::command:
        if (hit.targetURL) {
            if (const std::optional<MorvanteelDeepLink> link = MorvanteelDeepLink::fromURL(*hit.targetURL)) {
                dismiss();
                handleDeepLink(*link);
                return;
            }
        }
        openOrReveal();
        dismiss();
        return;
    }
}

void SpotSearchWindowController::runItem(const QUuid& fenceID, const QUuid& itemID)
{
    // Read afresh: the hit is what the list showed, the store is what holds.
    const std::optional<FenceModel> fence = m_store.fence(fenceID);
    const std::optional<FenceItem> item = fence ? fenceItem(*fence, itemID) : std::nullopt;
    if (!item) {
        m_panelManager.revealFence(fenceID);
        dismiss();
        return;
    }
    const QPointer<SpotSearchWindowController> self(this);
    const CuratedLaunchOutcome outcome = launchCuratedItem(*item, m_store, opener, [self](const QUrl& url) {
        if (!self)
            return;
        // Gone first, so that a link that shows this panel shows it afresh.
        self->dismiss();
        if (const std::optional<MorvanteelDeepLink> link = MorvanteelDeepLink::fromURL(url)) {
            self->handleDeepLink(*link);
        } else if (const auto follow = self->onDeepLink) {
            follow(url);
        }
    });
    if (!self || outcome == CuratedLaunchOutcome::followedOwnLink)
        return;
    // An item that cannot be opened shows its fence as well.
    if (outcome == CuratedLaunchOutcome::refused)
        m_panelManager.revealFence(fenceID);
    dismiss();
}

void SpotSearchWindowController::handleDeepLink(const MorvanteelDeepLink& link)
{
    if (link.as<MorvanteelDeepLink::SpotSearch>()) {
        show();
        return;
    }
    if (link.as<MorvanteelDeepLink::SmartTidy>()) {
        const auto open = onOpenControlCenter;
        if (open)
            open(ControlCenterTab::smartRules);
        return;
    }
    const auto follow = onDeepLink;
    if (follow)
        follow(link.url());
}

} // namespace mv
