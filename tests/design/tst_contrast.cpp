#include "core/models/EnumTraits.h"
#include "design/DesignEnvironment.h"
#include "design/FenceChecklistListView.h"
#include "design/FenceHeaderView.h"
#include "design/FenceItemGridTile.h"
#include "design/LiquidGlassButton.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassPillButton.h"
#include "design/LiquidGlassSurfaceFrame.h"
#include "design/LiquidGlassSurfaceModifier.h"
#include "design/LiquidGlassTokens.h"
#include "design/LiquidGlassWallpaperBackdrop.h"
#include "support/DesignTestSupport.h"

#include <QVBoxLayout>
#include <QtTest>

using namespace mv;
using namespace mv::testing;

Q_DECLARE_METATYPE(mv::FenceTintPalette)
Q_DECLARE_METATYPE(mv::ColorScheme)

namespace {

constexpr double bodyTextContrast = 4.5;
// Symbols are graphics, not text: the measure asks 3:1 of what must be made out.
constexpr double symbolContrast = 3.0;

// The contrast text reaches on what it is drawn on: the component sits in a fence surface over
// the wallpaper, as in the gallery. The background is read at a point beside the text and the
// text colour is the pixel of the text's rect farthest from it (a glyph's fully covered pixel
// carries the text colour itself). Rect and point are in `owner`'s coordinates.
double measuredContrast(QWidget& backdrop, QWidget& owner, const QRect& text, QPoint backgroundPoint)
{
    const QImage image = renderOver(backdrop, Qt::black);
    const QPoint origin = owner.mapTo(&backdrop, QPoint(0, 0));
    const QColor background = image.pixelColor(backgroundPoint + origin);
    double best = 1.0;
    for (int y = text.top(); y <= text.bottom(); ++y)
        for (int x = text.left(); x <= text.right(); ++x)
            best = std::max(best, contrastRatio(image.pixelColor(QPoint(x, y) + origin), background));
    return best;
}

// A capsule's text along its middle line, between its side paddings; its background just
// inside the left end.
double capsuleContrast(QWidget& backdrop, QWidget& capsule, int padding)
{
    const int middle = capsule.height() / 2;
    return measuredContrast(backdrop, capsule, QRect(padding, middle - 4, capsule.width() - 2 * padding, 9),
                            QPoint(5, middle));
}

QByteArray describe(const char* what, double ratio)
{
    return QByteArray(what) + ' ' + QByteArray::number(ratio, 'f', 2) + ":1";
}

struct Scene {
    DesignEnvironment environment;
    LiquidGlassWallpaperBackdrop backdrop{&environment, WallpaperPreset::tahoeAurora};
    LiquidGlassSurfaceFrame* surface = nullptr;
    QVBoxLayout* layout = nullptr;

    Scene(FenceTintPalette tint, ColorScheme scheme, bool opaque)
    {
        environment.setColorScheme(scheme);
        environment.setReduceTransparency(opaque);
        surface = new LiquidGlassSurfaceFrame(&environment, &backdrop);
        surface->setModifier(liquidGlassSurface(tint, 20, 0.72, false, false, false));
        layout = new QVBoxLayout(surface);
        layout->setContentsMargins(10, 10, 10, 10);
        auto* outer = new QVBoxLayout(&backdrop);
        outer->setContentsMargins(24, 24, 24, 24);
        outer->addWidget(surface);
    }
};

void addEveryVariant()
{
    QTest::addColumn<FenceTintPalette>("tint");
    QTest::addColumn<ColorScheme>("scheme");
    QTest::addColumn<bool>("opaque");
    for (const FenceTintPalette tint : allCases<FenceTintPalette>())
        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark})
            for (const bool opaque : {false, true})
                QTest::addRow("%s-%s-%s", qPrintable(rawValue(tint)),
                              scheme == ColorScheme::dark ? "dark" : "light", opaque ? "opaque" : "glass")
                    << tint << scheme << opaque;
}

} // namespace

class ContrastTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void readableForegroundOnEverySolidTint_data()
    {
        QTest::addColumn<FenceTintPalette>("tint");
        for (const FenceTintPalette tint : allCases<FenceTintPalette>())
            QTest::addRow("%s", qPrintable(rawValue(tint))) << tint;
    }

    void readableForegroundOnEverySolidTint()
    {
        QFETCH(FenceTintPalette, tint);
        const QColor fill = swiftUIColor(tint);
        QVERIFY(contrastRatio(readableForeground(fill), fill) >= bodyTextContrast);
    }

    void contrastRatioFollowsTheMeasure()
    {
        QCOMPARE(contrastRatio(Qt::black, Qt::white), 21.0);
        QCOMPARE(contrastRatio(Qt::white, Qt::black), 21.0);
        QCOMPARE(contrastRatio(QColor(0x77, 0x77, 0x77), QColor(0x77, 0x77, 0x77)), 1.0);
        QVERIFY(qAbs(contrastRatio(QColor(0x76, 0x76, 0x76), Qt::white) - 4.54) < 0.01);
    }

    void pillButtonTitles_data()
    {
        addEveryVariant();
    }

    void pillButtonTitles()
    {
        QFETCH(FenceTintPalette, tint);
        QFETCH(ColorScheme, scheme);
        QFETCH(bool, opaque);
        for (const bool prominent : {true, false}) {
            Scene scene(tint, scheme, opaque);
            auto* button = new LiquidGlassPillButton(&scene.environment, QStringLiteral("整理桌面"), std::nullopt, tint, scene.surface);
            button->setProminent(prominent);
            scene.layout->addWidget(button, 0, Qt::AlignLeft);
            layOut(scene.backdrop, QSize(260, 110));
            const double ratio = capsuleContrast(scene.backdrop, *button, 12);
            QVERIFY2(ratio >= bodyTextContrast, describe(prominent ? "prominent" : "plain", ratio));
        }
    }

    void badgeTexts_data()
    {
        addEveryVariant();
    }

    void badgeTexts()
    {
        QFETCH(FenceTintPalette, tint);
        QFETCH(ColorScheme, scheme);
        QFETCH(bool, opaque);
        Scene scene(tint, scheme, opaque);
        auto* badge = new LiquidGlassBadge(&scene.environment, QStringLiteral("12 项"), tint, std::nullopt, scene.surface);
        scene.layout->addWidget(badge, 0, Qt::AlignLeft);
        layOut(scene.backdrop, QSize(260, 110));
        const double ratio = capsuleContrast(scene.backdrop, *badge, 7);
        QVERIFY2(ratio >= bodyTextContrast, describe("badge", ratio));
    }

    void checklistTitlesAndFooter_data()
    {
        addEveryVariant();
    }

    void checklistTitlesAndFooter()
    {
        QFETCH(FenceTintPalette, tint);
        QFETCH(ColorScheme, scheme);
        QFETCH(bool, opaque);
        Scene scene(tint, scheme, opaque);
        auto* list = new FenceChecklistListView(&scene.environment, scene.surface);
        list->setTint(tint);
        list->setTasks({makeTask(QStringLiteral("整理本周会议纪要")), makeTask(QStringLiteral("备份照片"), true)});
        scene.layout->addWidget(list);
        layOut(scene.backdrop, QSize(340, 260));

        QWidget* viewport = list->listView()->viewport();
        for (const int row : {0, 1}) {
            const FenceChecklistRowGeometry g = list->rowGeometry(row);
            const QRect title = g.title.toAlignedRect() & viewport->rect();
            QVERIFY(!title.isEmpty());
            const QPoint gap(int((g.toggle.right() + g.title.left()) / 2), int(g.title.center().y()));
            const double ratio = measuredContrast(scene.backdrop, *viewport, title, gap);
            QVERIFY2(ratio >= bodyTextContrast, describe(row == 0 ? "open task" : "completed task", ratio));
        }

        GlassTextLabel* footer = nullptr;
        for (auto* label : list->findChildren<GlassTextLabel*>())
            if (label->text().startsWith(QStringLiteral("已完成")))
                footer = label;
        QVERIFY(footer);
        QWidget* owner = footer->parentWidget();
        const QRect text = footer->geometry();
        const double ratio = measuredContrast(scene.backdrop, *owner, text,
                                              QPoint(text.left() - 3, text.center().y()));
        QVERIFY2(ratio >= bodyTextContrast, describe("footer", ratio));
    }

    void headerTitle_data()
    {
        addEveryVariant();
    }

    void headerTitle()
    {
        QFETCH(FenceTintPalette, tint);
        QFETCH(ColorScheme, scheme);
        QFETCH(bool, opaque);
        Scene scene(tint, scheme, opaque);
        auto* header = new FenceHeaderView(&scene.environment, scene.surface);
        header->setTitle(QStringLiteral("工作台 Desk"));
        header->setSymbolName(QStringLiteral("folder"));
        header->setBadgeSummary(QStringLiteral("12 项"));
        header->setTint(tint);
        scene.layout->addWidget(header);
        scene.layout->addStretch();
        layOut(scene.backdrop, QSize(340, 140));
        auto* title = header->findChild<GlassTextLabel*>(QStringLiteral("titleLabel"));
        QVERIFY(title);
        QWidget* owner = title->parentWidget();
        const QRect text = title->geometry();
        QVERIFY(!text.isEmpty());
        const double ratio = measuredContrast(scene.backdrop, *owner, text, QPoint(text.right() + 3, text.center().y()));
        QVERIFY2(ratio >= bodyTextContrast, describe("header title", ratio));
    }

    void tileTitles_data()
    {
        addEveryVariant();
    }

    void tileTitles()
    {
        QFETCH(FenceTintPalette, tint);
        QFETCH(ColorScheme, scheme);
        QFETCH(bool, opaque);
        for (const FenceDisplayDensity density : {FenceDisplayDensity::grid, FenceDisplayDensity::compactList}) {
            Scene scene(tint, scheme, opaque);
            auto* tile = new FenceItemGridTile(&scene.environment, scene.surface);
            tile->setTitle(QStringLiteral("报告 Report"));
            tile->setSymbolName(QStringLiteral("doc"));
            tile->setTint(tint);
            tile->setDensity(density);
            const bool grid = density == FenceDisplayDensity::grid;
            tile->setFixedSize(grid ? QSize(96, 104) : QSize(260, 40));
            scene.layout->addWidget(tile, 0, Qt::AlignLeft);
            scene.layout->addStretch();
            layOut(scene.backdrop, QSize(340, 200));
            const FenceItemTileGeometry g = tile->currentGeometry();
            const QRect title = g.title.toAlignedRect() & tile->rect();
            QVERIFY(!title.isEmpty());
            // Beside the title: left of the grid caption's line, or past the list row's text.
            const QPoint background(grid ? 2 : tile->width() - 3, title.center().y());
            const double ratio = measuredContrast(scene.backdrop, *tile, title, background);
            QVERIFY2(ratio >= bodyTextContrast, describe(grid ? "grid tile title" : "list tile title", ratio));
        }
    }

    void glassButtonSymbols_data()
    {
        addEveryVariant();
    }

    void glassButtonSymbols()
    {
        QFETCH(FenceTintPalette, tint);
        QFETCH(ColorScheme, scheme);
        QFETCH(bool, opaque);
        Scene scene(tint, scheme, opaque);
        auto* button = new LiquidGlassButton(&scene.environment, scene.surface);
        button->setSymbolName(QStringLiteral("plus"));
        button->setSymbolFont(14, QFont::DemiBold);
        button->setFixedFrame(QSize(30, 30));
        scene.layout->addWidget(button, 0, Qt::AlignLeft);
        scene.layout->addStretch();
        layOut(scene.backdrop, QSize(200, 100));
        const QRect symbol(8, 8, 14, 14);
        const double ratio = measuredContrast(scene.backdrop, *button, symbol, QPoint(15, 4));
        QVERIFY2(ratio >= symbolContrast, describe("button symbol", ratio));
    }
};

QTEST_MAIN(ContrastTest)
#include "tst_contrast.moc"
