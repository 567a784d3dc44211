// The frosted glass of the whole desktop that every fence panel paints its rectangle of: made
// once and shared while nothing it depends on changes, made anew when the colour scheme, the
// painted wallpaper or the pixel ratio does, and frosted from the painted wallpaper laid over the
// screen where no wallpaper pixmap can be read (as on this platform).

#include "desktop/shell/FrostedDesktop.h"

#include "design/FrostedGlass.h"
#include "design/LiquidGlassWallpaperBackdrop.h"

#include <QPainter>
#include <QTest>

using namespace mv;

namespace {

const QRect desktop(0, 0, 640, 400);
const QColor wash(255, 255, 255, 70);
constexpr int radius = 28;

QImage frostedWith(ColorScheme scheme, WallpaperPreset preset, qreal ratio = 1.0)
{
    return frostedDesktopImage(desktop, desktop, ratio, scheme, preset, radius, wash);
}

} // namespace

class FrostedDesktopTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theGlassIsTheFrostedPaintedWallpaperOfTheWholeDesktop()
    {
        const QImage frosted = frostedWith(ColorScheme::light, WallpaperPreset::tahoeAurora);
        QImage painted(desktop.size(), QImage::Format_RGB32);
        painted.fill(Qt::black);
        {
            QPainter painter(&painted);
            LiquidGlassWallpaperBackdrop::paint(painter, QRectF(desktop), WallpaperPreset::tahoeAurora,
                                                ColorScheme::light);
        }
        // Kept at the size the blur leaves it, a fifth of the desktop's for this radius: the
        // panels draw it scaled up.
        const QImage expected = reducedFrostedGlassImage(painted, radius, wash);
        QCOMPARE(frosted.size(), desktop.size() / 5);
        QCOMPARE(frosted, expected);
    }

    // Every panel asking for the same glass gets the one image, not a copy of its own.
    void panelsShareOneImage()
    {
        const QImage first = frostedWith(ColorScheme::dark, WallpaperPreset::midnightOcean);
        const QImage second = frostedWith(ColorScheme::dark, WallpaperPreset::midnightOcean);
        QVERIFY(!first.isNull());
        QCOMPARE(second.cacheKey(), first.cacheKey());
        QCOMPARE(second.constBits(), first.constBits());
    }

    void aChangeOfWhatTheGlassDependsOnMakesItAnew_data()
    {
        QTest::addColumn<int>("scheme");
        QTest::addColumn<int>("preset");
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("the other colour scheme") << int(ColorScheme::dark) << int(WallpaperPreset::warmDusk) << 1.0;
        QTest::newRow("another painted wallpaper") << int(ColorScheme::light) << int(WallpaperPreset::emeraldMist)
                                                   << 1.0;
        QTest::newRow("another pixel ratio") << int(ColorScheme::light) << int(WallpaperPreset::warmDusk) << 2.0;
    }

    void aChangeOfWhatTheGlassDependsOnMakesItAnew()
    {
        QFETCH(int, scheme);
        QFETCH(int, preset);
        QFETCH(qreal, ratio);
        const QImage before = frostedWith(ColorScheme::light, WallpaperPreset::warmDusk);
        const QImage after = frostedWith(ColorScheme(scheme), WallpaperPreset(preset), ratio);
        QVERIFY(!after.isNull());
        QVERIFY(after.cacheKey() != before.cacheKey());
        if (ratio == 1.0)
            QVERIFY(after != before);
        // And going back finds the first again, unchanged.
        QCOMPARE(frostedWith(ColorScheme::light, WallpaperPreset::warmDusk).cacheKey(), before.cacheKey());
    }

    void anEmptyDesktopHasNoGlass()
    {
        QVERIFY(frostedDesktopImage(QRect(), desktop, 1.0, ColorScheme::light, WallpaperPreset::tahoeAurora, radius,
                                    wash)
                    .isNull());
    }
};

QTEST_MAIN(FrostedDesktopTest)

#include "tst_frosteddesktop.moc"
