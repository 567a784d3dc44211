#pragma once

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QObject>
#include <QSet>

#include <vector>

namespace mv::platform {

// Keyboard shortcuts of the whole desktop: a key with modifiers that reaches us whichever
// program has the keyboard focus. On X11 each is a passive grab of the key on the root window,
// on Qt's own connection; elsewhere (Wayland, the offscreen platform of tests) none can be had
// and registration says so. Meant to be one per process: two of them on one combination would
// share the server's single grab, and the first to let it go would take it from both.
class GlobalHotKeys final : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    explicit GlobalHotKeys(QObject* parent = nullptr);
    ~GlobalHotKeys() override;
    GlobalHotKeys(const GlobalHotKeys&) = delete;
    GlobalHotKeys& operator=(const GlobalHotKeys&) = delete;

    // Makes `key` pressed with exactly `modifiers` (any of Shift, Ctrl, Alt and Meta) raise
    // activated(id), whatever Caps Lock, Num Lock and Scroll Lock are. A letter key is named by
    // its Qt::Key (Qt::Key_H), and a key is matched as the key that carries it unshifted.
    // Whatever `id` held before is released first. False, holding nothing for `id`, when the
    // combination cannot be had: off X11, a key or modifier this keyboard lacks, a combination
    // already registered under another id, or one another program holds.
    bool registerHotKey(quint32 id, Qt::Key key, Qt::KeyboardModifiers modifiers);
    void unregisterHotKey(quint32 id);
    void unregisterAll();
    bool isRegistered(quint32 id) const { return m_registrations.contains(id); }

Q_SIGNALS:
    // Once per press: a key held down, which the X server repeats, does not raise it again.
    // Raised from the event loop once the event that carried the press has been handled, so a
    // receiver may do anything, a nested event loop included.
    void activated(quint32 id);

protected:
    // QAbstractNativeEventFilter
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    // One passive grab as the X server holds it.
    struct Grab {
        quint32 root = 0;
        quint8 keycode = 0;
        quint16 modifiers = 0; // with the lock modifiers of this grab
    };
    struct Registration {
        std::vector<quint8> keycodes;
        quint16 modifiers = 0;     // the modifiers asked for, as X state bits
        quint16 ignoredLocks = 0;  // the lock modifiers, whose state does not matter
        std::vector<Grab> grabs;
    };

    void releaseGrabs(const Registration& registration);
    // Lets `id` go, its grabs and the state of its keys; false when it held nothing.
    bool forget(quint32 id);
    // Waits until the server has released every grab let go so far.
    void waitForRelease() const;
    // True when the press of `keycode` at `time` is the X server repeating a held key.
    bool isRepeat(quint8 keycode, quint32 time) const;

    QHash<quint32, Registration> m_registrations;
    // Keys of ours seen pressed and not yet released, and when each was last released: while a
    // key is held the server sends either more presses alone or release-press pairs that share
    // their time.
    QSet<quint8> m_keysDown;
    QHash<quint8, quint32> m_releaseTimes;
};

} // namespace mv::platform
