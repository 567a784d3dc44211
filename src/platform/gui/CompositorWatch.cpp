#include "platform/gui/CompositorWatch.h"

#include "platform/gui/X11Connection.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QPointer>

#include <algorithm>

#include <xcb/xfixes.h>

namespace mv::platform {

// Sees the X server's report of a new owner (or none) of the compositor's selection, and changes
// of the root's properties, among them the blur's announcement.
class CompositorWatch::EventFilter final : public QAbstractNativeEventFilter {
public:
    EventFilter(CompositorWatch& watch, const x11::Display& display, xcb_atom_t selection, xcb_atom_t blurAnnouncement)
        : m_watch(watch)
        , m_display(display)
        , m_selection(selection)
        , m_blurAnnouncement(blurAnnouncement)
    {
    }

    xcb_connection_t* connection() const { return m_display.connection; }
    xcb_window_t root() const { return m_display.root; }
    xcb_atom_t selection() const { return m_selection; }
    xcb_atom_t blurAnnouncement() const { return m_blurAnnouncement; }
    bool followsSelection() const { return m_selectionNotify != 0; }
    void followSelection(uint8_t xfixesFirstEvent) { m_selectionNotify = xfixesFirstEvent + XCB_XFIXES_SELECTION_NOTIFY; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override
    {
        (void)result;
        if (eventType != "xcb_generic_event_t")
            return false;
        const uint8_t type = x11::eventType(message);
        // Queued: the watch's listeners may make X requests of their own.
        // (A call queued to the watch goes with it.)
        if (m_selectionNotify != 0 && type == m_selectionNotify) {
            const auto* event = static_cast<const xcb_xfixes_selection_notify_event_t*>(message);
            if (event->selection == m_selection)
                QMetaObject::invokeMethod(&m_watch, &CompositorWatch::refresh, Qt::QueuedConnection);
        } else if (type == XCB_PROPERTY_NOTIFY) {
            const auto* event = static_cast<const xcb_property_notify_event_t*>(message);
            if (event->window == m_display.root && event->atom == m_blurAnnouncement)
                QMetaObject::invokeMethod(&m_watch, &CompositorWatch::refreshBlurAnnouncement, Qt::QueuedConnection);
        }
        // Qt's clipboard also follows selections through XFixes; every event goes on.
        return false;
    }

private:
    CompositorWatch& m_watch;
    x11::Display m_display;
    xcb_atom_t m_selection;
    xcb_atom_t m_blurAnnouncement;
    uint8_t m_selectionNotify = 0;
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
    const xcb_atom_t blurAnnouncement = x11::atom(connection, "_KDE_NET_WM_BLUR_BEHIND_REGION");
    m_filter = new EventFilter(*this, display, selection, blurAnnouncement);
    QCoreApplication::instance()->installNativeEventFilter(m_filter);
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
    if (selection != XCB_ATOM_NONE && xfixes && xfixes->present) {
        // Every client says which version it speaks before its first XFixes request.
        x11::Reply<xcb_xfixes_query_version_reply_t> version(xcb_xfixes_query_version_reply(
            connection, xcb_xfixes_query_version(connection, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
            nullptr));
        if (version) {
            m_filter->followSelection(xfixes->first_event);
            xcb_xfixes_select_selection_input(connection, display.root, selection,
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
                                                  | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                                                  | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        }
    }
    if (blurAnnouncement != XCB_ATOM_NONE)
        x11::selectRootPropertyChanges(display);
    xcb_flush(connection);
    // Without XFixes the state is read once: still right for the common case of a compositor
    // that runs for the whole session, or none at all.
    m_state = State::notComposited;
    if (selection != XCB_ATOM_NONE) {
        x11::Reply<xcb_get_selection_owner_reply_t> owner(
            xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr));
        if (owner && owner->owner != XCB_NONE)
            m_state = State::composited;
    }
    m_blurAnnounced = readBlurAnnouncement();
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
    if (!m_filter || !m_filter->followsSelection())
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

void CompositorWatch::refreshBlurAnnouncement()
{
    const bool announced = readBlurAnnouncement();
    if (announced == m_blurAnnounced)
        return;
    m_blurAnnounced = announced;
    Q_EMIT blurAnnouncementChanged(announced);
}

// The announcement is a property of any type and length, often empty: whether the root has it
// at all is all that counts.
bool CompositorWatch::readBlurAnnouncement() const
{
    if (!m_filter || m_filter->blurAnnouncement() == XCB_ATOM_NONE)
        return false;
    xcb_connection_t* connection = m_filter->connection();
    x11::Reply<xcb_list_properties_reply_t> properties(
        xcb_list_properties_reply(connection, xcb_list_properties(connection, m_filter->root()), nullptr));
    if (!properties)
        return false;
    const xcb_atom_t* atoms = xcb_list_properties_atoms(properties.get());
    const int count = xcb_list_properties_atoms_length(properties.get());
    return std::find(atoms, atoms + count, m_filter->blurAnnouncement()) != atoms + count;
}

} // namespace mv::platform
