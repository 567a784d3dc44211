#pragma once

#include <QFont>

namespace mv {

// The program's one typeface, Noto Sans CJK, at a size in logical pixels. QFont takes whole
// pixels, so fractional sizes round to the nearest pixel. The rounded and default designs of
// the glass look use the same face: there is no rounded Chinese face to draw them with.
QFont designFont(qreal pixelSize, QFont::Weight weight = QFont::Normal);
// The fixed-pitch face of paths, sizes and code, Noto Sans Mono CJK, the same way.
QFont designMonospacedFont(qreal pixelSize, QFont::Weight weight = QFont::Normal);

} // namespace mv
