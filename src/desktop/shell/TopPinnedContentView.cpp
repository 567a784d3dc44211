#include "desktop/shell/TopPinnedContentView.h"

#include <QRegion>

#include <algorithm>
#include <cmath>

namespace mv {

namespace {

// Below this height the corners blend into a capsule, reached at the pill's height.
constexpr double capsuleBlendStartHeight = 58;
constexpr double capsuleBlendSpan = capsuleBlendStartHeight - TopPinnedContentView::collapsedCapsuleHeight;
constexpr double leastRadius = 4;
// Changes this small are not worth a new layout.
constexpr double layoutThreshold = 0.5;

double finiteOr(double value, double fallback)
{
    return std::isfinite(value) ? value : fallback;
}

} // namespace

TopPinnedContentView::TopPinnedContentView(QWidget* content, double expandedHeight, double cornerRadius,
                                           QWidget* parent)
    : QWidget(parent)
    , m_expandedHeight(std::max(finiteOr(expandedHeight, collapsedCapsuleHeight), collapsedCapsuleHeight))
    , m_cornerRadius(finiteOr(cornerRadius, 0))
{
    setHostedView(content);
}

void TopPinnedContentView::setHostedView(QWidget* content)
{
    if (content == m_hosted)
        return;
    if (QWidget* old = m_hosted) {
        old->hide();
        old->deleteLater();
    }
    m_hosted = content;
    if (!content)
        return;
    content->setParent(this);
    layoutHostedView();
    content->show();
}

void TopPinnedContentView::setExpandedHeight(double height)
{
    const double value = std::max(finiteOr(height, m_expandedHeight), collapsedCapsuleHeight);
    const bool moved = std::abs(value - m_expandedHeight) > layoutThreshold;
    m_expandedHeight = value;
    if (moved)
        layoutHostedView();
}

void TopPinnedContentView::setCornerRadius(double radius)
{
    const double value = finiteOr(radius, m_cornerRadius);
    const bool moved = std::abs(value - m_cornerRadius) > layoutThreshold;
    m_cornerRadius = value;
    if (moved)
        layoutHostedView();
}

void TopPinnedContentView::setVisuallyCollapsed(bool collapsed)
{
    if (collapsed == m_isVisuallyCollapsed)
        return;
    m_isVisuallyCollapsed = collapsed;
    layoutHostedView();
}

double TopPinnedContentView::maskRadius(double width, double height, double cornerRadius, bool isVisuallyCollapsed)
{
    double radius = cornerRadius;
    if (isVisuallyCollapsed || height <= capsuleBlendStartHeight) {
        const double t =
            isVisuallyCollapsed ? 1.0 : std::clamp((capsuleBlendStartHeight - height) / capsuleBlendSpan, 0.0, 1.0);
        radius = cornerRadius + (height / 2 - cornerRadius) * t;
    }
    return std::max(std::min(radius, std::min(height, width) / 2), leastRadius);
}

void TopPinnedContentView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutHostedView();
}

void TopPinnedContentView::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    if (const std::function<void(bool)> report = onHoverChanged)
        report(true);
}

void TopPinnedContentView::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (const std::function<void(bool)> report = onHoverChanged)
        report(false);
}

// The content is laid out at the fence's expanded height with its top edge on the view's top
// edge (y 0, Qt counting downward). A view shorter than that (a pill, or a panel in the middle
// of an animation) cuts off the bottom of the content, so it stays in place while the panel
// rolls up and down.
void TopPinnedContentView::layoutHostedView()
{
    if (m_hosted) {
        const double contentHeight = std::max(m_expandedHeight, double(height()));
        m_hosted->setGeometry(0, 0, width(), qRound(contentHeight));
    }
    updateMask();
}

void TopPinnedContentView::updateMask()
{
    if (width() <= 0 || height() <= 0)
        return;
    const double radius = maskRadius(width(), height(), m_cornerRadius, m_isVisuallyCollapsed);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), radius, radius);
    if (shape == m_shape)
        return;
    m_shape = shape;
    setMask(QRegion(shape.toFillPolygon().toPolygon()));
    if (const std::function<void(const QPainterPath&)> report = onShapeChanged)
        report(shape);
}

} // namespace mv
