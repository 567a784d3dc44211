#include "desktop/controlcenter/CompanionBentoGrid.h"

#include "desktop/controlcenter/CompanionFenceCard.h"

#include <QGridLayout>

#include <algorithm>

namespace mv {

CompanionBentoGrid::CompanionBentoGrid(QWidget* parent)
    : QWidget(parent)
    , m_grid(new QGridLayout(this))
{
    setObjectName(QStringLiteral("companionBentoGrid"));
    setAutoFillBackground(false);
    m_grid->setContentsMargins(14, 0, 14, 22);
    m_grid->setVerticalSpacing(rowSpacing);
    m_grid->setHorizontalSpacing(rowSpacing);
    m_grid->setAlignment(Qt::AlignTop);
}

void CompanionBentoGrid::setColumnCount(int columns)
{
    columns = std::max(columns, 1);
    if (m_columns == columns)
        return;
    m_columns = columns;
    relayout();
}

void CompanionBentoGrid::placeCards(const QList<FenceModel>& fences, const QHash<QUuid, CompanionFenceCard*>& cards)
{
    QList<QPointer<CompanionFenceCard>> order;
    for (const FenceModel& fence : fences) {
        if (CompanionFenceCard* card = cards.value(fence.id))
            order.append(card);
    }
    const bool held = std::all_of(order.cbegin(), order.cend(), [this](const auto& c) { return c->parentWidget() == this; });
    if (order == m_order && held)
        return;
    for (const QPointer<CompanionFenceCard>& card : std::as_const(order)) {
        if (card->parentWidget() != this)
            card->setParent(this);
    }
    m_order = std::move(order);
    relayout();
}

void CompanionBentoGrid::relayout()
{
    // Taking a widget out of a layout keeps it; only the cells change.
    while (QLayoutItem* item = m_grid->takeAt(0))
        delete item;
    for (int column = 0; column < 2; ++column)
        m_grid->setColumnStretch(column, column < m_columns ? 1 : 0);
    int cell = 0;
    for (const QPointer<CompanionFenceCard>& card : std::as_const(m_order)) {
        // A card the canvas holds now stays there.
        if (!card || card->parentWidget() != this)
            continue;
        // A rolled-up card is its pill, 46 high, not stretched to its neighbour's height.
        m_grid->addWidget(card, cell / m_columns, cell % m_columns, Qt::AlignTop);
        card->show();
        ++cell;
    }
}

std::pair<int, int> CompanionBentoGrid::cellOf(const CompanionFenceCard* card) const
{
    const int index = m_grid->indexOf(card);
    if (index < 0)
        return {-1, -1};
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    m_grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    return {row, column};
}

} // namespace mv
