#include "desktop/content/NativeFileBridge.h"
#include "support/PortalPanelFixture.h"
#include "support/WidgetProbes.h"

#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QtTest>

#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

// The portal fence in its panel, with the desktop's side of the file actions and both
// previews recorded instead of run.
struct Entries : PortalPanelFixture {
    QList<QUrl> revealed;
    QList<QUrl> trashed;
    bool trashSucceeds = true;
    QList<std::pair<QUrl, QString>> presented;
    QList<std::pair<QUrl, QString>> toggled;
    struct Drag {
        QUrl url;
        QSize pixmapSize;
        QPoint hotSpot;
    };
    QList<Drag> drags;
    std::function<void()> whileDragging;

    Entries()
        : PortalPanelFixture(QRect(200, 150, 360, 420))
    {
        body()->onPresentPreview = [this](const QUrl& url, const QString& title) { presented.append({url, title}); };
        body()->onTogglePreview = [this](const QUrl& url, const QString& title) { toggled.append({url, title}); };
        body()->fileActions.reveal = [this](const QUrl& url) { revealed.append(url); };
        body()->fileActions.trash = [this](const QUrl& url) -> std::optional<QString> {
            trashed.append(url);
            if (trashSucceeds && QFile::remove(url.toLocalFile()))
                return std::nullopt;
            return u"权限不足"_s;
        };
        body()->fileActions.drag = [this](QWidget*, const nativefilebridge::FileDrag& drag) {
            drags.append({drag.url, drag.pixmap.deviceIndependentSize().toSize(), drag.hotSpot});
            if (whileDragging)
                whileDragging();
            return Qt::MoveAction;
        };
    }

    // Runs one item of the entry's menu, in a submenu when `submenu` is given.
    bool runMenuItem(const QString& name, const QString& text, const QString& submenu = {})
    {
        const std::unique_ptr<QMenu> menu(body()->createEntryMenu(entry(name), nullptr));
        return triggerMenuItem(menu.get(), text, submenu);
    }

    void doubleClick(const QString& name) const
    {
        const QPoint at = centreOf(name);
        QTest::mouseClick(viewport(), Qt::LeftButton, {}, at);
        QTest::mousePress(viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(viewport(), Qt::LeftButton, {}, at);
    }
};

QStringList submenuTexts(const QMenu* menu, const QString& opener)
{
    const QAction* item = menuItem(menu, opener);
    return item && item->menu() ? menuTexts(item->menu()) : QStringList{};
}

} // namespace

class PortalEntryActionsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // -- the context menu ------------------------------------------------------------------------

    void contextMenuItems_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("withTargets");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QStringList>("targets");
        const QString preview = u"快速预览 (空格)"_s;
        const QString reveal = u"在文件管理器中显示"_s;
        const QString move = u"移至其他传送门围栏"_s;
        const QString trash = u"移到回收站"_s;
        const QString separator = u"—"_s;
        // The open item names what it does; the move item and its separator are there only when
        // another portal fence of the active workspace is, bound or not, in the workspace's
        // order. Ampersands in fence titles are shown as typed.
        QTest::newRow("file") << u"a.txt"_s << false
                              << QStringList{preview, u"打开文件"_s, reveal, separator, trash} << QStringList{};
        QTest::newRow("folder") << u"sub"_s << false
                                << QStringList{preview, u"进入文件夹"_s, reveal, separator, trash} << QStringList{};
        QTest::newRow("file, targets")
            << u"a.txt"_s << true << QStringList{preview, u"打开文件"_s, reveal, separator, move, separator, trash}
            << QStringList{u"R&&D"_s, u"未绑定"_s};
        QTest::newRow("folder, targets")
            << u"sub"_s << true << QStringList{preview, u"进入文件夹"_s, reveal, separator, move, separator, trash}
            << QStringList{u"R&&D"_s, u"未绑定"_s};
    }

    void contextMenuItems()
    {
        QFETCH(QString, entry);
        QFETCH(bool, withTargets);
        QFETCH(QStringList, items);
        QFETCH(QStringList, targets);
        Entries f;
        // Never offered: a fence showing notes, one of another workspace.
        f.addFence(f.desk, u"便笺"_s, FenceKind::notes, 2);
        f.addFence(f.archive, u"归档传送门"_s, FenceKind::portal, 0, f.otherFolder);
        if (withTargets) {
            f.addFence(f.desk, u"未绑定"_s, FenceKind::portal, 5);
            f.addFence(f.desk, u"R&D"_s, FenceKind::portal, 0, f.otherFolder);
        }
        QVERIFY(f.show());

        // As a secondary click opens it.
        QContextMenuEvent click(QContextMenuEvent::Mouse, f.centreOf(entry), f.viewport()->mapToGlobal(f.centreOf(entry)));
        QApplication::sendEvent(f.viewport(), &click);
        QMenu* menu = openPopupMenu();
        QVERIFY(menu);
        QCOMPARE(menuTexts(menu), items);
        QCOMPARE(submenuTexts(menu, u"移至其他传送门围栏"_s), targets);
        QCOMPARE(menuItem(menu, u"快速预览 (空格)"_s)->shortcut(), QKeySequence(Qt::Key_Space));
        QVERIFY(!menuItem(menu, u"快速预览 (空格)"_s)->isShortcutVisibleInContextMenu());
        menu->close();
        QTRY_VERIFY(!openPopupMenu());

        // Empty space has no menu of an entry.
        QContextMenuEvent empty(QContextMenuEvent::Mouse, f.emptySpot(), f.viewport()->mapToGlobal(f.emptySpot()));
        QApplication::sendEvent(f.viewport(), &empty);
        QVERIFY(!openPopupMenu());
    }

    void previewItemPresentsAndSelects()
    {
        Entries f;
        QVERIFY(f.show());
        QVERIFY(f.runMenuItem(u"b.txt"_s, u"快速预览 (空格)"_s));
        QVERIFY(f.runMenuItem(u"b.txt"_s, u"快速预览 (空格)"_s));
        // Twice shown, never toggled: a preview of the file stays open.
        const std::pair<QUrl, QString> shown{f.url(u"b.txt"_s), u"b.txt"_s};
        QCOMPARE(f.presented, (QList<std::pair<QUrl, QString>>{shown, shown}));
        QVERIFY(f.toggled.isEmpty());
        QCOMPARE(f.browser().selectedEntryID(), std::optional<QString>(f.folder + u"/b.txt"_s));
    }

    void openRevealAndMoveItems_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("effect");
        QTest::newRow("open a file") << u"a.txt"_s << u"打开文件"_s << u"opened"_s;
        QTest::newRow("enter a folder") << u"sub"_s << u"进入文件夹"_s << u"entered"_s;
        QTest::newRow("reveal a file") << u"a.txt"_s << u"在文件管理器中显示"_s << u"revealed"_s;
        QTest::newRow("reveal a folder") << u"sub"_s << u"在文件管理器中显示"_s << u"revealed"_s;
    }

    void openRevealAndMoveItems()
    {
        QFETCH(QString, entry);
        QFETCH(QString, item);
        QFETCH(QString, effect);
        Entries f;
        QVERIFY(f.show());
        const QUrl url = f.url(entry);
        QVERIFY(f.runMenuItem(entry, item));
        QCOMPARE(f.opened, effect == u"opened" ? QList<QUrl>{url} : QList<QUrl>{});
        QCOMPARE(f.revealed, effect == u"revealed" ? QList<QUrl>{url} : QList<QUrl>{});
        QCOMPARE(f.browser().breadcrumbURLs(), effect == u"entered" ? QList<QUrl>{url} : QList<QUrl>{});
        QVERIFY(f.presented.isEmpty() && f.trashed.isEmpty());
    }

    // The file goes to the chosen fence's bound folder, undoably, and this fence shows it gone
    // at once, before any event of the folder arrives.
    void moveToAnotherPortalFence()
    {
        Entries f;
        const FenceModel target = f.addFence(f.desk, u"A&B"_s, FenceKind::portal, 3, f.otherFolder);
        QVERIFY(f.show());
        QVERIFY(f.runMenuItem(u"a.txt"_s, u"A&&B"_s, u"移至其他传送门围栏"_s));
        QVERIFY(QFile::exists(f.otherFolder + u"/a.txt"_s));
        QVERIFY(!QFile::exists(f.folder + u"/a.txt"_s));
        QCOMPARE(f.listed(), (QStringList{u"sub"_s, u"b.txt"_s}));
        QCOMPARE(f.store->undoStack().size(), 1);
        QCOMPARE(f.store->lastStatusMessage(), std::optional<QString>(u"移动 a.txt（可用 Ctrl+Z 撤销）"_s));

        QVERIFY(f.store->undoLastFileOperation());
        QVERIFY(QFile::exists(f.folder + u"/a.txt"_s));
        QTRY_COMPARE(f.listed(), (QStringList{u"sub"_s, u"a.txt"_s, u"b.txt"_s}));
        Q_UNUSED(target);
    }

    // A fence whose portal has no folder takes nothing: the store says so, this fence rescans.
    void moveToAnUnboundFence()
    {
        Entries f;
        f.addFence(f.desk, u"未绑定"_s, FenceKind::portal, 3);
        QVERIFY(f.show());
        QVERIFY(f.runMenuItem(u"a.txt"_s, u"未绑定"_s, u"移至其他传送门围栏"_s));
        QVERIFY(QFile::exists(f.folder + u"/a.txt"_s));
        QVERIFY(f.store->undoStack().isEmpty());
        QCOMPARE(f.store->lastStatusMessage(), std::optional<QString>(u"当前围栏未绑定文件夹传送门。"_s));
    }

    void trashItem_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("succeeds");
        QTest::addColumn<bool>("selectionStays");
        // Trashing the selected entry clears the selection, another entry leaves it; a failure
        // says so in the status. Nothing is recorded for undo.
        QTest::newRow("selected") << u"a.txt"_s << true << false;
        QTest::newRow("another selected") << u"b.txt"_s << true << true;
        QTest::newRow("fails") << u"a.txt"_s << false << false;
    }

    void trashItem()
    {
        QFETCH(QString, selected);
        QFETCH(bool, succeeds);
        QFETCH(bool, selectionStays);
        Entries f;
        f.trashSucceeds = succeeds;
        QVERIFY(f.show());
        f.browser().selectEntry(f.entry(selected));
        QVERIFY(f.runMenuItem(u"a.txt"_s, u"移到回收站"_s));
        QCOMPARE(f.trashed, QList<QUrl>{f.url(u"a.txt"_s)});
        QCOMPARE(f.listed().contains(u"a.txt"_s), !succeeds);
        QCOMPARE(f.browser().selectedEntryID().has_value(), selectionStays);
        QVERIFY(f.store->undoStack().isEmpty());
        QCOMPARE(f.store->lastStatusMessage(),
                 succeeds ? std::optional<QString>() : std::optional<QString>(u"未能将“a.txt”移到回收站：权限不足"_s));
    }

    // -- the selection of a vanished entry --------------------------------------------------------

    void selectionGoesWithItsEntry_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("deleted") << u"delete"_s;
        QTest::newRow("renamed") << u"rename"_s;
    }

    void selectionGoesWithItsEntry()
    {
        QFETCH(QString, how);
        Entries f;
        QVERIFY(f.show());
        QTest::mouseClick(f.viewport(), Qt::LeftButton, {}, f.centreOf(u"a.txt"_s));
        QVERIFY(f.browser().selectedEntryID());
        QSignalSpy selections(&f.browser(), &PortalBrowser::selectionChanged);
        const QString file = f.folder + u"/a.txt"_s;
        QVERIFY(how == u"delete" ? QFile::remove(file) : QFile::rename(file, f.folder + u"/c.txt"_s));
        QTRY_VERIFY(!f.listed().contains(u"a.txt"_s));
        QVERIFY(!f.browser().selectedEntryID());
        QCOMPARE(selections.size(), 1);
        QVERIFY(!f.list()->selectedEntryID());
        // Space previews nothing now.
        QVERIFY(!f.body()->togglePreviewOfSelection());
        QVERIFY(f.toggled.isEmpty());
    }

    // -- presses, double clicks and drags ----------------------------------------------------------

    void pressSelectsDoubleClickActivates()
    {
        Entries f;
        QVERIFY(f.show());
        QTest::mouseClick(f.viewport(), Qt::LeftButton, {}, f.centreOf(u"b.txt"_s));
        QCOMPARE(f.browser().selectedEntryID(), std::optional<QString>(f.folder + u"/b.txt"_s));
        QVERIFY(f.opened.isEmpty());
        f.doubleClick(u"a.txt"_s);
        QCOMPARE(f.opened, QList<QUrl>{f.url(u"a.txt"_s)});
        QCOMPARE(f.browser().selectedEntryID(), std::optional<QString>(f.folder + u"/a.txt"_s));
        f.doubleClick(u"sub"_s);
        QCOMPARE(f.browser().breadcrumbURLs(), QList<QUrl>{f.url(u"sub"_s)});
        QVERIFY(!f.browser().selectedEntryID());
    }

    void dragStartsBeyondFourPoints_data()
    {
        QTest::addColumn<QPoint>("by");
        QTest::addColumn<bool>("drags");
        // More than 4 points from the press, measured straight: a drag; 4 or less: nothing.
        QTest::newRow("4 right") << QPoint(4, 0) << false;
        QTest::newRow("4 down") << QPoint(0, 4) << false;
        QTest::newRow("5 right") << QPoint(5, 0) << true;
        QTest::newRow("5 up") << QPoint(0, -5) << true;
        QTest::newRow("3, 3 (4.24)") << QPoint(3, 3) << true;
        QTest::newRow("2, 3 (3.6)") << QPoint(2, 3) << false;
    }

    void dragStartsBeyondFourPoints()
    {
        QFETCH(QPoint, by);
        QFETCH(bool, drags);
        Entries f;
        QVERIFY(f.show());
        const QPoint at = f.centreOf(u"b.txt"_s);
        const QPoint panelAt = f.panel->pos();
        QTest::mousePress(f.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseMove(f.viewport(), at + by);
        QTest::mouseRelease(f.viewport(), Qt::LeftButton, {}, at + by);
        QCOMPARE(f.drags.size(), drags ? 1 : 0);
        if (drags) {
            QCOMPARE(f.drags.first().url, f.url(u"b.txt"_s));
            QCOMPARE(f.drags.first().pixmapSize, QSize(44, 44));
            const QRect tile = f.list()->tileRect(f.indexOf(u"b.txt"_s));
            QCOMPARE(f.drags.first().hotSpot,
                     nativefilebridge::dragHotSpot(QPointF(at + by - tile.topLeft()), QSizeF(tile.size())));
        }
        // A press on an entry never moves the window.
        QCOMPARE(f.panel->pos(), panelAt);
        QCOMPARE(f.browser().selectedEntryID(), std::optional<QString>(f.folder + u"/b.txt"_s));
    }

    // The release after a drag opens nothing, whatever its click count; a drag that takes the
    // fence away leaves no view to touch.
    void dragEndsTheGesture()
    {
        Entries f;
        QVERIFY(f.show());
        const QPoint at = f.centreOf(u"a.txt"_s);
        QTest::mouseClick(f.viewport(), Qt::LeftButton, {}, at);
        QTest::mousePress(f.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(f.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseMove(f.viewport(), at + QPoint(8, 0));
        QTest::mouseRelease(f.viewport(), Qt::LeftButton, {}, at + QPoint(8, 0));
        QCOMPARE(f.drags.size(), 1);
        QVERIFY(f.opened.isEmpty());
        // The file the receiver moved stays where the receiver put it.
        QVERIFY(QFile::exists(f.folder + u"/a.txt"_s));

        f.whileDragging = [&f] { f.store->deleteFence(f.fence.id); f.panel.reset(); };
        QTest::mousePress(f.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseMove(f.viewport(), at + QPoint(0, 9));
        QCOMPARE(f.drags.size(), 2);
        QVERIFY(!f.view);
    }

    void dragHotSpot_data()
    {
        QTest::addColumn<QPointF>("pointer");
        QTest::addColumn<QSizeF>("view");
        QTest::addColumn<QPoint>("hotSpot");
        // Centred on the pointer, but the image never reaches past the view's left or bottom
        // edge; the top and right are not held back.
        QTest::newRow("inside") << QPointF(50, 40) << QSizeF(100, 90) << QPoint(22, 22);
        QTest::newRow("left edge") << QPointF(5, 40) << QSizeF(100, 90) << QPoint(5, 22);
        QTest::newRow("bottom edge") << QPointF(50, 80) << QSizeF(100, 90) << QPoint(22, 34);
        QTest::newRow("lower left corner") << QPointF(0, 90) << QSizeF(100, 90) << QPoint(0, 44);
        QTest::newRow("top right") << QPointF(99, 1) << QSizeF(100, 90) << QPoint(22, 22);
        QTest::newRow("exactly half a side in") << QPointF(22, 68) << QSizeF(100, 90) << QPoint(22, 22);
    }

    void dragHotSpot()
    {
        QFETCH(QPointF, pointer);
        QFETCH(QSizeF, view);
        QFETCH(QPoint, hotSpot);
        QCOMPARE(nativefilebridge::dragHotSpot(pointer, view), hotSpot);
    }

    // -- the window behind the entries -------------------------------------------------------------

    void pressOnEmptySpaceMovesTheFence()
    {
        Entries f;
        QVERIFY(f.show());
        f.browser().selectEntry(f.entry(u"a.txt"_s));
        const QPoint start = f.panel->pos();
        const QPoint at = f.emptySpot();
        QVERIFY(!f.list()->indexAt(at).isValid());
        QTest::mousePress(f.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseMove(f.viewport(), at + QPoint(30, 12));
        QTest::mouseRelease(f.viewport(), Qt::LeftButton, {}, at + QPoint(30, 12));
        QCOMPARE(f.panel->pos(), start + QPoint(30, 12));
        // Nothing of the entries changed: no drag, the selection as it was.
        QVERIFY(f.drags.isEmpty());
        QCOMPARE(f.browser().selectedEntryID(), std::optional<QString>(f.folder + u"/a.txt"_s));
    }
};

QTEST_MAIN(PortalEntryActionsTest)
#include "tst_portalentryactions.moc"
