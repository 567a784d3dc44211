#pragma once

#include "core/models/ModelEnums.h"
#include "design/DesignEnvironment.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>

namespace mv {

class LiquidGlassPillButton;
class LiquidGlassToolbarGroup;

// A row of glass segments, one per choice, the chosen one prominent, at a fixed width. It keeps
// only which segment is shown as chosen; a click reports the segment's index.
class CompanionSegmentedPicker final : public QWidget {
    Q_OBJECT

public:
    CompanionSegmentedPicker(DesignEnvironment* environment, const QString& accessibleName, const QStringList& labels,
                             int width, FenceTintPalette tint, QWidget* parent = nullptr);

    void setCurrentIndex(int index);
    int currentIndex() const { return m_current; }
    QList<LiquidGlassPillButton*> segments() const { return m_segments; }

    // A segment clicked, also the chosen one.
    std::function<void(int index)> onChoose;

private:
    LiquidGlassToolbarGroup* m_group;
    QList<LiquidGlassPillButton*> m_segments;
    int m_current = -1;
};

} // namespace mv
