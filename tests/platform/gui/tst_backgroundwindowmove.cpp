#include "platform/gui/BackgroundWindowMove.h"

#include <QMouseEvent>
#include <QtTest>
#include <QWidget>

using namespace mv::platform;

namespace {

QMouseEvent mouseEvent(QEvent::Type type, QPoint global, Qt::MouseButton button, Qt::MouseButtons held)
{
    return QMouseEvent(type, QPointF(0, 0), QPointF(global), button, held, Qt::NoModifier);
}

// A frameless window shown at a known place, and the move that its events are handed to.
struct Fixture {
    QWidget window{nullptr, Qt::FramelessWindowHint};
    BackgroundWindowMove move;
    QPoint start;

    [[nodiscard]] bool show()
    {
        window.setGeometry(100, 100, 200, 120);
        window.show();
        start = window.pos();
        return QTest::qWaitForWindowExposed(&window);
    }
};

} // namespace

// Qt's offscreen platform offers no move by the window manager, so the move is our own: the
// window follows the pointer from the press on, and only while the left button is held.
class BackgroundWindowMoveTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QStringLiteral("offscreen"))
            QSKIP("run offscreen: a window manager may take the move itself");
    }

    void followsTheLeftButton()
    {
        Fixture f;
        QVERIFY(f.show());

        QMouseEvent press = mouseEvent(QEvent::MouseButtonPress, f.start + QPoint(30, 20), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(f.move.press(f.window, press));
        QVERIFY(press.isAccepted());
        QVERIFY(f.move.isMovingManually());

        QMouseEvent drag = mouseEvent(QEvent::MouseMove, f.start + QPoint(75, 5), Qt::NoButton, Qt::LeftButton);
        QVERIFY(f.move.move(f.window, drag));
        QCOMPARE(f.window.pos(), f.start + QPoint(45, -15));

        QMouseEvent release = mouseEvent(QEvent::MouseButtonRelease, f.start + QPoint(75, 5), Qt::LeftButton, Qt::NoButton);
        QVERIFY(f.move.release(release));
        QVERIFY(!f.move.isMovingManually());
        QMouseEvent after = mouseEvent(QEvent::MouseMove, f.start + QPoint(200, 200), Qt::NoButton, Qt::LeftButton);
        QVERIFY(!f.move.move(f.window, after));
        QCOMPARE(f.window.pos(), f.start + QPoint(45, -15));
    }

    // Other buttons, and moves without the left button, are the window's own.
    void leavesOtherEventsAlone()
    {
        Fixture f;
        QVERIFY(f.show());

        QMouseEvent rightPress = mouseEvent(QEvent::MouseButtonPress, f.start + QPoint(10, 10), Qt::RightButton, Qt::RightButton);
        QVERIFY(!f.move.press(f.window, rightPress));
        QMouseEvent rightDrag = mouseEvent(QEvent::MouseMove, f.start + QPoint(60, 60), Qt::NoButton, Qt::RightButton);
        QVERIFY(!f.move.move(f.window, rightDrag));
        QMouseEvent rightRelease = mouseEvent(QEvent::MouseButtonRelease, f.start, Qt::RightButton, Qt::NoButton);
        QVERIFY(!f.move.release(rightRelease));

        QMouseEvent press = mouseEvent(QEvent::MouseButtonPress, f.start + QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(f.move.press(f.window, press));
        QMouseEvent hover = mouseEvent(QEvent::MouseMove, f.start + QPoint(60, 60), Qt::NoButton, Qt::NoButton);
        QVERIFY(!f.move.move(f.window, hover));
        QCOMPARE(f.window.pos(), f.start);
    }
};

QTEST_MAIN(BackgroundWindowMoveTest)
#include "tst_backgroundwindowmove.moc"
