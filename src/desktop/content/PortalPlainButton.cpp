#include "desktop/content/PortalPlainButton.h"

#include "design/LiquidGlassShapeKind.h"
#include "design/SymbolIcons.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace mv {

PortalPlainButton::PortalPlainButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
}

void PortalPlainButton::changed()
{
    if (!m_labelText.isEmpty())
        setAccessibleName(m_labelText);
    updateGeometry();
    update();
}

void PortalPlainButton::setSymbol(const QString& symbolName, qreal fontSize, const QColor& color)
{
    if (m_symbolName == symbolName && m_symbolFontSize == fontSize && m_symbolColor == color)
        return;
    m_symbolName = symbolName;
    m_symbolFontSize = fontSize;
    m_symbolColor = color;
    changed();
}

void PortalPlainButton::setLabel(const QString& text, const QFont& font, const QColor& color)
{
    if (m_labelText == text && m_labelFont == font && m_labelColor == color)
        return;
    m_labelText = text;
    m_labelFont = font;
    m_labelColor = color;
    setText(text);
    changed();
}

void PortalPlainButton::setSpacing(qreal spacing)
{
    if (m_spacing == spacing)
        return;
    m_spacing = spacing;
    changed();
}

void PortalPlainButton::setPadding(qreal horizontal, qreal vertical)
{
    if (m_paddingH == horizontal && m_paddingV == vertical)
        return;
    m_paddingH = horizontal;
    m_paddingV = vertical;
    changed();
}

void PortalPlainButton::setFill(const QColor& fill)
{
    if (m_fill == fill)
        return;
    m_fill = fill;
    update();
}

qreal PortalPlainButton::symbolSide() const
{
    return m_symbolName.isEmpty() ? 0 : SymbolIcons::sideForFontSize(m_symbolFontSize);
}

QSize PortalPlainButton::sizeHint() const
{
    const QFontMetricsF metrics(m_labelFont);
    const qreal textWidth = m_labelText.isEmpty() ? 0 : metrics.horizontalAdvance(m_labelText);
    const qreal textHeight = m_labelText.isEmpty() ? 0 : metrics.height();
    const qreal side = symbolSide();
    const qreal gap = side > 0 && textWidth > 0 ? m_spacing : 0;
    const qreal width = side + gap + textWidth + 2 * m_paddingH;
    const qreal height = std::max(side, textHeight) + 2 * m_paddingV;
    return QSize(int(std::ceil(width)), int(std::ceil(height)));
}

void PortalPlainButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(rect());
    if (m_fill.alpha() > 0)
        painter.fillPath(LiquidGlassShapeKind::capsule().path(bounds), m_fill);
    // Pressed reads as a dimmed label, as plain buttons do.
    if (isDown())
        painter.setOpacity(0.6);

    const QFontMetricsF metrics(m_labelFont);
    const qreal side = symbolSide();
    const qreal textWidth = m_labelText.isEmpty() ? 0 : metrics.horizontalAdvance(m_labelText);
    const qreal gap = side > 0 && textWidth > 0 ? m_spacing : 0;
    const qreal available = std::max<qreal>(0, bounds.width() - 2 * m_paddingH);
    const qreal contentWidth = std::min(available, side + gap + textWidth);
    qreal x = bounds.center().x() - contentWidth / 2;
    if (side > 0) {
        SymbolIcons::paint(painter, QRectF(x, bounds.center().y() - side / 2, side, side), m_symbolName, side,
                           m_symbolColor);
        x += side + gap;
    }
    if (textWidth > 0) {
        const QRectF textRect(x, bounds.top(), std::max<qreal>(0, bounds.right() - m_paddingH - x), bounds.height());
        painter.setFont(m_labelFont);
        painter.setPen(m_labelColor);
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(m_labelText, Qt::ElideMiddle, textRect.width()));
    }
}

} // namespace mv
