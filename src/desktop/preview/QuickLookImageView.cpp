#include "desktop/preview/QuickLookImageView.h"

#include <QPainter>

namespace mv {

QuickLookImageView::QuickLookImageView(QWidget* parent)
    : QWidget(parent)
{
}

void QuickLookImageView::setImage(QImage image)
{
    m_image = std::move(image);
    m_scaled = QImage();
    update();
}

void QuickLookImageView::paintEvent(QPaintEvent*)
{
    if (m_image.isNull())
        return;
    const qreal ratio = devicePixelRatioF();
    const QSizeF logical = QSizeF(m_image.size()) / ratio;
    QSizeF shown = logical;
    if (shown.width() > width() || shown.height() > height())
        shown = logical.scaled(QSizeF(size()), Qt::KeepAspectRatio);
    const QSize devicePixels = (shown * ratio).toSize().expandedTo(QSize(1, 1));
    // Scaling once per size keeps repaints cheap while the panel is resized.
    if (m_scaled.size() != devicePixels) {
        m_scaled = devicePixels == m_image.size()
            ? m_image
            : m_image.scaled(devicePixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_scaled.setDevicePixelRatio(ratio);
    }
    const QRectF target(QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_scaled);
}

} // namespace mv
