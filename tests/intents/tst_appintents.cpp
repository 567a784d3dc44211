#include "intents/AppIntents.h"
#include "intents/AppShortcuts.h"

#include "core/models/Uuid.h"
#include "support/IntentFolders.h"

#include <QtTest>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

const QList<QUuid> workspaceIDs{
    parseUuid(u"11111111-1111-4111-8111-111111111111").value(),
    parseUuid(u"22222222-2222-4222-8222-222222222222").value(),
    parseUuid(u"33333333-3333-4333-8333-333333333333").value(),
};
const QStringList workspaceNames{u"工作"_s, u"生活"_s, u"学习"_s};
const QDateTime generated(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
const QDateTime now(QDate(2026, 12, 10), QTime(9, 30, 0), Qt::UTC);

// A snapshot of the first `count` workspaces with the one at `active` active (-1: an id that
// names none of them), and one fence of the active one.
WidgetSnapshotPayload snapshot(int count, int active)
{
    WidgetSnapshotPayload payload;
    payload.generatedAt = generated;
    payload.activeWorkspaceID = active >= 0 ? workspaceIDs[active] : parseUuid(u"99999999-9999-4999-8999-999999999999").value();
    payload.activeWorkspaceName = active >= 0 ? workspaceNames[active] : u"旧的"_s;
    for (int i = 0; i < count; ++i)
        payload.workspaces.append({workspaceIDs[i], workspaceNames[i], u"briefcase.fill"_s, FenceTintPalette::crystal});
    WidgetSnapshotFence fence;
    fence.id = parseUuid(u"AAAAAAAA-AAAA-4AAA-8AAA-AAAAAAAAAAAA").value();
    fence.workspaceID = payload.activeWorkspaceID;
    fence.workspaceName = payload.activeWorkspaceName;
    fence.title = u"桌面"_s;
    fence.symbolName = u"folder"_s;
    fence.deepLinkURL = MorvanteelDeepLink::openFence(fence.id).urlString();
    payload.fences.append(fence);
    return payload;
}

PendingIntentEnvironment clocked()
{
    PendingIntentEnvironment environment;
    environment.now = [] { return now; };
    return environment;
}

} // namespace

class AppIntentsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // -- the switch ------------------------------------------------------------------------

    void switchChoosesItsTarget_data()
    {
        QTest::addColumn<int>("count");     // -1: no snapshot at all
        QTest::addColumn<int>("active");    // -1: an id naming no workspace
        QTest::addColumn<QString>("parameter");
        QTest::addColumn<int>("target");    // -1: SpotSearch instead
        const QString second = uuidString(workspaceIDs[1]);
        QTest::newRow("three, the last active: the first") << 3 << 2 << QString() << 0;
        QTest::newRow("three, the first active: the second") << 3 << 0 << QString() << 1;
        QTest::newRow("one: itself") << 1 << 0 << QString() << 0;
        QTest::newRow("active names none: the first") << 3 << -1 << QString() << 0;
        QTest::newRow("parameter names the second") << 3 << 0 << second << 1;
        QTest::newRow("parameter names the active one") << 3 << 1 << second << 1;
        QTest::newRow("parameter in lower case") << 3 << 2 << second.toLower() << 1;
        QTest::newRow("parameter the snapshot lacks: the next") << 3 << 1 << u"44444444-4444-4444-8444-444444444444"_s << 2;
        QTest::newRow("parameter that is no UUID: the next") << 3 << 2 << u"zweiter"_s << 0;
        QTest::newRow("no snapshot: SpotSearch") << -1 << 0 << QString() << -1;
        QTest::newRow("no workspaces: SpotSearch") << 0 << -1 << QString() << -1;
        QTest::newRow("no workspaces, with a parameter: SpotSearch") << 0 << -1 << second << -1;
    }

    void switchChoosesItsTarget()
    {
        QFETCH(int, count);
        QFETCH(int, active);
        QFETCH(QString, parameter);
        QFETCH(int, target);
        IntentFolders folders;
        if (count >= 0)
            IntentFolders::writeSnapshot(snapshot(count, active));
        const QByteArray before = IntentFolders::bytesOf(IntentFolders::snapshotPath());

        SwitchWorkspaceIntent intent;
        if (!parameter.isEmpty())
            intent = SwitchWorkspaceIntent(WorkspaceChoiceEntity{parameter, u"任意"_s, u"star"_s});
        const IntentResult result = intent.perform(clocked());
        const auto defaults = IntentFolders::defaults();

        if (target < 0) {
            QCOMPARE(result, (IntentResult{MorvanteelDeepLink::spotSearch(), u"正在打开 Morvanteel 工作区。"_s}));
            // Nothing but the pending link: no snapshot, no recorded switch.
            QCOMPARE(IntentFolders::defaultsKeys(), std::optional(QStringList{u"Morvanteel.PendingDeepLinkURL"_s}));
            QCOMPARE(defaults.value(u"Morvanteel.PendingDeepLinkURL"_s), std::optional(QJsonValue(u"morvanteel://spot-search"_s)));
            QCOMPARE(IntentFolders::bytesOf(IntentFolders::snapshotPath()), before);
            return;
        }
        const QUuid id = workspaceIDs[target];
        QCOMPARE(result, (IntentResult{MorvanteelDeepLink::switchWorkspace(id),
                                       u"已切换到工作区「%1」。"_s.arg(workspaceNames[target])}));
        QCOMPARE(result.link.urlString(), u"morvanteel://switch-workspace/"_s + uuidString(id));

        // The snapshot names the target, with a new time; its lists are as they were.
        WidgetSnapshotPayload expected = snapshot(count, active);
        expected.activeWorkspaceID = id;
        expected.activeWorkspaceName = workspaceNames[target];
        expected.generatedAt = now;
        QCOMPARE(IntentFolders::readSnapshot(), std::optional(expected));
        QCOMPARE(defaults.data(MorvanteelStore::widgetDefaultsKey), std::optional(IntentFolders::bytesOf(IntentFolders::snapshotPath())));
        QCOMPARE(defaults.value(u"Morvanteel.PendingWorkspaceSwitch"_s), std::optional(QJsonValue(uuidString(id))));
        QCOMPARE(defaults.value(u"Morvanteel.PendingDeepLinkURL"_s), std::optional(QJsonValue(result.link.urlString())));
    }

    // -- the two without parameters ----------------------------------------------------------

    void parameterlessIntentsLeaveTheirOwnLink_data()
    {
        QTest::addColumn<bool>("spotSearch");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("dialog");
        QTest::newRow("SpotSearch") << true << u"morvanteel://spot-search"_s << u"正在打开 Morvanteel SpotSearch。"_s;
        QTest::newRow("smart tidy") << false << u"morvanteel://smart-tidy"_s << u"正在打开 Morvanteel 智能整理。"_s;
    }

    void parameterlessIntentsLeaveTheirOwnLink()
    {
        QFETCH(bool, spotSearch);
        QFETCH(QString, url);
        QFETCH(QString, dialog);
        IntentFolders folders;
        IntentFolders::writeSnapshot(snapshot(3, 0));
        const QByteArray before = IntentFolders::bytesOf(IntentFolders::snapshotPath());
        // An earlier link is replaced.
        MorvanteelPendingIntentBridge::enqueueDeepLink(MorvanteelDeepLink::openFence(workspaceIDs[0]));
        const auto defaults = IntentFolders::defaults();

        const IntentResult result = spotSearch ? OpenSpotSearchIntent().perform() : RunSmartTidyIntent().perform();
        QCOMPARE(result.link.urlString(), url);
        QCOMPARE(result.dialog, dialog);
        QCOMPARE(IntentFolders::defaultsKeys(), std::optional(QStringList{u"Morvanteel.PendingDeepLinkURL"_s}));
        QCOMPARE(defaults.value(u"Morvanteel.PendingDeepLinkURL"_s), std::optional(QJsonValue(url)));
        QCOMPARE(IntentFolders::bytesOf(IntentFolders::snapshotPath()), before);
    }

    // -- the workspace entity and its query --------------------------------------------------

    void queryFollowsTheSnapshot()
    {
        IntentFolders folders;
        const WorkspaceChoiceQuery query;
        QCOMPARE(query.suggestedEntities(), QList<WorkspaceChoiceEntity>{});
        QCOMPARE(query.defaultResult(), std::nullopt);

        IntentFolders::writeSnapshot(snapshot(3, 1));
        const QList<WorkspaceChoiceEntity> all{
            {uuidString(workspaceIDs[0]), workspaceNames[0], u"briefcase.fill"_s},
            {uuidString(workspaceIDs[1]), workspaceNames[1], u"briefcase.fill"_s},
            {uuidString(workspaceIDs[2]), workspaceNames[2], u"briefcase.fill"_s},
        };
        QCOMPARE(query.suggestedEntities(), all);
        QCOMPARE(query.defaultResult(), std::optional(all.first()));
        QCOMPARE(all.first().displayTitle(), workspaceNames[0]);
        QCOMPARE(WorkspaceChoiceEntity::typeDisplayRepresentation, u"Morvanteel 工作区"_s);
        // Requested in reverse, repeated, with an id that names none: snapshot order, once each.
        QCOMPARE(query.entities({all[2].id, all[0].id, all[2].id, u"44444444-4444-4444-8444-444444444444"_s}),
                 (QList<WorkspaceChoiceEntity>{all[0], all[2]}));

        IntentFolders::writeSnapshot(snapshot(0, -1));
        QCOMPARE(query.defaultResult(), std::nullopt);
        QCOMPARE(query.entities({all[0].id}), QList<WorkspaceChoiceEntity>{});
    }

    // -- the shortcuts -----------------------------------------------------------------------

    void shortcutsNameTheirIntents()
    {
        const QList<AppShortcut>& shortcuts = MorvanteelShortcutsProvider::appShortcuts();
        QCOMPARE(shortcuts.size(), 3);
        const auto spoken = [](const AppShortcut& shortcut) {
            QStringList phrases;
            for (const ShortcutPhrase& phrase : shortcut.phrases)
                phrases.append(phrase.spoken(u"Morvanteel"_s));
            return phrases;
        };
        QCOMPARE(spoken(shortcuts[0]), (QStringList{u"打开 Morvanteel 搜索"_s, u"使用 Morvanteel 搜索"_s}));
        QCOMPARE(spoken(shortcuts[1]), (QStringList{u"一键智能整理 Morvanteel 桌面"_s, u"打开 Morvanteel 智能整理"_s}));
        QCOMPARE(spoken(shortcuts[2]), (QStringList{u"切换 Morvanteel 工作区"_s, u"在 Morvanteel 中切换工作区"_s}));
        QCOMPARE(shortcuts[0].shortTitle, OpenSpotSearchIntent::title);
        QCOMPARE(shortcuts[1].shortTitle, RunSmartTidyIntent::title);
        QCOMPARE(shortcuts[2].shortTitle, SwitchWorkspaceIntent::title);
        QCOMPARE(shortcuts[0].systemImageName, u"magnifyingglass"_s);
        QCOMPARE(shortcuts[1].systemImageName, u"sparkles.rectangle.stack.fill"_s);
        QCOMPARE(shortcuts[2].systemImageName, u"square.stack.3d.up.fill"_s);
        QCOMPARE(MorvanteelShortcutsProvider::shortcut(u"switch-workspace"_s), &shortcuts[2]);
        QCOMPARE(MorvanteelShortcutsProvider::shortcut(u"Switch-Workspace"_s), nullptr);
    }
};

QTEST_GUILESS_MAIN(AppIntentsTest)
#include "tst_appintents.moc"
