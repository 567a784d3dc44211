#include "desktop/controlcenter/CompanionSegmentedPicker.h"

#include "design/LiquidGlassPillButton.h"
#include "design/LiquidGlassToolbarGroup.h"

#include <QHBoxLayout>

namespace mv {

CompanionSegmentedPicker::CompanionSegmentedPicker(DesignEnvironment* environment, const QString& accessibleName,
                                                   const QStringList& labels, int width, FenceTintPalette tint,
                                                   QWidget* parent)
    : QWidget(parent)
    , m_group(new LiquidGlassToolbarGroup(4, this))
{
    setAccessibleName(accessibleName);
    setFixedWidth(width);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_group);
    for (int i = 0; i < labels.size(); ++i) {
        auto* segment = new LiquidGlassPillButton(environment, labels.at(i), std::nullopt, tint, m_group);
        segment->setCompact(true);
        segment->setProminent(false);
        segment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        segment->action = [this, i] {
            if (onChoose)
                onChoose(i);
        };
        m_group->addWidget(segment);
        m_segments.append(segment);
    }
}

void CompanionSegmentedPicker::setCurrentIndex(int index)
{
    if (m_current == index)
        return;
    m_current = index;
    for (int i = 0; i < m_segments.size(); ++i)
        m_segments.at(i)->setProminent(i == index);
}

} // namespace mv
