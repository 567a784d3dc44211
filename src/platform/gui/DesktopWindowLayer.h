#pragma once

class QWindow;

namespace mv::platform {

// Where a top-level window sits among the desktop's windows.
enum class DesktopLayer {
    // On the desktop: below ordinary windows, on every workspace, left out of the task bar,
    // the pager and window switching.
    desktop,
    // Raised for a moment above ordinary windows (Peek), still on every workspace and out of
    // the task bar and pager.
    floating,
};

// Puts `window` on `layer`. Works before the window is first shown (the state it is mapped
// with) and while it is shown (asked of the window manager). False where it cannot be done:
// off X11 (the offscreen platform of tests), or without a native window.
// For a widget, pass its windowHandle() once winId() has made the native window. The window
// keeps its layer when it is hidden and shown again, also after QWidget::setWindowFlags(). Qt's
// own window flags are not touched: QWindow::setFlags() on a shown window makes Qt ask the window
// manager to drop ABOVE and BELOW again, so call this once more after it.
bool applyDesktopLayer(QWindow* window, DesktopLayer layer);

} // namespace mv::platform
