#include "core/store/SeedDataFactory.h"

#include "core/engine/SmartRulesEngine.h"

#include <QDir>

namespace mv::SeedDataFactory {

namespace {

struct TabRow {
    const char* title;
    const char* symbolName;
    FenceKind kind;
    const char* portalSubfolder; // nullptr: no portal; "": the demo folder itself
    FenceSortMode sortMode;
};

struct ItemRow {
    const char* title;
    const char* subtitle;
    FenceItemKind kind;
    const char* target; // nullptr: the demo folder
    const char* symbolName;
    const char* badgeText; // nullptr: none
    bool isPinned;
};

struct TaskRow {
    const char* title;
    bool isCompleted;
    bool isFlagged;
};

struct FenceRow {
    int workspace;
    const char* title;
    const char* symbolName;
    FenceTintPalette tint;
    double glassOpacity;
    double cornerRadius;
    FenceFrameRect desktopFrame;
    FenceFrameRect canvasFrame;
    qint64 bentoOrder;
    qint64 bentoColumnSpan;
};

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

class Builder final {
public:
    Builder(const QString& demoRoot, const StoreEnvironment& environment) : m_demoRoot(demoRoot), m_environment(environment) {}

    WorkspaceProfile workspace(const char* name, const char* symbol, FenceTintPalette tint, WallpaperPreset wallpaper) const
    {
        return {m_environment.makeID(), text(name), text(symbol), tint, wallpaper, m_environment.now()};
    }

    FenceTab tab(const TabRow& row) const
    {
        FenceTab tab;
        tab.id = m_environment.makeID();
        tab.title = text(row.title);
        tab.symbolName = text(row.symbolName);
        tab.kind = row.kind;
        if (row.portalSubfolder)
            tab.portalPath = *row.portalSubfolder ? QDir(m_demoRoot).filePath(text(row.portalSubfolder)) : m_demoRoot;
        tab.showHiddenFiles = false;
        tab.showExtensions = true;
        tab.sortMode = row.sortMode;
        return tab;
    }

    FenceItem item(const ItemRow& row) const
    {
        FenceItem item;
        item.id = m_environment.makeID();
        item.title = text(row.title);
        item.subtitle = text(row.subtitle);
        item.kind = row.kind;
        item.target = row.target ? text(row.target) : m_demoRoot;
        item.symbolName = text(row.symbolName);
        if (row.badgeText)
            item.badgeText = text(row.badgeText);
        item.isPinned = row.isPinned;
        return item;
    }

    FenceChecklistTask task(const TaskRow& row) const
    {
        const QDateTime now = m_environment.now();
        FenceChecklistTask task{m_environment.makeID(), text(row.title), row.isCompleted, now, std::nullopt, row.isFlagged};
        if (row.isCompleted)
            task.completedAt = now;
        return task;
    }

    FenceModel fence(const FenceRow& row, const QUuid& workspaceID, QList<FenceTab> tabs) const
    {
        const QDateTime now = m_environment.now();
        const QUuid firstTab = tabs.first().id;
        const FenceStyleConfig style{row.tint, row.glassOpacity, row.cornerRadius, 1, FenceDisplayDensity::grid, false, 0.48, true};
        return FenceModel::make(m_environment.makeID(), workspaceID, text(row.title), text(row.symbolName), std::move(tabs),
                                firstTab, false, false, false, row.desktopFrame, row.canvasFrame, row.bentoOrder,
                                row.bentoColumnSpan, style, now, now);
    }

private:
    const QString& m_demoRoot;
    const StoreEnvironment& m_environment;
};

// The keys as this desktop names them and the hot keys bind them: Alt and Ctrl.
const char* const shortcutsNote =
    "• 双击围栏标题栏：顺滑卷起 / 展开胶囊\n"
    "• Alt + Space：Peek 透视所有桌面围栏\n"
    "• Alt + H：一键隐身桌面围栏展示壁纸\n"
    "• Ctrl + K：SpotSearch 毫秒检索全部文件\n"
    "• Ctrl + Z：安全撤销最近一次文件归类移动";

const char* const readingNote = "好的界面应当像自然界的光与玻璃：响应手指的速度，在边界柔和回弹，不打扰思考本身。";

} // namespace

SeedBundle makeDefaultSeed(const QString& demoRootPath, const StoreEnvironment& environment)
{
    const Builder make(demoRootPath, environment);
    SeedBundle seed;

    seed.workspaces = {
        make.workspace("高效工作台", "laptopcomputer.and.iphone", FenceTintPalette::cerulean, WallpaperPreset::tahoeAurora),
        make.workspace("创意工坊", "paintpalette.fill", FenceTintPalette::violet, WallpaperPreset::midnightOcean),
        make.workspace("日常空间", "sparkles", FenceTintPalette::mint, WallpaperPreset::frostedGlacier),
    };
    seed.activeWorkspaceID = seed.workspaces[0].id;
    const auto workspaceID = [&](int number) { return seed.workspaces[number - 1].id; };

    const FenceRow fences[] = {
        {1, "桌面收纳盒", "folder.badge.gearshape", FenceTintPalette::cerulean, 0.78, 24, {42, 420, 390, 340}, {20, 20, 356, 290}, 0, 2},
        {1, "高频启动台", "square.grid.2x2.fill", FenceTintPalette::crystal, 0.74, 24, {452, 470, 340, 290}, {392, 20, 332, 260}, 1, 2},
        {1, "今日聚焦清单", "checklist", FenceTintPalette::mint, 0.72, 22, {452, 150, 340, 300}, {20, 326, 356, 250}, 2, 1},
        {1, "澄栩便签 · 快捷键", "note.text", FenceTintPalette::amber, 0.74, 22, {42, 150, 390, 250}, {392, 296, 332, 250}, 3, 1},
        {2, "视觉素材传送门", "photo.on.rectangle.angled", FenceTintPalette::violet, 0.76, 24, {60, 340, 380, 340}, {20, 20, 356, 280}, 0, 2},
        {2, "灵感与设计工具", "paintbrush.pointed.fill", FenceTintPalette::rose, 0.74, 24, {460, 390, 330, 290}, {392, 20, 332, 260}, 1, 2},
        {3, "周末灵感与日常", "sun.max.fill", FenceTintPalette::mint, 0.75, 24, {80, 360, 350, 290}, {20, 20, 356, 260}, 0, 2},
        {3, "阅读摘录", "book.pages.fill", FenceTintPalette::crystal, 0.72, 24, {450, 360, 340, 290}, {20, 296, 356, 220}, 1, 2},
    };

    // Fence 1: four portals over the demo folder and its subfolders.
    QList<FenceTab> storage{
        make.tab({"暂存桌面", "tray.full.fill", FenceKind::portal, "", FenceSortMode::nameAsc}),
        make.tab({"工作文档", "doc.text.fill", FenceKind::portal, "工作文档", FenceSortMode::dateModifiedDesc}),
        make.tab({"截屏归档", "camera.viewfinder", FenceKind::portal, "截屏归档", FenceSortMode::dateModifiedDesc}),
        make.tab({"代码工程", "chevron.left.forwardslash.chevron.right", FenceKind::portal, "代码工程", FenceSortMode::nameAsc}),
    };
    seed.fences.append(make.fence(fences[0], workspaceID(1), storage));

    // Fence 2: the launchers.
    FenceTab tools = make.tab({"效率工具", "bolt.fill", FenceKind::curated, nullptr, FenceSortMode::nameAsc});
    tools.items = {
        make.item({"苹果备忘录", "快速记录", FenceItemKind::shortcut, "mobilenotes://", "note.text", "App", true}),
        make.item({"提醒事项", "日程管理", FenceItemKind::shortcut, "x-apple-reminderkit://", "checklist", "App", false}),
        make.item({"快捷指令", "自动化流", FenceItemKind::shortcut, "shortcuts://", "wand.and.stars", "Flow", false}),
        make.item({"文件管理器", "暂存根目录", FenceItemKind::folder, nullptr, "folder.fill", "Dir", false}),
        make.item({"一键智能整理", "预演并归档", FenceItemKind::command, "morvanteel://smart-tidy", "sparkles.rectangle.stack.fill", "Action", false}),
        make.item({"SpotSearch", "全局检索", FenceItemKind::command, "morvanteel://spot-search", "magnifyingglass", "Ctrl+K", false}),
    };
    FenceTab docs = make.tab({"研发文档", "globe", FenceKind::curated, nullptr, FenceSortMode::nameAsc});
    docs.items = {
        make.item({"Liquid Glass 指南", "developer.apple.com", FenceItemKind::url,
                   "https://developer.apple.com/documentation/swiftui/applying-liquid-glass-to-custom-views", "apple.logo", "HIG", false}),
        make.item({"Swift 官网", "swift.org", FenceItemKind::url, "https://www.swift.org", "swift", "Docs", false}),
        make.item({"GitHub 工作台", "github.com", FenceItemKind::url, "https://github.com", "chevron.left.forwardslash.chevron.right", "Git", false}),
    };
    seed.fences.append(make.fence(fences[1], workspaceID(1), {tools, docs}));

    // Fence 3: today's checklist.
    FenceTab today = make.tab({"待办", "checkmark.circle", FenceKind::checklist, nullptr, FenceSortMode::nameAsc});
    today.tasks = {
        make.task({"确认 Liquid Glass 围栏透明度与对比度", true, false}),
        make.task({"使用“智能整理”预演并归类桌面散落文件", false, true}),
        make.task({"在 iOS 主屏幕添加 Morvanteel 快捷围栏小组件", false, false}),
        make.task({"导出一份 JSON 布局快照作为双端备份", false, false}),
    };
    seed.fences.append(make.fence(fences[2], workspaceID(1), {today}));

    // Fence 4: the shortcut note.
    FenceTab quickNote = make.tab({"速记", "pencil", FenceKind::notes, nullptr, FenceSortMode::nameAsc});
    quickNote.noteText = text(shortcutsNote);
    seed.fences.append(make.fence(fences[3], workspaceID(1), {quickNote}));

    // Fence 5: the visual material portal.
    seed.fences.append(make.fence(fences[4], workspaceID(2),
                                  {make.tab({"素材库", "photo.stack.fill", FenceKind::portal, "视觉素材", FenceSortMode::dateModifiedDesc})}));

    // Fence 6: design tools.
    FenceTab flow = make.tab({"工作流", "sparkles", FenceKind::curated, nullptr, FenceSortMode::nameAsc});
    flow.items = {
        make.item({"Figma 设计稿", "figma.com", FenceItemKind::url, "https://www.figma.com", "square.on.square.intersection.dashed", nullptr, false}),
        make.item({"SF Symbols", "Apple 图标库", FenceItemKind::url, "https://developer.apple.com/sf-symbols/", "star.square.on.square.fill", nullptr, false}),
        make.item({"色彩灵感", "配色方案", FenceItemKind::url, "https://coolors.co", "paintpalette.fill", nullptr, false}),
    };
    seed.fences.append(make.fence(fences[5], workspaceID(2), {flow}));

    // Fence 7: everyday checklist.
    FenceTab life = make.tab({"生活清单", "checklist", FenceKind::checklist, nullptr, FenceSortMode::nameAsc});
    life.tasks = {
        make.task({"整理相册精选并同步到 iCloud", false, false}),
        make.task({"备份本周读书笔记与播客摘录", false, false}),
        make.task({"散步拍照 30 分钟", true, false}),
    };
    seed.fences.append(make.fence(fences[6], workspaceID(3), {life}));

    // Fence 8: the reading note.
    FenceTab excerpt = make.tab({"摘录", "text.quote", FenceKind::notes, nullptr, FenceSortMode::nameAsc});
    excerpt.noteText = text(readingNote);
    seed.fences.append(make.fence(fences[7], workspaceID(3), {excerpt}));

    seed.smartRules = SmartRulesEngine::defaultRules(std::nullopt, std::nullopt, std::nullopt, QUrl::fromLocalFile(demoRootPath));
    return seed;
}

} // namespace mv::SeedDataFactory
