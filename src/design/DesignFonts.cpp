#include "design/DesignFonts.h"

#include <cmath>

namespace mv {

namespace {

QFont sizedFont(QFont font, qreal pixelSize, QFont::Weight weight)
{
    font.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    font.setWeight(weight);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace

QFont designFont(qreal pixelSize, QFont::Weight weight)
{
    return sizedFont(QFont(QStringLiteral("Noto Sans CJK SC")), pixelSize, weight);
}

QFont designMonospacedFont(qreal pixelSize, QFont::Weight weight)
{
    QFont font(QStringLiteral("Noto Sans Mono CJK SC"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    return sizedFont(font, pixelSize, weight);
}

} // namespace mv
