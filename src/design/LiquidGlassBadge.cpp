#include "design/LiquidGlassBadge.h"

#include "design/DesignFonts.h"
#include "design/LiquidGlassShapeKind.h"
#include "design/LiquidGlassTokens.h"
#include "design/SymbolIcons.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace mv {

namespace {

constexpr qreal badgeSymbolSize = 9.5;
constexpr qreal badgeTextSize = 10.5;

} // namespace

LiquidGlassBadge::LiquidGlassBadge(DesignEnvironment* environment, const QString& text, FenceTintPalette tint,
                                   const std::optional<QString>& systemImage, QWidget* parent)
    : QWidget(parent)
    , m_environment(environment)
    , m_text(text)
    , m_tint(tint)
    , m_systemImage(systemImage)
{
    setAccessibleName(text);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, qOverload<>(&QWidget::update));
}

void LiquidGlassBadge::setText(const QString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void LiquidGlassBadge::setTint(FenceTintPalette tint)
{
    if (m_tint == tint)
        return;
    m_tint = tint;
    update();
}

void LiquidGlassBadge::setSystemImage(const std::optional<QString>& systemImage)
{
    if (m_systemImage == systemImage)
        return;
    m_systemImage = systemImage;
    updateGeometry();
    update();
}

QSizeF LiquidGlassBadge::sizeFor(const QString& text, const std::optional<QString>& systemImage)
{
    const QFontMetricsF metrics(designFont(badgeTextSize, QFont::DemiBold));
    const qreal symbol = systemImage ? SymbolIcons::sideForFontSize(badgeSymbolSize) : 0;
    const qreal textWidth = metrics.horizontalAdvance(text);
    const qreal width = symbol + (symbol > 0 ? 4 : 0) + textWidth;
    const qreal height = std::max(symbol, metrics.height());
    return QSizeF(width + 14, height + 6);
}

void LiquidGlassBadge::paint(QPainter& painter, const QRectF& rect, const QString& text, FenceTintPalette tint,
                             const std::optional<QString>& systemImage, ColorScheme scheme)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = scheme == ColorScheme::dark;
    const QColor tintColor = swiftUIColor(tint);
    painter.fillPath(LiquidGlassShapeKind::capsule().path(rect), withOpacity(tintColor, dark ? 0.24 : 0.16));
    painter.setPen(QPen(withOpacity(tintColor, 0.35), 0.6));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(LiquidGlassShapeKind::capsule().insetPath(rect, 0.3));

    const QColor foreground = dark ? withOpacity(Qt::white, 0.92) : withOpacity(GlassPalette::primary(scheme), 0.86);
    const QRectF content = rect.adjusted(7, 3, -7, -3);
    qreal x = content.left();
    if (systemImage) {
        const qreal side = SymbolIcons::sideForFontSize(badgeSymbolSize);
        SymbolIcons::paint(painter, QRectF(x, content.top(), side, content.height()), *systemImage, side, foreground);
        x += side + 4;
    }
    const QFont font = designFont(badgeTextSize, QFont::DemiBold);
    painter.setFont(font);
    painter.setPen(foreground);
    const QRectF textRect(x, rect.top(), std::max<qreal>(0, content.right() - x + 1), rect.height());
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
                     QFontMetricsF(font).elidedText(text, Qt::ElideRight, textRect.width()));
    painter.restore();
}

QSize LiquidGlassBadge::sizeHint() const
{
    return sizeFor(m_text, m_systemImage).toSize().grownBy(QMargins(0, 0, 1, 0));
}

void LiquidGlassBadge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, QRectF(rect()), m_text, m_tint, m_systemImage, environmentOrDefault(m_environment).colorScheme());
}

} // namespace mv
