#include "desktop/preview/QuickLookPathLabel.h"

#include "desktop/preview/QuickLookHUDStyle.h"

#include <QPainter>

namespace mv {

QuickLookPathLabel::QuickLookPathLabel(QWidget* parent)
    : QWidget(parent)
    , m_font(quicklook::monospacedFont(10.5))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setFixedHeight(QFontMetrics(m_font).height());
}

void QuickLookPathLabel::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    setToolTip(text);
    update();
}

QSize QuickLookPathLabel::sizeHint() const
{
    return {QFontMetrics(m_font).horizontalAdvance(m_text), height()};
}

void QuickLookPathLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(m_font);
    painter.setPen(quicklook::hudSecondary());
    const QString shown = QFontMetrics(m_font).elidedText(m_text, Qt::ElideMiddle, width());
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

} // namespace mv
