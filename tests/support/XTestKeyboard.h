#pragma once

// Header only: just the tests that include it link xcb, xcb-keysyms and xcb-xtest.

#include <QList>

#include "support/XTestClient.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <memory>

namespace xtest {

struct FreeDeleter {
    void operator()(void* reply) const { std::free(reply); }
};
template<typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

} // namespace xtest

// Another client of the X server: it types through the XTEST extension, as a keyboard would (so
// the server's grabs and lock states are exercised), and holds key grabs of its own.
class XTestKeyboard final : public XTestClient {
public:
    XTestKeyboard()
    {
        if (!xcb_connection_has_error(m_connection))
            m_symbols = xcb_key_symbols_alloc(m_connection);
    }
    ~XTestKeyboard()
    {
        if (m_symbols)
            xcb_key_symbols_free(m_symbols);
    }
    XTestKeyboard(const XTestKeyboard&) = delete;
    XTestKeyboard& operator=(const XTestKeyboard&) = delete;

    bool isConnected() const { return m_symbols != nullptr; }

    xcb_keycode_t keycode(xcb_keysym_t keysym) const
    {
        xtest::Reply<xcb_keycode_t> keycodes(xcb_key_symbols_get_keycode(m_symbols, keysym));
        return keycodes ? keycodes.get()[0] : xcb_keycode_t(XCB_NO_SYMBOL);
    }

    void press(xcb_keysym_t keysym) { fake(XCB_KEY_PRESS, keysym); }
    void release(xcb_keysym_t keysym) { fake(XCB_KEY_RELEASE, keysym); }

    // Holds `modifiers` down in order, presses and releases `key`, lets go of the modifiers.
    void type(const QList<xcb_keysym_t>& modifiers, xcb_keysym_t key)
    {
        for (const xcb_keysym_t modifier : modifiers)
            press(modifier);
        press(key);
        release(key);
        for (auto modifier = modifiers.crbegin(); modifier != modifiers.crend(); ++modifier)
            release(*modifier);
    }

    // The server's modifier state, lock modifiers included.
    quint16 modifierState() const
    {
        xtest::Reply<xcb_query_pointer_reply_t> pointer(
            xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr));
        return pointer ? pointer->mask & 0xff : 0;
    }

    // The modifier bit the key `keysym` is on, 0 where none.
    quint16 modifierMask(xcb_keysym_t keysym) const
    {
        xtest::Reply<xcb_get_modifier_mapping_reply_t> mapping(
            xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
        const xcb_keycode_t wanted = keycode(keysym);
        if (!mapping || wanted == XCB_NO_SYMBOL)
            return 0;
        const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(mapping.get());
        for (int modifier = 0; modifier < 8; ++modifier) {
            for (int i = 0; i < mapping->keycodes_per_modifier; ++i) {
                if (keycodes[modifier * mapping->keycodes_per_modifier + i] == wanted)
                    return quint16(1u << modifier);
            }
        }
        return 0;
    }

    // A grab of this client's own on the root window; false when the server refused it.
    bool grab(xcb_keysym_t keysym, quint16 modifiers)
    {
        const auto cookie = xcb_grab_key_checked(m_connection, 0, m_root, modifiers, keycode(keysym),
                                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        return !xtest::Reply<xcb_generic_error_t>(xcb_request_check(m_connection, cookie));
    }
    void ungrab(xcb_keysym_t keysym, quint16 modifiers)
    {
        xcb_ungrab_key(m_connection, keycode(keysym), m_root, modifiers);
        xcb_flush(m_connection);
    }

private:
    void fake(uint8_t type, xcb_keysym_t keysym)
    {
        xcb_test_fake_input(m_connection, type, keycode(keysym), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(m_connection);
    }

    xcb_key_symbols_t* m_symbols = nullptr;
};
