#include "core/store/SeedDataFactory.h"

#include <QDir>
#include "support/TestStrings.h"

#include <QtTest>

using namespace mv;

namespace {

StoreEnvironment tickingEnvironment()
{
    StoreEnvironment environment;
    auto tick = std::make_shared<qint64>(0);
    environment.now = [tick] { return QDateTime::fromSecsSinceEpoch(1780000000, Qt::UTC).addMSecs((*tick)++); };
    return environment;
}

// The seed with every id and time blanked, so that two seeds can be compared.
SeedDataFactory::SeedBundle withoutIdentity(SeedDataFactory::SeedBundle seed)
{
    const QDateTime none;
    seed.activeWorkspaceID = {};
    for (WorkspaceProfile& w : seed.workspaces) {
        w.id = {};
        w.createdAt = none;
    }
    for (FenceModel& f : seed.fences) {
        f.id = f.workspaceID = f.activeTabID = {};
        f.createdAt = f.updatedAt = none;
        for (FenceTab& t : f.tabs) {
            t.id = {};
            for (FenceItem& i : t.items)
                i.id = {};
            for (FenceChecklistTask& k : t.tasks) {
                k.id = {};
                k.createdAt = none;
                if (k.completedAt)
                    k.completedAt = none;
            }
        }
    }
    for (SmartRule& r : seed.smartRules) {
        r.id = {};
        for (RuleCondition& c : r.conditions)
            c.id = {};
    }
    return seed;
}

bool operator==(const SeedDataFactory::SeedBundle& a, const SeedDataFactory::SeedBundle& b)
{
    return a.workspaces == b.workspaces && a.activeWorkspaceID == b.activeWorkspaceID && a.fences == b.fences
        && a.smartRules == b.smartRules;
}

} // namespace

class SeedTest final : public QObject {
    Q_OBJECT

private:
    const QString demo = QStringLiteral("/home/林晓/.local/share/Morvanteel/DemoDesktop");

private Q_SLOTS:
    void workspacesAndFencesFollowTheTables()
    {
        const auto seed = SeedDataFactory::makeDefaultSeed(demo, tickingEnvironment());
        QCOMPARE(seed.workspaces.size(), 3);
        QCOMPARE(seed.workspaces[0].name, QStringLiteral("高效工作台"));
        QCOMPARE(seed.workspaces[0].symbolName, QStringLiteral("laptopcomputer.and.iphone"));
        QCOMPARE(seed.workspaces[1].accentTint, FenceTintPalette::violet);
        QCOMPARE(seed.workspaces[1].wallpaperPreset, WallpaperPreset::midnightOcean);
        QCOMPARE(seed.workspaces[2].name, QStringLiteral("日常空间"));
        QCOMPARE(seed.workspaces[2].wallpaperPreset, WallpaperPreset::frostedGlacier);
        QCOMPARE(seed.activeWorkspaceID, seed.workspaces[0].id);

        struct Row { int workspace; const char* title; FenceTintPalette tint; double opacity; double radius; FenceFrameRect desktop; FenceFrameRect canvas; qint64 order; qint64 span; int tabs; };
        const Row rows[] = {
            {0, "桌面收纳盒", FenceTintPalette::cerulean, 0.78, 24, {42, 420, 390, 340}, {20, 20, 356, 290}, 0, 2, 4},
            {0, "高频启动台", FenceTintPalette::crystal, 0.74, 24, {452, 470, 340, 290}, {392, 20, 332, 260}, 1, 2, 2},
            {0, "今日聚焦清单", FenceTintPalette::mint, 0.72, 22, {452, 150, 340, 300}, {20, 326, 356, 250}, 2, 1, 1},
            {0, "澄栩便签 · 快捷键", FenceTintPalette::amber, 0.74, 22, {42, 150, 390, 250}, {392, 296, 332, 250}, 3, 1, 1},
            {1, "视觉素材传送门", FenceTintPalette::violet, 0.76, 24, {60, 340, 380, 340}, {20, 20, 356, 280}, 0, 2, 1},
            {1, "灵感与设计工具", FenceTintPalette::rose, 0.74, 24, {460, 390, 330, 290}, {392, 20, 332, 260}, 1, 2, 1},
            {2, "周末灵感与日常", FenceTintPalette::mint, 0.75, 24, {80, 360, 350, 290}, {20, 20, 356, 260}, 0, 2, 1},
            {2, "阅读摘录", FenceTintPalette::crystal, 0.72, 24, {450, 360, 340, 290}, {20, 296, 356, 220}, 1, 2, 1},
        };
        QCOMPARE(seed.fences.size(), 8);
        for (int i = 0; i < 8; ++i) {
            const FenceModel& fence = seed.fences[i];
            const Row& row = rows[i];
            QCOMPARE(fence.title, QString::fromUtf8(row.title));
            QCOMPARE(fence.workspaceID, seed.workspaces[row.workspace].id);
            QCOMPARE(fence.style.tint, row.tint);
            QCOMPARE(fence.style.glassOpacity, row.opacity);
            QCOMPARE(fence.style.cornerRadius, row.radius);
            QCOMPARE(fence.style, (FenceStyleConfig{row.tint, row.opacity, row.radius, 1, FenceDisplayDensity::grid, false, 0.48, true}));
            QCOMPARE(fence.desktopFrame, row.desktop);
            QCOMPARE(fence.canvasFrame, row.canvas);
            QCOMPARE(fence.bentoOrder, row.order);
            QCOMPARE(fence.bentoColumnSpan, row.span);
            QCOMPARE(fence.tabs.size(), row.tabs);
            QCOMPARE(fence.activeTab()->id, fence.tabs.first().id);
            QVERIFY(!fence.isCollapsed && !fence.isPinned && !fence.isLocked);
            for (const FenceTab& tab : fence.tabs) {
                QVERIFY(!tab.portalBookmarkBase64 && tab.portalFilter.isEmpty() && !tab.showHiddenFiles && tab.showExtensions);
                QVERIFY(tab.manualOrder.isEmpty());
                QCOMPARE(tab.portalPath.has_value(), tab.kind == FenceKind::portal);
            }
            if (i > 0)
                QVERIFY(fence.createdAt > seed.fences[i - 1].createdAt);
        }
        // The U+00B7 middle dot of the note fence's title.
        QVERIFY(seed.fences[3].title.contains(QChar(0x00B7)));
    }

    void tabsItemsTasksAndNotes()
    {
        const auto seed = SeedDataFactory::makeDefaultSeed(demo, tickingEnvironment());
        const FenceModel& storage = seed.fences[0];
        QCOMPARE(storage.tabs[0].portalPath, std::optional<QString>(demo));
        QCOMPARE(storage.tabs[0].sortMode, FenceSortMode::nameAsc);
        QCOMPARE(storage.tabs[1].portalPath, std::optional<QString>(demo + QStringLiteral("/工作文档")));
        QCOMPARE(storage.tabs[1].sortMode, FenceSortMode::dateModifiedDesc);
        QCOMPARE(storage.tabs[2].portalPath, std::optional<QString>(demo + QStringLiteral("/截屏归档")));
        QCOMPARE(storage.tabs[3].symbolName, QStringLiteral("chevron.left.forwardslash.chevron.right"));
        QCOMPARE(seed.fences[4].tabs[0].portalPath, std::optional<QString>(demo + QStringLiteral("/视觉素材")));

        const QList<FenceItem>& tools = seed.fences[1].tabs[0].items;
        QCOMPARE(tools.size(), 6);
        QCOMPARE(tools[0].title, QStringLiteral("苹果备忘录"));
        QCOMPARE(tools[0].target, QStringLiteral("mobilenotes://"));
        QCOMPARE(tools[3].target, demo);
        QCOMPARE(tools[3].kind, FenceItemKind::folder);
        QCOMPARE(tools[4].target, QStringLiteral("morvanteel://smart-tidy"));
        QCOMPARE(tools[5].target, QStringLiteral("morvanteel://spot-search"));
        QCOMPARE(tools[5].badgeText, std::optional<QString>(QStringLiteral("Ctrl+K")));
        const QList<FenceItem>& docs = seed.fences[1].tabs[1].items;
        QCOMPARE(docs.size(), 3);
        QVERIFY(docs[0].target.endsWith(QStringLiteral("/documentation/swiftui/applying-liquid-glass-to-custom-views")));
        const QList<FenceItem>& flow = seed.fences[5].tabs[0].items;
        QVERIFY(flow[1].target.endsWith(QStringLiteral("/sf-symbols/")));
        QCOMPARE(flow[1].subtitle, std::optional<QString>(QStringLiteral("Apple 图标库")));
        QVERIFY(!flow[0].badgeText);
        // Web items name their own host, without "www.", and are secure.
        QCOMPARE(QUrl(flow[2].target).scheme(), QStringLiteral("https"));
        for (const FenceItem& item : docs + QList<FenceItem>{flow[0]}) {
            const QUrl url(item.target);
            QCOMPARE(url.scheme(), QStringLiteral("https"));
            QString host = url.host();
            if (host.startsWith(QStringLiteral("www.")))
                host.remove(0, 4);
            QCOMPARE(*item.subtitle, host);
        }

        int pinned = 0;
        int flagged = 0;
        int completed = 0;
        for (const FenceModel& fence : seed.fences) {
            for (const FenceTab& tab : fence.tabs) {
                for (const FenceItem& item : tab.items) {
                    pinned += item.isPinned;
                    QVERIFY(!item.lastOpenedAt);
                }
                for (const FenceChecklistTask& task : tab.tasks) {
                    flagged += task.isFlagged;
                    completed += task.isCompleted;
                    QCOMPARE(task.completedAt.has_value(), task.isCompleted);
                }
            }
        }
        QCOMPARE(pinned, 1);
        QVERIFY(tools[0].isPinned);
        QCOMPARE(flagged, 1);
        QCOMPARE(completed, 2);
        const QList<FenceChecklistTask>& today = seed.fences[2].tabs[0].tasks;
        QCOMPARE(today[1].title, QStringLiteral("使用“智能整理”预演并归类桌面散落文件"));
        QVERIFY(today[1].isFlagged);
        QVERIFY(today[0].isCompleted);
        QVERIFY(seed.fences[6].tabs[0].tasks[2].isCompleted);

        const QString note = seed.fences[3].tabs[0].noteText;
        QVERIFY(note.startsWith(QStringLiteral("• 双击围栏标题栏：顺滑卷起 / 展开胶囊\n• Alt + Space：Peek")));
        QCOMPARE(note.count(u'\n'), 4);
        QVERIFY(!note.endsWith(u'\n'));
        QVERIFY(note.endsWith(QStringLiteral("• Ctrl + Z：安全撤销最近一次文件归类移动")));
        QCOMPARE(seed.fences[7].tabs[0].noteText,
                 QStringLiteral("好的界面应当像自然界的光与玻璃：响应手指的速度，在边界柔和回弹，不打扰思考本身。"));
    }

    void rulesTargetTheDemoSubfolders()
    {
        const auto seed = SeedDataFactory::makeDefaultSeed(demo, tickingEnvironment());
        QCOMPARE(seed.smartRules.size(), 5);
        const QStringList folders = utf8List({"截屏归档", "视觉素材", "工作文档", "代码工程", "压缩归档"});
        for (int i = 0; i < 5; ++i) {
            const SmartRule& rule = seed.smartRules[i];
            QVERIFY(!rule.targetFenceID);
            QCOMPARE(rule.targetDirectoryPath, std::optional<QString>(demo + u'/' + folders[i]));
            QCOMPARE(rule.targetSubfolderName, folders[i]);
            QVERIFY(rule.isEnabled);
        }
    }

    void twoSeedsDifferOnlyInIdsAndTimes()
    {
        const auto a = SeedDataFactory::makeDefaultSeed(demo, tickingEnvironment());
        const auto b = SeedDataFactory::makeDefaultSeed(demo, tickingEnvironment());
        QVERIFY(a.workspaces[0].id != b.workspaces[0].id);
        QVERIFY(a.fences[0].tabs[0].id != b.fences[0].tabs[0].id);
        QVERIFY(withoutIdentity(a) == withoutIdentity(b));
    }
};

QTEST_GUILESS_MAIN(SeedTest)
#include "tst_seed.moc"
