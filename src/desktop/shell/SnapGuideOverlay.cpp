#include "desktop/shell/SnapGuideOverlay.h"

#include "platform/gui/DesktopWindowLayer.h"

#include <QPainter>
#include <QPen>

namespace mv {

SnapGuideOverlay::SnapGuideOverlay()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowTransparentForInput
                           | Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_ShowWithoutActivating);
    winId();
    platform::applyDesktopLayer(windowHandle(), platform::DesktopLayer::floating);
}

void SnapGuideOverlay::showGuides(const QList<SnapGuideLine>& guides, const FenceFrameRect& screenFrame,
                                  const QRect& screenGeometry)
{
    if (guides.isEmpty()) {
        hideGuides();
        return;
    }
    if (geometry() != screenGeometry)
        setGeometry(screenGeometry);
    m_guides = guides;
    m_screenFrame = screenFrame;
    update();
    if (!isVisible())
        show();
}

void SnapGuideOverlay::hideGuides()
{
    m_guides.clear();
    update();
    if (isVisible())
        hide();
}

QList<QLineF> SnapGuideOverlay::guideLines() const
{
    QList<QLineF> lines;
    const double w = width();
    const double h = height();
    for (const SnapGuideLine& guide : m_guides) {
        if (guide.axis == SnapGuideAxis::vertical) {
            const double x = guide.position - m_screenFrame.minX();
            lines.append(QLineF(x, 0, x, h));
        } else {
            // Model y grows upward from the screen's bottom edge.
            const double y = h - (guide.position - m_screenFrame.minY());
            lines.append(QLineF(0, y, w, y));
        }
    }
    return lines;
}

void SnapGuideOverlay::paintEvent(QPaintEvent*)
{
    if (m_guides.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(50, 173, 230, int(0.75 * 255)), 1.25);
    pen.setDashPattern({5 / 1.25, 4 / 1.25}); // in pen widths: 5 on, 4 off
    painter.setPen(pen);
    for (const QLineF& line : guideLines())
        painter.drawLine(line);
}

} // namespace mv
