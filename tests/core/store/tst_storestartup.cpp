#include "support/JsonEdit.h"
#include "support/StoreFixture.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QtTest>

using namespace mv;

namespace {

const QString quarantined = QStringLiteral("检测到异常配置文件，已隔离备份并恢复默认工作区。");
const QString quarantineName = QStringLiteral("corrupted-state-2026-12-09T08-19-47Z.json");

// The state file a seeded store writes, as a parsed object to damage.
QJsonObject seededDocument()
{
    StoreFixture seeded;
    seeded.makeStore();
    return QJsonDocument::fromJson(seeded.stateOnDisk()).object();
}

QByteArray edited(const QString& path, const std::optional<QJsonValue>& value)
{
    return QJsonDocument(editJson(seededDocument(), path, value)).toJson();
}

} // namespace

class StoreStartupTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void firstStartSavesTheSeed()
    {
        StoreFixture f;
        const auto store = f.makeStore();
        QCOMPARE(store->workspaces().size(), 3);
        QCOMPARE(store->activeWorkspace()->name, QStringLiteral("高效工作台"));
        QVERIFY(!store->lastStatusMessage());
        QCOMPARE(store->preferences().demoPortalRootPath, f.demoPath());
        QVERIFY(QFileInfo(f.demoPath() + QStringLiteral("/.morvanteel-seeded")).isFile());

        const auto saved = decodeDocument(f.stateOnDisk());
        QVERIFY(saved);
        QCOMPARE(saved.value().workspaces, store->workspaces());
        QCOMPARE(saved.value().fences, store->fences());
        QCOMPARE(saved.value().exportedAt, f.clock);
        QVERIFY(MorvanteelStore::loadWidgetSnapshot(f.snapshotPath()));
        QVERIFY(f.defaults->data(MorvanteelStore::widgetDefaultsKey));
        QCOMPARE(f.reloader->requestCount(), 1);
    }

    void goodFileIsAppliedWithoutBeingRewritten()
    {
        StoreFixture f;
        const QByteArray good = QJsonDocument(seededDocument()).toJson();
        QVERIFY(StoreFixture::writeFile(f.statePath(), good));
        const auto store = f.makeStore();
        QCOMPARE(f.stateOnDisk(), good);
        const auto document = decodeDocument(good).value();
        QCOMPARE(store->fences(), document.fences);
        QCOMPARE(store->activeWorkspaceID(), document.activeWorkspaceID);
        QCOMPARE(store->smartRules(), document.smartRules);
        QVERIFY(!store->lastStatusMessage());
        // Published, though nothing was saved.
        QCOMPARE(f.reloader->requestCount(), 1);
        QCOMPARE(MorvanteelStore::loadWidgetSnapshot(f.snapshotPath())->activeWorkspaceID, document.activeWorkspaceID);
        QCOMPARE(f.supportFiles(), (QStringList{QStringLiteral("state.json"), QStringLiteral("widget_snapshot.json")}));
    }

    void loadRepairsWhatItMustInMemoryOnly()
    {
        StoreFixture f;
        QJsonObject document = editJson(seededDocument(), QStringLiteral("activeWorkspaceID"),
                                        QJsonValue(QStringLiteral("00000000-0000-4000-8000-000000000000")));
        document = editJson(document, QStringLiteral("preferences.demoPortalRootPath"), QJsonValue(QString()));
        const QByteArray bytes = QJsonDocument(document).toJson();
        QVERIFY(StoreFixture::writeFile(f.statePath(), bytes));

        const auto store = f.makeStore();
        QCOMPARE(store->activeWorkspaceID(), store->workspaces().first().id);
        QCOMPARE(store->preferences().demoPortalRootPath, f.demoPath());
        QCOMPARE(f.stateOnDisk(), bytes);

        // Without workspaces the active id is new and names nothing.
        StoreFixture g;
        QVERIFY(StoreFixture::writeFile(g.statePath(), QJsonDocument(editJson(seededDocument(), QStringLiteral("workspaces"), QJsonValue(QJsonArray()))).toJson()));
        const auto empty = g.makeStore();
        QVERIFY(empty->workspaces().isEmpty());
        QVERIFY(!empty->activeWorkspace());
        QVERIFY(empty->activeFences().isEmpty());
        QVERIFY(!empty->activeWorkspaceID().isNull());
    }

    void unusableFilesAreQuarantinedByteForByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not JSON") << QByteArray("this is not json");
        QTest::newRow("top-level array") << QByteArray("[1, 2]");
        QTest::newRow("missing nested key") << edited(QStringLiteral("fences[2].tabs[0].tasks[1].isFlagged"), std::nullopt);
        QTest::newRow("bad enumeration") << edited(QStringLiteral("fences[0].tabs[0].kind"), QJsonValue(QStringLiteral("Portal")));
        QTest::newRow("braced id") << edited(QStringLiteral("workspaces[1].id"), QJsonValue(QStringLiteral("{00000000-0000-4000-8000-000000000000}")));
        QTest::newRow("date without zone") << edited(QStringLiteral("exportedAt"), QJsonValue(QStringLiteral("2026-12-09T08:19:47")));
        // A file that would load but could never be saved again is no usable state either.
        QTest::newRow("date an offset carries past 9999") << edited(QStringLiteral("fences[1].updatedAt"), QJsonValue(QStringLiteral("9999-12-31T23:00:00-02:00")));
        QTest::newRow("truncated") << QJsonDocument(seededDocument()).toJson().left(700);
    }

    void unusableFilesAreQuarantinedByteForByte()
    {
        QFETCH(QByteArray, bytes);
        StoreFixture f;
        QVERIFY(StoreFixture::writeFile(f.statePath(), bytes));
        const auto store = f.makeStore();

        QCOMPARE(StoreFixture::readFile(f.supportPath() + u'/' + quarantineName), bytes);
        QCOMPARE(store->lastStatusMessage(), std::optional<QString>(quarantined));
        QCOMPARE(store->workspaces().size(), 3);
        // The seed took the state file's place.
        const auto saved = decodeDocument(f.stateOnDisk());
        QVERIFY(saved);
        QCOMPARE(saved.value().fences, store->fences());
    }

    void quarantineNeverReplacesAnEarlierOne()
    {
        StoreFixture f;
        QVERIFY(StoreFixture::writeFile(f.supportPath() + u'/' + quarantineName, "first"));
        QVERIFY(StoreFixture::writeFile(f.supportPath() + QStringLiteral("/corrupted-state-2026-12-09T08-19-47Z 2.json"), "second"));
        QVERIFY(StoreFixture::writeFile(f.statePath(), "third"));
        f.makeStore();
        QCOMPARE(StoreFixture::readFile(f.supportPath() + u'/' + quarantineName), QByteArray("first"));
        QCOMPARE(StoreFixture::readFile(f.supportPath() + QStringLiteral("/corrupted-state-2026-12-09T08-19-47Z 2.json")), QByteArray("second"));
        QCOMPARE(StoreFixture::readFile(f.supportPath() + QStringLiteral("/corrupted-state-2026-12-09T08-19-47Z 3.json")), QByteArray("third"));
    }

    void fileThatCannotBePreservedIsNeverOverwritten()
    {
        // A file of /proc can be read but neither moved nor copied beside itself.
        StoreFixture f;
        const QString unmovable = QStringLiteral("/proc/self/status");
        const QByteArray before = StoreFixture::readFile(unmovable);
        QVERIFY(!before.isEmpty());
        MorvanteelStore store({unmovable, f.snapshotPath(), f.demoPath()}, Seeding::enabled, f.environment());

        QCOMPARE(store.lastStatusMessage(),
                 std::optional<QString>(QStringLiteral("检测到异常配置文件，但无法隔离备份；本次运行不会覆盖它。")));
        QCOMPARE(store.workspaces().size(), 3);
        // Saving does not even try to write the state file, so it reports no failure.
        store.save();
        store.flushPendingSaves();
        QVERIFY(!store.lastSaveError());
        QVERIFY(MorvanteelStore::loadWidgetSnapshot(f.snapshotPath()));
    }

    void seedingOffStaysEmptyAndWritesNothing()
    {
        StoreFixture f;
        const auto store = f.makeStore(Seeding::disabled);
        QVERIFY(store->workspaces().isEmpty() && store->fences().isEmpty() && store->smartRules().isEmpty());
        QCOMPARE(store->preferences(), defaultGlobalPreferences());
        QVERIFY(!store->activeWorkspaceID().isNull());
        QVERIFY(!QFileInfo::exists(f.supportPath()));
        QVERIFY(!QFileInfo::exists(f.demoPath()));
        f.flushSaves();
        QCOMPARE(f.reloader->requestCount(), 0);
        QVERIFY(!f.defaults->data(MorvanteelStore::widgetDefaultsKey));

        // An unusable file is still set aside, and the store stays empty.
        StoreFixture g;
        QVERIFY(StoreFixture::writeFile(g.statePath(), "{"));
        const auto other = g.makeStore(Seeding::disabled);
        QCOMPARE(other->lastStatusMessage(), std::optional<QString>(quarantined));
        QVERIFY(other->workspaces().isEmpty());
        QCOMPARE(g.supportFiles(), QStringList{quarantineName});
    }

    void saveFailureIsReportedOnceAndClearedBySuccess()
    {
        StoreFixture f;
        const QString blocker = f.dir.filePath(QStringLiteral("blocker"));
        QVERIFY(StoreFixture::writeFile(blocker, "a file where a folder should be"));
        MorvanteelStore store({blocker + QStringLiteral("/state.json"), f.snapshotPath(), f.demoPath()}, Seeding::enabled, f.environment());
        QSignalSpy errors(&store, &MorvanteelStore::lastSaveErrorChanged);

        // The seed save already failed.
        QVERIFY(store.lastSaveError());
        QVERIFY(store.lastStatusMessage()->startsWith(QStringLiteral("配置保存失败：")));
        // The snapshot is published all the same.
        QVERIFY(MorvanteelStore::loadWidgetSnapshot(f.snapshotPath()));

        store.setLastStatusMessage(QStringLiteral("别的消息"));
        store.save();
        store.flushPendingSaves();
        QCOMPARE(store.lastStatusMessage(), std::optional<QString>(QStringLiteral("别的消息")));
        QCOMPARE(errors.count(), 0);

        // Once the folder can be made, the next save succeeds and the error is gone.
        QVERIFY(QFile::remove(blocker));
        store.setLastStatusMessage(QStringLiteral("配置保存失败：旧的"));
        store.save();
        store.flushPendingSaves();
        QVERIFY(!store.lastSaveError());
        QVERIFY(!store.lastStatusMessage());
        QCOMPARE(errors.count(), 1);
        QVERIFY(decodeDocument(StoreFixture::readFile(blocker + QStringLiteral("/state.json"))));
    }

    void settersRefuseNumbersThatCannotBeSaved()
    {
        StoreFixture f;
        const auto store = f.makeStore();
        QSignalSpy fences(store.get(), &MorvanteelStore::fencesChanged);
        QList<FenceModel> changed = store->fences();
        changed[0].desktopFrame.width = std::numeric_limits<double>::quiet_NaN();
        QVERIFY(!store->setFences(changed));
        changed[0].desktopFrame.width = 100;
        changed[1].style.idleOpacity = std::numeric_limits<double>::infinity();
        QVERIFY(!store->setFences(changed));
        QCOMPARE(fences.count(), 0);

        GlobalPreferences preferences = store->preferences();
        preferences.snapGap = -std::numeric_limits<double>::infinity();
        QVERIFY(!store->setPreferences(preferences));
        QCOMPARE(store->preferences().snapGap, 12.0);
        store->save();
        store->flushPendingSaves();
        QVERIFY(!store->lastSaveError());
    }

    void activeFencesFollowBentoOrderThenAge()
    {
        StoreFixture f;
        const auto store = f.makeStore();
        QList<FenceModel> fences = store->fences();
        const QUuid active = store->activeWorkspaceID();
        // Two fences of the active workspace on one bento order: the older first.
        fences[0].bentoOrder = 5;
        fences[1].bentoOrder = 5;
        fences[0].createdAt = f.clock.addSecs(10);
        fences[1].createdAt = f.clock;
        QVERIFY(store->setFences(fences));
        QStringList titles;
        for (const FenceModel& fence : store->activeFences()) {
            QCOMPARE(fence.workspaceID, active);
            titles.append(fence.title);
        }
        QCOMPARE(titles, (QStringList{QStringLiteral("今日聚焦清单"), QStringLiteral("澄栩便签 · 快捷键"),
                                      QStringLiteral("高频启动台"), QStringLiteral("桌面收纳盒")}));

        // An active id that names no workspace: the first workspace stands in, no fences are active.
        store->setActiveWorkspaceID(QUuid::createUuid());
        QCOMPARE(store->activeWorkspace()->id, store->workspaces().first().id);
        QVERIFY(store->activeFences().isEmpty());
        QCOMPARE(store->fence(fences[7].id)->title, QStringLiteral("阅读摘录"));
        QVERIFY(!store->fence(QUuid::createUuid()));
    }

    void resetKeepsPreferencesButTheDemoPath()
    {
        StoreFixture f;
        const auto store = f.makeStore();
        GlobalPreferences preferences = store->preferences();
        preferences.snapGap = 30;
        preferences.isPeekActive = true;
        preferences.demoPortalRootPath = QStringLiteral("/elsewhere");
        QVERIFY(store->setPreferences(preferences));
        store->setSelectedFenceID(store->fences()[2].id);
        store->setLastStatusMessage(QStringLiteral("状态"));
        const QUuid before = store->workspaces()[0].id;

        store->resetToDefaults(true);
        QVERIFY(store->workspaces()[0].id != before);
        QCOMPARE(store->preferences().snapGap, 30.0);
        QVERIFY(store->preferences().isPeekActive);
        QCOMPARE(store->preferences().demoPortalRootPath, f.demoPath());
        QVERIFY(store->selectedFenceID());
        QCOMPARE(store->lastStatusMessage(), std::optional<QString>(QStringLiteral("状态")));
        QCOMPARE(decodeDocument(f.stateOnDisk()).value().workspaces, store->workspaces());
    }
};

QTEST_GUILESS_MAIN(StoreStartupTest)
#include "tst_storestartup.moc"
