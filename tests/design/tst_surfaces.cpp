#include "design/DesignEnvironment.h"
#include "design/GlassClipboardHelper.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassIconBadge.h"
#include "design/LiquidGlassPillButton.h"
#include "design/LiquidGlassShapeKind.h"
#include "design/LiquidGlassSurfaceFrame.h"
#include "design/LiquidGlassSurfaceModifier.h"
#include "design/LiquidGlassTokens.h"
#include "design/LiquidGlassToolbarGroup.h"
#include "design/LiquidGlassWallpaperBackdrop.h"
#include "support/DesignTestSupport.h"

#include <QClipboard>
#include <QtTest>

using namespace mv;
using namespace mv::testing;

Q_DECLARE_METATYPE(mv::ColorScheme)

namespace {

bool within(const QColor& actual, const QColor& expected, int tolerance = 2)
{
    return std::abs(actual.red() - expected.red()) <= tolerance && std::abs(actual.green() - expected.green()) <= tolerance
        && std::abs(actual.blue() - expected.blue()) <= tolerance;
}

QString describe(const QColor& c)
{
    return QStringLiteral("(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

} // namespace

class SurfacesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void strengthScalesTheTint_data()
    {
        QTest::addColumn<FenceTintPalette>("tint");
        QTest::addColumn<double>("glassOpacity");
        QTest::addColumn<double>("strength");
        QTest::addColumn<double>("tintAlpha");
        // k = opacity / 0.72 within 0.35 ... 1.35; crystal washes white at k × 0.14, others tint at k × 0.22.
        QTest::newRow("crystal at 0") << FenceTintPalette::crystal << 0.0 << 0.35 << 0.049;
        QTest::newRow("crystal neutral") << FenceTintPalette::crystal << 0.72 << 1.0 << 0.14;
        QTest::newRow("mint at 2") << FenceTintPalette::mint << 2.0 << 1.35 << 0.297;
        QTest::newRow("rose at 0.36") << FenceTintPalette::rose << 0.36 << 0.5 << 0.11;
    }

    void strengthScalesTheTint()
    {
        QFETCH(FenceTintPalette, tint);
        QFETCH(double, glassOpacity);
        QFETCH(double, strength);
        QFETCH(double, tintAlpha);
        const auto glass = liquidGlassSurface(tint, 24, glassOpacity, false, false, false);
        QVERIFY(std::abs(glass.strength() - strength) < 1e-9);
        QVERIFY(std::abs(glass.glassTintColor().alphaF() - tintAlpha) < 0.003);
        const QColor expectedHue = tint == FenceTintPalette::crystal ? QColor(Qt::white) : swiftUIColor(tint);
        QCOMPARE(glass.glassTintColor().rgb(), expectedHue.rgb());
    }

    void fallbackOpacity_data()
    {
        QTest::addColumn<double>("glassOpacity");
        QTest::addColumn<double>("expected");
        // 0.86 + 0.12 × opacity, within 0.86 ... 0.98.
        QTest::newRow("0") << 0.0 << 0.86;
        QTest::newRow("0.72") << 0.72 << 0.9464;
        QTest::newRow("1") << 1.0 << 0.98;
        QTest::newRow("3") << 3.0 << 0.98;
        QTest::newRow("negative") << -1.0 << 0.86;
    }

    void fallbackOpacity()
    {
        QFETCH(double, glassOpacity);
        QFETCH(double, expected);
        QVERIFY(std::abs(liquidGlassCapsule(FenceTintPalette::mint, glassOpacity, false, false).fallbackOpacity() - expected) < 1e-9);
    }

    void hairline_data()
    {
        QTest::addColumn<bool>("reduce");
        QTest::addColumn<ColorScheme>("scheme");
        QTest::addColumn<bool>("highlighted");
        QTest::addColumn<QColor>("color");
        QTest::addColumn<double>("width");
        const QColor tint = swiftUIColor(FenceTintPalette::violet);
        // The variants side by side: glass hairlines are thin and white, opaque ones plain, highlighted ones tinted and wide.
        QTest::newRow("glass light") << false << ColorScheme::light << false << withOpacity(Qt::white, 0.45) << 0.75;
        QTest::newRow("glass dark") << false << ColorScheme::dark << false << withOpacity(Qt::white, 0.20) << 0.75;
        QTest::newRow("glass highlighted") << false << ColorScheme::dark << true << withOpacity(tint, 0.9) << 1.8;
        QTest::newRow("opaque light") << true << ColorScheme::light << false << withOpacity(Qt::black, 0.14) << 1.0;
        QTest::newRow("opaque dark") << true << ColorScheme::dark << false << withOpacity(Qt::white, 0.22) << 1.0;
        QTest::newRow("opaque highlighted") << true << ColorScheme::light << true << withOpacity(tint, 0.9) << 1.8;
    }

    void hairline()
    {
        QFETCH(bool, reduce);
        QFETCH(ColorScheme, scheme);
        QFETCH(bool, highlighted);
        QFETCH(QColor, color);
        QFETCH(double, width);
        DesignEnvironment environment;
        environment.setReduceTransparency(reduce);
        environment.setColorScheme(scheme);
        const auto glass = liquidGlassSurface(FenceTintPalette::violet, 20, 0.72, true, false, highlighted);
        QCOMPARE(glass.hairlineColor(environment).rgba(), color.rgba());
        QCOMPARE(glass.hairlineWidth(environment), width);
    }

    void shapeEquality()
    {
        QVERIFY(LiquidGlassShapeKind::roundedRect(12) == LiquidGlassShapeKind::roundedRect(12));
        QVERIFY(!(LiquidGlassShapeKind::roundedRect(12) == LiquidGlassShapeKind::roundedRect(14)));
        QVERIFY(LiquidGlassShapeKind::capsule() == LiquidGlassShapeKind::capsule());
        QVERIFY(!(LiquidGlassShapeKind::capsule() == LiquidGlassShapeKind::roundedRect(0)));
        QCOMPARE(liquidGlassSurface(FenceTintPalette::mint, 9, 0.7, false, true, false).shape, LiquidGlassShapeKind::capsule());
    }

    void pixelProbes_data()
    {
        QTest::addColumn<FenceTintPalette>("tint");
        QTest::addColumn<bool>("reduce");
        QTest::addColumn<ColorScheme>("scheme");
        QTest::addColumn<double>("glassOpacity");
        QTest::addColumn<QColor>("backdrop");
        // Glass: backdrop, then the frosted base, then the tint at k × 0.22 (crystal: white at k × 0.14).
        // Opaque: backdrop, then the fallback fill at its opacity, then the tint at 0.10.
        const QColor navy(20, 40, 90);
        const QColor sand(200, 180, 140);
        QTest::newRow("crystal glass light") << FenceTintPalette::crystal << false << ColorScheme::light << 0.72 << navy;
        QTest::newRow("cerulean glass dark") << FenceTintPalette::cerulean << false << ColorScheme::dark << 0.72 << navy;
        QTest::newRow("amber glass light strong") << FenceTintPalette::amber << false << ColorScheme::light << 2.0 << sand;
        QTest::newRow("rose glass dark faint") << FenceTintPalette::rose << false << ColorScheme::dark << 0.0 << sand;
        QTest::newRow("crystal opaque light") << FenceTintPalette::crystal << true << ColorScheme::light << 0.72 << navy;
        QTest::newRow("mint opaque dark") << FenceTintPalette::mint << true << ColorScheme::dark << 0.72 << sand;
        QTest::newRow("violet opaque light low") << FenceTintPalette::violet << true << ColorScheme::light << 0.0 << navy;
        QTest::newRow("graphite opaque dark high") << FenceTintPalette::graphite << true << ColorScheme::dark << 1.0 << sand;
    }

    void pixelProbes()
    {
        QFETCH(FenceTintPalette, tint);
        QFETCH(bool, reduce);
        QFETCH(ColorScheme, scheme);
        QFETCH(double, glassOpacity);
        QFETCH(QColor, backdrop);
        DesignEnvironment environment;
        environment.setReduceTransparency(reduce);
        environment.setColorScheme(scheme);
        LiquidGlassSurfaceFrame frame(&environment);
        const auto glass = liquidGlassSurface(tint, 24, glassOpacity, false, false, false);
        frame.setModifier(glass);
        layOut(frame, QSize(240, 160));
        const QImage image = renderOver(frame, backdrop);

        QColor expected;
        if (reduce)
            expected = blend(blend(backdrop, glass.fallbackFillColor(scheme)), withOpacity(swiftUIColor(tint), 0.10));
        else
            expected = blend(blend(backdrop, GlassPalette::regularGlassBase(scheme)), glass.glassTintColor());
        // Text-free spots of the lower half, away from the sheen and the hairline.
        for (const QPoint spot : {QPoint(120, 120), QPoint(40, 110), QPoint(200, 140)}) {
            const QColor actual = image.pixelColor(spot);
            QVERIFY2(within(actual, expected), qPrintable(describe(actual) + QStringLiteral(" vs ") + describe(expected)));
        }
        // Outside the rounded corner the backdrop shows unchanged.
        QVERIFY(within(image.pixelColor(0, 0), backdrop, 0));
    }

    // The hairline runs along the edge, through a child that covers the frame and paints
    // nothing there.
    void hairlineShowsAlongTheEdge_data()
    {
        QTest::addColumn<bool>("reduce");
        QTest::addColumn<ColorScheme>("scheme");
        QTest::newRow("glass light") << false << ColorScheme::light;
        QTest::newRow("glass dark") << false << ColorScheme::dark;
        QTest::newRow("opaque light") << true << ColorScheme::light;
    }

    void hairlineShowsAlongTheEdge()
    {
        QFETCH(bool, reduce);
        QFETCH(ColorScheme, scheme);
        DesignEnvironment environment;
        environment.setReduceTransparency(reduce);
        environment.setColorScheme(scheme);
        LiquidGlassSurfaceFrame frame(&environment);
        frame.setModifier(liquidGlassSurface(FenceTintPalette::cerulean, 24, 0.72, false, false, false));
        auto* child = new QWidget(&frame);
        child->setGeometry(0, 0, 240, 160);
        layOut(frame, QSize(240, 160));
        const QColor backdrop(20, 40, 90);
        const QImage image = renderOver(frame, backdrop);
        // Halfway down the left and right edges, against the glass a few points in.
        for (const int x : {0, 239}) {
            const QColor edge = image.pixelColor(x, 110);
            const QColor inside = image.pixelColor(x == 0 ? 4 : 235, 110);
            QVERIFY2(!within(edge, inside, 3), qPrintable(describe(edge) + QStringLiteral(" at the edge, ") + describe(inside) + QStringLiteral(" inside")));
        }
    }

    void opaqueVariantClipsItsContent()
    {
        DesignEnvironment environment;
        LiquidGlassSurfaceFrame frame(&environment);
        frame.setModifier(liquidGlassSurface(FenceTintPalette::mint, 20, 0.72, false, false, false));
        layOut(frame, QSize(200, 100));
        QVERIFY(frame.mask().isEmpty());
        environment.setReduceTransparency(true);
        QVERIFY(!frame.mask().isEmpty());
        QVERIFY(!frame.mask().contains(QPoint(0, 0)));
        QVERIFY(frame.mask().contains(QPoint(100, 50)));
    }

    void pillButtonAccessibility_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("label");
        // The title; else the symbol name; else "按钮".
        QTest::newRow("title and symbol") << QStringLiteral("整理") << QStringLiteral("sparkles") << QStringLiteral("整理");
        QTest::newRow("symbol only") << QString() << QStringLiteral("plus") << QStringLiteral("plus");
        QTest::newRow("neither") << QString() << QString() << QStringLiteral("按钮");
    }

    void pillButtonAccessibility()
    {
        QFETCH(QString, title);
        QFETCH(QString, symbol);
        QFETCH(QString, label);
        DesignEnvironment environment;
        LiquidGlassPillButton button(&environment, title, symbol.isEmpty() ? std::nullopt : std::optional<QString>(symbol),
                                     FenceTintPalette::mint);
        QCOMPARE(button.accessibleName(), label);
        QVERIFY(button.sizeHint().width() > 0);
    }

    void pillButtonRunsItsActionUnlessDisabled()
    {
        DesignEnvironment environment;
        LiquidGlassPillButton button(&environment, QStringLiteral("整理"), std::nullopt, FenceTintPalette::cerulean);
        int calls = 0;
        button.action = [&] { ++calls; };
        layOut(button, button.sizeHint());
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(calls, 1);
        button.setDisabled(true);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(calls, 1);
        QTest::keyClick(&button, Qt::Key_Space);
        QCOMPARE(calls, 1);
    }

    // A disabled prominent button shows less of its tint than an enabled one.
    void aDisabledPillButtonIsDimmed()
    {
        DesignEnvironment environment;
        LiquidGlassPillButton button(&environment, QStringLiteral("执行整理"), std::nullopt, FenceTintPalette::mint);
        button.setProminent(true);
        layOut(button, button.sizeHint());
        // How far the capsule's top centre stands from what lies behind the button (its corner).
        const auto contrast = [&] {
            const QImage image = button.grab().toImage();
            const QColor top = image.pixelColor(image.width() / 2, 2 * int(image.devicePixelRatio()));
            const QColor behind = image.pixelColor(0, 0);
            return std::abs(top.red() - behind.red()) + std::abs(top.green() - behind.green())
                + std::abs(top.blue() - behind.blue());
        };
        const int enabled = contrast();
        button.setDisabled(true);
        const int disabled = contrast();
        QVERIFY2(disabled < enabled * 0.6, qPrintable(QStringLiteral("%1 %2").arg(enabled).arg(disabled)));
    }

    void pillButtonPaddingFollowsCompact()
    {
        DesignEnvironment environment;
        LiquidGlassPillButton regular(&environment, QString(), std::nullopt, FenceTintPalette::mint);
        LiquidGlassPillButton compact(&environment, QString(), std::nullopt, FenceTintPalette::mint);
        compact.setCompact(true);
        // An empty button is just its padding: 12 + 12 wide regular, 9 + 9 compact.
        QCOMPARE(regular.sizeHint().width(), 24);
        QCOMPARE(compact.sizeHint().width(), 18);
        QVERIFY(regular.sizeHint().height() - compact.sizeHint().height() >= 3);
    }

    void badgeAndIconBadge()
    {
        DesignEnvironment environment;
        LiquidGlassBadge plain(&environment, QStringLiteral("12 项"), FenceTintPalette::amber);
        LiquidGlassBadge withSymbol(&environment, QStringLiteral("12 项"), FenceTintPalette::amber, QStringLiteral("text.alignleft"));
        QVERIFY(withSymbol.sizeHint().width() > plain.sizeHint().width() + 4);
        LiquidGlassBadge empty(&environment, QString(), FenceTintPalette::amber);
        QCOMPARE(empty.sizeHint(), QSize(15, empty.sizeHint().height())); // padding only: 7 + 7, plus the rounding pixel
        QCOMPARE(plain.accessibleName(), QStringLiteral("12 项"));

        LiquidGlassIconBadge icon(&environment, QStringLiteral("checklist"), FenceTintPalette::mint, 30);
        QCOMPARE(icon.size(), QSize(30, 30));
        // The square's corner is rounded (0.28 × side): its very corner stays clear.
        const QImage image = renderOver(icon, Qt::black);
        QCOMPARE(image.pixelColor(0, 0), QColor(Qt::black));
        QVERIFY(image.pixelColor(15, 3) != QColor(Qt::black));
    }

    void wallpaperDarkModeAddsOneVeil()
    {
        QCOMPARE(LiquidGlassWallpaperBackdrop::layerCount(ColorScheme::light), 3);
        QCOMPARE(LiquidGlassWallpaperBackdrop::layerCount(ColorScheme::dark), 4);
        DesignEnvironment environment;
        LiquidGlassWallpaperBackdrop backdrop(&environment, WallpaperPreset::warmDusk);
        layOut(backdrop, QSize(400, 300));
        const QColor light = renderOver(backdrop, Qt::white).pixelColor(200, 150);
        environment.setColorScheme(ColorScheme::dark);
        const QColor dark = renderOver(backdrop, Qt::white).pixelColor(200, 150);
        // The veil is black at 0.18: every channel keeps 82 %.
        QVERIFY(std::abs(dark.red() - light.red() * 0.82) <= 1.5);
        QVERIFY(std::abs(dark.green() - light.green() * 0.82) <= 1.5);
    }

    void toolbarGroupAddsNothingOfItsOwn()
    {
        LiquidGlassToolbarGroup group(6);
        auto* a = new QWidget;
        auto* b = new QWidget;
        a->setFixedSize(24, 24);
        b->setFixedSize(24, 24);
        group.addWidget(a);
        group.addWidget(b);
        layOut(group, group.sizeHint());
        QCOMPARE(group.sizeHint(), QSize(54, 24));
        QCOMPARE(b->x() - a->geometry().right() - 1, 6);
    }

    void clipboardHelperReplacesTheText()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("旧内容"));
        GlassClipboardHelper::copyString(QStringLiteral("新内容"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("新内容"));
        GlassClipboardHelper::copyString(QString());
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    }
};

QTEST_MAIN(SurfacesTest)
#include "tst_surfaces.moc"
