#include "desktop/content/NativeFileBridge.h"
#include "support/PortalPanelFixture.h"
#include "support/WidgetProbes.h"
#include "support/XTestKeyboard.h"
#include "support/XTestPointer.h"
#include "support/XvfbSession.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>

#include <X11/keysym.h>

#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

// What the X server, the window manager and the event loop are given to deliver input.
constexpr int deliveryTimeout = 8000;

// A window of another kind of program that takes dropped files and reads their URL list. It
// answers Move, as a file manager moving the files would, though it moves nothing.
class DropTarget final : public QWidget {
public:
    DropTarget()
    {
        setAcceptDrops(true);
        setWindowTitle(u"drop target"_s);
    }
    QList<QList<QUrl>> drops;
    int enters = 0;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override
    {
        ++enters;
        if (event->mimeData()->hasUrls())
            event->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* event) override
    {
        if (event->mimeData()->hasUrls())
            event->acceptProposedAction();
    }
    void dropEvent(QDropEvent* event) override
    {
        drops.append(event->mimeData()->urls());
        event->setDropAction(Qt::MoveAction);
        event->accept();
    }
};

// The portal fence in its panel on a real X server with a window manager. Drags are real, and
// counted.
struct Desktop : PortalPanelFixture {
    int dragsStarted = 0;
    QList<Qt::DropAction> dragResults;
    XTestPointer pointer;

    explicit Desktop(bool withOtherFences = false)
        : PortalPanelFixture(QRect(60, 60, 360, 420))
    {
        if (withOtherFences)
            addFence(desk, u"R&D"_s, FenceKind::portal, 2, otherFolder);
        body()->fileActions.drag = [this](QWidget* source, const nativefilebridge::FileDrag& drag) {
            ++dragsStarted;
            const Qt::DropAction result = nativefilebridge::execFileDrag(source, drag);
            dragResults.append(result);
            return result;
        };
    }

    // The centre of an entry's tile, on the screen.
    QPoint globalCentreOf(const QString& name) const { return viewport()->mapToGlobal(centreOf(name)); }
    QPoint globalEmptySpot() const { return viewport()->mapToGlobal(emptySpot()); }

    // Runs the script and waits until it is done and what it caused has arrived.
    [[nodiscard]] bool play(XTestScript& script)
    {
        script.start();
        if (!QTest::qWaitFor([&] { return script.isFinished(); }, deliveryTimeout))
            return false;
        QTest::qWait(150);
        return true;
    }
};

// The whole screen as the X server shows it, the menus over the windows.
QImage screenShot()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->grabWindow(0).toImage() : QImage();
}

} // namespace

// Real pointer input through XTEST, on an X server and window manager of the test's own.
class PortalEntryInputTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        XTestPointer pointer;
        if (!pointer.isReady())
            QSKIP("the X server offers no XTEST");
    }

    void clickSelects()
    {
        Desktop d;
        QVERIFY(d.show());
        XTestScript script(d.pointer);
        script.click(d.globalCentreOf(u"b.txt"_s));
        QVERIFY(d.play(script));
        QCOMPARE(d.browser().selectedEntryID(), std::optional<QString>(d.folder + u"/b.txt"_s));
        QVERIFY(d.opened.isEmpty());
        QCOMPARE(d.dragsStarted, 0);
    }

    void doubleClickEntersAFolder()
    {
        Desktop d;
        QVERIFY(d.show());
        const QPoint at = d.globalCentreOf(u"sub"_s);
        XTestScript script(d.pointer);
        script.moveTo(at).pause().press().release().press().release();
        QVERIFY(d.play(script));
        QCOMPARE(d.browser().breadcrumbURLs(), QList<QUrl>{QUrl::fromLocalFile(d.folder + u"/sub"_s)});
        QVERIFY(!d.browser().selectedEntryID());
    }

    void dragStartsBeyondFourPoints_data()
    {
        QTest::addColumn<QPoint>("by");
        QTest::addColumn<bool>("drags");
        QTest::newRow("4 points") << QPoint(4, 0) << false;
        QTest::newRow("5 points") << QPoint(0, 5) << true;
    }

    void dragStartsBeyondFourPoints()
    {
        QFETCH(QPoint, by);
        QFETCH(bool, drags);
        Desktop d;
        QVERIFY(d.show());
        const QPoint at = d.globalCentreOf(u"a.txt"_s);
        const QPoint panelAt = d.panel->pos();
        XTestScript script(d.pointer);
        // The release comes from the script: a drag that began holds the loop until it.
        script.moveTo(at).pause().press().moveTo(at + by).pause(2).release();
        QVERIFY(d.play(script));
        QTRY_COMPARE_WITH_TIMEOUT(d.dragResults.size(), drags ? 1 : 0, deliveryTimeout);
        QCOMPARE(d.dragsStarted, drags ? 1 : 0);
        QVERIFY(d.opened.isEmpty());
        QCOMPARE(d.panel->pos(), panelAt);
        QVERIFY(QFile::exists(d.folder + u"/a.txt"_s));
    }

    // The URL list reaches a window of another program; its Move leaves the file alone here:
    // moving it was the receiver's to do.
    void dragOutToAnotherWindow()
    {
        Desktop d;
        QVERIFY(d.show());
        DropTarget target;
        target.setGeometry(520, 120, 220, 180);
        target.show();
        QVERIFY(QTest::qWaitForWindowExposed(&target));
        QTest::qWait(200);
        const QPoint into = target.mapToGlobal(target.rect().center());
        XTestScript script(d.pointer);
        script.drag(d.globalCentreOf(u"b.txt"_s), into, 16);
        QVERIFY(d.play(script));
        QTRY_COMPARE_WITH_TIMEOUT(target.drops.size(), 1, deliveryTimeout);
        QCOMPARE(target.drops.first(), QList<QUrl>{QUrl::fromLocalFile(d.folder + u"/b.txt"_s)});
        QTRY_COMPARE_WITH_TIMEOUT(d.dragResults, QList<Qt::DropAction>{Qt::MoveAction}, deliveryTimeout);
        QVERIFY(QFile::exists(d.folder + u"/b.txt"_s));
        QVERIFY(d.view);
        QVERIFY(d.model()->rowOf(d.folder + u"/b.txt"_s) >= 0);
    }

    // A file dragged from one fence onto another is moved into the other's folder, the source is
    // told Move, both listings follow, and Ctrl+Z in the fence brings it back.
    void dragOntoAnotherFence()
    {
        Desktop d;
        const FenceModel other = d.addFence(d.desk, u"归档"_s, FenceKind::portal, 2, d.otherFolder);
        DesktopFencePanel otherPanel(other.id, QRect(520, 60, 360, 420));
        auto* otherView = new MacFenceContentView(*d.store, other.id, FencePanelContent::Callbacks(), &d.environment);
        otherPanel.setContentView(otherView);
        QVERIFY(d.show());
        otherPanel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&otherPanel));
        QTest::qWait(200);
        QWidget* otherViewport = otherView->portalList()->viewport();
        const QPoint into = otherViewport->mapToGlobal(QPoint(24, otherViewport->height() - 40));

        XTestScript script(d.pointer);
        script.drag(d.globalCentreOf(u"b.txt"_s), into, 16);
        QVERIFY(d.play(script));
        QTRY_COMPARE_WITH_TIMEOUT(d.dragResults, QList<Qt::DropAction>{Qt::MoveAction}, deliveryTimeout);
        QVERIFY(!QFile::exists(d.folder + u"/b.txt"_s));
        QVERIFY(QFile::exists(d.otherFolder + u"/b.txt"_s));
        QCOMPARE(d.store->undoStack().size(), 1);
        QVERIFY(!otherView->isDropTargeted());
        QTRY_VERIFY_WITH_TIMEOUT(!d.listed().contains(u"b.txt"_s), deliveryTimeout);

        // Ctrl+Z in the fence, typed on the server's keyboard; the panel asks the store, as the
        // panel manager wires it.
        d.panel->onUndoCommand = [&d] { return d.store->undoLastFileOperation(); };
        d.panel->activateWindow();
        QTRY_VERIFY_WITH_TIMEOUT(d.panel->isActiveWindow(), deliveryTimeout);
        XTestKeyboard keyboard;
        QVERIFY(keyboard.isConnected() && keyboard.hasXTest());
        keyboard.type({XK_Control_L}, XK_z);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(d.folder + u"/b.txt"_s), deliveryTimeout);
        QVERIFY(!QFile::exists(d.otherFolder + u"/b.txt"_s));
        QVERIFY(d.store->undoStack().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(d.listed().contains(u"b.txt"_s), deliveryTimeout);
    }

    void pressOnTheEmptyListMovesTheFence()
    {
        Desktop d;
        QVERIFY(d.show());
        const QPoint start = d.panel->pos();
        const QPoint from = d.globalEmptySpot();
        QVERIFY(!d.list()->indexAt(d.list()->viewport()->mapFromGlobal(from)).isValid());
        XTestScript script(d.pointer);
        script.drag(from, from + QPoint(60, 30), 6);
        QVERIFY(d.play(script));
        QTRY_COMPARE_WITH_TIMEOUT(d.panel->pos(), start + QPoint(60, 30), deliveryTimeout);
        QCOMPARE(d.dragsStarted, 0);
    }

    void contextMenuItems_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("withOtherFences");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("shot");
        const QString preview = u"快速预览 (空格)"_s;
        const QString reveal = u"在文件管理器中显示"_s;
        const QString trash = u"移到回收站"_s;
        const QString separator = u"—"_s;
        QTest::newRow("file") << u"a.txt"_s << false
                              << QStringList{preview, u"打开文件"_s, reveal, separator, trash} << u"file"_s;
        QTest::newRow("folder") << u"sub"_s << false
                                << QStringList{preview, u"进入文件夹"_s, reveal, separator, trash} << u"folder"_s;
        QTest::newRow("file, other fences")
            << u"b.txt"_s << true
            << QStringList{preview, u"打开文件"_s, reveal, separator, u"移至其他传送门围栏"_s, separator, trash}
            << u"file-targets"_s;
        QTest::newRow("folder, other fences")
            << u"sub"_s << true
            << QStringList{preview, u"进入文件夹"_s, reveal, separator, u"移至其他传送门围栏"_s, separator, trash}
            << u"folder-targets"_s;
    }

    void contextMenuItems()
    {
        QFETCH(QString, entry);
        QFETCH(bool, withOtherFences);
        QFETCH(QStringList, items);
        QFETCH(QString, shot);
        Desktop d(withOtherFences);
        QVERIFY(d.show());
        XTestScript script(d.pointer);
        script.moveTo(d.globalCentreOf(entry)).pause().press(XTestPointer::rightButton).release(XTestPointer::rightButton);
        QVERIFY(d.play(script));
        QTRY_VERIFY_WITH_TIMEOUT(openPopupMenu(), deliveryTimeout);
        QMenu* menu = openPopupMenu();
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        QCOMPARE(menuTexts(menu), items);
        if (withOtherFences) {
            const QAction* move = menuItem(menu, u"移至其他传送门围栏"_s);
            QVERIFY(move && move->menu());
            QCOMPARE(menuTexts(move->menu()), QStringList{u"R&&D"_s});
        }
        // The menu opened at the pointer, over the fence.
        QVERIFY(menu->geometry().contains(d.pointer.position() + QPoint(2, 2)));

        QTest::qWait(250); // its fade-in, if the style has one
        const QImage image = screenShot();
        QVERIFY(!image.isNull());
        const QString folder = QStringLiteral(MORVANTEEL_BUILD_DIR "/screens");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(image.save(folder + u"/portal-entry-menu-"_s + shot + u".png"_s));

        menu->close();
        QTRY_VERIFY(!openPopupMenu());
        // A right press selects the entry, like any press; the window stays where it was.
        QCOMPARE(d.browser().selectedEntryID(), std::optional<QString>(d.folder + u'/' + entry));
    }
};

MORVANTEEL_X11_TEST_MAIN(PortalEntryInputTest)
#include "tst_portalentryinput.moc"
