#include "desktop/shell/TopPinnedContentView.h"

#include <QtTest>

using namespace mv;

namespace {

// The view lives inside a panel; a shown parent gives it its resize events.
struct HostedFixture {
    QWidget window;
    TopPinnedContentView* view = nullptr;
    QWidget* content = new QWidget;
    bool ok = false;

    HostedFixture(double expandedHeight, double cornerRadius, QSize size)
    {
        view = new TopPinnedContentView(content, expandedHeight, cornerRadius, &window);
        window.resize(400, 400);
        view->resize(size);
        window.show();
        ok = QTest::qWaitForWindowExposed(&window);
    }
};

} // namespace

class TopPinnedContentViewTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void maskRadius_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<double>("cornerRadius");
        QTest::addColumn<bool>("collapsed");
        QTest::addColumn<double>("radius");
        // The corner radius down to 58 high; below that it blends linearly into half the height,
        // reached at 46; collapsed is a capsule at any height. Then limited to half the smaller
        // side, and never below 4.
        QTest::newRow("tall") << 300.0 << 200.0 << 18.0 << false << 18.0;
        QTest::newRow("58 high") << 300.0 << 58.0 << 18.0 << false << 18.0;
        QTest::newRow("52 high, halfway") << 300.0 << 52.0 << 18.0 << false << 22.0;
        QTest::newRow("55 high, a quarter") << 300.0 << 55.0 << 18.0 << false << 20.375;
        QTest::newRow("46 high, capsule") << 300.0 << 46.0 << 18.0 << false << 23.0;
        QTest::newRow("below 46 stays a capsule") << 300.0 << 40.0 << 18.0 << false << 20.0;
        QTest::newRow("collapsed and tall") << 300.0 << 200.0 << 18.0 << true << 100.0;
        QTest::newRow("collapsed pill") << 300.0 << 46.0 << 18.0 << true << 23.0;
        QTest::newRow("collapsed, narrower than high") << 80.0 << 200.0 << 18.0 << true << 40.0;
        QTest::newRow("radius above half the height") << 300.0 << 100.0 << 80.0 << false << 50.0;
        QTest::newRow("radius above half the width") << 24.0 << 200.0 << 20.0 << false << 12.0;
        QTest::newRow("no radius") << 300.0 << 200.0 << 0.0 << false << 4.0;
        QTest::newRow("small radius") << 300.0 << 200.0 << 2.5 << false << 4.0;
        QTest::newRow("tiny view") << 6.0 << 6.0 << 18.0 << false << 4.0;
    }

    void maskRadius()
    {
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(double, cornerRadius);
        QFETCH(bool, collapsed);
        QFETCH(double, radius);
        QCOMPARE(TopPinnedContentView::maskRadius(width, height, cornerRadius, collapsed), radius);
    }

    void hostedViewPinnedToTop_data()
    {
        QTest::addColumn<int>("viewHeight");
        QTest::addColumn<double>("expandedHeight");
        QTest::addColumn<QRect>("hostedGeometry");
        // The content is at least the expanded height, its top edge on the view's top edge; a
        // shorter view cuts off its bottom.
        QTest::newRow("taller than expanded") << 260 << 200.0 << QRect(0, 0, 300, 260);
        QTest::newRow("as high as expanded") << 200 << 200.0 << QRect(0, 0, 300, 200);
        QTest::newRow("pill") << 46 << 200.0 << QRect(0, 0, 300, 200);
        QTest::newRow("expanded below the pill") << 120 << 20.0 << QRect(0, 0, 300, 120);
    }

    void hostedViewPinnedToTop()
    {
        QFETCH(int, viewHeight);
        QFETCH(double, expandedHeight);
        QFETCH(QRect, hostedGeometry);
        HostedFixture f(expandedHeight, 18, QSize(300, 150));
        QVERIFY(f.ok);
        QCOMPARE(f.view->hostedView(), f.content);
        QCOMPARE(f.content->parentWidget(), f.view);
        f.view->resize(300, viewHeight);
        QCOMPARE(f.content->geometry(), hostedGeometry);
        QCOMPARE(f.view->expandedHeight(), std::max(expandedHeight, 46.0));
    }

    void smallChangesAskForNoNewLayout()
    {
        HostedFixture f(200, 18, QSize(300, 100));
        QVERIFY(f.ok);
        QCOMPARE(f.content->height(), 200);

        // Half a point is not enough; the value is kept all the same.
        f.view->setExpandedHeight(200.5);
        QCOMPARE(f.view->expandedHeight(), 200.5);
        QCOMPARE(f.content->height(), 200);

        f.view->setExpandedHeight(260);
        QCOMPARE(f.content->height(), 260);

        f.view->setExpandedHeight(10);
        QCOMPARE(f.view->expandedHeight(), 46.0);
        QCOMPARE(f.content->height(), 100);
    }

    void maskFollowsShape()
    {
        HostedFixture f(200, 18, QSize(300, 200));
        QVERIFY(f.ok);
        TopPinnedContentView& view = *f.view;
        const QPoint nearCorner(8, 8);
        const QPoint insideCapsule(150, 100);
        QVERIFY(view.mask().contains(nearCorner));
        QVERIFY(!view.mask().contains(QPoint(0, 0)));

        view.setVisuallyCollapsed(true);
        QVERIFY(!view.mask().contains(nearCorner));
        QVERIFY(view.mask().contains(insideCapsule));

        view.setVisuallyCollapsed(false);
        QVERIFY(view.mask().contains(nearCorner));
        view.setCornerRadius(60);
        QCOMPARE(view.cornerRadius(), 60.0);
        QVERIFY(!view.mask().contains(nearCorner));

        // Rolling up to the pill's height turns the shape into a capsule even when not collapsed.
        view.setCornerRadius(4);
        view.resize(300, 46);
        QVERIFY(!view.mask().contains(QPoint(4, 4)));
        QVERIFY(view.mask().contains(QPoint(23, 23)));
    }

    void replacedHostedViewIsDeletedLater()
    {
        HostedFixture f(200, 18, QSize(300, 120));
        QVERIFY(f.ok);
        const QPointer<QWidget> first = f.content;
        QVERIFY(first->isVisible());

        auto* second = new QWidget;
        f.view->setHostedView(second);
        QCOMPARE(f.view->hostedView(), second);
        QVERIFY(first);
        QVERIFY(!first->isVisible());
        QVERIFY(second->isVisible());
        QCOMPARE(second->geometry(), QRect(0, 0, 300, 200));
        QTRY_VERIFY(!first);
        QVERIFY(second);
    }

    void reportsPointerEnteringAndLeaving()
    {
        TopPinnedContentView view(new QWidget, 200, 18);
        QList<bool> reports;
        view.onHoverChanged = [&reports](bool hovered) { reports.append(hovered); };
        QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
        QApplication::sendEvent(&view, &enter);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&view, &leave);
        QCOMPARE(reports, (QList<bool>{true, false}));
    }
};

QTEST_MAIN(TopPinnedContentViewTest)
#include "tst_toppinnedcontentview.moc"
