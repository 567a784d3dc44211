// Frosted glass made from the wallpaper behind a fence: the blur smooths what lies behind
// without shifting its colour or darkening the edges, the wash lies over it by its alpha, the
// part returned is the part asked for, and glass kept at the blur's smaller size is, scaled up,
// the same glass.

#include "design/FrostedGlass.h"

#include <QPainter>
#include <QTest>

#include <algorithm>
#include <cmath>

using namespace mv;

namespace {

// Vertical stripes of `width` pixels, alternating between the two colours.
QImage stripes(QSize size, int width, QColor first, QColor second)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixelColor(x, y, (x / width) % 2 == 0 ? first : second);
    return image;
}

struct Spread {
    double mean[3] = {0, 0, 0};
    int least = 255; // of the green channel
    int most = 0;
};

Spread spreadOf(const QImage& image, const QRect& area)
{
    Spread spread;
    double count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            spread.mean[0] += colour.red();
            spread.mean[1] += colour.green();
            spread.mean[2] += colour.blue();
            spread.least = std::min(spread.least, colour.green());
            spread.most = std::max(spread.most, colour.green());
            ++count;
        }
    for (double& channel : spread.mean)
        channel /= count;
    return spread;
}

} // namespace

class FrostedGlassTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void blurredStripesKeepTheirMeanAndLoseTheirContrast_data()
    {
        QTest::addColumn<int>("radius");
        QTest::addColumn<int>("stripeWidth");
        QTest::addColumn<int>("mostSpread");
        // A radius small enough to blur at full size, and one large enough for the smaller copy.
        QTest::newRow("small radius") << 5 << 4 << 24;
        QTest::newRow("large radius") << 28 << 16 << 24;
    }
    void blurredStripesKeepTheirMeanAndLoseTheirContrast()
    {
        QFETCH(int, radius);
        QFETCH(int, stripeWidth);
        QFETCH(int, mostSpread);
        const QImage behind = stripes(QSize(480, 320), stripeWidth, QColor(20, 40, 200), QColor(240, 220, 60));
        const QRect area(120, 80, 16 * stripeWidth, 160);
        const QImage frosted = frostedGlassImage(behind, area, radius, Qt::transparent);
        QCOMPARE(frosted.size(), area.size());
        QVERIFY(!frosted.hasAlphaChannel());

        const Spread before = spreadOf(behind, area);
        const Spread after = spreadOf(frosted, frosted.rect());
        QCOMPARE_GT(before.most - before.least, 150);
        QVERIFY2(after.most - after.least <= mostSpread,
                 qPrintable(QStringLiteral("green still spans %1 ... %2").arg(after.least).arg(after.most)));
        for (int channel = 0; channel < 3; ++channel)
            QVERIFY2(std::abs(after.mean[channel] - before.mean[channel]) < 6,
                     qPrintable(QStringLiteral("channel %1: %2 became %3")
                                    .arg(channel)
                                    .arg(before.mean[channel])
                                    .arg(after.mean[channel])));
    }

    // The edges of the wallpaper repeat outward: glass at the screen's edge, or hanging over it,
    // is as bright as in the middle.
    void aUniformBackdropStaysUniformUpToAndBeyondItsEdges_data()
    {
        QTest::addColumn<QRect>("area");
        QTest::newRow("inside") << QRect(40, 40, 100, 80);
        QTest::newRow("at the corner") << QRect(0, 0, 100, 80);
        QTest::newRow("over the edge") << QRect(-30, 150, 100, 80);
        QTest::newRow("wholly beyond") << QRect(400, 400, 50, 50);
    }
    void aUniformBackdropStaysUniformUpToAndBeyondItsEdges()
    {
        QFETCH(QRect, area);
        QImage behind(QSize(200, 200), QImage::Format_RGB32);
        behind.fill(QColor(90, 160, 210));
        const QImage frosted = frostedGlassImage(behind, area, 28, Qt::transparent);
        QCOMPARE(frosted.size(), area.size());
        for (const QPoint probe : {QPoint(0, 0), QPoint(area.width() - 1, area.height() - 1),
                                   QPoint(area.width() / 2, area.height() / 2), QPoint(0, area.height() - 1)}) {
            const QColor colour = frosted.pixelColor(probe);
            QVERIFY2(std::abs(colour.red() - 90) <= 1 && std::abs(colour.green() - 160) <= 1
                         && std::abs(colour.blue() - 210) <= 1,
                     qPrintable(QStringLiteral("%1,%2 is %3").arg(probe.x()).arg(probe.y()).arg(colour.name())));
        }
    }

    // The part returned is the part asked for: a two-colour backdrop, frosted on each half
    // away from the seam, keeps each half's colour.
    void theAreaIsTakenFromWhereItLies()
    {
        QImage behind(QSize(600, 200), QImage::Format_RGB32);
        behind.fill(QColor(200, 30, 30));
        for (int y = 0; y < 200; ++y)
            for (int x = 300; x < 600; ++x)
                behind.setPixelColor(x, y, QColor(30, 30, 200));
        const QImage left = frostedGlassImage(behind, QRect(20, 50, 100, 100), 20, Qt::transparent);
        const QImage right = frostedGlassImage(behind, QRect(460, 50, 100, 100), 20, Qt::transparent);
        QCOMPARE(left.pixelColor(50, 50), QColor(200, 30, 30));
        QCOMPARE(right.pixelColor(50, 50), QColor(30, 30, 200));
    }

    void theWashLiesOverTheBlurByItsAlpha()
    {
        QImage behind(QSize(200, 200), QImage::Format_RGB32);
        behind.fill(QColor(0, 100, 200));
        const QImage frosted = frostedGlassImage(behind, QRect(50, 50, 80, 80), 12, QColor(255, 255, 255, 128));
        const QColor colour = frosted.pixelColor(40, 40);
        // Source over: wash × a + behind × (1 - a), a = 128 / 255.
        const double alpha = 128.0 / 255.0;
        QVERIFY(std::abs(colour.red() - (255 * alpha)) <= 2);
        QVERIFY(std::abs(colour.green() - (255 * alpha + 100 * (1 - alpha))) <= 2);
        QVERIFY(std::abs(colour.blue() - (255 * alpha + 200 * (1 - alpha))) <= 2);
    }

    // Glass that is kept at the size the blur leaves it, drawn scaled up over its area, is the
    // full-size glass: a seam between two colours stays where it was, with the wash over it.
    void theReducedGlassScaledUpIsTheFullGlass_data()
    {
        QTest::addColumn<int>("radius");
        QTest::addColumn<int>("reduction");
        QTest::addColumn<QColor>("wash");
        QTest::newRow("large radius") << 28 << 5 << QColor(255, 255, 255, 70);
        QTest::newRow("dark wash") << 20 << 4 << QColor(12, 14, 20, 110);
        QTest::newRow("small radius, full size") << 5 << 1 << QColor(255, 255, 255, 70);
    }
    void theReducedGlassScaledUpIsTheFullGlass()
    {
        QFETCH(int, radius);
        QFETCH(int, reduction);
        QFETCH(QColor, wash);
        QImage behind(QSize(600, 300), QImage::Format_RGB32);
        behind.fill(QColor(220, 40, 30));
        for (int y = 0; y < behind.height(); ++y)
            for (int x = 250; x < behind.width(); ++x)
                behind.setPixelColor(x, y, QColor(20, 60, 230));
        const QImage reduced = reducedFrostedGlassImage(behind, radius, wash);
        QCOMPARE(reduced.size(), behind.size() / reduction);
        QVERIFY(!reduced.hasAlphaChannel());

        QImage scaledUp(behind.size(), QImage::Format_RGB32);
        {
            QPainter painter(&scaledUp);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(QRectF(scaledUp.rect()), reduced, QRectF(reduced.rect()));
        }
        const QImage full = frostedGlassImage(behind, behind.rect(), radius, wash);
        int worst = 0;
        QPoint worstAt;
        // Away from the outermost pixels, which the scaling leaves to the nearest edge.
        for (int y = 2 * reduction; y < behind.height() - 2 * reduction; y += 3)
            for (int x = 2 * reduction; x < behind.width() - 2 * reduction; ++x) {
                const QRgb a = scaledUp.pixel(x, y);
                const QRgb b = full.pixel(x, y);
                const int difference = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                                 std::abs(qBlue(a) - qBlue(b))});
                if (difference > worst) {
                    worst = difference;
                    worstAt = QPoint(x, y);
                }
            }
        QVERIFY2(worst <= 4, qPrintable(QStringLiteral("at %1,%2 the scaled-up glass is %3, the full glass %4")
                                            .arg(worstAt.x())
                                            .arg(worstAt.y())
                                            .arg(scaledUp.pixelColor(worstAt).name(), full.pixelColor(worstAt).name())));
    }

    void nothingToFrostGivesNoImage()
    {
        QVERIFY(reducedFrostedGlassImage(QImage(), 28, Qt::transparent).isNull());
        QVERIFY(frostedGlassImage(QImage(), QRect(0, 0, 10, 10), 8, Qt::transparent).isNull());
        QImage behind(QSize(20, 20), QImage::Format_RGB32);
        behind.fill(Qt::red);
        QVERIFY(frostedGlassImage(behind, QRect(), 8, Qt::transparent).isNull());
        // No blur: the backdrop as it is.
        QCOMPARE(frostedGlassImage(behind, QRect(2, 2, 5, 5), 0, Qt::transparent).pixelColor(1, 1), QColor(Qt::red));
    }
};

QTEST_MAIN(FrostedGlassTest)
#include "tst_frostedglass.moc"
