#pragma once

#include "core/models/ModelEnums.h"
#include "design/DesignEnvironment.h"
#include "design/LiquidGlassShapeKind.h"

#include <QColor>

class QPainter;

namespace mv {

// The glass that a view wears: a tinted wash with a hairline inside the edge, or, under reduce
// transparency, an opaque fill with a faint tint and a plain hairline. Never a shadow.
struct LiquidGlassSurfaceModifier {
    FenceTintPalette tint = FenceTintPalette::crystal;
    LiquidGlassShapeKind shape;
    double glassOpacity = 0.72; // the neutral value of the strength scaling
    bool interactive = false;
    bool isHighlighted = false;

    // k = glassOpacity / 0.72, clamped to 0.35 ... 1.35.
    double strength() const;
    // White at k × 0.14 for crystal, else the tint colour at k × 0.22.
    QColor glassTintColor() const;
    // 0.86 + 0.12 × glassOpacity, clamped to 0.86 ... 0.98.
    double fallbackOpacity() const;
    QColor fallbackFillColor(ColorScheme scheme) const;
    QColor hairlineColor(const DesignEnvironment& environment) const;
    double hairlineWidth(const DesignEnvironment& environment) const;

    // What lies behind the content, and the hairline over it. `hovered` lets interactive glass
    // brighten under the pointer.
    void paintBackground(QPainter& painter, const QRectF& rect, const DesignEnvironment& environment,
                         bool hovered = false) const;
    void paintHairline(QPainter& painter, const QRectF& rect, const DesignEnvironment& environment) const;

    bool operator==(const LiquidGlassSurfaceModifier&) const = default;
};

// The two shorthands of the glass look.
LiquidGlassSurfaceModifier liquidGlassSurface(FenceTintPalette tint, double cornerRadius, double glassOpacity,
                                              bool interactive, bool isCapsule, bool isHighlighted);
LiquidGlassSurfaceModifier liquidGlassCapsule(FenceTintPalette tint, double glassOpacity, bool interactive,
                                              bool isHighlighted);

} // namespace mv
