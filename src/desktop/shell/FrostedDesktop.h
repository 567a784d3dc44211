#pragma once

#include "core/models/ModelEnums.h"
#include "design/DesignEnvironment.h"

#include <QImage>
#include <QRect>

namespace mv {

// Frosted glass of the whole desktop, made once per wallpaper, colour scheme and pixel ratio and
// shared by every fence panel: each paints its own rectangle of it. A copy per panel would cost
// its window's size in memory again, and blurring the same wallpaper once per panel, time.
// Without a wallpaper pixmap the glass is frosted from `fallback` painted over `screen`.
// `desktop` and `screen` are in device pixels; the image covers `desktop`, its origin at
// `desktop`'s top left, at the smaller size the blur leaves it (see reducedFrostedGlassImage):
// a panel draws its part scaled up. A new wallpaper forgets every image made.
QImage frostedDesktopImage(const QRect& desktop, const QRect& screen, qreal ratio, ColorScheme scheme,
                           WallpaperPreset fallback, int blurRadius, const QColor& wash);

} // namespace mv
