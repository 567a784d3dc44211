#include "support/StoreFixture.h"

#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <functional>
#include <limits>

using namespace mv;

namespace {

// A store without the seed, holding three workspaces (the first active) and the fences a test
// adds, already saved once; the clock then moves on so that each later save has its own stamp.
struct Scene {
    StoreFixture f;
    std::unique_ptr<MorvanteelStore> store;
    QList<WorkspaceProfile> workspaces;

    explicit Scene(int workspaceCount = 3)
    {
        store = f.makeStore(Seeding::disabled);
        for (int i = 0; i < workspaceCount; ++i) {
            workspaces.append({newUuid(), QStringLiteral("工作区 %1").arg(i), QStringLiteral("star"),
                               FenceTintPalette::mint, WallpaperPreset::midnightOcean, f.clock});
        }
        store->setWorkspaces(workspaces);
        store->setActiveWorkspaceID(workspaces.first().id);
        store->save();
        tick();
    }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    QUuid active() const { return workspaces.first().id; }

    FenceModel addFence(const QUuid& workspaceID, qint64 bentoOrder, const QString& title = QStringLiteral("围栏"))
    {
        const FenceTab tab = plainTab(FenceKind::curated, QStringLiteral("标签"));
        FenceModel fence = FenceModel::make(newUuid(), workspaceID, title, QStringLiteral("tray"), {tab}, tab.id, false,
                                            false, false, {10, 20, 300, 200}, {1, 2, 3, 4}, bentoOrder, 1,
                                            {FenceTintPalette::rose, 0.5, 10, 1, FenceDisplayDensity::grid, false, 0.4, true},
                                            f.clock.addDays(-1), f.clock.addDays(-1));
        QList<FenceModel> fences = store->fences();
        fences.append(fence);
        [&] { QVERIFY(store->setFences(fences)); }();
        return fence;
    }

    // Commits what the test set up, so that what follows starts from a saved state.
    void commit()
    {
        store->save();
        tick();
    }

    void tick() { f.clock = f.clock.addSecs(60); }
    int saves() const { return f.reloader->requestCount(); }
    QByteArray stateBytes() const
    {
        store->flushPendingSaves();
        return StoreFixture::readFile(f.statePath());
    }
    MorvanteelBackupDocument saved() const { return decodeDocument(stateBytes()).value(); }

    // The state file holds the store's state as of the current clock.
    bool savedNow() const
    {
        const auto document = decodeDocument(stateBytes());
        return document && document.value().exportedAt == f.clock && document.value().workspaces == store->workspaces()
            && document.value().fences == store->fences() && document.value().activeWorkspaceID == store->activeWorkspaceID();
    }
};

struct Observed {
    QList<WorkspaceProfile> workspaces;
    QUuid activeWorkspaceID;
    QList<FenceModel> fences;
    std::optional<QUuid> selectedFenceID;

    explicit Observed(const MorvanteelStore& store)
        : workspaces(store.workspaces()), activeWorkspaceID(store.activeWorkspaceID()), fences(store.fences()),
          selectedFenceID(store.selectedFenceID())
    {
    }
    bool operator==(const Observed&) const = default;
};

// Every change signal the operations here may emit, counted together.
struct Signals {
    QSignalSpy workspaces;
    QSignalSpy active;
    QSignalSpy fences;
    QSignalSpy selection;

    explicit Signals(MorvanteelStore* store)
        : workspaces(store, &MorvanteelStore::workspacesChanged), active(store, &MorvanteelStore::activeWorkspaceIDChanged),
          fences(store, &MorvanteelStore::fencesChanged), selection(store, &MorvanteelStore::selectedFenceIDChanged)
    {
    }
    qsizetype total() const { return workspaces.count() + active.count() + fences.count() + selection.count(); }
};

using Operation = std::function<void(Scene&, const FenceModel& target)>;
using Change = std::function<void(FenceModel&)>;

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

} // namespace

Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(Change)
Q_DECLARE_METATYPE(mv::FenceKind)

class FenceOperationsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void createFenceCascadesByActiveCount_data()
    {
        QTest::addColumn<int>("activeCount");
        QTest::addColumn<double>("offset");
        // The offset is (active fences before the new one, modulo 5) × 28; other workspaces'
        // fences do not count.
        QTest::newRow("none") << 0 << 0.0;
        QTest::newRow("one") << 1 << 28.0;
        QTest::newRow("two") << 2 << 56.0;
        QTest::newRow("three") << 3 << 84.0;
        QTest::newRow("four") << 4 << 112.0;
        QTest::newRow("five starts again") << 5 << 0.0;
        QTest::newRow("six") << 6 << 28.0;
    }

    void createFenceCascadesByActiveCount()
    {
        QFETCH(int, activeCount);
        QFETCH(double, offset);
        Scene s;
        for (int i = 0; i < activeCount; ++i)
            s.addFence(s.active(), i);
        for (int i = 0; i < 3; ++i)
            s.addFence(s.workspaces[1].id, 40 + i);
        s.commit();

        const FenceModel made = s.store->createFence(QStringLiteral("新的"), FenceKind::curated, std::nullopt, FenceTintPalette::cerulean);
        QCOMPARE(made.desktopFrame, (FenceFrameRect{110 + offset, 340 - offset, 340, 280}));
        QCOMPARE(made.canvasFrame, (FenceFrameRect{24 + offset, 24 + offset, 336, 250}));
        QCOMPARE(made.bentoOrder, qint64(activeCount));
        QCOMPARE(s.store->fences().last(), made);
        QCOMPARE(s.store->selectedFenceID(), std::optional<QUuid>(made.id));
        QVERIFY(s.savedNow());
        QCOMPARE(s.saved().fences.last(), made);
    }

    void createFenceOrdersAfterTheHighestActiveFence_data()
    {
        QTest::addColumn<QList<qint64>>("activeOrders");
        QTest::addColumn<QList<qint64>>("otherOrders");
        QTest::addColumn<qint64>("expected");
        // One more than the highest bentoOrder among the active fences, whatever their stored
        // order or count; 0 when the active workspace has none; other workspaces never count.
        QTest::newRow("no fence") << QList<qint64>{} << QList<qint64>{} << qint64(0);
        QTest::newRow("gaps") << QList<qint64>{3, 7} << QList<qint64>{50} << qint64(8);
        QTest::newRow("highest stored first") << QList<qint64>{7, 3} << QList<qint64>{} << qint64(8);
        QTest::newRow("equal orders") << QList<qint64>{2, 2} << QList<qint64>{} << qint64(3);
        QTest::newRow("negative") << QList<qint64>{-5} << QList<qint64>{} << qint64(-4);
        QTest::newRow("only elsewhere") << QList<qint64>{} << QList<qint64>{9, 12} << qint64(0);
    }

    void createFenceOrdersAfterTheHighestActiveFence()
    {
        QFETCH(QList<qint64>, activeOrders);
        QFETCH(QList<qint64>, otherOrders);
        QFETCH(qint64, expected);
        Scene s;
        for (const qint64 order : activeOrders)
            s.addFence(s.active(), order);
        for (const qint64 order : otherOrders)
            s.addFence(s.workspaces[2].id, order);
        s.commit();

        const FenceModel made = s.store->createFence(QString(), FenceKind::notes, std::nullopt, FenceTintPalette::amber);
        QCOMPARE(made.bentoOrder, expected);
        QCOMPARE(made.workspaceID, s.active());
        QCOMPARE(s.saved().fences.last().bentoOrder, expected);
    }

    void createFenceDefaultsPerKind_data()
    {
        QTest::addColumn<FenceKind>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("expectedTitle");
        QTest::addColumn<QString>("tabTitle");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("noteText");
        QTest::addColumn<QStringList>("taskTitles");
        // A blank title (white space and line breaks) gives the kind's tab title; a given one
        // is trimmed. The tab always has the kind's title and symbol; notes start with the
        // placeholder text and checklists with one task.
        const QString portal = QStringLiteral("文件夹传送门");
        const QString curated = QStringLiteral("快捷启动台");
        const QString notes = QStringLiteral("澄栩便签");
        const QString checklist = QStringLiteral("待办清单");
        QTest::newRow("portal, empty title") << FenceKind::portal << QString() << portal << portal
                                             << QStringLiteral("folder.badge.gearshape") << QString() << QStringList{};
        QTest::newRow("curated, padded title") << FenceKind::curated << QStringLiteral("  常用  \n") << QStringLiteral("常用")
                                               << curated << QStringLiteral("square.grid.2x2.fill") << QString() << QStringList{};
        QTest::newRow("notes, line breaks only") << FenceKind::notes << QStringLiteral("\n\t \r\n") << notes << notes
                                                 << QStringLiteral("note.text")
                                                 << QStringLiteral("在这里记录项目灵感、会议摘要或临时片段…") << QStringList{};
        QTest::newRow("checklist, spaces only") << FenceKind::checklist << QStringLiteral("   ") << checklist << checklist
                                                << QStringLiteral("checklist") << QString()
                                                << QStringList{QStringLiteral("第一项待办任务")};
    }

    void createFenceDefaultsPerKind()
    {
        QFETCH(FenceKind, kind);
        QFETCH(QString, title);
        QFETCH(QString, expectedTitle);
        QFETCH(QString, tabTitle);
        QFETCH(QString, symbol);
        QFETCH(QString, noteText);
        QFETCH(QStringList, taskTitles);
        Scene s;

        const FenceModel made = s.store->createFence(title, kind, std::nullopt, FenceTintPalette::violet);
        QCOMPARE(made.title, expectedTitle);
        QCOMPARE(made.symbolName, symbol);
        QCOMPARE(made.workspaceID, s.active());
        QCOMPARE(made.tabs.size(), 1);
        const FenceTab& tab = made.tabs.first();
        QCOMPARE(made.activeTabID, tab.id);
        QCOMPARE(tab.title, tabTitle);
        QCOMPARE(tab.symbolName, symbol);
        QCOMPARE(tab.kind, kind);
        QCOMPARE(tab.portalPath, kind == FenceKind::portal ? std::optional<QString>(s.f.demoPath()) : std::nullopt);
        QVERIFY(!tab.portalBookmarkBase64);
        QCOMPARE(tab.portalFilter, QString());
        QVERIFY(!tab.showHiddenFiles);
        QVERIFY(tab.showExtensions);
        QCOMPARE(tab.sortMode, FenceSortMode::nameAsc);
        QVERIFY(tab.manualOrder.isEmpty() && tab.items.isEmpty());
        QCOMPARE(tab.noteText, noteText);
        QCOMPARE(tab.tasks.size(), taskTitles.size());
        for (const FenceChecklistTask& task : tab.tasks) {
            QCOMPARE(task.title, taskTitles.first());
            QVERIFY(!task.isCompleted && !task.isFlagged && !task.completedAt);
            QCOMPARE(task.createdAt, s.f.clock);
        }
        QVERIFY(!made.isCollapsed && !made.isPinned && !made.isLocked);
        QCOMPARE(made.bentoColumnSpan, qint64(2));
        QCOMPARE(made.style, (FenceStyleConfig{FenceTintPalette::violet, 0.72, 22, 1.0, FenceDisplayDensity::grid, false, 0.48, true}));
        QCOMPARE(made.createdAt, s.f.clock);
        QCOMPARE(made.updatedAt, s.f.clock);
        QVERIFY(s.savedNow());
        QCOMPARE(s.saved().fences, QList<FenceModel>{made});
    }

    void createFenceTakesWhatTheCallerGives()
    {
        Scene s;
        s.addFence(s.active(), 0);
        s.commit();

        // A path given to a curated fence stays on its tab, with the bookmark; an empty symbol
        // name is a given one; given frames are used unchanged, cascade or not.
        const FenceFrameRect desk{5, 6, 7, 8};
        const FenceFrameRect canvas{-1, -2, 30, 40};
        const FenceModel curated = s.store->createFence(QStringLiteral("链接"), FenceKind::curated, QString(),
                                                        FenceTintPalette::graphite, QStringLiteral("/srv/共享"),
                                                        QStringLiteral("Ym9va21hcms="), desk, canvas);
        QCOMPARE(curated.tabs.first().portalPath, std::optional<QString>(QStringLiteral("/srv/共享")));
        QCOMPARE(curated.tabs.first().portalBookmarkBase64, std::optional<QString>(QStringLiteral("Ym9va21hcms=")));
        QCOMPARE(curated.symbolName, QString());
        QCOMPARE(curated.desktopFrame, desk);
        QCOMPARE(curated.canvasFrame, canvas);

        const FenceModel portal = s.store->createFence(QString(), FenceKind::portal, QStringLiteral("externaldrive"),
                                                       FenceTintPalette::crystal, QStringLiteral("/media/盘"));
        QCOMPARE(portal.tabs.first().portalPath, std::optional<QString>(QStringLiteral("/media/盘")));
        QCOMPARE(portal.symbolName, QStringLiteral("externaldrive"));
        // The tab keeps the kind's symbol whatever the fence's.
        QCOMPARE(portal.tabs.first().symbolName, QStringLiteral("folder.badge.gearshape"));
        QCOMPARE(s.saved().fences.mid(1), (QList<FenceModel>{curated, portal}));
    }

    void createFenceNeverStoresAFrameThatCannotBeSaved()
    {
        // A frame with a number that is not finite could not be written to the state file; the
        // default frame takes its place, and the fence is stored and saved like any other.
        Scene s;
        const FenceModel made = s.store->createFence(QStringLiteral("坏框"), FenceKind::curated, std::nullopt,
                                                     FenceTintPalette::mint, std::nullopt, std::nullopt,
                                                     FenceFrameRect{notANumber, 0, 10, 10},
                                                     FenceFrameRect{0, 0, std::numeric_limits<double>::infinity(), 10});
        QCOMPARE(made.desktopFrame, (FenceFrameRect{110, 340, 340, 280}));
        QCOMPARE(made.canvasFrame, (FenceFrameRect{24, 24, 336, 250}));
        QCOMPARE(s.store->fences(), QList<FenceModel>{made});
        QCOMPARE(s.store->selectedFenceID(), std::optional<QUuid>(made.id));
        QVERIFY(s.savedNow());
    }

    void createWorkspaceKeepsAGivenNameAsTyped_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        // Trimming only decides whether a name was given.
        QTest::newRow("padded") << QStringLiteral("  设计  ") << QStringLiteral("  设计  ");
        QTest::newRow("spaces only") << QStringLiteral("   ") << QStringLiteral("新工作区");
        QTest::newRow("line breaks only") << QStringLiteral("\n\r\n\t") << QStringLiteral("新工作区");
        QTest::newRow("empty") << QString() << QStringLiteral("新工作区");
    }

    void createWorkspaceKeepsAGivenNameAsTyped()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        Scene s;
        const FenceModel selected = s.addFence(s.active(), 0);
        s.store->setSelectedFenceID(selected.id);
        s.commit();

        const WorkspaceProfile made = s.store->createWorkspace(name, QStringLiteral("paintbrush"), FenceTintPalette::rose,
                                                               WallpaperPreset::warmDusk);
        QCOMPARE(made, (WorkspaceProfile{made.id, expected, QStringLiteral("paintbrush"), FenceTintPalette::rose,
                                         WallpaperPreset::warmDusk, s.f.clock}));
        QCOMPARE(s.store->workspaces(), s.workspaces + QList<WorkspaceProfile>{made});
        QCOMPARE(s.store->activeWorkspaceID(), made.id);
        // The selection stays, though it names a fence of another workspace now.
        QCOMPARE(s.store->selectedFenceID(), std::optional<QUuid>(selected.id));
        QVERIFY(s.savedNow());
    }

    void updateWorkspaceReplacesEveryField()
    {
        Scene s;
        WorkspaceProfile changed = s.workspaces[1];
        changed.name = QStringLiteral(" 改名 ");
        changed.symbolName = QString();
        changed.accentTint = FenceTintPalette::graphite;
        changed.wallpaperPreset = WallpaperPreset::emeraldMist;
        changed.createdAt = s.f.clock.addYears(-3);
        s.store->updateWorkspace(changed);
        QCOMPARE(s.store->workspaces(), (QList<WorkspaceProfile>{s.workspaces[0], changed, s.workspaces[2]}));
        QVERIFY(s.savedNow());
    }

    void deleteWorkspaceRemovesItsFencesAndMovesTheActiveOne()
    {
        Scene s;
        s.addFence(s.active(), 0);
        const FenceModel kept = s.addFence(s.workspaces[1].id, 0);
        s.addFence(s.active(), 1);
        s.commit();

        s.store->deleteWorkspace(s.active());
        QCOMPARE(s.store->workspaces(), s.workspaces.mid(1));
        QCOMPARE(s.store->fences(), QList<FenceModel>{kept});
        QCOMPARE(s.store->activeWorkspaceID(), s.workspaces[1].id);
        QCOMPARE(s.store->activeFences(), QList<FenceModel>{kept});
        QVERIFY(s.savedNow());

        // Deleting one that is not active leaves the active one alone.
        s.tick();
        s.store->deleteWorkspace(s.workspaces[2].id);
        QCOMPARE(s.store->workspaces(), QList<WorkspaceProfile>{s.workspaces[1]});
        QCOMPARE(s.store->activeWorkspaceID(), s.workspaces[1].id);
        QVERIFY(s.savedNow());
    }

    void deleteWorkspaceClearsASelectionOfItsFences()
    {
        // A selection naming a removed fence would leave the shell and the control center
        // pointing at a fence that is gone.
        Scene s;
        s.addFence(s.active(), 0);
        const FenceModel removed = s.addFence(s.workspaces[1].id, 0);
        s.store->setSelectedFenceID(removed.id);
        s.commit();
        s.store->deleteWorkspace(s.workspaces[1].id);
        QVERIFY(!s.store->fence(removed.id));
        QCOMPARE(s.store->selectedFenceID(), std::nullopt);

        // A selection of a fence that stays is kept, and not even announced.
        Scene t;
        const FenceModel staying = t.addFence(t.active(), 0);
        t.addFence(t.workspaces[2].id, 0);
        t.store->setSelectedFenceID(staying.id);
        t.commit();
        QSignalSpy selection(t.store.get(), &MorvanteelStore::selectedFenceIDChanged);
        t.store->deleteWorkspace(t.workspaces[2].id);
        QCOMPARE(t.store->selectedFenceID(), std::optional<QUuid>(staying.id));
        QCOMPARE(selection.count(), 0);
        QVERIFY(t.savedNow());
    }

    void switchWorkspaceClearsTheSelection_data()
    {
        QTest::addColumn<int>("target");
        // Switching to a known workspace, even the active one, clears the selection and saves.
        QTest::newRow("another") << 2;
        QTest::newRow("the active one") << 0;
    }

    void switchWorkspaceClearsTheSelection()
    {
        QFETCH(int, target);
        Scene s;
        s.store->setSelectedFenceID(s.addFence(s.active(), 0).id);
        s.commit();
        const int before = s.saves();
        QSignalSpy active(s.store.get(), &MorvanteelStore::activeWorkspaceIDChanged);

        s.store->switchWorkspace(s.workspaces[target].id);
        QCOMPARE(s.store->activeWorkspaceID(), s.workspaces[target].id);
        QCOMPARE(s.store->selectedFenceID(), std::nullopt);
        QCOMPARE(active.count(), target == 0 ? 0 : 1);
        QCOMPARE(s.saves(), before + 1);
        QVERIFY(s.savedNow());
    }

    void updateFenceTakesEveryFieldButUpdatedAt()
    {
        Scene s;
        const FenceModel original = s.addFence(s.active(), 4);
        s.commit();

        FenceModel changed = original;
        changed.title = QStringLiteral("整理后");
        changed.isPinned = true;
        changed.isLocked = true;
        changed.bentoColumnSpan = 3;
        changed.style.tint = FenceTintPalette::amber;
        changed.createdAt = s.f.clock.addYears(-1);
        changed.updatedAt = s.f.clock.addYears(5);
        s.store->updateFence(changed);

        FenceModel expected = changed;
        expected.updatedAt = s.f.clock;
        QCOMPARE(s.store->fence(original.id), std::optional<FenceModel>(expected));
        QVERIFY(s.savedNow());
    }

    void deleteFenceClearsOnlyItsOwnSelection()
    {
        Scene s;
        const FenceModel first = s.addFence(s.active(), 0);
        const FenceModel second = s.addFence(s.active(), 1);
        s.store->setSelectedFenceID(second.id);
        s.commit();

        s.store->deleteFence(first.id);
        QCOMPARE(s.store->fences(), QList<FenceModel>{second});
        QCOMPARE(s.store->selectedFenceID(), std::optional<QUuid>(second.id));
        QVERIFY(s.savedNow());

        s.tick();
        s.store->deleteFence(second.id);
        QVERIFY(s.store->fences().isEmpty());
        QCOMPARE(s.store->selectedFenceID(), std::nullopt);
        QVERIFY(s.savedNow());
    }

    void moveFenceKeepsOrderFramesAndSelection()
    {
        Scene s;
        const FenceModel fence = s.addFence(s.active(), 6);
        s.store->setSelectedFenceID(fence.id);
        s.commit();

        s.store->moveFence(fence.id, s.workspaces[2].id);
        FenceModel expected = fence;
        expected.workspaceID = s.workspaces[2].id;
        expected.updatedAt = s.f.clock;
        QCOMPARE(s.store->fence(fence.id), std::optional<FenceModel>(expected));
        QCOMPARE(s.store->activeWorkspaceID(), s.active());
        QCOMPARE(s.store->selectedFenceID(), std::optional<QUuid>(fence.id));
        QVERIFY(s.store->activeFences().isEmpty());
        QVERIFY(s.savedNow());
    }

    void singleFieldOperationsWriteTheFieldAndTheTime_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<Change>("expectation");
        // Each writes one field, then updatedAt = now, then saves.
        QTest::newRow("toggleCollapse") << Operation([](Scene& s, const FenceModel& t) { s.store->toggleCollapse(t.id); })
                                        << Change([](FenceModel& t) { t.isCollapsed = true; });
        QTest::newRow("setCollapsed to a new value")
            << Operation([](Scene& s, const FenceModel& t) { s.store->setCollapsed(t.id, true); })
            << Change([](FenceModel& t) { t.isCollapsed = true; });
        QTest::newRow("renameFence trims")
            << Operation([](Scene& s, const FenceModel& t) { s.store->renameFence(t.id, QStringLiteral(" \t新名字\n ")); })
            << Change([](FenceModel& t) { t.title = QStringLiteral("新名字"); });
        QTest::newRow("updateDesktopFrame")
            << Operation([](Scene& s, const FenceModel& t) { s.store->updateDesktopFrame(t.id, {-40, 900.5, 10, 0}); })
            << Change([](FenceModel& t) { t.desktopFrame = {-40, 900.5, 10, 0}; });
        QTest::newRow("updateCanvasFrame")
            << Operation([](Scene& s, const FenceModel& t) { s.store->updateCanvasFrame(t.id, {7, 8, 9, 10}); })
            << Change([](FenceModel& t) { t.canvasFrame = {7, 8, 9, 10}; });
    }

    void singleFieldOperationsWriteTheFieldAndTheTime()
    {
        QFETCH(Operation, operation);
        QFETCH(Change, expectation);
        Scene s;
        s.addFence(s.active(), 0);
        const FenceModel target = s.addFence(s.active(), 1);
        s.commit();
        const QList<FenceModel> before = s.store->fences();

        operation(s, target);
        FenceModel expected = target;
        expectation(expected);
        expected.updatedAt = s.f.clock;
        QCOMPARE(s.store->fences(), (QList<FenceModel>{before[0], expected}));
        QVERIFY(s.savedNow());
    }

    void toggleCollapseTwiceRestoresTheFlag()
    {
        Scene s;
        const FenceModel fence = s.addFence(s.active(), 0);
        s.commit();
        s.store->toggleCollapse(fence.id);
        s.tick();
        s.store->toggleCollapse(fence.id);
        QVERIFY(!s.store->fence(fence.id)->isCollapsed);
        QCOMPARE(s.store->fence(fence.id)->updatedAt, s.f.clock);
        QVERIFY(s.savedNow());
    }

    void noOpsSaveOnlyWhereTheyMust_data()
    {
        QTest::addColumn<int>("workspaceCount");
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<bool>("saves");
        // A refused operation (unknown id, blank title, unchanged collapse state, the last
        // workspace, a number that is not finite) changes nothing, announces nothing and does
        // not save. Deleting an unknown fence, or an unknown workspace while two or more
        // exist, changes nothing either but still saves.
        const auto row = [](const char* name, int workspaces, Operation operation, bool saves) {
            QTest::newRow(name) << workspaces << operation << saves;
        };
        row("switchWorkspace unknown", 3, [](Scene& s, const FenceModel&) { s.store->switchWorkspace(newUuid()); }, false);
        row("updateWorkspace unknown", 3, [](Scene& s, const FenceModel&) {
            WorkspaceProfile stranger = s.workspaces[0];
            stranger.id = newUuid();
            s.store->updateWorkspace(stranger);
        }, false);
        row("deleteWorkspace the last one", 1, [](Scene& s, const FenceModel&) { s.store->deleteWorkspace(s.active()); }, false);
        row("deleteWorkspace unknown among three", 3, [](Scene& s, const FenceModel&) { s.store->deleteWorkspace(newUuid()); }, true);
        row("updateFence unknown", 3, [](Scene& s, const FenceModel& t) {
            FenceModel stranger = t;
            stranger.id = newUuid();
            s.store->updateFence(stranger);
        }, false);
        row("updateFence with a frame that is not finite", 3, [](Scene& s, const FenceModel& t) {
            FenceModel broken = t;
            broken.title = QStringLiteral("不该保存");
            broken.desktopFrame.width = notANumber;
            s.store->updateFence(broken);
        }, false);
        row("updateFence with a style that is not finite", 3, [](Scene& s, const FenceModel& t) {
            FenceModel broken = t;
            broken.style.glassOpacity = std::numeric_limits<double>::infinity();
            s.store->updateFence(broken);
        }, false);
        row("deleteFence unknown", 3, [](Scene& s, const FenceModel&) { s.store->deleteFence(newUuid()); }, true);
        row("moveFence unknown fence", 3, [](Scene& s, const FenceModel&) { s.store->moveFence(newUuid(), s.workspaces[1].id); }, false);
        row("moveFence to an unknown workspace", 3, [](Scene& s, const FenceModel& t) { s.store->moveFence(t.id, newUuid()); }, false);
        row("toggleCollapse unknown", 3, [](Scene& s, const FenceModel&) { s.store->toggleCollapse(newUuid()); }, false);
        row("setCollapsed to the current value", 3, [](Scene& s, const FenceModel& t) { s.store->setCollapsed(t.id, false); }, false);
        row("setCollapsed unknown", 3, [](Scene& s, const FenceModel&) { s.store->setCollapsed(newUuid(), true); }, false);
        row("renameFence blank", 3, [](Scene& s, const FenceModel& t) { s.store->renameFence(t.id, QStringLiteral(" \n\t")); }, false);
        row("renameFence unknown", 3, [](Scene& s, const FenceModel&) { s.store->renameFence(newUuid(), QStringLiteral("名")); }, false);
        row("updateDesktopFrame unknown", 3, [](Scene& s, const FenceModel&) { s.store->updateDesktopFrame(newUuid(), {1, 2, 3, 4}); }, false);
        row("updateDesktopFrame not finite", 3, [](Scene& s, const FenceModel& t) {
            s.store->updateDesktopFrame(t.id, {notANumber, 2, 3, 4});
        }, false);
        row("updateCanvasFrame unknown", 3, [](Scene& s, const FenceModel&) { s.store->updateCanvasFrame(newUuid(), {1, 2, 3, 4}); }, false);
        row("updateCanvasFrame not finite", 3, [](Scene& s, const FenceModel& t) {
            s.store->updateCanvasFrame(t.id, {1, 2, -std::numeric_limits<double>::infinity(), 4});
        }, false);
    }

    void noOpsSaveOnlyWhereTheyMust()
    {
        QFETCH(int, workspaceCount);
        QFETCH(Operation, operation);
        QFETCH(bool, saves);
        Scene s(workspaceCount);
        const FenceModel target = s.addFence(s.active(), 0);
        s.store->setSelectedFenceID(target.id);
        s.commit();
        const Observed before(*s.store);
        const QByteArray bytesBefore = s.stateBytes();
        const int savesBefore = s.saves();
        const Signals spies(s.store.get());

        operation(s, target);
        QVERIFY(Observed(*s.store) == before);
        QCOMPARE(spies.total(), 0);
        QCOMPARE(s.saves(), savesBefore + (saves ? 1 : 0));
        if (saves)
            QVERIFY(s.savedNow());
        else
            QCOMPARE(s.stateBytes(), bytesBefore);
        QVERIFY(!s.store->lastStatusMessage());
    }

    void operationsReadTheFenceAtTheMomentOfTheAction()
    {
        // A caller holding an old copy of the fence: a single-field operation changes that one
        // field of the stored fence and keeps what another path wrote since.
        Scene s;
        const FenceModel stale = s.addFence(s.active(), 0);
        s.commit();
        FenceModel elsewhere = *s.store->fence(stale.id);
        elsewhere.isPinned = true;
        elsewhere.title = QStringLiteral("别处改过");
        s.store->updateFence(elsewhere);

        s.store->setCollapsed(stale.id, true);
        s.store->updateCanvasFrame(stale.id, {1, 1, 1, 1});
        const FenceModel now = *s.store->fence(stale.id);
        QVERIFY(now.isPinned && now.isCollapsed);
        QCOMPARE(now.title, QStringLiteral("别处改过"));
        QCOMPARE(now.canvasFrame, (FenceFrameRect{1, 1, 1, 1}));
        QVERIFY(s.savedNow());
    }
};

QTEST_GUILESS_MAIN(FenceOperationsTest)
#include "tst_fenceoperations.moc"
