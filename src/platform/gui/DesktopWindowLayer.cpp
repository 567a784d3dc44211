#include "platform/gui/DesktopWindowLayer.h"

#include "platform/gui/X11Connection.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

// How a window stays on its layer. The states are EWMH's, ours to set: the _NET_WM_STATE and
// _NET_WM_DESKTOP properties while the window is unmapped, which the window manager reads when it
// takes the window, and client messages to the root window once the window manager has it.
// Qt's window flags are left alone on purpose. Qt::WindowStaysOnBottomHint would give BELOW, but
// set on the QWindow of a widget it differs from the widget's own flags, and QWidget::show() then
// makes a new native window behind the widget's cached winId(); Qt::Tool would skip the task bar
// but changes how the window manager treats focus; sticky and skip-pager have no flag at all.
// What could undo the states, and how each is met:
// - Qt maps a window with a _NET_WM_STATE built from its flags, but merges what it finds in the
//   property into it: the states written before the show survive it.
// - The window manager drops _NET_WM_STATE when a window is withdrawn (hidden), and a window shown
//   again would come back bare. The layer is applied again when Qt is about to map the window
//   (QEvent::Show comes before the map), and once more when the window manager maps it (its
//   MapNotify), which covers a hide and show it had not caught up with: it took the property
//   away after we wrote it.

namespace mv::platform {
namespace {

enum Atom : std::size_t {
    netWmState,
    netWmStateAbove,
    netWmStateBelow,
    netWmStateStaysOnTop,
    netWmStateSticky,
    netWmStateSkipTaskbar,
    netWmStateSkipPager,
    netWmDesktop,
    atomCount,
};

constexpr std::array<const char*, atomCount> atomNames{
    "_NET_WM_STATE",        "_NET_WM_STATE_ABOVE",        "_NET_WM_STATE_BELOW",      "_NET_WM_STATE_STAYS_ON_TOP",
    "_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_DESKTOP",
};

// EWMH: the actions of a _NET_WM_STATE message, the source of a request made by an ordinary
// application, and the desktop number meaning every workspace.
constexpr uint32_t stateRemove = 0;
constexpr uint32_t stateAdd = 1;
constexpr uint32_t sourceApplication = 1;
constexpr uint32_t allDesktops = 0xFFFFFFFF;

using x11::Reply;

struct NativeWindow {
    xcb_connection_t* connection = nullptr;
    xcb_window_t window = XCB_NONE;
    xcb_window_t root = XCB_NONE;
    bool mapped = false;
    std::array<xcb_atom_t, atomCount> atoms{};
};

std::optional<NativeWindow> nativeWindow(QWindow* window)
{
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    auto* x11 = application ? application->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    // handle() first: winId() would create the native window behind the caller's back.
    if (!x11 || !window || !window->handle())
        return std::nullopt;
    NativeWindow native;
    native.connection = x11->connection();
    if (!native.connection || xcb_connection_has_error(native.connection))
        return std::nullopt;
    native.window = static_cast<xcb_window_t>(window->winId());

    // One round trip: every request goes out before the first reply is read.
    std::array<xcb_intern_atom_cookie_t, atomCount> atomCookies{};
    for (std::size_t i = 0; i < atomCount; ++i)
        atomCookies[i] = xcb_intern_atom(native.connection, 0, static_cast<uint16_t>(std::strlen(atomNames[i])),
                                         atomNames[i]);
    const auto geometryCookie = xcb_get_geometry(native.connection, native.window);
    const auto attributesCookie = xcb_get_window_attributes(native.connection, native.window);

    bool complete = true;
    for (std::size_t i = 0; i < atomCount; ++i) {
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(native.connection, atomCookies[i], nullptr));
        if (reply)
            native.atoms[i] = reply->atom;
        else
            complete = false;
    }
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(native.connection, geometryCookie, nullptr));
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(native.connection, attributesCookie, nullptr));
    if (!complete || !geometry || !attributes)
        return std::nullopt;
    native.root = geometry->root;
    native.mapped = attributes->map_state != XCB_MAP_STATE_UNMAPPED;
    return native;
}

// The state atoms the layer adds, and those it takes away.
std::vector<xcb_atom_t> addedStates(const NativeWindow& native, DesktopLayer layer)
{
    const auto& a = native.atoms;
    return {layer == DesktopLayer::desktop ? a[netWmStateBelow] : a[netWmStateAbove], a[netWmStateSticky],
            a[netWmStateSkipTaskbar], a[netWmStateSkipPager]};
}

std::vector<xcb_atom_t> removedStates(const NativeWindow& native, DesktopLayer layer)
{
    const auto& a = native.atoms;
    if (layer == DesktopLayer::desktop)
        return {a[netWmStateAbove], a[netWmStateStaysOnTop]};
    return {a[netWmStateBelow]};
}

// Before the window manager has the window: the properties it reads when it takes it. The other
// states already there (Qt's maximized or modal) are kept.
void writeProperties(const NativeWindow& native, DesktopLayer layer)
{
    const auto cookie = xcb_get_property(native.connection, 0, native.window, native.atoms[netWmState], XCB_ATOM_ATOM,
                                         0, 1024);
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(native.connection, cookie, nullptr));
    std::vector<xcb_atom_t> states;
    if (reply && reply->type == XCB_ATOM_ATOM && reply->format == 32) {
        const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        states.assign(values, values + xcb_get_property_value_length(reply.get()) / sizeof(xcb_atom_t));
    }
    const auto removed = removedStates(native, layer);
    std::erase_if(states, [&](xcb_atom_t state) { return std::ranges::find(removed, state) != removed.end(); });
    for (const xcb_atom_t state : addedStates(native, layer)) {
        if (std::ranges::find(states, state) == states.end())
            states.push_back(state);
    }
    xcb_change_property(native.connection, XCB_PROP_MODE_REPLACE, native.window, native.atoms[netWmState],
                        XCB_ATOM_ATOM, 32, static_cast<uint32_t>(states.size()), states.data());
    xcb_change_property(native.connection, XCB_PROP_MODE_REPLACE, native.window, native.atoms[netWmDesktop],
                        XCB_ATOM_CARDINAL, 32, 1, &allDesktops);
}

void sendToRoot(const NativeWindow& native, xcb_atom_t type, std::array<uint32_t, 5> data)
{
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = native.window;
    event.type = type;
    std::copy(data.begin(), data.end(), event.data.data32);
    xcb_send_event(native.connection, 0, native.root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&event));
}

// Once the window manager has the window (or Qt has asked for it to be mapped): requests to it,
// two states a message as EWMH allows.
void sendRequests(const NativeWindow& native, DesktopLayer layer)
{
    auto sendStates = [&](uint32_t action, const std::vector<xcb_atom_t>& states) {
        for (std::size_t i = 0; i < states.size(); i += 2) {
            const uint32_t second = i + 1 < states.size() ? states[i + 1] : xcb_atom_t(XCB_ATOM_NONE);
            sendToRoot(native, native.atoms[netWmState], {action, states[i], second, sourceApplication, 0});
        }
    };
    sendStates(stateRemove, removedStates(native, layer));
    sendStates(stateAdd, addedStates(native, layer));
    sendToRoot(native, native.atoms[netWmDesktop], {allDesktops, sourceApplication, 0, 0, 0});
}

bool applyNow(QWindow* window, DesktopLayer layer)
{
    const std::optional<NativeWindow> native = nativeWindow(window);
    if (!native)
        return false;
    if (!native->mapped)
        writeProperties(*native, layer);
    // Visible to Qt but unmapped: about to be mapped, or minimized. A window manager that does not
    // have the window ignores the requests, so sending them then costs nothing.
    if (native->mapped || window->isVisible())
        sendRequests(*native, layer);
    xcb_flush(native->connection);
    return true;
}

// Remembers a window's layer and applies it again whenever the window is mapped anew.
class LayerKeeper final : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    explicit LayerKeeper(QWindow* window)
        : QObject(window)
        , m_window(window)
    {
        window->installEventFilter(this);
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    DesktopLayer layer = DesktopLayer::desktop;

protected:
    // QObject
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Sent before Qt maps the window: the property is there for Qt to merge and for the
        // window manager to read.
        if (watched == m_window && event->type() == QEvent::Show)
            applyNow(m_window, layer);
        return false;
    }

    // QAbstractNativeEventFilter
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override
    {
        (void)result;
        if (eventType != "xcb_generic_event_t")
            return false;
        // The window manager maps a window only once it has taken it, so from here on it heeds
        // requests, also when it had dropped the state after a quick hide and show.
        if (x11::eventType(message) == XCB_MAP_NOTIFY && m_window->handle()) {
            const auto* map = static_cast<const xcb_map_notify_event_t*>(message);
            if (map->window == static_cast<xcb_window_t>(m_window->winId()))
                applyNow(m_window, layer);
        }
        return false;
    }

private:
    QWindow* m_window;
};

} // namespace

bool applyDesktopLayer(QWindow* window, DesktopLayer layer)
{
    if (!applyNow(window, layer))
        return false;
    auto* keeper = window->findChild<LayerKeeper*>(QString(), Qt::FindDirectChildrenOnly);
    if (!keeper)
        keeper = new LayerKeeper(window);
    keeper->layer = layer;
    return true;
}

} // namespace mv::platform

#include "DesktopWindowLayer.moc"
