#pragma once

#include "core/engine/MagneticSnapEngine.h"

#include <QList>
#include <QRect>
#include <QWidget>

namespace mv {

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

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<SnapGuideLine> m_guides;
    FenceFrameRect m_screenFrame;
};

} // namespace mv
