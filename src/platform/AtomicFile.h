#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace mv::platform {

// Replaces the file at `path` in one step: readers see the old bytes or the new ones, never a
// part. The file is private to the user (mode 0600). Missing parent folders are created.
// Returns why it failed, or none on success; on failure the old file is left as it was.
std::optional<QString> writeFileAtomically(const QString& path, const QByteArray& bytes);

} // namespace mv::platform
