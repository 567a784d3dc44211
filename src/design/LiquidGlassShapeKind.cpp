#include "design/LiquidGlassShapeKind.h"

#include <algorithm>

namespace mv {

QPainterPath LiquidGlassShapeKind::path(const QRectF& rect) const
{
    QPainterPath result;
    if (rect.isEmpty())
        return result;
    const qreal limit = std::min(rect.width(), rect.height()) / 2.0;
    const qreal radius = kind == Kind::capsule ? limit : std::clamp<qreal>(cornerRadius, 0, limit);
    result.addRoundedRect(rect, radius, radius);
    return result;
}

QPainterPath LiquidGlassShapeKind::insetPath(const QRectF& rect, qreal inset) const
{
    LiquidGlassShapeKind inner = *this;
    if (inner.kind == Kind::roundedRect)
        inner.cornerRadius = std::max<qreal>(0.0, inner.cornerRadius - inset);
    return inner.path(rect.adjusted(inset, inset, -inset, -inset));
}

} // namespace mv
