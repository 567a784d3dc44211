#pragma once

#include "desktop/preview/QuickLookPreview.h"

#include <QUrl>

namespace mv {

// Reads what the preview shows for `url`. The item is looked at, never run: only a regular
// file is opened, read-only and without blocking, and only an image or a text type (by its
// extension, see platform/ContentTypes.h) is read at all, within `limits`. A folder's names are
// listed for the count. A URL that is no absolute local path shows as an item that cannot be
// previewed; nothing is resolved against the working directory.
[[nodiscard]] QuickLookPreview loadQuickLookPreview(const QUrl& url, const QuickLookPreviewLimits& limits = {});

} // namespace mv
