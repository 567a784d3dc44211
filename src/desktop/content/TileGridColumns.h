#pragma once

#include <QtGlobal>

namespace mv {

// The columns of a tile grid (portal entries, quick-launch items): as many adaptive columns of
// at least `minimumWidth` as fit, sharing the room left over up to `maximumWidth` each, the row
// centred in what remains.
struct TileGridColumns {
    static constexpr qreal spacing = 8;

    qreal minimumWidth = 0;
    qreal maximumWidth = 0; // minimumWidth + 28
    int count = 1;
    qreal width = 0;   // of each column
    qreal leading = 0; // room before the first column when the columns cannot widen further

    static TileGridColumns fit(qreal availableWidth, qreal minimumWidth);
};

} // namespace mv
