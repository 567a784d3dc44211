#include "design/LiquidGlassSurfaceModifier.h"

#include "design/LiquidGlassTokens.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

namespace mv {

double LiquidGlassSurfaceModifier::strength() const
{
    return std::clamp(glassOpacity / 0.72, 0.35, 1.35);
}

QColor LiquidGlassSurfaceModifier::glassTintColor() const
{
    if (tint == FenceTintPalette::crystal)
        return withOpacity(Qt::white, strength() * 0.14);
    return withOpacity(swiftUIColor(tint), strength() * 0.22);
}

double LiquidGlassSurfaceModifier::fallbackOpacity() const
{
    return std::clamp(0.86 + 0.12 * glassOpacity, 0.86, 0.98);
}

QColor LiquidGlassSurfaceModifier::fallbackFillColor(ColorScheme scheme) const
{
    const QColor base = scheme == ColorScheme::dark ? QColor::fromRgbF(0.11f, 0.13f, 0.18f)
                                                    : QColor::fromRgbF(0.96f, 0.97f, 0.99f);
    return withOpacity(base, fallbackOpacity());
}

QColor LiquidGlassSurfaceModifier::hairlineColor(const DesignEnvironment& environment) const
{
    if (isHighlighted)
        return withOpacity(swiftUIColor(tint), 0.9);
    const bool dark = environment.isDark();
    if (!environment.reduceTransparency())
        return withOpacity(Qt::white, dark ? 0.20 : 0.45);
    return dark ? withOpacity(Qt::white, 0.22) : withOpacity(Qt::black, 0.14);
}

double LiquidGlassSurfaceModifier::hairlineWidth(const DesignEnvironment& environment) const
{
    if (isHighlighted)
        return 1.8;
    return environment.reduceTransparency() ? 1.0 : 0.75;
}

void LiquidGlassSurfaceModifier::paintBackground(QPainter& painter, const QRectF& rect,
                                                 const DesignEnvironment& environment, bool hovered) const
{
    const QPainterPath outline = shape.path(rect);
    if (outline.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    if (environment.reduceTransparency()) {
        painter.fillPath(outline, fallbackFillColor(environment.colorScheme()));
        painter.fillPath(outline, withOpacity(swiftUIColor(tint), 0.10));
    } else {
        // The regular glass blurs what lies behind the window; here a frosted wash stands in,
        // then the tint, then a sheen across the upper part where the glass catches the light.
        painter.fillPath(outline, GlassPalette::regularGlassBase(environment.colorScheme()));
        painter.fillPath(outline, glassTintColor());
        if (interactive && hovered)
            painter.fillPath(outline, withOpacity(Qt::white, 0.06));
        QLinearGradient sheen(rect.topLeft(), QPointF(rect.left(), rect.top() + rect.height() * 0.45));
        sheen.setColorAt(0, withOpacity(Qt::white, environment.isDark() ? 0.07 : 0.12));
        sheen.setColorAt(1, withOpacity(Qt::white, 0));
        painter.fillPath(outline, sheen);
    }
    painter.restore();
}

void LiquidGlassSurfaceModifier::paintHairline(QPainter& painter, const QRectF& rect,
                                               const DesignEnvironment& environment) const
{
    const qreal width = hairlineWidth(environment);
    const QPainterPath line = shape.insetPath(rect, width / 2.0);
    if (line.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    if (environment.reduceTransparency()) {
        painter.setPen(QPen(hairlineColor(environment), width));
    } else {
        QLinearGradient gradient(rect.topLeft(), rect.bottomRight());
        gradient.setColorAt(0, hairlineColor(environment));
        gradient.setColorAt(1, withOpacity(swiftUIColor(tint), isHighlighted ? 0.65 : 0.16));
        painter.setPen(QPen(QBrush(gradient), width));
    }
    painter.drawPath(line);
    painter.restore();
}

LiquidGlassSurfaceModifier liquidGlassSurface(FenceTintPalette tint, double cornerRadius, double glassOpacity,
                                              bool interactive, bool isCapsule, bool isHighlighted)
{
    return {tint, isCapsule ? LiquidGlassShapeKind::capsule() : LiquidGlassShapeKind::roundedRect(cornerRadius),
            glassOpacity, interactive, isHighlighted};
}

LiquidGlassSurfaceModifier liquidGlassCapsule(FenceTintPalette tint, double glassOpacity, bool interactive,
                                              bool isHighlighted)
{
    return {tint, LiquidGlassShapeKind::capsule(), glassOpacity, interactive, isHighlighted};
}

} // namespace mv
