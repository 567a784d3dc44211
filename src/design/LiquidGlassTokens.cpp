#include "design/LiquidGlassTokens.h"

#include <QtMath>

#include <algorithm>
#include <cmath>

namespace mv {

QColor swiftUIColor(FenceTintPalette tint)
{
    switch (tint) {
    case FenceTintPalette::crystal: return QColor::fromRgbF(0.62f, 0.84f, 1.0f);
    case FenceTintPalette::cerulean: return QColor::fromRgbF(0.18f, 0.64f, 1.0f);
    case FenceTintPalette::mint: return QColor::fromRgbF(0.20f, 0.83f, 0.60f);
    case FenceTintPalette::amber: return QColor::fromRgbF(0.96f, 0.62f, 0.08f);
    case FenceTintPalette::violet: return QColor::fromRgbF(0.65f, 0.55f, 0.98f);
    case FenceTintPalette::rose: return QColor::fromRgbF(0.98f, 0.44f, 0.52f);
    case FenceTintPalette::graphite: return QColor::fromRgbF(0.58f, 0.64f, 0.72f);
    }
    Q_UNREACHABLE();
    return {};
}

QColor withOpacity(QColor color, double opacity)
{
    color.setAlphaF(float(std::clamp(color.alphaF() * opacity, 0.0, 1.0)));
    return color;
}

namespace {

double linearChannel(double value)
{
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

} // namespace

double relativeLuminance(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return 0.2126 * linearChannel(rgb.redF()) + 0.7152 * linearChannel(rgb.greenF())
        + 0.0722 * linearChannel(rgb.blueF());
}

double contrastRatio(const QColor& first, const QColor& second)
{
    const double a = relativeLuminance(first);
    const double b = relativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor readableForeground(const QColor& fill)
{
    const QColor dark = QColor::fromRgbF(0.07f, 0.08f, 0.10f);
    const QColor light(Qt::white);
    return contrastRatio(fill, dark) >= contrastRatio(fill, light) ? dark : light;
}

QColor subtleGlassTint(FenceTintPalette tint)
{
    if (tint == FenceTintPalette::crystal)
        return withOpacity(Qt::white, 0.14);
    return withOpacity(swiftUIColor(tint), 0.22);
}

std::array<QColor, 4> backdropGradientColors(WallpaperPreset preset)
{
    const auto c = [](float r, float g, float b) { return QColor::fromRgbF(r, g, b); };
    switch (preset) {
    case WallpaperPreset::tahoeAurora:
        return {c(0.06f, 0.14f, 0.28f), c(0.09f, 0.32f, 0.46f), c(0.17f, 0.48f, 0.56f), c(0.26f, 0.23f, 0.50f)};
    case WallpaperPreset::midnightOcean:
        return {c(0.04f, 0.06f, 0.14f), c(0.10f, 0.16f, 0.34f), c(0.23f, 0.14f, 0.42f), c(0.07f, 0.24f, 0.38f)};
    case WallpaperPreset::warmDusk:
        return {c(0.18f, 0.10f, 0.22f), c(0.46f, 0.22f, 0.26f), c(0.72f, 0.40f, 0.22f), c(0.20f, 0.18f, 0.34f)};
    case WallpaperPreset::frostedGlacier:
        return {c(0.12f, 0.24f, 0.34f), c(0.22f, 0.44f, 0.56f), c(0.40f, 0.66f, 0.76f), c(0.18f, 0.32f, 0.44f)};
    case WallpaperPreset::emeraldMist:
        return {c(0.05f, 0.16f, 0.15f), c(0.09f, 0.34f, 0.30f), c(0.18f, 0.50f, 0.42f), c(0.08f, 0.22f, 0.28f)};
    }
    Q_UNREACHABLE();
    return {};
}

namespace GlassPalette {

QColor primary(ColorScheme scheme)
{
    return scheme == ColorScheme::dark ? QColor(Qt::white) : QColor(Qt::black);
}

QColor primaryForeground(ColorScheme scheme)
{
    return scheme == ColorScheme::dark ? QColor::fromRgbF(1, 1, 1, 0.88f) : QColor::fromRgbF(0, 0, 0, 0.85f);
}

QColor secondaryForeground(ColorScheme scheme)
{
    // Strong enough that captions and finished tasks keep 4.5:1 on the glass.
    return scheme == ColorScheme::dark ? QColor::fromRgbF(1, 1, 1, 0.72f) : QColor::fromRgbF(0, 0, 0, 0.8f);
}

QColor systemOrange(ColorScheme scheme)
{
    return scheme == ColorScheme::dark ? QColor::fromRgbF(1.0f, 0.62f, 0.04f) : QColor::fromRgbF(1.0f, 0.58f, 0.0f);
}

QColor systemBlue(ColorScheme scheme)
{
    return scheme == ColorScheme::dark ? QColor::fromRgbF(0.04f, 0.52f, 1.0f) : QColor::fromRgbF(0.0f, 0.48f, 1.0f);
}

QColor systemCyan(ColorScheme scheme)
{
    return scheme == ColorScheme::dark ? QColor::fromRgbF(0.35f, 0.78f, 0.98f) : QColor::fromRgbF(0.20f, 0.68f, 0.90f);
}

QColor regularGlassBase(ColorScheme scheme)
{
    return scheme == ColorScheme::dark ? QColor::fromRgbF(0.10f, 0.11f, 0.14f, 0.30f)
                                       : QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.30f);
}

} // namespace GlassPalette

namespace GlassSpringPreset {

namespace {

// A spring counts as settled once it stays within this distance of its target.
constexpr double settleTolerance = 0.001;

double settleSeconds(double response, double dampingFraction)
{
    const double omega = 2.0 * M_PI / response;
    double t = 0;
    // The envelope bounds the remaining distance; step until it is inside the tolerance.
    for (int i = 0; i < 100000; ++i) {
        t += 0.0005;
        double envelope;
        if (dampingFraction >= 1.0)
            envelope = (1.0 + omega * t) * std::exp(-omega * t);
        else
            envelope = std::exp(-dampingFraction * omega * t) / std::sqrt(1.0 - dampingFraction * dampingFraction);
        if (envelope < settleTolerance)
            break;
    }
    return t;
}

// QEasingCurve takes a plain function of progress, so each spring shape gets its own.
constexpr double criticalResponse = 1.0; // shape is the same for every response at damping 1
constexpr double momentumResponse = 0.34;
constexpr double momentumDamping = 0.8;

double normalisedSpring(double response, double damping, double duration, double endValue, qreal progress)
{
    if (progress >= 1.0)
        return 1.0;
    if (progress <= 0.0)
        return 0.0;
    return springValue(response, damping, progress * duration) / endValue;
}

qreal criticalCurve(qreal progress)
{
    static const double duration = settleSeconds(criticalResponse, 1.0);
    static const double endValue = springValue(criticalResponse, 1.0, duration);
    return normalisedSpring(criticalResponse, 1.0, duration, endValue, progress);
}

qreal momentumCurve(qreal progress)
{
    static const double duration = settleSeconds(momentumResponse, momentumDamping);
    static const double endValue = springValue(momentumResponse, momentumDamping, duration);
    return normalisedSpring(momentumResponse, momentumDamping, duration, endValue, progress);
}

GlassAnimation makeSpring(GlassAnimationKind kind, double response, double damping, QEasingCurve::EasingFunction function)
{
    GlassAnimation animation;
    animation.kind = kind;
    animation.response = response;
    animation.dampingFraction = damping;
    animation.durationMs = int(std::lround(settleSeconds(response, damping) * 1000.0));
    animation.curve.setCustomType(function);
    return animation;
}

} // namespace

double springValue(double response, double dampingFraction, double seconds)
{
    const double omega = 2.0 * M_PI / response;
    const double t = std::max(0.0, seconds);
    if (dampingFraction >= 1.0)
        return 1.0 - (1.0 + omega * t) * std::exp(-omega * t);
    const double zeta = dampingFraction;
    const double omegaD = omega * std::sqrt(1.0 - zeta * zeta);
    return 1.0 - std::exp(-zeta * omega * t)
        * (std::cos(omegaD * t) + zeta / std::sqrt(1.0 - zeta * zeta) * std::sin(omegaD * t));
}

const GlassAnimation& uiDefault()
{
    static const GlassAnimation animation = makeSpring(GlassAnimationKind::uiDefault, 0.36, 1.0, criticalCurve);
    return animation;
}

const GlassAnimation& momentum()
{
    static const GlassAnimation animation = makeSpring(GlassAnimationKind::momentum, momentumResponse,
                                                       momentumDamping, momentumCurve);
    return animation;
}

const GlassAnimation& quickPress()
{
    static const GlassAnimation animation = makeSpring(GlassAnimationKind::quickPress, 0.20, 1.0, criticalCurve);
    return animation;
}

const GlassAnimation& reducedCrossfade()
{
    static const GlassAnimation animation = [] {
        GlassAnimation a;
        a.kind = GlassAnimationKind::reducedCrossfade;
        a.durationMs = 180;
        a.curve = QEasingCurve(QEasingCurve::InOutQuad);
        return a;
    }();
    return animation;
}

const GlassAnimation& adaptive(const GlassAnimation& animation, bool reduceMotion)
{
    return reduceMotion ? reducedCrossfade() : animation;
}

const GlassAnimation& adaptive(const GlassAnimation& animation, const DesignEnvironment& environment)
{
    return adaptive(animation, environment.reduceMotion());
}

} // namespace GlassSpringPreset

} // namespace mv
