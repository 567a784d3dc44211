#pragma once

#include <QPainterPath>
#include <QRectF>

namespace mv {

// The outline of a glass surface. Two rounded rectangles are equal when their radii are.
struct LiquidGlassShapeKind {
    enum class Kind { roundedRect, capsule };
    Kind kind = Kind::roundedRect;
    double cornerRadius = 0; // roundedRect only

    static LiquidGlassShapeKind roundedRect(double cornerRadius) { return {Kind::roundedRect, cornerRadius}; }
    static LiquidGlassShapeKind capsule() { return {Kind::capsule, 0}; }

    bool operator==(const LiquidGlassShapeKind& other) const
    {
        if (kind != other.kind)
            return false;
        return kind == Kind::capsule || cornerRadius == other.cornerRadius;
    }

    // The outline in `rect`: a capsule's radius is half the shorter side. Continuous corners
    // are drawn as circular arcs.
    QPainterPath path(const QRectF& rect) const;
    // The outline moved inwards by `inset`, so that a stroke of twice that width lies inside
    // the edge.
    QPainterPath insetPath(const QRectF& rect, qreal inset) const;
};

} // namespace mv
