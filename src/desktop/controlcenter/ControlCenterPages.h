#pragma once

#include "desktop/controlcenter/ControlCenterView.h"

namespace mv {

// The real page for each case, or nullptr for a page not built yet (the view then shows its
// placeholder). The view owns what it returns.
QWidget* makeControlCenterPage(ControlCenterTab tab, const ControlCenterPageInputs& inputs);

} // namespace mv
