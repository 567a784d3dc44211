#pragma once

#include "core/models/EnumTraits.h"
#include "core/models/FenceModels.h"
#include "core/models/Record.h"

#include <QList>
#include <QString>

namespace mv {

// Which way a snap guide runs: a vertical line marks an x position (from the horizontal snap),
// a horizontal line a y position (from the vertical snap).
enum class SnapGuideAxis { vertical, horizontal };

template<>
struct EnumInfo<SnapGuideAxis> {
    static constexpr const char* noun = "a guide axis";
    static constexpr std::array<EnumCase<SnapGuideAxis>, 2> cases{{
        {SnapGuideAxis::vertical, "vertical", "竖线"},
        {SnapGuideAxis::horizontal, "horizontal", "横线"},
    }};
    static_assert(casesInDeclarationOrder(cases));
};

// One alignment line to draw over the screen while a fence is dragged.
struct SnapGuideLine {
    SnapGuideAxis axis = SnapGuideAxis::vertical;
    double position = 0; // the x of a vertical line, the y of a horizontal one

    // The axis, "-", and the position rounded to the nearest integer (halves away from zero),
    // such as "vertical-120".
    QString id() const;

    bool operator==(const SnapGuideLine&) const = default;
};

template<> inline constexpr bool isHashableRecord<SnapGuideLine> = true;

template<class V, RecordOf<SnapGuideLine> R>
void describeFields(V& v, R& r)
{
    v("axis", r.axis);
    v("position", r.position);
}

// Where the moved frame should go, and at most one vertical guide followed by at most one
// horizontal guide.
struct SnapResult {
    FenceFrameRect frame;
    QList<SnapGuideLine> guides;

    bool operator==(const SnapResult&) const = default;
};

namespace MagneticSnapEngine {

// Pulls `movedFrame` onto the nearest alignment line within `threshold` on each axis, apart:
// the container's edges kept `edgePadding` in, the other frames' edges, and positions `gap`
// away from them (a later candidate wins a tie). The frame keeps its size and is then clamped
// into the container (without the padding); the clamp leaves the guides as they were.
[[nodiscard]] SnapResult snapMovedFrame(const FenceFrameRect& movedFrame,
                                        const QList<FenceFrameRect>& otherFrames,
                                        const FenceFrameRect& containerBounds, double edgePadding,
                                        double threshold, double gap);

} // namespace MagneticSnapEngine

} // namespace mv
