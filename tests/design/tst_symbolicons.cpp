#include "design/SymbolIcons.h"

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

using namespace mv;

class SymbolIconsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Every symbol name that the program's views, engines and seed data use.
    void tableCoversEverySymbolInUse()
    {
        const char* const usedNames[] = {
            "app.badge.checkmark.fill", "apple.logo", "archivebox.fill", "arrow.right", "arrow.right.square",
            "arrow.up.arrow.down", "arrow.up.forward.app", "arrow.up.forward.square", "arrow.uturn.backward",
            "arrow.uturn.forward", "bolt.fill", "book.pages.fill", "camera.viewfinder", "capsule.fill", "checklist",
            "checklist.checked", "checkmark", "checkmark.circle", "checkmark.circle.badge.questionmark",
            "checkmark.circle.fill", "checkmark.seal.fill", "chevron.down", "chevron.left",
            "chevron.left.forwardslash.chevron.right", "chevron.right", "chevron.up", "circle", "curlybraces",
            "doc.fill", "doc.on.doc", "doc.richtext.fill", "doc.text.fill", "ellipsis", "ellipsis.circle", "escape", "eye",
            "film.fill", "flag.fill", "folder", "folder.badge.gearshape", "folder.badge.plus",
            "folder.badge.questionmark", "folder.fill", "globe", "laptopcomputer.and.iphone",
            "line.3.horizontal.decrease.circle", "list.bullet", "lock", "lock.fill", "lock.open", "magnifyingglass",
            "minus.circle", "note.text", "paintbrush", "paintbrush.pointed.fill", "paintpalette.fill", "pencil",
            "photo.fill", "photo.on.rectangle.angled", "photo.stack.fill", "pin", "pin.fill", "pin.slash",
            "play.circle", "play.rectangle.fill", "plus", "plus.circle", "plus.circle.fill",
            "plus.rectangle.on.folder", "plus.rectangle.on.rectangle", "power", "rectangle.expand.vertical", "return",
            "scope",
            "shippingbox.fill", "slider.horizontal.3", "sparkles", "sparkles.rectangle.stack",
            "sparkles.rectangle.stack.fill", "square.and.arrow.down", "square.and.arrow.up", "square.grid.2x2",
            "square.grid.2x2.fill", "square.grid.2x2.topleft.filled", "square.on.square.intersection.dashed",
            "square.stack.3d.up.fill", "star.square.on.square.fill", "sun.max.fill", "swift", "tablecells.fill",
            "terminal.fill", "text.alignleft", "text.quote", "trash", "tray", "tray.full.fill", "wand.and.stars",
            "waveform", "xmark", "xmark.circle.fill"};
        QStringList used;
        for (const char* name : usedNames)
            used.append(QString::fromLatin1(name));
        for (const QString& name : used) {
            QVERIFY2(SymbolIcons::isKnown(name), qPrintable(name));
            QVERIFY(!SymbolIcons::freedesktopNames(name).isEmpty());
        }
        QCOMPARE(SymbolIcons::knownSymbolNames().size(), used.size());
    }

    void everyKnownSymbolHasAnIconOnThisMachine()
    {
        if (!QDir(QStringLiteral("/usr/share/icons/Adwaita")).exists())
            QSKIP("adwaita-icon-theme is not installed");
        for (const QString& name : SymbolIcons::knownSymbolNames())
            QVERIFY2(SymbolIcons::source(name) != SymbolIcons::Source::fallback, qPrintable(name));
    }

    void unknownNameShowsAVisibleStandIn()
    {
        QVERIFY(!SymbolIcons::isKnown(QStringLiteral("no.such.symbol")));
        QCOMPARE(SymbolIcons::source(QStringLiteral("no.such.symbol")), SymbolIcons::Source::fallback);
        QVERIFY(!SymbolIcons::icon(QStringLiteral("no.such.symbol")).isNull());
        const QImage image = SymbolIcons::pixmap(QStringLiteral("no.such.symbol"), 24, Qt::red).toImage();
        int inked = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                inked += qAlpha(image.pixel(x, y)) > 128;
        QVERIFY(inked > 20);
    }

    // A symbol is looked up once while the icon theme stays; another theme is looked in anew.
    void aNewIconThemeIsFollowed()
    {
        const QString symbol = QStringLiteral("folder");
        const QStringList names = SymbolIcons::freedesktopNames(symbol);
        QVERIFY(!names.isEmpty());
        const QString themeBefore = QIcon::themeName();
        const QStringList pathsBefore = QIcon::themeSearchPaths();
        const auto restore = qScopeGuard([&] {
            QIcon::setThemeSearchPaths(pathsBefore);
            QIcon::setThemeName(themeBefore);
        });
        QIcon::setThemeName(QString());
        QCOMPARE(SymbolIcons::source(symbol), SymbolIcons::Source::bundledTheme);

        // A theme of one icon, under the symbol's first freedesktop name.
        QTemporaryDir themes;
        QVERIFY(themes.isValid());
        const QString theme = themes.path() + QStringLiteral("/probe");
        QVERIFY(QDir().mkpath(theme + QStringLiteral("/16x16/places")));
        QFile index(theme + QStringLiteral("/index.theme"));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=Probe\nDirectories=16x16/places\n\n"
                    "[16x16/places]\nSize=16\nContext=Places\nType=Fixed\n");
        index.close();
        QImage glyph(16, 16, QImage::Format_ARGB32);
        glyph.fill(Qt::black);
        QVERIFY(glyph.save(theme + QStringLiteral("/16x16/places/") + names.first() + QStringLiteral(".png")));
        QIcon::setThemeSearchPaths({themes.path()});
        QIcon::setThemeName(QStringLiteral("probe"));
        QCOMPARE(SymbolIcons::source(symbol), SymbolIcons::Source::desktopTheme);

        QIcon::setThemeName(QString());
        QCOMPARE(SymbolIcons::source(symbol), SymbolIcons::Source::bundledTheme);
    }

    void glyphsTakeTheRequestedColour()
    {
        const QColor color(40, 160, 90);
        for (const QString& name : {QStringLiteral("pin.fill"), QStringLiteral("checkmark.circle.fill")}) {
            const QImage image = SymbolIcons::pixmap(name, 20, color, 2.0).toImage().convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(image.size(), QSize(40, 40));
            int opaque = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb p = image.pixel(x, y);
                    if (qAlpha(p) == 255) {
                        ++opaque;
                        QCOMPARE(QColor(p).rgb(), color.rgb());
                    }
                }
            }
            QVERIFY2(opaque > 10, qPrintable(name));
        }
    }
};

QTEST_MAIN(SymbolIconsTest)
#include "tst_symbolicons.moc"
