#include "design/LiquidGlassSurfaceFrame.h"

#include <QPainter>
#include <QRegion>

namespace mv {

LiquidGlassSurfaceFrame::LiquidGlassSurfaceFrame(DesignEnvironment* environment, QWidget* parent)
    : QWidget(parent)
    , m_environment(environment)
{
    setAttribute(Qt::WA_Hover);
    if (m_environment) {
        connect(m_environment, &DesignEnvironment::changed, this, [this] {
            updateClip();
            update();
        });
    }
}

void LiquidGlassSurfaceFrame::setModifier(const LiquidGlassSurfaceModifier& modifier)
{
    if (m_modifier == modifier)
        return;
    m_modifier = modifier;
    updateClip();
    update();
}

void LiquidGlassSurfaceFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    m_modifier.paintBackground(painter, QRectF(rect()), environmentOrDefault(m_environment), m_hovered);
    // The hairline goes on with the glass, under the children: they keep clear of the edge it
    // runs along (what reaches it, a scroll thumb at a corner, changes a few pixels by a few
    // levels). Drawn by a widget of its own above them, it cost each window about 20 KB.
    if (m_environment)
        m_modifier.paintHairline(painter, QRectF(rect()), *m_environment);
}

void LiquidGlassSurfaceFrame::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateClip();
}

void LiquidGlassSurfaceFrame::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    m_hovered = true;
    if (m_modifier.interactive)
        update();
}

void LiquidGlassSurfaceFrame::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    m_hovered = false;
    if (m_modifier.interactive)
        update();
}

void LiquidGlassSurfaceFrame::updateClip()
{
    // The opaque variant clips its content to the shape; the glass leaves it unclipped.
    if (environmentOrDefault(m_environment).reduceTransparency() && !rect().isEmpty())
        setMask(QRegion(m_modifier.shape.path(QRectF(rect())).toFillPolygon().toPolygon()));
    else
        clearMask();
}

} // namespace mv
