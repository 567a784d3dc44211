#pragma once

#include <QPoint>

#include <optional>

class QMouseEvent;
class QWidget;

namespace mv::platform {

// Moves a frameless window by a left-button press on its background, as a framed one moves by
// its title bar: through the window manager where it offers that, otherwise step by step with
// the pointer. The window hands its mouse events on; each call says whether it took the event.
class BackgroundWindowMove final {
public:
    bool press(QWidget& window, QMouseEvent& event);
    bool move(QWidget& window, QMouseEvent& event);
    bool release(QMouseEvent& event);

    // A move of our own is under way: the window manager offered none.
    bool isMovingManually() const { return m_pressOffset.has_value(); }

private:
    // Where the press was, from the window's origin.
    std::optional<QPoint> m_pressOffset;
};

} // namespace mv::platform
