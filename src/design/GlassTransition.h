#pragma once

#include "design/LiquidGlassTokens.h"

#include <QObject>

#include <optional>

class QVariantAnimation;

namespace mv {

// Runs one animated change of a view with a named animation of GlassSpringPreset. The view
// reads progress() (0 at the start, 1 when settled or idle) while painting. Owned by its view,
// so an animation never outlives the widget it draws. Tests read which animation an action
// chose without waiting for it.
class GlassTransition final : public QObject {
    Q_OBJECT
public:
    explicit GlassTransition(QObject* parent = nullptr);

    void run(const GlassAnimation& animation);
    void finish();

    qreal progress() const;
    bool isRunning() const;
    // The animation of the last run, if any ran.
    std::optional<GlassAnimationKind> lastKind() const { return m_lastKind; }
    int runCount() const { return m_runCount; }

Q_SIGNALS:
    void progressChanged();

private:
    QVariantAnimation* m_animation = nullptr;
    std::optional<GlassAnimationKind> m_lastKind;
    int m_runCount = 0;
};

} // namespace mv
