#include "core/models/FenceModels.h"
#include "core/models/RecordHash.h"
#include "core/models/Uuid.h"

#include <QDir>
#include <QSet>
#include <QtTest>

using namespace mv;

namespace {

FenceTab tabOf(FenceKind kind, QUuid id = newUuid())
{
    FenceTab tab;
    tab.id = id;
    tab.kind = kind;
    return tab;
}

FenceChecklistTask task(bool done)
{
    FenceChecklistTask t;
    t.id = newUuid();
    t.isCompleted = done;
    return t;
}

FenceModel fenceWith(QList<FenceTab> tabs, std::optional<QUuid> activeTabID = std::nullopt)
{
    const QDateTime now = QDateTime::fromSecsSinceEpoch(1772353800, Qt::UTC);
    return FenceModel::make(newUuid(), newUuid(), QStringLiteral("围栏"), QStringLiteral("tray"), std::move(tabs),
                            activeTabID, false, false, false, {}, {}, 0, 1, {}, now, now);
}

} // namespace

class FenceModelsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fenceWithoutTabsGetsAFreshActiveTabID()
    {
        const FenceModel a = fenceWith({});
        const FenceModel b = fenceWith({});
        QVERIFY(!a.activeTabID.isNull());
        QVERIFY(a.activeTabID != b.activeTabID);
        QCOMPARE(a.activeTab(), nullptr);
        QCOMPARE(a.primaryKind(), FenceKind::curated);
        QCOMPARE(a.badgeSummary(), QStringLiteral("0"));
    }

    void activeTabFallsBackWithoutRepairing()
    {
        const FenceTab first = tabOf(FenceKind::notes);
        const FenceTab second = tabOf(FenceKind::portal);

        // No id given: the first tab's id is stored.
        QCOMPARE(fenceWith({first, second}).activeTabID, first.id);

        // A given id is stored even when no tab has it; the first tab then stands in.
        const QUuid dangling = newUuid();
        const FenceModel fence = fenceWith({first, second}, dangling);
        QCOMPARE(fence.activeTabID, dangling);
        QCOMPARE(fence.activeTab()->id, first.id);
        QCOMPARE(fence.activeTabID, dangling);

        QCOMPARE(fenceWith({first, second}, second.id).primaryKind(), FenceKind::portal);

        // Two tabs sharing the id: the first of them wins.
        FenceTab twinA = tabOf(FenceKind::checklist, second.id);
        FenceTab twinB = tabOf(FenceKind::curated, second.id);
        QCOMPARE(fenceWith({first, twinA, twinB}, second.id).primaryKind(), FenceKind::checklist);
    }

    void badgeSummarisesTheActiveTabOnly_data()
    {
        QTest::addColumn<FenceModel>("fence");
        QTest::addColumn<QString>("badge");

        FenceTab portal = tabOf(FenceKind::portal);
        portal.portalPath = QStringLiteral("/nonexistent/folder");
        QTest::newRow("portal, even when missing") << fenceWith({portal}) << "传送门";

        FenceTab curated = tabOf(FenceKind::curated);
        QTest::newRow("empty curated") << fenceWith({curated}) << "0 项";
        curated.items = {FenceItem{}, FenceItem{}, FenceItem{}};
        QTest::newRow("three items") << fenceWith({curated}) << "3 项";

        FenceTab notes = tabOf(FenceKind::notes);
        QTest::newRow("empty note") << fenceWith({notes}) << "0 字";
        notes.noteText = QStringLiteral("e\u0301");
        QTest::newRow("combining accent is one") << fenceWith({notes}) << "1 字";
        notes.noteText = QStringLiteral("👩‍💻便签");
        QTest::newRow("emoji sequence is one") << fenceWith({notes}) << "3 字";

        FenceTab checklist = tabOf(FenceKind::checklist);
        QTest::newRow("empty checklist") << fenceWith({checklist}) << "0/0";
        checklist.tasks = {task(false), task(true), task(false), task(true), task(true)};
        QTest::newRow("two of five open") << fenceWith({checklist}) << "2/5";
        checklist.tasks = {task(true), task(true)};
        QTest::newRow("all done") << fenceWith({checklist}) << "0/2";

        // A checklist that is not the active tab does not count.
        FenceTab other = tabOf(FenceKind::checklist);
        other.tasks = {task(false)};
        QTest::newRow("inactive checklist ignored") << fenceWith({curated, other}) << "3 项";
        QTest::newRow("more than 999 without grouping") << [] {
            FenceTab many = tabOf(FenceKind::curated);
            many.items.resize(1234);
            return fenceWith({many});
        }() << "1234 项";
    }

    void badgeSummarisesTheActiveTabOnly()
    {
        QFETCH(FenceModel, fence);
        QFETCH(QString, badge);
        QCOMPARE(fence.badgeSummary(), badge);
    }

    void resolvesItemTargets_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("url"); // empty: none
        QTest::newRow("tilde") << "~/Desktop" << QUrl::fromLocalFile(QDir::homePath() + QStringLiteral("/Desktop")).toString();
        QTest::newRow("bare tilde") << "~" << QUrl::fromLocalFile(QDir::homePath()).toString();
        QTest::newRow("absolute path") << "/home/林晓/报告 1.pdf" << QStringLiteral("file:///home/林晓/报告 1.pdf");
        QTest::newRow("deep link") << "morvanteel://smart-tidy" << "morvanteel://smart-tidy";
        QTest::newRow("web") << "https://example.org/a?b=c" << "https://example.org/a?b=c";
        QTest::newRow("other scheme") << "x-apple-reminderkit://" << "x-apple-reminderkit://";
        // No leading "/" or "~" and no scheme: nothing, never a path read against the working folder.
        QTest::newRow("relative path") << "Documents/report.txt" << "";
        QTest::newRow("bare name") << "notes.txt" << "";
        QTest::newRow("host without scheme") << "example.com" << "";
        QTest::newRow("option") << "--help" << "";
        QTest::newRow("unknown user") << "~no-such-user-here/x" << "";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("leading space is no path") << " /tmp" << "";
    }

    void resolvesItemTargets()
    {
        QFETCH(QString, target);
        QFETCH(QString, url);
        FenceItem item;
        item.target = target;
        const auto resolved = item.resolvedURL();
        if (url.isEmpty()) {
            QVERIFY(!resolved);
            return;
        }
        QVERIFY(resolved);
        QCOMPARE(resolved->toString(), url);
        QCOMPARE(resolved->isLocalFile(), target.startsWith(u'/') || target.startsWith(u'~'));
    }

    void everyFieldTakesPartInEqualityAndHash()
    {
        FenceTab tab = tabOf(FenceKind::curated);
        FenceItem item;
        item.id = newUuid();
        tab.items = {item};
        const FenceModel base = fenceWith({tab});

        QList<FenceModel> variants;
        auto vary = [&](auto change) {
            FenceModel copy = base;
            change(copy);
            variants.append(copy);
        };
        vary([](FenceModel& f) { f.updatedAt = f.updatedAt.addSecs(1); });
        vary([](FenceModel& f) { f.title += u'!'; });
        vary([](FenceModel& f) { f.desktopFrame.height = 1; });
        vary([](FenceModel& f) { f.style.idleOpacity = 0.5; });
        vary([](FenceModel& f) { f.tabs[0].items[0].subtitle = QString(); });
        vary([](FenceModel& f) { f.tabs[0].items[0].isPinned = true; });
        vary([](FenceModel& f) { f.bentoColumnSpan = 2; });

        QSet<FenceModel> set{base};
        for (const FenceModel& variant : variants) {
            QVERIFY(variant != base);
            QVERIFY(qHash(variant, 0) != qHash(base, 0));
            set.insert(variant);
        }
        QCOMPARE(set.size(), variants.size() + 1);

        const FenceModel copy = base;
        QCOMPARE(copy, base);
        QCOMPARE(qHash(copy, 7), qHash(base, 7));
    }

    void frameEdgesFollowTheNumbers()
    {
        const FenceFrameRect frame{10, 20, -30, 40};
        QCOMPARE(frame.minX(), 10.0);
        QCOMPARE(frame.maxX(), -20.0);
        QVERIFY(frame.maxX() < frame.minX());
        QCOMPARE(frame.midX(), -5.0);
        QCOMPARE(frame.minY(), 20.0);
        QCOMPARE(frame.maxY(), 60.0);
        QCOMPARE(frame.midY(), 40.0);
    }

    void storeStartsWithTheDefaultPreferences()
    {
        const GlobalPreferences p = defaultGlobalPreferences();
        QCOMPARE(p.snapThreshold, 14.0);
        QCOMPARE(p.snapGap, 12.0);
        QVERIFY(p.magneticSnappingEnabled);
        QVERIFY(!p.isLayoutLocked && !p.isDesktopCurtainHidden && !p.isPeekActive);
        QVERIFY(!p.chameleonGlobalEnabled && !p.autoTidyOnDrop);
        QCOMPARE(p.preferrediOSLayout, iOSLayoutMode::bentoGrid);
        QVERIFY(p.demoPortalRootPath.isEmpty());
        QVERIFY(!p.lastExportDate);
    }
};

QTEST_GUILESS_MAIN(FenceModelsTest)
#include "tst_fencemodels.moc"
