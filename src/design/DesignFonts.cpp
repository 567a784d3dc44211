#include "design/DesignFonts.h"

#include <cmath>

namespace mv {

QFont designFont(qreal pixelSize, QFont::Weight weight)
{
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    font.setWeight(weight);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QFont designMonospacedFont(qreal pixelSize, QFont::Weight weight)
{
    QFont font(QStringLiteral("Noto Sans Mono CJK SC"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    font.setWeight(weight);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace mv
