#include "desktop/content/PortalEntryModel.h"

#include <QHash>
#include <QSet>

namespace mv {

PortalEntryModel::PortalEntryModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

const PortalFileEntry* PortalEntryModel::entry(int row) const
{
    if (row < 0 || row >= m_entries.size())
        return nullptr;
    return &m_entries[row];
}

const PortalFileEntry* PortalEntryModel::entry(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this || index.parent().isValid())
        return nullptr;
    return entry(index.row());
}

int PortalEntryModel::rowOf(const QString& entryID) const
{
    return int(m_ids.indexOf(entryID));
}

void PortalEntryModel::setEntries(const QList<PortalFileEntry>& incoming)
{
    // Most calls bring the listing already shown (the fence changed elsewhere).
    if (incoming == m_entries)
        return;
    // Rows are keyed by id; should an id repeat, only its first entry shows.
    QList<PortalFileEntry> entries;
    QList<QString> ids;
    QSet<QString> seen;
    entries.reserve(incoming.size());
    ids.reserve(incoming.size());
    for (const PortalFileEntry& entry : incoming) {
        QString id = entry.id();
        if (seen.contains(id))
            continue;
        seen.insert(id);
        ids.append(std::move(id));
        entries.append(entry);
    }
    removeGone(seen);
    // What is left keeps its relative order only if the new listing agrees with it.
    const QSet<QString> present(m_ids.cbegin(), m_ids.cend());
    QList<QString> survivorsInNewOrder;
    for (const QString& id : std::as_const(ids)) {
        if (present.contains(id))
            survivorsInNewOrder.append(id);
    }
    if (survivorsInNewOrder != m_ids)
        reorder(survivorsInNewOrder);
    insertNew(entries, ids);
    updateChanged(entries);
}

void PortalEntryModel::removeGone(const QSet<QString>& kept)
{
    // From the end, one call per run of adjacent rows.
    int row = int(m_ids.size()) - 1;
    while (row >= 0) {
        if (kept.contains(m_ids[row])) {
            --row;
            continue;
        }
        int first = row;
        while (first > 0 && !kept.contains(m_ids[first - 1]))
            --first;
        beginRemoveRows({}, first, row);
        m_entries.remove(first, row - first + 1);
        m_ids.remove(first, row - first + 1);
        endRemoveRows();
        row = first - 1;
    }
}

void PortalEntryModel::reorder(const QList<QString>& order)
{
    // The same rows in another order (a new sort mode, a renamed neighbour): a layout change,
    // so that the current row and any persistent index follow their entry.
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QHash<QString, int> newRowOf;
    newRowOf.reserve(order.size());
    for (int row = 0; row < order.size(); ++row)
        newRowOf.insert(order[row], row);

    QList<PortalFileEntry> entries(order.size());
    QList<int> newRowOfOld(m_ids.size());
    for (int oldRow = 0; oldRow < m_ids.size(); ++oldRow) {
        const int newRow = newRowOf.value(m_ids[oldRow]);
        newRowOfOld[oldRow] = newRow;
        entries[newRow] = m_entries[oldRow];
    }
    m_entries = std::move(entries);
    m_ids = order;

    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.append(index.row() < newRowOfOld.size() ? this->index(newRowOfOld[index.row()]) : QModelIndex());
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void PortalEntryModel::insertNew(const QList<PortalFileEntry>& entries, const QList<QString>& ids)
{
    // The rows kept are now a subsequence of `entries` in its order, so walking both together
    // finds each run of new entries at the row where it belongs.
    const QSet<QString> present(m_ids.cbegin(), m_ids.cend());
    int row = 0;
    while (row < entries.size()) {
        if (present.contains(ids[row])) {
            ++row;
            continue;
        }
        int end = row + 1;
        while (end < entries.size() && !present.contains(ids[end]))
            ++end;
        beginInsertRows({}, row, end - 1);
        m_entries = m_entries.mid(0, row) + entries.mid(row, end - row) + m_entries.mid(row);
        m_ids = m_ids.mid(0, row) + ids.mid(row, end - row) + m_ids.mid(row);
        endInsertRows();
        row = end;
    }
}

void PortalEntryModel::updateChanged(const QList<PortalFileEntry>& entries)
{
    int row = 0;
    while (row < entries.size()) {
        if (m_entries[row] == entries[row]) {
            ++row;
            continue;
        }
        int end = row;
        while (end < entries.size() && !(m_entries[end] == entries[end])) {
            m_entries[end] = entries[end];
            ++end;
        }
        Q_EMIT dataChanged(index(row), index(end - 1));
        row = end;
    }
}

int PortalEntryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

QVariant PortalEntryModel::data(const QModelIndex& index, int role) const
{
    const PortalFileEntry* e = entry(index);
    if (!e)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
    case Qt::ToolTipRole:
        return e->displayName;
    case Qt::AccessibleDescriptionRole:
    case SizeTextRole:
        return e->formattedSize();
    case EntryIDRole:
        return m_ids[index.row()];
    case URLRole:
        return e->url;
    case SymbolNameRole:
        return e->symbolName;
    case IsDirectoryRole:
        return e->isDirectory;
    default:
        return {};
    }
}

} // namespace mv
