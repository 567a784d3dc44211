#include "core/store/support/StoreFixture.h"
#include "desktop/shell/HotKeyRouter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QtTest>
#include <QWidget>

using namespace mv;
using namespace std::chrono_literals;

namespace {

using Press = QPair<quint32, int>; // a hot-key id and when it comes, in milliseconds

// A window of ours with the focus; it keeps the key presses that reach it.
class FocusedWidget final : public QWidget {
public:
    QList<int> receivedKeys;

protected:
    void keyPressEvent(QKeyEvent* event) override { receivedKeys.append(event->key()); }
};

// A router over a store of its own, on a clock the test sets, recording what each accepted
// press did, in order: 1 for Peek toggled, 2 for the curtain flipped, 3 for SpotSearch opened.
struct Router : StoreFixture {
    std::unique_ptr<MorvanteelStore> store = makeStore(Seeding::disabled);
    std::chrono::steady_clock::duration now = 1000s;
    std::unique_ptr<HotKeyRouter> router;
    QList<quint32> effects;

    Router()
    {
        store->save();
        router = std::make_unique<HotKeyRouter>(*store, [this] { return now; });
        router->onOpenSpotSearch = [this] { effects.append(HotKeyRouter::spotSearchHotKey); };
        QObject::connect(store.get(), &MorvanteelStore::preferencesChanged, store.get(),
                         [this, last = store->preferences()]() mutable {
                             const GlobalPreferences& current = store->preferences();
                             if (current.isPeekActive != last.isPeekActive)
                                 effects.append(HotKeyRouter::peekHotKey);
                             else if (current.isDesktopCurtainHidden != last.isDesktopCurtainHidden)
                                 effects.append(HotKeyRouter::curtainHotKey);
                             last = current;
                         });
    }

    // What a new store reads from the state file.
    GlobalPreferences savedPreferences()
    {
        flushSaves();
        return makeStore(Seeding::disabled)->preferences();
    }
};

QKeyEvent keyPress(Qt::Key key, Qt::KeyboardModifiers modifiers, quint32 nativeModifiers = 0, bool autoRepeat = false)
{
    return QKeyEvent(QEvent::KeyPress, key, modifiers, 0, 0, nativeModifiers, QString(), autoRepeat);
}

} // namespace

class HotKeyRouterTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void eachKeyDoesItsOwnThing_data()
    {
        QTest::addColumn<quint32>("id");
        QTest::addColumn<bool>("curtainBefore");
        QTest::addColumn<QList<quint32>>("effects");
        QTest::addColumn<bool>("peekAfter");
        QTest::addColumn<bool>("curtainAfter");
        QTest::newRow("Peek on") << quint32(1) << false << QList<quint32>{1} << true << false;
        // Peeking at the fences also shows those the curtain hid.
        QTest::newRow("Peek on with the curtain down") << quint32(1) << true << QList<quint32>{1} << true << false;
        QTest::newRow("curtain down") << quint32(2) << false << QList<quint32>{2} << false << true;
        QTest::newRow("curtain up") << quint32(2) << true << QList<quint32>{2} << false << false;
        QTest::newRow("SpotSearch") << quint32(3) << false << QList<quint32>{3} << false << false;
        QTest::newRow("an id of no key") << quint32(9) << true << QList<quint32>{} << false << true;
    }

    void eachKeyDoesItsOwnThing()
    {
        QFETCH(quint32, id);
        QFETCH(bool, curtainBefore);
        QFETCH(QList<quint32>, effects);
        QFETCH(bool, peekAfter);
        QFETCH(bool, curtainAfter);
        Router r;
        GlobalPreferences preferences = r.store->preferences();
        preferences.isDesktopCurtainHidden = curtainBefore;
        QVERIFY(r.store->setPreferences(preferences));
        r.store->save();
        r.effects.clear();

        r.router->handleHotKey(id);
        QCOMPARE(r.effects, effects);
        QCOMPARE(r.store->preferences().isPeekActive, peekAfter);
        QCOMPARE(r.store->preferences().isDesktopCurtainHidden, curtainAfter);
        QCOMPARE(r.savedPreferences().isPeekActive, peekAfter);
        QCOMPARE(r.savedPreferences().isDesktopCurtainHidden, curtainAfter);
    }

    // A press sooner than 80 ms after the last one taken of the same key is dropped, and does
    // not push the next one further out; other keys are not held back.
    void repeatGuard_data()
    {
        QTest::addColumn<QList<Press>>("presses");
        QTest::addColumn<QList<quint32>>("effects");
        QTest::newRow("twice within 80 ms") << QList<Press>{{1, 0}, {1, 79}} << QList<quint32>{1};
        QTest::newRow("twice, 80 ms apart") << QList<Press>{{1, 0}, {1, 80}} << QList<quint32>{1, 1};
        QTest::newRow("twice, 100 ms apart") << QList<Press>{{1, 0}, {1, 100}} << QList<quint32>{1, 1};
        QTest::newRow("a dropped press does not count")
            << QList<Press>{{3, 0}, {3, 50}, {3, 90}} << QList<quint32>{3, 3};
        QTest::newRow("per key") << QList<Press>{{1, 0}, {2, 10}, {3, 20}, {1, 30}} << QList<quint32>{1, 2, 3};
        QTest::newRow("an id of no key has its own guard") << QList<Press>{{9, 0}, {3, 1}} << QList<quint32>{3};
    }

    void repeatGuard()
    {
        QFETCH(QList<Press>, presses);
        QFETCH(QList<quint32>, effects);
        Router r;
        const auto start = r.now;
        for (const Press& press : presses) {
            r.now = start + std::chrono::milliseconds(press.second);
            r.router->handleHotKey(press.first);
        }
        QCOMPARE(r.effects, effects);
    }

    // While one of our windows has the focus, its key presses are a road of their own: the
    // three keys with exactly their modifiers, Caps Lock off, are taken from the window.
    void localKeys_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<quint32>("nativeModifiers");
        QTest::addColumn<bool>("autoRepeat");
        QTest::addColumn<QList<quint32>>("effects");
        QTest::addColumn<bool>("consumed");
        const Qt::KeyboardModifiers alt(Qt::AltModifier);
        QTest::newRow("Alt+Space") << Qt::Key_Space << alt << 0u << false << QList<quint32>{1} << true;
        QTest::newRow("Alt+H") << Qt::Key_H << alt << 0u << false << QList<quint32>{2} << true;
        QTest::newRow("Ctrl+K") << Qt::Key_K << Qt::KeyboardModifiers(Qt::ControlModifier) << 0u << false
                                << QList<quint32>{3} << true;
        QTest::newRow("Shift+Alt+Space") << Qt::Key_Space << Qt::KeyboardModifiers(Qt::ShiftModifier | Qt::AltModifier)
                                         << 0u << false << QList<quint32>{} << false;
        QTest::newRow("Alt+Space, Caps Lock on") << Qt::Key_Space << alt << 0x2u << false << QList<quint32>{} << false;
        QTest::newRow("Alt+Space, Num Lock on") << Qt::Key_Space << alt << 0x10u << false << QList<quint32>{1} << true;
        QTest::newRow("Ctrl+Alt+K") << Qt::Key_K << Qt::KeyboardModifiers(Qt::ControlModifier | Qt::AltModifier) << 0u
                                    << false << QList<quint32>{} << false;
        QTest::newRow("Meta+K") << Qt::Key_K << Qt::KeyboardModifiers(Qt::MetaModifier) << 0u << false
                                << QList<quint32>{} << false;
        QTest::newRow("K") << Qt::Key_K << Qt::KeyboardModifiers() << 0u << false << QList<quint32>{} << false;
        QTest::newRow("Alt+Space on the keypad")
            << Qt::Key_Space << Qt::KeyboardModifiers(Qt::AltModifier | Qt::KeypadModifier) << 0u << false
            << QList<quint32>{} << false;
        // A held key acts when it goes down; its repeats are swallowed and do nothing.
        QTest::newRow("Alt+Space repeated") << Qt::Key_Space << alt << 0u << true << QList<quint32>{} << true;
    }

    void localKeys()
    {
        QFETCH(Qt::Key, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(quint32, nativeModifiers);
        QFETCH(bool, autoRepeat);
        QFETCH(QList<quint32>, effects);
        QFETCH(bool, consumed);
        Router r;
        FocusedWidget widget;
        QKeyEvent event = keyPress(key, modifiers, nativeModifiers, autoRepeat);
        QApplication::sendEvent(&widget, &event);
        QCOMPARE(r.effects, effects);
        QCOMPARE(widget.receivedKeys.isEmpty(), consumed);
    }

    // Ctrl+K in our own window comes by both roads (where the global key is had); it opens
    // SpotSearch once. Later presses act again.
    void onePressByBothRoadsActsOnce()
    {
        Router r;
        FocusedWidget widget;
        QKeyEvent event = keyPress(Qt::Key_K, Qt::ControlModifier);
        QApplication::sendEvent(&widget, &event);
        r.now += 5ms;
        r.router->handleHotKey(HotKeyRouter::spotSearchHotKey);
        QCOMPARE(r.effects, QList<quint32>{3});

        r.now += 200ms;
        r.router->handleHotKey(HotKeyRouter::spotSearchHotKey);
        r.now += 5ms;
        QApplication::sendEvent(&widget, &event);
        QCOMPARE(r.effects, (QList<quint32>{3, 3}));
        QVERIFY(widget.receivedKeys.isEmpty());
    }

    // Without a callback Ctrl+K does nothing, and once the router is gone our windows get their
    // keys back.
    void withoutCallbackOrRouter()
    {
        Router r;
        r.router->onOpenSpotSearch = nullptr;
        FocusedWidget widget;
        QKeyEvent ctrlK = keyPress(Qt::Key_K, Qt::ControlModifier);
        QApplication::sendEvent(&widget, &ctrlK);
        QVERIFY(widget.receivedKeys.isEmpty());

        r.router.reset();
        QKeyEvent altSpace = keyPress(Qt::Key_Space, Qt::AltModifier);
        QApplication::sendEvent(&widget, &altSpace);
        QCOMPARE(widget.receivedKeys, QList<int>{Qt::Key_Space});
        QVERIFY(r.effects.isEmpty());
        QVERIFY(!r.store->preferences().isPeekActive);
    }

    // Off X11 no key is had system-wide; our own windows are the only road.
    void noGlobalKeysOffX11()
    {
        if (QGuiApplication::platformName() == QStringLiteral("xcb"))
            QSKIP("run on X11: its hot keys are checked under Xvfb");
        Router r;
        for (const quint32 id : {1u, 2u, 3u})
            QVERIFY(!r.router->isGloballyRegistered(id));
    }
};

QTEST_MAIN(HotKeyRouterTest)
#include "tst_hotkeyrouter.moc"
