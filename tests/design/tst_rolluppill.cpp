#include "design/FenceRollUpPillView.h"
#include "design/GlassTextLabel.h"
#include "design/GlassTransition.h"
#include "support/DesignTestSupport.h"

#include <QApplication>
#include <QMenu>
#include <QtTest>

using namespace mv;
using namespace mv::testing;

namespace {

struct PillFixture {
    DesignEnvironment environment;
    QWidget window;
    FenceRollUpPillView* pill = nullptr;
    FenceModel fence;
    int expands = 0;
    QList<QUuid> switched;
    bool ok = false;

    explicit PillFixture(int tabCount)
    {
        QList<FenceTab> tabs;
        const QStringList titles{QStringLiteral("效率工具"), QStringLiteral("研发文档"), QStringLiteral("工作流")};
        for (int i = 0; i < tabCount; ++i)
            tabs.append(makeTab(titles[i], i == 0 ? QStringLiteral("bolt.fill") : QStringLiteral("globe")));
        fence = makeFence(QStringLiteral("高频启动台"), tabs, FenceTintPalette::violet);
        pill = new FenceRollUpPillView(&environment, &window);
        pill->setFence(fence);
        pill->onExpand = [this] { ++expands; };
        window.resize(360, 46);
        pill->resize(360, 46);
        window.show();
        ok = QTest::qWaitForWindowExposed(&window);
    }

    template<class T>
    T* part(const char* name) const { return pill->findChild<T*>(QString::fromLatin1(name)); }
};

} // namespace

class RollUpPillTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void structure()
    {
        PillFixture f(1);
        QVERIFY(f.ok);
        QCOMPARE(f.pill->height(), 46);
        QCOMPARE(f.part<QWidget>("iconBadge")->size(), QSize(28, 28));
        QCOMPARE(f.part<QWidget>("iconBadge")->x(), 12);
        QCOMPARE(f.pill->expandButton()->size(), QSize(26, 26));
        QCOMPARE(f.pill->expandButton()->symbolName(), QStringLiteral("chevron.down"));
        QCOMPARE(f.pill->expandButton()->toolTip(), QStringLiteral("展开围栏"));
        QCOMPARE(f.pill->expandButton()->accessibleName(), QStringLiteral("展开 高频启动台"));
        QCOMPARE(f.part<GlassTextLabel>("titleLabel")->text(), QStringLiteral("高频启动台"));
        QCOMPARE(f.part<GlassTextLabel>("activeTabLabel")->text(), QStringLiteral("效率工具"));
        QVERIFY(!f.part<QWidget>("pinMark")->isVisible());
        QVERIFY(!f.part<QWidget>("lockMark")->isVisible());
        // The capsule glass of the fence's tint and opacity, interactive, not highlighted.
        QCOMPARE(f.pill->modifier(), liquidGlassCapsule(FenceTintPalette::violet, 0.72, true, false));
    }

    void marksAndSecondLine()
    {
        PillFixture f(1);
        FenceModel fence = f.fence;
        fence.isPinned = true;
        fence.isLocked = true;
        f.pill->setFence(fence);
        QVERIFY(f.part<QWidget>("pinMark")->isVisible());
        QVERIFY(f.part<QWidget>("lockMark")->isVisible());
        QVERIFY(f.part<QWidget>("pinMark")->x() < f.part<QWidget>("lockMark")->x());
        fence.tabs.clear();
        f.pill->setFence(fence);
        QVERIFY(!f.part<QWidget>("activeTabLabel")->isVisible());
    }

    void tabMenuNeedsTwoTabsAndAHandler_data()
    {
        QTest::addColumn<int>("tabs");
        QTest::addColumn<bool>("handler");
        QTest::addColumn<bool>("menu");
        // A menu only for a fence of several tabs with a switch handler; otherwise the plain badge.
        QTest::newRow("one tab with handler") << 1 << true << false;
        QTest::newRow("two tabs without handler") << 2 << false << false;
        QTest::newRow("two tabs with handler") << 2 << true << true;
    }

    void tabMenuNeedsTwoTabsAndAHandler()
    {
        QFETCH(int, tabs);
        QFETCH(bool, handler);
        QFETCH(bool, menu);
        PillFixture f(tabs);
        if (handler)
            f.pill->setOnSwitchTab([&f](const QUuid& id) { f.switched.append(id); });
        QCOMPARE(f.pill->showsTabMenu(), menu);
        QCOMPARE(f.pill->tabMenuButton()->isVisible(), menu);
        QCOMPARE(f.part<QWidget>("badge")->isVisible(), !menu);
        QCOMPARE(f.pill->badge()->isVisible(), true);
    }

    void pickingATabSwitches()
    {
        PillFixture f(3);
        f.pill->setOnSwitchTab([&f](const QUuid& id) { f.switched.append(id); });
        QTest::mouseClick(f.pill->tabMenuButton(), Qt::LeftButton);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QStringList items;
        for (QAction* a : menu->actions())
            items.append(a->text() + u'|' + a->property("symbolName").toString());
        QCOMPARE(items, (QStringList{QStringLiteral("效率工具|bolt.fill"), QStringLiteral("研发文档|globe"), QStringLiteral("工作流|globe")}));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions()[2]).center());
        QTRY_COMPARE(f.switched, QList<QUuid>{f.fence.tabs[2].id});
        QCOMPARE(f.expands, 0);
        QCOMPARE(f.pill->expandTransition().runCount(), 0); // switching is not animated
    }

    void expanding_data()
    {
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<bool>("reduceMotion");
        QTest::addColumn<int>("kind");
        // Both roads expand with uiDefault, or crossfade under reduce motion.
        QTest::newRow("double click") << true << false << int(GlassAnimationKind::uiDefault);
        QTest::newRow("button") << false << false << int(GlassAnimationKind::uiDefault);
        QTest::newRow("double click reduced") << true << true << int(GlassAnimationKind::reducedCrossfade);
        QTest::newRow("button reduced") << false << true << int(GlassAnimationKind::reducedCrossfade);
    }

    void expanding()
    {
        QFETCH(bool, doubleClick);
        QFETCH(bool, reduceMotion);
        QFETCH(int, kind);
        PillFixture f(2);
        f.environment.setReduceMotion(reduceMotion);
        if (doubleClick) {
            // Anywhere on the capsule, the title included.
            QTest::mouseDClick(f.part<QWidget>("titleLabel"), Qt::LeftButton);
        } else {
            QTest::mouseClick(f.pill->expandButton(), Qt::LeftButton);
        }
        QCOMPARE(f.expands, 1);
        QCOMPARE(int(*f.pill->expandTransition().lastKind()), kind);
    }

    void updatesInPlace()
    {
        PillFixture f(2);
        QWidget* title = f.part<QWidget>("titleLabel");
        FenceModel fence = f.fence;
        fence.title = QStringLiteral("新名字");
        fence.activeTabID = fence.tabs[1].id;
        f.pill->setFence(fence);
        QCOMPARE(f.part<QWidget>("titleLabel"), title);
        QCOMPARE(f.part<GlassTextLabel>("activeTabLabel")->text(), QStringLiteral("研发文档"));
        QCOMPARE(f.pill->expandButton()->accessibleName(), QStringLiteral("展开 新名字"));
    }
};

QTEST_MAIN(RollUpPillTest)
#include "tst_rolluppill.moc"
