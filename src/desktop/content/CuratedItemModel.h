#pragma once

#include "core/models/FenceModels.h"
#include "design/KeyedListModel.h"

namespace mv {

// The items of a curated tab as a list model, one row per item in stored order. setItems
// applies the tab as the store holds it now in place, keyed by item id, so the view keeps its
// scroll position and hover across store changes.
class CuratedItemModel final : public KeyedListModel<FenceItem, QUuid> {
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

    void setItems(const QList<FenceItem>& items) { setRecords(items); }
    const QList<FenceItem>& items() const { return records(); }
    const FenceItem* item(const QModelIndex& index) const { return record(index); }

    // QAbstractItemModel
    QVariant data(const QModelIndex& index, int role) const override;
};

} // namespace mv
