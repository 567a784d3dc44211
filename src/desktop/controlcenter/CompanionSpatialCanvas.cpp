#include "desktop/controlcenter/CompanionSpatialCanvas.h"

#include "desktop/controlcenter/CompanionFenceCard.h"

#include <QAbstractButton>
#include <QChildEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>

#include <algorithm>
#include <cmath>

namespace mv {

namespace {

// Text fields keep their own pointer use: selecting text is no drag.
bool takesTextSelection(QWidget* widget)
{
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w))
            return true;
        if (qobject_cast<CompanionFenceCard*>(w))
            return false;
    }
    return false;
}

} // namespace

CompanionSpatialCanvas::CompanionSpatialCanvas(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("companionSpatialCanvas"));
    setAutoFillBackground(false);
    resize(minimumSize.toSize());
}

QRectF CompanionSpatialCanvas::cardRect(const FenceModel& fence)
{
    const FenceFrameRect& frame = fence.canvasFrame;
    const double width = std::max(frame.width, minimumCardWidth);
    const double height = fence.isCollapsed ? rolledUpHeight : std::max(frame.height, minimumCardHeight);
    return QRectF(frame.x, frame.y, width, height);
}

void CompanionSpatialCanvas::placeCards(const QList<FenceModel>& fences, const QHash<QUuid, CompanionFenceCard*>& cards)
{
    QList<Placed> placed;
    for (const FenceModel& fence : fences) {
        CompanionFenceCard* card = cards.value(fence.id);
        if (!card)
            continue;
        if (card->parentWidget() != this) {
            card->setParent(this);
            watch(card);
        }
        card->raise();
        placed.append({fence.id, cardRect(fence), card});
    }
    m_placed = std::move(placed);
    // A drag whose fence has gone ends with it; its release finds nothing to write.
    for (auto it = m_dragOffsets.begin(); it != m_dragOffsets.end();) {
        const bool shown = std::any_of(m_placed.cbegin(), m_placed.cend(), [&](const Placed& p) { return p.id == it.key(); });
        it = shown ? std::next(it) : m_dragOffsets.erase(it);
    }
    if (m_isDragging && !m_dragOffsets.contains(m_pressedFence))
        m_isDragging = false;
    layoutPlaced();
}

void CompanionSpatialCanvas::layoutPlaced()
{
    double right = minimumSize.width();
    double bottom = minimumSize.height();
    for (const Placed& p : std::as_const(m_placed)) {
        // A card the grid holds now is not placed here.
        if (!p.card || p.card->parentWidget() != this)
            continue;
        const QRectF rect = p.rect.translated(m_dragOffsets.value(p.id));
        p.card->setGeometry(rect.toAlignedRect());
        p.card->show();
        right = std::max(right, rect.right() + margin);
        bottom = std::max(bottom, rect.bottom() + margin);
    }
    const QSize size(int(std::ceil(right)), int(std::ceil(bottom)));
    if (this->size() != size)
        resize(size);
}

void CompanionSpatialCanvas::watch(QWidget* widget)
{
    widget->installEventFilter(this);
    for (QObject* child : widget->children()) {
        if (child->isWidgetType())
            watch(static_cast<QWidget*>(child));
    }
}

CompanionFenceCard* CompanionSpatialCanvas::cardOf(QWidget* widget) const
{
    for (QWidget* w = widget; w && w != this; w = w->parentWidget()) {
        if (auto* card = qobject_cast<CompanionFenceCard*>(w))
            return card->parentWidget() == this ? card : nullptr;
    }
    return nullptr;
}

bool CompanionSpatialCanvas::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ChildAdded) {
        // Widgets made later inside a card (tab capsules) are dragged by as well.
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType())
            watch(static_cast<QWidget*>(child));
        return false;
    }
    if (!watched->isWidgetType())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        return handleMouse(static_cast<QWidget*>(watched), event);
    default:
        return false;
    }
}

bool CompanionSpatialCanvas::handleMouse(QWidget* widget, QEvent* event)
{
    auto* mouse = static_cast<QMouseEvent*>(event);
    // Positions in canvas points through the parent chain: right also where the canvas is
    // drawn scaled.
    const QPointF point = QPointF(widget->mapTo(this, QPoint(0, 0))) + mouse->position();
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        if (mouse->button() != Qt::LeftButton || takesTextSelection(widget))
            return false;
        CompanionFenceCard* card = cardOf(widget);
        if (!card)
            return false;
        m_pressedFence = card->fenceID();
        m_pressPoint = point;
        m_isDragging = false;
        return false;
    }
    case QEvent::MouseMove: {
        if (m_pressedFence.isNull() || !(mouse->buttons() & Qt::LeftButton))
            return false;
        const QPointF translation = point - m_pressPoint;
        if (!m_isDragging) {
            if (std::hypot(translation.x(), translation.y()) < dragThreshold)
                return false;
            m_isDragging = true;
            // What was pressed is dragged now, not clicked.
            if (auto* button = qobject_cast<QAbstractButton*>(widget))
                button->setDown(false);
        }
        m_dragOffsets.insert(m_pressedFence, translation);
        layoutPlaced();
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (mouse->button() != Qt::LeftButton || m_pressedFence.isNull())
            return false;
        const QUuid fence = m_pressedFence;
        const bool dragged = m_isDragging;
        m_pressedFence = QUuid();
        m_isDragging = false;
        if (!dragged)
            return false;
        const QPointF translation = point - m_pressPoint;
        // The store's new frame places the card from now on, without the offset.
        const bool known = m_dragOffsets.remove(fence);
        if (onDrop && known)
            onDrop(fence, translation);
        layoutPlaced();
        return true;
    }
    default:
        return false;
    }
}

} // namespace mv
