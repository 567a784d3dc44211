#include "core/store/support/StoreFixture.h"
#include "desktop/content/FencePanelContent.h"
#include "desktop/content/MacFenceContentView.h"
#include "desktop/content/PortalBrowser.h"
#include "desktop/content/PortalTabView.h"
#include "desktop/shell/DesktopFencePanel.h"
#include "desktop/shell/DesktopPanelManager.h"
#include "desktop/shell/TopPinnedContentView.h"
#include "platform/gui/CompositorWatch.h"
#include "platform/gui/WindowGlass.h"

#include <QApplication>
#include <QtTest>

using namespace mv;
using namespace mv::panelgeometry;
using namespace Qt::StringLiterals;

namespace {

// The offscreen screen is 800 × 600; the panels are kept on a screen of that size with a
// 25-point strip taken at the bottom.
const QList<ScreenArea> testScreens{{{0, 0, 800, 600}, {0, 25, 800, 575}}};

// A store with two workspaces and fences in each, and a manager over it.
struct Desk : TwoWorkspaceStore {
    FenceModel notes;
    FenceModel pill;
    FenceModel archived;
    std::unique_ptr<DesktopPanelManager> manager;

    Desk()
    {
        notes = appendFence(desk, u"便笺"_s, {plainTab(FenceKind::notes, u"便笺"_s)});
        pill = appendFence(desk, u"下载"_s, {plainTab(FenceKind::notes, u"下载"_s)});
        archived = appendFence(archive, u"归档"_s, {plainTab(FenceKind::notes, u"归档"_s)});
        QList<FenceModel> fences = store->fences();
        for (FenceModel& fence : fences) {
            fence.style.cornerRadius = 24;
            fence.style.hoverUnrollEnabled = true;
            fence.style.idleOpacity = 0.5;
            if (fence.id == notes.id)
                fence.desktopFrame = {100, 100, 300, 80};
            if (fence.id == pill.id) {
                fence.desktopFrame = {420, 100, 300, 300};
                fence.isCollapsed = true;
            }
            if (fence.id == archived.id)
                fence.desktopFrame = {50, 50, 300, 300};
        }
        if (!store->setFences(fences))
            qFatal("fences refused");
        store->save();
        manager = std::make_unique<DesktopPanelManager>(*store);
        manager->screens = [] { return testScreens; };
        manager->syncPanels(false);
    }

    FenceFrameRect panelFrame(const QUuid& id) const
    {
        return fromWindowGeometry(manager->panel(id)->geometry());
    }
    FenceModel stored(const QUuid& id) const { return *store->fence(id); }
};

} // namespace

class DesktopPanelManagerTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void panelsFollowTheActiveWorkspace()
    {
        Desk d;
        const QList<QUuid> shown = d.manager->shownFenceIDs();
        QCOMPARE(QSet<QUuid>(shown.cbegin(), shown.cend()), (QSet<QUuid>{d.notes.id, d.pill.id}));
        // A low frame is shown 120 high; a pill keeps its top edge.
        QCOMPARE(d.panelFrame(d.notes.id), (FenceFrameRect{100, 100, 300, 120}));
        QCOMPARE(d.panelFrame(d.pill.id), (FenceFrameRect{420, 354, 300, 46}));
        QVERIFY(d.manager->panel(d.notes.id)->isVisible());

        QPointer<DesktopFencePanel> old = d.manager->panel(d.notes.id);
        d.store->switchWorkspace(d.archive);
        QTRY_COMPARE(d.manager->shownFenceIDs(), QList<QUuid>{d.archived.id});
        QVERIFY(!d.manager->interactionState(d.notes.id));
        QTRY_VERIFY(!old); // ordered out and forgotten
        d.store->switchWorkspace(d.desk);
        QTRY_COMPARE(d.manager->shownFenceIDs().size(), 2);
        QCOMPARE(d.manager->interactionState(d.notes.id), std::optional(FenceInteractionState{}));
    }

    // The store's changes reach the panels on the next pass of the event loop.
    void storeChangesMoveThePanel()
    {
        Desk d;
        FenceModel fence = d.stored(d.notes.id);
        fence.desktopFrame = {200, 150, 320, 300};
        d.store->updateFence(fence);
        QTRY_COMPARE(d.panelFrame(d.notes.id), (FenceFrameRect{200, 150, 320, 300}));
        QCOMPARE(d.manager->contentView(d.notes.id)->expandedHeight(), 300.0);

        // While the user drags, the store's frame does not pull the panel back.
        Q_EMIT d.manager->panel(d.notes.id)->userMoveOrResizeStarted();
        fence.desktopFrame = {10, 150, 320, 300};
        d.store->updateFence(fence);
        QTest::qWait(50);
        QCOMPARE(d.panelFrame(d.notes.id).x, 200.0);
    }

    // The window's outline (its shape without a compositor) is the content's rounded shape, and
    // follows a roll-up, a roll-down and a new corner radius.
    void thePanelsOutlineFollowsTheFencesShape()
    {
        Desk d;
        DesktopFencePanel* pill = d.manager->panel(d.pill.id);
        DesktopFencePanel* notes = d.manager->panel(d.notes.id);
        QTRY_COMPARE(pill->windowGlass().outline().boundingRect(), QRectF(0, 0, 300, 46));
        QVERIFY(!pill->windowGlass().outline().contains(QPointF(3, 3)));
        QVERIFY(pill->windowGlass().outline().contains(QPointF(3, 23)));
        QCOMPARE(notes->windowGlass().outline().boundingRect(), QRectF(0, 0, 300, 120));
        QVERIFY(!notes->windowGlass().outline().contains(QPointF(2, 2)));

        d.store->setCollapsed(d.pill.id, false);
        QTRY_COMPARE(pill->windowGlass().outline().boundingRect(), QRectF(0, 0, 300, 300));
        QVERIFY(pill->windowGlass().outline().contains(QPointF(3, 150)));
        d.store->setCollapsed(d.notes.id, true);
        QTRY_COMPARE(notes->windowGlass().outline().boundingRect(), QRectF(0, 0, 300, 46));
        d.store->setCollapsed(d.notes.id, false);
        QTRY_COMPARE(notes->windowGlass().outline().boundingRect(), QRectF(0, 0, 300, 120));

        FenceModel fence = d.stored(d.notes.id);
        fence.style.cornerRadius = 4;
        d.store->updateFence(fence);
        QTRY_VERIFY(notes->windowGlass().outline().contains(QPointF(2, 2)));

        // Off X11 the outline is only kept: the window is neither shaped nor painted opaque.
        QCOMPARE(platform::CompositorWatch::instance().state(), platform::CompositorWatch::State::noX11);
        QVERIFY(notes->mask().isEmpty());
        QVERIFY(!notes->windowGlass().needsOpaqueBackdrop());
    }

    void targetAlphas_data()
    {
        QTest::addColumn<bool>("fenceFade");
        QTest::addColumn<bool>("globalFade");
        QTest::addColumn<double>("idleOpacity");
        QTest::addColumn<bool>("hovered");
        QTest::addColumn<double>("alpha");
        QTest::newRow("no fading") << false << false << 0.5 << false << 1.0;
        QTest::newRow("fence fades") << true << false << 0.5 << false << 0.5;
        QTest::newRow("all fade") << false << true << 0.5 << false << 0.5;
        QTest::newRow("floor") << true << false << 0.05 << false << 0.18;
        QTest::newRow("ceiling") << true << false << 1.3 << false << 1.0;
        QTest::newRow("hovered") << true << true << 0.5 << true << 1.0;
    }

    void targetAlphas()
    {
        QFETCH(bool, fenceFade);
        QFETCH(bool, globalFade);
        QFETCH(double, idleOpacity);
        QFETCH(bool, hovered);
        QFETCH(double, alpha);
        Desk d;
        FenceModel fence = d.stored(d.notes.id);
        fence.style.chameleonFadeEnabled = fenceFade;
        fence.style.idleOpacity = idleOpacity;
        GlobalPreferences preferences = d.store->preferences();
        preferences.chameleonGlobalEnabled = globalFade;
        QVERIFY(d.store->setPreferences(preferences));
        FenceInteractionState state;
        state.isHovered = hovered;
        QCOMPARE(d.manager->targetAlpha(fence, *d.manager->panel(d.notes.id), state), alpha);
    }

    // A pill unrolls under the pointer and rolls up when it leaves; collapsing an expanded
    // fence under the pointer keeps it a pill until the pointer has left and come back.
    void hoverUnrollAndItsSuppression()
    {
        Desk d;
        d.manager->handleHoverChange(d.pill.id, true);
        QVERIFY(d.manager->interactionState(d.pill.id)->isHoverUnrolled);
        QVERIFY(!d.manager->contentView(d.pill.id)->isVisuallyCollapsed());
        QTRY_COMPARE(d.panelFrame(d.pill.id).height, 300.0);
        d.manager->handleHoverChange(d.pill.id, false);
        QVERIFY(!d.manager->interactionState(d.pill.id)->isHoverUnrolled);
        QTRY_COMPARE(d.panelFrame(d.pill.id).height, pillHeight);

        d.manager->handleHoverChange(d.notes.id, true);
        d.manager->toggleCollapseWithHoverSuppression(d.notes.id);
        QVERIFY(d.stored(d.notes.id).isCollapsed);
        QVERIFY(d.manager->interactionState(d.notes.id)->suppressHoverUnrollUntilExit);
        d.manager->handleHoverChange(d.notes.id, true);
        QVERIFY(!d.manager->interactionState(d.notes.id)->isHoverUnrolled);
        d.manager->handleHoverChange(d.notes.id, false);
        d.manager->handleHoverChange(d.notes.id, true);
        QVERIFY(d.manager->interactionState(d.notes.id)->isHoverUnrolled);

        // The roll-up control on the unrolled pill opens it for good.
        d.manager->toggleCollapseWithHoverSuppression(d.notes.id);
        QVERIFY(!d.stored(d.notes.id).isCollapsed);
        QVERIFY(!d.manager->interactionState(d.notes.id)->isHoverUnrolled);
    }

    void curtainHidesAndRevealShows()
    {
        Desk d;
        GlobalPreferences preferences = d.store->preferences();
        preferences.isDesktopCurtainHidden = true;
        QVERIFY(d.store->setPreferences(preferences));
        d.store->save();
        QTRY_VERIFY(!d.manager->panel(d.notes.id)->isVisible());

        d.manager->revealFence(d.archived.id);
        QCOMPARE(d.store->activeWorkspaceID(), d.archive);
        QVERIFY(!d.store->preferences().isDesktopCurtainHidden);
        QVERIFY(d.manager->panel(d.archived.id));
        QVERIFY(d.manager->panel(d.archived.id)->isVisible());
    }

    void peekAndPinLiftThePanel()
    {
        Desk d;
        QVERIFY(!d.manager->panel(d.notes.id)->isPeekLayer());
        FenceModel fence = d.stored(d.notes.id);
        fence.isPinned = true;
        d.store->updateFence(fence);
        QTRY_VERIFY(d.manager->panel(d.notes.id)->isPeekLayer());
        QVERIFY(!d.manager->panel(d.pill.id)->isPeekLayer());
        d.store->togglePeek();
        QTRY_VERIFY(d.manager->panel(d.pill.id)->isPeekLayer());
        d.store->togglePeek();
        QTRY_VERIFY(!d.manager->panel(d.pill.id)->isPeekLayer());
        QVERIFY(d.manager->panel(d.notes.id)->isPeekLayer()); // pinned stays up

        GlobalPreferences preferences = d.store->preferences();
        preferences.isLayoutLocked = true;
        QVERIFY(d.store->setPreferences(preferences));
        QTRY_VERIFY(d.manager->panel(d.pill.id)->isLocked());
    }

    // A user's moves are stored at once and saved once, after the burst.
    void movesAreStoredAndSavedOnce()
    {
        Desk d;
        GlobalPreferences preferences = d.store->preferences();
        preferences.magneticSnappingEnabled = false; // steps of 5 would snap to the neighbour
        QVERIFY(d.store->setPreferences(preferences));
        DesktopFencePanel* panel = d.manager->panel(d.notes.id);
        const int savesBefore = d.reloader->requestCount();
        Q_EMIT panel->userMoveOrResizeStarted();
        for (int step = 1; step <= 10; ++step) {
            panel->move(panel->pos() + QPoint(5, 0));
            Q_EMIT panel->frameChanged(true);
        }
        QCOMPARE(d.stored(d.notes.id).desktopFrame.x, 150.0);
        QCOMPARE(d.reloader->requestCount(), savesBefore);
        QTRY_COMPARE(d.reloader->requestCount(), savesBefore + 1);
        QTest::qWait(DesktopPanelManager::frameSaveDelayMs * 2);
        QCOMPARE(d.reloader->requestCount(), savesBefore + 1);

        // A moved pill keeps its stored width and gets back a height of at least 160.
        DesktopFencePanel* pillPanel = d.manager->panel(d.pill.id);
        FenceModel pill = d.stored(d.pill.id);
        pill.desktopFrame.height = 90;
        d.store->updateFence(pill);
        QTRY_COMPARE(d.panelFrame(d.pill.id).y, 100.0 + 120 - pillHeight);
        pillPanel->move(pillPanel->pos() + QPoint(0, -10));
        Q_EMIT pillPanel->frameChanged(true);
        const FenceFrameRect top = d.panelFrame(d.pill.id);
        QCOMPARE(d.stored(d.pill.id).desktopFrame, (FenceFrameRect{420, top.maxY() - 160, 300, 160}));
    }

    // A press that takes the panel while the program still animates it there leaves the panel
    // to the user: the animation's remaining steps never undo the user's resize.
    void aUserResizeTakesOverARunningAnimation()
    {
        Desk d;
        FenceModel fence = d.stored(d.notes.id);
        fence.desktopFrame = {100, 100, 300, 300};
        d.store->updateFence(fence);
        DesktopFencePanel* panel = d.manager->panel(d.notes.id);
        // The animation has begun and not yet arrived.
        QTRY_VERIFY(panel->geometry().height() > 120);
        QVERIFY(d.panelFrame(d.notes.id) != fence.desktopFrame);
        Q_EMIT panel->userMoveOrResizeStarted();
        const QRect taken = panel->geometry();
        QCOMPARE(d.panelFrame(d.notes.id), fence.desktopFrame);
        panel->setGeometry(QRect(taken.topLeft(), QSize(400, 350)));
        QTest::qWait(400); // longer than the animation would have run
        QCOMPARE(panel->geometry(), QRect(taken.topLeft(), QSize(400, 350)));
        QTRY_COMPARE(d.stored(d.notes.id).desktopFrame, (FenceFrameRect{100, 50, 400, 350}));
        Q_EMIT panel->userMoveOrResizeEnded();
    }

    // A resize keeps an expanded fence at least 250 × 180 from its top edge; a pill or a
    // locked fence keeps its size, and the panel settles on the stored frame when let go.
    void resizesAreLimited()
    {
        Desk d;
        FenceModel fence = d.stored(d.notes.id);
        fence.desktopFrame = {100, 100, 300, 300};
        d.store->updateFence(fence);
        DesktopFencePanel* panel = d.manager->panel(d.notes.id);
        QTRY_COMPARE(d.panelFrame(d.notes.id), fence.desktopFrame);
        Q_EMIT panel->userMoveOrResizeStarted();
        const QRect before = panel->geometry();
        // The panel reports its new frame itself.
        panel->setGeometry(QRect(before.topLeft(), QSize(100, 100)));
        QTRY_COMPARE(d.stored(d.notes.id).desktopFrame, (FenceFrameRect{100, 220, 250, 180}));
        Q_EMIT panel->userMoveOrResizeEnded();
        QTRY_COMPARE(d.panelFrame(d.notes.id), (FenceFrameRect{100, 220, 250, 180}));

        DesktopFencePanel* pillPanel = d.manager->panel(d.pill.id);
        QVERIFY(!pillPanel->isResizable());
        const FenceFrameRect pillStored = d.stored(d.pill.id).desktopFrame;
        Q_EMIT pillPanel->userMoveOrResizeStarted();
        pillPanel->setGeometry(QRect(pillPanel->pos(), QSize(500, 200)));
        QTest::qWait(20);
        QCOMPARE(d.stored(d.pill.id).desktopFrame, pillStored);
        Q_EMIT pillPanel->userMoveOrResizeEnded();
        QTRY_COMPARE(d.panelFrame(d.pill.id).height, pillHeight);
    }

    // A dragged fence near the screen's edge snaps 16 in and shows the guide; with snapping off
    // it stays where it was put. The guides go when the drag ends.
    void dragsSnapToTheEdges_data()
    {
        QTest::addColumn<bool>("snapping");
        QTest::addColumn<double>("expectedX");
        QTest::newRow("snapping") << true << 16.0;
        QTest::newRow("snapping off") << false << 22.0;
    }

    void dragsSnapToTheEdges()
    {
        QFETCH(bool, snapping);
        QFETCH(double, expectedX);
        Desk d;
        GlobalPreferences preferences = d.store->preferences();
        preferences.magneticSnappingEnabled = snapping;
        preferences.snapThreshold = 14;
        preferences.snapGap = 12;
        QVERIFY(d.store->setPreferences(preferences));
        DesktopFencePanel* panel = d.manager->panel(d.notes.id);
        Q_EMIT panel->userMoveOrResizeStarted();
        const QRect target = toWindowGeometry(FenceFrameRect{22, 300, 300, 120});
        panel->move(target.topLeft());
        QCOMPARE(d.panelFrame(d.notes.id).x, expectedX);
        QCOMPARE(d.stored(d.notes.id).desktopFrame.x, expectedX);
        QCOMPARE(d.manager->snapOverlay().isVisible(), snapping);
        if (snapping) {
            QVERIFY(d.manager->snapOverlay().guides().contains(SnapGuideLine{SnapGuideAxis::vertical, 16}));
            QCOMPARE(d.manager->snapOverlay().guideLines().first().x1(), 16.0);
        }
        Q_EMIT panel->userMoveOrResizeEnded();
        QVERIFY(!d.manager->snapOverlay().isVisible());
    }

    void undoKeysReachTheStore()
    {
        Desk d;
        DesktopFencePanel* panel = d.manager->panel(d.notes.id);
        QVERIFY(panel->onUndoCommand);
        QVERIFY(!panel->onUndoCommand()); // nothing to undo
        QCOMPARE(d.store->lastStatusMessage(), std::optional(u"没有可撤销的文件移动记录。"_s));
        QVERIFY(!panel->onSpaceQuickLook()); // no file selected: Space goes on
    }

    void spacePreviewsTheEntrySelectedWhileItIsListed()
    {
        Desk d;
        const QString folder = d.path(u"portal"_s);
        QVERIFY(StoreFixture::writeFile(folder + u"/a.txt"_s, "a"));
        FenceTab tab = plainTab(FenceKind::portal, u"下载"_s);
        tab.portalPath = folder;
        const FenceModel portal = d.appendFence(d.desk, u"下载"_s, {tab});
        d.manager->syncPanels(false);
        DesktopFencePanel* panel = d.manager->panel(portal.id);
        QVERIFY(panel);
        QList<QUrl> previews;
        d.manager->onTogglePreview = [&](const QUrl& url) { previews.append(url); };
        auto* content = qobject_cast<FencePanelContent*>(d.manager->contentView(portal.id)->hostedView());
        QVERIFY(content && content->portalBrowser());
        PortalBrowser& browser = *content->portalBrowser();
        browser.syncWatch();
        QVERIFY(!panel->onSpaceQuickLook()); // nothing selected yet

        QCOMPARE(browser.listing().entries.size(), 1);
        browser.selectEntry(browser.listing().entries.first());
        QVERIFY(panel->onSpaceQuickLook());
        QCOMPARE(previews, QList<QUrl>{QUrl::fromLocalFile(folder + u"/a.txt"_s)});

        // The preview item of the entry's menu reaches the manager's presenting road, not the
        // toggling one.
        QList<std::pair<QUrl, QString>> presented;
        d.manager->onPresentPreview = [&](const QUrl& url, const QString& title) { presented.append({url, title}); };
        auto* fenceView = qobject_cast<MacFenceContentView*>(content);
        QVERIFY(fenceView);
        fenceView->portalTab()->contextActions(browser.listing().entries.first()).onQuickLook();
        QCOMPARE(presented, (QList<std::pair<QUrl, QString>>{{QUrl::fromLocalFile(folder + u"/a.txt"_s), u"a.txt"_s}}));
        QCOMPARE(previews.size(), 1);

        // Deleted behind the fence's back: no longer listed, no longer selected, so the key goes on.
        QVERIFY(QFile::remove(folder + u"/a.txt"_s));
        QTRY_VERIFY(browser.listing().entries.isEmpty());
        QVERIFY(!browser.selectedEntryID());
        QVERIFY(!panel->onSpaceQuickLook());
        QCOMPARE(previews.size(), 1);
        // A fence without a portal tab has nothing to preview.
        QVERIFY(!d.manager->panel(d.notes.id)->onSpaceQuickLook());
    }
};

QTEST_MAIN(DesktopPanelManagerTest)
#include "tst_desktoppanelmanager.moc"
