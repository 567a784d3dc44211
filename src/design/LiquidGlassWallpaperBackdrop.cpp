#include "design/LiquidGlassWallpaperBackdrop.h"

#include "design/LiquidGlassTokens.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

namespace mv {

LiquidGlassWallpaperBackdrop::LiquidGlassWallpaperBackdrop(DesignEnvironment* environment, WallpaperPreset preset,
                                                           QWidget* parent)
    : QWidget(parent)
    , m_environment(environment)
    , m_preset(preset)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, qOverload<>(&QWidget::update));
}

void LiquidGlassWallpaperBackdrop::setPreset(WallpaperPreset preset)
{
    if (m_preset == preset)
        return;
    m_preset = preset;
    update();
}

void LiquidGlassWallpaperBackdrop::paint(QPainter& painter, const QRectF& rect, WallpaperPreset preset,
                                         ColorScheme scheme)
{
    const auto colors = backdropGradientColors(preset);
    painter.save();
    QLinearGradient base(rect.topLeft(), rect.bottomRight());
    for (int i = 0; i < 4; ++i)
        base.setColorAt(i / 3.0, colors[std::size_t(i)]);
    painter.fillRect(rect, base);

    const auto glow = [&](QPointF centre, const QColor& color, double opacity, qreal startRadius, qreal endRadius) {
        QRadialGradient gradient(centre, endRadius);
        const qreal start = startRadius / endRadius;
        gradient.setColorAt(0, withOpacity(color, opacity));
        gradient.setColorAt(start, withOpacity(color, opacity));
        QColor clear = color;
        clear.setAlphaF(0);
        gradient.setColorAt(1, clear);
        painter.fillRect(rect, gradient);
    };
    glow(rect.topRight(), colors[2], 0.65, 20, 560);
    glow(rect.bottomLeft(), colors[1], 0.55, 30, 620);
    if (scheme == ColorScheme::dark)
        painter.fillRect(rect, withOpacity(Qt::black, 0.18));
    painter.restore();
}

void LiquidGlassWallpaperBackdrop::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, QRectF(rect()), m_preset, environmentOrDefault(m_environment).colorScheme());
}

} // namespace mv
