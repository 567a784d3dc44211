#pragma once

#include <QString>
#include <QUrl>

#include <optional>

namespace mv {

// The standardized form of a file URL that the presenter compares: "." and ".." resolved, no
// doubled or trailing slash, symbolic links kept. Other URLs with their path segments
// normalized.
[[nodiscard]] QUrl standardizedPreviewURL(const QUrl& url);

namespace quicklook {

// The path of a local file URL that the preview may look at: absolute, free of NUL, as written
// (not cleaned: the URL is standardized before it gets here). None for anything else.
[[nodiscard]] std::optional<QString> previewablePath(const QUrl& url);

// The name an item is shown by when no title is given: its last path component, the whole
// path for the root, and for other URLs their file name or, without one, the URL itself.
[[nodiscard]] QString itemName(const QUrl& url);

} // namespace quicklook

} // namespace mv
