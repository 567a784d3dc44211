#pragma once

#include "core/models/ModelEnums.h"
#include "design/DesignEnvironment.h"

#include <QImage>
#include <QPainterPath>
#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>

class QAbstractAnimation;
class QMouseEvent;
class QPainter;
class QPropertyAnimation;

namespace mv {

namespace platform {
class WindowGlass;
}

// The borderless window that carries one fence on the desktop. It sits on the desktop layer
// on every workspace, turns the undo, redo and Space keys into callbacks, can be locked against
// moving and resizing, and presents itself for the normal, Peek and hidden states with fades.
// Its glass meets the X server as it is: see-through with a compositor, else shaped to the
// fence's outline. Under its glass it paints frosted glass from the wallpaper under it, inside
// its outline, unless the compositor blurs behind it.
// The panel manager creates it, sets its callbacks and content, and listens to its signals.
//
// Frames are Qt's: global logical pixels, y down. The manager converts from the model's frames.
class DesktopFencePanel final : public QWidget {
    Q_OBJECT

public:
    // The smallest a panel can be made: a rolled-up fence's pill is 46 high.
    static constexpr int minimumWidth = 240;
    static constexpr int minimumHeight = 46;
    // Animation durations, in milliseconds.
    static constexpr int showFadeMs = 220;
    static constexpr int hideFadeMs = 180;
    static constexpr int frameAnimationMs = 280;
    // How close to an edge a press starts a resize instead of a move.
    static constexpr int resizeGripWidth = 6;

    DesktopFencePanel(const QUuid& fenceID, const QRect& initialFrame);
    ~DesktopFencePanel() override;

    const QUuid& fenceID() const { return m_fenceID; }

    // Each returns true when it handled the key; false (or no callback) lets the key go on.
    std::function<bool()> onUndoCommand;
    std::function<bool()> onRedoCommand;
    std::function<bool()> onSpaceQuickLook;

    // The view that fills the panel (a TopPinnedContentView). The panel takes it as its child;
    // a previous content view is deleted later.
    QWidget* contentView() const { return m_contentView; }
    void setContentView(QWidget* view);

    // A locked panel can be neither moved nor resized.
    bool isLocked() const { return m_isLocked; }
    void setLocked(bool locked);
    // An unlocked panel that is not resizable can still be moved (a rolled-up fence's pill).
    bool isResizable() const { return m_isResizable && !m_isLocked; }
    void setResizable(bool resizable);

    // The outline of the fence's glass in the panel's own coordinates (the content view's rounded
    // shape, a capsule when rolled up): blurred behind by a compositor, or, without one, the
    // window's shape.
    void setGlassOutline(const QPainterPath& outline);
    // Unless the compositor blurs, the panel paints frosted glass from the wallpaper under it;
    // where no wallpaper can be read, from this painted one.
    void setFallbackWallpaper(WallpaperPreset preset);
    platform::WindowGlass& windowGlass() const { return *m_glass; }
    // The blur of the frosted glass, and the wash over it for each colour scheme.
    static constexpr int frostBlurRadius = 28;
    static QColor frostWash(ColorScheme scheme);

    // Peek raises the panel above ordinary windows; otherwise it sits on the desktop layer.
    // Hidden fades it out (or hides it at once) and orders it out; shown orders it in without
    // taking focus and fades it to `targetAlpha`. Each call supersedes a fade still running: a
    // show that follows a hide within its fade keeps the panel shown.
    void applyPresentation(bool isPeekActive, bool isHidden, double targetAlpha, bool animated);
    bool isPeekLayer() const { return m_isPeekLayer; }
    // Bumped by every presentation.
    int visibilityAnimationToken() const { return m_visibilityAnimationToken; }

    // Fades the window opacity to `alpha` over `durationMs` (0: at once).
    void animateAlpha(double alpha, int durationMs);

    // Moves and resizes the panel, over 280 ms when animated.
    void applyFrame(const QRect& frame, bool animated);
    // Grows the panel by `growBy` on every side and back (120 ms out, 160 ms back), to show
    // where it is.
    void pulse(int growBy);
    // Ends a running frame animation or pulse at its last frame at once, as the user takes the
    // panel: its later steps would pull the panel back from under the pointer.
    void finishFrameAnimations();

Q_SIGNALS:
    // The user began to move or resize the panel (a press on its background or edge).
    void userMoveOrResizeStarted();
    // That move or resize is over: the left button is up again.
    void userMoveOrResizeEnded();
    // The panel's frame changed; userInitiated is false while applyFrame is at work.
    void frameChanged(bool userInitiated);
    // The panel became, or stopped being, the active window.
    void becameKey();
    void resignedKey();

protected:
    bool event(QEvent* event) override;
    // Refuses the window manager's close (Alt+F4, a task switcher's close): a fence is hidden
    // and shown only as the program presents it, so a window closed behind its back would stay
    // away until the next presentation.
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    class EventRouter;

    // What the application-wide filter hands the panel: a key press or mouse move meant for
    // one of its widgets (true when taken), and any mouse release or move while it is moved.
    bool filterOwnEvent(QWidget* receiver, QEvent* event);
    void noteApplicationMouse(const QMouseEvent* mouse);

    // A move or resize we carry out ourselves where the window system offers none.
    struct ManualDrag {
        Qt::Edges edges;
        QPoint pressPosition;
        QRect startFrame;
    };

    // Whether the key press, meant for a widget of this panel, was taken as a command.
    bool handleKeyPress(QKeyEvent* event);
    // The widget a key press of this window is delivered to first.
    QWidget* keyTarget() const;
    Qt::Edges edgesAt(const QPoint& position) const;
    void updateEdgeCursor(const QPoint& globalPosition);
    void continueManualDrag(const QPoint& globalPosition);
    void endUserMoveOrResize();
    void setLayer(bool isPeek);
    void orderFront();
    void fadeTo(double alpha, int durationMs, std::optional<int> hideToken);
    void stopAlphaAnimation();
    void finishPendingHide();
    void reportFrameChange();
    void paintFrostedBackdrop(QPainter& painter);

    QUuid m_fenceID;
    int m_visibilityAnimationToken = 0;
    bool m_isLocked = false;
    bool m_isResizable = true;
    bool m_isPeekLayer = false;
    bool m_isApplyingFrame = false;
    QPointer<QPropertyAnimation> m_alphaAnimation;
    QPointer<QPropertyAnimation> m_frameAnimation;
    QPointer<QAbstractAnimation> m_pulseAnimation;
    // The token a running hide fade orders the panel out with, when it is still current.
    std::optional<int> m_pendingHideToken;
    // The last frame reported through frameChanged, so that the window system's echo of a
    // frame we set ourselves is not taken for the user's move.
    QRect m_reportedFrame;
    QPointer<QWidget> m_contentView;
    // Between a press that starts a move or resize and the left button's release.
    bool m_isUserMovingOrResizing = false;
    std::optional<ManualDrag> m_manualDrag;
    Qt::Edges m_cursorEdges;
    platform::WindowGlass* m_glass = nullptr;
    WallpaperPreset m_fallbackWallpaper = WallpaperPreset::tahoeAurora;
};

} // namespace mv
