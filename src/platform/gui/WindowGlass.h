#pragma once

#include <QObject>
#include <QPainterPath>
#include <QPointer>

class QWidget;

namespace mv::platform {

// The glass of one translucent top-level window on X11, kept in step with the compositor.
// With a compositor the window keeps its see-through (ARGB) pixels and asks for the blur behind
// its outline (_KDE_NET_WM_BLUR_BEHIND_REGION, which KWin honours and others ignore). Without
// one, the X server would show the see-through pixels black: the window takes its outline as its
// shape (X Shape, through Qt's window mask), so its corners show what lies behind, and it has to
// paint an opaque backdrop of its own inside. Off X11 nothing is changed.
class WindowGlass final : public QObject {
    Q_OBJECT

public:
    enum class Blur {
        behindOutline, // the glass of a panel or menu
        none,          // marks drawn over the desktop (guide lines), where a blur would smear
    };

    // Made as a child of `window`, a top-level widget.
    explicit WindowGlass(QWidget& window, Blur blur = Blur::behindOutline);
    ~WindowGlass() override;

    // The window's outline in its own logical pixels; empty: the whole window.
    void setOutline(const QPainterPath& outline);
    const QPainterPath& outline() const { return m_outline; }

    // On X11 without a compositor: the window paints its own opaque backdrop inside its outline.
    bool needsOpaqueBackdrop() const;
    // On X11 unless the compositor blurs behind the window: a window over the wallpaper paints
    // the frosted wallpaper under its glass itself, or its glass would show the wallpaper raw.
    bool needsFrostedBackdrop() const;

    // The property's name, for those who read it back.
    static constexpr const char* blurBehindProperty = "_KDE_NET_WM_BLUR_BEHIND_REGION";

Q_SIGNALS:
    // A compositor started or stopped, or began or ceased to blur: what the window paints
    // changes with it.
    void compositingChanged();

private:
    void apply();

    QPointer<QWidget> m_window;
    Blur m_blur;
    QPainterPath m_outline;
};

// Keeps `window`'s outline a rectangle rounded by `radius`, following its size.
WindowGlass& keepRoundedWindowGlass(QWidget& window, double radius);

// Every menu of the application (translucent, with rounded corners of `radius`) gets its glass as
// it is shown. Once per application; a later call changes nothing.
void installRoundedMenuGlass(double radius);

} // namespace mv::platform
