#pragma once

#include "core/models/FenceModels.h"

#include <QAbstractListModel>

namespace mv {

// The items of a curated tab as a list model, one row per item in stored order. setItems
// applies the tab as the store holds it now in place, keyed by item id: rows that went are
// removed, a new order is a layout change, new items are inserted and changed ones reported.
// Never a reset, so the view keeps its scroll position and hover across store changes.
class CuratedItemModel final : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        ItemIDRole = Qt::UserRole + 1,
        SubtitleRole,
        SymbolNameRole,
        BadgeTextRole,
        IsPinnedRole,
        IsDirectoryRole,
    };

    explicit CuratedItemModel(QObject* parent = nullptr);

    void setItems(const QList<FenceItem>& items);
    const QList<FenceItem>& items() const { return m_items; }
    const FenceItem* item(const QModelIndex& index) const;
    int rowOf(const QUuid& itemID) const;

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QList<FenceItem> m_items;
};

} // namespace mv
