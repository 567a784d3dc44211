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

} // namespace mv
