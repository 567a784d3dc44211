#include "intents/AppShortcuts.h"

#include "intents/AppIntents.h"

#include <algorithm>

namespace mv {

const QList<AppShortcut>& MorvanteelShortcutsProvider::appShortcuts()
{
    static const QList<AppShortcut> shortcuts{
        {ShortcutIntent::openSpotSearch,
         QStringLiteral("open-spot-search"),
         {{QStringLiteral("打开 "), QStringLiteral(" 搜索")}, {QStringLiteral("使用 "), QStringLiteral(" 搜索")}},
         OpenSpotSearchIntent::title,
         QStringLiteral("magnifyingglass")},
        {ShortcutIntent::runSmartTidy,
         QStringLiteral("run-smart-tidy"),
         {{QStringLiteral("一键智能整理 "), QStringLiteral(" 桌面")}, {QStringLiteral("打开 "), QStringLiteral(" 智能整理")}},
         RunSmartTidyIntent::title,
         QStringLiteral("sparkles.rectangle.stack.fill")},
        {ShortcutIntent::switchWorkspace,
         QStringLiteral("switch-workspace"),
         {{QStringLiteral("切换 "), QStringLiteral(" 工作区")}, {QStringLiteral("在 "), QStringLiteral(" 中切换工作区")}},
         SwitchWorkspaceIntent::title,
         QStringLiteral("square.stack.3d.up.fill")},
    };
    return shortcuts;
}

const AppShortcut* MorvanteelShortcutsProvider::shortcut(const QString& actionName)
{
    const QList<AppShortcut>& shortcuts = appShortcuts();
    const auto found = std::find_if(shortcuts.cbegin(), shortcuts.cend(),
                                    [&](const AppShortcut& s) { return s.actionName == actionName; });
    return found == shortcuts.cend() ? nullptr : &*found;
}

} // namespace mv
