#include "platform/gui/CompositorWatch.h"

#include "platform/gui/X11Connection.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QPointer>

#include <xcb/xfixes.h>

namespace mv::platform {

// Sees the X server's report of a new owner (or none) of the compositor's selection.
class CompositorWatch::EventFilter final : public QAbstractNativeEventFilter {
public:
    EventFilter(CompositorWatch& watch, xcb_connection_t* connection, xcb_atom_t selection, uint8_t firstEvent)
        : m_watch(watch)
        , m_connection(connection)
        , m_selection(selection)
        , m_selectionNotify(firstEvent + XCB_XFIXES_SELECTION_NOTIFY)
    {
    }

    xcb_connection_t* connection() const { return m_connection; }
    xcb_atom_t selection() const { return m_selection; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override
    {
        (void)result;
        if (eventType != "xcb_generic_event_t" || x11::eventType(message) != m_selectionNotify)
            return false;
        const auto* event = static_cast<const xcb_xfixes_selection_notify_event_t*>(message);
        if (event->selection == m_selection) {
            // Queued: the watch's listeners may make X requests of their own.
            QMetaObject::invokeMethod(&m_watch, [watch = QPointer(&m_watch)] {
                if (watch)
                    watch->refresh();
            }, Qt::QueuedConnection);
        }
        // Qt's clipboard also follows selections through XFixes; the event goes on to it.
        return false;
    }

private:
    CompositorWatch& m_watch;
    xcb_connection_t* m_connection;
    xcb_atom_t m_selection;
    uint8_t m_selectionNotify;
};

CompositorWatch& CompositorWatch::instance()
{
    static QPointer<CompositorWatch> watch;
    if (!watch) {
        watch = new CompositorWatch();
        if (QCoreApplication* application = QCoreApplication::instance())
            watch->setParent(application);
    }
    return *watch;
}

CompositorWatch::CompositorWatch()
{
    const x11::Display display = x11::display();
    if (!display)
        return;
    xcb_connection_t* connection = display.connection;
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(display.screenNumber);
    const xcb_atom_t selection = x11::atom(connection, name.constData());
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
    if (selection != XCB_ATOM_NONE && xfixes && xfixes->present) {
        // Every client says which version it speaks before its first XFixes request.
        x11::Reply<xcb_xfixes_query_version_reply_t> version(xcb_xfixes_query_version_reply(
            connection, xcb_xfixes_query_version(connection, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
            nullptr));
        if (version) {
            m_filter = new EventFilter(*this, connection, selection, xfixes->first_event);
            QCoreApplication::instance()->installNativeEventFilter(m_filter);
            xcb_xfixes_select_selection_input(connection, display.root, selection,
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
                                                  | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                                                  | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
            xcb_flush(connection);
        }
    }
    // Without XFixes the state is read once: still right for the common case of a compositor
    // that runs for the whole session, or none at all.
    m_state = State::notComposited;
    if (selection != XCB_ATOM_NONE) {
        x11::Reply<xcb_get_selection_owner_reply_t> owner(
            xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr));
        if (owner && owner->owner != XCB_NONE)
            m_state = State::composited;
    }
}

CompositorWatch::~CompositorWatch()
{
    if (m_filter) {
        if (QCoreApplication* application = QCoreApplication::instance())
            application->removeNativeEventFilter(m_filter);
        delete m_filter;
    }
}

void CompositorWatch::refresh()
{
    if (!m_filter)
        return;
    xcb_connection_t* connection = m_filter->connection();
    x11::Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, m_filter->selection()), nullptr));
    const State state = owner && owner->owner != XCB_NONE ? State::composited : State::notComposited;
    if (state == m_state)
        return;
    m_state = state;
    Q_EMIT stateChanged(state);
}

} // namespace mv::platform
