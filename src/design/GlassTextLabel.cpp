#include "design/GlassTextLabel.h"

#include "design/DesignFonts.h"

#include <QCache>
#include <QFontMetricsF>
#include <QHashFunctions>
#include <QPainter>
#include <QTextLayout>

namespace mv {

namespace {

QStringList layOutAnew(const QString& text, const QFont& font, qreal width, int maximumLines,
                       Qt::TextElideMode elideMode)
{
    QStringList lines;
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

struct LinesAsked {
    QString text;
    QFont font;
    qreal width;
    int maximumLines;
    Qt::TextElideMode elideMode;
    bool operator==(const LinesAsked&) const = default;
};

size_t qHash(const LinesAsked& asked, size_t seed = 0)
{
    return qHashMulti(seed, asked.text, asked.font, asked.width, asked.maximumLines, int(asked.elideMode));
}

} // namespace

QStringList layoutTextLines(const QString& text, const QFont& font, qreal width, int maximumLines,
                            Qt::TextElideMode elideMode)
{
    if (text.isEmpty() || width <= 0)
        return {};
    // The same text is laid out again and again (a tile's size, geometry and paint; the same
    // names in many portals), and laying out is shaping: the last ones asked are kept. Views
    // only ask on the interface thread. Never destroyed, so that no font outlives the
    // application object only to be torn down after it.
    static auto* const known = new QCache<LinesAsked, QStringList>(2048);
    LinesAsked asked{text, font, width, maximumLines, elideMode};
    if (const QStringList* lines = known->object(asked))
        return *lines;
    QStringList lines = layOutAnew(text, font, width, maximumLines, elideMode);
    known->insert(std::move(asked), new QStringList(lines));
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
