#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

namespace mv {

// Frosted glass made from what lies behind a window (the wallpaper under a fence, where no
// compositor blurs it): the part `area` of `behind`, blurred and washed with `wash` (laid over
// it, by its alpha). The blur is a box blur run three times, close to a Gaussian, made on a
// smaller copy where the radius is large; pixels beyond `behind`'s edges repeat the nearest edge,
// so glass at the screen's edge does not darken. Opaque; null when `behind` or `area` is empty.
QImage frostedGlassImage(const QImage& behind, const QRect& area, int blurRadius, const QColor& wash);

// The whole of `behind` frosted as above but left at the smaller size the blur is worked at, for
// glass that is kept and drawn scaled up (smoothly) over its area: what the blur leaves has no
// detail the full size would show, and it takes a fraction of the memory (a 1440 x 900 desktop
// frosted by 28 pixels: 288 x 180). The wash lies over the smaller image. Its size, against
// `behind`'s, gives the scale; null when `behind` is empty.
QImage reducedFrostedGlassImage(const QImage& behind, int blurRadius, const QColor& wash);

} // namespace mv
