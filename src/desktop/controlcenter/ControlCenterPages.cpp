#include "desktop/controlcenter/ControlCenterPages.h"

namespace mv {

QWidget* makeControlCenterPage(ControlCenterTab tab, const ControlCenterPageInputs& inputs)
{
    (void)inputs;
    switch (tab) {
    case ControlCenterTab::workspaces:
        return nullptr;
    case ControlCenterTab::smartRules:
        return nullptr;
    case ControlCenterTab::appearance:
        return nullptr;
    case ControlCenterTab::companion:
        return nullptr;
    }
    return nullptr;
}

} // namespace mv
