// Fences on a real X server, with the program's panel manager, over a wallpaper the test sets
// itself as wallpaper setters do. Without a compositor each fence is shaped to its rounded
// outline (its corners show the wallpaper) and paints frosted glass from the wallpaper under it,
// following a new wallpaper. With xcompmgr the fences keep see-through ARGB windows that ask for
// the blur behind them, a rolled-up fence is a 46-high capsule with its title inside, and the
// compositor's end brings the shape and the frosting back. A compositor that does not blur
// leaves the fences frosting the wallpaper themselves, until it announces a blur on the root. Screenshots of the whole desktop, light
// and dark, with and without the compositor, go under the build folder for people to look at.

#include "core/store/support/StoreFixture.h"
#include "design/DesignEnvironment.h"
#include "design/GlassStyle.h"
#include "design/LiquidGlassSurfaceModifier.h"
#include "design/LiquidGlassTokens.h"
#include "desktop/shell/DesktopFencePanel.h"
#include "desktop/shell/DesktopPanelManager.h"
#include "desktop/shell/SpotSearchHUDPanel.h"
#include "desktop/shell/SpotSearchWindowController.h"
#include "design/FrostedGlass.h"
#include "design/LiquidGlassWallpaperBackdrop.h"
#include "platform/gui/CompositorWatch.h"
#include "platform/gui/WindowGlass.h"
#include "support/SchemePalette.h"
#include "support/X11DesktopClient.h"
#include "support/XvfbSession.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <cmath>
#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

constexpr int exposeTimeout = 10000;
constexpr int followTimeout = 8000;
// The store's frames are y-up from the lower left of the 1440 × 900 screen.
constexpr int screenHeight = 900;

FenceFrameRect modelFrame(const QRect& window)
{
    return {double(window.x()), double(screenHeight - window.y() - window.height()), double(window.width()),
            double(window.height())};
}

// Vertical stripes of two colours, 8 pixels each: far finer than the frosting's blur.
QImage stripes(QSize size, QColor first, QColor second)
{
    QImage image(size, QImage::Format_RGB32);
    for (int x = 0; x < size.width(); ++x) {
        const QRgb colour = ((x / 8) % 2 == 0 ? first : second).rgb();
        for (int y = 0; y < size.height(); ++y)
            reinterpret_cast<QRgb*>(image.scanLine(y))[x] = colour;
    }
    return image;
}

struct Spread {
    QColor mean;
    int range = 0; // of the green channel
};

Spread spreadOf(const QImage& image, const QRect& area)
{
    double red = 0;
    double green = 0;
    double blue = 0;
    int least = 255;
    int most = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            red += colour.red();
            green += colour.green();
            blue += colour.blue();
            least = std::min(least, colour.green());
            most = std::max(most, colour.green());
        }
    const double count = double(area.width()) * area.height();
    return {QColor(qRound(red / count), qRound(green / count), qRound(blue / count)), most - least};
}

bool near(QColor a, QColor b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

QString describe(QColor colour)
{
    return u"(%1, %2, %3)"_s.arg(colour.red()).arg(colour.green()).arg(colour.blue());
}

// The glass over an even backdrop of `behind`, away from its sheen and hairline: the frosting's
// wash, the glass base and the fence's tint, each laid over the last.
QColor expectedGlass(QColor behind, ColorScheme scheme, const FenceModel& fence)
{
    QImage pixel(1, 1, QImage::Format_RGB32);
    pixel.fill(behind);
    QPainter painter(&pixel);
    painter.fillRect(pixel.rect(), DesktopFencePanel::frostWash(scheme));
    painter.fillRect(pixel.rect(), GlassPalette::regularGlassBase(scheme));
    const LiquidGlassSurfaceModifier glass = liquidGlassSurface(
        fence.style.tint, fence.style.cornerRadius, fence.style.glassOpacity, true, false, false);
    painter.fillRect(pixel.rect(), glass.glassTintColor());
    painter.end();
    return pixel.pixelColor(0, 0);
}

// A desk of fences of each kind, shown by the program's panel manager on the real screen.
struct Desk : TwoWorkspaceStore {
    FenceModel notes;
    FenceModel checklist;
    FenceModel curated;
    FenceModel portal;
    std::unique_ptr<DesktopPanelManager> manager;

    Desk()
    {
        const QString folder = path(u"项目资料"_s);
        QDir().mkpath(folder);
        for (const QString& name : {u"提案.md"_s, u"预算.xlsx"_s, u"封面.png"_s, u"会议纪要.txt"_s})
            StoreFixture::writeFile(folder + u'/' + name, "x");

        notes = appendFence(desk, u"灵感便笺"_s, {plainTab(FenceKind::notes, u"便笺"_s)});
        checklist = appendFence(desk, u"今日待办"_s, {plainTab(FenceKind::checklist, u"待办"_s)});
        curated = appendFence(desk, u"快捷启动"_s, {plainTab(FenceKind::curated, u"常用"_s)});
        FenceTab portalTab = plainTab(FenceKind::portal, u"资料"_s);
        portalTab.portalPath = folder;
        portal = appendFence(desk, u"项目资料"_s, {portalTab});
        const struct {
            QUuid id;
            QRect window;
            FenceTintPalette tint;
        } layout[] = {
            {notes.id, QRect(80, 80, 340, 280), FenceTintPalette::cerulean},
            {checklist.id, QRect(480, 80, 300, 260), FenceTintPalette::mint},
            {curated.id, QRect(80, 480, 340, 260), FenceTintPalette::amber},
            {portal.id, QRect(1000, 80, 360, 320), FenceTintPalette::violet},
        };
        QList<FenceModel> fences = store->fences();
        for (FenceModel& fence : fences)
            for (const auto& place : layout)
                if (fence.id == place.id) {
                    fence.desktopFrame = modelFrame(place.window);
                    fence.style.tint = place.tint;
                    fence.style.cornerRadius = 22;
                    fence.style.glassOpacity = 0.72;
                }
        if (!store->setFences(fences))
            qFatal("the store refused the desk's fences");
        store->addTask(u"整理桌面"_s, checklist.id);
        store->addTask(u"回复邮件"_s, checklist.id);
        notes = *store->fence(notes.id);
        manager = std::make_unique<DesktopPanelManager>(*store);
    }

    DesktopFencePanel& panel(const FenceModel& fence) const { return *manager->panel(fence.id); }

    bool exposed() const
    {
        for (const QUuid& id : manager->shownFenceIDs())
            if (!QTest::qWaitForWindowExposed(manager->panel(id), exposeTimeout))
                return false;
        // The window manager has the windows and the first frames are painted.
        QTest::qWait(400);
        return true;
    }
};

// xcompmgr on the test's display, for as long as it is held.
class Compositor final {
public:
    static bool isInstalled() { return !QStandardPaths::findExecutable(u"xcompmgr"_s).isEmpty(); }

    bool start()
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(u"xcompmgr"_s, {u"-n"_s});
        return m_process.waitForStarted(5000);
    }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    ~Compositor() { stop(); }

private:
    QProcess m_process;
};

QString screensFolder()
{
    const QString folder = QStringLiteral(MORVANTEEL_BUILD_DIR "/screens");
    QDir().mkpath(folder);
    return folder;
}

} // namespace

class DesktopGlassTest final : public QObject {
    Q_OBJECT

private:
    X11DesktopClient m_desktop;
    const QColor m_blue{30, 60, 190};
    const QColor m_gold{235, 200, 70};
    const QColor m_green{20, 150, 80};
    const QColor m_rose{230, 120, 150};

    // The inside of a fence's glass away from its text, sheen and hairline: a band above its
    // bottom edge.
    static QRect interior(const QRect& window)
    {
        return QRect(window.x() + 30, window.bottom() - 60, window.width() - 60, 36);
    }

    // The wallpaper where the shape leaves a fence's corner, and the glass frosted from it inside.
    void checkFrostedFence(const QImage& screen, const QImage& wallpaper, const FenceModel& fence, const QRect& window)
    {
        for (const QPoint corner : {window.topLeft() + QPoint(1, 1), window.topRight() + QPoint(-1, 1),
                                    window.bottomLeft() + QPoint(1, -1), window.bottomRight() + QPoint(-1, -1)})
            QVERIFY2(screen.pixel(corner) == wallpaper.pixel(corner),
                     qPrintable(u"the corner at %1,%2 shows %3, the wallpaper there is %4"_s.arg(corner.x())
                                    .arg(corner.y())
                                    .arg(describe(screen.pixelColor(corner)), describe(wallpaper.pixelColor(corner)))));
        const QRect inside = interior(window);
        const Spread glass = spreadOf(screen, inside);
        const Spread behind = spreadOf(wallpaper, inside);
        QVERIFY2(glass.range * 6 < behind.range,
                 qPrintable(u"the stripes still span %1 of %2 in the glass"_s.arg(glass.range).arg(behind.range)));
        const QColor expected = expectedGlass(behind.mean, ColorScheme::light, fence);
        QVERIFY2(near(glass.mean, expected, 12),
                 qPrintable(u"the glass is %1 on average, frosted from %2 it would be %3"_s.arg(
                     describe(glass.mean), describe(behind.mean), describe(expected))));
    }

    bool compositorRunning(bool running)
    {
        return QTest::qWaitFor(
            [&] { return m_desktop.isComposited() == running && platform::CompositorWatch::instance().isComposited() == running; },
            followTimeout);
    }

    // xcompmgr running over `wallpaper`; false, with a warning, where it did not start.
    bool startCompositor(Compositor& compositor, const QImage& wallpaper)
    {
        m_desktop.setWallpaper(wallpaper);
        if (compositor.start() && compositorRunning(true))
            return true;
        qWarning("xcompmgr did not take the compositor's selection");
        return false;
    }

    void saveScreen(const QString& name)
    {
        const QImage screen = m_desktop.screen();
        QVERIFY(!screen.isNull());
        QVERIFY(screen.save(QDir(screensFolder()).filePath(name)));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_desktop.isConnected());
        installGlassLook(*qApp);
        QCOMPARE(m_desktop.screenSize(), QSize(1440, 900));
    }

    void cleanup() { QApplication::setPalette(paletteFor(ColorScheme::light)); }

    void withoutACompositorFencesAreShapedAndFrostedFromTheWallpaper()
    {
        QVERIFY(!m_desktop.isComposited());
        const QImage wallpaper = stripes(m_desktop.screenSize(), m_blue, m_gold);
        m_desktop.setWallpaper(wallpaper);
        Desk desk;
        QVERIFY(desk.exposed());
        QCOMPARE(platform::CompositorWatch::instance().state(), platform::CompositorWatch::State::notComposited);
        DesktopFencePanel& notes = desk.panel(desk.notes);
        QVERIFY(notes.windowGlass().needsOpaqueBackdrop());
        const QRect window = notes.geometry();
        checkFrostedFence(m_desktop.screen(), wallpaper, desk.notes, window);
        if (QTest::currentTestFailed())
            return;

        // A new wallpaper: the fence follows it.
        const QImage next = stripes(m_desktop.screenSize(), m_green, m_rose);
        m_desktop.setWallpaper(next);
        const QColor expected = expectedGlass(spreadOf(next, interior(window)).mean, ColorScheme::light, desk.notes);
        QVERIFY2(QTest::qWaitFor([&] { return near(spreadOf(m_desktop.screen(), interior(window)).mean, expected, 12); },
                                 followTimeout),
                 qPrintable(u"the glass stayed %1, not %2"_s.arg(describe(spreadOf(m_desktop.screen(), interior(window)).mean),
                                                                   describe(expected))));
        checkFrostedFence(m_desktop.screen(), next, desk.notes, window);
        if (QTest::currentTestFailed())
            return;

        // A moved fence shows the wallpaper under its new place (here the same stripes, so the
        // same glass), and its old place shows the wallpaper again. Away from the other fences,
        // so that nothing snaps it elsewhere.
        notes.move(QPoint(560, 460));
        QVERIFY(QTest::qWaitFor(
            [&] { return m_desktop.screen().pixel(interior(window).center()) == next.pixel(interior(window).center()); },
            followTimeout));
        QTest::qWait(400);
        const QImage screen = m_desktop.screen();
        checkFrostedFence(screen, next, desk.notes, notes.geometry());
        if (QTest::currentTestFailed())
            return;
        // The move snapped the fence to its neighbour and showed the guide lines, in a window
        // over the whole screen that must not black it out.
        QVERIFY(desk.manager->snapOverlay().isVisible());
        const QPoint open(1200, 600);
        QCOMPARE(screen.pixel(open), next.pixel(open));
    }

    // Some wallpaper setters name their pixmap only in the older property.
    void aWallpaperNamedInTheOlderPropertyIsFrostedToo()
    {
        const QImage wallpaper = stripes(m_desktop.screenSize(), m_rose, m_blue);
        m_desktop.setWallpaper(wallpaper, "ESETROOT_PMAP_ID");
        Desk desk;
        QVERIFY(desk.exposed());
        checkFrostedFence(m_desktop.screen(), wallpaper, desk.notes, desk.panel(desk.notes).geometry());
    }

    // With no wallpaper pixmap to read, the glass is frosted from the workspace's painted
    // wallpaper, never left black.
    void withoutAWallpaperPixmapTheGlassIsFrostedFromThePaintedWallpaper()
    {
        const QColor plain(90, 110, 100);
        m_desktop.setPlainBackground(plain);
        Desk desk;
        QVERIFY(desk.exposed());
        const QRect window = desk.panel(desk.notes).geometry();
        const QImage screen = m_desktop.screen();
        QCOMPARE(screen.pixelColor(window.topLeft() + QPoint(1, 1)), plain);
        QImage painted(m_desktop.screenSize(), QImage::Format_RGB32);
        {
            QPainter painter(&painted);
            LiquidGlassWallpaperBackdrop::paint(painter, QRectF(painted.rect()), WallpaperPreset::tahoeAurora,
                                                ColorScheme::light);
        }
        const QRect inside = interior(window);
        const QImage frosted =
            frostedGlassImage(painted, inside, DesktopFencePanel::frostBlurRadius, Qt::transparent);
        const QColor expected = expectedGlass(spreadOf(frosted, frosted.rect()).mean, ColorScheme::light, desk.notes);
        const QColor shown = spreadOf(screen, inside).mean;
        QVERIFY2(near(shown, expected, 14), qPrintable(u"the glass is %1, frosted from the painted wallpaper it "
                                                       u"would be %2"_s.arg(describe(shown), describe(expected))));
    }

    void theSearchPanelWithoutACompositorIsRounded()
    {
        const QImage wallpaper = stripes(m_desktop.screenSize(), m_blue, m_gold);
        m_desktop.setWallpaper(wallpaper);
        Desk desk;
        QVERIFY(desk.exposed());
        // The desk as it is before the panel comes: the panel's corners show it, fences and all.
        const QImage before = m_desktop.screen();
        SpotSearchWindowController search(*desk.store, *desk.manager);
        search.show();
        QVERIFY(QTest::qWaitForWindowExposed(search.panel(), exposeTimeout));
        QTest::qWait(500);
        const QRect frame = search.panel()->geometry();
        const QImage screen = m_desktop.screen();
        for (const QPoint corner : {frame.topLeft() + QPoint(2, 2), frame.topRight() + QPoint(-2, 2),
                                    frame.bottomLeft() + QPoint(2, -2), frame.bottomRight() - QPoint(2, 2)})
            QCOMPARE(screen.pixel(corner), before.pixel(corner));
        QVERIFY(screen.pixel(frame.center()) != before.pixel(frame.center()));
        // Its see-through glass lies over an opaque light fill, never over black: light below
        // its rows.
        const QColor body = screen.pixelColor(frame.center().x(), frame.bottom() - 60);
        QVERIFY2(body.lightness() > 200, qPrintable(describe(body)));
    }

    void aRolledUpFenceIsShapedAsItsCapsule()
    {
        const QImage wallpaper = stripes(m_desktop.screenSize(), m_blue, m_gold);
        m_desktop.setWallpaper(wallpaper);
        Desk desk;
        QVERIFY(desk.exposed());
        desk.store->setCollapsed(desk.notes.id, true);
        DesktopFencePanel& notes = desk.panel(desk.notes);
        QTRY_COMPARE_WITH_TIMEOUT(notes.height(), 46, followTimeout);
        QTest::qWait(400);
        const QRect pill = notes.geometry();
        const QImage screen = m_desktop.screen();
        // The capsule's ends are round: the window's corners show the wallpaper; its middle row
        // reaches nearly to both ends.
        for (const QPoint corner : {pill.topLeft() + QPoint(2, 2), pill.bottomLeft() + QPoint(2, -2),
                                    pill.topRight() + QPoint(-2, 2), pill.bottomRight() + QPoint(-2, -2)})
            QCOMPARE(screen.pixel(corner), wallpaper.pixel(corner));
        const Spread ends = spreadOf(screen, QRect(pill.left() + 4, pill.top() + 20, 4, 6));
        QVERIFY2(ends.range < 60, qPrintable(u"the capsule's end shows stripes: %1"_s.arg(ends.range)));
    }

    void aMenuWithoutACompositorIsRounded()
    {
        const QImage wallpaper = stripes(m_desktop.screenSize(), m_blue, m_gold);
        m_desktop.setWallpaper(wallpaper);
        platform::installRoundedMenuGlass(GlassStyle::menuCornerRadius);
        QMenu menu;
        for (const QString& text : {u"打开控制中心"_s, u"全部卷起"_s, u"退出"_s})
            menu.addAction(text);
        menu.popup(QPoint(600, 500));
        QVERIFY(QTest::qWaitForWindowExposed(&menu, exposeTimeout));
        QTest::qWait(300);
        const QRect frame = menu.geometry();
        const QImage screen = m_desktop.screen();
        QCOMPARE(screen.pixel(frame.topLeft() + QPoint(1, 1)), wallpaper.pixel(frame.topLeft() + QPoint(1, 1)));
        QCOMPARE(screen.pixel(frame.bottomRight() - QPoint(1, 1)),
                 wallpaper.pixel(frame.bottomRight() - QPoint(1, 1)));
        QVERIFY(screen.pixel(frame.center()) != wallpaper.pixel(frame.center()));
        menu.close();
    }

    void withACompositorFencesAreSeeThroughAndAskForBlur()
    {
        if (!Compositor::isInstalled())
            QSKIP("xcompmgr is not installed (scripts/setup installs it)");
        const QImage wallpaper = stripes(m_desktop.screenSize(), m_blue, m_gold);
        Compositor compositor;
        QVERIFY(startCompositor(compositor, wallpaper));
        Desk desk;
        QVERIFY(desk.exposed());
        DesktopFencePanel& notes = desk.panel(desk.notes);
        const auto window = xcb_window_t(notes.winId());
        QCOMPARE(m_desktop.visualDepth(window), 32);
        QVERIFY(!notes.windowGlass().needsOpaqueBackdrop());
        bool isSet = false;
        const QList<uint32_t> region = m_desktop.cardinals(window, platform::WindowGlass::blurBehindProperty, &isSet);
        QVERIFY(isSet);
        // Rectangles (x, y, width, height) within the window, the widest as wide as the window.
        QVERIFY(!region.isEmpty() && region.size() % 4 == 0);
        uint32_t widest = 0;
        for (qsizetype i = 0; i < region.size(); i += 4)
            widest = std::max(widest, region[i + 2]);
        QCOMPARE(int(widest), notes.width());

        // Rolled up: a 46-high capsule, its title inside, its corners see-through.
        desk.store->setCollapsed(desk.notes.id, true);
        QTRY_COMPARE_WITH_TIMEOUT(notes.height(), 46, followTimeout);
        QTest::qWait(500);
        const QRect pill = notes.geometry();
        const QImage screen = m_desktop.screen();
        for (const QPoint corner : {pill.topLeft() + QPoint(1, 1), pill.bottomLeft() + QPoint(1, -1),
                                    pill.topRight() + QPoint(-1, 1), pill.bottomRight() + QPoint(-1, -1)})
            QCOMPARE(screen.pixel(corner), wallpaper.pixel(corner));
        // The capsule fills the window's height in its middle, and its round ends.
        for (const QPoint glass : {QPoint(pill.center().x(), pill.top() + 2), QPoint(pill.center().x(), pill.bottom() - 2),
                                   QPoint(pill.left() + 6, pill.center().y()), QPoint(pill.right() - 6, pill.center().y())}) {
            const Spread around = spreadOf(screen, QRect(glass - QPoint(2, 0), QSize(5, 1)));
            const Spread stripesThere = spreadOf(wallpaper, QRect(glass - QPoint(2, 0), QSize(5, 1)));
            QVERIFY2(around.range * 2 < stripesThere.range || !near(around.mean, stripesThere.mean, 30),
                     qPrintable(u"no glass at %1,%2"_s.arg(glass.x()).arg(glass.y())));
        }
        // The title: ink across the capsule's middle, well apart from the glass around it.
        const QRect titleRow(pill.left() + 40, pill.top() + 16, 120, 14);
        int ink = 0;
        const QColor glassThere = screen.pixelColor(pill.left() + 40, pill.top() + 6);
        for (int y = titleRow.top(); y <= titleRow.bottom(); ++y)
            for (int x = titleRow.left(); x <= titleRow.right(); ++x)
                if (!near(screen.pixelColor(x, y), glassThere, 70))
                    ++ink;
        QVERIFY2(ink > 40, qPrintable(u"%1 pixels of title ink"_s.arg(ink)));
        desk.store->setCollapsed(desk.notes.id, false);
        QTRY_VERIFY_WITH_TIMEOUT(notes.height() > 46, followTimeout);

        // The compositor ends: the fence gives up the blur and takes its shape and frosting.
        compositor.stop();
        QVERIFY2(compositorRunning(false), "the end of the compositor went unnoticed");
        QTRY_VERIFY_WITH_TIMEOUT(notes.windowGlass().needsOpaqueBackdrop(), followTimeout);
        QTRY_VERIFY_WITH_TIMEOUT((m_desktop.cardinals(window, platform::WindowGlass::blurBehindProperty, &isSet), !isSet),
                                 followTimeout);
        QTest::qWait(600);
        checkFrostedFence(m_desktop.screen(), wallpaper, desk.notes, notes.geometry());
    }

    // xcompmgr blurs nothing: the fence frosts the wallpaper under its glass itself, see-through
    // only at its corners, until a compositor announces on the root that it blurs behind windows.
    void underACompositorThatDoesNotBlurFencesFrostTheWallpaperThemselves()
    {
        if (!Compositor::isInstalled())
            QSKIP("xcompmgr is not installed (scripts/setup installs it)");
        const QImage wallpaper = stripes(m_desktop.screenSize(), m_blue, m_gold);
        m_desktop.announceOnRoot(platform::WindowGlass::blurBehindProperty, false);
        Compositor compositor;
        QVERIFY(startCompositor(compositor, wallpaper));
        Desk desk;
        QVERIFY(desk.exposed());
        DesktopFencePanel& notes = desk.panel(desk.notes);
        const QRect frame = notes.geometry();
        QCOMPARE(m_desktop.visualDepth(xcb_window_t(notes.winId())), 32);
        QVERIFY(!platform::CompositorWatch::instance().blursBehind());
        QVERIFY(notes.windowGlass().needsFrostedBackdrop());
        const auto asksForBlur = [&] {
            bool isSet = false;
            m_desktop.cardinals(xcb_window_t(notes.winId()), platform::WindowGlass::blurBehindProperty, &isSet);
            return isSet;
        };
        QVERIFY(asksForBlur());
        checkFrostedFence(m_desktop.screen(), wallpaper, desk.notes, frame);
        if (QTest::currentTestFailed())
            return;

        // Announced: the compositor's blur is the backdrop, the fence paints none, and its
        // translucent glass shows the stripes (this compositor does not really blur them).
        const int stripesBehind = spreadOf(wallpaper, interior(frame)).range;
        const auto stripesThroughGlass = [&] { return spreadOf(m_desktop.screen(), interior(frame)).range; };
        m_desktop.announceOnRoot(platform::WindowGlass::blurBehindProperty);
        QTRY_VERIFY_WITH_TIMEOUT(platform::CompositorWatch::instance().blursBehind(), followTimeout);
        QVERIFY(!notes.windowGlass().needsFrostedBackdrop());
        QVERIFY2(QTest::qWaitFor([&] { return stripesThroughGlass() * 4 > stripesBehind; }, followTimeout),
                 qPrintable(u"the stripes span %1 of %2 through the glass"_s.arg(stripesThroughGlass()).arg(stripesBehind)));
        QVERIFY(asksForBlur());

        // Taken away again: the frosting comes back.
        m_desktop.announceOnRoot(platform::WindowGlass::blurBehindProperty, false);
        QTRY_VERIFY_WITH_TIMEOUT(!platform::CompositorWatch::instance().blursBehind(), followTimeout);
        QVERIFY(notes.windowGlass().needsFrostedBackdrop());
        QVERIFY2(QTest::qWaitFor([&] { return stripesThroughGlass() * 6 < stripesBehind; }, followTimeout),
                 qPrintable(u"the stripes span %1 of %2 through the glass"_s.arg(stripesThroughGlass()).arg(stripesBehind)));
        QTest::qWait(300);
        checkFrostedFence(m_desktop.screen(), wallpaper, desk.notes, frame);
        QVERIFY(asksForBlur());
    }

    void screenshotsOfTheWholeDesktop()
    {
        const QImage wallpaper = stripes(m_desktop.screenSize(), QColor(52, 92, 160), QColor(214, 150, 110));
        m_desktop.setWallpaper(wallpaper);
        Compositor compositor;
        for (const bool composited : {false, true}) {
            if (composited) {
                if (!Compositor::isInstalled())
                    break;
                QVERIFY(compositor.start());
                QVERIFY(compositorRunning(true));
            }
            for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
                QApplication::setPalette(paletteFor(scheme));
                Desk desk;
                desk.store->setCollapsed(desk.curated.id, true);
                QVERIFY(desk.exposed());
                QTRY_COMPARE_WITH_TIMEOUT(desk.panel(desk.curated).height(), 46, followTimeout);
                QTest::qWait(400);
                saveScreen(u"desktop-%1-%2.png"_s.arg(composited ? u"composited"_s : u"plain"_s,
                                                      scheme == ColorScheme::dark ? u"dark"_s : u"light"_s));
                // And with the search panel over the fences.
                SpotSearchWindowController search(*desk.store, *desk.manager);
                search.show();
                QVERIFY(QTest::qWaitForWindowExposed(search.panel(), exposeTimeout));
                QTest::qWait(500);
                saveScreen(u"desktop-search-%1-%2.png"_s.arg(composited ? u"composited"_s : u"plain"_s,
                                                      scheme == ColorScheme::dark ? u"dark"_s : u"light"_s));
            }
        }
        compositor.stop();
    }
};

MORVANTEEL_X11_TEST_MAIN(DesktopGlassTest)
#include "tst_desktopglass.moc"
