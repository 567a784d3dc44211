#pragma once

#include <QIcon>
#include <QPixmap>

namespace mv::appicon {

// The program's own icon, for its windows and its tray item: a rounded glass fence holding two
// items, with a dark outer rim for light panels and a white inner rim for dark ones. The same
// shapes as packaging/icons/hicolor/scalable/apps/morvanteel.svg, painted, so that no SVG
// support is needed at run time.
QPixmap draw(int side);
// Painted at the sizes trays and window lists ask for.
QIcon icon();

} // namespace mv::appicon
