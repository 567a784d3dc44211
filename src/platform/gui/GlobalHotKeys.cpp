#include "platform/gui/GlobalHotKeys.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <X11/keysym.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>

// A passive grab holds one key with one exact modifier state, so a key that is to work whatever
// Caps Lock and Num Lock are is grabbed once for every combination of those locks. Which
// modifier bit Num Lock (and Alt, Meta, Scroll Lock) is on depends on the keyboard's modifier
// mapping, read at registration.
// FIXME: a keyboard layout or modifier mapping changed later (setxkbmap) is not followed; the
// keys stay grabbed under the key codes they had when they were registered.

namespace mv::platform {
namespace {

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
template<typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

struct KeySymbolsDeleter {
    void operator()(xcb_key_symbols_t* symbols) const { xcb_key_symbols_free(symbols); }
};
using KeySymbols = std::unique_ptr<xcb_key_symbols_t, KeySymbolsDeleter>;

// The modifier bits of an X key event's state; the rest are pointer buttons and the XKB group.
constexpr quint16 modifierBits = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_LOCK | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 |
                                 XCB_MOD_MASK_2 | XCB_MOD_MASK_3 | XCB_MOD_MASK_4 | XCB_MOD_MASK_5;

xcb_connection_t* x11Connection()
{
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    auto* x11 = application ? application->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    return connection && !xcb_connection_has_error(connection) ? connection : nullptr;
}

// The keysym of a key as it is written on the key: lower case for letters.
std::optional<xcb_keysym_t> keysymFor(Qt::Key key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return XK_a + (key - Qt::Key_A);
    // Latin-1 keysyms have the character's own value.
    if ((key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde)
        || (key >= Qt::Key_nobreakspace && key <= Qt::Key_ydiaeresis))
        return static_cast<xcb_keysym_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return XK_F1 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Escape: return XK_Escape;
    case Qt::Key_Tab: return XK_Tab;
    case Qt::Key_Backspace: return XK_BackSpace;
    case Qt::Key_Return: return XK_Return;
    case Qt::Key_Enter: return XK_KP_Enter;
    case Qt::Key_Insert: return XK_Insert;
    case Qt::Key_Delete: return XK_Delete;
    case Qt::Key_Pause: return XK_Pause;
    case Qt::Key_Print: return XK_Print;
    case Qt::Key_Home: return XK_Home;
    case Qt::Key_End: return XK_End;
    case Qt::Key_Left: return XK_Left;
    case Qt::Key_Up: return XK_Up;
    case Qt::Key_Right: return XK_Right;
    case Qt::Key_Down: return XK_Down;
    case Qt::Key_PageUp: return XK_Page_Up;
    case Qt::Key_PageDown: return XK_Page_Down;
    default: return std::nullopt;
    }
}

std::vector<quint8> keycodesFor(xcb_key_symbols_t* symbols, xcb_keysym_t keysym)
{
    std::vector<quint8> keycodes;
    Reply<xcb_keycode_t> found(xcb_key_symbols_get_keycode(symbols, keysym));
    for (const xcb_keycode_t* keycode = found.get(); keycode && *keycode != XCB_NO_SYMBOL; ++keycode) {
        if (std::ranges::find(keycodes, *keycode) == keycodes.end())
            keycodes.push_back(*keycode);
    }
    return keycodes;
}

// The modifier bits of the modifiers that matter here, from the keyboard's modifier mapping:
// a bit is a key's when one of the keys it carries produces that key's keysym.
struct ModifierMasks {
    quint16 alt = 0;
    quint16 super = 0;
    quint16 meta = 0;
    quint16 numLock = 0;
    quint16 scrollLock = 0;
};

std::optional<ModifierMasks> modifierMasks(xcb_connection_t* connection, xcb_key_symbols_t* symbols)
{
    const auto cookie = xcb_get_modifier_mapping(connection);
    Reply<xcb_get_modifier_mapping_reply_t> mapping(xcb_get_modifier_mapping_reply(connection, cookie, nullptr));
    if (!mapping)
        return std::nullopt;
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    auto maskOf = [&](std::initializer_list<xcb_keysym_t> keysyms) {
        quint16 mask = 0;
        for (const xcb_keysym_t keysym : keysyms) {
            for (const quint8 keycode : keycodesFor(symbols, keysym)) {
                // Shift, Lock and Control (the first three) are fixed; only Mod1 to Mod5 vary.
                for (int modifier = 3; modifier < 8; ++modifier) {
                    const xcb_keycode_t* first = keycodes + modifier * perModifier;
                    if (std::find(first, first + perModifier, keycode) != first + perModifier)
                        mask |= quint16(1u << modifier);
                }
            }
        }
        return mask;
    };
    ModifierMasks masks;
    masks.alt = maskOf({XK_Alt_L, XK_Alt_R});
    masks.super = maskOf({XK_Super_L, XK_Super_R});
    masks.meta = maskOf({XK_Meta_L, XK_Meta_R});
    masks.numLock = maskOf({XK_Num_Lock});
    masks.scrollLock = maskOf({XK_Scroll_Lock});
    return masks;
}

// X state bits for Qt's modifiers; none when one of them is not on this keyboard. Qt gives Meta
// to the Super keys where there are some, as its own key events do.
std::optional<quint16> stateFor(Qt::KeyboardModifiers modifiers, const ModifierMasks& masks)
{
    if (modifiers & ~(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return std::nullopt;
    quint16 state = 0;
    if (modifiers & Qt::ShiftModifier)
        state |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        state |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::AltModifier) {
        if (!masks.alt)
            return std::nullopt;
        state |= masks.alt;
    }
    if (modifiers & Qt::MetaModifier) {
        const quint16 meta = masks.super ? masks.super : masks.meta;
        if (!meta)
            return std::nullopt;
        state |= meta;
    }
    return state;
}

// Every combination of the lock bits in `locks`, the empty one first.
std::vector<quint16> lockCombinations(quint16 locks)
{
    std::vector<quint16> combinations{0};
    for (quint16 bit = 1; bit != 0 && bit <= locks; bit = quint16(bit << 1)) {
        if (!(locks & bit))
            continue;
        const std::size_t count = combinations.size();
        for (std::size_t i = 0; i < count; ++i)
            combinations.push_back(combinations[i] | bit);
    }
    return combinations;
}

std::vector<xcb_window_t> rootWindows(xcb_connection_t* connection)
{
    std::vector<xcb_window_t> roots;
    for (auto screen = xcb_setup_roots_iterator(xcb_get_setup(connection)); screen.rem; xcb_screen_next(&screen))
        roots.push_back(screen.data->root);
    return roots;
}

} // namespace

GlobalHotKeys::GlobalHotKeys(QObject* parent)
    : QObject(parent)
{
    if (QCoreApplication* application = QCoreApplication::instance())
        application->installNativeEventFilter(this);
}

GlobalHotKeys::~GlobalHotKeys()
{
    unregisterAll();
}

bool GlobalHotKeys::registerHotKey(quint32 id, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    unregisterHotKey(id);
    xcb_connection_t* connection = x11Connection();
    const std::optional<xcb_keysym_t> keysym = keysymFor(key);
    if (!connection || !keysym)
        return false;
    const KeySymbols symbols(xcb_key_symbols_alloc(connection));
    if (!symbols)
        return false;
    const std::optional<ModifierMasks> masks = modifierMasks(connection, symbols.get());
    const std::optional<quint16> state = masks ? stateFor(modifiers, *masks) : std::nullopt;
    Registration registration;
    registration.keycodes = keycodesFor(symbols.get(), *keysym);
    if (!state || registration.keycodes.empty())
        return false;
    registration.modifiers = *state;
    // A lock on the same bit as a modifier asked for (an odd mapping) cannot be ignored.
    registration.ignoredLocks = quint16((XCB_MOD_MASK_LOCK | masks->numLock | masks->scrollLock) & ~*state);

    // Two ids on one combination: the server would keep one grab for both.
    for (const Registration& other : std::as_const(m_registrations)) {
        const bool sameKey = std::ranges::any_of(registration.keycodes, [&](quint8 keycode) {
            return std::ranges::find(other.keycodes, keycode) != other.keycodes.end();
        });
        if (sameKey && other.modifiers == registration.modifiers)
            return false;
    }

    // Every grab goes out before the first answer is read: one round trip.
    std::vector<xcb_void_cookie_t> cookies;
    for (const xcb_window_t root : rootWindows(connection)) {
        for (const quint8 keycode : registration.keycodes) {
            for (const quint16 locks : lockCombinations(registration.ignoredLocks)) {
                const Grab grab{root, keycode, quint16(registration.modifiers | locks)};
                registration.grabs.push_back(grab);
                // Not owner events: the press is reported on the root window also when one of
                // our own windows has the focus, so it is always ours to see here.
                cookies.push_back(xcb_grab_key_checked(connection, 0, grab.root, grab.modifiers, grab.keycode,
                                                       XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
            }
        }
    }
    bool granted = true;
    for (const xcb_void_cookie_t cookie : cookies) {
        // BadAccess: another client holds this combination.
        if (Reply<xcb_generic_error_t> error(xcb_request_check(connection, cookie)); error)
            granted = false;
    }
    if (!granted) {
        // Ungrabbing releases only grabs of ours, so the refused ones are safe to name too.
        releaseGrabs(registration);
        xcb_flush(connection);
        return false;
    }
    m_registrations.insert(id, std::move(registration));
    return true;
}

void GlobalHotKeys::unregisterHotKey(quint32 id)
{
    if (forget(id))
        waitForRelease();
}

void GlobalHotKeys::unregisterAll()
{
    bool released = false;
    while (!m_registrations.isEmpty())
        released = forget(m_registrations.constBegin().key()) || released;
    if (released)
        waitForRelease();
}

bool GlobalHotKeys::forget(quint32 id)
{
    const auto found = m_registrations.constFind(id);
    if (found == m_registrations.constEnd())
        return false;
    releaseGrabs(*found);
    for (const quint8 keycode : found->keycodes) {
        m_keysDown.remove(keycode);
        m_releaseTimes.remove(keycode);
    }
    m_registrations.erase(found);
    return true;
}

void GlobalHotKeys::waitForRelease() const
{
    // A round trip, not only a flush: once it is back the server has let the keys go, so
    // another program asking for them next is given them.
    if (xcb_connection_t* connection = x11Connection())
        Reply<xcb_get_input_focus_reply_t> answer(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

void GlobalHotKeys::releaseGrabs(const Registration& registration)
{
    // Without the connection (the application already gone) the server dropped the grabs with it.
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return;
    for (const Grab& grab : registration.grabs)
        xcb_ungrab_key(connection, grab.keycode, grab.root, grab.modifiers);
}

bool GlobalHotKeys::isRepeat(quint8 keycode, quint32 time) const
{
    if (m_keysDown.contains(keycode))
        return true;
    const auto released = m_releaseTimes.constFind(keycode);
    return released != m_releaseTimes.constEnd() && *released == time;
}

bool GlobalHotKeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result)
{
    Q_UNUSED(result);
    if (m_registrations.isEmpty() || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & ~0x80;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    // Key press and release events share one layout.
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    if (key->event != key->root)
        return false;

    if (type == XCB_KEY_RELEASE) {
        if (m_keysDown.remove(key->detail))
            m_releaseTimes.insert(key->detail, key->time);
        return false;
    }
    for (auto it = m_registrations.cbegin(); it != m_registrations.cend(); ++it) {
        const Registration& registration = it.value();
        if ((key->state & modifierBits & ~registration.ignoredLocks) != registration.modifiers
            || std::ranges::find(registration.keycodes, key->detail) == registration.keycodes.end())
            continue;
        const bool repeat = isRepeat(key->detail, key->time);
        m_keysDown.insert(key->detail);
        if (!repeat) {
            const quint32 id = it.key();
            QMetaObject::invokeMethod(this, [this, id] { Q_EMIT activated(id); }, Qt::QueuedConnection);
        }
        return true;
    }
    return false;
}

} // namespace mv::platform
