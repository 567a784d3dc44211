#pragma once

#include <QStyledItemDelegate>

namespace mv {

class FenceItemGridTile;
class TileGridListView;

// Paints each row of a tile grid as the design system's item tile: one tile, never shown, is
// set up for the row and rendered into the cell, so the list draws exactly what a tile widget
// would without a widget per row. Every cell has the view's one cell size.
class TileGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TileGridDelegate(TileGridListView* view);

    // QAbstractItemDelegate
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    // The tile set up for `index`, ready to be sized and rendered.
    virtual FenceItemGridTile& preparedTile(const QModelIndex& index) const = 0;

private:
    TileGridListView* m_gridView;
};

} // namespace mv
