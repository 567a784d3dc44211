#include "desktop/shell/SpotSearchHUDPanel.h"

#include "design/LiquidGlassSurfaceFrame.h"
#include "desktop/shell/FillingChildView.h"
#include "platform/gui/DesktopWindowLayer.h"
#include "platform/gui/WindowGlass.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace mv {

SpotSearchHUDPanel::SpotSearchHUDPanel()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(panelWidth, panelHeight);
    setWindowTitle(QStringLiteral("SpotSearch"));
    // The native window exists from the start, so that it is first mapped on its layer.
    winId();
    platform::applyDesktopLayer(windowHandle(), platform::DesktopLayer::floating);
    m_glass = new platform::WindowGlass(*this);
    connect(m_glass, &platform::WindowGlass::compositingChanged, this, qOverload<>(&QWidget::update));
}

SpotSearchHUDPanel::~SpotSearchHUDPanel() = default;

void SpotSearchHUDPanel::setContentView(QWidget* view)
{
    replaceFillingChild(*this, m_contentView, view);
    updateGlassOutline();
}

// The outline of the content's glass, where the content wears one.
void SpotSearchHUDPanel::updateGlassOutline()
{
    QPainterPath outline;
    if (const auto* surface = qobject_cast<const LiquidGlassSurfaceFrame*>(m_contentView.data()))
        outline = surface->modifier().shape.path(QRectF(rect()));
    if (outline != m_glass->outline())
        m_glass->setOutline(outline);
}

bool SpotSearchHUDPanel::event(QEvent* event)
{
    const bool result = QWidget::event(event);
    // The content has taken its look by the time the panel is shown.
    if (event->type() == QEvent::Show)
        updateGlassOutline();
    if (event->type() == QEvent::WindowDeactivate)
        Q_EMIT resignedKey();
    return result;
}

void SpotSearchHUDPanel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        const std::function<void()> escape = onEscapePressed;
        if (escape)
            escape();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SpotSearchHUDPanel::mousePressEvent(QMouseEvent* event)
{
    if (!m_backgroundMove.press(*this, *event))
        QWidget::mousePressEvent(event);
}

void SpotSearchHUDPanel::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_backgroundMove.move(*this, *event))
        QWidget::mouseMoveEvent(event);
}

void SpotSearchHUDPanel::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_backgroundMove.release(*event))
        QWidget::mouseReleaseEvent(event);
}

// Without a compositor the see-through glass would lie over black: the panel, which floats over
// ordinary windows and not over the wallpaper, lies over the glass's opaque fill instead.
void SpotSearchHUDPanel::paintEvent(QPaintEvent*)
{
    const auto* surface = qobject_cast<const LiquidGlassSurfaceFrame*>(m_contentView.data());
    if (!surface || !m_glass->needsOpaqueBackdrop())
        return;
    QColor fill = surface->modifier().fallbackFillColor(DesignEnvironment::colorSchemeFromPalette(palette()));
    fill.setAlphaF(1.0);
    QPainter painter(this);
    painter.fillRect(rect(), fill);
}

void SpotSearchHUDPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_contentView)
        m_contentView->setGeometry(rect());
    updateGlassOutline();
}

} // namespace mv
