#pragma once

#include "desktop/preview/QuickLookPreview.h"

class QIODevice;

namespace mv::quicklook {

// Reads the start of the text in `device`, up to the limit in bytes, into `preview` (its kind
// becomes text) as UTF-8 with unified line endings. A NUL byte marks a binary file: then
// nothing is taken and the preview stays a summary.
void readText(QuickLookPreview& preview, QIODevice* device, const QuickLookPreviewLimits& limits);

} // namespace mv::quicklook
