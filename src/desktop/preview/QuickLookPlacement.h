#pragma once

#include <QPoint>
#include <QSize>

#include <optional>

namespace mv::quicklook {

// Where the panel opens from hidden: its size centred on the visible area of the primary
// screen, or of the first screen when no primary one is known. None without any screen, so
// that the panel shows where it last was.
[[nodiscard]] std::optional<QPoint> openingOrigin(QSize panelSize);

} // namespace mv::quicklook
