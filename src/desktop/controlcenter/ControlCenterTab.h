#pragma once

#include "core/models/EnumTraits.h"

#include <QString>

#include <array>

namespace mv {

// The four pages of the control-center window, in sidebar order. The one value by which any
// part of the program asks for a page.
enum class ControlCenterTab { workspaces, smartRules, appearance, companion };

template<>
struct EnumInfo<ControlCenterTab> {
    static constexpr const char* noun = "a control-center page";
    static constexpr std::array<EnumCase<ControlCenterTab>, 4> cases{{
        {ControlCenterTab::workspaces, "workspaces", "工作区与围栏"},
        {ControlCenterTab::smartRules, "smartRules", "智能整理规则"},
        {ControlCenterTab::appearance, "appearance", "液态玻璃实验室"},
        {ControlCenterTab::companion, "companion", "iOS / iPadOS 预览"},
    }};
    static_assert(casesInDeclarationOrder(cases));
};

// The sidebar label of the page (its displayName).
QString title(ControlCenterTab tab);
// The symbol shown beside the label.
QString symbolName(ControlCenterTab tab);

} // namespace mv
