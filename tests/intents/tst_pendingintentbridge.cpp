#include "intents/PendingIntentBridge.h"

#include "core/models/Uuid.h"
#include "platform/WidgetReloader.h"
#include "support/IntentFolders.h"

#include <QSignalSpy>
#include <QtTest>

using namespace mv;
using namespace Qt::StringLiterals;
using Bridge = MorvanteelPendingIntentBridge;

namespace {

const QUuid fenceA = parseUuid(u"0a0a0a0a-0000-4000-8000-00000000000a").value();
const QUuid fenceB = parseUuid(u"0b0b0b0b-0000-4000-8000-00000000000b").value();
const QUuid taskA = parseUuid(u"1a1a1a1a-0000-4000-8000-00000000001a").value();
const QUuid taskB = parseUuid(u"1b1b1b1b-0000-4000-8000-00000000001b").value();
const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);

// One toggle to record: fence, task, wanted state, and the clock's seconds after 2001.
struct Record {
    QUuid fence;
    QUuid task;
    bool completed;
    double seconds;
};

} // namespace

Q_DECLARE_METATYPE(QList<Record>)

class PendingIntentBridgeTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // -- the pending link ---------------------------------------------------------------------

    void secondLinkReplacesTheFirst()
    {
        IntentFolders folders;
        QSignalSpy posted(&PendingIntentNotifier::shared(), &PendingIntentNotifier::intentDidTrigger);
        Bridge::enqueueDeepLink(MorvanteelDeepLink::spotSearch());
        Bridge::enqueueDeepLink(MorvanteelDeepLink::openFence(fenceA));
        const QString second = u"morvanteel://open-fence/"_s + uuidString(fenceA);
        QCOMPARE(IntentFolders::defaults().value(Bridge::pendingDeepLinkKey), std::optional(QJsonValue(second)));
        QCOMPARE(posted.size(), 2);
        QCOMPARE(posted[0][0].toString(), u"morvanteel://spot-search"_s);
        QCOMPARE(posted[1][0].toString(), second);

        QCOMPARE(Bridge::dequeueDeepLink(), std::optional(MorvanteelDeepLink::openFence(fenceA)));
        QCOMPARE(IntentFolders::defaultsKeys(), std::optional(QStringList{}));
        QCOMPARE(Bridge::dequeueDeepLink(), std::nullopt);
    }

    // What is not one of our links is never taken away.
    void unparsedLinkStaysPending_data()
    {
        QTest::addColumn<QJsonValue>("value");
        QTest::newRow("another scheme") << QJsonValue(u"https://example.org/spot-search"_s);
        QTest::newRow("unknown verb") << QJsonValue(u"morvanteel://frobnicate"_s);
        QTest::newRow("malformed id") << QJsonValue(u"morvanteel://switch-workspace/nope"_s);
        QTest::newRow("not a string") << QJsonValue(42);
    }

    void unparsedLinkStaysPending()
    {
        QFETCH(QJsonValue, value);
        IntentFolders folders;
        auto defaults = IntentFolders::defaults();
        QVERIFY(defaults.setValue(Bridge::pendingDeepLinkKey, value));
        QCOMPARE(Bridge::dequeueDeepLink(), std::nullopt);
        QCOMPARE(defaults.value(Bridge::pendingDeepLinkKey), std::optional(value));
    }

    // -- task toggles ------------------------------------------------------------------------

    void togglesAreReplacedOrAppended_data()
    {
        QTest::addColumn<QList<Record>>("records");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray a = "\"fenceID\":\"0A0A0A0A-0000-4000-8000-00000000000A\",\"taskID\":\"1A1A1A1A-0000-4000-8000-00000000001A\"";
        const QByteArray b = "\"fenceID\":\"0A0A0A0A-0000-4000-8000-00000000000A\",\"taskID\":\"1B1B1B1B-0000-4000-8000-00000000001B\"";
        const QByteArray c = "\"fenceID\":\"0B0B0B0B-0000-4000-8000-00000000000B\",\"taskID\":\"1A1A1A1A-0000-4000-8000-00000000001A\"";
        QTest::newRow("at 2001-01-01: recordedAt 0, upper-case ids")
            << QList<Record>{{fenceA, taskA, true, 0}} << "[{" + a + ",\"desiredCompleted\":true,\"recordedAt\":0}]";
        QTest::newRow("two tasks keep their order")
            << QList<Record>{{fenceA, taskB, false, 1.5}, {fenceA, taskA, true, 2}}
            << "[{" + b + ",\"desiredCompleted\":false,\"recordedAt\":1.5},{" + a
                   + ",\"desiredCompleted\":true,\"recordedAt\":2}]";
        QTest::newRow("the same task again: one record, moved to the end")
            << QList<Record>{{fenceA, taskA, true, 1}, {fenceA, taskB, true, 2}, {fenceA, taskA, false, 3}}
            << "[{" + b + ",\"desiredCompleted\":true,\"recordedAt\":2},{" + a
                   + ",\"desiredCompleted\":false,\"recordedAt\":3}]";
        QTest::newRow("the same task in another fence is another record")
            << QList<Record>{{fenceA, taskA, true, 1}, {fenceB, taskA, true, 2}}
            << "[{" + a + ",\"desiredCompleted\":true,\"recordedAt\":1},{" + c
                   + ",\"desiredCompleted\":true,\"recordedAt\":2}]";
        QTest::newRow("before 2001: negative")
            << QList<Record>{{fenceA, taskA, true, -86400.25}}
            << "[{" + a + ",\"desiredCompleted\":true,\"recordedAt\":-86400.25}]";
    }

    void togglesAreReplacedOrAppended()
    {
        QFETCH(QList<Record>, records);
        QFETCH(QByteArray, expected);
        IntentFolders folders;
        QSignalSpy posted(&PendingIntentNotifier::shared(), &PendingIntentNotifier::intentDidTrigger);
        QList<PendingWidgetTaskToggle> remaining;
        for (const Record& record : records) {
            PendingIntentEnvironment environment;
            const QDateTime at = reference.addMSecs(qint64(record.seconds * 1000));
            environment.now = [at] { return at; };
            Bridge::recordPendingTaskToggle(record.fence, record.task, record.completed, environment);
            remaining.removeIf([&](const PendingWidgetTaskToggle& t) { return t.fenceID == record.fence && t.taskID == record.task; });
            remaining.append({record.fence, record.task, record.completed, at});
        }
        QCOMPARE(IntentFolders::defaults().data(Bridge::pendingTaskTogglesKey), std::optional(expected));
        QCOMPARE(posted.size(), records.size());
        for (const QList<QVariant>& post : posted)
            QVERIFY(post[0].isNull());

        QCOMPARE(Bridge::consumePendingTaskToggles(), remaining);
        QCOMPARE(IntentFolders::defaultsKeys(), std::optional(QStringList{}));
    }

    // Consuming nothing, or what cannot be read, writes nothing at all.
    void consumingLeavesWhatItCannotUse_data()
    {
        QTest::addColumn<QByteArray>("stored"); // "-": nothing stored
        QTest::newRow("nothing pending") << QByteArray("-");
        QTest::newRow("an empty list") << QByteArray("[]");
        QTest::newRow("not JSON") << QByteArray("{{");
        QTest::newRow("a key missing") << QByteArray(R"([{"fenceID":"0A0A0A0A-0000-4000-8000-00000000000A","desiredCompleted":true,"recordedAt":0}])");
        QTest::newRow("a time as a string") << QByteArray(R"([{"fenceID":"0A0A0A0A-0000-4000-8000-00000000000A","taskID":"1A1A1A1A-0000-4000-8000-00000000001A","desiredCompleted":true,"recordedAt":"2001-01-01T00:00:00Z"}])");
        QTest::newRow("an id that is no UUID") << QByteArray(R"([{"fenceID":"fence","taskID":"1A1A1A1A-0000-4000-8000-00000000001A","desiredCompleted":true,"recordedAt":0}])");
    }

    void consumingLeavesWhatItCannotUse()
    {
        QFETCH(QByteArray, stored);
        IntentFolders folders;
        auto defaults = IntentFolders::defaults();
        if (stored != "-")
            QVERIFY(defaults.setData(Bridge::pendingTaskTogglesKey, stored));
        const QByteArray file = IntentFolders::bytesOf(platform::FileKeyValueStore::defaultFilePath());
        QCOMPARE(Bridge::consumePendingTaskToggles(), QList<PendingWidgetTaskToggle>{});
        QCOMPARE(IntentFolders::bytesOf(platform::FileKeyValueStore::defaultFilePath()), file);
        QCOMPARE(Bridge::consumePendingWorkspaceSwitch(), std::nullopt);
        QCOMPARE(IntentFolders::bytesOf(platform::FileKeyValueStore::defaultFilePath()), file);
    }

    void recordedTogglesAreReadBackWithExtraKeys()
    {
        const QByteArray bytes = R"([{"fenceID":"0a0a0a0a-0000-4000-8000-00000000000a","taskID":"1A1A1A1A-0000-4000-8000-00000000001A","desiredCompleted":false,"recordedAt":0.5,"note":"x"}])";
        QCOMPARE(decodePendingTaskToggles(bytes),
                 std::optional(QList<PendingWidgetTaskToggle>{{fenceA, taskA, false, reference.addMSecs(500)}}));
        QCOMPARE(encodePendingTaskToggles({{fenceA, taskA, false, QDateTime()}}), std::nullopt);
    }

    // -- the workspace switch ------------------------------------------------------------------

    void workspaceSwitchIsConsumedOnce()
    {
        IntentFolders folders;
        QSignalSpy posted(&PendingIntentNotifier::shared(), &PendingIntentNotifier::intentDidTrigger);
        const QUuid workspace = parseUuid(u"abcdefab-cdef-4abc-8def-abcdefabcdef").value();
        Bridge::recordPendingWorkspaceSwitch(workspace);
        QCOMPARE(IntentFolders::defaults().value(Bridge::pendingWorkspaceSwitchKey),
                 std::optional(QJsonValue(u"ABCDEFAB-CDEF-4ABC-8DEF-ABCDEFABCDEF"_s)));
        QCOMPARE(posted.size(), 1);
        QVERIFY(posted[0][0].isNull());
        QCOMPARE(Bridge::consumePendingWorkspaceSwitch(), std::optional(workspace));
        QCOMPARE(Bridge::consumePendingWorkspaceSwitch(), std::nullopt);

        auto defaults = IntentFolders::defaults();
        QVERIFY(defaults.setValue(Bridge::pendingWorkspaceSwitchKey, u"not an id"_s));
        QCOMPARE(Bridge::consumePendingWorkspaceSwitch(), std::nullopt);
        QCOMPARE(defaults.value(Bridge::pendingWorkspaceSwitchKey), std::optional(QJsonValue(u"not an id"_s)));
    }

    // -- the snapshot ----------------------------------------------------------------------------

    void snapshotIsPersistedEverywhere_data()
    {
        QTest::addColumn<bool>("writable");
        QTest::newRow("default file") << true;
        // The parent is a regular file: no folder can be made there.
        QTest::newRow("unwritable file") << false;
    }

    void snapshotIsPersistedEverywhere()
    {
        QFETCH(bool, writable);
        IntentFolders folders;
        WidgetSnapshotPayload payload;
        payload.generatedAt = QDateTime(QDate(2026, 12, 10), QTime(1, 2, 3), Qt::UTC);
        payload.activeWorkspaceID = fenceA;
        payload.activeWorkspaceName = u"工作"_s;
        payload.workspaces.append({fenceA, u"工作"_s, u"briefcase"_s, FenceTintPalette::crystal});
        const QByteArray bytes = json::encode(payload).value();

        PendingIntentEnvironment environment;
        environment.appGroupDefaults = std::make_shared<platform::MemoryKeyValueStore>();
        environment.widgetReloader = std::make_shared<platform::WidgetReloader>();
        if (!writable) {
            QVERIFY(IntentFolders::writeFile(folders.dir.filePath(u"blocker"_s)));
            environment.widgetSnapshotPath = folders.dir.filePath(u"blocker/widget_snapshot.json"_s);
        }
        Bridge::persistWidgetSnapshot(payload, environment);

        QCOMPARE(IntentFolders::bytesOf(environment.widgetSnapshotPath.value_or(IntentFolders::snapshotPath())),
                 writable ? bytes : QByteArray());
        QCOMPARE(environment.appGroupDefaults->data(MorvanteelStore::widgetDefaultsKey), std::optional(bytes));
        QCOMPARE(IntentFolders::defaults().data(MorvanteelStore::widgetDefaultsKey), std::optional(bytes));
        QCOMPARE(environment.widgetReloader->requestCount(), 1);
    }
};

QTEST_GUILESS_MAIN(PendingIntentBridgeTest)
#include "tst_pendingintentbridge.moc"
