#pragma once

// Header only: just the tests that include it link xcb.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRect>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

// Another client of the X server, as a wallpaper setter and a screenshot tool are: it sets the
// root window's background pixmap and names it in _XROOTPMAP_ID, and reads back what the screen
// shows and what windows carry. Its pixmaps live as long as it does.
class X11DesktopClient {
public:
    X11DesktopClient()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            return;
        m_screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    }
    ~X11DesktopClient()
    {
        xcb_disconnect(m_connection);
    }
    X11DesktopClient(const X11DesktopClient&) = delete;
    X11DesktopClient& operator=(const X11DesktopClient&) = delete;

    bool isConnected() const { return m_screen != nullptr; }
    QSize screenSize() const { return QSize(m_screen->width_in_pixels, m_screen->height_in_pixels); }

    // Makes `image` (the screen's size) the root's background and the wallpaper named in
    // `property` (the other name is taken away), as wallpaper setters do, and frees the pixmap it
    // replaces.
    void setWallpaper(const QImage& image, const char* property = "_XROOTPMAP_ID")
    {
        const QImage pixels = image.convertToFormat(QImage::Format_RGB32);
        const xcb_pixmap_t pixmap = xcb_generate_id(m_connection);
        xcb_create_pixmap(m_connection, m_screen->root_depth, pixmap, m_screen->root, uint16_t(pixels.width()),
                          uint16_t(pixels.height()));
        const xcb_gcontext_t gc = xcb_generate_id(m_connection);
        xcb_create_gc(m_connection, gc, pixmap, 0, nullptr);
        const int band = std::max(1, int(60000 / (pixels.width() * 4)));
        for (int top = 0; top < pixels.height(); top += band) {
            const int rows = std::min(band, pixels.height() - top);
            QByteArray data;
            for (int row = 0; row < rows; ++row)
                data.append(reinterpret_cast<const char*>(pixels.constScanLine(top + row)), pixels.width() * 4);
            xcb_put_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, uint16_t(pixels.width()),
                          uint16_t(rows), 0, int16_t(top), 0, m_screen->root_depth, uint32_t(data.size()),
                          reinterpret_cast<const uint8_t*>(data.constData()));
        }
        xcb_free_gc(m_connection, gc);
        xcb_change_window_attributes(m_connection, m_screen->root, XCB_CW_BACK_PIXMAP, &pixmap);
        xcb_clear_area(m_connection, 0, m_screen->root, 0, 0, 0, 0);
        for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"})
            if (std::strcmp(name, property) != 0)
                xcb_delete_property(m_connection, m_screen->root, atom(name));
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_screen->root, atom(property), XCB_ATOM_PIXMAP, 32,
                            1, &pixmap);
        if (m_wallpaper != XCB_NONE)
            xcb_free_pixmap(m_connection, m_wallpaper);
        m_wallpaper = pixmap;
        sync();
    }

    // No named wallpaper, and the root plainly `colour`, as `xsetroot -solid` leaves it.
    void setPlainBackground(QColor colour)
    {
        xcb_delete_property(m_connection, m_screen->root, atom("_XROOTPMAP_ID"));
        xcb_delete_property(m_connection, m_screen->root, atom("ESETROOT_PMAP_ID"));
        const uint32_t pixel = colour.rgb() & 0xFFFFFF;
        xcb_change_window_attributes(m_connection, m_screen->root, XCB_CW_BACK_PIXEL, &pixel);
        xcb_clear_area(m_connection, 0, m_screen->root, 0, 0, 0, 0);
        if (m_wallpaper != XCB_NONE)
            xcb_free_pixmap(m_connection, m_wallpaper);
        m_wallpaper = XCB_NONE;
        sync();
    }

    // Sets the root property `name` with no value, as a compositor announces what it supports,
    // or (`present` false) takes it away again.
    void announceOnRoot(const char* name, bool present = true)
    {
        const xcb_atom_t property = atom(name);
        if (present)
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_screen->root, property, property, 8, 0, nullptr);
        else
            xcb_delete_property(m_connection, m_screen->root, property);
        sync();
    }

    // What the screen shows: the root window with everything on it.
    QImage screen()
    {
        const QSize size = screenSize();
        QImage image(size, QImage::Format_RGB32);
        const int band = 100;
        for (int top = 0; top < size.height(); top += band) {
            const int rows = std::min(band, size.height() - top);
            Reply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
                m_connection,
                xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_screen->root, 0, int16_t(top),
                              uint16_t(size.width()), uint16_t(rows), ~0u),
                nullptr));
            if (!reply || xcb_get_image_data_length(reply.get()) < rows * size.width() * 4)
                return {};
            for (int row = 0; row < rows; ++row)
                std::memcpy(image.scanLine(top + row), xcb_get_image_data(reply.get()) + row * size.width() * 4,
                            std::size_t(size.width()) * 4);
        }
        return image;
    }

    // The depth of the visual `window` was made with.
    int visualDepth(xcb_window_t window)
    {
        Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(m_connection, xcb_get_window_attributes(m_connection, window), nullptr));
        if (!attributes)
            return 0;
        for (auto depths = xcb_screen_allowed_depths_iterator(m_screen); depths.rem; xcb_depth_next(&depths))
            for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem; xcb_visualtype_next(&visuals))
                if (visuals.data->visual_id == attributes->visual)
                    return depths.data->depth;
        return 0;
    }

    // The values of a CARDINAL property of `window`; empty when it is not set, and `isSet` says
    // which of the two an empty list means.
    QList<uint32_t> cardinals(xcb_window_t window, const char* name, bool* isSet = nullptr)
    {
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, atom(name), XCB_ATOM_CARDINAL, 0, 4096),
            nullptr));
        const bool set = reply && reply->type == XCB_ATOM_CARDINAL && reply->format == 32;
        if (isSet)
            *isSet = set;
        QList<uint32_t> values;
        if (set) {
            const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
            for (int i = 0; i < xcb_get_property_value_length(reply.get()) / 4; ++i)
                values.append(data[i]);
        }
        return values;
    }

    // Whether a compositing manager holds the screen's selection.
    bool isComposited()
    {
        Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
            m_connection, xcb_get_selection_owner(m_connection, atom("_NET_WM_CM_S0")), nullptr));
        return owner && owner->owner != XCB_NONE;
    }

    void sync()
    {
        Reply<xcb_get_input_focus_reply_t> reply(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

private:
    struct FreeDeleter {
        void operator()(void* reply) const { std::free(reply); }
    };
    template<typename T>
    using Reply = std::unique_ptr<T, FreeDeleter>;

    xcb_atom_t atom(const char* name)
    {
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name), nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    xcb_connection_t* m_connection;
    xcb_screen_t* m_screen = nullptr;
    xcb_pixmap_t m_wallpaper = XCB_NONE;
};
