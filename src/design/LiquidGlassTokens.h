#pragma once

#include "core/models/ModelEnums.h"
#include "design/DesignEnvironment.h"

#include <QColor>
#include <QEasingCurve>

#include <array>

namespace mv {

// The solid colour of a tint (sRGB, opaque). Its own table: not derived from hexAccent().
QColor swiftUIColor(FenceTintPalette tint);

// The faint glass wash of a tint: white at 0.14 for crystal, else the tint colour at 0.22.
QColor subtleGlassTint(FenceTintPalette tint);

// The four gradient colours of a wallpaper, in drawing order.
std::array<QColor, 4> backdropGradientColors(WallpaperPreset preset);

// The platform's semantic colours, as this program draws them.
namespace GlassPalette {
// "The primary colour": black in light mode, white in dark mode, before any opacity.
QColor primary(ColorScheme scheme);
// Primary and secondary label foregrounds.
QColor primaryForeground(ColorScheme scheme);
QColor secondaryForeground(ColorScheme scheme);
QColor systemOrange(ColorScheme scheme);
QColor systemBlue(ColorScheme scheme);
QColor systemCyan(ColorScheme scheme);
// Stands in for the frosted base of the platform's regular glass, which blurs what lies
// behind a window; this program can only wash over it. Drawn under the tint colour.
QColor regularGlassBase(ColorScheme scheme);
} // namespace GlassPalette

// `color` with its alpha multiplied by `opacity`.
QColor withOpacity(QColor color, double opacity);

// Relative luminance of an opaque sRGB colour (0 black .. 1 white), as the WCAG measure it.
double relativeLuminance(const QColor& color);
// Contrast ratio of two opaque colours, 1 .. 21.
double contrastRatio(const QColor& first, const QColor& second);
// The text and symbol colour for a solid fill: near-black on a light fill, white on a dark
// one, whichever keeps the higher contrast. White on the paler tints (crystal, graphite,
// mint, amber) can hardly be read.
QColor readableForeground(const QColor& fill);

enum class GlassAnimationKind { uiDefault, momentum, quickPress, reducedCrossfade };

// One named animation: a duration and an easing curve for Qt's animation framework. The
// springs become the step response of a damped spring with the token's response and damping,
// run until it has settled to within 0.1 % of its target.
struct GlassAnimation {
    GlassAnimationKind kind = GlassAnimationKind::uiDefault;
    double response = 0;        // seconds; 0 for the crossfade
    double dampingFraction = 0; // 0 for the crossfade
    int durationMs = 0;
    QEasingCurve curve;

    bool operator==(const GlassAnimation& other) const { return kind == other.kind; }
};

namespace GlassSpringPreset {
const GlassAnimation& uiDefault();        // spring, response 0.36 s, damping 1.0
const GlassAnimation& momentum();         // spring, response 0.34 s, damping 0.8
const GlassAnimation& quickPress();       // spring, response 0.20 s, damping 1.0
const GlassAnimation& reducedCrossfade(); // ease in and out, 0.18 s

// The crossfade when motion is reduced, otherwise the animation unchanged. Every animated
// change of the fence views goes through here.
const GlassAnimation& adaptive(const GlassAnimation& animation, const DesignEnvironment& environment);
const GlassAnimation& adaptive(const GlassAnimation& animation, bool reduceMotion);

// The spring's position at `seconds` after the start, 0 at the start, approaching 1.
double springValue(double response, double dampingFraction, double seconds);
} // namespace GlassSpringPreset

} // namespace mv
