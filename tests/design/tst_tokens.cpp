#include "core/models/EnumTraits.h"
#include "design/DesignEnvironment.h"
#include "design/LiquidGlassTokens.h"

#include <QtTest>

using namespace mv;

namespace {

bool near(double a, double b, double tolerance = 0.002)
{
    return std::abs(a - b) <= tolerance;
}

} // namespace

class TokensTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tintColours_data()
    {
        QTest::addColumn<FenceTintPalette>("tint");
        QTest::addColumn<double>("red");
        QTest::addColumn<double>("green");
        QTest::addColumn<double>("blue");
        // Each tint's own sRGB table, opaque, not derived from its hex accent.
        QTest::newRow("crystal") << FenceTintPalette::crystal << 0.62 << 0.84 << 1.0;
        QTest::newRow("cerulean") << FenceTintPalette::cerulean << 0.18 << 0.64 << 1.0;
        QTest::newRow("mint") << FenceTintPalette::mint << 0.20 << 0.83 << 0.60;
        QTest::newRow("amber") << FenceTintPalette::amber << 0.96 << 0.62 << 0.08;
        QTest::newRow("violet") << FenceTintPalette::violet << 0.65 << 0.55 << 0.98;
        QTest::newRow("rose") << FenceTintPalette::rose << 0.98 << 0.44 << 0.52;
        QTest::newRow("graphite") << FenceTintPalette::graphite << 0.58 << 0.64 << 0.72;
    }

    void tintColours()
    {
        QFETCH(FenceTintPalette, tint);
        QFETCH(double, red);
        QFETCH(double, green);
        QFETCH(double, blue);
        const QColor color = swiftUIColor(tint);
        QVERIFY(near(color.redF(), red));
        QVERIFY(near(color.greenF(), green));
        QVERIFY(near(color.blueF(), blue));
        QCOMPARE(color.alphaF(), 1.0f);
    }

    void subtleGlassTint()
    {
        const QColor crystal = mv::subtleGlassTint(FenceTintPalette::crystal);
        QCOMPARE(crystal.rgb(), QColor(Qt::white).rgb());
        QVERIFY(near(crystal.alphaF(), 0.14));
        const QColor graphite = mv::subtleGlassTint(FenceTintPalette::graphite);
        QCOMPARE(graphite.rgb(), swiftUIColor(FenceTintPalette::graphite).rgb());
        QVERIFY(near(graphite.alphaF(), 0.22));
    }

    void backdropsHaveFourColoursInOrder()
    {
        for (const WallpaperPreset preset : allCases<WallpaperPreset>()) {
            const auto colors = backdropGradientColors(preset);
            QCOMPARE(colors.size(), std::size_t(4));
            for (const QColor& c : colors)
                QCOMPARE(c.alphaF(), 1.0f);
        }
        const auto dusk = backdropGradientColors(WallpaperPreset::warmDusk);
        QVERIFY(near(dusk[2].redF(), 0.72) && near(dusk[2].greenF(), 0.40) && near(dusk[2].blueF(), 0.22));
        const auto aurora = backdropGradientColors(WallpaperPreset::tahoeAurora);
        QVERIFY(near(aurora[0].redF(), 0.06) && near(aurora[3].blueF(), 0.50));
    }

    void springPresets_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<int>("kind");
        QTest::addColumn<double>("response");
        QTest::addColumn<double>("damping");
        // The three springs keep the response and damping of their tokens.
        QTest::newRow("uiDefault") << 0 << int(GlassAnimationKind::uiDefault) << 0.36 << 1.0;
        QTest::newRow("momentum") << 1 << int(GlassAnimationKind::momentum) << 0.34 << 0.8;
        QTest::newRow("quickPress") << 2 << int(GlassAnimationKind::quickPress) << 0.20 << 1.0;
    }

    void springPresets()
    {
        QFETCH(int, which);
        QFETCH(int, kind);
        QFETCH(double, response);
        QFETCH(double, damping);
        const GlassAnimation& a = which == 0 ? GlassSpringPreset::uiDefault()
            : which == 1                     ? GlassSpringPreset::momentum()
                                             : GlassSpringPreset::quickPress();
        QCOMPARE(int(a.kind), kind);
        QCOMPARE(a.response, response);
        QCOMPARE(a.dampingFraction, damping);
        QCOMPARE(a.curve.type(), QEasingCurve::Custom);
        QCOMPARE(a.curve.valueForProgress(0.0), 0.0);
        QCOMPARE(a.curve.valueForProgress(1.0), 1.0);
        // Settled within 0.1 %: a critically damped spring settles in about 1.47 responses.
        if (damping >= 1.0)
            QVERIFY(std::abs(a.durationMs - 1469 * response) <= 10);
        // Built once and shared.
        QCOMPARE(&a, which == 0 ? &GlassSpringPreset::uiDefault() : which == 1 ? &GlassSpringPreset::momentum() : &GlassSpringPreset::quickPress());
    }

    void criticalSpringNeverOvershootsButMomentumDoes()
    {
        double previous = 0;
        double peak = 0;
        for (int i = 0; i <= 100; ++i) {
            const double v = GlassSpringPreset::uiDefault().curve.valueForProgress(i / 100.0);
            QVERIFY(v >= previous - 1e-9);
            QVERIFY(v <= 1.0 + 1e-9);
            previous = v;
            peak = std::max(peak, GlassSpringPreset::momentum().curve.valueForProgress(i / 100.0));
        }
        QVERIFY(peak > 1.01);
        // Half way through its response a critically damped spring is well under way.
        QVERIFY(GlassSpringPreset::springValue(0.36, 1.0, 0.18) > 0.7);
    }

    void crossfade()
    {
        const GlassAnimation& fade = GlassSpringPreset::reducedCrossfade();
        QCOMPARE(fade.kind, GlassAnimationKind::reducedCrossfade);
        QCOMPARE(fade.durationMs, 180);
        QCOMPARE(fade.curve.type(), QEasingCurve::InOutQuad);
    }

    void adaptiveHonoursReduceMotion()
    {
        DesignEnvironment environment;
        QCOMPARE(&GlassSpringPreset::adaptive(GlassSpringPreset::quickPress(), environment), &GlassSpringPreset::quickPress());
        environment.setReduceMotion(true);
        for (const GlassAnimation* a : {&GlassSpringPreset::uiDefault(), &GlassSpringPreset::momentum(), &GlassSpringPreset::quickPress()})
            QCOMPARE(GlassSpringPreset::adaptive(*a, environment).kind, GlassAnimationKind::reducedCrossfade);
    }

    void environmentReadsTheSchemeFromThePalette()
    {
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(30, 30, 34));
        dark.setColor(QPalette::WindowText, QColor(235, 235, 235));
        QCOMPARE(DesignEnvironment::colorSchemeFromPalette(dark), ColorScheme::dark);
        QPalette light;
        light.setColor(QPalette::Window, QColor(240, 240, 240));
        light.setColor(QPalette::WindowText, QColor(20, 20, 20));
        QCOMPARE(DesignEnvironment::colorSchemeFromPalette(light), ColorScheme::light);

        DesignEnvironment environment;
        QSignalSpy changed(&environment, &DesignEnvironment::changed);
        environment.setColorScheme(ColorScheme::dark);
        environment.setColorScheme(ColorScheme::dark);
        QCOMPARE(changed.count(), 1);
    }
};

QTEST_MAIN(TokensTest)
#include "tst_tokens.moc"
