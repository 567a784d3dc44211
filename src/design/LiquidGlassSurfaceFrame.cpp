#include "design/LiquidGlassSurfaceFrame.h"

#include <QChildEvent>
#include <QPainter>
#include <QRegion>

namespace mv {

namespace {

// Draws the frame's hairline above the frame's children; takes no pointer input.
class SurfaceHairline final : public QWidget {
public:
    explicit SurfaceHairline(LiquidGlassSurfaceFrame* frame)
        : QWidget(frame)
        , m_frame(frame)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!m_frame->environment())
            return;
        QPainter painter(this);
        m_frame->modifier().paintHairline(painter, QRectF(rect()), *m_frame->environment());
    }

private:
    LiquidGlassSurfaceFrame* m_frame;
};

} // namespace

LiquidGlassSurfaceFrame::LiquidGlassSurfaceFrame(DesignEnvironment* environment, QWidget* parent)
    : QWidget(parent)
    , m_environment(environment)
{
    setAttribute(Qt::WA_Hover);
    m_hairline = new SurfaceHairline(this);
    m_hairline->setObjectName(QStringLiteral("glassHairline"));
    if (m_environment) {
        connect(m_environment, &DesignEnvironment::changed, this, [this] {
            updateClip();
            update();
            m_hairline->update();
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
    m_hairline->update();
}

void LiquidGlassSurfaceFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    m_modifier.paintBackground(painter, QRectF(rect()), environmentOrDefault(m_environment), m_hovered);
}

void LiquidGlassSurfaceFrame::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_hairline->setGeometry(rect());
    m_hairline->raise();
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

void LiquidGlassSurfaceFrame::childEvent(QChildEvent* event)
{
    QWidget::childEvent(event);
    // Keep the hairline above children added later.
    if (event->added() && m_hairline && event->child() != m_hairline && event->child()->isWidgetType())
        m_hairline->raise();
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
