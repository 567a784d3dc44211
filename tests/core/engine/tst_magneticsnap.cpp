#include "core/engine/MagneticSnapEngine.h"

#include "core/models/RecordHash.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace mv;

Q_DECLARE_METATYPE(mv::FenceFrameRect)
Q_DECLARE_METATYPE(mv::SnapGuideLine)

namespace {

constexpr FenceFrameRect kScreen{0, 0, 1000, 800};
constexpr double kPadding = 16;

FenceFrameRect rect(double x, double y, double width = 200, double height = 100)
{
    return {x, y, width, height};
}

SnapGuideLine vertical(double x)
{
    return {SnapGuideAxis::vertical, x};
}

SnapGuideLine horizontal(double y)
{
    return {SnapGuideAxis::horizontal, y};
}

} // namespace

namespace QTest {
template<>
char* toString(const FenceFrameRect& r)
{
    return qstrdup(QByteArray("{" + QByteArray::number(r.x) + ", " + QByteArray::number(r.y) + ", "
                              + QByteArray::number(r.width) + ", " + QByteArray::number(r.height) + "}")
                       .constData());
}
template<>
char* toString(const SnapGuideLine& g)
{
    return qstrdup(QByteArray(rawValue(g.axis).toLatin1() + " at " + QByteArray::number(g.position, 'g', 17))
                       .constData());
}
} // namespace QTest

class MagneticSnapTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // On a 1000 x 800 screen with padding 16 (and gap 12 unless a row says otherwise).
    void snaps_data()
    {
        QTest::addColumn<FenceFrameRect>("moved");
        QTest::addColumn<QList<FenceFrameRect>>("others");
        QTest::addColumn<double>("threshold");
        QTest::addColumn<double>("gap");
        QTest::addColumn<FenceFrameRect>("frame");
        QTest::addColumn<QList<SnapGuideLine>>("guides");
        using Frames = QList<FenceFrameRect>;
        using Guides = QList<SnapGuideLine>;

        // Each axis takes the nearest candidate within the threshold, the distance measured from
        // where the frame was; equal distances go to the later candidate.
        QTest::newRow("inner left edge")
            << rect(26, 300) << Frames{} << 14.0 << 12.0 << rect(16, 300) << Guides{vertical(16)};
        QTest::newRow("inner right edge")
            << rect(790, 300) << Frames{} << 14.0 << 12.0 << rect(784, 300) << Guides{vertical(984)};
        QTest::newRow("inner maximum on the y axis")
            << rect(400, 690, 200, 100) << Frames{} << 14.0 << 12.0 << rect(400, 684) << Guides{horizontal(784)};
        QTest::newRow("tie goes to the other frame, the later candidate")
            << rect(26, 300) << Frames{rect(36, 2000, 100, 100)} << 14.0 << 12.0 << rect(36, 300)
            << Guides{vertical(36)};
        QTest::newRow("equal heights: max edges, the later tie")
            << rect(330, 305) << Frames{rect(100, 300)} << 14.0 << 12.0 << rect(330, 300)
            << Guides{horizontal(400)};
        QTest::newRow("nearer earlier candidate beats farther later one")
            << rect(300, 300) << Frames{rect(310, 2000, 50, 50), rect(295, 2000, 50, 50), rect(308, 2000, 50, 50)}
            << 14.0 << 12.0 << rect(295, 300) << Guides{vertical(295)};
        QTest::newRow("exactly the threshold snaps")
            << rect(30, 300) << Frames{} << 14.0 << 12.0 << rect(16, 300) << Guides{vertical(16)};
        QTest::newRow("a hair beyond does not")
            << rect(std::nextafter(30.0, 31.0), 300) << Frames{} << 14.0 << 12.0
            << rect(std::nextafter(30.0, 31.0), 300) << Guides{};
        QTest::newRow("threshold zero snaps only what is already aligned")
            << rect(16, 300) << Frames{} << 0.0 << 12.0 << rect(16, 300) << Guides{vertical(16)};
        QTest::newRow("negative threshold never snaps")
            << rect(16, 300) << Frames{} << -1.0 << 12.0 << rect(16, 300) << Guides{};
        // After or before another frame with the gap; the guide lies in the middle of the gap.
        QTest::newRow("after the other with the gap")
            << rect(320, 50) << Frames{rect(100, 600)} << 14.0 << 12.0 << rect(312, 50) << Guides{vertical(306)};
        QTest::newRow("before the other with the gap")
            << rect(280, 50) << Frames{rect(500, 600)} << 14.0 << 12.0 << rect(288, 50) << Guides{vertical(494)};
        QTest::newRow("above the other with the gap")
            << rect(400, 415) << Frames{rect(700, 300)} << 14.0 << 12.0 << rect(400, 412) << Guides{horizontal(406)};
        QTest::newRow("gap zero: edge to edge")
            << rect(305, 50) << Frames{rect(100, 600)} << 14.0 << 0.0 << rect(300, 50) << Guides{vertical(300)};
        QTest::newRow("other frame far away on the other axis still counts")
            << rect(105, 300) << Frames{rect(100, 5000, 50, 50)} << 14.0 << 12.0 << rect(100, 300)
            << Guides{vertical(100)};
        QTest::newRow("both axes: vertical guide first")
            << rect(128.5, 20) << Frames{rect(13.5, 500, 100, 100)} << 14.0 << 12.0 << rect(125.5, 16)
            << Guides{vertical(119.5), horizontal(16)};
        // Then the frame is clamped into the screen without the padding; guides stay.
        QTest::newRow("far from everything: unchanged")
            << rect(300, 300) << Frames{} << 14.0 << 12.0 << rect(300, 300) << Guides{};
        QTest::newRow("partly outside: clamped, no guides")
            << rect(-100, 760) << Frames{} << 14.0 << 12.0 << rect(0, 700) << Guides{};
        QTest::newRow("snapped outside by another frame, clamped back")
            << rect(-5, 300) << Frames{rect(-10, 2000, 50, 50)} << 14.0 << 12.0 << rect(0, 300)
            << Guides{vertical(-10)};
        QTest::newRow("wider than the screen: at its minimum, guide kept")
            << rect(-210, 300, 1200, 100) << Frames{} << 14.0 << 12.0 << rect(0, 300, 1200, 100)
            << Guides{vertical(984)};
    }

    void snaps()
    {
        QFETCH(FenceFrameRect, moved);
        QFETCH(QList<FenceFrameRect>, others);
        QFETCH(double, threshold);
        QFETCH(double, gap);
        QFETCH(FenceFrameRect, frame);
        QFETCH(QList<SnapGuideLine>, guides);
        const SnapResult result =
            MagneticSnapEngine::snapMovedFrame(moved, others, kScreen, kPadding, threshold, gap);
        QCOMPARE(result.frame, frame);
        QCOMPARE(result.guides, guides);
        QCOMPARE(result, (SnapResult{frame, guides}));
    }

    void snapsAgainstAnOffsetContainer()
    {
        // A second screen to the left and above: the padding and clamp follow its own bounds.
        const FenceFrameRect screen{-1440, 900, 1440, 900};
        const SnapResult result = MagneticSnapEngine::snapMovedFrame(rect(-1430, 1690), {}, screen, 16, 14, 12);
        QCOMPARE(result.frame, rect(-1424, 1684));
        QCOMPARE(result.guides, (QList<SnapGuideLine>{vertical(-1424), horizontal(1784)}));
    }

    void guideIds_data()
    {
        QTest::addColumn<SnapGuideLine>("guide");
        QTest::addColumn<QString>("id");
        // The axis, "-", and the position rounded to the nearest integer, halves away from zero.
        QTest::newRow("whole") << vertical(120) << "vertical-120";
        QTest::newRow("half up") << vertical(119.5) << "vertical-120";
        QTest::newRow("below half") << horizontal(120.4999) << "horizontal-120";
        QTest::newRow("negative half away from zero") << horizontal(-2.5) << "horizontal--3";
        QTest::newRow("small negative is zero, not minus zero") << vertical(-0.4) << "vertical-0";
        QTest::newRow("large") << vertical(1e15 + 0.5) << "vertical-1000000000000001";
        QTest::newRow("beyond 64 bits does not overflow") << vertical(1e20) << "vertical-100000000000000000000";
    }

    void guideIds()
    {
        QFETCH(SnapGuideLine, guide);
        QFETCH(QString, id);
        QCOMPARE(guide.id(), id);
    }

    void guidesCompareAndHashByBothFields()
    {
        QCOMPARE(vertical(12), vertical(12));
        QVERIFY(vertical(12) != horizontal(12));
        QVERIFY(vertical(12) != vertical(12.25)); // same id, different guide
        QCOMPARE(vertical(12).id(), vertical(12.25).id());
        QCOMPARE(qHash(vertical(12), 0), qHash(vertical(12), 0));
        QCOMPARE(fromRawValue<SnapGuideAxis>(u"horizontal"), SnapGuideAxis::horizontal);
        QVERIFY(!fromRawValue<SnapGuideAxis>(u"Vertical"));
    }
};

QTEST_GUILESS_MAIN(MagneticSnapTest)
#include "tst_magneticsnap.moc"
