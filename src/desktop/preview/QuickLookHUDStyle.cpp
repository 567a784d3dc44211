#include "desktop/preview/QuickLookHUDStyle.h"

#include "design/LiquidGlassTokens.h"

#include <algorithm>
#include <cmath>

namespace mv::quicklook {

QColor hudPrimary()
{
    return GlassPalette::primaryForeground(ColorScheme::dark);
}

QColor hudSecondary()
{
    return GlassPalette::secondaryForeground(ColorScheme::dark);
}

QFont monospacedFont(qreal pixelSize)
{
    QFont font(QStringLiteral("Noto Sans Mono CJK SC"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace mv::quicklook
