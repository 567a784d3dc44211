#include "design/LiquidGlassToolbarGroup.h"

#include <QHBoxLayout>

#include <cmath>

namespace mv {

LiquidGlassToolbarGroup::LiquidGlassToolbarGroup(qreal spacing, QWidget* parent)
    : QWidget(parent)
    , m_layout(new QHBoxLayout(this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(int(std::lround(spacing)));
    m_layout->setAlignment(Qt::AlignVCenter);
}

void LiquidGlassToolbarGroup::addWidget(QWidget* widget)
{
    m_layout->addWidget(widget, 0, Qt::AlignVCenter);
}

} // namespace mv
