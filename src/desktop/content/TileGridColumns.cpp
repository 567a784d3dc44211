#include "desktop/content/TileGridColumns.h"

#include <algorithm>
#include <cmath>

namespace mv {

TileGridColumns TileGridColumns::fit(qreal availableWidth, qreal minimumWidth)
{
    TileGridColumns columns;
    columns.minimumWidth = minimumWidth;
    columns.maximumWidth = columns.minimumWidth + 28;
    const qreal available = std::max<qreal>(0, availableWidth);
    columns.count = std::max(1, int(std::floor((available + spacing) / (columns.minimumWidth + spacing))));
    const qreal shared = (available - spacing * (columns.count - 1)) / columns.count;
    columns.width = std::clamp(shared, columns.minimumWidth, columns.maximumWidth);
    const qreal used = columns.width * columns.count + spacing * (columns.count - 1);
    columns.leading = std::max<qreal>(0, (available - used) / 2);
    return columns;
}

} // namespace mv
