#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

// Qt's own xcb connection, for the platform stand-ins that speak X11 where Qt has no call.
// Internal to src/platform/gui.

namespace mv::platform::x11 {

struct FreeDeleter {
    void operator()(void* reply) const { std::free(reply); }
};
// An xcb reply, freed with the reply's owner.
template<typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// Qt's connection and the root window of its default screen; null off X11.
struct Display {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = XCB_NONE;
    int screenNumber = 0;
    explicit operator bool() const { return connection != nullptr; }
};
Display display();

// The atom of `name`, made if it does not exist yet; XCB_ATOM_NONE when the server cannot say.
xcb_atom_t atom(xcb_connection_t* connection, const char* name);

// Adds property changes to the events this client takes from the root window. Event masks are
// kept per client: ours on the root is widened, not replaced, since Qt has its own there.
void selectRootPropertyChanges(const Display& display);

// The X event type of an xcb event, without the bit that marks an event sent by a client.
inline uint8_t eventType(const void* message)
{
    return static_cast<const xcb_generic_event_t*>(message)->response_type & ~0x80;
}

} // namespace mv::platform::x11
