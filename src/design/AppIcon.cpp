#include "design/AppIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace mv::appicon {

QPixmap draw(int side)
{
    side = std::max(side, 8);
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn on the SVG's 64-unit grid.
    painter.scale(side / 64.0, side / 64.0);

    QLinearGradient glass(0, 9, 0, 55);
    glass.setColorAt(0, QColor(0x4f, 0xb3, 0xf5, 235));
    glass.setColorAt(1, QColor(0x15, 0x65, 0xc0, 235));
    painter.setPen(QPen(QColor(0x0b, 0x2f, 0x55), 3));
    painter.setBrush(glass);
    painter.drawRoundedRect(QRectF(5, 9, 54, 46), 12, 12);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 204), 2));
    painter.drawRoundedRect(QRectF(8.5, 12.5, 47, 39), 9, 9);

    painter.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(13, 22), QPointF(51, 22));

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 242));
    painter.drawRoundedRect(QRectF(14, 28, 15, 15), 4, 4);
    painter.drawRoundedRect(QRectF(35, 28, 15, 15), 4, 4);
    return pixmap;
}

QIcon icon()
{
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(draw(side));
    return icon;
}

} // namespace mv::appicon
