#pragma once

#include "core/models/FenceModels.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QUuid>
#include <QWidget>

class QGridLayout;

namespace mv {

class CompanionFenceCard;

// The flowing grid of the companion preview: one card per cell, in the order given, in one
// column on the phone and two on the tablet, rows 12 apart, padded 14 at the sides and 22 at
// the bottom. A fence's column span is not read here.
class CompanionBentoGrid final : public QWidget {
    Q_OBJECT

public:
    static constexpr int rowSpacing = 12;

    explicit CompanionBentoGrid(QWidget* parent = nullptr);

    void setColumnCount(int columns);
    int columnCount() const { return m_columns; }

    // Puts the cards of `fences` into the cells, in order, making them children of the grid;
    // the layout is redone only when the order or the columns changed.
    void placeCards(const QList<FenceModel>& fences, const QHash<QUuid, CompanionFenceCard*>& cards);

    // The cell of a card: its row and column, or (-1, -1) when it is not in the grid.
    std::pair<int, int> cellOf(const CompanionFenceCard* card) const;

private:
    void relayout();

    QGridLayout* m_grid;
    int m_columns = 1;
    // Guarded: a card of a fence gone is deleted while the grid may still list it.
    QList<QPointer<CompanionFenceCard>> m_order;
};

} // namespace mv
