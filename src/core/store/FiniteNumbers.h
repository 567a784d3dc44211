#pragma once

#include "core/models/FenceModels.h"

#include <cmath>

namespace mv {

// Whether every number of the value can be written to the state file: encoding fails on a NaN
// or an infinity, so the store never lets one in.
inline bool isFinite(const FenceFrameRect& frame)
{
    return std::isfinite(frame.x) && std::isfinite(frame.y) && std::isfinite(frame.width) && std::isfinite(frame.height);
}

inline bool isFinite(const FenceModel& fence)
{
    const FenceStyleConfig& style = fence.style;
    return isFinite(fence.desktopFrame) && isFinite(fence.canvasFrame) && std::isfinite(style.glassOpacity)
        && std::isfinite(style.cornerRadius) && std::isfinite(style.iconScale) && std::isfinite(style.idleOpacity);
}

} // namespace mv
