#pragma once

#include <QString>

#include <optional>

namespace mv::platform {

// The program's own data folder: ~/.local/share/Morvanteel (the generic data location), or
// Morvanteel under the temporary folder when there is none. Not created here.
QString defaultSupportDirectory();

// The program's configuration folder, ~/.config/Morvanteel; the key-value store lives there.
QString defaultConfigDirectory();

// Linux has no shared application-group container, so there never is one; callers fall back to
// the support folder.
std::optional<QString> appGroupContainer(const QString& identifier);

} // namespace mv::platform
