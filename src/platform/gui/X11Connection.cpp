#include "platform/gui/X11Connection.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstring>

namespace mv::platform::x11 {

Display display()
{
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    auto* native = application ? application->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = native ? native->connection() : nullptr;
    if (!connection || xcb_connection_has_error(connection))
        return {};
    Display result;
    result.connection = connection;
    // Qt opens the display named by DISPLAY; its screen part is the default screen.
    const char* name = std::getenv("DISPLAY");
    int screen = 0;
    char* host = nullptr;
    int displayNumber = 0;
    if (name && xcb_parse_display(name, &host, &displayNumber, &screen))
        std::free(host);
    else
        screen = 0;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screen && screens.rem > 1; ++i)
        xcb_screen_next(&screens);
    if (!screens.data)
        return {};
    result.root = screens.data->root;
    result.screenNumber = screen;
    return result;
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

void selectRootPropertyChanges(const Display& display)
{
    Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
        display.connection, xcb_get_window_attributes(display.connection, display.root), nullptr));
    const uint32_t mask = (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(display.connection, display.root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(display.connection);
}

} // namespace mv::platform::x11
