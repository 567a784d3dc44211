#include "design/GlassSymbolMark.h"

#include "design/SymbolIcons.h"

#include <QPainter>

#include <cmath>

namespace mv {

GlassSymbolMark::GlassSymbolMark(const QString& symbolName, qreal fontSize, QWidget* parent)
    : QWidget(parent)
    , m_symbolName(symbolName)
    , m_fontSize(fontSize)
    , m_color(Qt::black)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void GlassSymbolMark::setSymbolName(const QString& symbolName)
{
    if (m_symbolName == symbolName)
        return;
    m_symbolName = symbolName;
    update();
}

void GlassSymbolMark::setColor(const QColor& color)
{
    if (m_color == color)
        return;
    m_color = color;
    update();
}

QSize GlassSymbolMark::sizeHint() const
{
    const int side = int(std::ceil(SymbolIcons::sideForFontSize(m_fontSize)));
    return QSize(side, side);
}

void GlassSymbolMark::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    SymbolIcons::paint(painter, QRectF(rect()), m_symbolName, SymbolIcons::sideForFontSize(m_fontSize), m_color);
}

} // namespace mv
