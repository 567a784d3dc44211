#include "design/PopoverPlacement.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace mv {

namespace {

// Between the anchor's edge and the popover.
constexpr int gap = 6;

} // namespace

QPoint popoverOriginBelow(const QWidget& anchor, const QSize& size)
{
    QPoint origin = anchor.mapToGlobal(QPoint(anchor.width() / 2 - size.width() / 2, anchor.height() + gap));
    if (const QScreen* screen = anchor.screen()) {
        const QRect room = screen->availableGeometry();
        origin.setX(std::clamp(origin.x(), room.left(), std::max(room.left(), room.right() - size.width())));
        if (origin.y() + size.height() > room.bottom())
            origin.setY(std::max(room.top(), anchor.mapToGlobal(QPoint(0, 0)).y() - size.height() - gap));
    }
    return origin;
}

} // namespace mv
