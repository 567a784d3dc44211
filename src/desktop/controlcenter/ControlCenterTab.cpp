#include "desktop/controlcenter/ControlCenterTab.h"

namespace mv {

QString title(ControlCenterTab tab)
{
    return displayName(tab);
}

QString symbolName(ControlCenterTab tab)
{
    switch (tab) {
    case ControlCenterTab::workspaces: return QStringLiteral("square.grid.2x2.fill");
    case ControlCenterTab::smartRules: return QStringLiteral("wand.and.stars");
    case ControlCenterTab::appearance: return QStringLiteral("sparkles");
    case ControlCenterTab::companion: return QStringLiteral("laptopcomputer.and.iphone");
    }
    return QString();
}

} // namespace mv
