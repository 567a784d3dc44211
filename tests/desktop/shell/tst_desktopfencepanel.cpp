#include "desktop/shell/DesktopFencePanel.h"
#include "desktop/shell/TopPinnedContentView.h"

#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QtTest>

using namespace mv;

namespace {

// A focusable widget that, like most widgets, leaves the keys it gets to its parents.
class KeyRecorder final : public QWidget {
public:
    explicit KeyRecorder(QWidget* parent = nullptr)
        : QWidget(parent)
    {
        setFocusPolicy(Qt::StrongFocus);
    }

    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        // QTest presses the modifier keys first, as a keyboard would.
        const int key = event->key();
        if (key != Qt::Key_Control && key != Qt::Key_Shift && key != Qt::Key_Alt && key != Qt::Key_Meta)
            keys.append(key);
        event->ignore();
    }
};

// A shown panel filled by its content view, whose content holds `focusTarget`.
struct PanelFixture {
    DesktopFencePanel panel{QUuid::createUuid(), QRect(100, 100, 320, 240)};
    TopPinnedContentView* view = nullptr;
    QWidget* content = new QWidget;
    int undos = 0;
    int redos = 0;
    int quickLooks = 0;
    bool undoResult = true;
    bool redoResult = true;
    bool quickLookResult = true;

    explicit PanelFixture(bool withCallbacks = true)
    {
        auto* layout = new QVBoxLayout(content);
        layout->setContentsMargins(20, 20, 20, 20);
        view = new TopPinnedContentView(content, 240, 18);
        panel.setContentView(view);
        if (withCallbacks) {
            panel.onUndoCommand = [this] { ++undos; return undoResult; };
            panel.onRedoCommand = [this] { ++redos; return redoResult; };
            panel.onSpaceQuickLook = [this] { ++quickLooks; return quickLookResult; };
        }
    }

    template<class W>
    W* add(W* widget)
    {
        content->layout()->addWidget(widget);
        return widget;
    }

    bool showActive()
    {
        panel.applyPresentation(false, false, 1.0, false);
        if (!QTest::qWaitForWindowExposed(&panel))
            return false;
        panel.activateWindow();
        return QTest::qWaitForWindowActive(&panel);
    }

    bool showAndFocus(QWidget* target)
    {
        if (!showActive())
            return false;
        target->setFocus();
        return panel.focusWidget() == target;
    }
};

bool near(double a, double b)
{
    return std::abs(a - b) < 0.01;
}

} // namespace

class DesktopFencePanelTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void createdHiddenOnTheDesktopLayer()
    {
        const QUuid id = QUuid::createUuid();
        DesktopFencePanel panel(id, QRect(40, 50, 100, 20));
        QCOMPARE(panel.fenceID(), id);
        QVERIFY(!panel.isVisible());
        QVERIFY(!panel.isPeekLayer());
        QCOMPARE(panel.visibilityAnimationToken(), 0);
        QVERIFY(panel.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(panel.testAttribute(Qt::WA_ShowWithoutActivating));
        QCOMPARE(panel.geometry(), QRect(40, 50, 240, 46));
    }

    void commandKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<bool>("withCallbacks");
        QTest::addColumn<bool>("callbackResult");
        QTest::addColumn<int>("undos");
        QTest::addColumn<int>("redos");
        QTest::addColumn<int>("quickLooks");
        QTest::addColumn<bool>("reachesFocusWidget");
        // Ctrl (Shift optional, no Alt or Meta) with Z is undo, or redo with Shift; a bare Space
        // is Quick Look. A key is kept from the focused widget only when its callback took it,
        // and each callback runs once however far the key travels.
        const auto none = Qt::KeyboardModifiers();
        const auto ctrl = Qt::KeyboardModifiers(Qt::ControlModifier);
        QTest::newRow("Ctrl+Z undoes") << int(Qt::Key_Z) << ctrl << true << true << 1 << 0 << 0 << false;
        QTest::newRow("Ctrl+Shift+Z redoes") << int(Qt::Key_Z) << (ctrl | Qt::ShiftModifier) << true << true << 0 << 1 << 0 << false;
        QTest::newRow("Ctrl+Alt+Z is neither") << int(Qt::Key_Z) << (ctrl | Qt::AltModifier) << true << true << 0 << 0 << 0 << true;
        QTest::newRow("Ctrl+Meta+Z is neither") << int(Qt::Key_Z) << (ctrl | Qt::MetaModifier) << true << true << 0 << 0 << 0 << true;
        QTest::newRow("Meta+Z is neither") << int(Qt::Key_Z) << Qt::KeyboardModifiers(Qt::MetaModifier) << true << true << 0 << 0 << 0 << true;
        QTest::newRow("bare Z") << int(Qt::Key_Z) << none << true << true << 0 << 0 << 0 << true;
        QTest::newRow("Ctrl+Y") << int(Qt::Key_Y) << ctrl << true << true << 0 << 0 << 0 << true;
        QTest::newRow("nothing to undo goes on") << int(Qt::Key_Z) << ctrl << true << false << 1 << 0 << 0 << true;
        QTest::newRow("nothing to redo goes on") << int(Qt::Key_Z) << (ctrl | Qt::ShiftModifier) << true << false << 0 << 1 << 0 << true;
        QTest::newRow("no undo callback") << int(Qt::Key_Z) << ctrl << false << true << 0 << 0 << 0 << true;
        QTest::newRow("Space previews") << int(Qt::Key_Space) << none << true << true << 0 << 0 << 1 << false;
        QTest::newRow("Shift+Space does not") << int(Qt::Key_Space) << Qt::KeyboardModifiers(Qt::ShiftModifier) << true << true << 0 << 0 << 0 << true;
        QTest::newRow("Ctrl+Space does not") << int(Qt::Key_Space) << ctrl << true << true << 0 << 0 << 0 << true;
        QTest::newRow("no selection: Space goes on") << int(Qt::Key_Space) << none << true << false << 0 << 0 << 1 << true;
        QTest::newRow("no Space callback") << int(Qt::Key_Space) << none << false << true << 0 << 0 << 0 << true;
    }

    void commandKeys()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(bool, withCallbacks);
        QFETCH(bool, callbackResult);
        QFETCH(int, undos);
        QFETCH(int, redos);
        QFETCH(int, quickLooks);
        QFETCH(bool, reachesFocusWidget);

        PanelFixture f(withCallbacks);
        f.undoResult = f.redoResult = f.quickLookResult = callbackResult;
        auto* target = f.add(new KeyRecorder);
        QVERIFY(f.showAndFocus(target));

        QTest::keyClick(target, Qt::Key(key), modifiers);
        QCOMPARE(f.undos, undos);
        QCOMPARE(f.redos, redos);
        QCOMPARE(f.quickLooks, quickLooks);
        QCOMPARE(target->keys, reachesFocusWidget ? QList<int>{key} : QList<int>());
    }

    void keysWithNoFocusWidgetReachThePanel()
    {
        PanelFixture f;
        QVERIFY(f.showActive());
        QVERIFY(!f.panel.focusWidget());
        QTest::keyClick(&f.panel, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(&f.panel, Qt::Key_Space);
        QCOMPARE(f.undos, 1);
        QCOMPARE(f.quickLooks, 1);
    }

    void textEditingKeepsItsKeys_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("panelTakesKeys");
        // Undo and Space belong to a widget that edits text; anything else leaves them to the panel.
        QTest::newRow("line edit") << 0 << false;
        QTest::newRow("read-only line edit") << 1 << true;
        QTest::newRow("plain text edit") << 2 << false;
        QTest::newRow("read-only text edit") << 3 << true;
        QTest::newRow("list view (type-ahead only)") << 4 << true;
    }

    void textEditingKeepsItsKeys()
    {
        QFETCH(int, kind);
        QFETCH(bool, panelTakesKeys);
        PanelFixture f;
        QWidget* target = nullptr;
        switch (kind) {
        case 0: target = new QLineEdit; break;
        case 1: {
            auto* edit = new QLineEdit;
            edit->setReadOnly(true);
            target = edit;
            break;
        }
        case 2: target = new QPlainTextEdit; break;
        case 3: {
            auto* edit = new QTextEdit;
            edit->setReadOnly(true);
            target = edit;
            break;
        }
        case 4: target = new QListView; break;
        }
        f.add(target);
        QVERIFY(f.showAndFocus(target));
        QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(target, Qt::Key_Space);
        QCOMPARE(f.undos, panelTakesKeys ? 1 : 0);
        QCOMPARE(f.quickLooks, panelTakesKeys ? 1 : 0);
    }

    void lineEditUndoesItsOwnTyping()
    {
        PanelFixture f;
        auto* edit = f.add(new QLineEdit);
        QVERIFY(f.showAndFocus(edit));
        QTest::keyClicks(edit, QStringLiteral("abc"));
        QCOMPARE(edit->text(), QStringLiteral("abc"));
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(edit->text(), QString());
        QTest::keyClick(edit, Qt::Key_Space);
        QCOMPARE(edit->text(), QStringLiteral(" "));
        QCOMPARE(f.undos, 0);
        QCOMPARE(f.quickLooks, 0);
    }

    void keysGoToTheirOwnPanel()
    {
        PanelFixture first;
        PanelFixture second;
        auto* firstTarget = first.add(new KeyRecorder);
        auto* secondTarget = second.add(new KeyRecorder);
        QVERIFY(first.showAndFocus(firstTarget));
        QVERIFY(second.showAndFocus(secondTarget));
        QTest::keyClick(secondTarget, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(first.undos, 0);
        QCOMPARE(second.undos, 1);

        // A window of its own inside the panel's content (a menu, a dialog) is not the panel.
        QWidget other;
        auto* otherTarget = new KeyRecorder(&other);
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        otherTarget->setFocus();
        QTest::keyClick(otherTarget, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(first.undos + second.undos, 1);
        QCOMPARE(otherTarget->keys, QList<int>{Qt::Key_Z});
    }

    void hidingAnInvisiblePanelDoesNothingMore()
    {
        DesktopFencePanel panel(QUuid::createUuid(), QRect(100, 100, 320, 240));
        panel.applyPresentation(true, true, 0.6, true);
        QCOMPARE(panel.visibilityAnimationToken(), 1);
        QVERIFY(panel.isPeekLayer());
        QVERIFY(!panel.isVisible());
        QCOMPARE(panel.windowOpacity(), 1.0);
        QVERIFY(panel.findChildren<QPropertyAnimation*>().isEmpty());
    }

    void presentationWithoutAnimation()
    {
        DesktopFencePanel panel(QUuid::createUuid(), QRect(100, 100, 320, 240));
        panel.applyPresentation(false, false, 0.4, false);
        QVERIFY(panel.isVisible());
        QVERIFY(near(panel.windowOpacity(), 0.4));
        QVERIFY(!panel.isPeekLayer());

        panel.applyPresentation(true, false, 1.0, false);
        QVERIFY(panel.isPeekLayer());
        QVERIFY(near(panel.windowOpacity(), 1.0));

        panel.animateAlpha(0.5, 0);
        QVERIFY(near(panel.windowOpacity(), 0.5));

        panel.applyPresentation(false, true, 1.0, false);
        QVERIFY(!panel.isVisible());
        QVERIFY(!panel.isPeekLayer());
        QCOMPARE(panel.windowOpacity(), 0.0);
        QCOMPARE(panel.visibilityAnimationToken(), 3);
    }

    void animatedHideFadesAndOrdersOut()
    {
        DesktopFencePanel panel(QUuid::createUuid(), QRect(100, 100, 320, 240));
        // A panel ordered in with animation starts transparent.
        panel.applyPresentation(false, false, 0.9, true);
        QVERIFY(panel.isVisible());
        QCOMPARE(panel.windowOpacity(), 0.0);
        QTRY_VERIFY_WITH_TIMEOUT(near(panel.windowOpacity(), 0.9), 5000);

        panel.applyPresentation(false, true, 0.9, true);
        QVERIFY(panel.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!panel.isVisible(), 5000);
        QCOMPARE(panel.windowOpacity(), 0.0);
        QCOMPARE(panel.visibilityAnimationToken(), 2);
    }

    void showDuringTheHideFadeKeepsThePanel()
    {
        DesktopFencePanel panel(QUuid::createUuid(), QRect(100, 100, 320, 240));
        panel.applyPresentation(false, false, 1.0, false);
        panel.applyPresentation(false, true, 1.0, true);
        panel.applyPresentation(false, false, 0.8, true);
        QCOMPARE(panel.visibilityAnimationToken(), 3);
        QTRY_VERIFY_WITH_TIMEOUT(near(panel.windowOpacity(), 0.8), 5000);
        // Long past the end of the hide fade.
        QTest::qWait(DesktopFencePanel::hideFadeMs * 2);
        QVERIFY(panel.isVisible());
        QVERIFY(near(panel.windowOpacity(), 0.8));
    }

    void activationIsReported()
    {
        DesktopFencePanel first(QUuid::createUuid(), QRect(100, 100, 320, 240));
        DesktopFencePanel second(QUuid::createUuid(), QRect(500, 100, 320, 240));
        QSignalSpy firstBecame(&first, &DesktopFencePanel::becameKey);
        QSignalSpy firstResigned(&first, &DesktopFencePanel::resignedKey);
        QSignalSpy secondBecame(&second, &DesktopFencePanel::becameKey);
        first.applyPresentation(false, false, 1.0, false);
        second.applyPresentation(false, false, 1.0, false);
        QVERIFY(QTest::qWaitForWindowExposed(&first));
        QVERIFY(QTest::qWaitForWindowExposed(&second));

        first.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&first));
        QTRY_VERIFY(firstBecame.count() >= 1);
        const int resignedBefore = firstResigned.count();
        const int secondBecameBefore = secondBecame.count();
        second.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&second));
        QTRY_COMPARE(firstResigned.count(), resignedBefore + 1);
        QCOMPARE(secondBecame.count(), secondBecameBefore + 1);
    }

    void applyFrameIsNoUserChange()
    {
        PanelFixture f;
        f.panel.applyPresentation(false, false, 1.0, false);
        QVERIFY(QTest::qWaitForWindowExposed(&f.panel));
        QSignalSpy changes(&f.panel, &DesktopFencePanel::frameChanged);

        const QRect pill(120, 90, 300, 46);
        f.panel.applyFrame(pill, false);
        QCOMPARE(f.panel.geometry(), pill);
        QCOMPARE(f.view->geometry(), QRect(0, 0, 300, 46));
        QCOMPARE(f.content->geometry(), QRect(0, 0, 300, 240));
        QVERIFY(changes.count() >= 1);
        for (const QList<QVariant>& change : changes)
            QCOMPARE(change.at(0).toBool(), false);

        const QRect expanded(150, 80, 340, 260);
        f.panel.applyFrame(expanded, true);
        QTRY_COMPARE_WITH_TIMEOUT(f.panel.geometry(), expanded, 5000);
        QCOMPARE(f.view->geometry(), QRect(0, 0, 340, 260));
    }

    void draggingTheBackground_data()
    {
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<QRect>("frame");
        // The panel starts at (100, 100, 320, 240); the pointer moves by (30, 20).
        QTest::newRow("background moves") << QPoint(160, 120) << QRect(130, 120, 320, 240);
        QTest::newRow("right edge resizes") << QPoint(317, 120) << QRect(100, 100, 350, 240);
        QTest::newRow("top left corner resizes") << QPoint(2, 2) << QRect(130, 120, 290, 220);
    }

    void draggingTheBackground()
    {
        QFETCH(QPoint, press);
        QFETCH(QRect, frame);
        PanelFixture f;
        f.panel.applyPresentation(false, false, 1.0, false);
        QVERIFY(QTest::qWaitForWindowExposed(&f.panel));
        QSignalSpy started(&f.panel, &DesktopFencePanel::userMoveOrResizeStarted);
        QSignalSpy ended(&f.panel, &DesktopFencePanel::userMoveOrResizeEnded);
        QSignalSpy changes(&f.panel, &DesktopFencePanel::frameChanged);

        // Where the window system cannot move the window, the panel follows the pointer itself.
        QTest::mousePress(f.view, Qt::LeftButton, {}, press);
        QCOMPARE(started.count(), 1);
        QTest::mouseMove(f.view, press + QPoint(30, 20));
        QTest::mouseRelease(f.view, Qt::LeftButton, {}, press + QPoint(30, 20));
        QCOMPARE(ended.count(), 1);
        QCOMPARE(f.panel.geometry(), frame);
        QVERIFY(!changes.isEmpty());
        QCOMPARE(changes.last().at(0).toBool(), true);
    }

    void lockedPanelStaysWhereItIs()
    {
        PanelFixture f;
        auto* button = f.add(new QPushButton(QStringLiteral("按钮")));
        f.panel.setLocked(true);
        QVERIFY(f.panel.isLocked());
        f.panel.applyPresentation(false, false, 1.0, false);
        QVERIFY(QTest::qWaitForWindowExposed(&f.panel));
        QSignalSpy started(&f.panel, &DesktopFencePanel::userMoveOrResizeStarted);
        const QRect before = f.panel.geometry();

        const QPoint background(160, 10);
        QTest::mousePress(f.view, Qt::LeftButton, {}, background);
        QTest::mouseMove(f.view, background + QPoint(30, 20));
        QTest::mouseRelease(f.view, Qt::LeftButton, {}, background + QPoint(30, 20));
        QCOMPARE(started.count(), 0);
        QCOMPARE(f.panel.geometry(), before);

        // Unlocked, the same press starts a move; a press that a control takes does not.
        f.panel.setLocked(false);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(started.count(), 0);
        QTest::mousePress(f.view, Qt::LeftButton, {}, background);
        QTest::mouseRelease(f.view, Qt::LeftButton, {}, background);
        QCOMPARE(started.count(), 1);
    }
};

QTEST_MAIN(DesktopFencePanelTest)
#include "tst_desktopfencepanel.moc"
