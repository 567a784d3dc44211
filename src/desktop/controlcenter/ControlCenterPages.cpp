#include "desktop/controlcenter/ControlCenterPages.h"

#include "desktop/controlcenter/AppearanceLabTabView.h"
#include "desktop/controlcenter/CompanionCanvasPreviewTabView.h"
#include "desktop/controlcenter/SmartRulesAndDryRunTabView.h"
#include "desktop/controlcenter/WorkspacesAndFencesTabView.h"

namespace mv {

QWidget* makeControlCenterPage(ControlCenterTab tab, const ControlCenterPageInputs& inputs)
{
    switch (tab) {
    case ControlCenterTab::workspaces:
        return new WorkspacesAndFencesTabView(inputs);
    case ControlCenterTab::smartRules:
        return new SmartRulesAndDryRunTabView(inputs.store, inputs.environment, inputs.fileDialogs);
    case ControlCenterTab::appearance:
        return new AppearanceLabTabView(inputs.store, inputs.environment, inputs.fileDialogs);
    case ControlCenterTab::companion:
        return new CompanionCanvasPreviewTabView(inputs.store, inputs.environment);
    }
    return nullptr;
}

} // namespace mv
