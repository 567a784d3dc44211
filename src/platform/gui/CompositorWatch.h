#pragma once

#include <QObject>

namespace mv::platform {

// Whether a compositing manager runs on the X screen the program shows on, followed while the
// program runs: a compositor owns the selection _NET_WM_CM_S<screen> for as long as it runs, and
// the X server reports every change of that selection's owner (XFixes), also the owner's end.
// Whether the compositor also blurs what lies behind translucent windows is followed too: a
// compositor that does (KWin's blur effect) announces it by a property on the root window named
// _KDE_NET_WM_BLUR_BEHIND_REGION for as long as it can; most others never do.
// Off X11 (the offscreen platform of tests, Wayland) the state is noX11 and never changes.
class CompositorWatch final : public QObject {
    Q_OBJECT

public:
    enum class State {
        noX11,
        composited,
        notComposited,
    };

    // The application's one watch, made on first use and ended with the application.
    static CompositorWatch& instance();

    State state() const { return m_state; }
    bool isComposited() const { return m_state == State::composited; }
    bool isX11() const { return m_state != State::noX11; }
    // A compositor runs and has announced that it blurs behind windows that ask for it.
    bool blursBehind() const { return isComposited() && m_blurAnnounced; }

Q_SIGNALS:
    // A compositor started or stopped.
    void stateChanged(mv::platform::CompositorWatch::State state);
    // The announcement of the blur came or went (blursBehind may be unchanged while no
    // compositor runs).
    void blurAnnouncementChanged(bool announced);

private:
    class EventFilter;

    CompositorWatch();
    ~CompositorWatch() override;
    // Reads the selection's owner again.
    void refresh();
    // Looks for the blur's announcement among the root's properties again.
    void refreshBlurAnnouncement();
    bool readBlurAnnouncement() const;

    State m_state = State::noX11;
    bool m_blurAnnounced = false;
    EventFilter* m_filter = nullptr;
};

} // namespace mv::platform
