#pragma once

#include "core/models/FenceModels.h"

#include <QHash>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QUuid>
#include <QWidget>

#include <functional>

namespace mv {

class CompanionFenceCard;

// The free canvas of the companion preview: each card at its fence's canvas frame, drawn at
// least 240 × 180 (46 high while rolled up), and moved by dragging it anywhere but in a text
// field. A drag moves the card only in view; its translation is handed out once, on release.
// The canvas is 780 × 640 at least and grows to cover the furthest card, so a card dropped
// past the edge can be scrolled to and dragged back.
class CompanionSpatialCanvas final : public QWidget {
    Q_OBJECT

public:
    static constexpr QSizeF minimumSize{780, 640};
    static constexpr double minimumCardWidth = 240;
    static constexpr double minimumCardHeight = 180;
    static constexpr double rolledUpHeight = 46;
    // Room kept beyond the furthest card, as much as a drop keeps at the origin.
    static constexpr double margin = 8;
    static constexpr double dragThreshold = 10;

    explicit CompanionSpatialCanvas(QWidget* parent = nullptr);

    // Where a fence's card is drawn, before any drag.
    static QRectF cardRect(const FenceModel& fence);

    // Places the cards of `fences` (in this order, bottom to top) from `cards`, which are made
    // children of the canvas.
    void placeCards(const QList<FenceModel>& fences, const QHash<QUuid, CompanionFenceCard*>& cards);

    // A drag that ended: the card's fence and the translation in canvas points.
    std::function<void(const QUuid& fenceID, const QPointF& translation)> onDrop;

    // The live translation of the card being dragged, if any.
    QHash<QUuid, QPointF> dragOffsets() const { return m_dragOffsets; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Placed {
        QUuid id;
        QRectF rect;
        QPointer<CompanionFenceCard> card;
    };

    void watch(QWidget* widget);
    void layoutPlaced();
    CompanionFenceCard* cardOf(QWidget* widget) const;
    // Mouse handling for an event on a card's widget; true when the event belongs to a drag.
    bool handleMouse(QWidget* widget, QEvent* event);

    QList<Placed> m_placed;
    QHash<QUuid, QPointF> m_dragOffsets;

    // The press that may become a drag.
    QUuid m_pressedFence;
    QPointF m_pressPoint; // in canvas points
    bool m_isDragging = false;
};

} // namespace mv
