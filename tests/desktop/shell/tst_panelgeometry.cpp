#include "desktop/shell/PanelGeometry.h"

#include <QtTest>

using namespace mv;
using namespace mv::panelgeometry;

Q_DECLARE_METATYPE(mv::FenceFrameRect)

namespace {

// One 1440 × 900 screen at the origin whose bottom 25 points are taken by a panel.
const QList<ScreenArea> laptop{{{0, 0, 1440, 900}, {0, 25, 1440, 875}}};
// The laptop and a second screen to its right, 1920 × 1080, bottoms aligned.
const QList<ScreenArea> twoScreens{laptop.first(), {{1440, 0, 1920, 1080}, {1440, 0, 1920, 1080}}};

} // namespace

class PanelGeometryTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void presentedFrames_data()
    {
        QTest::addColumn<FenceFrameRect>("stored");
        QTest::addColumn<bool>("asPill");
        QTest::addColumn<QList<ScreenArea>>("screens");
        QTest::addColumn<FenceFrameRect>("expected");
        const QList<ScreenArea> none;
        QTest::newRow("low frame raised to 120") << FenceFrameRect{100, 100, 300, 80} << false << none << FenceFrameRect{100, 100, 300, 120};
        QTest::newRow("pill keeps the top edge") << FenceFrameRect{100, 100, 300, 80} << true << none << FenceFrameRect{100, 174, 300, 46};
        QTest::newRow("tall pill keeps the top edge") << FenceFrameRect{100, 100, 300, 400} << true << none << FenceFrameRect{100, 454, 300, 46};
        const QList<ScreenArea> bare{{{0, 0, 1440, 875}, {0, 0, 1440, 875}}};
        QTest::newRow("too wide and off the left") << FenceFrameRect{-50, 0, 2000, 400} << false << bare << FenceFrameRect{8, 8, 1416, 400};
        QTest::newRow("off the top") << FenceFrameRect{200, 800, 300, 400} << false << laptop << FenceFrameRect{200, 492, 300, 400};
        QTest::newRow("below the dock") << FenceFrameRect{200, 0, 300, 300} << false << laptop << FenceFrameRect{200, 33, 300, 300};
        QTest::newRow("on the second screen") << FenceFrameRect{3200, 100, 300, 300} << false << twoScreens << FenceFrameRect{3052, 100, 300, 300};
        QTest::newRow("midpoint off every screen goes to the first") << FenceFrameRect{5000, 100, 300, 300} << false << twoScreens << FenceFrameRect{1132, 100, 300, 300};
        const QList<ScreenArea> tiny{{{0, 0, 200, 100}, {0, 0, 200, 100}}};
        // Narrower than the least width: the right and top limits win.
        QTest::newRow("screen smaller than the frame") << FenceFrameRect{0, 0, 300, 300} << false << tiny << FenceFrameRect{-48, 8, 240, 76};
    }

    void presentedFrames()
    {
        QFETCH(FenceFrameRect, stored);
        QFETCH(bool, asPill);
        QFETCH(QList<ScreenArea>, screens);
        QFETCH(FenceFrameRect, expected);
        QCOMPARE(presentedFrame(stored, asPill, screens), expected);
    }

    // Model frames are y-up from the primary screen's lower left; Qt's are y-down from its top
    // left. A round trip changes nothing, also with the primary screen away from Qt's origin.
    void windowGeometry_data()
    {
        QTest::addColumn<QRect>("primary");
        QTest::addColumn<FenceFrameRect>("frame");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("bottom left") << QRect(0, 0, 1440, 900) << FenceFrameRect{0, 0, 300, 200} << QRect(0, 700, 300, 200);
        QTest::newRow("top right") << QRect(0, 0, 1440, 900) << FenceFrameRect{1140, 700, 300, 200} << QRect(1140, 0, 300, 200);
        QTest::newRow("primary offset") << QRect(1920, 180, 1440, 900) << FenceFrameRect{10, 20, 300, 200} << QRect(1930, 860, 300, 200);
        QTest::newRow("above the primary") << QRect(0, 0, 1440, 900) << FenceFrameRect{0, 1000, 300, 200} << QRect(0, -300, 300, 200);
    }

    void windowGeometry()
    {
        QFETCH(QRect, primary);
        QFETCH(FenceFrameRect, frame);
        QFETCH(QRect, geometry);
        QCOMPARE(toWindowGeometry(frame, primary), geometry);
        QCOMPARE(fromWindowGeometry(geometry, primary), frame);
    }

    void framesToStore_data()
    {
        QTest::addColumn<FenceFrameRect>("panel");
        QTest::addColumn<FenceFrameRect>("stored");
        QTest::addColumn<bool>("pill");
        QTest::addColumn<FenceFrameRect>("expected");
        QTest::newRow("expanded: the panel's frame") << FenceFrameRect{50, 60, 320, 410} << FenceFrameRect{0, 0, 300, 400} << false << FenceFrameRect{50, 60, 320, 410};
        QTest::newRow("pill of a low fence: 160 from its top") << FenceFrameRect{50, 600, 300, 46} << FenceFrameRect{0, 0, 280, 90} << true << FenceFrameRect{50, 486, 280, 160};
        QTest::newRow("pill of a tall fence keeps its height") << FenceFrameRect{50, 600, 300, 46} << FenceFrameRect{0, 0, 280, 400} << true << FenceFrameRect{50, 246, 280, 400};
    }

    void framesToStore()
    {
        QFETCH(FenceFrameRect, panel);
        QFETCH(FenceFrameRect, stored);
        QFETCH(bool, pill);
        QFETCH(FenceFrameRect, expected);
        QCOMPARE(frameToStore(panel, stored, pill), expected);
    }

    void differences()
    {
        const FenceFrameRect a{10, 10, 300, 200};
        QVERIFY(!differs(a, {10.7, 9.3, 300.74, 200}, 0.75));
        QVERIFY(differs(a, {10, 10, 300, 200.75}, 0.75));
        QVERIFY(differs(a, {9.25, 10, 300, 200}, 0.75));
    }
};

QTEST_GUILESS_MAIN(PanelGeometryTest)
#include "tst_panelgeometry.moc"
