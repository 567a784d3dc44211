#pragma once

#include "core/models/EnumTraits.h"

namespace mv {

// The stored text of every case is its name, so the names below are part of the file format.

enum class FenceKind { portal, curated, notes, checklist };
enum class FenceTintPalette { crystal, cerulean, mint, amber, violet, rose, graphite };
enum class FenceSortMode { manual, nameAsc, dateModifiedDesc, lastAccessedDesc, kindAsc, sizeDesc };
enum class FenceDisplayDensity { grid, compactList };
enum class FenceItemKind { file, folder, app, url, shortcut, command };
enum class WallpaperPreset { tahoeAurora, midnightOcean, warmDusk, frostedGlacier, emeraldMist };
enum class iOSLayoutMode { bentoGrid, spatialCanvas };

template<>
struct EnumInfo<FenceKind> {
    static constexpr const char* noun = "a tab kind";
    static constexpr std::array<EnumCase<FenceKind>, 4> cases{{
        {FenceKind::portal, "portal", "文件夹传送门"},
        {FenceKind::curated, "curated", "快捷启动台"},
        {FenceKind::notes, "notes", "澄栩便签"},
        {FenceKind::checklist, "checklist", "待办清单"},
    }};
    static_assert(casesInDeclarationOrder(cases));
};

template<>
struct EnumInfo<FenceTintPalette> {
    static constexpr const char* noun = "a tint";
    static constexpr std::array<EnumCase<FenceTintPalette>, 7> cases{{
        {FenceTintPalette::crystal, "crystal", "冰晶透明"},
        {FenceTintPalette::cerulean, "cerulean", "晴空冰蓝"},
        {FenceTintPalette::mint, "mint", "青瓷薄荷"},
        {FenceTintPalette::amber, "amber", "琥珀暖光"},
        {FenceTintPalette::violet, "violet", "暮光紫晶"},
        {FenceTintPalette::rose, "rose", "绯樱珊瑚"},
        {FenceTintPalette::graphite, "graphite", "曜石烟灰"},
    }};
    static_assert(casesInDeclarationOrder(cases));
};

template<>
struct EnumInfo<FenceSortMode> {
    static constexpr const char* noun = "a sort mode";
    static constexpr std::array<EnumCase<FenceSortMode>, 6> cases{{
        {FenceSortMode::manual, "manual", "自定义排序"},
        {FenceSortMode::nameAsc, "nameAsc", "名称 (A-Z)"},
        {FenceSortMode::dateModifiedDesc, "dateModifiedDesc", "最近修改"},
        {FenceSortMode::lastAccessedDesc, "lastAccessedDesc", "最近打开"},
        {FenceSortMode::kindAsc, "kindAsc", "文件类型"},
        {FenceSortMode::sizeDesc, "sizeDesc", "文件大小"},
    }};
    static_assert(casesInDeclarationOrder(cases));
};

template<>
struct EnumInfo<FenceDisplayDensity> {
    static constexpr const char* noun = "a display density";
    static constexpr std::array<EnumCase<FenceDisplayDensity>, 2> cases{{
        {FenceDisplayDensity::grid, "grid", "图标网格"},
        {FenceDisplayDensity::compactList, "compactList", "紧凑列表"},
    }};
    static_assert(casesInDeclarationOrder(cases));
};

template<>
struct EnumInfo<FenceItemKind> {
    static constexpr const char* noun = "an item kind";
    static constexpr std::array<EnumCase<FenceItemKind>, 6> cases{{
        {FenceItemKind::file, "file", "文件"},
        {FenceItemKind::folder, "folder", "文件夹"},
        {FenceItemKind::app, "app", "应用"},
        {FenceItemKind::url, "url", "网页链接"},
        {FenceItemKind::shortcut, "shortcut", "快捷指令"},
        {FenceItemKind::command, "command", "动作命令"},
    }};
    static_assert(casesInDeclarationOrder(cases));
};

template<>
struct EnumInfo<WallpaperPreset> {
    static constexpr const char* noun = "a wallpaper preset";
    static constexpr std::array<EnumCase<WallpaperPreset>, 5> cases{{
        {WallpaperPreset::tahoeAurora, "tahoeAurora", "太浩极光"},
        {WallpaperPreset::midnightOcean, "midnightOcean", "深海夜幕"},
        {WallpaperPreset::warmDusk, "warmDusk", "琥珀暮色"},
        {WallpaperPreset::frostedGlacier, "frostedGlacier", "冰川晨雾"},
        {WallpaperPreset::emeraldMist, "emeraldMist", "苍翠澄栩"},
    }};
    static_assert(casesInDeclarationOrder(cases));
};

template<>
struct EnumInfo<iOSLayoutMode> {
    static constexpr const char* noun = "a companion layout";
    static constexpr std::array<EnumCase<iOSLayoutMode>, 2> cases{{
        {iOSLayoutMode::bentoGrid, "bentoGrid", "流式栅格"},
        {iOSLayoutMode::spatialCanvas, "spatialCanvas", "空间画布"},
    }};
    static_assert(casesInDeclarationOrder(cases));
};

// The symbol that a new tab or fence of the kind shows.
QString symbolName(FenceKind kind);

// "#" and six upper-case hexadecimal digits, red, green, blue.
QString hexAccent(FenceTintPalette tint);

} // namespace mv
