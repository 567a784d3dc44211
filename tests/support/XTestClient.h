#pragma once

// Header only: just the tests that include it link xcb and xcb-xtest.

#include <xcb/xcb.h>
#include <xcb/xtest.h>

// A connection of another client of the X server, as a real keyboard or mouse would be, and
// whether the server offers the XTEST extension to give input through it.
class XTestClient {
public:
    XTestClient()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(m_connection, &xcb_test_id);
        m_hasXTest = xtest && xtest->present;
    }
    ~XTestClient() { xcb_disconnect(m_connection); }
    XTestClient(const XTestClient&) = delete;
    XTestClient& operator=(const XTestClient&) = delete;

    bool hasXTest() const { return m_hasXTest; }

protected:
    xcb_connection_t* m_connection;
    xcb_window_t m_root = XCB_NONE;
    bool m_hasXTest = false;
};
