#include "core/engine/PortalScan.h"
#include "core/store/support/StoreFixture.h"
#include "design/DesignEnvironment.h"
#include "design/FenceChecklistListView.h"
#include "design/FenceHeaderView.h"
#include "design/FenceItemGridTile.h"
#include "design/FenceNoteEditorView.h"
#include "design/FenceRollUpPillView.h"
#include "design/FenceTabStripView.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassPillButton.h"
#include "desktop/controlcenter/CompanionBentoGrid.h"
#include "desktop/controlcenter/CompanionCanvasPreviewTabView.h"
#include "desktop/controlcenter/CompanionDeviceScreen.h"
#include "desktop/controlcenter/CompanionDeviceStage.h"
#include "desktop/controlcenter/CompanionFenceCard.h"
#include "desktop/controlcenter/CompanionSegmentedPicker.h"
#include "desktop/controlcenter/CompanionSpatialCanvas.h"
#include "desktop/controlcenter/ControlCenterPages.h"
#include "desktop/shell/DesktopPanelManager.h"
#include "desktop/shell/TopPinnedContentView.h"

#include <QDir>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListView>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(mv::FenceFrameRect)
Q_DECLARE_METATYPE(mv::CompanionDeviceKind)
Q_DECLARE_METATYPE(mv::ColorScheme)
Q_DECLARE_METATYPE(mv::iOSLayoutMode)

namespace {

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

FenceChecklistTask task(const QString& title)
{
    FenceChecklistTask t;
    t.id = mv::newUuid();
    t.title = title;
    return t;
}

FenceItem item(const QString& title)
{
    FenceItem i;
    i.id = mv::newUuid();
    i.title = title;
    i.kind = FenceItemKind::url;
    i.target = u"https://example.org/"_s + title;
    i.symbolName = u"link"_s;
    return i;
}

// The real page over a store on a temporary folder, shown offscreen, with the desktop's panels
// following the same store.
struct PageFixture : TwoWorkspaceStore {
    DesignEnvironment environment;
    std::unique_ptr<DesktopPanelManager> manager;
    std::unique_ptr<QWidget> page;

    FenceModel addFence(const QString& title, const QList<FenceTab>& tabs, const FenceFrameRect& canvasFrame = {40, 40, 260, 200},
                        bool collapsed = false)
    {
        FenceModel fence = appendFence(desk, title, tabs);
        fence.canvasFrame = canvasFrame;
        fence.isCollapsed = collapsed;
        fence.bentoOrder = int(store->activeFences().size());
        QList<FenceModel> fences = store->fences();
        fences.last() = fence;
        if (!store->setFences(fences))
            qFatal("the store refused a test fence");
        store->save();
        return fence;
    }

    bool show()
    {
        manager = std::make_unique<DesktopPanelManager>(*store);
        ControlCenterPageInputs inputs{*store, *manager, &environment, {}, {}, ControlCenterFileDialogs{}};
        page.reset(makeControlCenterPage(ControlCenterTab::companion, inputs));
        if (!page)
            return false;
        page->resize(900, 900);
        page->show();
        if (!QTest::qWaitForWindowExposed(page.get()))
            return false;
        settle();
        return true;
    }

    CompanionCanvasPreviewTabView* view() const { return static_cast<CompanionCanvasPreviewTabView*>(page.get()); }
    CompanionDeviceScreen* screen() const { return view()->screen(); }
    CompanionFenceCard* card(const QUuid& id) const { return screen()->card(id); }
    CompanionSpatialCanvas* canvas() const { return screen()->canvas(); }

    void chooseLayout(iOSLayoutMode layout) const
    {
        LiquidGlassPillButton* segment = view()->layoutPicker()->segments().at(int(layout));
        QTest::mouseClick(segment, Qt::LeftButton);
        settle();
    }

    // The layout the store prefers, before the page is shown.
    void preferLayout(iOSLayoutMode layout)
    {
        GlobalPreferences preferences = store->preferences();
        preferences.preferrediOSLayout = layout;
        store->setPreferences(preferences);
    }

    // The pointer on a card's header (or pill), in canvas points: each position is mapped
    // through the card as it has moved so far, as a pointer held over it would be.
    struct Pointer {
        const PageFixture& page;
        QWidget* from;
        QPointF start;

        QPoint local(QPointF offset) const { return from->mapFrom(page.canvas(), (start + offset).toPoint()); }
        void press() const { QTest::mousePress(from, Qt::LeftButton, {}, local({})); }
        void moveBy(QPointF offset) const { QTest::mouseMove(from, local(offset)); }
        void releaseAt(QPointF offset) const
        {
            QTest::mouseRelease(from, Qt::LeftButton, {}, local(offset));
            settle();
        }
    };

    Pointer pointerOn(const QUuid& id) const { return Pointer{*this, grabWidget(id), grabPoint(id)}; }

    // A whole drag of a card by `translation`, in steps.
    void drag(const QUuid& id, QPointF translation, int steps = 5) const
    {
        const Pointer pointer = pointerOn(id);
        pointer.press();
        for (int i = 1; i <= steps; ++i)
            pointer.moveBy(translation * i / steps);
        pointer.releaseAt(translation);
    }

    // A point on the card's header (or pill) in canvas points.
    QPointF grabPoint(const QUuid& id) const
    {
        const QRect geometry = card(id)->geometry();
        return QPointF(geometry.left() + 60, geometry.top() + 20);
    }

    QWidget* grabWidget(const QUuid& id) const
    {
        CompanionFenceCard* c = card(id);
        return c->isRolledUp() ? static_cast<QWidget*>(c->pill()) : static_cast<QWidget*>(c->header());
    }

    QJsonObject savedPreferences() const
    {
        return QJsonDocument::fromJson(stateOnDisk()).object().value(u"preferences"_s).toObject();
    }
};

} // namespace

class CompanionCanvasPreviewTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void canvasDrawsAndDrops_data();
    void canvasDrawsAndDrops();
    void dropKeepsAMoveMadeMeanwhile();
    void fenceRemovedDuringADrag();
    void farCardGrowsTheCanvas();
    void collapsedCardIsItsPill();
    void devices_data();
    void devices();
    void deviceScale_data();
    void deviceScale();
    void portalShowsSixTiles();
    void curatedShowsSixTiles();
    void tickingReachesTheDesktop();
    void tabStrip_data();
    void tabStrip();
    void noteKeepsCursorAndComposition();
    void spatialCanvasIsSaved();
    void workspaceBadgeAndCount();
    void screenshots_data();
    void screenshots();
};

// A card is drawn at least 240 × 180; a drop stores the frame as the store held it plus the
// drag's translation, no closer to the origin than 8, with the stored size unchanged.
void CompanionCanvasPreviewTest::canvasDrawsAndDrops_data()
{
    QTest::addColumn<FenceFrameRect>("frame");
    QTest::addColumn<QPointF>("translation");
    QTest::addColumn<QSize>("drawn");
    QTest::addColumn<FenceFrameRect>("stored");
    QTest::newRow("small, 20 to the right") << FenceFrameRect{40, 60, 100, 50} << QPointF(20, 0) << QSize(240, 180)
                                             << FenceFrameRect{60, 60, 100, 50};
    QTest::newRow("past the origin") << FenceFrameRect{30, 20, 300, 200} << QPointF(-100, -100) << QSize(300, 200)
                                     << FenceFrameRect{8, 8, 300, 200};
    QTest::newRow("down and left") << FenceFrameRect{200, 100, 320, 260} << QPointF(-50, 40) << QSize(320, 260)
                                   << FenceFrameRect{150, 140, 320, 260};
}

void CompanionCanvasPreviewTest::canvasDrawsAndDrops()
{
    QFETCH(FenceFrameRect, frame);
    QFETCH(QPointF, translation);
    QFETCH(QSize, drawn);
    QFETCH(FenceFrameRect, stored);
    PageFixture f;
    const FenceModel fence = f.addFence(u"画布"_s, {plainTab(FenceKind::notes, u"便笺"_s)}, frame);
    f.preferLayout(iOSLayoutMode::spatialCanvas);
    QVERIFY(f.show());
    CompanionFenceCard* card = f.card(fence.id);
    QCOMPARE(card->parentWidget(), f.canvas());
    QCOMPARE(card->geometry(), QRect(QPoint(int(frame.x), int(frame.y)), drawn));

    const int writesBefore = f.savedStateWrites();
    const PageFixture::Pointer pointer = f.pointerOn(fence.id);
    pointer.press();
    pointer.moveBy(translation / 2);
    // The card follows the pointer; nothing is written during the drag.
    QCOMPARE(f.canvas()->dragOffsets().value(fence.id), translation / 2);
    QCOMPARE(card->pos(), QPoint(int(frame.x), int(frame.y)) + (translation / 2).toPoint());
    QCOMPARE(f.store->fence(fence.id)->canvasFrame, frame);
    pointer.moveBy(translation);
    pointer.releaseAt(translation);

    QCOMPARE(f.store->fence(fence.id)->canvasFrame, stored);
    QCOMPARE(f.savedStateWrites(), writesBefore + 1);
    QVERIFY(f.canvas()->dragOffsets().isEmpty());
    QCOMPARE(card->geometry(), QRect(QPoint(int(stored.x), int(stored.y)), drawn));
}

// The drop reads the fence when it lands: a size or place written by another road during the
// drag is the base, not the frame the card was drawn with.
void CompanionCanvasPreviewTest::dropKeepsAMoveMadeMeanwhile()
{
    PageFixture f;
    const FenceModel fence = f.addFence(u"画布"_s, {plainTab(FenceKind::notes, u"便笺"_s)}, {100, 100, 260, 200});
    f.preferLayout(iOSLayoutMode::spatialCanvas);
    QVERIFY(f.show());
    const PageFixture::Pointer pointer = f.pointerOn(fence.id);
    pointer.press();
    pointer.moveBy(QPointF(30, 30));
    // Meanwhile another road renames the fence and gives it a new frame.
    f.store->renameFence(fence.id, u"新名字"_s);
    f.store->updateCanvasFrame(fence.id, {200, 150, 300, 220});
    pointer.moveBy(QPointF(40, 20));
    pointer.releaseAt(QPointF(40, 20));
    const FenceModel now = *f.store->fence(fence.id);
    QCOMPARE(now.canvasFrame, (FenceFrameRect{240, 170, 300, 220}));
    QCOMPARE(now.title, u"新名字"_s);
}

void CompanionCanvasPreviewTest::fenceRemovedDuringADrag()
{
    PageFixture f;
    const FenceModel fence = f.addFence(u"画布"_s, {plainTab(FenceKind::notes, u"便笺"_s)});
    const FenceModel other = f.addFence(u"其他"_s, {plainTab(FenceKind::notes, u"便笺"_s)}, {320, 300, 260, 200});
    f.preferLayout(iOSLayoutMode::spatialCanvas);
    QVERIFY(f.show());
    const PageFixture::Pointer pointer = f.pointerOn(fence.id);
    pointer.press();
    pointer.moveBy(QPointF(30, 0));
    f.store->deleteFence(fence.id);
    QVERIFY(!f.card(fence.id));
    QVERIFY(f.canvas()->dragOffsets().isEmpty());
    settle(); // the card is deleted now
    QVERIFY(!f.store->fence(fence.id));
    QCOMPARE(f.store->fence(other.id)->canvasFrame, (FenceFrameRect{320, 300, 260, 200}));
    // The grid, which held the card before the canvas did, lets it go too.
    f.view()->setDevice(CompanionDeviceKind::iPad);
    f.chooseLayout(iOSLayoutMode::bentoGrid);
    f.view()->setDevice(CompanionDeviceKind::iPhone);
    QCOMPARE(f.card(other.id)->parentWidget(), f.screen()->bentoGrid());
    f.chooseLayout(iOSLayoutMode::spatialCanvas);
    // The canvas goes on: the other card still drags.
    f.drag(other.id, QPointF(0, 25));
    QCOMPARE(f.store->fence(other.id)->canvasFrame, (FenceFrameRect{320, 325, 260, 200}));
}

// A card dropped past the 780 × 640 area stays reachable: the canvas grows to cover it, the
// scroll area scrolls to it, and it can be dragged back.
void CompanionCanvasPreviewTest::farCardGrowsTheCanvas()
{
    PageFixture f;
    const FenceModel fence = f.addFence(u"远方"_s, {plainTab(FenceKind::notes, u"便笺"_s)}, {600, 500, 260, 200});
    QVERIFY(f.show());
    f.chooseLayout(iOSLayoutMode::spatialCanvas);
    QCOMPARE(f.canvas()->size(), QSize(868, 708));

    f.drag(fence.id, QPointF(500, 400));
    QCOMPARE(f.store->fence(fence.id)->canvasFrame, (FenceFrameRect{1100, 900, 260, 200}));
    QVERIFY(QRect(QPoint(0, 0), f.canvas()->size()).contains(f.card(fence.id)->geometry()));
    QScrollArea* scroll = f.screen()->canvasScrollArea();
    scroll->ensureWidgetVisible(f.card(fence.id), 0, 0);
    QVERIFY(scroll->horizontalScrollBar()->value() > 0);
    QVERIFY(scroll->verticalScrollBar()->value() > 0);

    f.drag(fence.id, QPointF(-1000, -800));
    QCOMPARE(f.store->fence(fence.id)->canvasFrame, (FenceFrameRect{100, 100, 260, 200}));
    QCOMPARE(f.canvas()->size(), QSize(780, 640));
}

// A rolled-up fence is drawn 46 high on the canvas as its pill, whatever its stored height;
// the pill's double click expands it in the store.
void CompanionCanvasPreviewTest::collapsedCardIsItsPill()
{
    PageFixture f;
    const FenceModel fence = f.addFence(u"收起"_s, {plainTab(FenceKind::notes, u"便笺"_s)}, {50, 70, 200, 400}, true);
    QVERIFY(f.show());
    f.chooseLayout(iOSLayoutMode::spatialCanvas);
    CompanionFenceCard* card = f.card(fence.id);
    QVERIFY(card->isRolledUp());
    QVERIFY(card->pill()->isVisible());
    QVERIFY(!card->surface()->isVisible());
    QCOMPARE(card->geometry(), QRect(50, 70, 240, 46));

    QTest::mouseDClick(card->pill(), Qt::LeftButton);
    settle();
    QVERIFY(!f.store->fence(fence.id)->isCollapsed);
    QVERIFY(!card->isRolledUp());
    QCOMPARE(card->geometry(), QRect(50, 70, 240, 400));
    // The header's collapse button rolls it up again.
    card->header()->onToggleCollapse();
    QVERIFY(f.store->fence(fence.id)->isCollapsed);
    QCOMPARE(card->height(), 46);
}

void CompanionCanvasPreviewTest::devices_data()
{
    QTest::addColumn<CompanionDeviceKind>("device");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<double>("radius");
    QTest::addColumn<bool>("capsule");
    QTest::addColumn<int>("columns");
    QTest::newRow("phone") << CompanionDeviceKind::iPhone << QSize(393, 740) << 44.0 << true << 1;
    QTest::newRow("tablet") << CompanionDeviceKind::iPad << QSize(740, 540) << 28.0 << false << 2;
}

// The device picker changes the screen, its corners, the capsule and the grid's columns.
void CompanionCanvasPreviewTest::devices()
{
    QFETCH(CompanionDeviceKind, device);
    QFETCH(QSize, screen);
    QFETCH(double, radius);
    QFETCH(bool, capsule);
    QFETCH(int, columns);
    PageFixture f;
    const FenceModel first = f.addFence(u"一"_s, {plainTab(FenceKind::notes, u"便笺"_s)});
    const FenceModel second = f.addFence(u"二"_s, {plainTab(FenceKind::checklist, u"清单"_s)});
    QVERIFY(f.show());
    QCOMPARE(f.view()->device(), CompanionDeviceKind::iPhone);
    QTest::mouseClick(f.view()->devicePicker()->segments().at(int(device)), Qt::LeftButton);
    settle();
    QCOMPARE(f.view()->device(), device);
    QCOMPARE(f.view()->devicePicker()->currentIndex(), int(device));
    QCOMPARE(f.screen()->size(), screen);
    QCOMPARE(f.view()->stage()->cornerRadius(), radius);
    QCOMPARE(f.screen()->topCapsule()->isVisible(), capsule);
    QCOMPARE(f.screen()->bentoGrid()->columnCount(), columns);
    QCOMPARE(f.screen()->bentoGrid()->cellOf(f.card(first.id)), std::make_pair(0, 0));
    QCOMPARE(f.screen()->bentoGrid()->cellOf(f.card(second.id)),
             columns == 2 ? std::make_pair(0, 1) : std::make_pair(1, 0));
    if (columns == 2)
        QCOMPARE(f.card(first.id)->y(), f.card(second.id)->y());
    else
        QVERIFY(f.card(second.id)->y() >= f.card(first.id)->geometry().bottom() + CompanionBentoGrid::rowSpacing);

    // On the canvas, a change of device leaves the cards there.
    f.chooseLayout(iOSLayoutMode::spatialCanvas);
    const int other = 1 - int(device);
    QTest::mouseClick(f.view()->devicePicker()->segments().at(other), Qt::LeftButton);
    settle();
    for (const QUuid& id : {first.id, second.id}) {
        QCOMPARE(f.card(id)->parentWidget(), f.canvas());
        QVERIFY(f.card(id)->isVisible());
    }
    QCOMPARE(f.card(second.id)->pos(), QPoint(40, 40));
}

// The phone fits at scale 1 in 413 × 760 and shrinks below so that both sides keep 20 to spare;
// it is never enlarged.
void CompanionCanvasPreviewTest::deviceScale_data()
{
    QTest::addColumn<CompanionDeviceKind>("device");
    QTest::addColumn<QSize>("area");
    QTest::addColumn<double>("scale");
    QTest::newRow("phone, exact") << CompanionDeviceKind::iPhone << QSize(413, 760) << 1.0;
    QTest::newRow("phone, roomy") << CompanionDeviceKind::iPhone << QSize(1200, 1200) << 1.0;
    QTest::newRow("phone, narrower") << CompanionDeviceKind::iPhone << QSize(313, 760) << 293.0 / 393.0;
    QTest::newRow("phone, lower") << CompanionDeviceKind::iPhone << QSize(413, 390) << 370.0 / 740.0;
    QTest::newRow("tablet, narrower") << CompanionDeviceKind::iPad << QSize(390, 900) << 370.0 / 740.0;
}

void CompanionCanvasPreviewTest::deviceScale()
{
    QFETCH(CompanionDeviceKind, device);
    QFETCH(QSize, area);
    QFETCH(double, scale);
    TwoWorkspaceStore fixture;
    DesignEnvironment environment;
    auto* screen = new CompanionDeviceScreen(*fixture.store, &environment);
    screen->setDevice(device);
    CompanionDeviceStage stage(screen, &environment);
    stage.resize(area);
    stage.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    QCOMPARE(stage.viewport()->size(), area);
    QVERIFY(qFuzzyCompare(stage.deviceScale(), scale));
    // Only the drawing shrinks: the screen keeps its logical size, centred.
    QCOMPARE(screen->size(), companionDeviceMetrics(device).screen.toSize());
    const QRectF drawn = stage.mapFromScene(stage.scene()->items().first()->sceneBoundingRect()).boundingRect();
    QVERIFY(std::abs(drawn.center().x() - area.width() / 2.0) <= 1);
    QVERIFY(std::abs(drawn.width() - screen->width() * scale) <= 2);
}

// A portal card shows the first six entries of its folder as the tab lists it, a folder with
// the badge "文件夹" and a file with its size; the head comes through the store's listings.
void CompanionCanvasPreviewTest::portalShowsSixTiles()
{
    PageFixture f;
    const QString folder = f.path(u"portal"_s);
    QVERIFY(QDir().mkpath(folder + u"/Archive"_s));
    for (int i = 0; i < 20; ++i)
        QVERIFY(StoreFixture::writeFile(folder + u"/file %1.txt"_s.arg(i, 2, 10, QChar(u'0')), QByteArray(1200, 'x')));
    FenceTab tab = plainTab(FenceKind::portal, u"传送门"_s);
    tab.portalPath = folder;
    tab.sortMode = FenceSortMode::kindAsc;
    const FenceModel fence = f.addFence(u"文件"_s, {tab});
    QVERIFY(f.show());

    const QList<FenceItemGridTile*> tiles = f.card(fence.id)->shownTiles();
    QCOMPARE(tiles.size(), 6);
    const PortalScanResult head =
        FolderPortalEngine::scanDirectoryHead(folder, FolderPortalEngine::PortalListingOptions::of(tab), 6);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(tiles.at(i)->title(), head.entries.at(i).displayName);
        QVERIFY(tiles.at(i)->isVisible());
        QCOMPARE(tiles.at(i)->isSelected(), false);
    }
    QVERIFY(tiles.at(0)->isDirectory());
    QCOMPARE(tiles.at(0)->gridCaption(), std::optional<QString>(u"文件夹"_s));
    QVERIFY(!tiles.at(1)->isDirectory());
    QCOMPARE(tiles.at(1)->gridCaption(), std::optional(head.entries.at(1).formattedSize()));
    QVERIFY(tiles.at(1)->gridCaption() != u"文件夹"_s);

    // A file another program saves there appears without any change of the store's.
    QVERIFY(StoreFixture::writeFile(folder + u"/000 first.txt"_s, "1"));
    QTRY_COMPARE_WITH_TIMEOUT(f.card(fence.id)->shownTiles().at(1)->title(), u"000 first.txt"_s, 5000);
    QVERIFY(QFile::remove(folder + u"/000 first.txt"_s));
    f.store->renameFence(fence.id, u"文件 2"_s);
    QCOMPARE(f.card(fence.id)->shownTiles().at(1)->title(), head.entries.at(1).displayName);
    // Clicking a tile launches nothing and changes nothing.
    const QList<FenceModel> before = f.store->fences();
    QTest::mouseClick(f.card(fence.id)->shownTiles().at(2), Qt::LeftButton);
    QCOMPARE(f.store->fences(), before);
}

void CompanionCanvasPreviewTest::curatedShowsSixTiles()
{
    PageFixture f;
    FenceTab tab = plainTab(FenceKind::curated, u"启动台"_s);
    for (int i = 0; i < 8; ++i)
        tab.items.append(item(u"项目 %1"_s.arg(i)));
    tab.items[1].isPinned = true;
    const FenceModel fence = f.addFence(u"启动"_s, {tab});
    QVERIFY(f.show());
    const QList<FenceItemGridTile*> tiles = f.card(fence.id)->shownTiles();
    QCOMPARE(tiles.size(), 6);
    QCOMPARE(tiles.at(5)->title(), u"项目 5"_s);
    // Fewer items leave the other tiles hidden.
    f.store->removeItem(tab.items.at(0).id, fence.id);
    f.store->removeItem(tab.items.at(2).id, fence.id);
    f.store->removeItem(tab.items.at(3).id, fence.id);
    QCOMPARE(f.card(fence.id)->shownTiles().size(), 5);
    QCOMPARE(f.card(fence.id)->shownTiles().at(0)->title(), u"项目 1"_s);
}

// A task ticked in the preview is ticked in the store and on the desktop panel at once; one
// added and one deleted there too.
void CompanionCanvasPreviewTest::tickingReachesTheDesktop()
{
    PageFixture f;
    FenceTab tab = plainTab(FenceKind::checklist, u"清单"_s);
    tab.tasks = {task(u"写周报"_s), task(u"买牛奶"_s)};
    const FenceModel fence = f.addFence(u"待办"_s, {tab});
    QVERIFY(f.show());
    QVERIFY(f.manager->shownFenceIDs().contains(fence.id));
    FenceChecklistListView* desktop = f.manager->contentView(fence.id)->findChild<FenceChecklistListView*>();
    QVERIFY(desktop);

    FenceChecklistListView* preview = f.card(fence.id)->checklist();
    QVERIFY(preview->isVisible());
    const QRectF toggle = preview->rowGeometry(0).toggle;
    QTest::mouseClick(preview->listView()->viewport(), Qt::LeftButton, {}, toggle.center().toPoint());
    settle();
    QVERIFY(f.store->fence(fence.id)->activeTab()->tasks.at(0).isCompleted);
    QVERIFY(desktop->tasks().at(0).isCompleted);
    QVERIFY(preview->tasks().at(0).isCompleted);

    QTest::keyClicks(preview->addField(), u"call Li"_s);
    QTest::keyClick(preview->addField(), Qt::Key_Return);
    settle();
    QCOMPARE(desktop->tasks().size(), 3);
    QCOMPARE(desktop->tasks().at(0).title, u"call Li"_s);
    preview->onDeleteTask(desktop->tasks().at(2).id);
    QCOMPARE(desktop->tasks().size(), 2);
}

// The strip shows only with two tabs or more; choosing a tab there selects it in the store.
void CompanionCanvasPreviewTest::tabStrip_data()
{
    QTest::addColumn<int>("tabs");
    QTest::newRow("one tab") << 1;
    QTest::newRow("two tabs") << 2;
    QTest::newRow("three tabs") << 3;
}

void CompanionCanvasPreviewTest::tabStrip()
{
    QFETCH(int, tabs);
    PageFixture f;
    QList<FenceTab> list;
    for (int i = 0; i < tabs; ++i)
        list.append(plainTab(i % 2 ? FenceKind::checklist : FenceKind::notes, u"标签 %1"_s.arg(i)));
    const FenceModel fence = f.addFence(u"标签"_s, list);
    QVERIFY(f.show());
    FenceTabStripView* strip = f.card(fence.id)->tabStrip();
    QCOMPARE(strip->isVisible(), tabs >= 2);
    QVERIFY(!strip->addButton() || !strip->addButton()->isVisible());
    if (tabs < 2)
        return;
    QCOMPARE(strip->capsules().size(), tabs);
    QTest::mouseClick(strip->capsule(list.at(1).id), Qt::LeftButton);
    settle();
    QCOMPARE(f.store->fence(fence.id)->activeTabID, list.at(1).id);
    QVERIFY(f.card(fence.id)->checklist()->isVisible());
    QVERIFY(!f.card(fence.id)->noteEditor()->isVisible());
    QVERIFY(!strip->createTabMenu(list.at(1).id, strip));
}

// Typing into a note card writes the note; the store's own signals leave the cursor, the focus
// and a composition in place, and the desktop's note shows the text.
void CompanionCanvasPreviewTest::noteKeepsCursorAndComposition()
{
    PageFixture f;
    FenceTab notes = plainTab(FenceKind::notes, u"便笺"_s);
    const FenceModel fence = f.addFence(u"灵感"_s, {notes});
    QVERIFY(f.show());
    FenceNoteEditorView* editor = f.card(fence.id)->noteEditor();
    QVERIFY(editor->isVisible());
    QCOMPARE(editor->placeholder(), u"在这里记录项目灵感、会议摘要或临时片段…"_s);
    editor->editor()->setFocus();
    QTest::keyClicks(editor->editor(), u"hello world"_s);
    QCOMPARE(f.store->fence(fence.id)->activeTab()->noteText, u"hello world"_s);
    FenceNoteEditorView* desktop = f.manager->contentView(fence.id)->findChild<FenceNoteEditorView*>();
    QCOMPARE(desktop->text(), u"hello world"_s);

    QTextCursor cursor = editor->editor()->textCursor();
    cursor.setPosition(5);
    editor->editor()->setTextCursor(cursor);
    f.store->renameFence(fence.id, u"新标题"_s);
    f.store->toggleCollapse(fence.id);
    f.store->toggleCollapse(fence.id);
    QCOMPARE(editor, f.card(fence.id)->noteEditor());
    QCOMPARE(editor->editor()->textCursor().position(), 5);
    QVERIFY(editor->editor()->document()->isUndoAvailable());

    QInputMethodEvent composing(u"zh"_s, {});
    QApplication::sendEvent(editor->editor(), &composing);
    QVERIFY(editor->editor()->isComposing());
    f.store->renameFence(fence.id, u"再改"_s);
    QCOMPARE(editor->editor()->textCursor().block().layout()->preeditAreaText(), u"zh"_s);
    // The note stays editable whatever the fence's lock.
    FenceModel locked = *f.store->fence(fence.id);
    locked.isLocked = true;
    f.store->updateFence(locked);
    QVERIFY(!editor->editor()->isReadOnly());
}

// Choosing "空间画布" shows the canvas at once and saves the choice; the next page opens on it.
void CompanionCanvasPreviewTest::spatialCanvasIsSaved()
{
    PageFixture f;
    f.addFence(u"一"_s, {plainTab(FenceKind::notes, u"便笺"_s)});
    QVERIFY(f.show());
    QCOMPARE(f.view()->layoutPicker()->segments().at(1)->title(), u"空间画布"_s);
    QCOMPARE(f.view()->layoutPicker()->segments().at(0)->title(), u"流式栅格"_s);
    QVERIFY(f.screen()->bentoScrollArea()->isVisible());
    const int writes = f.savedStateWrites();
    f.chooseLayout(iOSLayoutMode::spatialCanvas);
    QCOMPARE(f.store->preferences().preferrediOSLayout, iOSLayoutMode::spatialCanvas);
    QCOMPARE(f.savedStateWrites(), writes + 1);
    QCOMPARE(f.savedPreferences().value(u"preferrediOSLayout"_s).toString(), u"spatialCanvas"_s);
    QVERIFY(f.screen()->canvasScrollArea()->isVisible());
    QVERIFY(!f.screen()->bentoScrollArea()->isVisible());
    QCOMPARE(f.view()->layoutPicker()->currentIndex(), 1);

    // A new page over a store read from the same files starts on the canvas, on the phone.
    f.page.reset();
    f.manager.reset();
    f.store = f.makeStore(Seeding::disabled);
    QVERIFY(f.show());
    QCOMPARE(f.screen()->shownLayout(), iOSLayoutMode::spatialCanvas);
    QVERIFY(f.screen()->canvasScrollArea()->isVisible());
    QCOMPARE(f.view()->device(), CompanionDeviceKind::iPhone);
}

void CompanionCanvasPreviewTest::workspaceBadgeAndCount()
{
    PageFixture f;
    f.addFence(u"一"_s, {plainTab(FenceKind::notes, u"便笺"_s)});
    QVERIFY(f.show());
    QCOMPARE(f.screen()->workspaceBadge()->text(), u"桌面"_s);
    QCOMPARE(f.screen()->fenceCountBadge()->text(), u"1 围栏"_s);
    f.addFence(u"二"_s, {plainTab(FenceKind::notes, u"便笺"_s)});
    QCOMPARE(f.screen()->fenceCountBadge()->text(), u"2 围栏"_s);
    f.store->switchWorkspace(f.archive);
    QCOMPARE(f.screen()->workspaceBadge()->text(), u"归档"_s);
    QCOMPARE(f.screen()->fenceCountBadge()->text(), u"0 围栏"_s);
}

void CompanionCanvasPreviewTest::screenshots_data()
{
    QTest::addColumn<ColorScheme>("scheme");
    QTest::addColumn<CompanionDeviceKind>("device");
    QTest::addColumn<iOSLayoutMode>("layout");
    for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
        for (const CompanionDeviceKind device : allCases<CompanionDeviceKind>()) {
            for (const iOSLayoutMode layout : allCases<iOSLayoutMode>()) {
                const QString name = u"%1-%2-%3"_s.arg(scheme == ColorScheme::dark ? u"dark"_s : u"light"_s,
                                                       rawValue(device), rawValue(layout));
                QTest::newRow(qPrintable(name)) << scheme << device << layout;
            }
        }
    }
}

// Pictures of the page for people to look at, under the build folder.
void CompanionCanvasPreviewTest::screenshots()
{
    QFETCH(ColorScheme, scheme);
    QFETCH(CompanionDeviceKind, device);
    QFETCH(iOSLayoutMode, layout);
    PageFixture f;
    f.environment.setColorScheme(scheme);
    const QString folder = f.path(u"portal"_s);
    QVERIFY(QDir().mkpath(folder + u"/设计稿"_s));
    for (int i = 0; i < 9; ++i)
        QVERIFY(StoreFixture::writeFile(folder + u"/报告 %1.pdf"_s.arg(i), QByteArray(2000 * (i + 1), 'x')));
    FenceTab portal = plainTab(FenceKind::portal, u"下载"_s);
    portal.portalPath = folder;
    FenceTab checklist = plainTab(FenceKind::checklist, u"清单"_s);
    checklist.tasks = {task(u"整理桌面"_s), task(u"回复邮件"_s)};
    checklist.tasks[1].isCompleted = true;
    FenceTab notes = plainTab(FenceKind::notes, u"便笺"_s);
    notes.noteText = u"周五前交设计稿\n记得备份"_s;
    FenceTab curated = plainTab(FenceKind::curated, u"启动台"_s);
    curated.items = {item(u"文档"_s), item(u"日历"_s), item(u"邮件"_s)};
    f.addFence(u"下载"_s, {portal, curated}, {16, 16, 300, 260});
    f.addFence(u"待办"_s, {checklist}, {340, 16, 260, 220});
    f.addFence(u"灵感"_s, {notes}, {40, 300, 280, 200});
    f.addFence(u"收起的围栏"_s, {curated}, {340, 300, 240, 180}, true);
    f.preferLayout(layout);
    QVERIFY(f.show());
    f.view()->setDevice(device);
    f.page->resize(device == CompanionDeviceKind::iPhone ? QSize(700, 900) : QSize(1000, 760));
    settle();
    const QString directory = QStringLiteral(MORVANTEEL_BUILD_DIR "/companion-preview");
    QVERIFY(QDir().mkpath(directory));
    const QString name = directory + u"/%1.png"_s.arg(QString::fromLatin1(QTest::currentDataTag()));
    // The page lies over the control center's faint wallpaper; a plain window colour here.
    QImage image(f.page->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(scheme == ColorScheme::dark ? QColor(0x1e, 0x1f, 0x22) : QColor(0xf4, 0xf4, 0xf6));
    f.page->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    QVERIFY2(image.save(name), qPrintable(name));
    // The device is drawn: its centre is not the window colour.
    const QPoint centre = f.view()->stage()->geometry().center();
    QVERIFY(image.pixel(centre) != image.pixel(2, 2));
}

QTEST_MAIN(CompanionCanvasPreviewTest)
#include "tst_companioncanvaspreview.moc"
