#pragma once

#include "design/DesignEnvironment.h"
#include "design/LiquidGlassSurfaceModifier.h"

#include <QPointer>
#include <QWidget>

namespace mv {

// A container that wears a glass surface and its hairline behind its children.
// Under reduce transparency the children are clipped to the shape.
class LiquidGlassSurfaceFrame : public QWidget {
    Q_OBJECT
public:
    explicit LiquidGlassSurfaceFrame(DesignEnvironment* environment, QWidget* parent = nullptr);

    void setModifier(const LiquidGlassSurfaceModifier& modifier);
    const LiquidGlassSurfaceModifier& modifier() const { return m_modifier; }
    DesignEnvironment* environment() const { return m_environment; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void updateClip();

    QPointer<DesignEnvironment> m_environment;
    LiquidGlassSurfaceModifier m_modifier;
    bool m_hovered = false;
};

} // namespace mv
