#include "core/models/Uuid.h"
#include "design/FenceItemGridTile.h"
#include "design/LiquidGlassTokens.h"
#include "support/DesignTestSupport.h"

#include <QApplication>
#include <QEnterEvent>
#include <QtTest>

using namespace mv;
using namespace mv::testing;

Q_DECLARE_METATYPE(mv::FenceItemKind)

namespace {

void hover(QWidget* widget, bool inside)
{
    if (inside) {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(widget, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(widget, &leave);
    }
}

} // namespace

class ItemTileTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void iconSide_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("side");
        // 42 × scale within 32 ... 58.
        QTest::newRow("0.5") << 0.5 << 32.0;
        QTest::newRow("1.0") << 1.0 << 42.0;
        QTest::newRow("1.2") << 1.2 << 50.4;
        QTest::newRow("2.0") << 2.0 << 58.0;
    }

    void iconSide()
    {
        QFETCH(double, scale);
        QFETCH(double, side);
        QVERIFY(std::abs(FenceItemGridTile::iconSide(scale) - side) < 1e-9);
        DesignEnvironment environment;
        FenceItemGridTile tile(&environment);
        tile.setTitle(QStringLiteral("文件"));
        tile.setIconScale(scale);
        layOut(tile, QSize(120, tile.heightForWidth(120)));
        const FenceItemTileGeometry g = tile.currentGeometry();
        QVERIFY(std::abs(g.icon.width() - side) < 1e-9);
        QVERIFY(std::abs(g.icon.height() - side) < 1e-9);
        QCOMPARE(g.icon.top(), 8.0); // padded 8 above
        QVERIFY(std::abs(g.icon.center().x() - 60) < 1e-9);
    }

    void gridTitleSize_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("size");
        // 11.5 × scale within 10.5 ... 13.225.
        QTest::newRow("0.8") << 0.8 << 10.5;
        QTest::newRow("1.0") << 1.0 << 11.5;
        QTest::newRow("1.15") << 1.15 << 13.225;
        QTest::newRow("1.5") << 1.5 << 13.225;
    }

    void gridTitleSize()
    {
        QFETCH(double, scale);
        QFETCH(double, size);
        QVERIFY(std::abs(FenceItemGridTile::gridTitleFontSize(scale) - size) < 1e-9);
    }

    void captionAndBadge_data()
    {
        QTest::addColumn<QString>("subtitle");
        QTest::addColumn<QString>("badge");
        QTest::addColumn<QString>("gridCaption");
        QTest::addColumn<QString>("listSubtitle");
        QTest::addColumn<QString>("listBadge");
        // The grid shows the badge text in place of the subtitle; the list shows both. Empty counts as absent.
        QTest::newRow("both") << QStringLiteral("快速记录") << QStringLiteral("App") << QStringLiteral("App") << QStringLiteral("快速记录") << QStringLiteral("App");
        QTest::newRow("empty badge") << QStringLiteral("快速记录") << QString() << QStringLiteral("快速记录") << QStringLiteral("快速记录") << QString();
        QTest::newRow("badge only") << QString() << QStringLiteral("Dir") << QStringLiteral("Dir") << QString() << QStringLiteral("Dir");
        QTest::newRow("neither") << QString() << QString() << QString() << QString() << QString();
    }

    void captionAndBadge()
    {
        QFETCH(QString, subtitle);
        QFETCH(QString, badge);
        QFETCH(QString, gridCaption);
        QFETCH(QString, listSubtitle);
        QFETCH(QString, listBadge);
        DesignEnvironment environment;
        FenceItemGridTile tile(&environment);
        tile.setTitle(QStringLiteral("苹果备忘录"));
        tile.setSubtitle(subtitle); // an empty optional text stands for an empty field
        tile.setBadgeText(badge);
        QCOMPARE(tile.gridCaption().value_or(QString()), gridCaption);
        QCOMPARE(tile.captionIsBadge(), !badge.isEmpty());
        layOut(tile, QSize(110, tile.heightForWidth(110)));
        QCOMPARE(tile.currentGeometry().caption.isEmpty(), gridCaption.isEmpty());
        tile.setDensity(FenceDisplayDensity::compactList);
        QCOMPARE(tile.listSubtitle().value_or(QString()), listSubtitle);
        QCOMPARE(tile.listBadge().value_or(QString()), listBadge);
        layOut(tile, QSize(280, tile.sizeHint().height()));
        const FenceItemTileGeometry g = tile.currentGeometry();
        QCOMPARE(g.icon.size(), QSizeF(28, 28));
        QCOMPARE(g.badge.isEmpty(), listBadge.isEmpty());
        QCOMPARE(g.subtitle.isEmpty(), listSubtitle.isEmpty());
        if (!g.badge.isEmpty())
            QVERIFY(std::abs(g.badge.right() - (280 - 9)) < 1e-9); // at the trailing end
    }

    void folderLook()
    {
        DesignEnvironment environment;
        FenceItemGridTile tile(&environment);
        tile.setTint(FenceTintPalette::amber);
        QCOMPARE(tile.listIconTint(), FenceTintPalette::amber);
        QCOMPARE(tile.gridIconGradient().first.rgb(), swiftUIColor(FenceTintPalette::amber).rgb());
        tile.setDirectory(true);
        QCOMPARE(tile.listIconTint(), FenceTintPalette::cerulean);
        QCOMPARE(tile.gridIconGradient().first.rgb(), GlassPalette::systemBlue(ColorScheme::light).rgb());
        QCOMPARE(tile.gridIconGradient().second.rgb(), GlassPalette::systemCyan(ColorScheme::light).rgb());
        QVERIFY(std::abs(tile.gridIconGradient().first.alphaF() - 0.22) < 0.003);
        environment.setColorScheme(ColorScheme::dark);
        QVERIFY(std::abs(tile.gridIconGradient().first.alphaF() - 0.3) < 0.003);
        QVERIFY(std::abs(tile.gridIconGradient().second.alphaF() - 0.14) < 0.003);
    }

    void selectionWinsOverHover()
    {
        DesignEnvironment environment;
        FenceItemGridTile tile(&environment);
        tile.setTint(FenceTintPalette::violet);
        layOut(tile, QSize(100, 110));
        QVERIFY(std::abs(tile.fillColor().alphaF() - 0.04) < 0.003);
        QCOMPARE(tile.borderWidth(), 0.6);
        hover(&tile, true);
        QVERIFY(tile.isHovered());
        QVERIFY(std::abs(tile.fillColor().alphaF() - 0.1) < 0.003);
        QCOMPARE(tile.borderColor().rgba(), withOpacity(Qt::white, 0.24).rgba());
        tile.setSelected(true);
        QCOMPARE(tile.fillColor().rgba(), withOpacity(swiftUIColor(FenceTintPalette::violet), 0.24).rgba());
        QCOMPARE(tile.borderColor().rgba(), withOpacity(swiftUIColor(FenceTintPalette::violet), 0.75).rgba());
        QCOMPARE(tile.borderWidth(), 1.3);
        hover(&tile, false);
        QVERIFY(!tile.isHovered());
    }

    void fromItem_data()
    {
        QTest::addColumn<FenceItemKind>("kind");
        QTest::addColumn<bool>("directory");
        // Only a folder item is drawn as a directory.
        QTest::newRow("app") << FenceItemKind::app << false;
        QTest::newRow("folder") << FenceItemKind::folder << true;
        QTest::newRow("file") << FenceItemKind::file << false;
    }

    void fromItem()
    {
        QFETCH(FenceItemKind, kind);
        QFETCH(bool, directory);
        FenceItem item;
        item.id = newUuid();
        item.title = QStringLiteral("文件访达");
        item.subtitle = QStringLiteral("暂存根目录");
        item.kind = kind;
        item.symbolName = QStringLiteral("folder.fill");
        item.badgeText = QStringLiteral("Dir");
        item.isPinned = true;
        DesignEnvironment environment;
        FenceItemGridTile tile(&environment);
        tile.setItem(item);
        QCOMPARE(tile.isDirectory(), directory);
        QCOMPARE(tile.title(), item.title);
        QCOMPARE(tile.symbolName(), item.symbolName);
        QCOMPARE(tile.accessibleName(), item.title);
        layOut(tile, QSize(110, tile.heightForWidth(110)));
        const FenceItemTileGeometry g = tile.currentGeometry();
        QVERIFY(!g.pin.isEmpty());
        // The pin sits over the icon's top-trailing corner, nudged 4 right and up as far as the
        // tile's edge lets it stay whole.
        QVERIFY(std::abs(g.pin.center().x() - (g.icon.right() + 4)) < 1e-9);
        QVERIFY(g.pin.contains(g.icon.topRight()));
        QVERIFY(QRectF(tile.rect()).contains(g.pin));
    }

    void aClickActivatesOnce()
    {
        DesignEnvironment environment;
        FenceItemGridTile tile(&environment);
        tile.setTitle(QStringLiteral("SpotSearch"));
        int activations = 0;
        tile.onActivate = [&] { ++activations; };
        layOut(tile, QSize(100, 110));
        QTest::mouseClick(&tile, Qt::LeftButton, {}, QPoint(50, 60));
        QCOMPARE(activations, 1);
        // The rounded corner takes no click.
        QTest::mouseClick(&tile, Qt::LeftButton, {}, QPoint(1, 1));
        QCOMPARE(activations, 1);
    }

    void listHeightIgnoresIconScale()
    {
        DesignEnvironment environment;
        FenceItemGridTile tile(&environment);
        tile.setDensity(FenceDisplayDensity::compactList);
        const QSize before = tile.sizeHint();
        tile.setIconScale(1.5);
        QCOMPARE(tile.sizeHint(), before);
        QCOMPARE(before.height(), 40); // 6 + the 28 icon badge + 6
    }
};

QTEST_MAIN(ItemTileTest)
#include "tst_itemtile.moc"
