// A fence window under a real window manager that is asked to close it, as Alt+F4 or a task
// switcher's close would: the fence stays; an ordinary window beside it closes, which shows
// the request arrived.

#include "desktop/shell/DesktopFencePanel.h"
#include "support/XvfbSession.h"

#include <QApplication>
#include <QTest>
#include <QUuid>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

using namespace mv;

namespace {

constexpr int windowManagerTimeout = 10000;

// A client of the X server of its own, as a pager is, asking the window manager to close a
// window through _NET_CLOSE_WINDOW.
class Pager final {
public:
    Pager()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (!xcb_connection_has_error(m_connection))
            m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~Pager() { xcb_disconnect(m_connection); }
    Pager(const Pager&) = delete;
    Pager& operator=(const Pager&) = delete;

    bool isConnected() const { return m_root != XCB_NONE; }

    void askToClose(xcb_window_t window)
    {
        xcb_client_message_event_t request{};
        request.response_type = XCB_CLIENT_MESSAGE;
        request.format = 32;
        request.window = window;
        request.type = atom("_NET_CLOSE_WINDOW");
        request.data.data32[0] = XCB_CURRENT_TIME;
        request.data.data32[1] = 2; // a pager's request
        xcb_send_event(m_connection, 0, m_root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&request));
        xcb_flush(m_connection);
    }

    bool isViewable(xcb_window_t window)
    {
        std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> reply(
            xcb_get_window_attributes_reply(m_connection, xcb_get_window_attributes(m_connection, window), nullptr),
            &std::free);
        return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    }

private:
    xcb_atom_t atom(const char* name)
    {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, uint16_t(qstrlen(name)), name),
                                  nullptr),
            &std::free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root = XCB_NONE;
};

} // namespace

class FencePanelCloseTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theWindowManagersCloseLeavesTheFenceShown()
    {
        Pager pager;
        QVERIFY(pager.isConnected());

        DesktopFencePanel panel(QUuid::createUuid(), QRect(80, 80, 340, 280));
        panel.applyPresentation(false, false, 1.0, false);
        QWidget ordinary;
        ordinary.setGeometry(500, 80, 200, 150);
        ordinary.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel, windowManagerTimeout));
        QVERIFY(QTest::qWaitForWindowExposed(&ordinary, windowManagerTimeout));

        pager.askToClose(xcb_window_t(panel.winId()));
        pager.askToClose(xcb_window_t(ordinary.winId()));
        // Both requests went the same way; once the ordinary window is gone the fence's has
        // been answered too.
        QTRY_VERIFY_WITH_TIMEOUT(!ordinary.isVisible(), windowManagerTimeout);
        QTest::qWait(200);

        QVERIFY(panel.isVisible());
        QVERIFY(pager.isViewable(xcb_window_t(panel.winId())));
    }

    void theProgramCanStillCloseItsOwnFence()
    {
        DesktopFencePanel panel(QUuid::createUuid(), QRect(80, 80, 340, 280));
        panel.applyPresentation(false, false, 1.0, false);
        QVERIFY(QTest::qWaitForWindowExposed(&panel, windowManagerTimeout));
        QVERIFY(panel.close());
        QVERIFY(!panel.isVisible());
    }
};

MORVANTEEL_X11_TEST_MAIN(FencePanelCloseTest)
#include "tst_fencepanelclose.moc"
