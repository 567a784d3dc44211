#include "desktop/preview/QuickLookHUDStyle.h"

#include "design/DesignFonts.h"
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
    return designMonospacedFont(pixelSize);
}

} // namespace mv::quicklook
