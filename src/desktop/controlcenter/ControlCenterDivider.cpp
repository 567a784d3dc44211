#include "desktop/controlcenter/ControlCenterDivider.h"

#include "design/LiquidGlassTokens.h"

#include <QPainter>

namespace mv {

QColor controlCenterSeparatorColor(ColorScheme scheme)
{
    return withOpacity(GlassPalette::primary(scheme), 0.12);
}

ControlCenterDivider::ControlCenterDivider(DesignEnvironment* environment, double opacity, QWidget* parent)
    : QWidget(parent)
    , m_environment(environment)
    , m_opacity(opacity)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ControlCenterDivider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), withOpacity(controlCenterSeparatorColor(environmentOrDefault(m_environment).colorScheme()),
                                         m_opacity));
}

} // namespace mv
