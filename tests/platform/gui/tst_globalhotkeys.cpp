#include "platform/gui/GlobalHotKeys.h"
#include "support/XTestKeyboard.h"
#include "support/XvfbSession.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <X11/keysym.h>

#include <cstdlib>
#include <memory>

using namespace mv::platform;

namespace {

// What the X server and the event loop are given to deliver a press.
constexpr int deliveryTimeout = 5000;
// What the server is given to start repeating a held key (its default delay is 660 ms).
constexpr int repeatTimeout = 10000;

// Raised after each case's presses: the server delivers events in order, so once its press has
// come through, so has everything pressed before it.
constexpr quint32 markerID = 99;

using xtest::Reply;


// Turns lock keys on for its lifetime, as a user would: one tap each, another to undo it.
class LocksOn final {
public:
    LocksOn(XTestKeyboard& keyboard, const QList<xcb_keysym_t>& locks)
        : m_keyboard(keyboard)
        , m_locks(locks)
    {
        for (const xcb_keysym_t lock : m_locks)
            m_keyboard.type({}, lock);
    }
    ~LocksOn()
    {
        for (const xcb_keysym_t lock : m_locks)
            m_keyboard.type({}, lock);
    }
    LocksOn(const LocksOn&) = delete;
    LocksOn& operator=(const LocksOn&) = delete;

private:
    XTestKeyboard& m_keyboard;
    QList<xcb_keysym_t> m_locks;
};

// Counts the presses of one key that reach the application as the server sent them, before
// anything of ours filters them.
class RawPresses final : public QAbstractNativeEventFilter {
public:
    explicit RawPresses(xcb_keycode_t keycode)
        : m_keycode(keycode)
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    int count() const { return m_count; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (eventType == "xcb_generic_event_t" && (event->response_type & ~0x80) == XCB_KEY_PRESS
            && reinterpret_cast<const xcb_key_press_event_t*>(event)->detail == m_keycode)
            ++m_count;
        return false;
    }

private:
    xcb_keycode_t m_keycode;
    int m_count = 0;
};

} // namespace

class GlobalHotKeysTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_keyboard.isConnected());
        if (!m_keyboard.hasXTest())
            QSKIP("this X server has no XTEST extension to type with");
        QVERIFY2(m_keyboard.modifierMask(XK_Num_Lock) != 0, "Num Lock is on no modifier of the test keyboard");
    }

    void init()
    {
        m_hotKeys = std::make_unique<GlobalHotKeys>();
        m_spy = std::make_unique<QSignalSpy>(m_hotKeys.get(), &GlobalHotKeys::activated);
        QVERIFY(m_hotKeys->registerHotKey(markerID, Qt::Key_F12, Qt::NoModifier));
    }

    void cleanup()
    {
        m_spy.reset();
        m_hotKeys.reset();
        QCOMPARE(m_keyboard.modifierState(), quint16(0));
    }

    // A press of the combination raises its id once, whatever locks are on.
    void pressActivatesOnce_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QList<xcb_keysym_t>>("typed");
        QTest::addColumn<QList<xcb_keysym_t>>("locks");
        const QList<xcb_keysym_t> alt{XK_Alt_L};
        const QList<xcb_keysym_t> control{XK_Control_L};
        const Qt::KeyboardModifiers altModifier(Qt::AltModifier);
        const Qt::KeyboardModifiers controlModifier(Qt::ControlModifier);
        const QList<xcb_keysym_t> capsAndNum{XK_Caps_Lock, XK_Num_Lock};
        QTest::newRow("Alt+H") << Qt::Key_H << altModifier << alt << QList<xcb_keysym_t>{};
        QTest::newRow("Alt+H, Caps Lock on") << Qt::Key_H << altModifier << alt << QList<xcb_keysym_t>{XK_Caps_Lock};
        QTest::newRow("Alt+H, Num Lock on") << Qt::Key_H << altModifier << alt << QList<xcb_keysym_t>{XK_Num_Lock};
        QTest::newRow("Alt+H, Caps and Num Lock on") << Qt::Key_H << altModifier << alt << capsAndNum;
        QTest::newRow("Ctrl+K") << Qt::Key_K << controlModifier << control << QList<xcb_keysym_t>{};
        QTest::newRow("Ctrl+K, Caps and Num Lock on") << Qt::Key_K << controlModifier << control << capsAndNum;
        QTest::newRow("Ctrl+Shift+Space")
            << Qt::Key_Space << Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier)
            << QList<xcb_keysym_t>{XK_Control_L, XK_Shift_L} << QList<xcb_keysym_t>{};
        QTest::newRow("Meta+F5") << Qt::Key_F5 << Qt::KeyboardModifiers(Qt::MetaModifier)
                                 << QList<xcb_keysym_t>{XK_Super_L} << QList<xcb_keysym_t>{XK_Num_Lock};
    }

    void pressActivatesOnce()
    {
        QFETCH(Qt::Key, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QList<xcb_keysym_t>, typed);
        QFETCH(QList<xcb_keysym_t>, locks);
        QVERIFY(m_hotKeys->registerHotKey(7, key, modifiers));
        QVERIFY(m_hotKeys->isRegistered(7));
        const LocksOn locked(m_keyboard, locks);
        quint16 lockState = 0;
        for (const xcb_keysym_t lock : locks)
            lockState |= lock == XK_Caps_Lock ? quint16(XCB_MOD_MASK_LOCK) : m_keyboard.modifierMask(lock);
        QTRY_COMPARE(m_keyboard.modifierState(), lockState);

        m_keyboard.type(typed, keysymOf(key));
        QCOMPARE(activatedUntilMarker(), QList<quint32>{7});
        m_keyboard.type(typed, keysymOf(key));
        QCOMPARE(activatedUntilMarker(), QList<quint32>{7});
    }

    // Only the exact modifiers: a grab of Alt+H leaves H, Shift+Alt+H and Ctrl+H to others.
    void otherModifiersDoNotActivate_data()
    {
        QTest::addColumn<QList<xcb_keysym_t>>("typed");
        QTest::newRow("H") << QList<xcb_keysym_t>{};
        QTest::newRow("Shift+Alt+H") << QList<xcb_keysym_t>{XK_Shift_L, XK_Alt_L};
        QTest::newRow("Ctrl+Alt+H") << QList<xcb_keysym_t>{XK_Control_L, XK_Alt_L};
        QTest::newRow("Ctrl+H") << QList<xcb_keysym_t>{XK_Control_L};
    }

    void otherModifiersDoNotActivate()
    {
        QFETCH(QList<xcb_keysym_t>, typed);
        QVERIFY(m_hotKeys->registerHotKey(2, Qt::Key_H, Qt::AltModifier));
        m_keyboard.type(typed, XK_h);
        QCOMPARE(activatedUntilMarker(), QList<quint32>{});
    }

    // A held key comes again and again from the server; it is one press until it is let go.
    void heldKeyActivatesOnce()
    {
        QVERIFY(m_hotKeys->registerHotKey(2, Qt::Key_H, Qt::AltModifier));
        const RawPresses raw(m_keyboard.keycode(XK_h));
        m_keyboard.press(XK_Alt_L);
        m_keyboard.press(XK_h);
        // The server's own repeat, after its delay (XTEST itself drops a press of a key that is down).
        QTRY_VERIFY_WITH_TIMEOUT(raw.count() >= 3, repeatTimeout);
        m_keyboard.release(XK_h);
        m_keyboard.release(XK_Alt_L);
        QCOMPARE(activatedUntilMarker(), QList<quint32>{2});

        m_keyboard.type({XK_Alt_L}, XK_h);
        QCOMPARE(activatedUntilMarker(), QList<quint32>{2});
    }

    // Another client holding the combination, even only with Num Lock on, makes the registration
    // fail; what was grabbed of it is let go, and the other hot keys go on working.
    void heldElsewhereIsRefused_data()
    {
        QTest::addColumn<bool>("onlyWithNumLock");
        QTest::newRow("held as pressed") << false;
        QTest::newRow("held with Num Lock on") << true;
    }

    void heldElsewhereIsRefused()
    {
        QFETCH(bool, onlyWithNumLock);
        const quint16 held = XCB_MOD_MASK_CONTROL | (onlyWithNumLock ? m_keyboard.modifierMask(XK_Num_Lock) : 0);
        QVERIFY(m_hotKeys->registerHotKey(2, Qt::Key_H, Qt::AltModifier));
        QVERIFY(m_keyboard.grab(XK_j, held));

        QVERIFY(!m_hotKeys->registerHotKey(5, Qt::Key_J, Qt::ControlModifier));
        QVERIFY(!m_hotKeys->isRegistered(5));
        QVERIFY(m_hotKeys->isRegistered(2));
        QVERIFY2(m_keyboard.grab(XK_j, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_LOCK),
                 "a grab of the refused registration was kept");
        m_keyboard.ungrab(XK_j, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_LOCK);
        m_keyboard.type({XK_Control_L}, XK_j);
        m_keyboard.type({XK_Alt_L}, XK_h);
        QCOMPARE(activatedUntilMarker(), QList<quint32>{2});
        m_keyboard.ungrab(XK_j, held);
    }

    // Unregistering stops the presses and lets other programs have the keys; so does the end of
    // the object.
    void unregisterReleasesKeys()
    {
        QVERIFY(m_hotKeys->registerHotKey(2, Qt::Key_H, Qt::AltModifier));
        QVERIFY(m_hotKeys->registerHotKey(3, Qt::Key_K, Qt::ControlModifier));
        m_hotKeys->unregisterHotKey(2);
        QVERIFY(!m_hotKeys->isRegistered(2));
        m_keyboard.type({XK_Alt_L}, XK_h);
        m_keyboard.type({XK_Control_L}, XK_k);
        QCOMPARE(activatedUntilMarker(), QList<quint32>{3});
        QVERIFY(m_keyboard.grab(XK_h, XCB_MOD_MASK_1 | XCB_MOD_MASK_LOCK));
        m_keyboard.ungrab(XK_h, XCB_MOD_MASK_1 | XCB_MOD_MASK_LOCK);
        QVERIFY(!m_keyboard.grab(XK_k, XCB_MOD_MASK_CONTROL));

        m_spy.reset();
        m_hotKeys.reset();
        QVERIFY(m_keyboard.grab(XK_k, XCB_MOD_MASK_CONTROL));
        m_keyboard.ungrab(XK_k, XCB_MOD_MASK_CONTROL);
        QVERIFY(m_keyboard.grab(XK_F12, 0));
        m_keyboard.ungrab(XK_F12, 0);
    }

    // An id registered again moves to its new key; a combination taken by another id is refused
    // and the first keeps it.
    void registrationRules()
    {
        QVERIFY(m_hotKeys->registerHotKey(2, Qt::Key_H, Qt::AltModifier));
        QVERIFY(m_hotKeys->registerHotKey(2, Qt::Key_J, Qt::AltModifier));
        QVERIFY(!m_hotKeys->registerHotKey(6, Qt::Key_J, Qt::AltModifier));
        QVERIFY(!m_hotKeys->isRegistered(6));
        m_keyboard.type({XK_Alt_L}, XK_h);
        m_keyboard.type({XK_Alt_L}, XK_j);
        QCOMPARE(activatedUntilMarker(), QList<quint32>{2});
        QVERIFY(m_keyboard.grab(XK_h, XCB_MOD_MASK_1));
        m_keyboard.ungrab(XK_h, XCB_MOD_MASK_1);
    }

    // What the keyboard or X cannot give is refused, holding nothing.
    void unavailableCombinationsRefused_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::newRow("a key with no X key symbol of ours")
            << Qt::Key_MediaPlay << Qt::KeyboardModifiers(Qt::AltModifier);
        QTest::newRow("the keypad as a modifier") << Qt::Key_H << Qt::KeyboardModifiers(Qt::KeypadModifier);
        QTest::newRow("no key") << Qt::Key_unknown << Qt::KeyboardModifiers(Qt::ControlModifier);
    }

    void unavailableCombinationsRefused()
    {
        QFETCH(Qt::Key, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QVERIFY(!m_hotKeys->registerHotKey(8, key, modifiers));
        QVERIFY(!m_hotKeys->isRegistered(8));
    }

private:
    static xcb_keysym_t keysymOf(Qt::Key key)
    {
        switch (key) {
        case Qt::Key_H: return XK_h;
        case Qt::Key_K: return XK_k;
        case Qt::Key_Space: return XK_space;
        case Qt::Key_F5: return XK_F5;
        default: return XCB_NO_SYMBOL;
        }
    }

    // The ids raised from the last call until the marker's press came through.
    QList<quint32> activatedUntilMarker()
    {
        m_keyboard.type({}, XK_F12);
        QList<quint32> ids;
        const bool markerSeen = QTest::qWaitFor(
            [&] {
                for (; !m_spy->isEmpty(); m_spy->removeFirst()) {
                    const quint32 id = m_spy->first().at(0).value<quint32>();
                    if (id == markerID) {
                        m_spy->removeFirst();
                        return true;
                    }
                    ids.append(id);
                }
                return false;
            },
            deliveryTimeout);
        if (!markerSeen)
            ids.append(0xdead);
        return ids;
    }

    XTestKeyboard m_keyboard;
    std::unique_ptr<GlobalHotKeys> m_hotKeys;
    std::unique_ptr<QSignalSpy> m_spy;
};

MORVANTEEL_X11_TEST_MAIN(GlobalHotKeysTest)
#include "tst_globalhotkeys.moc"
