#include "design/LiquidGlassButton.h"

#include "design/DesignFonts.h"
#include "design/GlassButtonBackground.h"
#include "design/SymbolIcons.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace mv {

LiquidGlassButton::LiquidGlassButton(DesignEnvironment* environment, QWidget* parent)
    : QAbstractButton(parent)
    , m_environment(environment)
    , m_labelFont(designFont(10.5, QFont::DemiBold))
{
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, qOverload<>(&QWidget::update));
}

void LiquidGlassButton::setSymbolName(const QString& symbolName)
{
    if (m_symbolName == symbolName)
        return;
    m_symbolName = symbolName;
    update();
}

void LiquidGlassButton::setSymbolFont(qreal size, QFont::Weight weight)
{
    m_symbolSize = size;
    m_symbolWeight = weight;
    updateGeometry();
    update();
}

void LiquidGlassButton::setLabelText(const QString& text)
{
    if (m_labelText == text)
        return;
    m_labelText = text;
    updateGeometry();
    update();
}

void LiquidGlassButton::setLabelFont(qreal size, QFont::Weight weight)
{
    m_labelFont = designFont(size, weight);
    updateGeometry();
    update();
}

void LiquidGlassButton::setSpacing(qreal spacing)
{
    m_spacing = spacing;
    updateGeometry();
}

void LiquidGlassButton::setFixedFrame(QSize size)
{
    m_fixedFrame = size;
    if (!size.isEmpty())
        setFixedSize(size);
    updateGeometry();
}

void LiquidGlassButton::setPadding(qreal horizontal, qreal vertical)
{
    m_paddingH = horizontal;
    m_paddingV = vertical;
    updateGeometry();
}

void LiquidGlassButton::setSymbolTransition(const QString& previousSymbol, qreal progress, GlassAnimationKind kind)
{
    m_previousSymbol = previousSymbol;
    m_transitionProgress = std::clamp<qreal>(progress, 0, 1);
    m_transitionKind = kind;
    update();
}

QSize LiquidGlassButton::sizeHint() const
{
    if (!m_fixedFrame.isEmpty())
        return m_fixedFrame;
    const QFontMetricsF metrics(m_labelFont);
    const qreal symbol = m_symbolName.isEmpty() ? 0 : SymbolIcons::sideForFontSize(m_symbolSize);
    qreal width = symbol;
    if (!m_labelText.isEmpty())
        width += (symbol > 0 ? m_spacing : 0) + metrics.horizontalAdvance(m_labelText);
    const qreal height = std::max(symbol, metrics.height());
    return QSize(int(std::ceil(width + 2 * m_paddingH)), int(std::ceil(height + 2 * m_paddingV)));
}

void LiquidGlassButton::paintEvent(QPaintEvent*)
{
    const DesignEnvironment& environment = environmentOrDefault(m_environment);
    QPainter painter(this);
    const QRectF bounds(rect());
    paintGlassButtonBackground(painter, bounds, environment, m_hovered, isDown());
    const QColor foreground = GlassPalette::primaryForeground(environment.colorScheme());
    const qreal symbol = m_symbolName.isEmpty() ? 0 : SymbolIcons::sideForFontSize(m_symbolSize);
    const QFontMetricsF metrics(m_labelFont);
    const qreal textWidth = m_labelText.isEmpty() ? 0 : metrics.horizontalAdvance(m_labelText);
    const qreal contentWidth = symbol + (symbol > 0 && textWidth > 0 ? m_spacing : 0) + textWidth;
    qreal x = bounds.center().x() - contentWidth / 2.0;
    if (symbol > 0) {
        const QRectF symbolRect(x, bounds.top(), symbol, bounds.height());
        const bool changing = m_transitionProgress < 1.0 && !m_previousSymbol.isEmpty() && m_previousSymbol != m_symbolName;
        if (changing && m_transitionKind == GlassAnimationKind::reducedCrossfade) {
            painter.setOpacity(1.0 - m_transitionProgress);
            SymbolIcons::paint(painter, symbolRect, m_previousSymbol, symbol, foreground);
            painter.setOpacity(m_transitionProgress);
            SymbolIcons::paint(painter, symbolRect, m_symbolName, symbol, foreground);
            painter.setOpacity(1.0);
        } else if (changing) {
            painter.save();
            painter.translate(symbolRect.center());
            painter.rotate((1.0 - m_transitionProgress) * 180.0);
            painter.translate(-symbolRect.center());
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            SymbolIcons::paint(painter, symbolRect, m_symbolName, symbol, foreground);
            painter.restore();
        } else {
            SymbolIcons::paint(painter, symbolRect, m_symbolName, symbol, foreground);
        }
        x += symbol + (textWidth > 0 ? m_spacing : 0);
    }
    if (textWidth > 0) {
        painter.setFont(m_labelFont);
        painter.setPen(foreground);
        painter.drawText(QRectF(x, bounds.top(), textWidth + 1, bounds.height()), Qt::AlignVCenter | Qt::AlignLeft,
                         m_labelText);
    }
}

bool LiquidGlassButton::hitButton(const QPoint& pos) const
{
    // A fixed square frame is a circle for the pointer.
    if (!m_fixedFrame.isEmpty() && m_fixedFrame.width() == m_fixedFrame.height()) {
        const QPointF delta = QPointF(pos) - QRectF(rect()).center();
        const qreal radius = m_fixedFrame.width() / 2.0;
        return delta.x() * delta.x() + delta.y() * delta.y() <= radius * radius;
    }
    return QAbstractButton::hitButton(pos);
}

void LiquidGlassButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    m_hovered = true;
    update();
}

void LiquidGlassButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    m_hovered = false;
    update();
}

} // namespace mv
