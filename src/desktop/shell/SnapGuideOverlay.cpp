#include "desktop/shell/SnapGuideOverlay.h"

#include "platform/gui/DesktopWindowLayer.h"
#include "platform/gui/WindowGlass.h"

#include <QPainter>
#include <QPainterPathStroker>
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
    m_glass = new platform::WindowGlass(*this, platform::WindowGlass::Blur::none);
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
    m_glass->setOutline(guideOutline());
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

QPen SnapGuideOverlay::guidePen() const
{
    QPen pen(QColor(50, 173, 230, int(0.75 * 255)), 1.25);
    pen.setDashPattern({5 / 1.25, 4 / 1.25}); // in pen widths: 5 on, 4 off
    return pen;
}

QPainterPath SnapGuideOverlay::guideOutline() const
{
    QPainterPath lines;
    for (const QLineF& line : guideLines()) {
        lines.moveTo(line.p1());
        lines.lineTo(line.p2());
    }
    // A little wider than the pen, so that the shape's whole pixels hold its antialiased edge.
    const QPen pen = guidePen();
    QPainterPathStroker stroker(pen);
    stroker.setWidth(pen.widthF() + 1);
    stroker.setDashPattern(QList<qreal>{5 / (pen.widthF() + 1), 4 / (pen.widthF() + 1)});
    return stroker.createStroke(lines);
}

void SnapGuideOverlay::paintEvent(QPaintEvent*)
{
    if (m_guides.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(guidePen());
    for (const QLineF& line : guideLines())
        painter.drawLine(line);
}

} // namespace mv
