#include "platform/gui/WindowGlass.h"

#include "platform/gui/CompositorWatch.h"
#include "platform/gui/X11Connection.h"

#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QRegion>
#include <QWidget>
#include <QWindow>

#include <vector>

namespace mv::platform {

namespace {

QRegion regionOf(const QPainterPath& outline, const QWidget& window)
{
    if (outline.isEmpty())
        return QRegion(window.rect());
    // Each closed part on its own: one polygon through all of them would join them with seams.
    QRegion region;
    for (const QPolygonF& part : outline.toFillPolygons())
        region += QRegion(part.toPolygon(), Qt::WindingFill);
    return region;
}

// Sets or removes the blur-behind request: the outline's rectangles in device pixels, x, y,
// width and height each.
void writeBlurBehind(QWidget& window, const QRegion* region)
{
    const x11::Display display = x11::display();
    QWindow* handle = window.windowHandle();
    if (!display || !handle || !handle->handle())
        return;
    const auto native = static_cast<xcb_window_t>(handle->winId());
    const xcb_atom_t property = x11::atom(display.connection, WindowGlass::blurBehindProperty);
    if (property == XCB_ATOM_NONE)
        return;
    if (!region) {
        xcb_delete_property(display.connection, native, property);
    } else {
        const qreal ratio = handle->devicePixelRatio();
        std::vector<uint32_t> values;
        for (const QRect& rect : *region) {
            const QRect device(QPoint(qRound(rect.x() * ratio), qRound(rect.y() * ratio)),
                               QSize(qRound(rect.width() * ratio), qRound(rect.height() * ratio)));
            values.insert(values.end(), {uint32_t(device.x()), uint32_t(device.y()), uint32_t(device.width()),
                                         uint32_t(device.height())});
        }
        xcb_change_property(display.connection, XCB_PROP_MODE_REPLACE, native, property, XCB_ATOM_CARDINAL, 32,
                            uint32_t(values.size()), values.data());
    }
    xcb_flush(display.connection);
}

// Follows a window's size with a rounded outline.
class RoundedOutline final : public QObject {
    Q_OBJECT

public:
    RoundedOutline(WindowGlass& glass, QWidget& window, double radius)
        : QObject(&glass)
        , m_glass(glass)
        , m_radius(radius)
    {
        window.installEventFilter(this);
        update(window);
    }

    void setRadius(QWidget& window, double radius)
    {
        m_radius = radius;
        update(window);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show)
            update(*static_cast<QWidget*>(watched));
        return false;
    }

private:
    void update(QWidget& window)
    {
        QPainterPath outline;
        outline.addRoundedRect(QRectF(window.rect()), m_radius, m_radius);
        if (outline != m_glass.outline())
            m_glass.setOutline(outline);
    }

    WindowGlass& m_glass;
    double m_radius;
};

// Gives each menu its glass as it is first shown.
class MenuGlassInstaller final : public QObject {
    Q_OBJECT

public:
    explicit MenuGlassInstaller(double radius)
        : m_radius(radius)
    {
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* menu = qobject_cast<QMenu*>(watched);
            if (menu && menu->isWindow() && !menu->findChild<WindowGlass*>(QString(), Qt::FindDirectChildrenOnly))
                keepRoundedWindowGlass(*menu, m_radius);
        }
        return false;
    }

private:
    double m_radius;
};

} // namespace

WindowGlass::WindowGlass(QWidget& window, Blur blur)
    : QObject(&window)
    , m_window(&window)
    , m_blur(blur)
{
    CompositorWatch& watch = CompositorWatch::instance();
    connect(&watch, &CompositorWatch::stateChanged, this, [this] {
        apply();
        Q_EMIT compositingChanged();
    });
    connect(&watch, &CompositorWatch::blurAnnouncementChanged, this, [this] {
        if (CompositorWatch::instance().isComposited())
            Q_EMIT compositingChanged();
    });
    apply();
}

WindowGlass::~WindowGlass() = default;

void WindowGlass::setOutline(const QPainterPath& outline)
{
    m_outline = outline;
    apply();
}

bool WindowGlass::needsOpaqueBackdrop() const
{
    const CompositorWatch& watch = CompositorWatch::instance();
    return watch.isX11() && !watch.isComposited();
}

bool WindowGlass::needsFrostedBackdrop() const
{
    const CompositorWatch& watch = CompositorWatch::instance();
    return watch.isX11() && !watch.blursBehind();
}

void WindowGlass::apply()
{
    QWidget* window = m_window;
    const CompositorWatch& watch = CompositorWatch::instance();
    if (!window || !watch.isX11())
        return;
    const QRegion region = regionOf(m_outline, *window);
    if (watch.isComposited()) {
        // The compositor blends the antialiased edge itself; a shape would cut it to whole pixels.
        window->clearMask();
        writeBlurBehind(*window, m_blur == Blur::behindOutline ? &region : nullptr);
    } else {
        window->setMask(region);
        writeBlurBehind(*window, nullptr);
    }
}

WindowGlass& keepRoundedWindowGlass(QWidget& window, double radius)
{
    auto* glass = window.findChild<WindowGlass*>(QString(), Qt::FindDirectChildrenOnly);
    if (!glass)
        glass = new WindowGlass(window);
    if (auto* outline = glass->findChild<RoundedOutline*>(QString(), Qt::FindDirectChildrenOnly))
        outline->setRadius(window, radius);
    else
        new RoundedOutline(*glass, window, radius);
    return *glass;
}

void installRoundedMenuGlass(double radius)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || application->findChild<MenuGlassInstaller*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    auto* installer = new MenuGlassInstaller(radius);
    installer->setParent(application);
    application->installEventFilter(installer);
}

} // namespace mv::platform

#include "WindowGlass.moc"
