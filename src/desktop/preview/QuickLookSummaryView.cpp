#include "desktop/preview/QuickLookSummaryView.h"

#include "design/DesignFonts.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassTokens.h"
#include "design/SymbolIcons.h"
#include "desktop/preview/QuickLookHUDStyle.h"
#include "desktop/preview/QuickLookPreview.h"

#include <QPainter>

#include <algorithm>

namespace mv {

using quicklook::hudPrimary;
using quicklook::hudSecondary;

QuickLookSummaryView::QuickLookSummaryView(QWidget* parent)
    : QWidget(parent)
{
}

void QuickLookSummaryView::setPreview(const QuickLookPreview& preview)
{
    m_symbolName = preview.symbolName;
    m_name = preview.name;
    m_lines = preview.summaryLines();
    m_note = preview.note;
    update();
}

void QuickLookSummaryView::paintEvent(QPaintEvent*)
{
    if (m_name.isEmpty() && m_symbolName.isEmpty())
        return;
    const QFont nameFont = designFont(16, QFont::DemiBold);
    const QFont lineFont = designFont(12);
    const qreal width = std::max<qreal>(this->width() - 48, 40);
    const QStringList nameLines = layoutTextLines(m_name, nameFont, width, 2);
    const QFontMetricsF nameMetrics(nameFont);
    const QFontMetricsF lineMetrics(lineFont);
    QStringList lines = m_lines;
    if (!m_note.isEmpty())
        lines.append(m_note);

    constexpr qreal iconGap = 16;
    constexpr qreal nameGap = 10;
    const qreal total = iconSide + iconGap + nameLines.size() * nameMetrics.height() + nameGap
        + lines.size() * (lineMetrics.height() + 2);
    qreal y = std::max<qreal>((height() - total) / 2, 0);

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF iconRect((this->width() - iconSide) / 2, y, iconSide, iconSide);
    SymbolIcons::paint(painter, iconRect, m_symbolName, iconSide, withOpacity(hudPrimary(), 0.9));
    y += iconSide + iconGap;

    painter.setFont(nameFont);
    painter.setPen(hudPrimary());
    for (const QString& line : nameLines) {
        painter.drawText(QRectF(24, y, width, nameMetrics.height()), Qt::AlignCenter | Qt::TextSingleLine, line);
        y += nameMetrics.height();
    }
    y += nameGap;

    painter.setFont(lineFont);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const bool isNote = !m_note.isEmpty() && i == lines.size() - 1;
        painter.setPen(isNote ? GlassPalette::systemOrange(ColorScheme::dark) : hudSecondary());
        const QString shown = lineMetrics.elidedText(lines.at(i), Qt::ElideMiddle, width);
        painter.drawText(QRectF(24, y, width, lineMetrics.height()), Qt::AlignCenter | Qt::TextSingleLine, shown);
        y += lineMetrics.height() + 2;
    }
}

} // namespace mv
