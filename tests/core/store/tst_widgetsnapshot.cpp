#include "support/StoreFixture.h"

#include "core/models/DeepLink.h"
#include "core/models/Uuid.h"

#include "support/TestStrings.h"

#include <QtTest>

using namespace mv;

namespace {

FenceTab tabOf(FenceKind kind)
{
    FenceTab tab;
    tab.id = newUuid();
    tab.kind = kind;
    tab.showExtensions = true;
    tab.sortMode = FenceSortMode::nameAsc;
    return tab;
}

FenceModel fenceOf(const QUuid& workspace, QList<FenceTab> tabs, qint64 order = 0)
{
    const QDateTime now = QDateTime(QDate(2026, 12, 9), QTime(8, 0), Qt::UTC);
    return FenceModel::make(newUuid(), workspace, QStringLiteral("围栏"), QStringLiteral("tray"), std::move(tabs), std::nullopt,
                            false, false, false, {0, 0, 300, 200}, {0, 0, 100, 100}, order, 1,
                            {FenceTintPalette::rose, 0.7, 22, 1, FenceDisplayDensity::grid, false, 0.5, true}, now, now);
}

// A store with one workspace holding the given fences.
std::unique_ptr<MorvanteelStore> storeWith(StoreFixture& f, QList<FenceModel> fences, const QUuid& workspace)
{
    auto store = f.makeStore(Seeding::disabled);
    store->setWorkspaces({{workspace, QStringLiteral("测试区"), QStringLiteral("star"), FenceTintPalette::mint, WallpaperPreset::warmDusk, f.clock}});
    store->setActiveWorkspaceID(workspace);
    store->setFences(std::move(fences));
    return store;
}

QStringList titlesOf(const WidgetSnapshotFence& fence)
{
    QStringList titles;
    for (const WidgetSnapshotItem& item : fence.items)
        titles.append(item.title);
    return titles;
}

} // namespace

class WidgetSnapshotTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void noteLinesBecomeItems_data()
    {
        QTest::addColumn<QString>("note");
        QTest::addColumn<QStringList>("titles");
        // Split at line feeds, take the first four non-empty lines, trim white space, drop what
        // is then empty: later lines never move up to fill the gap.
        QTest::newRow("blank lines") << "a\n\n   \nb\nc\nd\ne" << utf8List({"a", "b", "c"});
        QTest::newRow("spaces and tabs trimmed") << " \t第一行\t \n  第二行" << utf8List({"第一行", "第二行"});
        QTest::newRow("more than four") << "1\n2\n3\n4\n5" << utf8List({"1", "2", "3", "4"});
        QTest::newRow("empty note") << "" << QStringList{};
        QTest::newRow("only line feeds") << "\n\n\n" << QStringList{};
        // A carriage return and line feed together are one character, not a line feed.
        QTest::newRow("windows line ends") << "a\r\nb\r\nc" << utf8List({"a\r\nb\r\nc"});
        QTest::newRow("a bare line feed after a carriage return pair") << "a\r\nb\nc" << utf8List({"a\r\nb", "c"});
        // A line that shows nothing is blank, whatever white space or invisible characters it holds.
        QTest::newRow("ideographic spaces") << "a\n\u3000\u3000\nb" << utf8List({"a", "b"});
        QTest::newRow("no-break spaces") << "\u00a0\u00a0\n标题" << utf8List({"标题"});
        QTest::newRow("other Unicode spaces") << "\u2003\u202f\u205f\u1680\u0085\nz" << utf8List({"z"});
        QTest::newRow("zero-width characters and a byte order mark") << "\ufeff\n\u200b\u200d\u2060\nc" << utf8List({"c"});
        QTest::newRow("a line separator alone") << "\u2028\na" << utf8List({"a"});
        QTest::newRow("a carriage return alone") << "a\n\r" << utf8List({"a"});
        QTest::newRow("blank-looking lines count toward the four") << "a\n\u3000\nb\n\u00a0\nc" << utf8List({"a", "b"});
        // Indentation of any width goes; line breaks inside the line stay.
        QTest::newRow("indented with ideographic spaces") << "\u3000\u3000正文\u00a0" << utf8List({"正文"});
        QTest::newRow("a line separator inside") << "\ufeff a\u2028b\u3000" << utf8List({"a\u2028b"});
    }

    void noteLinesBecomeItems()
    {
        QFETCH(QString, note);
        QFETCH(QStringList, titles);
        StoreFixture f;
        FenceTab notes = tabOf(FenceKind::notes);
        notes.noteText = note;
        const QUuid workspace = newUuid();
        const FenceModel fence = fenceOf(workspace, {notes});
        const auto store = storeWith(f, {fence}, workspace);
        const WidgetSnapshotFence entry = store->makeWidgetSnapshot().fences.first();
        QCOMPARE(titlesOf(entry), titles);
        QCOMPARE(entry.itemCount, titles.size());
        QCOMPARE(entry.kind, FenceKind::notes);
        QCOMPARE(entry.notePreview, std::optional<QString>(note));
        for (const WidgetSnapshotItem& item : entry.items) {
            QCOMPARE(item.symbolName, QStringLiteral("text.alignleft"));
            QCOMPARE(item.kind, FenceItemKind::command);
            QCOMPARE(item.deepLinkURL, MorvanteelDeepLink::openFence(fence.id).urlString());
            QVERIFY(!item.subtitle && !item.isCompleted);
        }
    }

    void listsAreCappedAndTasksDescribed()
    {
        StoreFixture f;
        const QUuid workspace = newUuid();

        FenceTab curated = tabOf(FenceKind::curated);
        for (int i = 0; i < 10; ++i)
            curated.items.append({newUuid(), QString::number(i), i == 0 ? std::optional<QString>(QStringLiteral("副标题")) : std::nullopt,
                                  FenceItemKind::url, QStringLiteral("https://example.org"), QStringLiteral("globe"), std::nullopt, false, std::nullopt});
        FenceTab checklist = tabOf(FenceKind::checklist);
        for (int i = 0; i < 10; ++i)
            checklist.tasks.append({newUuid(), QStringLiteral("任务 %1").arg(i), i == 1, f.clock, std::nullopt, false});

        const FenceModel launcher = fenceOf(workspace, {curated}, 0);
        const FenceModel tasks = fenceOf(workspace, {checklist}, 1);
        const FenceModel bare = fenceOf(workspace, {}, 2);
        const auto store = storeWith(f, {bare, tasks, launcher}, workspace);
        const WidgetSnapshotPayload payload = store->makeWidgetSnapshot();

        QCOMPARE(payload.fences.size(), 3);
        const WidgetSnapshotFence& items = payload.fences[0];
        QCOMPARE(items.id, launcher.id);
        QCOMPARE(items.itemCount, 8);
        QCOMPARE(items.items.first().id, curated.items.first().id);
        QCOMPARE(items.items.first().subtitle, curated.items.first().subtitle);
        QCOMPARE(items.items.last().title, QStringLiteral("7"));
        QCOMPARE(items.items.first().deepLinkURL, MorvanteelDeepLink::runItem(launcher.id, curated.items.first().id).urlString());
        QCOMPARE(items.tint, FenceTintPalette::rose);
        QVERIFY(!items.notePreview);

        const WidgetSnapshotFence& todo = payload.fences[1];
        QCOMPARE(todo.itemCount, 8);
        QCOMPARE(todo.items[0].subtitle, std::optional<QString>(QStringLiteral("待完成")));
        QCOMPARE(todo.items[0].symbolName, QStringLiteral("circle"));
        QCOMPARE(todo.items[0].isCompleted, std::optional<bool>(false));
        QCOMPARE(todo.items[1].subtitle, std::optional<QString>(QStringLiteral("已完成")));
        QCOMPARE(todo.items[1].symbolName, QStringLiteral("checkmark.circle.fill"));
        QCOMPARE(todo.items[1].isCompleted, std::optional<bool>(true));
        QCOMPARE(todo.items[1].kind, FenceItemKind::command);
        QCOMPARE(todo.items[1].deepLinkURL, MorvanteelDeepLink::toggleTask(tasks.id, checklist.tasks[1].id).urlString());

        // A fence without tabs is a curated fence with nothing in it.
        const WidgetSnapshotFence& empty = payload.fences[2];
        QCOMPARE(empty.kind, FenceKind::curated);
        QCOMPARE(empty.itemCount, 0);
        QCOMPARE(empty.deepLinkURL, MorvanteelDeepLink::openFence(bare.id).urlString());
        QCOMPARE(empty.workspaceName, QStringLiteral("测试区"));
        QCOMPARE(payload.activeWorkspaceName, QStringLiteral("测试区"));
        QCOMPARE(payload.workspaces.size(), 1);
        QCOMPARE(payload.workspaces[0].accentTint, FenceTintPalette::mint);
    }

    void portalsListTheirFolderInTheirOwnOrder()
    {
        StoreFixture f;
        const QString folder = f.dir.filePath(QStringLiteral("portal"));
        QDir().mkpath(folder + QStringLiteral("/子文件夹"));
        for (int i = 1; i <= 19; ++i)
            QVERIFY(StoreFixture::writeFile(folder + QStringLiteral("/文件%1.txt").arg(i), QByteArray(i, 'x')));

        const QUuid workspace = newUuid();
        FenceTab portal = tabOf(FenceKind::portal);
        portal.portalPath = folder;
        portal.sortMode = FenceSortMode::nameAsc;
        FenceTab unbound = tabOf(FenceKind::portal);
        FenceTab missing = tabOf(FenceKind::portal);
        missing.portalPath = f.dir.filePath(QStringLiteral("gone"));
        FenceTab relative = tabOf(FenceKind::portal);
        relative.portalPath = QStringLiteral("portal");

        const FenceModel listed = fenceOf(workspace, {portal}, 0);
        const auto store = storeWith(f, {listed, fenceOf(workspace, {unbound}, 1), fenceOf(workspace, {missing}, 2),
                                         fenceOf(workspace, {relative}, 3)}, workspace);
        const WidgetSnapshotPayload first = store->makeWidgetSnapshot();
        const WidgetSnapshotFence& entry = first.fences[0];
        QCOMPARE(entry.kind, FenceKind::portal);
        QCOMPARE(entry.itemCount, 8);
        QCOMPARE(titlesOf(entry), (utf8List({"子文件夹", "文件1.txt", "文件2.txt", "文件3.txt", "文件4.txt", "文件5.txt", "文件6.txt", "文件7.txt"})));
        QCOMPARE(entry.items[0].kind, FenceItemKind::folder);
        QCOMPARE(entry.items[0].subtitle, std::optional<QString>(QStringLiteral("文件夹")));
        QCOMPARE(entry.items[1].kind, FenceItemKind::file);
        QVERIFY(entry.items[1].subtitle && !entry.items[1].subtitle->isEmpty());
        QCOMPARE(entry.items[1].deepLinkURL, MorvanteelDeepLink::openFence(listed.id).urlString());
        for (int i = 1; i <= 3; ++i)
            QCOMPARE(first.fences[i].itemCount, 0);

        // Portal entries have no identity of their own: new ids at every build.
        const WidgetSnapshotPayload second = store->makeWidgetSnapshot();
        QVERIFY(second.fences[0].items[1].id != entry.items[1].id);
        QCOMPARE(second.fences[0].items[1].title, entry.items[1].title);
    }

    void workspaceNameFallsBack()
    {
        StoreFixture f;
        const auto store = f.makeStore(Seeding::disabled);
        WidgetSnapshotPayload payload = store->makeWidgetSnapshot();
        QCOMPARE(payload.activeWorkspaceName, QStringLiteral("工作台"));
        QVERIFY(payload.workspaces.isEmpty() && payload.fences.isEmpty());
        QCOMPARE(payload.activeWorkspaceID, store->activeWorkspaceID());
        QCOMPARE(payload.generatedAt, f.clock);

        const auto seeded = f.makeStore();
        seeded->setActiveWorkspaceID(newUuid());
        payload = seeded->makeWidgetSnapshot();
        QCOMPARE(payload.activeWorkspaceName, QStringLiteral("高效工作台"));
        QVERIFY(payload.fences.isEmpty());
        QCOMPARE(payload.activeWorkspaceID, seeded->activeWorkspaceID());
    }

    void readerFallsBackFromACorruptFile()
    {
        StoreFixture f;
        const auto store = f.makeStore();
        f.flushSaves();
        const WidgetSnapshotPayload published = MorvanteelStore::loadWidgetSnapshot(f.snapshotPath()).value();
        QCOMPARE(published.fences.size(), 4);

        // The file wins over the defaults while it decodes.
        platform::MemoryKeyValueStore appGroup;
        WidgetSnapshotPayload other = published;
        other.activeWorkspaceName = QStringLiteral("群组");
        QVERIFY(appGroup.setData(MorvanteelStore::widgetDefaultsKey, json::encode(other).value()));
        QCOMPARE(MorvanteelStore::loadWidgetSnapshot(f.snapshotPath(), &appGroup, f.defaults.get())->activeWorkspaceName,
                 QStringLiteral("高效工作台"));

        QVERIFY(StoreFixture::writeFile(f.snapshotPath(), "{ damaged"));
        QCOMPARE(MorvanteelStore::loadWidgetSnapshot(f.snapshotPath(), &appGroup, f.defaults.get())->activeWorkspaceName,
                 QStringLiteral("群组"));
        // Without an app group, the standard defaults hold the same bytes as the file had.
        const auto fromDefaults = MorvanteelStore::loadWidgetSnapshot(f.snapshotPath(), nullptr, f.defaults.get());
        QVERIFY(fromDefaults);
        QCOMPARE(fromDefaults->fences.size(), published.fences.size());
        QCOMPARE(fromDefaults->activeWorkspaceID, published.activeWorkspaceID);

        platform::MemoryKeyValueStore nothing;
        QVERIFY(!MorvanteelStore::loadWidgetSnapshot(f.snapshotPath(), nullptr, &nothing));
    }
};

QTEST_GUILESS_MAIN(WidgetSnapshotTest)
#include "tst_widgetsnapshot.moc"
