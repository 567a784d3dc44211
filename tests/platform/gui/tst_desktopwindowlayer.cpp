#include "platform/gui/DesktopWindowLayer.h"
#include "support/XvfbSession.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QGuiApplication>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>

using namespace mv::platform;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(mv::platform::DesktopLayer)

namespace {

// What Qt may do to a window after its layer is set.
enum class Change { hideAndShow, hideSettleAndShow, widgetFlags };

// The window manager answers in its own time.
constexpr int windowManagerTimeout = 10000;

struct FreeDeleter {
    void operator()(void* reply) const { std::free(reply); }
};
template<typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// What the X server holds for our windows, read over a connection of the test's own, so a
// request Qt's connection left unsent shows as missing.
class XServer final {
public:
    XServer()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            return;
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_root = screen->root;
        m_marker = xcb_generate_id(m_connection);
        const auto created = xcb_create_window_checked(m_connection, XCB_COPY_FROM_PARENT, m_marker, m_root, 0, 0, 1, 1,
                                                       0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0,
                                                       nullptr);
        if (Reply<xcb_generic_error_t> error(xcb_request_check(m_connection, created)); error)
            m_marker = XCB_NONE;
    }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    ~XServer();
    bool isConnected() const { return m_marker != XCB_NONE; }

    // What the window manager says it supports (_NET_SUPPORTED on the root window).
    QStringList supported() const
    {
        QStringList names;
        for (const xcb_atom_t value : property(m_root, "_NET_SUPPORTED", XCB_ATOM_ATOM))
            names.append(atomName(value));
        return names;
    }

    // Waits until the window manager has handled everything Qt has sent so far. It takes its
    // requests in order, so its answer to one more sent after them (frame extents for a window
    // of ours it does not manage, which changes nothing else) shows it got past them.
    bool settle() const
    {
        xcb_connection_t* qt = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
        const xcb_atom_t extents = atom("_NET_FRAME_EXTENTS");
        xcb_delete_property(m_connection, m_marker, extents);
        xcb_flush(m_connection);
        if (!property(m_marker, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL).isEmpty())
            return false;
        xcb_client_message_event_t request{};
        request.response_type = XCB_CLIENT_MESSAGE;
        request.format = 32;
        request.window = m_marker;
        request.type = atom("_NET_REQUEST_FRAME_EXTENTS");
        xcb_send_event(qt, 0, m_root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char*>(&request));
        xcb_flush(qt);
        return QTest::qWaitFor(
            [&] { return !property(m_marker, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL).isEmpty(); },
            windowManagerTimeout);
    }

    // The layer's states of _NET_WM_STATE, in a fixed order; other states are left out.
    QStringList layerStates(xcb_window_t window) const
    {
        const QStringList layerNames{u"_NET_WM_STATE_ABOVE"_s, u"_NET_WM_STATE_BELOW"_s, u"_NET_WM_STATE_STICKY"_s,
                                     u"_NET_WM_STATE_SKIP_TASKBAR"_s, u"_NET_WM_STATE_SKIP_PAGER"_s};
        QStringList states;
        const QList<xcb_atom_t> values = property(window, "_NET_WM_STATE", XCB_ATOM_ATOM);
        for (const QString& name : layerNames) {
            if (values.contains(atom(name.toLatin1())))
                states.append(name);
        }
        return states;
    }

    // _NET_WM_DESKTOP, or 0 when it is not set.
    quint32 desktop(xcb_window_t window) const
    {
        const QList<xcb_atom_t> values = property(window, "_NET_WM_DESKTOP", XCB_ATOM_CARDINAL);
        return values.isEmpty() ? 0 : values.first();
    }

    // Whether the window manager's frame of `lower` is stacked below that of `upper`.
    bool isStackedBelow(xcb_window_t lower, xcb_window_t upper) const
    {
        const xcb_window_t lowerFrame = topLevelOf(lower);
        const xcb_window_t upperFrame = topLevelOf(upper);
        // Children of the root come bottom first.
        Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr));
        if (!tree)
            return false;
        const xcb_window_t* first = xcb_query_tree_children(tree.get());
        const xcb_window_t* last = first + xcb_query_tree_children_length(tree.get());
        const auto* lowerAt = std::find(first, last, lowerFrame);
        const auto* upperAt = std::find(first, last, upperFrame);
        return lowerAt != last && upperAt != last && lowerAt < upperAt;
    }

private:
    xcb_atom_t atom(const QByteArray& name) const
    {
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(name.size()), name.constData()),
            nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    QString atomName(xcb_atom_t value) const
    {
        Reply<xcb_get_atom_name_reply_t> reply(
            xcb_get_atom_name_reply(m_connection, xcb_get_atom_name(m_connection, value), nullptr));
        if (!reply)
            return {};
        return QString::fromLatin1(xcb_get_atom_name_name(reply.get()), xcb_get_atom_name_name_length(reply.get()));
    }

    QList<quint32> property(xcb_window_t window, const QByteArray& name, xcb_atom_t type) const
    {
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, atom(name), type, 0, 1024), nullptr));
        if (!reply || reply->type != type || reply->format != 32)
            return {};
        const auto* values = static_cast<const quint32*>(xcb_get_property_value(reply.get()));
        return QList<quint32>(values, values + xcb_get_property_value_length(reply.get()) / 4);
    }

    // The child of the root that holds `window`: the window manager's frame around it.
    xcb_window_t topLevelOf(xcb_window_t window) const
    {
        for (;;) {
            Reply<xcb_query_tree_reply_t> tree(
                xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr));
            if (!tree || tree->parent == XCB_NONE)
                return XCB_NONE;
            if (tree->parent == m_root)
                return window;
            window = tree->parent;
        }
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root = XCB_NONE;
    xcb_window_t m_marker = XCB_NONE;
};

XServer::~XServer()
{
    xcb_disconnect(m_connection);
}

constexpr quint32 allDesktops = 0xFFFFFFFF;

// The layer states a window has at the moment the window manager maps it: what it took the
// window with, read before anything we ask after the map can have reached it (the filter
// installed last runs first, before the one that keeps the layer).
class MapWatcher final : public QAbstractNativeEventFilter {
public:
    MapWatcher(const XServer& server, xcb_window_t window)
        : m_server(server)
        , m_window(window)
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    std::optional<QStringList> statesAtMap;

    // QAbstractNativeEventFilter
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override
    {
        (void)result;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (eventType == "xcb_generic_event_t" && (event->response_type & ~0x80) == XCB_MAP_NOTIFY
            && static_cast<const xcb_map_notify_event_t*>(message)->window == m_window)
            statesAtMap = m_server.layerStates(m_window);
        return false;
    }

private:
    const XServer& m_server;
    xcb_window_t m_window;
};

// A fence-like window: frameless, top level, with its native window made so the layer can be
// set before the first show.
std::unique_ptr<QWidget> fenceWindow()
{
    auto window = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
    window->setGeometry(100, 100, 320, 240);
    window->winId();
    return window;
}

xcb_window_t nativeId(const QWidget& widget)
{
    return static_cast<xcb_window_t>(widget.winId());
}

} // namespace

Q_DECLARE_METATYPE(Change)

class DesktopWindowLayerTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.isConnected(), "the test's own X connection failed");
        m_supported = m_server.supported();
        // What the checks below rely on the window manager for.
        const QStringList needed{u"_NET_WM_STATE_ABOVE"_s,      u"_NET_WM_STATE_BELOW"_s,
                                 u"_NET_WM_STATE_SKIP_TASKBAR"_s, u"_NET_WM_STATE_SKIP_PAGER"_s,
                                 u"_NET_WM_DESKTOP"_s,          u"_NET_REQUEST_FRAME_EXTENTS"_s};
        for (const QString& name : needed)
            QVERIFY2(m_supported.contains(name), qPrintable(name));
    }

    // The state a window is first mapped with: Qt's own writes at the map must not undo it.
    void layerBeforeShow_data()
    {
        QTest::addColumn<DesktopLayer>("layer");
        QTest::newRow("desktop") << DesktopLayer::desktop;
        QTest::newRow("floating") << DesktopLayer::floating;
    }

    void layerBeforeShow()
    {
        QFETCH(DesktopLayer, layer);
        auto fence = fenceWindow();
        QVERIFY(applyDesktopLayer(fence->windowHandle(), layer));
        const MapWatcher watcher(m_server, nativeId(*fence));
        fence->show();
        QVERIFY(QTest::qWaitForWindowExposed(fence.get()));
        // Still the native window the widget knows: nothing made a new one behind it.
        QCOMPARE(fence->windowHandle()->winId(), fence->winId());
        // Mapped with them, not only given them once asked again after the map.
        QTRY_VERIFY_WITH_TIMEOUT(watcher.statesAtMap.has_value(), windowManagerTimeout);
        QCOMPARE(*watcher.statesAtMap, expected(layer));
        QCOMPARE(m_server.layerStates(nativeId(*fence)), expected(layer));
        QCOMPARE(m_server.desktop(nativeId(*fence)), allDesktops);
    }

    // Peek raises a shown fence above other windows and puts it back.
    void switchWhileShown()
    {
        auto fence = fenceWindow();
        fence->show();
        QVERIFY(QTest::qWaitForWindowExposed(fence.get()));
        QTRY_COMPARE_WITH_TIMEOUT(m_server.layerStates(nativeId(*fence)), QStringList(), windowManagerTimeout);

        QVERIFY(applyDesktopLayer(fence->windowHandle(), DesktopLayer::desktop));
        QTRY_COMPARE_WITH_TIMEOUT(m_server.layerStates(nativeId(*fence)), expected(DesktopLayer::desktop),
                                  windowManagerTimeout);
        QTRY_COMPARE_WITH_TIMEOUT(m_server.desktop(nativeId(*fence)), allDesktops, windowManagerTimeout);
        QVERIFY(applyDesktopLayer(fence->windowHandle(), DesktopLayer::floating));
        QTRY_COMPARE_WITH_TIMEOUT(m_server.layerStates(nativeId(*fence)), expected(DesktopLayer::floating),
                                  windowManagerTimeout);
        QVERIFY(applyDesktopLayer(fence->windowHandle(), DesktopLayer::desktop));
        QTRY_COMPARE_WITH_TIMEOUT(m_server.layerStates(nativeId(*fence)), expected(DesktopLayer::desktop),
                                  windowManagerTimeout);
        QCOMPARE(m_server.desktop(nativeId(*fence)), allDesktops);
    }

    // The window manager drops a window's state when it is hidden (also when it is shown again
    // before the window manager has caught up), and a widget whose flags change is hidden by Qt
    // and shown anew: the layer survives all of it.
    void keptThroughQtsOwnChanges_data()
    {
        QTest::addColumn<Change>("change");
        QTest::newRow("hidden and shown at once") << Change::hideAndShow;
        QTest::newRow("hidden, let go, shown again") << Change::hideSettleAndShow;
        QTest::newRow("widget flags changed and shown again") << Change::widgetFlags;
    }

    void keptThroughQtsOwnChanges()
    {
        QFETCH(Change, change);
        auto fence = fenceWindow();
        QVERIFY(applyDesktopLayer(fence->windowHandle(), DesktopLayer::desktop));
        fence->show();
        QVERIFY(QTest::qWaitForWindowExposed(fence.get()));
        QTRY_COMPARE_WITH_TIMEOUT(m_server.layerStates(nativeId(*fence)), expected(DesktopLayer::desktop),
                                  windowManagerTimeout);

        switch (change) {
        case Change::hideAndShow:
            fence->hide();
            fence->show();
            break;
        case Change::hideSettleAndShow: {
            fence->hide();
            QVERIFY(m_server.settle());
            const MapWatcher watcher(m_server, nativeId(*fence));
            fence->show();
            // Mapped with the state again, as at the first show.
            QTRY_VERIFY_WITH_TIMEOUT(watcher.statesAtMap.has_value(), windowManagerTimeout);
            QCOMPARE(*watcher.statesAtMap, expected(DesktopLayer::desktop));
            break;
        }
        case Change::widgetFlags:
            fence->setWindowFlags(fence->windowFlags() | Qt::WindowDoesNotAcceptFocus);
            fence->show();
            break;
        }
        // Once the window manager is past the hide and the new map, what the window had before
        // is gone; what shows from then on was given anew, and must stay.
        QVERIFY(m_server.settle());
        QTRY_COMPARE_WITH_TIMEOUT(m_server.layerStates(nativeId(*fence)), expected(DesktopLayer::desktop),
                                  windowManagerTimeout);
        QTRY_COMPARE_WITH_TIMEOUT(m_server.desktop(nativeId(*fence)), allDesktops, windowManagerTimeout);
        QVERIFY(m_server.settle());
        QCOMPARE(m_server.layerStates(nativeId(*fence)), expected(DesktopLayer::desktop));
        QCOMPARE(m_server.desktop(nativeId(*fence)), allDesktops);
    }

    // What the states are for: an ordinary window opened later stays above a desktop fence, even
    // when the fence is raised, and a floating fence comes above it.
    void stackingAgainstAnOrdinaryWindow()
    {
        auto fence = fenceWindow();
        QVERIFY(applyDesktopLayer(fence->windowHandle(), DesktopLayer::desktop));
        fence->show();
        QVERIFY(QTest::qWaitForWindowExposed(fence.get()));
        QTRY_COMPARE_WITH_TIMEOUT(m_server.layerStates(nativeId(*fence)), expected(DesktopLayer::desktop),
                                  windowManagerTimeout);

        QWidget ordinary;
        ordinary.setGeometry(150, 150, 320, 240);
        ordinary.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ordinary));
        QTRY_VERIFY_WITH_TIMEOUT(m_server.isStackedBelow(nativeId(*fence), nativeId(ordinary)), windowManagerTimeout);

        fence->raise();
        fence->activateWindow();
        QVERIFY(m_server.settle());
        QVERIFY(m_server.isStackedBelow(nativeId(*fence), nativeId(ordinary)));

        QVERIFY(applyDesktopLayer(fence->windowHandle(), DesktopLayer::floating));
        QTRY_VERIFY_WITH_TIMEOUT(m_server.isStackedBelow(nativeId(ordinary), nativeId(*fence)), windowManagerTimeout);
        QVERIFY(applyDesktopLayer(fence->windowHandle(), DesktopLayer::desktop));
        QTRY_VERIFY_WITH_TIMEOUT(m_server.isStackedBelow(nativeId(*fence), nativeId(ordinary)), windowManagerTimeout);
    }

    // Nothing to put on a layer without a native window; making one here would go behind the
    // widget that owns the window.
    void refusedWithoutNativeWindow()
    {
        QVERIFY(!applyDesktopLayer(nullptr, DesktopLayer::desktop));
        QWindow window;
        QVERIFY(!applyDesktopLayer(&window, DesktopLayer::desktop));
        QVERIFY(!window.handle());
        QVERIFY(window.children().isEmpty());
    }

private:
    // The layer's states as the window manager shows them. One that does not support STICKY
    // (openbox) keeps a window on every workspace through _NET_WM_DESKTOP alone, checked apart.
    QStringList expected(DesktopLayer layer) const
    {
        QStringList states{layer == DesktopLayer::floating ? u"_NET_WM_STATE_ABOVE"_s : u"_NET_WM_STATE_BELOW"_s,
                           u"_NET_WM_STATE_STICKY"_s, u"_NET_WM_STATE_SKIP_TASKBAR"_s, u"_NET_WM_STATE_SKIP_PAGER"_s};
        states.removeIf([&](const QString& state) { return !m_supported.contains(state); });
        return states;
    }

    XServer m_server;
    QStringList m_supported;
};

MORVANTEEL_X11_TEST_MAIN(DesktopWindowLayerTest)
#include "tst_desktopwindowlayer.moc"
