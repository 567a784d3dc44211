#include "support/StoreFixture.h"

#include <QSignalSpy>
#include <QtTest>

#include <functional>

using namespace mv;

namespace {

FenceChecklistTask task(const QString& title, const QDateTime& createdAt)
{
    return {newUuid(), title, false, createdAt, std::nullopt, false};
}

FenceItem item(const QString& title)
{
    return {newUuid(), title, std::nullopt, FenceItemKind::url, QStringLiteral("https://example.org"),
            QStringLiteral("link"), std::nullopt, false, std::nullopt};
}

// A store without the seed holding one workspace and the fences a test adds, saved once; the
// clock then moves on so that each later save has its own stamp.
struct Scene {
    StoreFixture f;
    std::unique_ptr<MorvanteelStore> store;
    QUuid workspaceID = newUuid();

    Scene()
    {
        store = f.makeStore(Seeding::disabled);
        store->setWorkspaces({{workspaceID, QStringLiteral("工作区"), QStringLiteral("star"), FenceTintPalette::mint,
                               WallpaperPreset::tahoeAurora, f.clock}});
        store->setActiveWorkspaceID(workspaceID);
        store->save();
        tick();
    }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // A fence with the given tabs; activeTabID names the tab at `activeIndex`, or no tab at all
    // when the index is out of range.
    FenceModel addFence(QList<FenceTab> tabs, qsizetype activeIndex = 0)
    {
        const QUuid active = activeIndex >= 0 && activeIndex < tabs.size() ? tabs[activeIndex].id : newUuid();
        FenceModel fence = FenceModel::make(newUuid(), workspaceID, QStringLiteral("围栏"), QStringLiteral("tray"), tabs,
                                            active, false, false, false, {10, 20, 300, 200}, {1, 2, 3, 4}, 0, 2,
                                            {FenceTintPalette::rose, 0.5, 10, 1, FenceDisplayDensity::grid, false, 0.4, true},
                                            f.clock.addDays(-1), f.clock.addDays(-1));
        QList<FenceModel> fences = store->fences();
        fences.append(fence);
        [&] { QVERIFY(store->setFences(fences)); }();
        store->save();
        tick();
        return fence;
    }

    FenceModel stored(const FenceModel& fence) const { return store->fence(fence.id).value(); }
    void tick() { f.clock = f.clock.addSecs(60); }
    int saves() const { return f.reloader->requestCount(); }
    QByteArray stateBytes() const
    {
        store->flushPendingSaves();
        return StoreFixture::readFile(f.statePath());
    }

    // The state file holds the store's fences as of the current clock.
    bool savedNow() const
    {
        const auto document = decodeDocument(stateBytes());
        return document && document.value().exportedAt == f.clock && document.value().fences == store->fences();
    }
};

using Operation = std::function<void(Scene&, const FenceModel& fence)>;
using TabCheck = std::function<bool(const FenceTab& tab)>;

} // namespace

Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(TabCheck)
Q_DECLARE_METATYPE(mv::FenceKind)

class TabOperationsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void selectTabSavesEvenWhenAlreadyActive_data()
    {
        QTest::addColumn<int>("target");
        // Any tab of the fence becomes active, the fence is touched and saved; the one already
        // active as well.
        QTest::newRow("another tab") << 2;
        QTest::newRow("the active tab") << 0;
    }

    void selectTabSavesEvenWhenAlreadyActive()
    {
        QFETCH(int, target);
        Scene s;
        const FenceModel fence = s.addFence({plainTab(FenceKind::notes, QStringLiteral("一")), plainTab(FenceKind::curated, QStringLiteral("二")),
                                             plainTab(FenceKind::checklist, QStringLiteral("三"))});
        const int before = s.saves();
        s.store->selectTab(fence.id, fence.tabs[target].id);

        FenceModel expected = fence;
        expected.activeTabID = fence.tabs[target].id;
        expected.updatedAt = s.f.clock;
        QCOMPARE(s.stored(fence), expected);
        QCOMPARE(s.saves(), before + 1);
        QVERIFY(s.savedNow());
    }

    void addTabStartsEmptyWithTheKindsLook_data()
    {
        QTest::addColumn<FenceKind>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("expectedTitle");
        QTest::addColumn<QString>("symbol");
        // The tab is titled by the trimmed title, or the kind's title when blank, carries the
        // kind's symbol and no starting content; a portal without a path shows the demo folder.
        QTest::newRow("portal") << FenceKind::portal << QString() << QStringLiteral("文件夹传送门") << QStringLiteral("folder.badge.gearshape");
        QTest::newRow("curated") << FenceKind::curated << QStringLiteral(" 工具 \n") << QStringLiteral("工具") << QStringLiteral("square.grid.2x2.fill");
        QTest::newRow("notes") << FenceKind::notes << QStringLiteral("\t\n") << QStringLiteral("澄栩便签") << QStringLiteral("note.text");
        QTest::newRow("checklist") << FenceKind::checklist << QStringLiteral("  ") << QStringLiteral("待办清单") << QStringLiteral("checklist");
    }

    void addTabStartsEmptyWithTheKindsLook()
    {
        QFETCH(FenceKind, kind);
        QFETCH(QString, title);
        QFETCH(QString, expectedTitle);
        QFETCH(QString, symbol);
        Scene s;
        const FenceModel fence = s.addFence({plainTab(FenceKind::curated, QStringLiteral("原有"))});

        const auto made = s.store->addTab(fence.id, title, kind);
        QVERIFY(made);
        FenceTab expected;
        expected.id = made->id;
        expected.title = expectedTitle;
        expected.symbolName = symbol;
        expected.kind = kind;
        if (kind == FenceKind::portal)
            expected.portalPath = s.f.demoPath();
        expected.showHiddenFiles = false;
        expected.showExtensions = true;
        expected.sortMode = FenceSortMode::nameAsc;
        QCOMPARE(*made, expected);

        const FenceModel now = s.stored(fence);
        QCOMPARE(now.tabs, (QList<FenceTab>{fence.tabs[0], expected}));
        QCOMPARE(now.activeTabID, made->id);
        QCOMPARE(now.updatedAt, s.f.clock);
        QVERIFY(s.savedNow());
    }

    void addTabKeepsAGivenPath()
    {
        Scene s;
        const FenceModel fence = s.addFence({plainTab(FenceKind::notes, QStringLiteral("便签"))});
        const auto portal = s.store->addTab(fence.id, QStringLiteral("下载"), FenceKind::portal, QStringLiteral("/home/用户/下载"));
        const auto curated = s.store->addTab(fence.id, QStringLiteral("链接"), FenceKind::curated, QStringLiteral("/opt"));
        QCOMPARE(portal->portalPath, std::optional<QString>(QStringLiteral("/home/用户/下载")));
        QCOMPARE(curated->portalPath, std::optional<QString>(QStringLiteral("/opt")));
        QCOMPARE(s.stored(fence).tabs, (QList<FenceTab>{fence.tabs[0], *portal, *curated}));
        QCOMPARE(s.stored(fence).activeTabID, curated->id);
        QVERIFY(s.savedNow());

        // An unknown fence gets no tab.
        const int before = s.saves();
        QVERIFY(!s.store->addTab(newUuid(), QStringLiteral("无"), FenceKind::notes));
        QCOMPARE(s.saves(), before);
    }

    void removeTabMovesTheActiveTabOnlyWhenItWentAway_data()
    {
        QTest::addColumn<int>("active");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("expectedActive"); // index into the three tabs before the removal
        // Removing the active tab makes the first remaining tab active; removing another one
        // keeps the active tab.
        QTest::newRow("active middle") << 1 << 1 << 0;
        QTest::newRow("active first") << 0 << 0 << 1;
        QTest::newRow("inactive") << 2 << 0 << 2;
    }

    void removeTabMovesTheActiveTabOnlyWhenItWentAway()
    {
        QFETCH(int, active);
        QFETCH(int, removed);
        QFETCH(int, expectedActive);
        Scene s;
        const FenceModel fence = s.addFence({plainTab(FenceKind::notes, QStringLiteral("一")), plainTab(FenceKind::curated, QStringLiteral("二")),
                                             plainTab(FenceKind::checklist, QStringLiteral("三"))},
                                            active);
        s.store->removeTab(fence.id, fence.tabs[removed].id);

        QList<FenceTab> remaining = fence.tabs;
        remaining.removeAt(removed);
        const FenceModel now = s.stored(fence);
        QCOMPARE(now.tabs, remaining);
        QCOMPARE(now.activeTabID, fence.tabs[expectedActive].id);
        QCOMPARE(now.updatedAt, s.f.clock);
        QVERIFY(s.savedNow());
    }

    void addTaskPutsTheNewestFirst()
    {
        Scene s;
        const FenceChecklistTask old = task(QStringLiteral("旧的"), s.f.clock.addDays(-2));
        FenceTab checklist = plainTab(FenceKind::checklist, QStringLiteral("清单"));
        checklist.tasks = {old};
        const FenceModel fence = s.addFence({checklist});

        s.store->addTask(QStringLiteral("  买牛奶 \n"), fence.id);
        const QList<FenceChecklistTask> tasks = s.stored(fence).tabs[0].tasks;
        QCOMPARE(tasks.size(), 2);
        QCOMPARE(tasks[0], (FenceChecklistTask{tasks[0].id, QStringLiteral("买牛奶"), false, s.f.clock, std::nullopt, false}));
        QVERIFY(tasks[0].id != old.id && !tasks[0].id.isNull());
        QCOMPARE(tasks[1], old);
        QCOMPARE(s.stored(fence).updatedAt, s.f.clock);
        QVERIFY(s.savedNow());
    }

    void toggleTaskFindsItInAnyTab()
    {
        Scene s;
        FenceTab checklist = plainTab(FenceKind::checklist, QStringLiteral("清单"));
        const FenceChecklistTask target = task(QStringLiteral("回电话"), s.f.clock.addDays(-1));
        checklist.tasks = {task(QStringLiteral("别的"), s.f.clock), target};
        // The same id again in a later tab: only the first one found is toggled.
        FenceTab later = plainTab(FenceKind::checklist, QStringLiteral("另一个"));
        later.tasks = {target};
        const FenceModel fence = s.addFence({plainTab(FenceKind::notes, QStringLiteral("便签")), checklist, later}, 0);

        s.store->toggleTask(target.id, fence.id);
        FenceModel now = s.stored(fence);
        QVERIFY(now.tabs[1].tasks[1].isCompleted);
        QCOMPARE(now.tabs[1].tasks[1].completedAt, std::optional<QDateTime>(s.f.clock));
        QCOMPARE(now.tabs[2].tasks[0], target);
        QCOMPARE(now.tabs[1].tasks[0], checklist.tasks[0]);
        QCOMPARE(now.activeTabID, fence.tabs[0].id);
        QCOMPARE(now.updatedAt, s.f.clock);
        QVERIFY(s.savedNow());

        s.tick();
        s.store->toggleTask(target.id, fence.id);
        now = s.stored(fence);
        QCOMPARE(now.tabs[1].tasks[1], target);
        QCOMPARE(now.updatedAt, s.f.clock);
        QVERIFY(s.savedNow());
    }

    void updateNoteTextKeepsTheTextAsGiven_data()
    {
        QTest::addColumn<QString>("text");
        // Nothing is trimmed, and empty text is text.
        QTest::newRow("padded") << QStringLiteral("  开会\n\n  ");
        QTest::newRow("empty") << QString();
        QTest::newRow("white space only") << QStringLiteral(" \t\r\n");
    }

    void updateNoteTextKeepsTheTextAsGiven()
    {
        QFETCH(QString, text);
        Scene s;
        FenceTab note = plainTab(FenceKind::notes, QStringLiteral("便签"));
        note.noteText = QStringLiteral("原来的");
        const FenceModel fence = s.addFence({note});
        s.store->updateNoteText(text, fence.id);
        QCOMPARE(s.stored(fence).tabs[0].noteText, text);
        QCOMPARE(s.stored(fence).updatedAt, s.f.clock);
        QVERIFY(s.savedNow());
    }

    void contentOperationsChangeTheFirstTabWhenTheActiveIdNamesNone_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<TabCheck>("changed");
        // With an activeTabID that names no tab, the first tab is the target, and the stored
        // activeTabID stays as it was.
        QTest::newRow("addItem") << Operation([](Scene& s, const FenceModel& f) { s.store->addItem(item(QStringLiteral("网站")), f.id); })
                                 << TabCheck([](const FenceTab& t) { return t.items.size() == 1 && t.items[0].title == QStringLiteral("网站"); });
        QTest::newRow("addTask") << Operation([](Scene& s, const FenceModel& f) { s.store->addTask(QStringLiteral("任务"), f.id); })
                                 << TabCheck([](const FenceTab& t) { return t.tasks.size() == 1 && t.tasks[0].title == QStringLiteral("任务"); });
        QTest::newRow("updateNoteText") << Operation([](Scene& s, const FenceModel& f) { s.store->updateNoteText(QStringLiteral("文字"), f.id); })
                                        << TabCheck([](const FenceTab& t) { return t.noteText == QStringLiteral("文字"); });
        QTest::newRow("portal filter") << Operation([](Scene& s, const FenceModel& f) {
            s.store->updateActiveTab(f.id, [](FenceTab& t) { t.portalFilter = QStringLiteral("pdf"); });
        }) << TabCheck([](const FenceTab& t) { return t.portalFilter == QStringLiteral("pdf"); });
        QTest::newRow("sort and switches") << Operation([](Scene& s, const FenceModel& f) {
            s.store->updateActiveTab(f.id, [](FenceTab& t) {
                t.sortMode = FenceSortMode::sizeDesc;
                t.showHiddenFiles = true;
                t.showExtensions = false;
            });
        }) << TabCheck([](const FenceTab& t) { return t.sortMode == FenceSortMode::sizeDesc && t.showHiddenFiles && !t.showExtensions; });
    }

    void contentOperationsChangeTheFirstTabWhenTheActiveIdNamesNone()
    {
        QFETCH(Operation, operation);
        QFETCH(TabCheck, changed);
        Scene s;
        FenceTab first = plainTab(FenceKind::portal, QStringLiteral("第一"));
        first.portalPath = QStringLiteral("/srv");
        const FenceModel fence = s.addFence({first, plainTab(FenceKind::notes, QStringLiteral("第二"))}, -1);
        QVERIFY(!fence.activeTabID.isNull() && fence.activeTabID != fence.tabs[0].id && fence.activeTabID != fence.tabs[1].id);

        operation(s, fence);
        const FenceModel now = s.stored(fence);
        QVERIFY(changed(now.tabs[0]));
        QCOMPARE(now.tabs[1], fence.tabs[1]);
        QCOMPARE(now.activeTabID, fence.activeTabID);
        QCOMPARE(now.updatedAt, s.f.clock);
        QVERIFY(s.savedNow());
    }

    void removalsSaveEvenWhenNothingMatched_data()
    {
        QTest::addColumn<Operation>("operation");
        // Removing an item, a task or a tab by an id that is not there still touches the
        // fence and saves; the content stays as it was.
        QTest::newRow("removeItem") << Operation([](Scene& s, const FenceModel& f) { s.store->removeItem(newUuid(), f.id); });
        QTest::newRow("deleteTask") << Operation([](Scene& s, const FenceModel& f) { s.store->deleteTask(newUuid(), f.id); });
        QTest::newRow("removeTab") << Operation([](Scene& s, const FenceModel& f) { s.store->removeTab(f.id, newUuid()); });
        QTest::newRow("updateActiveTab with no change") << Operation([](Scene& s, const FenceModel& f) {
            s.store->updateActiveTab(f.id, [](FenceTab&) {});
        });
    }

    void removalsSaveEvenWhenNothingMatched()
    {
        QFETCH(Operation, operation);
        Scene s;
        FenceTab content = plainTab(FenceKind::curated, QStringLiteral("内容"));
        content.items = {item(QStringLiteral("项目"))};
        content.tasks = {task(QStringLiteral("任务"), s.f.clock)};
        const FenceModel fence = s.addFence({content, plainTab(FenceKind::notes, QStringLiteral("便签"))});
        const int before = s.saves();

        operation(s, fence);
        FenceModel expected = fence;
        expected.updatedAt = s.f.clock;
        QCOMPARE(s.stored(fence), expected);
        QCOMPARE(s.saves(), before + 1);
        QVERIFY(s.savedNow());
    }

    void removalsRemoveEveryMatch()
    {
        Scene s;
        FenceTab content = plainTab(FenceKind::curated, QStringLiteral("内容"));
        const FenceItem twice = item(QStringLiteral("重复"));
        const FenceItem other = item(QStringLiteral("其他"));
        const FenceChecklistTask doomed = task(QStringLiteral("删掉"), s.f.clock);
        const FenceChecklistTask kept = task(QStringLiteral("留下"), s.f.clock);
        content.items = {twice, other, twice};
        content.tasks = {doomed, kept, doomed};
        const FenceModel fence = s.addFence({content});

        s.store->removeItem(twice.id, fence.id);
        s.store->deleteTask(doomed.id, fence.id);
        QCOMPARE(s.stored(fence).tabs[0].items, QList<FenceItem>{other});
        QCOMPARE(s.stored(fence).tabs[0].tasks, QList<FenceChecklistTask>{kept});
        QVERIFY(s.savedNow());
    }

    void refusedOperationsChangeNothingAndDoNotSave_data()
    {
        QTest::addColumn<Operation>("operation");
        // Unknown fence, tab or task ids, a blank task title, removing the only tab and
        // content changes on a fence without tabs are refused: nothing changes, nothing is
        // announced, nothing is saved.
        const auto row = [](const char* name, Operation operation) { QTest::newRow(name) << operation; };
        row("selectTab unknown tab", [](Scene& s, const FenceModel& f) { s.store->selectTab(f.id, newUuid()); });
        row("selectTab unknown fence", [](Scene& s, const FenceModel& f) { s.store->selectTab(newUuid(), f.tabs[0].id); });
        row("removeTab the only tab", [](Scene& s, const FenceModel&) {
            s.store->removeTab(s.store->fences()[1].id, s.store->fences()[1].tabs[0].id);
        });
        row("removeTab unknown fence", [](Scene& s, const FenceModel& f) { s.store->removeTab(newUuid(), f.tabs[0].id); });
        row("updateActiveTab unknown fence", [](Scene& s, const FenceModel&) {
            s.store->updateActiveTab(newUuid(), [](FenceTab& t) { t.portalFilter = QStringLiteral("x"); });
        });
        row("updateActiveTab without tabs", [](Scene& s, const FenceModel&) {
            s.store->updateActiveTab(s.store->fences()[2].id, [](FenceTab& t) { t.portalFilter = QStringLiteral("x"); });
        });
        row("addItem without tabs", [](Scene& s, const FenceModel&) { s.store->addItem(item(QStringLiteral("项")), s.store->fences()[2].id); });
        row("addItem unknown fence", [](Scene& s, const FenceModel&) { s.store->addItem(item(QStringLiteral("项")), newUuid()); });
        row("removeItem unknown fence", [](Scene& s, const FenceModel& f) { s.store->removeItem(f.tabs[0].items[0].id, newUuid()); });
        row("addTask blank", [](Scene& s, const FenceModel& f) { s.store->addTask(QStringLiteral(" \n\t "), f.id); });
        row("addTask without tabs", [](Scene& s, const FenceModel&) { s.store->addTask(QStringLiteral("任务"), s.store->fences()[2].id); });
        row("addTask unknown fence", [](Scene& s, const FenceModel&) { s.store->addTask(QStringLiteral("任务"), newUuid()); });
        row("deleteTask unknown fence", [](Scene& s, const FenceModel& f) { s.store->deleteTask(f.tabs[0].tasks[0].id, newUuid()); });
        row("toggleTask unknown task", [](Scene& s, const FenceModel& f) { s.store->toggleTask(newUuid(), f.id); });
        row("toggleTask of another fence", [](Scene& s, const FenceModel& f) {
            s.store->toggleTask(f.tabs[0].tasks[0].id, s.store->fences()[1].id);
        });
        row("updateNoteText unknown fence", [](Scene& s, const FenceModel&) { s.store->updateNoteText(QStringLiteral("字"), newUuid()); });
        row("updateNoteText without tabs", [](Scene& s, const FenceModel&) {
            s.store->updateNoteText(QStringLiteral("字"), s.store->fences()[2].id);
        });
    }

    void refusedOperationsChangeNothingAndDoNotSave()
    {
        QFETCH(Operation, operation);
        Scene s;
        FenceTab content = plainTab(FenceKind::checklist, QStringLiteral("内容"));
        content.items = {item(QStringLiteral("项目"))};
        content.tasks = {task(QStringLiteral("任务"), s.f.clock)};
        const FenceModel target = s.addFence({content, plainTab(FenceKind::notes, QStringLiteral("便签"))});
        s.addFence({plainTab(FenceKind::notes, QStringLiteral("唯一"))});
        s.addFence({});
        const QList<FenceModel> before = s.store->fences();
        const QByteArray bytes = s.stateBytes();
        const int saves = s.saves();
        QSignalSpy fencesChanged(s.store.get(), &MorvanteelStore::fencesChanged);

        operation(s, target);
        QCOMPARE(s.store->fences(), before);
        QCOMPARE(fencesChanged.count(), 0);
        QCOMPARE(s.saves(), saves);
        QCOMPARE(s.stateBytes(), bytes);
        QVERIFY(!s.store->lastStatusMessage());
    }

    void pinningAnItemThroughTheActiveTab()
    {
        // The fence content flips an item's pin by changing the active tab in place; the
        // change sees the tab as stored at that moment, not a copy the caller holds.
        Scene s;
        FenceTab curated = plainTab(FenceKind::curated, QStringLiteral("启动台"));
        const FenceItem pinned = item(QStringLiteral("图钉"));
        curated.items = {pinned};
        const FenceModel fence = s.addFence({curated});
        s.store->addItem(item(QStringLiteral("后加的")), fence.id);

        s.store->updateActiveTab(fence.id, [&](FenceTab& tab) {
            for (FenceItem& i : tab.items) {
                if (i.id == pinned.id) {
                    i.isPinned = !i.isPinned;
                    break;
                }
            }
        });
        const QList<FenceItem> items = s.stored(fence).tabs[0].items;
        QCOMPARE(items.size(), 2);
        QVERIFY(items[0].isPinned);
        QCOMPARE(items[1].title, QStringLiteral("后加的"));
        QVERIFY(s.savedNow());
    }
};

QTEST_GUILESS_MAIN(TabOperationsTest)
#include "tst_taboperations.moc"
