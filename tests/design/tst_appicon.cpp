#include "design/AppIcon.h"

#include <QDir>
#include <QPainter>
#include <QtTest>

using namespace mv;

namespace {

// The icon laid on a panel of `background`, as a tray shows it.
QImage onPanel(int side, const QColor& background)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(background);
    QPainter painter(&image);
    painter.drawPixmap(0, 0, appicon::draw(side));
    return image;
}

// The share of the pixels that stand out from the panel by at least `minimum` in luminance.
double standingOut(const QImage& image, const QColor& background, int minimum)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (std::abs(qGray(image.pixel(x, y)) - qGray(background.rgb())) >= minimum)
                ++count;
        }
    }
    return double(count) / (image.width() * image.height());
}

} // namespace

class AppIconTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readableOnLightAndDarkPanels_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<QColor>("panel");
        for (const int side : {16, 22, 48}) {
            QTest::addRow("%d on light", side) << side << QColor(0xf2, 0xf2, 0xf2);
            QTest::addRow("%d on dark", side) << side << QColor(0x20, 0x20, 0x22);
        }
    }

    // Most of the fence stands out from a light panel and from a dark one, and its corners
    // are left clear; PNGs of each are kept under the build folder to look at.
    void readableOnLightAndDarkPanels()
    {
        QFETCH(int, side);
        QFETCH(QColor, panel);
        const QImage image = onPanel(side, panel);
        // The fence covers about two thirds of the square; its white items may melt into a
        // light panel, its glass and rims must not.
        const double share = standingOut(image, panel, 60);
        QVERIFY2(share > 0.4, qPrintable(QString::number(share)));
        QCOMPARE(image.pixel(0, 0), panel.rgb()); // rounded: the corner is the panel's

        const QString folder = QStringLiteral(MORVANTEEL_BUILD_DIR "/icon-previews");
        QVERIFY(QDir().mkpath(folder));
        const QImage large = onPanel(side * 4, panel);
        QVERIFY(large.save(folder + u'/' + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-')
                           + QStringLiteral(".png")));
    }

    void iconHasEverySize()
    {
        const QIcon icon = appicon::icon();
        QVERIFY(!icon.isNull());
        for (const int side : {16, 22, 24, 32, 48, 64})
            QVERIFY(icon.availableSizes().contains(QSize(side, side)));
    }
};

QTEST_MAIN(AppIconTest)
#include "tst_appicon.moc"
