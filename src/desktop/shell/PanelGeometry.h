#pragma once

#include "core/models/FenceModels.h"

#include <QList>
#include <QRect>

#include <optional>

class QScreen;

// Where fence panels go on the screens. The model keeps frames y-up with the origin at the
// primary screen's lower-left corner; Qt places windows y-down from its virtual desktop origin.
// Frames are converted here, once, and everything else works in one system or the other.
namespace mv::panelgeometry {

// One screen in model coordinates: its whole frame, and the part not taken by panels and docks.
struct ScreenArea {
    FenceFrameRect frame;
    FenceFrameRect visibleFrame;

    bool operator==(const ScreenArea&) const = default;
};

// The height of a rolled-up fence, and the least height an expanded one is shown at.
inline constexpr double pillHeight = 46;
inline constexpr double minimumShownHeight = 120;

// The screens Qt knows, the primary first, in model coordinates.
QList<ScreenArea> currentScreens();

// Model frame to Qt window geometry and back, against the primary screen's geometry (Qt's).
QRect toWindowGeometry(const FenceFrameRect& frame, const QRect& primaryScreenGeometry);
FenceFrameRect fromWindowGeometry(const QRect& geometry, const QRect& primaryScreenGeometry);
// The same against the current primary screen (unchanged frames when there is none).
QRect toWindowGeometry(const FenceFrameRect& frame);
FenceFrameRect fromWindowGeometry(const QRect& geometry);
// A screen of Qt's in model coordinates.
ScreenArea screenArea(const QScreen& screen, const QRect& primaryScreenGeometry);

// The screen a frame belongs to: the first whose frame holds its midpoint, else the first.
std::optional<ScreenArea> screenFor(const FenceFrameRect& frame, const QList<ScreenArea>& screens);

// The frame kept on its screen's visible frame, 8 points in, as wide and high as fits (less 24).
// The right and top limits are applied last, so they win on a screen smaller than the frame.
// Without screens the frame is returned unchanged.
FenceFrameRect clampedVisibleFrame(const FenceFrameRect& frame, const QList<ScreenArea>& screens);

// How a fence is shown: its stored frame at least 120 high; as a pill of 46 keeping the top
// edge and width when `asPill`; then kept on screen.
FenceFrameRect presentedFrame(const FenceFrameRect& stored, bool asPill, const QList<ScreenArea>& screens);

// What a user's move or resize stores: the panel's frame, except that a pill keeps the stored
// width and gets back a height of at least 160 hanging from the pill's top edge.
FenceFrameRect frameToStore(const FenceFrameRect& panelFrame, const FenceFrameRect& stored, bool shownAsPill);

// Whether two frames differ by `tolerance` or more in any component.
bool differs(const FenceFrameRect& a, const FenceFrameRect& b, double tolerance);

} // namespace mv::panelgeometry
