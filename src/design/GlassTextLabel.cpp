#include "design/GlassTextLabel.h"

#include "design/DesignFonts.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

namespace mv {

QStringList layoutTextLines(const QString& text, const QFont& font, qreal width, int maximumLines,
                            Qt::TextElideMode elideMode)
{
    QStringList lines;
    if (text.isEmpty() || width <= 0)
        return lines;
    const QFontMetricsF metrics(font);
    // Line breaks in user text count as spaces on glass: labels are one paragraph.
    QString flat = text;
    flat.replace(u'\n', u' ');
    flat.replace(QChar::LineSeparator, u' ');
    QTextLayout layout(flat, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    while (lines.size() < maximumLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        if (lines.size() == maximumLines - 1) {
            lines.append(metrics.elidedText(flat.mid(line.textStart()), elideMode, width));
            break;
        }
        lines.append(flat.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    return lines;
}

GlassTextLabel* makeGlassTextLabel(const QString& text, const QFont& font, QWidget* parent)
{
    auto* label = new GlassTextLabel(parent);
    label->setText(text);
    label->setFont(font);
    return label;
}

GlassTextLabel::GlassTextLabel(QWidget* parent)
    : QWidget(parent)
    , m_font(designFont(13))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void GlassTextLabel::setText(const QString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void GlassTextLabel::setFont(const QFont& font)
{
    if (m_font == font)
        return;
    m_font = font;
    updateGeometry();
    update();
}

void GlassTextLabel::setColor(const QColor& color)
{
    if (m_color == color)
        return;
    m_color = color;
    update();
}

void GlassTextLabel::setMaximumLines(int lines)
{
    m_maximumLines = std::max(1, lines);
    updateGeometry();
    update();
}

void GlassTextLabel::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

void GlassTextLabel::setStrikeOut(bool strikeOut)
{
    if (m_font.strikeOut() == strikeOut)
        return;
    m_font.setStrikeOut(strikeOut);
    update();
}

void GlassTextLabel::setElideMode(Qt::TextElideMode mode)
{
    if (m_elideMode == mode)
        return;
    m_elideMode = mode;
    update();
}

QString GlassTextLabel::displayedText(int width) const
{
    return layoutTextLines(m_text, m_font, width, m_maximumLines, m_elideMode).join(u'\n');
}

QSize GlassTextLabel::sizeHint() const
{
    const QFontMetricsF metrics(m_font);
    return QSize(int(std::ceil(metrics.horizontalAdvance(m_text))) + 1, int(std::ceil(metrics.height())));
}

QSize GlassTextLabel::minimumSizeHint() const
{
    const QFontMetricsF metrics(m_font);
    return QSize(int(std::ceil(metrics.horizontalAdvance(u'…'))) * 2, int(std::ceil(metrics.height())));
}

int GlassTextLabel::heightForWidth(int width) const
{
    const QFontMetricsF metrics(m_font);
    const qsizetype lines = std::max<qsizetype>(1, layoutTextLines(m_text, m_font, width, m_maximumLines).size());
    return int(std::ceil(metrics.height() * qreal(lines)));
}

void GlassTextLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(m_font);
    painter.setPen(m_color);
    const QStringList lines = layoutTextLines(m_text, m_font, width(), m_maximumLines, m_elideMode);
    const QFontMetricsF metrics(m_font);
    const qreal blockHeight = metrics.height() * qreal(lines.size());
    qreal y = (m_alignment & Qt::AlignTop) ? 0 : (height() - blockHeight) / 2.0;
    const Qt::Alignment horizontal = m_alignment & Qt::AlignHorizontal_Mask;
    for (const QString& line : lines) {
        painter.drawText(QRectF(0, y, width(), metrics.height()), int(horizontal | Qt::AlignVCenter), line);
        y += metrics.height();
    }
}

} // namespace mv
