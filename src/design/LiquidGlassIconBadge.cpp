#include "design/LiquidGlassIconBadge.h"

#include "design/LiquidGlassShapeKind.h"
#include "design/LiquidGlassTokens.h"
#include "design/SymbolIcons.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace mv {

LiquidGlassIconBadge::LiquidGlassIconBadge(DesignEnvironment* environment, const QString& systemName,
                                           FenceTintPalette tint, qreal size, QWidget* parent)
    : QWidget(parent)
    , m_environment(environment)
    , m_systemName(systemName)
    , m_tint(tint)
    , m_size(size)
{
    const int side = int(std::lround(size));
    setFixedSize(side, side);
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, qOverload<>(&QWidget::update));
}

void LiquidGlassIconBadge::setSystemName(const QString& systemName)
{
    if (m_systemName == systemName)
        return;
    m_systemName = systemName;
    update();
}

void LiquidGlassIconBadge::setTint(FenceTintPalette tint)
{
    if (m_tint == tint)
        return;
    m_tint = tint;
    update();
}

void LiquidGlassIconBadge::paint(QPainter& painter, const QRectF& rect, const QString& systemName,
                                 FenceTintPalette tint, ColorScheme scheme)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal size = std::min(rect.width(), rect.height());
    const QRectF square(rect.center().x() - size / 2, rect.center().y() - size / 2, size, size);
    const LiquidGlassShapeKind shape = LiquidGlassShapeKind::roundedRect(0.28 * size);
    const QColor tintColor = swiftUIColor(tint);
    QLinearGradient fill(square.topLeft(), square.bottomRight());
    fill.setColorAt(0, withOpacity(tintColor, 0.38));
    fill.setColorAt(1, withOpacity(tintColor, 0.18));
    painter.fillPath(shape.path(square), fill);
    painter.setPen(QPen(withOpacity(Qt::white, 0.32), 0.75));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shape.insetPath(square, 0.375));
    const qreal side = SymbolIcons::sideForFontSize(0.46 * size);
    SymbolIcons::paint(painter, square, systemName, side, GlassPalette::primaryForeground(scheme));
    painter.restore();
}

void LiquidGlassIconBadge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, QRectF(rect()), m_systemName, m_tint, environmentOrDefault(m_environment).colorScheme());
}

} // namespace mv
