#pragma once

#include "design/DesignEnvironment.h"

#include <QPointer>
#include <QWidget>

namespace mv {

// The separator colour of the control center: the primary colour at 0.12.
QColor controlCenterSeparatorColor(ColorScheme scheme);

// A horizontal divider line in the separator colour, at the opacity it is given.
class ControlCenterDivider final : public QWidget {
    Q_OBJECT
public:
    ControlCenterDivider(DesignEnvironment* environment, double opacity, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<DesignEnvironment> m_environment;
    double m_opacity;
};

} // namespace mv
