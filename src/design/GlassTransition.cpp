#include "design/GlassTransition.h"

#include <QVariantAnimation>

namespace mv {

GlassTransition::GlassTransition(QObject* parent)
    : QObject(parent)
{
}

void GlassTransition::run(const GlassAnimation& animation)
{
    // The animation is made at the first run: many views hold a transition that never runs.
    if (!m_animation) {
        m_animation = new QVariantAnimation(this);
        m_animation->setStartValue(0.0);
        m_animation->setEndValue(1.0);
        connect(m_animation, &QVariantAnimation::valueChanged, this, &GlassTransition::progressChanged);
        connect(m_animation, &QVariantAnimation::finished, this, &GlassTransition::progressChanged);
    }
    m_animation->stop();
    m_lastKind = animation.kind;
    ++m_runCount;
    m_animation->setDuration(std::max(1, animation.durationMs));
    m_animation->setEasingCurve(animation.curve);
    m_animation->start();
    Q_EMIT progressChanged();
}

void GlassTransition::finish()
{
    if (isRunning())
        m_animation->setCurrentTime(m_animation->duration());
}

qreal GlassTransition::progress() const
{
    if (!isRunning())
        return 1.0;
    return m_animation->currentValue().toReal();
}

bool GlassTransition::isRunning() const
{
    return m_animation && m_animation->state() == QAbstractAnimation::Running;
}

} // namespace mv
