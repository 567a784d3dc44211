#include "platform/gui/DesktopWallpaperSource.h"

#include "platform/gui/X11Connection.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <array>
#include <cstring>

namespace mv::platform {

namespace {

// The properties common wallpaper setters name their pixmap in, the first one found wins.
constexpr std::array<const char*, 2> pixmapProperties{"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"};

struct Properties {
    std::array<xcb_atom_t, pixmapProperties.size()> atoms{};
};

xcb_pixmap_t wallpaperPixmap(xcb_connection_t* connection, xcb_window_t root, const Properties& properties)
{
    for (const xcb_atom_t property : properties.atoms) {
        if (property == XCB_ATOM_NONE)
            continue;
        x11::Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, root, property, XCB_ATOM_PIXMAP, 0, 1), nullptr));
        if (reply && reply->format == 32 && xcb_get_property_value_length(reply.get()) >= 4) {
            const auto pixmap = *static_cast<const xcb_pixmap_t*>(xcb_get_property_value(reply.get()));
            if (pixmap != XCB_NONE)
                return pixmap;
        }
    }
    return XCB_NONE;
}

// The visual's colour masks for a depth-24 or depth-32 image in the usual byte order; anything
// else is not read (null).
bool isStandardTrueColour(const xcb_setup_t* setup, uint8_t depth)
{
    for (xcb_format_iterator_t formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem;
         xcb_format_next(&formats)) {
        if (formats.data->depth == depth)
            return formats.data->bits_per_pixel == 32 && setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
    }
    return false;
}

// The pixmap's pixels; null when it is gone (a setter may free the old one at any time) or of a
// depth not read here.
QImage readPixmap(xcb_connection_t* connection, xcb_pixmap_t pixmap)
{
    // A pixmap that is gone answers with an error, taken here rather than left to Qt's log.
    xcb_generic_error_t* error = nullptr;
    x11::Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, pixmap), &error));
    std::free(error);
    if (!geometry || geometry->width == 0 || geometry->height == 0
        || (geometry->depth != 24 && geometry->depth != 32)
        || !isStandardTrueColour(xcb_get_setup(connection), geometry->depth))
        return {};
    const int width = geometry->width;
    const int height = geometry->height;
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    // In bands, so that no reply outgrows the server's request size.
    const uint32_t maximumBytes = std::max<uint32_t>(xcb_get_maximum_request_length(connection) * 4, 65536) / 2;
    const int bandHeight = std::max(1, int(maximumBytes / (uint32_t(width) * 4)));
    for (int top = 0; top < height; top += bandHeight) {
        const int rows = std::min(bandHeight, height - top);
        x11::Reply<xcb_get_image_reply_t> reply(
            xcb_get_image_reply(connection,
                                xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, 0, int16_t(top),
                                              uint16_t(width), uint16_t(rows), ~0u),
                                &error));
        std::free(error);
        error = nullptr;
        if (!reply || xcb_get_image_data_length(reply.get()) < rows * width * 4)
            return {};
        const uint8_t* data = xcb_get_image_data(reply.get());
        for (int row = 0; row < rows; ++row)
            std::memcpy(image.scanLine(top + row), data + std::size_t(row) * width * 4, std::size_t(width) * 4);
    }
    return image;
}

} // namespace

// Sees a change of the wallpaper properties on the root window.
class DesktopWallpaperSource::EventFilter final : public QAbstractNativeEventFilter {
public:
    EventFilter(DesktopWallpaperSource& source, const x11::Display& display, const Properties& properties)
        : source(source)
        , display(display)
        , properties(properties)
    {
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override
    {
        (void)result;
        if (eventType != "xcb_generic_event_t" || x11::eventType(message) != XCB_PROPERTY_NOTIFY)
            return false;
        const auto* event = static_cast<const xcb_property_notify_event_t*>(message);
        if (event->window == display.root && std::ranges::find(properties.atoms, event->atom) != properties.atoms.end())
            source.invalidate();
        return false;
    }

    DesktopWallpaperSource& source;
    x11::Display display;
    Properties properties;
};

DesktopWallpaperSource& DesktopWallpaperSource::instance()
{
    static QPointer<DesktopWallpaperSource> source;
    if (!source) {
        source = new DesktopWallpaperSource();
        if (QCoreApplication* application = QCoreApplication::instance())
            source->setParent(application);
    }
    return *source;
}

DesktopWallpaperSource::DesktopWallpaperSource()
{
    const x11::Display display = x11::display();
    if (!display)
        return;
    Properties properties;
    for (std::size_t i = 0; i < pixmapProperties.size(); ++i)
        properties.atoms[i] = x11::atom(display.connection, pixmapProperties[i]);
    x11::selectRootPropertyChanges(display);
    m_filter = new EventFilter(*this, display, properties);
    QCoreApplication::instance()->installNativeEventFilter(m_filter);
}

DesktopWallpaperSource::~DesktopWallpaperSource()
{
    if (m_filter) {
        if (QCoreApplication* application = QCoreApplication::instance())
            application->removeNativeEventFilter(m_filter);
        delete m_filter;
    }
}

bool DesktopWallpaperSource::hasWallpaper()
{
    load();
    return !m_wallpaper.isNull();
}

QImage DesktopWallpaperSource::image(const QRect& rootArea)
{
    load();
    if (m_wallpaper.isNull() || rootArea.isEmpty())
        return {};
    if (QRect(QPoint(), m_wallpaper.size()).contains(rootArea))
        return m_wallpaper.copy(rootArea);
    // The root tiles its background from its own origin.
    QImage area(rootArea.size(), QImage::Format_RGB32);
    QPainter painter(&area);
    painter.drawTiledPixmap(QRect(QPoint(), rootArea.size()), QPixmap::fromImage(m_wallpaper), rootArea.topLeft());
    return area;
}

void DesktopWallpaperSource::load()
{
    if (m_loaded || !m_filter)
        return;
    m_loaded = true;
    xcb_connection_t* connection = m_filter->display.connection;
    const xcb_pixmap_t pixmap = wallpaperPixmap(connection, m_filter->display.root, m_filter->properties);
    m_wallpaper = pixmap == XCB_NONE ? QImage() : readPixmap(connection, pixmap);
}

void DesktopWallpaperSource::invalidate()
{
    m_loaded = false;
    m_wallpaper = QImage();
    // Queued: the listeners read the new wallpaper, with X requests of their own.
    QMetaObject::invokeMethod(this, &DesktopWallpaperSource::changed, Qt::QueuedConnection);
}

} // namespace mv::platform
