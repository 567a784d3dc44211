#include "desktop/shell/DesktopFencePanel.h"

#include "design/AppIcon.h"
#include "design/DesignEnvironment.h"
#include "design/FrostedGlass.h"
#include "desktop/shell/FillingChildView.h"
#include "desktop/shell/FrostedDesktop.h"
#include "platform/gui/DesktopWallpaperSource.h"
#include "platform/gui/DesktopWindowLayer.h"
#include "platform/gui/WindowGlass.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEasingCurve>
#include <QGuiApplication>
#include <QHash>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPropertyAnimation>
#include <QScreen>
#include <QSequentialAnimationGroup>
#include <QTextEdit>
#include <QSet>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace mv {

namespace {

double boundedAlpha(double alpha)
{
    return std::isfinite(alpha) ? std::clamp(alpha, 0.0, 1.0) : 1.0;
}

// The system's ease-in-ease-out pacing.
QEasingCurve easeInOut()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return curve;
}

platform::DesktopLayer layerFor(bool isPeek)
{
    return isPeek ? platform::DesktopLayer::floating : platform::DesktopLayer::desktop;
}

// Whether the widget edits text, so that undo, redo and Space belong to it. Item views turn
// on input methods only to search by typing, and keep their Space and undo keys for the panel.
// Any other widget that takes composed text (an embedded editor of some other kind) says so
// through the input-method queries; the attribute alone is not enough.
bool editsText(const QWidget* widget)
{
    if (!widget)
        return false;
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
        return !edit->isReadOnly();
    if (const auto* edit = qobject_cast<const QTextEdit*>(widget))
        return edit->textInteractionFlags().testFlag(Qt::TextEditable);
    if (const auto* edit = qobject_cast<const QPlainTextEdit*>(widget))
        return edit->textInteractionFlags().testFlag(Qt::TextEditable);
    if (const auto* spinBox = qobject_cast<const QAbstractSpinBox*>(widget))
        return !spinBox->isReadOnly();
    if (const auto* comboBox = qobject_cast<const QComboBox*>(widget))
        return comboBox->isEditable();
    if (qobject_cast<const QAbstractItemView*>(widget))
        return false;
    return widget->testAttribute(Qt::WA_InputMethodEnabled) && widget->inputMethodQuery(Qt::ImEnabled).toBool()
        && !widget->inputMethodQuery(Qt::ImReadOnly).toBool();
}

// Caps Lock is no Qt modifier; X11 reports it in the key's native state, as its lock bit.
bool capsLockOn(const QKeyEvent* event)
{
    constexpr quint32 x11LockMask = 0x2;
    return (event->nativeModifiers() & x11LockMask) && QGuiApplication::platformName() == QLatin1String("xcb");
}

Qt::CursorShape cursorFor(Qt::Edges edges)
{
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical) {
        const bool falling = edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge);
        return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    return horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor;
}

} // namespace

// One application-wide filter for every panel, rather than one per panel: with a hundred fences,
// a hundred filters would each see every event of the program. It hands a key press or mouse
// move to the panel whose window it is meant for, and the left button's release (or a move
// without it) to the panels being moved or resized.
class DesktopFencePanel::EventRouter final : public QObject {
public:
    static void add(DesktopFencePanel* panel)
    {
        if (!s_router) {
            s_router = new EventRouter();
            qApp->installEventFilter(s_router);
        }
        s_router->m_panels.insert(panel, panel);
    }

    // The program's icon in the few sizes a window manager shows, for windows that no task bar
    // or pager lists, painted once for all panels. A window otherwise gets every size of the
    // program's icon, up to 256 pixels, converted and sent to the X server for each window.
    static QIcon windowIcon()
    {
        if (!s_router)
            return {};
        if (s_router->m_icon.isNull()) {
            for (const int side : {16, 32, 48})
                s_router->m_icon.addPixmap(appicon::draw(side));
        }
        return s_router->m_icon;
    }

    static void remove(DesktopFencePanel* panel)
    {
        if (!s_router)
            return;
        s_router->m_panels.remove(panel);
        s_router->m_moving.remove(panel);
        if (s_router->m_panels.isEmpty()) {
            delete s_router;
            s_router = nullptr;
        }
    }

    static void setMoving(DesktopFencePanel* panel, bool moving)
    {
        if (!s_router)
            return;
        if (moving)
            s_router->m_moving.insert(panel);
        else
            s_router->m_moving.remove(panel);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if ((type == QEvent::MouseButtonRelease || type == QEvent::MouseMove) && !m_moving.isEmpty()) {
            // A copy: ending a move changes the set.
            const QSet<DesktopFencePanel*> moving = m_moving;
            for (DesktopFencePanel* panel : moving)
                panel->noteApplicationMouse(static_cast<QMouseEvent*>(event));
        }
        if ((type != QEvent::KeyPress && type != QEvent::MouseMove) || !watched->isWidgetType())
            return false;
        auto* receiver = static_cast<QWidget*>(watched);
        DesktopFencePanel* panel = m_panels.value(receiver->window());
        return panel && panel->filterOwnEvent(receiver, event);
    }

private:
    ~EventRouter() override
    {
        if (QCoreApplication* application = QCoreApplication::instance())
            application->removeEventFilter(this);
    }

    static inline EventRouter* s_router = nullptr;
    QHash<const QWidget*, DesktopFencePanel*> m_panels; // by window
    QSet<DesktopFencePanel*> m_moving;
    QIcon m_icon;
};

DesktopFencePanel::DesktopFencePanel(const QUuid& fenceID, const QRect& initialFrame)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
    , m_fenceID(fenceID)
{
    setAttribute(Qt::WA_TranslucentBackground);
    // Ordering the panel in never takes the focus from what the user is doing; a click still
    // makes it the active window.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMinimumSize(minimumWidth, minimumHeight);
    setGeometry(initialFrame);
    m_reportedFrame = geometry();
    // Keys reach the panel before the widget that has the focus (see filterOwnEvent).
    EventRouter::add(this);
    setWindowIcon(EventRouter::windowIcon());
    // The native window exists from the start so that it is first mapped on its layer.
    winId();
    platform::applyDesktopLayer(windowHandle(), layerFor(false));
    m_glass = new platform::WindowGlass(*this);
    // The frosted backdrop is painted afresh from what lies behind now.
    connect(m_glass, &platform::WindowGlass::compositingChanged, this, qOverload<>(&QWidget::update));
    connect(&platform::DesktopWallpaperSource::instance(), &platform::DesktopWallpaperSource::changed, this,
            qOverload<>(&QWidget::update));
}

DesktopFencePanel::~DesktopFencePanel()
{
    EventRouter::remove(this);
}

void DesktopFencePanel::setContentView(QWidget* view)
{
    replaceFillingChild(*this, m_contentView, view);
}

void DesktopFencePanel::setGlassOutline(const QPainterPath& outline)
{
    if (outline == m_glass->outline())
        return;
    m_glass->setOutline(outline);
    update();
}

void DesktopFencePanel::setFallbackWallpaper(WallpaperPreset preset)
{
    if (preset == m_fallbackWallpaper)
        return;
    m_fallbackWallpaper = preset;
    if (!platform::DesktopWallpaperSource::instance().hasWallpaper())
        update();
}

QColor DesktopFencePanel::frostWash(ColorScheme scheme)
{
    // Milky in light mode, smoky in dark, as frosted glass reads over a busy wallpaper.
    return scheme == ColorScheme::dark ? QColor(12, 14, 20, 110) : QColor(255, 255, 255, 70);
}

void DesktopFencePanel::setLocked(bool locked)
{
    m_isLocked = locked;
    if (!locked)
        return;
    m_manualDrag.reset();
    if (m_cursorEdges) {
        m_cursorEdges = {};
        unsetCursor();
    }
}

void DesktopFencePanel::setResizable(bool resizable)
{
    m_isResizable = resizable;
    if (!resizable && m_cursorEdges) {
        m_cursorEdges = {};
        unsetCursor();
    }
}

void DesktopFencePanel::applyPresentation(bool isPeekActive, bool isHidden, double targetAlpha, bool animated)
{
    setLayer(isPeekActive);
    const int token = ++m_visibilityAnimationToken;
    const double alpha = boundedAlpha(targetAlpha);

    if (isHidden) {
        if (!isVisible())
            return;
        if (animated) {
            fadeTo(0.0, hideFadeMs, token);
            return;
        }
        stopAlphaAnimation();
        setWindowOpacity(0.0);
        hide();
        return;
    }

    if (!isVisible()) {
        stopAlphaAnimation();
        setWindowOpacity(animated ? 0.0 : alpha);
        orderFront();
    }
    if (isPeekActive)
        orderFront();
    if (animated) {
        fadeTo(alpha, showFadeMs, std::nullopt);
    } else {
        stopAlphaAnimation();
        setWindowOpacity(alpha);
    }
}

void DesktopFencePanel::animateAlpha(double alpha, int durationMs)
{
    if (durationMs <= 0) {
        stopAlphaAnimation();
        setWindowOpacity(boundedAlpha(alpha));
        return;
    }
    fadeTo(boundedAlpha(alpha), durationMs, std::nullopt);
}

void DesktopFencePanel::applyFrame(const QRect& frame, bool animated)
{
    m_isApplyingFrame = true;
    if (QPropertyAnimation* running = m_frameAnimation) {
        m_frameAnimation = nullptr;
        running->stop();
    }
    if (animated) {
        auto* animation = new QPropertyAnimation(this, QByteArrayLiteral("geometry"), this);
        animation->setDuration(frameAnimationMs);
        animation->setEasingCurve(easeInOut());
        animation->setEndValue(frame);
        m_frameAnimation = animation;
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        setGeometry(frame);
        // A hidden panel gets its move and resize events only when shown again.
        m_reportedFrame = geometry();
    }
    m_isApplyingFrame = false;
}

void DesktopFencePanel::pulse(int growBy)
{
    if ((m_pulseAnimation && m_pulseAnimation->state() == QAbstractAnimation::Running)
        || (m_frameAnimation && m_frameAnimation->state() == QAbstractAnimation::Running))
        return;
    const QRect base = geometry();
    auto* group = new QSequentialAnimationGroup(this);
    auto* grow = new QPropertyAnimation(this, QByteArrayLiteral("geometry"), group);
    grow->setDuration(120);
    grow->setEndValue(base.adjusted(-growBy, -growBy, growBy, growBy));
    auto* shrink = new QPropertyAnimation(this, QByteArrayLiteral("geometry"), group);
    shrink->setDuration(160);
    shrink->setEndValue(base);
    group->addAnimation(grow);
    group->addAnimation(shrink);
    m_pulseAnimation = group;
    group->start(QAbstractAnimation::DeleteWhenStopped);
}

void DesktopFencePanel::finishFrameAnimations()
{
    for (QAbstractAnimation* animation : {static_cast<QAbstractAnimation*>(m_frameAnimation),
                                          static_cast<QAbstractAnimation*>(m_pulseAnimation)}) {
        if (animation && animation->state() == QAbstractAnimation::Running)
            animation->setCurrentTime(animation->totalDuration());
    }
}

bool DesktopFencePanel::event(QEvent* event)
{
    const bool result = QWidget::event(event);
    if (event->type() == QEvent::WindowActivate)
        Q_EMIT becameKey();
    else if (event->type() == QEvent::WindowDeactivate)
        Q_EMIT resignedKey();
    return result;
}

void DesktopFencePanel::closeEvent(QCloseEvent* event)
{
    if (event->spontaneous())
        event->ignore();
    else
        QWidget::closeEvent(event);
}

// A move or resize by the window manager ends without a release for the panel when the pointer
// comes up elsewhere; any sign of the left button being up in the application ends it.
void DesktopFencePanel::noteApplicationMouse(const QMouseEvent* mouse)
{
    const bool leftUp = mouse->type() == QEvent::MouseButtonRelease ? mouse->button() == Qt::LeftButton
                                                                    : !mouse->buttons().testFlag(Qt::LeftButton);
    if (m_isUserMovingOrResizing && leftUp)
        endUserMoveOrResize();
}

// The application-wide filter sees a key press before the widget it is meant for and before
// that widget's own filters, whichever widget of the panel has the focus. A shortcut-override
// handler would come after the focused widget had its say, and would then still have to keep
// the key press itself from that widget.
bool DesktopFencePanel::filterOwnEvent(QWidget* receiver, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseMove) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->buttons() == Qt::NoButton)
            updateEdgeCursor(mouse->globalPosition().toPoint());
        return false;
    }
    // A key press its receiver leaves alone goes on to the receiver's parents, passing this
    // filter again with each of them; only its first delivery is looked at.
    if (receiver != keyTarget())
        return false;
    return handleKeyPress(static_cast<QKeyEvent*>(event));
}

bool DesktopFencePanel::handleKeyPress(QKeyEvent* event)
{
    // Text being edited keeps its own undo and its spaces.
    if (editsText(keyTarget()))
        return false;

    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const Qt::KeyboardModifiers chord = modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (chord == Qt::ControlModifier && event->key() == Qt::Key_Z) {
        // A copy: the callback may replace itself.
        const std::function<bool()> command = modifiers.testFlag(Qt::ShiftModifier) ? onRedoCommand : onUndoCommand;
        if (command && command()) {
            event->accept();
            return true;
        }
    }
    if (event->key() == Qt::Key_Space && modifiers == Qt::NoModifier && !capsLockOn(event)) {
        const std::function<bool()> quickLook = onSpaceQuickLook;
        if (quickLook && quickLook()) {
            event->accept();
            return true;
        }
    }
    return false;
}

QWidget* DesktopFencePanel::keyTarget() const
{
    if (QWidget* grabber = QWidget::keyboardGrabber())
        return grabber;
    QWidget* focus = focusWidget();
    return focus ? focus : const_cast<DesktopFencePanel*>(this);
}

// The panel has no frame: a press on its background moves it, and one near an edge resizes it.
void DesktopFencePanel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_isLocked) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    const Qt::Edges edges = edgesAt(event->position().toPoint());
    Q_EMIT userMoveOrResizeStarted();
    m_isUserMovingOrResizing = true;
    EventRouter::setMoving(this, true);
    QWindow* window = windowHandle();
    // Moves are ours, step by step, so that the fence can snap to its neighbours while dragged;
    // the window manager would place a window it moves by the pointer alone.
    const bool bySystem = window && edges && window->startSystemResize(edges);
    if (!bySystem)
        m_manualDrag = ManualDrag{edges, event->globalPosition().toPoint(), geometry()};
}

void DesktopFencePanel::mouseMoveEvent(QMouseEvent* event)
{
    if (m_manualDrag && event->buttons().testFlag(Qt::LeftButton)) {
        event->accept();
        continueManualDrag(event->globalPosition().toPoint());
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void DesktopFencePanel::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_isUserMovingOrResizing && event->button() == Qt::LeftButton) {
        event->accept();
        endUserMoveOrResize();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void DesktopFencePanel::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // Frosted glass shows the wallpaper under the panel: a moved panel shows another part.
    if (m_glass->needsFrostedBackdrop())
        update();
    reportFrameChange();
}

void DesktopFencePanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_contentView)
        m_contentView->setGeometry(rect());
    reportFrameChange();
}

void DesktopFencePanel::paintEvent(QPaintEvent*)
{
    if (!m_glass->needsFrostedBackdrop())
        return;
    QPainter painter(this);
    // Without a compositor the window's shape cuts the corners off; with one, the glass
    // outline does, so they stay see-through.
    if (!m_glass->needsOpaqueBackdrop() && !m_glass->outline().isEmpty())
        painter.setClipPath(m_glass->outline());
    paintFrostedBackdrop(painter);
}

void DesktopFencePanel::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // The wash follows the colour scheme, which comes with the palette.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange)
        update();
}

void DesktopFencePanel::paintFrostedBackdrop(QPainter& painter)
{
    const qreal ratio = devicePixelRatioF();
    const auto device = [ratio](const QRect& rect) {
        return QRect(QPoint(qRound(rect.x() * ratio), qRound(rect.y() * ratio)),
                     QSize(qRound(rect.width() * ratio), qRound(rect.height() * ratio)));
    };
    const QRect area = device(geometry());
    const QScreen* panelScreen = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect desktop = panelScreen ? device(panelScreen->virtualGeometry()) : area;
    const ColorScheme scheme = DesignEnvironment::colorSchemeFromPalette(palette());
    const QImage frosted =
        frostedDesktopImage(desktop, panelScreen ? device(panelScreen->geometry()) : area, ratio, scheme,
                            m_fallbackWallpaper, int(frostBlurRadius * ratio), frostWash(scheme));
    if (frosted.isNull())
        return;
    // The glass is kept smaller than the desktop it covers: the panel's part of it, scaled up.
    const QRect part = area.translated(-desktop.topLeft());
    const qreal scaleX = qreal(frosted.width()) / desktop.width();
    const qreal scaleY = qreal(frosted.height()) / desktop.height();
    const QRectF source(part.x() * scaleX, part.y() * scaleY, part.width() * scaleX, part.height() * scaleY);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (QRectF(frosted.rect()).contains(source)) {
        painter.drawImage(QRectF(rect()), frosted, source);
        return;
    }
    // Partly beyond the screens: the frosting there repeats the nearest edge, made for this paint.
    const QRect outer = source.toAlignedRect();
    const QImage edged = frostedGlassImage(frosted, outer, 0, Qt::transparent);
    painter.drawImage(QRectF(rect()), edged, source.translated(-outer.topLeft()));
}

Qt::Edges DesktopFencePanel::edgesAt(const QPoint& position) const
{
    Qt::Edges edges;
    if (!m_isResizable || !rect().contains(position))
        return edges;
    if (position.x() < resizeGripWidth)
        edges |= Qt::LeftEdge;
    else if (position.x() >= width() - resizeGripWidth)
        edges |= Qt::RightEdge;
    if (position.y() < resizeGripWidth)
        edges |= Qt::TopEdge;
    else if (position.y() >= height() - resizeGripWidth)
        edges |= Qt::BottomEdge;
    return edges;
}

void DesktopFencePanel::updateEdgeCursor(const QPoint& globalPosition)
{
    const Qt::Edges edges = m_isLocked ? Qt::Edges() : edgesAt(mapFromGlobal(globalPosition));
    if (edges == m_cursorEdges)
        return;
    m_cursorEdges = edges;
    if (edges)
        setCursor(cursorFor(edges));
    else
        unsetCursor();
}

void DesktopFencePanel::continueManualDrag(const QPoint& globalPosition)
{
    const ManualDrag& drag = *m_manualDrag;
    const QPoint delta = globalPosition - drag.pressPosition;
    const QRect start = drag.startFrame;
    if (!drag.edges) {
        move(start.topLeft() + delta);
        return;
    }
    const QSize least = minimumSize();
    int x = start.x();
    int y = start.y();
    int w = start.width();
    int h = start.height();
    if (drag.edges & Qt::LeftEdge) {
        w = std::max(start.width() - delta.x(), least.width());
        x = start.x() + start.width() - w;
    } else if (drag.edges & Qt::RightEdge) {
        w = std::max(start.width() + delta.x(), least.width());
    }
    if (drag.edges & Qt::TopEdge) {
        h = std::max(start.height() - delta.y(), least.height());
        y = start.y() + start.height() - h;
    } else if (drag.edges & Qt::BottomEdge) {
        h = std::max(start.height() + delta.y(), least.height());
    }
    setGeometry(x, y, w, h);
}

void DesktopFencePanel::endUserMoveOrResize()
{
    m_manualDrag.reset();
    if (!m_isUserMovingOrResizing)
        return;
    m_isUserMovingOrResizing = false;
    EventRouter::setMoving(this, false);
    Q_EMIT userMoveOrResizeEnded();
}

// Only a change goes to the window system: every store change presents every panel again, and
// the layer is kept across hiding and showing by the platform layer itself.
void DesktopFencePanel::setLayer(bool isPeek)
{
    if (isPeek == m_isPeekLayer)
        return;
    m_isPeekLayer = isPeek;
    platform::applyDesktopLayer(windowHandle(), layerFor(isPeek));
}

void DesktopFencePanel::orderFront()
{
    show();
    raise();
}

void DesktopFencePanel::fadeTo(double alpha, int durationMs, std::optional<int> hideToken)
{
    stopAlphaAnimation();
    auto* animation = new QPropertyAnimation(this, QByteArrayLiteral("windowOpacity"), this);
    animation->setDuration(durationMs);
    animation->setEndValue(alpha);
    connect(animation, &QAbstractAnimation::finished, this, [this, animation] {
        if (m_alphaAnimation != animation)
            return;
        m_alphaAnimation = nullptr;
        finishPendingHide();
    });
    m_alphaAnimation = animation;
    m_pendingHideToken = hideToken;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

// A fade cut short still completes: a hide whose token is current orders the panel out now.
// A later presentation has bumped the token, so a hide it interrupts leaves the panel shown.
void DesktopFencePanel::stopAlphaAnimation()
{
    if (QPropertyAnimation* running = m_alphaAnimation) {
        m_alphaAnimation = nullptr;
        running->stop();
    }
    finishPendingHide();
}

void DesktopFencePanel::finishPendingHide()
{
    if (!m_pendingHideToken)
        return;
    const int token = *m_pendingHideToken;
    m_pendingHideToken.reset();
    if (token == m_visibilityAnimationToken)
        hide();
}

// The window system echoes the frames we set; only a real change is reported.
void DesktopFencePanel::reportFrameChange()
{
    const QRect frame = geometry();
    if (frame == m_reportedFrame)
        return;
    m_reportedFrame = frame;
    // The frames of our own animations are ours too: reported as the user's, they would be
    // stored as the fence's frame halfway through a roll-up or a pulse.
    // A finished animation lingers until its deferred deletion: only a running one counts.
    const auto running = [](const QAbstractAnimation* animation) {
        return animation && animation->state() == QAbstractAnimation::Running;
    };
    Q_EMIT frameChanged(!m_isApplyingFrame && !running(m_frameAnimation) && !running(m_pulseAnimation));
}

} // namespace mv
