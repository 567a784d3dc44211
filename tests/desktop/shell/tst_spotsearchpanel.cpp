#include "core/models/DeepLink.h"
#include "core/store/support/StoreFixture.h"
#include "design/DesignEnvironment.h"
#include "design/GlassSymbolMark.h"
#include "design/LiquidGlassTokens.h"
#include "design/SymbolIcons.h"
#include "desktop/content/FencePanelContent.h"
#include "desktop/shell/DesktopPanelManager.h"
#include "desktop/shell/SpotSearchHUDPanel.h"
#include "desktop/shell/SpotSearchHUDView.h"
#include "desktop/shell/SpotSearchResultDelegate.h"
#include "desktop/shell/SpotSearchResultsModel.h"
#include "desktop/shell/SpotSearchWindowController.h"

#include <QApplication>
#include <QDir>
#include <QInputMethodEvent>
#include <QPainter>
#include <QtTest>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

// Fence panels with nothing in them: the panel manager is here only to bring fences forward.
class BlankContent final : public FencePanelContent {
public:
    using FencePanelContent::FencePanelContent;
    void setHoverUnrolled(bool) override {}
};

// What a chosen hit did: the activation that should follow from it.
enum class Effect {
    revealsFence,     // the fence was brought forward (it is expanded again)
    selectsTab,       // the named tab became active and the fence came forward
    opensURL,         // the URL went to the opener
    togglesTask,      // the task's completion flipped
    followsDeepLink,  // the link went to the deep-link handler
    opensSmartRules,  // the control center was asked for the smart-rules page
    showsPanelAgain,  // the panel is shown afresh
};

// The active workspace "桌面" (mint) holds three fences, all rolled up so that bringing one
// forward shows as it being expanded:
// - "Inbox": a portal onto a folder with report-2026.txt, photo.png and 报告.txt;
// - "Launch": curated items, one for each way an item target is followed;
// - "Planner": a checklist tab (active) and a notes tab.
struct SpotDesk : TwoWorkspaceStore {
    FenceModel inbox;
    FenceModel launch;
    FenceModel planner;
    FenceTab memoTab;
    FenceTab todoTab;
    QUuid reviewTask = newUuid();
    QUuid callTask = newUuid();
    QString inboxFolder;
    std::unique_ptr<DesktopPanelManager> manager;
    std::unique_ptr<SpotSearchWindowController> controller;

    QList<QUrl> opened;
    QList<QUrl> deepLinks;
    QList<std::optional<ControlCenterTab>> controlCenterPages;
    QList<std::pair<QUrl, QString>> previews;

    SpotDesk()
    {
        QList<WorkspaceProfile> workspaces = store->workspaces();
        workspaces[0].accentTint = FenceTintPalette::mint;
        store->setWorkspaces(workspaces);

        inboxFolder = path(u"inbox"_s);
        writeFile(inboxFolder + u"/report-2026.txt"_s, "quarterly numbers");
        writeFile(inboxFolder + u"/photo.png"_s, "not really a picture");
        writeFile(inboxFolder + u"/报告.txt"_s, "年度");
        FenceTab portal = plainTab(FenceKind::portal, u"Inbox"_s);
        portal.portalPath = inboxFolder;
        inbox = appendFence(desk, u"Inbox"_s, {portal});

        FenceTab curated = plainTab(FenceKind::curated, u"Apps"_s);
        curated.items = {
            item(u"Website"_s, u"https://example.org/start"_s),
            item(u"Open Inbox"_s, MorvanteelDeepLink::openFence(inbox.id).urlString()),
            item(u"Search again"_s, u"morvanteel://spot-search"_s),
            item(u"Tidy up"_s, u"morvanteel://smart-tidy"_s),
            item(u"Local report"_s, inboxFolder + u"/report-2026.txt"_s),
            item(u"Broken"_s, QString()),
        };
        launch = appendFence(desk, u"Launch"_s, {curated});

        todoTab = plainTab(FenceKind::checklist, u"Todo"_s);
        todoTab.tasks = {task(reviewTask, u"budget review"_s), task(callTask, u"call the plumber"_s)};
        memoTab = plainTab(FenceKind::notes, u"Memo"_s);
        memoTab.noteText = u"groceries\nquarterly budget talk"_s;
        planner = appendFence(desk, u"Planner"_s, {todoTab, memoTab});

        QList<FenceModel> fences = store->fences();
        for (FenceModel& fence : fences) {
            fence.isCollapsed = true;
            fence.desktopFrame = {40, 40, 300, 300};
        }
        if (!store->setFences(fences))
            qFatal("fences refused");
        store->save();

        manager = std::make_unique<DesktopPanelManager>(
            *store, [](const QUuid&, const FencePanelContent::Callbacks&) { return new BlankContent(); });
        manager->screens = [] {
            return QList<panelgeometry::ScreenArea>{{{0, 0, 800, 600}, {0, 25, 800, 575}}};
        };
        manager->syncPanels(false);

        controller = std::make_unique<SpotSearchWindowController>(*store, *manager);
        controller->opener.openURL = [this](const QUrl& url) {
            opened.append(url);
            return true;
        };
        controller->onDeepLink = [this](const QUrl& url) { deepLinks.append(url); };
        controller->onOpenControlCenter = [this](std::optional<ControlCenterTab> tab) {
            controlCenterPages.append(tab);
        };
        controller->onPreview = [this](const QUrl& url, const QString& title) { previews.append({url, title}); };
        controller->placementArea = [] { return std::optional(QRect(0, 0, 800, 575)); };
    }

    ~SpotDesk()
    {
        controller.reset();
        manager.reset();
    }

    static FenceItem item(const QString& title, const QString& target)
    {
        FenceItem item;
        item.id = newUuid();
        item.title = title;
        item.kind = FenceItemKind::url;
        item.target = target;
        item.symbolName = u"link"_s;
        return item;
    }

    FenceChecklistTask task(const QUuid& id, const QString& title) const
    {
        return FenceChecklistTask{id, title, false, clock, std::nullopt, false};
    }

    SpotSearchHUDView& view() const { return *controller->view(); }
    SpotSearchField& field() const { return *view().searchField(); }
    FenceModel stored(const QUuid& id) const { return *store->fence(id); }

    // Shows the panel and waits until the field has the focus in it.
    void showPanel()
    {
        controller->show();
        QVERIFY(QTest::qWaitForWindowExposed(controller->panel()));
        QTRY_COMPARE(controller->panel()->focusWidget(), static_cast<QWidget*>(&field()));
    }

    // Text as typed: plain keys for ASCII, otherwise committed by an input method, which is
    // how such text reaches a field.
    void type(const QString& text)
    {
        bool ascii = true;
        for (QChar c : text)
            ascii = ascii && c.unicode() < 0x80;
        if (ascii) {
            QTest::keyClicks(&field(), text);
            return;
        }
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(&field(), &commit);
    }

    int rowOf(const QString& id) const { return view().model()->rowOf(id); }
};

} // namespace

Q_DECLARE_METATYPE(Effect)
Q_DECLARE_METATYPE(mv::ColorScheme)

class SpotSearchPanelTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Every symbol the panel shows has an icon, not the question-mark stand-in of an unknown name.
    void everySymbolIsKnown()
    {
        SpotDesk desk;
        desk.showPanel();
        const QList<GlassSymbolMark*> marks = desk.view().findChildren<GlassSymbolMark*>();
        QVERIFY(!marks.isEmpty());
        for (const GlassSymbolMark* mark : marks)
            QVERIFY2(SymbolIcons::isKnown(mark->symbolName()), qPrintable(mark->symbolName()));
    }

    // The list is the store's search for what is typed, in the store's order; the footer counts
    // it and an empty search shows the empty state instead.
    void typingShowsTheStoresResults_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("expectedFirstTitle");
        QTest::newRow("nothing typed: the fences") << QString() << u"Inbox"_s;
        QTest::newRow("a fence") << u"Planner"_s << u"Planner"_s;
        QTest::newRow("a portal file") << u"report-2026"_s << u"report-2026.txt"_s;
        QTest::newRow("a task") << u"budget review"_s << u"budget review"_s;
        QTest::newRow("a note line") << u"quarterly budget"_s << u"quarterly budget talk"_s;
        QTest::newRow("composed text") << u"报告"_s << u"报告.txt"_s;
        QTest::newRow("nothing found") << u"zzqx"_s << QString();
    }

    void typingShowsTheStoresResults()
    {
        QFETCH(QString, query);
        QFETCH(QString, expectedFirstTitle);
        SpotDesk d;
        d.showPanel();
        d.type(query);

        const QList<SpotSearchResult> expected = d.store->spotSearch(query);
        QCOMPARE(d.field().text(), query);
        QCOMPARE(d.view().query(), query);
        QCOMPARE(d.view().results(), expected);
        QCOMPARE(d.view().footerCountText(), u"共 %1 条结果"_s.arg(expected.size()));
        if (expectedFirstTitle.isEmpty()) {
            QVERIFY(expected.isEmpty());
            QVERIFY(d.view().emptyState()->isVisible());
            QVERIFY(!d.view().resultList()->isVisible());
            QCOMPARE(d.view().emptyStateText(), u"未找到与“%1”相关的围栏项目"_s.arg(query));
        } else {
            QCOMPARE(expected.first().title, expectedFirstTitle);
            QVERIFY(d.view().resultList()->isVisible());
            QCOMPARE(d.view().resultList()->model()->rowCount(), expected.size());
        }
        QCOMPARE(d.view().clearButton()->isVisible(), !query.isEmpty());
    }

    // The field's clear button empties the query and lists the fences again.
    void clearButtonEmptiesTheQuery()
    {
        SpotDesk d;
        d.showPanel();
        d.type(u"report"_s);
        QVERIFY(d.view().clearButton()->isVisible());
        QTest::mouseClick(d.view().clearButton(), Qt::LeftButton);
        QCOMPARE(d.field().text(), QString());
        QCOMPARE(d.view().results(), d.store->spotSearch(QString()));
        QVERIFY(!d.view().clearButton()->isVisible());
    }

    // Up and Down move the highlight within the hits and stop at either end; typing brings it
    // back to the first hit; with no hits the keys do nothing and Return acts on nothing.
    void keyboardNavigation()
    {
        SpotDesk d;
        d.showPanel();
        const int count = int(d.view().results().size());
        QCOMPARE(count, 3);
        QCOMPARE(d.view().selectedIndex(), 0);
        QTest::keyClick(&d.field(), Qt::Key_Up);
        QCOMPARE(d.view().selectedIndex(), 0);
        for (int i = 0; i < count + 2; ++i)
            QTest::keyClick(&d.field(), Qt::Key_Down);
        QCOMPARE(d.view().selectedIndex(), count - 1);
        QTest::keyClick(&d.field(), Qt::Key_Up);
        QCOMPARE(d.view().selectedIndex(), count - 2);

        d.type(u"P"_s);
        QCOMPARE(d.view().selectedIndex(), 0);
        QTest::keyClick(&d.field(), Qt::Key_Down);
        QCOMPARE(d.view().selectedIndex(), 1);
        // The arrows never reach the field: its cursor stays where typing left it.
        QCOMPARE(d.field().cursorPosition(), 1);

        d.type(u"zzqx"_s);
        QVERIFY(d.view().results().isEmpty());
        QVERIFY(!d.view().moveSelectionDown());
        QVERIFY(!d.view().moveSelectionUp());
        QTest::keyClick(&d.field(), Qt::Key_Down);
        QTest::keyClick(&d.field(), Qt::Key_Return);
        QCOMPARE(d.view().selectedIndex(), 0);
        QVERIFY(!d.view().activateSelection());
        QVERIFY(d.controller->isVisible());
        QVERIFY(d.opened.isEmpty());
    }

    // The highlighted row is scrolled to the middle of the list, as far as the list goes.
    void selectionScrollsIntoView()
    {
        SpotDesk d;
        for (int i = 0; i < 20; ++i)
            d.store->addTask(u"chore %1"_s.arg(i), d.planner.id);
        d.showPanel();
        d.type(u"chore"_s);
        QCOMPARE(d.view().results().size(), 20);
        const QWidget* viewport = d.view().resultList()->viewport();
        QVERIFY(d.view().rowRect(12).top() > viewport->height()); // out of sight at first
        for (int i = 0; i < 12; ++i)
            QTest::keyClick(&d.field(), Qt::Key_Down);
        QTRY_VERIFY(std::abs(d.view().rowRect(12).center().y() - viewport->height() / 2) <= 1);
        for (int i = 0; i < 10; ++i)
            QTest::keyClick(&d.field(), Qt::Key_Down);
        QCOMPARE(d.view().selectedIndex(), 19);
        QTRY_VERIFY(d.view().rowRect(19).bottom() < viewport->height());
        QVERIFY(d.view().rowRect(19).top() >= 0);
        // Typing starts again at the top.
        d.type(u" 1"_s);
        QCOMPARE(d.view().selectedIndex(), 0);
        QVERIFY(d.view().rowRect(0).top() >= 0);
    }

    // Return acts on the highlighted hit by its category: fences and notes come forward (a note
    // first selects its tab), files and plain item targets open, tasks flip and keep the panel
    // open, item targets that are the program's links are followed after the panel has gone.
    void activationByCategory_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("hitTitle");
        QTest::addColumn<Effect>("effect");
        QTest::addColumn<bool>("staysOpen");
        QTest::newRow("fence") << u"Planner"_s << u"Planner"_s << Effect::revealsFence << false;
        QTest::newRow("note selects its tab") << u"quarterly budget"_s << u"quarterly budget talk"_s
                                              << Effect::selectsTab << false;
        QTest::newRow("portal file") << u"report-2026"_s << u"report-2026.txt"_s << Effect::opensURL << false;
        QTest::newRow("task") << u"budget review"_s << u"budget review"_s << Effect::togglesTask << true;
        QTest::newRow("item with a web address") << u"Website"_s << u"Website"_s << Effect::opensURL << false;
        QTest::newRow("item with a path") << u"Local report"_s << u"Local report"_s << Effect::opensURL << false;
        QTest::newRow("item with no usable target") << u"Broken"_s << u"Broken"_s << Effect::revealsFence << false;
        QTest::newRow("item linking to a fence") << u"Open Inbox"_s << u"Open Inbox"_s << Effect::followsDeepLink
                                                 << false;
        QTest::newRow("item linking to SpotSearch") << u"Search again"_s << u"Search again"_s
                                                    << Effect::showsPanelAgain << true;
        QTest::newRow("item linking to smart tidy") << u"Tidy up"_s << u"Tidy up"_s << Effect::opensSmartRules
                                                    << false;
    }

    void activationByCategory()
    {
        QFETCH(QString, query);
        QFETCH(QString, hitTitle);
        QFETCH(Effect, effect);
        QFETCH(bool, staysOpen);
        SpotDesk d;
        d.showPanel();
        d.type(query);

        const QList<SpotSearchResult> hits = d.view().results();
        int row = -1;
        for (int i = 0; i < hits.size(); ++i) {
            if (hits[i].title == hitTitle && row < 0)
                row = i;
        }
        QVERIFY2(row >= 0, "the hit is listed");
        const SpotSearchResult hit = hits[row];
        for (int i = 0; i < row; ++i)
            QTest::keyClick(&d.field(), Qt::Key_Down);
        QCOMPARE(d.view().selectedIndex(), row);
        QTest::keyClick(&d.field(), Qt::Key_Return);

        const QUuid fenceID = hit.fenceID.value_or(QUuid());
        switch (effect) {
        case Effect::revealsFence:
            QVERIFY(!d.stored(fenceID).isCollapsed);
            QVERIFY(d.opened.isEmpty());
            break;
        case Effect::selectsTab:
            QCOMPARE(d.stored(d.planner.id).activeTabID, d.memoTab.id);
            QVERIFY(!d.stored(d.planner.id).isCollapsed);
            break;
        case Effect::opensURL:
            QVERIFY(hit.targetURL);
            QCOMPARE(d.opened, QList<QUrl>{*hit.targetURL});
            QVERIFY(d.stored(fenceID).isCollapsed); // opened, not brought forward
            break;
        case Effect::togglesTask: {
            const FenceTab tab = d.stored(d.planner.id).tabs.at(0);
            QVERIFY(tab.tasks.at(0).isCompleted);
            QVERIFY(!tab.tasks.at(1).isCompleted);
            // The list follows the store: the hit now shows the ticked symbol.
            QTRY_COMPARE(d.view().results().at(row).symbolName, u"checkmark.circle.fill"_s);
            QCOMPARE(d.field().text(), query);
            break;
        }
        case Effect::followsDeepLink:
            QCOMPARE(d.deepLinks, QList<QUrl>{MorvanteelDeepLink::openFence(d.inbox.id).url()});
            QVERIFY(d.opened.isEmpty());
            QVERIFY(d.stored(d.inbox.id).isCollapsed); // the handler's to do, not the panel's
            break;
        case Effect::opensSmartRules:
            QCOMPARE(d.controlCenterPages, QList<std::optional<ControlCenterTab>>{ControlCenterTab::smartRules});
            break;
        case Effect::showsPanelAgain:
            QCOMPARE(d.field().text(), QString());
            QCOMPARE(d.view().selectedIndex(), 0);
            QVERIFY(d.deepLinks.isEmpty());
            break;
        }
        if (effect != Effect::followsDeepLink && effect != Effect::opensURL)
            QVERIFY(d.deepLinks.isEmpty());

        if (staysOpen) {
            // Long enough for any fade-out to have ordered the panel out.
            QTRY_COMPARE(d.controller->panel()->windowOpacity(), 1.0);
            QTest::qWait(SpotSearchWindowController::fadeOutMs + 60);
            QVERIFY(d.controller->isVisible());
            QVERIFY(d.controller->panel()->isVisible());
        } else {
            QVERIFY(!d.controller->isVisible());
            QTRY_VERIFY(!d.controller->panel()->isVisible());
            QCOMPARE(d.controller->panel()->windowOpacity(), 1.0);
        }
    }

    // Hits the store's search does not make, and hits that lack what their act needs.
    void executeResultEdgeCases_data()
    {
        QTest::addColumn<int>("category");
        QTest::addColumn<bool>("withFence");
        QTest::addColumn<bool>("withTask");
        QTest::addColumn<QString>("target");
        QTest::addColumn<Effect>("effect");
        QTest::addColumn<bool>("changesNothing");
        const int command = int(SpotSearchCategory::command);
        QTest::newRow("command with a link") << command << true << false << u"morvanteel://smart-tidy"_s
                                             << Effect::opensSmartRules << false;
        QTest::newRow("command with an address") << command << true << false << u"https://example.org/x"_s
                                                 << Effect::opensURL << false;
        QTest::newRow("command without a target") << command << true << false << QString() << Effect::revealsFence
                                                  << false;
        QTest::newRow("file without a URL") << int(SpotSearchCategory::portalFile) << true << false << QString()
                                            << Effect::revealsFence << false;
        QTest::newRow("fence without an id") << int(SpotSearchCategory::fence) << false << false << QString()
                                             << Effect::revealsFence << true;
        QTest::newRow("task without a task id") << int(SpotSearchCategory::task) << true << false << QString()
                                                << Effect::togglesTask << true;
        QTest::newRow("task without a fence id") << int(SpotSearchCategory::task) << false << true << QString()
                                                 << Effect::togglesTask << true;
    }

    void executeResultEdgeCases()
    {
        QFETCH(int, category);
        QFETCH(bool, withFence);
        QFETCH(bool, withTask);
        QFETCH(QString, target);
        QFETCH(Effect, effect);
        QFETCH(bool, changesNothing);
        SpotDesk d;
        d.showPanel();
        const QList<FenceModel> before = d.store->fences();

        SpotSearchResult hit;
        hit.id = u"hand-made"_s;
        hit.title = u"hand-made"_s;
        hit.category = SpotSearchCategory(category);
        if (withFence)
            hit.fenceID = d.planner.id;
        if (withTask)
            hit.taskID = d.reviewTask;
        if (!target.isEmpty())
            hit.targetURL = QUrl(target);
        d.controller->executeResult(hit);

        if (changesNothing) {
            QCOMPARE(d.store->fences(), before);
            QVERIFY(d.opened.isEmpty());
        } else if (effect == Effect::revealsFence) {
            QVERIFY(!d.stored(d.planner.id).isCollapsed);
        } else if (effect == Effect::opensURL) {
            QCOMPARE(d.opened, QList<QUrl>{QUrl(target)});
        } else if (effect == Effect::opensSmartRules) {
            QCOMPARE(d.controlCenterPages, QList<std::optional<ControlCenterTab>>{ControlCenterTab::smartRules});
        }
        QCOMPARE(d.controller->isVisible(), effect == Effect::togglesTask);
    }

    // A click on a row acts on it; the eye of a file row previews the file instead, and only
    // file rows have one.
    void mouseActivationAndPreview()
    {
        SpotDesk d;
        d.showPanel();
        d.type(u"report"_s);
        const int fileRow = 0;
        const SpotSearchResult file = d.view().results().at(fileRow);
        QCOMPARE(file.category, SpotSearchCategory::portalFile);
        const int itemRow = d.rowOf(u"item-"_s + d.launch.tabs.first().items.at(4).id.toString(QUuid::WithoutBraces).toUpper());
        QVERIFY(itemRow >= 0);
        QVERIFY(d.view().previewButtonRect(itemRow).isEmpty());
        const QRect eye = d.view().previewButtonRect(fileRow);
        QVERIFY(!eye.isEmpty());

        QWidget* viewport = d.view().resultList()->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, eye.center());
        QTRY_COMPARE(d.previews.size(), 1);
        QCOMPARE(d.previews.first(), std::pair(*file.targetURL, file.title));
        QVERIFY(d.opened.isEmpty());
        QVERIFY(d.controller->isVisible());

        const QRect row = d.view().rowRect(itemRow);
        QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(row.left() + 60, row.center().y()));
        QCOMPARE(d.view().selectedIndex(), itemRow);
        QTRY_COMPARE(d.opened.size(), 1);
        QCOMPARE(d.opened.first(), QUrl::fromLocalFile(d.inboxFolder + u"/report-2026.txt"_s));
        QTRY_VERIFY(!d.controller->panel()->isVisible());
    }

    // Escape closes the panel, from the field and from the window itself; so does another
    // window becoming active.
    void escapeDismisses_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("escape in the field") << u"field"_s;
        QTest::newRow("escape in the window") << u"window"_s;
        QTest::newRow("another window activated") << u"resign"_s;
    }

    void escapeDismisses()
    {
        QFETCH(QString, how);
        SpotDesk d;
        d.showPanel();
        QTRY_COMPARE(d.controller->panel()->windowOpacity(), 1.0);
        QTRY_VERIFY(d.controller->panel()->isActiveWindow());
        QWidget other;
        if (how == u"field"_s) {
            QTest::keyClick(&d.field(), Qt::Key_Escape);
        } else if (how == u"window"_s) {
            QTest::keyClick(d.controller->panel(), Qt::Key_Escape);
        } else {
            other.show();
            other.activateWindow();
            QTRY_VERIFY(!d.controller->panel()->isActiveWindow());
        }
        QVERIFY(!d.controller->isVisible());
        QTRY_VERIFY(!d.controller->panel()->isVisible());
        QCOMPARE(d.controller->panel()->windowOpacity(), 1.0);

        // A second dismissal of a hidden panel does nothing.
        d.controller->dismiss();
        QVERIFY(!d.controller->panel()->isVisible());
    }

    // One panel for the life of the controller, reused by every showing; a showing during the
    // fade-out keeps the panel up; toggling hides a shown panel and shows a hidden one.
    void showTwiceKeepsOnePanel()
    {
        SpotDesk d;
        QVERIFY(!d.controller->panel());
        QVERIFY(!d.controller->isVisible());
        d.controller->dismiss(); // nothing to dismiss yet
        QVERIFY(!d.controller->panel());

        d.showPanel();
        QPointer<SpotSearchHUDPanel> first = d.controller->panel();
        QPointer<SpotSearchHUDView> firstView = d.controller->view();
        d.controller->show();
        QCOMPARE(d.controller->panel(), first.data());
        QCOMPARE(d.controller->view(), firstView.data());
        int panels = 0;
        for (QWidget* window : QApplication::topLevelWidgets())
            panels += qobject_cast<SpotSearchHUDPanel*>(window) ? 1 : 0;
        QCOMPARE(panels, 1);
        QVERIFY(first->windowFlags().testFlag(Qt::Tool));
        QVERIFY(first->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(first->size(), QSize(640, 430));

        QTRY_COMPARE(first->windowOpacity(), 1.0);
        d.controller->dismiss();
        QVERIFY(!d.controller->isVisible());
        d.controller->show();
        QVERIFY(d.controller->isVisible());
        QTRY_COMPARE(first->windowOpacity(), 1.0);
        QTest::qWait(SpotSearchWindowController::fadeOutMs + 60);
        QVERIFY(first->isVisible());

        d.controller->toggle();
        QVERIFY(!d.controller->isVisible());
        QTRY_VERIFY(!first->isVisible());
        d.controller->toggle();
        QVERIFY(d.controller->isVisible());
        QCOMPARE(d.controller->panel(), first.data());
    }

    // Showing again starts afresh: an empty field, the first hit highlighted, the focus in the
    // field, the fences listed.
    void showingAgainStartsAfresh()
    {
        SpotDesk d;
        d.showPanel();
        // The first showing makes the panel the active window with the keys in the field.
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(&d.field()));
        d.type(u"report"_s);
        QTest::keyClick(&d.field(), Qt::Key_Down);
        d.field().clearFocus();
        d.controller->dismiss();
        QTRY_VERIFY(!d.controller->panel()->isVisible());

        d.showPanel();
        QCOMPARE(d.field().text(), QString());
        QCOMPARE(d.view().query(), QString());
        QCOMPARE(d.view().selectedIndex(), 0);
        QCOMPARE(d.view().results(), d.store->spotSearch(QString()));
    }

    // The store's changes reach the list while the user types, and never the field: its text,
    // its cursor and a composition under way stay as they are.
    void fieldIsNotResetWhileTyping()
    {
        SpotDesk d;
        d.showPanel();
        d.type(u"Pla"_s);
        QCOMPARE(d.view().results().size(), 1);

        // The cursor is put back inside the text; a field set anew would have it at the end.
        QTest::keyClick(&d.field(), Qt::Key_Left);
        QTest::keyClick(&d.field(), Qt::Key_Left);
        QCOMPARE(d.field().cursorPosition(), 1);
        FenceModel launch = d.stored(d.launch.id);
        launch.title = u"Plaza"_s;
        d.store->updateFence(launch);
        QTRY_COMPARE(d.view().results().size(), 2);
        QCOMPARE(d.field().text(), u"Pla"_s);
        QCOMPARE(d.field().cursorPosition(), 1);
        QTest::keyClick(&d.field(), Qt::Key_End);

        // A composition starts; the store changes again under it.
        QInputMethodEvent preedit(u"zh"_s, {QInputMethodEvent::Attribute(QInputMethodEvent::Cursor, 2, 1)});
        QApplication::sendEvent(&d.field(), &preedit);
        QVERIFY(d.field().isComposing());
        d.store->addTask(u"Plan the trip"_s, d.planner.id);
        QTRY_COMPARE(d.view().results().size(), 3);
        QVERIFY(d.field().isComposing());
        QCOMPARE(d.field().text(), u"Pla"_s);
        // The composition ends in a commit, which is what the search follows.
        QInputMethodEvent commit;
        commit.setCommitString(u"n"_s);
        QApplication::sendEvent(&d.field(), &commit);
        QVERIFY(!d.field().isComposing());
        QCOMPARE(d.field().text(), u"Plan"_s);
        QCOMPARE(d.view().query(), u"Plan"_s);
        QCOMPARE(d.view().results(), d.store->spotSearch(u"Plan"_s));
    }

    // The panel drops in centred across the main screen's visible area, its top the larger of
    // 16 % of the area's height and 80 below the area's top.
    void placement_data()
    {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QPoint>("origin");
        QTest::newRow("tall area: 16 %") << QRect(0, 25, 800, 575) << QPoint(80, 117);
        QTest::newRow("low area: 80") << QRect(0, 0, 800, 400) << QPoint(80, 80);
        QTest::newRow("offset screen") << QRect(1920, 30, 1280, 1000) << QPoint(2240, 190);
        QTest::newRow("narrower than the panel") << QRect(0, 0, 500, 600) << QPoint(-70, 96);
    }

    void placement()
    {
        QFETCH(QRect, area);
        QFETCH(QPoint, origin);
        QCOMPARE(SpotSearchWindowController::panelOrigin(area, QSize(640, 430)), origin);

        SpotDesk d;
        d.controller->placementArea = [area] { return std::optional(area); };
        d.showPanel();
        QCOMPARE(d.controller->panel()->pos(), origin);

        // Moved away, it comes back at the next showing; with no screen it stays put.
        d.controller->panel()->move(5, 5);
        d.controller->show();
        QCOMPARE(d.controller->panel()->pos(), origin);
        d.controller->panel()->move(5, 5);
        d.controller->placementArea = [] { return std::optional<QRect>(); };
        d.controller->show();
        QCOMPARE(d.controller->panel()->pos(), QPoint(5, 5));
    }

    // The tint is the active workspace's accent, with its badge in the search bar; without a
    // workspace the glass is crystal, the rows cerulean, and there is no badge.

    // The panel floats over whatever window is below it: its rows must stay readable over a
    // white page, a black terminal, a mid grey and the loud colours of a photo alike.
    void rowsStayReadableOverAnyWindow_data()
    {
        QTest::addColumn<ColorScheme>("scheme");
        QTest::addColumn<QColor>("below");
        const QList<std::pair<const char*, QColor>> windows = {
            {"white", Qt::white},         {"black", Qt::black},          {"grey", QColor(0x77, 0x77, 0x77)},
            {"red", QColor(0xe0, 0x20, 0x30)}, {"blue", QColor(0x10, 0x40, 0xd0)}, {"yellow", QColor(0xff, 0xd8, 0x00)},
        };
        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark})
            for (const auto& [name, below] : windows)
                QTest::addRow("%s-%s", scheme == ColorScheme::dark ? "dark" : "light", name) << scheme << below;
    }

    void rowsStayReadableOverAnyWindow()
    {
        QFETCH(ColorScheme, scheme);
        QFETCH(QColor, below);
        SpotDesk d;
        d.showPanel();
        d.view().environment()->setColorScheme(scheme);
        d.type(u"report"_s);
        QTRY_VERIFY(d.view().results().size() >= 2);

        SpotSearchHUDView& view = d.view();
        QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(below);
        view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        // For people to look at.
        const QString screens = QStringLiteral(MORVANTEEL_BUILD_DIR "/screens");
        QDir().mkpath(screens);
        image.save(screens + u"/spotsearch-over-"_s + QString::fromLatin1(QTest::currentDataTag()) + u".png"_s);

        // Row 1 (row 0 carries the highlight): its title and subtitle against the row beside the
        // icon.
        const int row = 1;
        const QModelIndex index = view.model()->index(row);
        const SpotSearchRowGeometry g = SpotSearchRowGeometry::compute(
            QRectF(view.rowRect(row)), index.data(SpotSearchResultsModel::CategoryLabelRole).toString(),
            index.data(SpotSearchResultsModel::PreviewableRole).toBool());
        const QPoint origin = view.resultList()->viewport()->mapTo(&view, QPoint(0, 0));
        const int besideIcon = int((g.icon.right() + g.title.left()) / 2) + origin.x();
        for (const auto& [what, area] : {std::pair("title", g.title), std::pair("subtitle", g.subtitle)}) {
            const QRect text = area.toAlignedRect().translated(origin) & image.rect();
            QVERIFY(!text.isEmpty());
            const QColor background = image.pixelColor(besideIcon, text.center().y());
            double best = 1;
            for (int y = text.top(); y <= text.bottom(); ++y)
                for (int x = text.left(); x <= text.right(); ++x)
                    best = std::max(best, contrastRatio(image.pixelColor(x, y), background));
            QVERIFY2(best >= 4.5, QByteArray(what) + ' ' + QByteArray::number(best, 'f', 2));
        }
    }

    void tintFollowsTheWorkspace()
    {
        SpotDesk d;
        d.showPanel();
        QCOMPARE(d.view().surfaceTint(), FenceTintPalette::mint);
        QCOMPARE(d.view().rowTint(), FenceTintPalette::mint);
        QVERIFY(d.view().workspaceBadge()->isVisible());
        QCOMPARE(d.view().workspaceBadge()->text(), u"桌面"_s);

        QList<WorkspaceProfile> workspaces = d.store->workspaces();
        workspaces[0].accentTint = FenceTintPalette::rose;
        workspaces[0].name = u"<b>工作</b>"_s;
        d.store->setWorkspaces(workspaces);
        QTRY_COMPARE(d.view().rowTint(), FenceTintPalette::rose);
        QCOMPARE(d.view().workspaceBadge()->text(), u"<b>工作</b>"_s);

        StoreFixture empty;
        std::unique_ptr<MorvanteelStore> store = empty.makeStore(Seeding::disabled);
        QVERIFY(store->workspaces().isEmpty());
        DesktopPanelManager manager(*store, [](const QUuid&, const FencePanelContent::Callbacks&) {
            return new BlankContent();
        });
        SpotSearchWindowController controller(*store, manager);
        controller.placementArea = [] { return std::optional(QRect(0, 0, 800, 600)); };
        controller.show();
        QVERIFY(QTest::qWaitForWindowExposed(controller.panel()));
        QCOMPARE(controller.view()->surfaceTint(), FenceTintPalette::crystal);
        QCOMPARE(controller.view()->rowTint(), FenceTintPalette::cerulean);
        QVERIFY(!controller.view()->workspaceBadge()->isVisible());
        QVERIFY(controller.view()->results().isEmpty());
        QCOMPARE(controller.view()->footerCountText(), u"共 0 条结果"_s);
    }

    // The list model follows new results in place, keyed by hit id: kept rows keep their
    // place in the model, no reset.
    void modelUpdatesInPlace()
    {
        SpotSearchResultsModel model;
        const auto hit = [](const QString& id, const QString& title) {
            SpotSearchResult result;
            result.id = id;
            result.title = title;
            return result;
        };
        model.setResults({hit(u"a"_s, u"A"_s), hit(u"b"_s, u"B"_s), hit(u"c"_s, u"C"_s)});
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy removals(&model, &QAbstractItemModel::rowsRemoved);
        QPersistentModelIndex kept(model.index(2));
        model.setResults({hit(u"c"_s, u"C2"_s), hit(u"a"_s, u"A"_s), hit(u"d"_s, u"D"_s), hit(u"d"_s, u"dup"_s)});
        QCOMPARE(resets.size(), 0);
        QCOMPARE(removals.size(), 1);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(kept.row(), 0);
        QCOMPARE(kept.data(Qt::DisplayRole).toString(), u"C2"_s);
        QCOMPARE(model.index(2).data(Qt::DisplayRole).toString(), u"D"_s);
        QVERIFY(!model.data(model.index(3), Qt::DisplayRole).isValid());
    }
};

QTEST_MAIN(SpotSearchPanelTest)
#include "tst_spotsearchpanel.moc"
