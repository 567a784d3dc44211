#pragma once

#include <QColor>
#include <QFont>

// The preview panel is a HUD: dark in either appearance. Its views draw with these.
namespace mv::quicklook {

[[nodiscard]] QColor hudPrimary();
[[nodiscard]] QColor hudSecondary();
// The fixed-pitch face of paths and code.
[[nodiscard]] QFont monospacedFont(qreal pixelSize);

} // namespace mv::quicklook
