#include "core/store/support/StoreFixture.h"
#include "design/DesignEnvironment.h"
#include "design/DesignFonts.h"
#include "design/FenceNoteEditorView.h"
#include "design/GlassStyle.h"
#include "design/LiquidGlassTokens.h"
#include "desktop/content/MacFenceContentView.h"
#include "desktop/content/PortalEntryListView.h"
#include "desktop/content/PortalEntryModel.h"
#include "desktop/content/PortalTabView.h"
#include "support/SchemePalette.h"

#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QMenu>
#include <QScrollBar>
#include <QtTest>

#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

// A portal fence over a folder of `count` files, shown as a compact list.
struct PortalFence : TwoWorkspaceStore {
    DesignEnvironment environment;
    std::unique_ptr<MacFenceContentView> view;

    explicit PortalFence(int count)
    {
        const QString folder = path(u"portal"_s);
        QDir().mkpath(folder);
        for (int i = 0; i < count; ++i)
            StoreFixture::writeFile(folder + u"/文件 %1.txt"_s.arg(i, 2, 10, QChar(u'0')), "x");
        FenceTab tab = plainTab(FenceKind::portal, u"下载"_s);
        tab.portalPath = folder;
        FenceModel fence = appendFence(desk, u"下载"_s, {tab});
        fence.style.displayDensity = FenceDisplayDensity::compactList;
        store->updateFence(fence);
        view = std::make_unique<MacFenceContentView>(*store, fence.id, FencePanelContent::Callbacks(), &environment);
        view->resize(320, 360);
    }

    PortalEntryListView* list() const { return view->portalTab()->entryList(); }
    int rows() const { return view->portalTab()->entryModel()->rowCount(); }
};

bool near(QColor a, QColor b, int tolerance = 24)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

// A menu like the program's: plain, checked, with a shortcut, a separator and a submenu.
std::unique_ptr<QMenu> sampleMenu()
{
    auto menu = std::make_unique<QMenu>();
    menu->addAction(u"打开控制中心"_s);
    menu->addAction(u"新建 Fence\tCtrl+N"_s);
    QAction* checked = menu->addAction(u"锁定全部 Fence"_s);
    checked->setCheckable(true);
    checked->setChecked(true);
    menu->addSeparator();
    QMenu* sub = menu->addMenu(u"切换工作区"_s);
    sub->addAction(u"桌面"_s);
    menu->addAction(u"退出 Morvanteel"_s);
    return menu;
}

QImage shownMenu(QMenu& menu)
{
    menu.popup(QPoint(40, 40));
    if (!QTest::qWaitForWindowExposed(&menu))
        return {};
    return menu.grab().toImage();
}

QString shotFolder()
{
    const QString folder = QStringLiteral(MORVANTEEL_BUILD_DIR "/gallery");
    QDir().mkpath(folder);
    return folder;
}

} // namespace

class GlassLookTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        installGlassLook(*qApp);
    }

    void cleanup() { QApplication::setPalette(paletteFor(ColorScheme::light)); }

    void theApplicationFontIsTheDesignFont()
    {
        QCOMPARE(QApplication::font().family(), designFont(13).family());
        // The face Qt really found, so a missing font cannot pass for the right one.
        QCOMPARE(QFontInfo(QApplication::font()).family(), designFont(13).family());
        QMenu menu;
        QCOMPARE(QFontInfo(menu.font()).family(), designFont(13).family());
    }

    void noteEditorShowsABarOnlyWithSomethingToScroll_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("scrolls");
        QTest::newRow("two lines") << 2 << false;
        QTest::newRow("sixty lines") << 60 << true;
    }
    void noteEditorShowsABarOnlyWithSomethingToScroll()
    {
        QFETCH(int, lines);
        QFETCH(bool, scrolls);
        DesignEnvironment environment;
        FenceNoteEditorView note(&environment);
        QStringList text;
        for (int i = 0; i < lines; ++i)
            text.append(u"第 %1 行便笺"_s.arg(i + 1));
        note.setText(text.join(u'\n'));
        note.resize(300, 220);
        note.show();
        QVERIFY(QTest::qWaitForWindowExposed(&note));
        const QScrollBar* bar = note.editor()->verticalScrollBar();
        QTRY_COMPARE(bar->isVisible(), scrolls);
        QVERIFY(!note.editor()->horizontalScrollBar()->isVisible());
        if (scrolls)
            QCOMPARE(bar->width(), GlassStyle::scrollBarThickness);
    }

    void portalListShowsABarOnlyWithSomethingToScroll_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<bool>("scrolls");
        QTest::newRow("few entries") << 3 << false;
        QTest::newRow("many entries") << 60 << true;
    }
    void portalListShowsABarOnlyWithSomethingToScroll()
    {
        QFETCH(int, entries);
        QFETCH(bool, scrolls);
        PortalFence fence(entries);
        fence.view->show();
        QVERIFY(QTest::qWaitForWindowExposed(fence.view.get()));
        QTRY_COMPARE(fence.rows(), entries);
        const QScrollBar* bar = fence.list()->verticalScrollBar();
        QTRY_COMPARE(bar->isVisible(), scrolls);
        if (!scrolls)
            return;
        QCOMPARE(bar->width(), GlassStyle::scrollBarThickness);
        // Translucent thumb, nothing else: the bar's pixels away from the thumb are untouched.
        const QImage image = fence.list()->grab().toImage();
        const QPoint thumb = fence.list()->mapFromGlobal(bar->mapToGlobal(QPoint(bar->width() / 2, 10)));
        const QColor drawn = image.pixelColor(thumb);
        const QColor beside = image.pixelColor(thumb - QPoint(12, 0));
        QVERIFY2(drawn != beside, "the thumb is drawn");
        QVERIFY2(!near(drawn, Qt::white, 8) || !near(beside, Qt::white, 8), "no stock white groove");
        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            QApplication::setPalette(paletteFor(scheme));
            fence.environment.setColorScheme(scheme);
            QVERIFY(fence.view->grab().save(shotFolder() + u"/glass-fence-long-list-"_s
                                             + (scheme == ColorScheme::dark ? u"dark"_s : u"light"_s) + u".png"_s));
        }
    }

    void menusAreGlass_data()
    {
        QTest::addColumn<ColorScheme>("scheme");
        QTest::newRow("light") << ColorScheme::light;
        QTest::newRow("dark") << ColorScheme::dark;
    }
    void menusAreGlass()
    {
        QFETCH(ColorScheme, scheme);
        QApplication::setPalette(paletteFor(scheme));
        const std::unique_ptr<QMenu> menu = sampleMenu();
        QAction* hovered = menu->actions().at(0);
        QAction* plain = menu->actions().at(1);
        QImage image = shownMenu(*menu);
        QVERIFY(!image.isNull());
        menu->setActiveAction(hovered);
        image = menu->grab().toImage();
        const qreal ratio = image.devicePixelRatio();
        auto pixel = [&](QPoint at) { return image.pixelColor(QPoint(int(at.x() * ratio), int(at.y() * ratio))); };

        // Rounded: the corner is clear; translucent: the panel lets some of what is behind through.
        QCOMPARE(pixel(QPoint(0, 0)).alpha(), 0);
        const QColor panel = pixel(QPoint(menu->width() / 2, 2));
        QVERIFY2(panel.alpha() > 150 && panel.alpha() < 250, qPrintable(QString::number(panel.alpha())));
        const bool dark = scheme == ColorScheme::dark;
        QVERIFY2(dark ? panel.lightness() < 80 : panel.lightness() > 200, qPrintable(panel.name()));

        // The hovered row in the accent colour, an ordinary row on the panel.
        const QRect hoveredRow = menu->actionGeometry(hovered);
        const QColor rowColour = pixel(QPoint(hoveredRow.right() - 10, hoveredRow.center().y()));
        QVERIFY2(near(rowColour, GlassPalette::systemBlue(scheme)), qPrintable(rowColour.name()));
        const QRect plainRow = menu->actionGeometry(plain);
        const QColor plainColour = pixel(QPoint(plainRow.right() - 4, plainRow.top() + 1));
        QVERIFY2(near(plainColour, panel, 6), qPrintable(plainColour.name()));

        QCOMPARE(QFontInfo(menu->font()).family(), designFont(13).family());
        const QString suffix = dark ? u"dark"_s : u"light"_s;
        QVERIFY(image.save(shotFolder() + u"/glass-menu-"_s + suffix + u".png"_s));

        // The fence menu, as a fence's title opens it.
        PortalFence fence(3);
        fence.environment.setColorScheme(scheme);
        const std::unique_ptr<QMenu> fenceMenu(fence.view->createFenceMenu(nullptr));
        const QImage fenceShot = shownMenu(*fenceMenu);
        QVERIFY(!fenceShot.isNull());
        QCOMPARE(fenceShot.pixelColor(0, 0).alpha(), 0);
        QVERIFY(fenceShot.save(shotFolder() + u"/glass-fence-menu-"_s + suffix + u".png"_s));
    }
};

QTEST_MAIN(GlassLookTest)
#include "tst_glasslook.moc"
