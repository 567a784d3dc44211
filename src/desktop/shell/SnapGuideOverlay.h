#pragma once

#include "core/engine/MagneticSnapEngine.h"

#include <QList>
#include <QPainterPath>
#include <QPen>
#include <QRect>
#include <QWidget>

namespace mv {

namespace platform {
class WindowGlass;
}

// A click-through window over one whole screen that draws the guide lines a dragged fence
// snapped to. One per panel manager, shown only while there are guides.
class SnapGuideOverlay final : public QWidget {
    Q_OBJECT

public:
    SnapGuideOverlay();

    // Shows `guides` (positions in model coordinates) over the screen whose model frame is
    // `screenFrame` and whose Qt geometry is `screenGeometry`; no guides hides the overlay.
    void showGuides(const QList<SnapGuideLine>& guides, const FenceFrameRect& screenFrame, const QRect& screenGeometry);
    void hideGuides();

    const QList<SnapGuideLine>& guides() const { return m_guides; }
    // The guides as lines in this window's own coordinates (y down), as they are drawn.
    QList<QLineF> guideLines() const;
    // The dashes of the guide lines as drawn: without a compositor, the window's shape, for a
    // see-through window over the whole screen would show it black.
    QPainterPath guideOutline() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPen guidePen() const;

    QList<SnapGuideLine> m_guides;
    FenceFrameRect m_screenFrame;
    platform::WindowGlass* m_glass;
};

} // namespace mv
