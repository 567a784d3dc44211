#include "desktop/preview/QuickLookPresenter.h"

#include "design/DesignEnvironment.h"
#include "desktop/preview/QuickLookPaths.h"
#include "desktop/preview/QuickLookPlacement.h"
#include "desktop/preview/QuickLookPreviewLoader.h"

#include <QDir>
#include <QPropertyAnimation>

namespace mv {

QuickLookPresenter::QuickLookPresenter(QuickLookFileActions actions, DesignEnvironment* environment,
                                       QuickLookPreviewLimits limits, QObject* parent)
    : QObject(parent)
    , m_actions(std::move(actions))
    , m_limits(limits)
    , m_hudEnvironment(new DesignEnvironment(this))
{
    // A HUD is dark in either appearance; the accessibility settings follow the program's.
    m_hudEnvironment->setColorScheme(ColorScheme::dark);
    if (environment) {
        const QPointer<DesignEnvironment> source(environment);
        const auto follow = [this, source] {
            if (!source)
                return;
            m_hudEnvironment->setReduceTransparency(source->reduceTransparency());
            m_hudEnvironment->setReduceMotion(source->reduceMotion());
        };
        follow();
        connect(environment, &DesignEnvironment::changed, this, follow);
    } else {
        m_hudEnvironment->readFromDesktop();
        m_hudEnvironment->setColorScheme(ColorScheme::dark);
    }
}

QuickLookPresenter::~QuickLookPresenter()
{
    stopFade();
    delete m_panel.data();
}

void QuickLookPresenter::ensurePanel()
{
    if (m_panel)
        return;
    auto* panel = new QuickLookHUDPanel(m_hudEnvironment);
    panel->resize(initialSize);
    panel->setMinimumSize(minimumSize);

    const QPointer<QuickLookPresenter> self(this);
    panel->onDismissKey = [self] {
        if (self)
            self->dismiss();
    };
    panel->onWindowWillClose = [self] {
        if (self)
            self->windowWillClose();
    };

    auto* header = new QuickLookHeaderStrip(m_hudEnvironment);
    header->setFile(QUrl::fromLocalFile(QDir::homePath()), QStringLiteral("预览"));
    header->onRevealInFinder = [self] {
        if (self && self->m_header && self->m_actions.revealInFileManager)
            self->m_actions.revealInFileManager(self->m_header->url());
    };
    header->onOpenExternal = [self] {
        if (!self || !self->m_header)
            return;
        if (self->m_actions.openExternal)
            self->m_actions.openExternal(self->m_header->url());
        if (self)
            self->dismiss();
    };
    header->onClose = [self] {
        if (self)
            self->dismiss();
    };
    auto* container = new QuickLookContainerView;

    panel->setHeader(header);
    panel->setPreviewArea(container);
    m_panel = panel;
    m_header = header;
    m_container = container;
}

void QuickLookPresenter::present(const QUrl& url, const std::optional<QString>& title)
{
    const QUrl file = standardizedPreviewURL(url);
    m_currentURL = file;
    ensurePanel();

    const QString shownTitle = title && !title->isEmpty() ? *title : quicklook::itemName(file);
    m_header->setFile(file, shownTitle);
    m_container->setPreview(loadQuickLookPreview(file, m_limits));

    if (m_panel->isVisible()) {
        // Another file while open: swapped in place, where the user put the panel. One that
        // comes while the panel fades out keeps it on screen.
        if (m_isFadingOut) {
            m_isFadingOut = false;
            fadeTo(1.0, fadeInMs);
        }
        m_panel->raise();
        m_panel->activateWindow();
        return;
    }

    stopFade();
    m_isFadingOut = false;
    if (const std::optional<QPoint> origin = quicklook::openingOrigin(m_panel->size()))
        m_panel->move(*origin);
    m_panel->setWindowOpacity(0.0);
    m_panel->show();
    m_panel->raise();
    m_panel->activateWindow();
    fadeTo(1.0, fadeInMs);
}

void QuickLookPresenter::togglePreview(const QUrl& url, const std::optional<QString>& title)
{
    if (isVisible() && m_currentURL && *m_currentURL == standardizedPreviewURL(url)) {
        dismiss();
        return;
    }
    present(url, title);
}

void QuickLookPresenter::dismiss()
{
    if (!isVisible() || m_isFadingOut)
        return;
    m_currentURL.reset();
    m_isFadingOut = true;
    fadeTo(0.0, fadeOutMs);
}

bool QuickLookPresenter::isVisible() const
{
    return m_panel && m_panel->isVisible();
}

void QuickLookPresenter::fadeTo(double alpha, int durationMs)
{
    stopFade();
    auto* animation = new QPropertyAnimation(m_panel, QByteArrayLiteral("windowOpacity"), m_panel);
    animation->setDuration(durationMs);
    animation->setEndValue(alpha);
    connect(animation, &QAbstractAnimation::finished, this, [this, animation] {
        if (m_fade != animation)
            return;
        m_fade = nullptr;
        if (m_isFadingOut)
            finishFadeOut();
    });
    m_fade = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

// Stops a running fade where it is, without its completion.
void QuickLookPresenter::stopFade()
{
    if (QPropertyAnimation* running = m_fade) {
        m_fade = nullptr;
        running->stop();
    }
}

// The fade-out's end: the panel orders out, ready at full opacity for the next showing, and
// lets go of what it showed.
void QuickLookPresenter::finishFadeOut()
{
    m_isFadingOut = false;
    if (m_panel) {
        m_panel->hide();
        m_panel->setWindowOpacity(1.0);
    }
    if (m_container)
        m_container->clear();
}

// The window's own close orders the panel out at once; the next showing is centred and fades
// in again.
void QuickLookPresenter::windowWillClose()
{
    stopFade();
    m_isFadingOut = false;
    m_currentURL.reset();
    if (m_container)
        m_container->clear();
    if (m_panel)
        m_panel->setWindowOpacity(1.0);
}

} // namespace mv
