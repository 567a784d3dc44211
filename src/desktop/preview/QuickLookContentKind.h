#pragma once

#include <QString>

#include <optional>

namespace mv {

// What the preview makes of a regular file's content, from its content type: a picture, text
// set as prose, text set as code (source code and structured text read best in a fixed-pitch
// face), or nothing to read, for which the summary alone shows.
enum class QuickLookContentKind { image, prose, code, other };

// `type` is the file's content type identifier (by its extension); none for an unknown one.
[[nodiscard]] QuickLookContentKind quickLookContentKind(const std::optional<QString>& type);

} // namespace mv
