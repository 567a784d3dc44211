#include "core/store/support/StoreFixture.h"
#include "desktop/controlcenter/ControlCenterView.h"
#include "design/LiquidGlassPillButton.h"
#include "desktop/preview/QuickLookPresenter.h"
#include "desktop/shell/ControlCenterHostView.h"
#include "desktop/shell/DesktopFencePanel.h"
#include "desktop/shell/DesktopPanelManager.h"
#include "desktop/shell/MorvanteelAppRuntime.h"
#include "desktop/shell/SpotSearchWindowController.h"

#include <QFile>
#include <QSignalSpy>
#include <QThread>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

// A runtime over a fresh store, and a small text file for its preview to show.
struct PreviewDesk {
    StoreFixture fixture;
    QTemporaryDir dir;
    QUrl file;
    std::unique_ptr<MorvanteelAppRuntime> runtime;

    PreviewDesk()
    {
        QFile notes(dir.filePath(u"notes.txt"_s));
        if (notes.open(QIODevice::WriteOnly) && notes.write("notes\n") == 6)
            file = QUrl::fromLocalFile(notes.fileName());
        runtime = std::make_unique<MorvanteelAppRuntime>(fixture.makeStore());
    }
    bool isReady() const { return dir.isValid() && file.isValid(); }
};

} // namespace

class AppRuntimeTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The launch opens the control center on the workspaces page, whatever page it showed; a
    // second start does nothing.
    void startOpensTheControlCenterOnce()
    {
        StoreFixture fixture;
        MorvanteelAppRuntime runtime(fixture.makeStore());
        QVERIFY(!runtime.didStart());
        QVERIFY(!runtime.panelManager().shownFenceIDs().isEmpty()); // the seed's fences are up
        runtime.setControlCenterTab(ControlCenterTab::appearance);
        runtime.start();
        QVERIFY(runtime.didStart());
        QCOMPARE(runtime.controlCenterTab(), ControlCenterTab::workspaces);
        QWidget* window = runtime.controlCenterController().window();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), u"Morvanteel 控制中心"_s);
        QCOMPARE(window->minimumSize(), QSize(920, 600));

        window->close();
        QVERIFY(!window->isVisible());
        runtime.start();
        QVERIFY(!window->isVisible());
    }

    // Closing only hides: the same window comes back, on the page given or the page it showed.
    void showReusesTheWindow()
    {
        StoreFixture fixture;
        MorvanteelAppRuntime runtime(fixture.makeStore());
        ControlCenterWindowController& controller = runtime.controlCenterController();
        controller.show(ControlCenterTab::smartRules);
        QPointer<QWidget> window = controller.window();
        window->close();
        controller.show();
        controller.show();
        QCOMPARE(controller.window(), window.data());
        QVERIFY(window->isVisible());
        QCOMPARE(runtime.controlCenterTab(), ControlCenterTab::smartRules);

        // The page list and the runtime's page follow each other.
        auto* host = qobject_cast<ControlCenterHostView*>(window.data());
        QVERIFY(host);
        QCOMPARE(host->pageList()->currentRow(), 1);
        host->pageList()->setCurrentRow(3);
        QCOMPARE(runtime.controlCenterTab(), ControlCenterTab::companion);
        runtime.setControlCenterTab(ControlCenterTab::workspaces);
        QCOMPARE(host->pageList()->currentRow(), 0);
    }

    // The control center, the tray and deep links only show the search panel; Ctrl+K and a
    // fence's search action toggle it.
    void searchPanelRoads()
    {
        StoreFixture fixture;
        MorvanteelAppRuntime runtime(fixture.makeStore());
        SpotSearchWindowController& search = runtime.spotSearchController();
        runtime.showSpotSearch();
        QVERIFY(search.isVisible());
        runtime.showSpotSearch();
        QVERIFY(search.isVisible());
        runtime.panelManager().onOpenSpotSearch();
        QTRY_VERIFY(!search.isVisible());
        runtime.panelManager().onOpenSpotSearch();
        QTRY_VERIFY(search.isVisible());
        runtime.handleDeepLinkURL(QUrl(u"morvanteel://smart-tidy"_s));
        QCOMPARE(runtime.controlCenterTab(), ControlCenterTab::smartRules);
        QVERIFY(runtime.controlCenterController().window()->isVisible());
    }

    // SpotSearch's preview button presents: pressed again on the file shown, it never closes
    // the preview (a fence's Space key is the one that toggles).
    void searchPreviewPresents()
    {
        StoreFixture fixture;
        const QString notes = fixture.dir.filePath(u"notes.txt"_s);
        QVERIFY(StoreFixture::writeFile(notes, "notes\n"));
        const QUrl file = QUrl::fromLocalFile(notes);
        MorvanteelAppRuntime runtime(fixture.makeStore());
        QuickLookPresenter& preview = runtime.quickLookPresenter();
        runtime.spotSearchController().onPreview(file, u"会议记录"_s);
        runtime.spotSearchController().onPreview(file, u"会议记录"_s);
        QVERIFY(preview.isVisible());
        QVERIFY(!preview.isFadingOut());
        QCOMPARE(preview.currentURL(), std::optional<QUrl>(file));
        QTest::qWait(QuickLookPresenter::fadeOutMs + 60);
        QVERIFY(preview.isVisible());
    }

    // A fence asking for a page opens the control center there.
    void fencesOpenTheControlCenter()
    {
        StoreFixture fixture;
        MorvanteelAppRuntime runtime(fixture.makeStore());
        QVERIFY(runtime.panelManager().onOpenControlCenter);
        runtime.panelManager().onOpenControlCenter(ControlCenterTab::appearance);
        QVERIFY(runtime.controlCenterController().window()->isVisible());
        QCOMPARE(runtime.controlCenterTab(), ControlCenterTab::appearance);
    }

    // An entry menu's preview item presents: asked twice for the file it shows, the preview
    // stays open.
    void entryMenuPreviewPresents()
    {
        PreviewDesk d;
        QVERIFY(d.isReady());
        const QUrl file = d.file;
        auto& runtime = d.runtime;
        QuickLookPresenter& preview = runtime->quickLookPresenter();
        runtime->panelManager().onPresentPreview(file, u"笔记"_s);
        runtime->panelManager().onPresentPreview(file, u"笔记"_s);
        QVERIFY(preview.isVisible());
        QVERIFY(!preview.isFadingOut());
        QCOMPARE(preview.currentURL(), std::optional<QUrl>(file));
        QCOMPARE(preview.headerStrip()->title(), u"笔记"_s);
    }

    // A fence's Space key, an entry menu's preview item and SpotSearch's preview button show
    // files in the runtime's own preview, which goes with the runtime.
    void previewsBelongToTheRuntime()
    {
        PreviewDesk d;
        QVERIFY(d.isReady());
        const QUrl file = d.file;
        auto& runtime = d.runtime;
        QuickLookPresenter& preview = runtime->quickLookPresenter();
        QVERIFY(!preview.panel());

        runtime->panelManager().onTogglePreview(file);
        QVERIFY(preview.isVisible());
        QCOMPARE(preview.currentURL(), std::optional<QUrl>(file));
        QCOMPARE(preview.headerStrip()->title(), u"notes.txt"_s);
        runtime->panelManager().onTogglePreview(file);
        QVERIFY(preview.isFadingOut());
        QTRY_VERIFY(!preview.isVisible());

        runtime->spotSearchController().onPreview(file, u"会议记录"_s);
        QVERIFY(preview.isVisible());
        QCOMPARE(preview.headerStrip()->title(), u"会议记录"_s);

        // An entry menu's preview item presents: asked again for the file it shows, it stays open.
        runtime->panelManager().onPresentPreview(file, u"笔记"_s);
        runtime->panelManager().onPresentPreview(file, u"笔记"_s);
        QVERIFY(preview.isVisible());
        QVERIFY(!preview.isFadingOut());
        QCOMPARE(preview.headerStrip()->title(), u"笔记"_s);

        const QPointer<QuickLookHUDPanel> panel = preview.panel();
        runtime.reset();
        QVERIFY(!panel);
    }

    void quitFromTheControlCenter_data()
    {
        QTest::addColumn<bool>("byShortcut");
        QTest::newRow("Ctrl+Q") << true;
        QTest::newRow("quit button") << false;
    }

    // Without a tray host the control center is the way out: Ctrl+Q and its button end the
    // event loop, and a fence moved a moment before, whose save still waits for its timer, is
    // in the state file.
    void quitFromTheControlCenter()
    {
        QFETCH(bool, byShortcut);
        StoreFixture fixture;
        auto runtime = std::make_unique<MorvanteelAppRuntime>(fixture.makeStore());
        // No magnetic snap: the moved fence stays where it was put, whichever fence it is and
        // whoever its neighbours are.
        GlobalPreferences preferences = runtime->store().preferences();
        preferences.snapThreshold = 0;
        QVERIFY(runtime->store().setPreferences(preferences));
        runtime->start();
        auto* host = qobject_cast<ControlCenterHostView*>(runtime->controlCenterController().window());
        QVERIFY(host);
        QVERIFY(QTest::qWaitForWindowActive(host));
        QCOMPARE(host->view()->quitButton()->title(), u"退出 Morvanteel"_s);

        const QList<QUuid> shown = runtime->panelManager().shownFenceIDs();
        QVERIFY(!shown.isEmpty());
        const QUuid fenceID = shown.first();
        DesktopFencePanel* panel = runtime->panelManager().panel(fenceID);
        QVERIFY(panel);
        const int writesBefore = fixture.savedStateWrites();
        Q_EMIT panel->userMoveOrResizeStarted();
        panel->move(panel->pos() + QPoint(40, 0));
        Q_EMIT panel->frameChanged(true);
        const double movedX = runtime->store().fence(fenceID)->desktopFrame.x;
        QCOMPARE(fixture.savedStateWrites(), writesBefore); // the save waits for the end of the burst

        QSignalSpy aboutToQuit(qApp, &QCoreApplication::aboutToQuit);
        QTimer::singleShot(0, host, [host, byShortcut] {
            if (byShortcut)
                QTest::keyClick(host, Qt::Key_Q, Qt::ControlModifier);
            else
                QTest::mouseClick(host->view()->quitButton(), Qt::LeftButton);
        });
        QTimer watchdog; // a quit that never comes
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(7); });
        watchdog.start(5000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(aboutToQuit.count(), 1);
        QVERIFY(fixture.savedStateWrites() > writesBefore);

        const std::unique_ptr<MorvanteelStore> reread = fixture.makeStore();
        QVERIFY(reread->fence(fenceID));
        QCOMPARE(reread->fence(fenceID)->desktopFrame.x, movedX);
    }

    void anEditRightBeforeQuitIsOnDisk_data()
    {
        QTest::addColumn<bool>("throughRuntime");
        QTest::newRow("the program's quit") << true;
        QTest::newRow("the event loop ended elsewhere") << false;
    }

    // The disk is slow, the edit comes just before the end: the state file holds it once the
    // event loop has ended, without anyone waiting for the saves afterwards.
    void anEditRightBeforeQuitIsOnDisk()
    {
        QFETCH(bool, throughRuntime);
        StoreFixture fixture;
        StoreEnvironment environment = fixture.environment();
        const QString state = fixture.statePath();
        environment.writeFile = [state](const QString& path, const QByteArray& bytes) {
            if (path == state)
                QThread::msleep(150);
            return platform::writeFileAtomically(path, bytes);
        };
        auto runtime = std::make_unique<MorvanteelAppRuntime>(
            std::make_unique<MorvanteelStore>(fixture.locations(), Seeding::enabled, environment));
        MorvanteelStore& store = runtime->store();
        const QUuid fenceID = store.activeFences().first().id;

        QTimer::singleShot(0, runtime.get(), [&runtime, &store, fenceID, throughRuntime] {
            store.renameFence(fenceID, u"退出前改的名字"_s);
            if (throughRuntime)
                runtime->quit();
            else
                QCoreApplication::quit();
        });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(7); });
        watchdog.start(10000);
        QCOMPARE(QCoreApplication::exec(), 0);

        const auto saved = decodeDocument(StoreFixture::readFile(state));
        QVERIFY(saved);
        const auto renamed = std::find_if(saved.value().fences.cbegin(), saved.value().fences.cend(),
                                          [&](const FenceModel& fence) { return fence.id == fenceID; });
        QVERIFY(renamed != saved.value().fences.cend());
        QCOMPARE(renamed->title, u"退出前改的名字"_s);
    }
};

QTEST_MAIN(AppRuntimeTest)
#include "tst_appruntime.moc"
