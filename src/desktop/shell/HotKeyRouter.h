#pragma once

#include "platform/gui/GlobalHotKeys.h"

#include <QHash>
#include <QObject>

#include <chrono>
#include <functional>

class QKeyEvent;

namespace mv {

class MorvanteelStore;

// The desktop's three keyboard shortcuts: Alt+Space toggles Peek, Alt+H hides or shows all
// fences, Ctrl+K opens or closes SpotSearch. They come by two roads: system-wide hot keys, and
// our own key presses while one of our windows has the focus (the only road where no global
// key can be had, or another program holds it). Both end in handleHotKey(), which takes one
// press of a key per short interval, so a press that both roads see acts once.
class HotKeyRouter final : public QObject {
    Q_OBJECT

public:
    enum HotKeyID : quint32 {
        peekHotKey = 1,
        curtainHotKey = 2,
        spotSearchHotKey = 3,
    };

    // The time since a fixed start, never going back; the system's steady clock unless replaced
    // (by tests).
    using Clock = std::function<std::chrono::steady_clock::duration()>;

    // A press of the same key sooner than this after the last one taken is dropped.
    static constexpr std::chrono::milliseconds repeatGuard{80};

    // Registers the three keys system-wide and watches the application's key presses, from now
    // until it is destroyed.
    explicit HotKeyRouter(MorvanteelStore& store, Clock clock = {}, QObject* parent = nullptr);
    ~HotKeyRouter() override;

    // Raised by Ctrl+K.
    std::function<void()> onOpenSpotSearch;

    // One press of a key, from either road: Peek is toggled, the curtain flipped and saved, or
    // onOpenSpotSearch raised; an id of none of them only counts as a press.
    void handleHotKey(quint32 id);

    // Whether the key is held system-wide; false off X11 and where another program holds it.
    bool isGloballyRegistered(quint32 id) const { return m_globalHotKeys.isRegistered(id); }

protected:
    // QObject
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Our own windows' key presses: true (consumed) for one of the three keys with exactly its
    // modifiers, and Caps Lock off.
    bool handleLocalKeyDown(const QKeyEvent& event);

    MorvanteelStore& m_store;
    Clock m_clock;
    platform::GlobalHotKeys m_globalHotKeys;
    QHash<quint32, std::chrono::steady_clock::duration> m_lastHotKeyHandledAt;
};

} // namespace mv
