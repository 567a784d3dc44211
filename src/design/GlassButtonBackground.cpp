#include "design/GlassButtonBackground.h"

#include "design/LiquidGlassSurfaceModifier.h"
#include "design/LiquidGlassTokens.h"

#include <QPainter>

namespace mv {

void paintGlassButtonBackground(QPainter& painter, const QRectF& rect, const DesignEnvironment& environment,
                                bool hovered, bool pressed)
{
    const LiquidGlassSurfaceModifier glass{FenceTintPalette::crystal, LiquidGlassShapeKind::capsule(), 0.72, true, false};
    const QPainterPath outline = glass.shape.path(rect);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = environment.isDark();
    if (environment.reduceTransparency()) {
        painter.fillPath(outline, glass.fallbackFillColor(environment.colorScheme()));
    } else {
        painter.fillPath(outline, GlassPalette::regularGlassBase(environment.colorScheme()));
        painter.fillPath(outline, withOpacity(Qt::white, dark ? 0.06 : 0.22));
    }
    if (hovered)
        painter.fillPath(outline, withOpacity(GlassPalette::primary(environment.colorScheme()), 0.06));
    if (pressed)
        painter.fillPath(outline, withOpacity(GlassPalette::primary(environment.colorScheme()), 0.10));
    painter.restore();
    glass.paintHairline(painter, rect, environment);
}

} // namespace mv
