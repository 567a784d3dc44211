#pragma once

// Header only: just the tests that include it link xcb and xcb-xtest.

#include <QList>
#include <QObject>
#include <QPoint>
#include <QTimer>

#include "support/XTestClient.h"

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <functional>

// A pointer of another client of the X server: it moves and clicks through the XTEST
// extension, as a mouse would, so the server's grabs, the window manager and drag and drop all
// see real input. Positions are global, in the server's pixels.
class XTestPointer final : public XTestClient {
public:
    static constexpr uint8_t leftButton = 1;
    static constexpr uint8_t rightButton = 3;

    bool isReady() const { return m_hasXTest && !xcb_connection_has_error(m_connection); }

    void moveTo(const QPoint& global)
    {
        xcb_test_fake_input(m_connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_root, int16_t(global.x()),
                            int16_t(global.y()), 0);
        xcb_flush(m_connection);
    }
    void press(uint8_t button = leftButton) { fake(XCB_BUTTON_PRESS, button); }
    void release(uint8_t button = leftButton) { fake(XCB_BUTTON_RELEASE, button); }

    // Where the server has the pointer now.
    QPoint position() const
    {
        xcb_query_pointer_reply_t* reply =
            xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr);
        const QPoint at = reply ? QPoint(reply->root_x, reply->root_y) : QPoint();
        std::free(reply);
        return at;
    }

private:
    void fake(uint8_t type, uint8_t button)
    {
        xcb_test_fake_input(m_connection, type, button, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(m_connection);
    }
};

// Input given one step at a time from the event loop, `interval` ms apart, so that it goes on
// while the program under test runs a loop of its own (a drag, a menu): a test cannot call the
// pointer itself from inside such a loop.
class XTestScript final : public QObject {
public:
    XTestScript(XTestPointer& pointer, int interval = 40)
        : m_pointer(pointer)
    {
        m_timer.setInterval(interval);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { next(); });
    }

    XTestScript& moveTo(const QPoint& global)
    {
        m_steps.append([this, global] { m_pointer.moveTo(global); });
        return *this;
    }
    XTestScript& press(uint8_t button = XTestPointer::leftButton)
    {
        m_steps.append([this, button] { m_pointer.press(button); });
        return *this;
    }
    XTestScript& release(uint8_t button = XTestPointer::leftButton)
    {
        m_steps.append([this, button] { m_pointer.release(button); });
        return *this;
    }
    XTestScript& click(const QPoint& global, uint8_t button = XTestPointer::leftButton)
    {
        return moveTo(global).press(button).release(button);
    }
    // One step of nothing, for the program to catch up.
    XTestScript& pause(int steps = 1)
    {
        for (int i = 0; i < steps; ++i)
            m_steps.append([] {});
        return *this;
    }
    XTestScript& run(const std::function<void()>& step)
    {
        m_steps.append(step);
        return *this;
    }
    // A press at `from`, a drag in `stepCount` even moves to `to`, and the release there: the
    // window system's drag and drop sees every move.
    XTestScript& drag(const QPoint& from, const QPoint& to, int stepCount = 12, uint8_t button = XTestPointer::leftButton)
    {
        moveTo(from).press(button);
        for (int step = 1; step <= stepCount; ++step)
            moveTo(from + (to - from) * step / stepCount);
        // A drop target answers the last move before the release decides.
        moveTo(to).pause(2).release(button);
        return *this;
    }

    void start()
    {
        m_next = 0;
        m_timer.start();
    }
    bool isFinished() const { return m_next >= m_steps.size(); }

private:
    void next()
    {
        if (isFinished()) {
            m_timer.stop();
            return;
        }
        // A copy: the step may add steps.
        const std::function<void()> step = m_steps.at(m_next++);
        step();
    }

    XTestPointer& m_pointer;
    QList<std::function<void()>> m_steps;
    QTimer m_timer;
    qsizetype m_next = 0;
};
