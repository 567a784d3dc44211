#pragma once

#include <QImage>
#include <QObject>
#include <QRect>

namespace mv::platform {

// The desktop's wallpaper as wallpaper setters leave it on X11: a pixmap named by the root
// window's _XROOTPMAP_ID property (else ESETROOT_PMAP_ID), the root's background. Its pixels are
// read once after every change and kept; the properties' change events tell of a new wallpaper.
// Off X11, or with no such pixmap, there is no wallpaper and every image is null.
class DesktopWallpaperSource final : public QObject {
    Q_OBJECT

public:
    // The application's one source, made on first use and ended with the application.
    static DesktopWallpaperSource& instance();

    // Whether a wallpaper pixmap is there to be read.
    bool hasWallpaper();
    // The wallpaper under `rootArea` (root window pixels, y down), tiled as the root tiles a
    // pixmap smaller than the screen; null with no wallpaper.
    QImage image(const QRect& rootArea);

Q_SIGNALS:
    // The wallpaper was replaced, or taken away.
    void changed();

private:
    class EventFilter;

    DesktopWallpaperSource();
    ~DesktopWallpaperSource() override;
    // Reads the pixmap named by the properties now, if not read since the last change.
    void load();
    void invalidate();

    EventFilter* m_filter = nullptr;
    bool m_loaded = false;
    QImage m_wallpaper;
};

} // namespace mv::platform
