#include "core/engine/MagneticSnapEngine.h"

#include <cmath>
#include <limits>
#include <optional>

namespace mv {

QString SnapGuideLine::id() const
{
    // std::round rounds halves away from zero; adding 0.0 turns -0 into 0 ("vertical-0").
    const double rounded = std::round(position) + 0.0;
    const QString number = std::abs(rounded) < 0x1p63
        ? QString::number(qint64(rounded))
        : QString::number(rounded, 'f', 0); // also the non-finite positions, as "inf" or "nan"
    return rawValue(axis) + u'-' + number;
}

namespace MagneticSnapEngine {

namespace {

// One axis of a rectangle: where it starts and how long it is.
struct Span {
    double origin = 0;
    double length = 0;

    double min() const { return origin; }
    double max() const { return origin + length; }
};

Span horizontalSpan(const FenceFrameRect& r) { return {r.x, r.width}; }
Span verticalSpan(const FenceFrameRect& r) { return {r.y, r.height}; }

struct AxisSnap {
    double origin = 0;
    std::optional<double> guide;
};

// The snap along one axis, every distance measured from the unsnapped origin.
template<class SpanOf>
AxisSnap snapAxis(const FenceFrameRect& movedFrame, const QList<FenceFrameRect>& otherFrames,
                  const FenceFrameRect& containerBounds, double edgePadding, double threshold,
                  double gap, SpanOf spanOf)
{
    const Span moved = spanOf(movedFrame);
    const Span container = spanOf(containerBounds);
    AxisSnap snap{moved.origin, std::nullopt};
    double best = threshold;
    // Accepting equal distances lets a later candidate win a tie.
    const auto consider = [&](double origin, double guide) {
        const double distance = std::abs(origin - moved.origin);
        if (distance <= best) {
            best = distance;
            snap = {origin, guide};
        }
    };

    const double innerMin = container.min() + edgePadding;
    const double innerMax = container.max() - edgePadding;
    consider(innerMin, innerMin);
    consider(innerMax - moved.length, innerMax);
    for (const FenceFrameRect& frame : otherFrames) {
        const Span other = spanOf(frame);
        consider(other.min(), other.min());
        consider(other.max() - moved.length, other.max());
        consider(other.max() + gap, other.max() + gap / 2);
        consider(other.min() - gap - moved.length, other.min() - gap / 2);
    }
    return snap;
}

// Into the container without the padding; one longer than the container sits at its minimum.
double clamped(double origin, double length, double containerMin, double containerMax)
{
    return std::min(std::max(origin, containerMin), std::max(containerMin, containerMax - length));
}

} // namespace

SnapResult snapMovedFrame(const FenceFrameRect& movedFrame, const QList<FenceFrameRect>& otherFrames,
                          const FenceFrameRect& containerBounds, double edgePadding,
                          double threshold, double gap)
{
    const AxisSnap x = snapAxis(movedFrame, otherFrames, containerBounds, edgePadding, threshold,
                                gap, horizontalSpan);
    const AxisSnap y = snapAxis(movedFrame, otherFrames, containerBounds, edgePadding, threshold,
                                gap, verticalSpan);

    SnapResult result;
    result.frame = movedFrame;
    result.frame.x = clamped(x.origin, movedFrame.width, containerBounds.minX(), containerBounds.maxX());
    result.frame.y = clamped(y.origin, movedFrame.height, containerBounds.minY(), containerBounds.maxY());
    if (x.guide || y.guide) {
        result.guides.reserve(2);
        if (x.guide)
            result.guides.append({SnapGuideAxis::vertical, *x.guide});
        if (y.guide)
            result.guides.append({SnapGuideAxis::horizontal, *y.guide});
    }
    return result;
}

} // namespace MagneticSnapEngine

} // namespace mv
