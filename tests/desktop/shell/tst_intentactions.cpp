#include "core/models/JsonCodec.h"
#include "core/models/Uuid.h"
#include "core/store/support/StoreFixture.h"
#include "desktop/shell/IntentActions.h"
#include "desktop/shell/MorvanteelAppRuntime.h"
#include "desktop/shell/SpotSearchWindowController.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

// The seeded runtime and the shortcuts over it, with the records in the fixture's defaults.
struct IntentDesk {
    StoreFixture fixture;
    std::unique_ptr<MorvanteelAppRuntime> runtime = std::make_unique<MorvanteelAppRuntime>(fixture.makeStore());
    IntentActions* actions = nullptr;

    IntentDesk()
    {
        PendingIntentEnvironment environment;
        environment.standardDefaults = fixture.defaults;
        environment.widgetReloader = fixture.reloader;
        environment.now = [this] { return fixture.clock; };
        actions = new IntentActions(*runtime, environment);
    }
    MorvanteelStore& store() const { return runtime->store(); }
    QUuid workspace(int index) const { return store().workspaces().at(index).id; }
    std::optional<WidgetSnapshotPayload> snapshotFile() const
    {
        fixture.flushSaves();
        auto payload = json::decode<WidgetSnapshotPayload>(StoreFixture::readFile(fixture.snapshotPath()));
        return payload ? std::optional(payload.value()) : std::nullopt;
    }
    std::optional<QJsonValue> record(const QString& key) const
    {
        fixture.flushSaves();
        return fixture.defaults->value(key);
    }
};

} // namespace

class IntentActionsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The switch is told only once the store has switched, saved and republished.
    void switchGoesThroughTheStore_data()
    {
        QTest::addColumn<int>("active");
        QTest::addColumn<int>("parameter"); // -1: none
        QTest::addColumn<int>("target");
        QTest::newRow("named: the third") << 0 << 2 << 2;
        QTest::newRow("named: the one active") << 1 << 1 << 1;
        QTest::newRow("none: the next") << 0 << -1 << 1;
        QTest::newRow("none, from the last: the first") << 2 << -1 << 0;
    }

    void switchGoesThroughTheStore()
    {
        QFETCH(int, active);
        QFETCH(int, parameter);
        QFETCH(int, target);
        IntentDesk desk;
        desk.store().switchWorkspace(desk.workspace(active));
        const int writes = desk.fixture.savedStateWrites();
        QSignalSpy reported(desk.actions, &IntentActions::reported);

        const std::optional<QString> id = parameter < 0 ? std::nullopt
                                                        : std::optional(uuidString(desk.workspace(parameter)).toLower());
        QVERIFY(desk.actions->activate(u"switch-workspace"_s, id));
        const QUuid expected = desk.workspace(target);
        QCOMPARE(desk.store().activeWorkspaceID(), expected);
        QCOMPARE(desk.fixture.savedStateWrites(), writes + 1);
        QCOMPARE(reported.size(), 1);
        QCOMPARE(reported[0][0].toString(), u"已切换到工作区「%1」。"_s.arg(desk.store().workspaces().at(target).name));
        QCOMPARE(reported[0][1].toBool(), true);
        // The records the intent leaves, and the snapshot as the store republished it.
        QCOMPARE(desk.record(u"Morvanteel.PendingWorkspaceSwitch"_s), std::optional(QJsonValue(uuidString(expected))));
        QCOMPARE(desk.record(u"Morvanteel.PendingDeepLinkURL"_s),
                 std::optional(QJsonValue(MorvanteelDeepLink::switchWorkspace(expected).urlString())));
        const auto snapshot = desk.snapshotFile();
        QVERIFY(snapshot);
        QCOMPARE(snapshot->activeWorkspaceID, expected);
        QCOMPARE(snapshot->activeWorkspaceName, desk.store().workspaces().at(target).name);
        QCOMPARE(snapshot->fences.size(), desk.store().activeFences().size());
        for (const WidgetSnapshotFence& fence : snapshot->fences)
            QCOMPARE(fence.workspaceID, expected);
    }

    // A workspace that is not there is no request to cycle, and is never reported as done.
    void unknownWorkspaceChangesNothing_data()
    {
        QTest::addColumn<QString>("parameter");
        QTest::newRow("an id no workspace has") << u"44444444-4444-4444-8444-444444444444"_s;
        QTest::newRow("no id at all") << u"工作"_s;
        QTest::newRow("empty") << QString();
    }

    void unknownWorkspaceChangesNothing()
    {
        QFETCH(QString, parameter);
        IntentDesk desk;
        const QUuid before = desk.store().activeWorkspaceID();
        const int writes = desk.fixture.savedStateWrites();
        const QByteArray snapshot = StoreFixture::readFile(desk.fixture.snapshotPath());
        QSignalSpy reported(desk.actions, &IntentActions::reported);

        QVERIFY(!desk.actions->activate(u"switch-workspace"_s, parameter));
        QCOMPARE(desk.store().activeWorkspaceID(), before);
        QCOMPARE(desk.fixture.savedStateWrites(), writes);
        QCOMPARE(StoreFixture::readFile(desk.fixture.snapshotPath()), snapshot);
        QCOMPARE(desk.record(u"Morvanteel.PendingWorkspaceSwitch"_s), std::nullopt);
        QCOMPARE(desk.record(u"Morvanteel.PendingDeepLinkURL"_s), std::nullopt);
        QCOMPARE(reported.size(), 1);
        QCOMPARE(reported[0][0].toString(), IntentActions::unknownWorkspaceMessage.arg(parameter));
        QCOMPARE(reported[0][1].toBool(), false);
    }

    // The snapshot named a workspace the store has since lost: the intent's records stand, but
    // nothing switched, nothing is reported as done, and the snapshot is the store's again.
    void workspaceTheStoreNoLongerHasIsNoSuccess()
    {
        IntentDesk desk;
        const QUuid before = desk.store().activeWorkspaceID();
        WidgetSnapshotPayload stale = desk.store().makeWidgetSnapshot();
        const QUuid gone = parseUuid(u"55555555-5555-4555-8555-555555555555").value();
        stale.workspaces.append({gone, u"已删除"_s, u"trash"_s, FenceTintPalette::rose});
        QVERIFY(StoreFixture::writeFile(desk.fixture.snapshotPath(), json::encode(stale).value()));
        QSignalSpy reported(desk.actions, &IntentActions::reported);

        QVERIFY(!desk.actions->activate(u"switch-workspace"_s, uuidString(gone)));
        QCOMPARE(desk.store().activeWorkspaceID(), before);
        QCOMPARE(reported.size(), 1);
        QCOMPARE(reported[0][0].toString(), IntentActions::switchFailedMessage);
        QCOMPARE(reported[0][1].toBool(), false);
        QCOMPARE(desk.record(u"Morvanteel.PendingWorkspaceSwitch"_s), std::optional(QJsonValue(uuidString(gone))));
        QCOMPARE(desk.snapshotFile()->activeWorkspaceID, before);
    }

    void parameterlessActionsOpenTheirPlace()
    {
        IntentDesk desk;
        QSignalSpy reported(desk.actions, &IntentActions::reported);
        QVERIFY(desk.actions->activate(u"run-smart-tidy"_s));
        QCOMPARE(desk.runtime->controlCenterTab(), ControlCenterTab::smartRules);
        QWidget* window = desk.runtime->controlCenterController().window();
        QVERIFY(window && window->isVisible());
        QCOMPARE(desk.record(u"Morvanteel.PendingDeepLinkURL"_s), std::optional(QJsonValue(u"morvanteel://smart-tidy"_s)));

        QVERIFY(desk.actions->activate(u"open-spot-search"_s));
        QVERIFY(desk.runtime->spotSearchController().isVisible());
        QCOMPARE(desk.record(u"Morvanteel.PendingDeepLinkURL"_s), std::optional(QJsonValue(u"morvanteel://spot-search"_s)));

        QCOMPARE(reported.size(), 2);
        QCOMPARE(reported[0][0].toString(), u"正在打开 Morvanteel 智能整理。"_s);
        QCOMPARE(reported[1][0].toString(), u"正在打开 Morvanteel SpotSearch。"_s);
    }

    // Requests the actions do not know are refused with nothing written.
    void malformedRequestsAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parameter"); // "-": none
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown action") << u"quit"_s << u"-"_s << IntentActions::unknownActionMessage.arg(u"quit"_s);
        QTest::newRow("action in another case") << u"Run-Smart-Tidy"_s << u"-"_s
                                                << IntentActions::unknownActionMessage.arg(u"Run-Smart-Tidy"_s);
        QTest::newRow("parameter to SpotSearch") << u"open-spot-search"_s << u"x"_s
                                                 << IntentActions::unexpectedParameterMessage.arg(u"open-spot-search"_s);
    }

    void malformedRequestsAreRefused()
    {
        QFETCH(QString, name);
        QFETCH(QString, parameter);
        QFETCH(QString, message);
        IntentDesk desk;
        QSignalSpy reported(desk.actions, &IntentActions::reported);
        QVERIFY(!desk.actions->activate(name, parameter == u"-" ? std::nullopt : std::optional(parameter)));
        QCOMPARE(reported.size(), 1);
        QCOMPARE(reported[0][0].toString(), message);
        QCOMPARE(desk.record(u"Morvanteel.PendingDeepLinkURL"_s), std::nullopt);
        QVERIFY(!desk.runtime->spotSearchController().isVisible());
    }
};

QTEST_MAIN(IntentActionsTest)
#include "tst_intentactions.moc"
