#pragma once

#include "core/engine/PortalTypes.h"

#include <QAbstractListModel>

namespace mv {

// The listed entries of a portal folder as a list model, one row per entry. setEntries applies
// a new listing in place, keyed by entry id (the standardized path): rows that went are
// removed, a new order is a layout change that carries persistent indexes along, new entries
// are inserted and changed ones reported. Never a reset, so the view keeps its scroll
// position, current row and hover across rescans.
class PortalEntryModel final : public QAbstractListModel {
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

    void setEntries(const QList<PortalFileEntry>& entries);
    const QList<PortalFileEntry>& entries() const { return m_entries; }
    const PortalFileEntry* entry(int row) const;
    const PortalFileEntry* entry(const QModelIndex& index) const;
    int rowOf(const QString& entryID) const;

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    void removeGone(const QSet<QString>& kept);
    void reorder(const QList<QString>& order);
    void insertNew(const QList<PortalFileEntry>& entries, const QList<QString>& ids);
    void updateChanged(const QList<PortalFileEntry>& entries);

    QList<PortalFileEntry> m_entries;
    QList<QString> m_ids; // m_entries[i].id(), kept beside them: id() standardizes a URL each time
};

} // namespace mv
