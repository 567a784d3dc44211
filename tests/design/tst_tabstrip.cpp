#include "design/FenceTabStripView.h"
#include "design/GlassTransition.h"
#include "design/LiquidGlassButton.h"
#include "support/DesignTestSupport.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QWheelEvent>
#include <QMenu>
#include <QDir>
#include <QtTest>

using namespace mv;
using namespace mv::testing;

namespace {

struct StripFixture {
    DesignEnvironment environment;
    QWidget window;
    FenceTabStripView* strip = nullptr;
    QList<FenceTab> tabs;
    QList<QUuid> selected;
    QList<QUuid> closed;
    int adds = 0;
    bool ok = false;

    explicit StripFixture(int count)
    {
        strip = new FenceTabStripView(&environment, &window);
        const QStringList titles{QStringLiteral("暂存桌面"), QStringLiteral("工作文档"), QStringLiteral("截屏归档")};
        for (int i = 0; i < count; ++i)
            tabs.append(makeTab(titles[i % titles.size()], QStringLiteral("doc.text.fill")));
        strip->setTabs(tabs);
        strip->setActiveTabID(tabs.value(0).id);
        strip->setTint(FenceTintPalette::mint);
        strip->onSelectTab = [this](const QUuid& id) { selected.append(id); };
        window.resize(420, 40);
        strip->resize(420, 40);
        window.show();
        ok = QTest::qWaitForWindowExposed(&window);
    }

    QMenu* openMenu(FenceTabCapsule* capsule)
    {
        const QPoint at = capsule->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, capsule->mapToGlobal(at));
        QApplication::sendEvent(capsule, &event);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
};

} // namespace

class TabStripTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void capsulesInListOrder()
    {
        StripFixture f(3);
        QVERIFY(f.ok);
        const auto capsules = f.strip->capsules();
        QCOMPARE(capsules.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(capsules[i]->tabID(), f.tabs[i].id);
            QCOMPARE(capsules[i]->text(), f.tabs[i].title);
            QCOMPARE(capsules[i]->accessibleName(), QString()); // the visible title serves
            QCOMPARE(capsules[i]->toolTip(), QString());
            QCOMPARE(capsules[i]->isActive(), i == 0);
        }
        QVERIFY(capsules[0]->geometry().right() < capsules[1]->x());
        QCOMPARE(capsules[1]->x() - capsules[0]->geometry().right() - 1, 6);
        QCOMPARE(capsules[0]->x(), 12);
    }

    void pressingATabSelectsIt_data()
    {
        QTest::addColumn<bool>("reduceMotion");
        QTest::addColumn<int>("kind");
        // Selecting springs with quickPress, or crossfades under reduce motion.
        QTest::newRow("motion") << false << int(GlassAnimationKind::quickPress);
        QTest::newRow("reduced") << true << int(GlassAnimationKind::reducedCrossfade);
    }

    void pressingATabSelectsIt()
    {
        QFETCH(bool, reduceMotion);
        QFETCH(int, kind);
        StripFixture f(3);
        f.environment.setReduceMotion(reduceMotion);
        QTest::mouseClick(f.strip->capsules()[2], Qt::LeftButton);
        QCOMPARE(f.selected, QList<QUuid>{f.tabs[2].id});
        QCOMPARE(int(*f.strip->selectionTransition().lastKind()), kind);
        // The strip keeps no selection of its own.
        QVERIFY(f.strip->capsules()[0]->isActive());
        // Pressing the active tab reports it as well.
        QTest::mouseClick(f.strip->capsules()[0], Qt::LeftButton);
        QCOMPARE(f.selected.size(), 2);
        QCOMPARE(f.selected[1], f.tabs[0].id);
    }

    void addButtonOnlyWithAHandler()
    {
        StripFixture f(2);
        QVERIFY(!f.strip->addButton()->isVisible());
        f.strip->setOnAddTab([&f] { ++f.adds; });
        QVERIFY(f.strip->addButton()->isVisible());
        QCOMPARE(f.strip->addButton()->toolTip(), QStringLiteral("新建标签页"));
        QCOMPARE(f.strip->addButton()->accessibleName(), QStringLiteral("新建标签页"));
        QCOMPARE(f.strip->addButton()->size(), QSize(24, 24));
        QCOMPARE(f.strip->addButton()->symbolName(), QStringLiteral("plus"));
        QTest::mouseClick(f.strip->addButton(), Qt::LeftButton);
        QCOMPARE(f.adds, 1);
        // After the last tab.
        QVERIFY(f.strip->addButton()->x() > f.strip->capsules().last()->geometry().right());
    }

    void closeItemNeedsTwoTabsAndAHandler()
    {
        StripFixture single(1);
        single.strip->setOnCloseTab([&single](const QUuid& id) { single.closed.append(id); });
        QVERIFY(!single.openMenu(single.strip->capsules()[0]));

        StripFixture f(2);
        QVERIFY(!f.openMenu(f.strip->capsules()[1])); // no handler yet
        f.strip->setOnCloseTab([&f](const QUuid& id) { f.closed.append(id); });
        for (int i : {1, 0}) {
            QMenu* menu = f.openMenu(f.strip->capsules()[i]);
            QVERIFY(menu);
            QCOMPARE(menu->actions().size(), 1);
            QAction* close = menu->actions().first();
            QCOMPARE(close->text(), QStringLiteral("关闭标签页"));
            QCOMPARE(close->property("symbolName").toString(), QStringLiteral("xmark"));
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(close).center());
            QTRY_COMPARE(f.closed.size(), i == 1 ? 1 : 2);
            QCOMPARE(f.closed.last(), f.tabs[i].id);
        }
    }

    void updatesInPlaceByID()
    {
        StripFixture f(3);
        FenceTabCapsule* second = f.strip->capsule(f.tabs[1].id);
        FenceTabCapsule* third = f.strip->capsule(f.tabs[2].id);
        QList<FenceTab> changed{f.tabs[2], f.tabs[1]};
        changed[1].title = QStringLiteral("文档");
        f.strip->setTabs(changed);
        f.strip->setActiveTabID(changed[1].id);
        QApplication::processEvents();
        const auto capsules = f.strip->capsules();
        QCOMPARE(capsules.size(), 2);
        QCOMPARE(capsules[0], third);
        QCOMPARE(capsules[1], second);
        QCOMPARE(second->text(), QStringLiteral("文档"));
        QVERIFY(second->isActive() && !third->isActive());
        QTRY_VERIFY(!f.strip->capsule(f.tabs[0].id));
    }

    // More tabs than the strip is wide: the wheel scrolls them into reach, and the active tab is
    // always scrolled into view.
    void everyTabStaysReachable()
    {
        StripFixture f(9);
        QVERIFY(f.ok);
        f.strip->resize(240, 40);
        QApplication::processEvents();
        QWidget* viewport = f.strip;
        const auto shown = [&](const QUuid& id) {
            const FenceTabCapsule* capsule = f.strip->capsule(id);
            const QRect inViewport(capsule->mapTo(viewport, QPoint()), capsule->size());
            return viewport->rect().contains(inViewport);
        };
        QVERIFY(shown(f.tabs.first().id));
        QVERIFY(!shown(f.tabs.last().id));

        for (int turn = 0; turn < 40 && !shown(f.tabs.last().id); ++turn) {
            const QPointF at(viewport->rect().center());
            QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(viewport, &wheel);
        }
        QVERIFY(shown(f.tabs.last().id));

        f.strip->setActiveTabID(f.tabs.first().id == f.strip->activeTabID() ? f.tabs[1].id : f.tabs.first().id);
        QTRY_VERIFY(shown(f.strip->activeTabID()));
        f.strip->setActiveTabID(f.tabs.last().id);
        QTRY_VERIFY(shown(f.tabs.last().id));
        const QString folder = QStringLiteral(MORVANTEEL_BUILD_DIR "/screens");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(f.strip->grab().save(folder + QStringLiteral("/tabstrip-scrolled-to-the-last.png")));
        f.strip->setActiveTabID(f.tabs.first().id);
        QTRY_VERIFY(shown(f.tabs.first().id));

        // A tab the keyboard reaches comes into view too.
        QVERIFY(!shown(f.tabs.last().id));
        f.strip->capsule(f.tabs.last().id)->setFocus(Qt::TabFocusReason);
        QVERIFY(shown(f.tabs.last().id));
    }

    void opaqueActiveTab()
    {
        // Under reduce transparency the active tab is a tinted capsule (0.26) with a border; inactive ones are unchanged.
        StripFixture f(2);
        f.environment.setReduceTransparency(true);
        QWidget* row = f.strip->findChild<QWidget*>(QStringLiteral("tabRow"));
        layOut(*row, row->size());
        const QImage image = renderOver(*row, Qt::white);
        const QRect active = f.strip->capsules()[0]->geometry();
        const QColor expected = blend(Qt::white, withOpacity(swiftUIColor(FenceTintPalette::mint), 0.26));
        // A spot inside the capsule, left of the symbol.
        const QColor actual = image.pixelColor(active.left() + 5, active.center().y());
        QVERIFY(std::abs(actual.red() - expected.red()) <= 2 && std::abs(actual.green() - expected.green()) <= 2);
        const QRect inactive = f.strip->capsules()[1]->geometry();
        const QColor plain = blend(Qt::white, withOpacity(Qt::black, 0.06));
        QVERIFY(std::abs(image.pixelColor(inactive.left() + 5, inactive.center().y()).red() - plain.red()) <= 2);
    }
};

QTEST_MAIN(TabStripTest)
#include "tst_tabstrip.moc"
