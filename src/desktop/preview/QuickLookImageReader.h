#pragma once

#include "desktop/preview/QuickLookPreview.h"

class QIODevice;

namespace mv::quicklook {

// Decodes the picture in `device` into `preview` (its kind becomes image), within `limits`: no
// larger than the longest side allowed, and not at all when only a full decode over the budget
// would do. Leaves the reason in the preview's note when the picture does not show; its pixel
// size is kept whenever the header could be read.
void readImage(QuickLookPreview& preview, QIODevice* device, const QuickLookPreviewLimits& limits);

} // namespace mv::quicklook
