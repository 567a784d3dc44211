#pragma once

#include "core/engine/PortalTypes.h"
#include "design/KeyedListModel.h"

namespace mv {

// The listed entries of a portal folder as a list model, one row per entry. setEntries applies
// a new listing in place, keyed by entry id (the standardized path), so the view keeps its
// scroll position, current row and hover across rescans.
class PortalEntryModel final : public KeyedListModel<PortalFileEntry, QString> {
    Q_OBJECT
public:
    enum Role {
        EntryIDRole = Qt::UserRole + 1,
        URLRole,
        SymbolNameRole,
        IsDirectoryRole,
        SizeTextRole,
    };

    explicit PortalEntryModel(QObject* parent = nullptr);

    void setEntries(const QList<PortalFileEntry>& entries) { setRecords(entries); }
    const QList<PortalFileEntry>& entries() const { return records(); }
    const PortalFileEntry* entry(int row) const { return record(row); }
    const PortalFileEntry* entry(const QModelIndex& index) const { return record(index); }

    // QAbstractItemModel
    QVariant data(const QModelIndex& index, int role) const override;
};

} // namespace mv
