#include "desktop/shell/HotKeyRouter.h"

#include "core/store/MorvanteelStore.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include <array>

namespace mv {
namespace {

struct HotKey {
    quint32 id;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

// Registered in this order.
constexpr std::array<HotKey, 3> hotKeys{{
    {HotKeyRouter::peekHotKey, Qt::Key_Space, Qt::AltModifier},
    {HotKeyRouter::curtainHotKey, Qt::Key_H, Qt::AltModifier},
    {HotKeyRouter::spotSearchHotKey, Qt::Key_K, Qt::ControlModifier},
}};

// Qt keeps Caps Lock out of a key event's modifiers. X11 and XKB (under Wayland) both report it
// as bit 1 of the native modifier state.
constexpr quint32 nativeCapsLock = 0x2;

} // namespace

HotKeyRouter::HotKeyRouter(MorvanteelStore& store, Clock clock, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_clock(clock ? std::move(clock) : Clock([] { return std::chrono::steady_clock::now().time_since_epoch(); }))
{
    // A key another program holds stays unregistered; our own windows still serve it.
    for (const HotKey& hotKey : hotKeys)
        m_globalHotKeys.registerHotKey(hotKey.id, hotKey.key, hotKey.modifiers);
    connect(&m_globalHotKeys, &platform::GlobalHotKeys::activated, this, &HotKeyRouter::handleHotKey);
    if (QCoreApplication* application = QCoreApplication::instance())
        application->installEventFilter(this);
}

HotKeyRouter::~HotKeyRouter() = default;

void HotKeyRouter::handleHotKey(quint32 id)
{
    const auto now = m_clock();
    if (const auto last = m_lastHotKeyHandledAt.constFind(id);
        last != m_lastHotKeyHandledAt.constEnd() && now - *last < repeatGuard)
        return;
    m_lastHotKeyHandledAt.insert(id, now);

    switch (id) {
    case peekHotKey:
        m_store.togglePeek();
        break;
    case curtainHotKey:
        m_store.toggleDesktopCurtain();
        break;
    case spotSearchHotKey:
        if (onOpenSpotSearch)
            onOpenSpotSearch();
        break;
    default:
        break;
    }
}

bool HotKeyRouter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && handleLocalKeyDown(*static_cast<QKeyEvent*>(event)))
        return true;
    return QObject::eventFilter(watched, event);
}

bool HotKeyRouter::handleLocalKeyDown(const QKeyEvent& event)
{
    if (event.nativeModifiers() & nativeCapsLock)
        return false;
    for (const HotKey& hotKey : hotKeys) {
        if (event.key() != hotKey.key || event.modifiers() != hotKey.modifiers)
            continue;
        // A held key repeats; it acts once, when it goes down, and its repeats are swallowed
        // with it.
        if (!event.isAutoRepeat())
            handleHotKey(hotKey.id);
        return true;
    }
    return false;
}

} // namespace mv
