#pragma once

#include <QString>

namespace mv {

// Expands a leading "~" (the home folder) or "~user" (that user's home folder), as a shell
// does; any other text, and "~user" for an unknown user, is returned unchanged.
QString expandTilde(const QString& path);

} // namespace mv
