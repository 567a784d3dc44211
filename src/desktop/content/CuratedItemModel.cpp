#include "desktop/content/CuratedItemModel.h"

#include <QHash>
#include <QSet>

namespace mv {

CuratedItemModel::CuratedItemModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

const FenceItem* CuratedItemModel::item(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this || index.parent().isValid() || index.row() >= m_items.size())
        return nullptr;
    return &m_items[index.row()];
}

int CuratedItemModel::rowOf(const QUuid& itemID) const
{
    for (int row = 0; row < m_items.size(); ++row) {
        if (m_items[row].id == itemID)
            return row;
    }
    return -1;
}

void CuratedItemModel::setItems(const QList<FenceItem>& incoming)
{
    if (incoming == m_items)
        return;
    // Rows are keyed by id; should an id repeat, only its first item shows.
    QList<FenceItem> items;
    QSet<QUuid> ids;
    for (const FenceItem& item : incoming) {
        if (!ids.contains(item.id)) {
            ids.insert(item.id);
            items.append(item);
        }
    }

    // Gone rows, from the end.
    for (int row = int(m_items.size()) - 1; row >= 0; --row) {
        if (ids.contains(m_items[row].id))
            continue;
        beginRemoveRows({}, row, row);
        m_items.remove(row);
        endRemoveRows();
    }

    // The rows left, in the new order: a layout change that carries persistent indexes along.
    QSet<QUuid> present;
    for (const FenceItem& item : std::as_const(m_items))
        present.insert(item.id);
    QList<FenceItem> survivors;
    for (const FenceItem& item : std::as_const(items)) {
        if (present.contains(item.id))
            survivors.append(item);
    }
    bool reordered = false;
    for (int row = 0; row < survivors.size(); ++row)
        reordered = reordered || survivors[row].id != m_items[row].id;
    if (reordered) {
        Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        QHash<QUuid, int> newRow;
        for (int row = 0; row < survivors.size(); ++row)
            newRow.insert(survivors[row].id, row);
        const QModelIndexList before = persistentIndexList();
        QModelIndexList after;
        for (const QModelIndex& index : before)
            after.append(index.row() < m_items.size() ? this->index(newRow.value(m_items[index.row()].id))
                                                       : QModelIndex());
        QList<FenceItem> moved(survivors.size());
        for (const FenceItem& item : std::as_const(m_items))
            moved[newRow.value(item.id)] = item;
        m_items = std::move(moved);
        changePersistentIndexList(before, after);
        Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

    // New rows where they belong: what is kept is now a subsequence of `items` in its order.
    for (int row = 0; row < items.size(); ++row) {
        if (present.contains(items[row].id))
            continue;
        beginInsertRows({}, row, row);
        m_items.insert(row, items[row]);
        endInsertRows();
    }

    for (int row = 0; row < items.size(); ++row) {
        if (!(m_items[row] == items[row])) {
            m_items[row] = items[row];
            Q_EMIT dataChanged(index(row), index(row));
        }
    }
}

int CuratedItemModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant CuratedItemModel::data(const QModelIndex& index, int role) const
{
    const FenceItem* i = item(index);
    if (!i)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
    case Qt::ToolTipRole:
        return i->title;
    case Qt::AccessibleDescriptionRole:
    case SubtitleRole:
        return i->subtitle ? QVariant(*i->subtitle) : QVariant();
    case ItemIDRole:
        return i->id;
    case SymbolNameRole:
        return i->symbolName;
    case BadgeTextRole:
        return i->badgeText ? QVariant(*i->badgeText) : QVariant();
    case IsPinnedRole:
        return i->isPinned;
    case IsDirectoryRole:
        return i->kind == FenceItemKind::folder;
    default:
        return {};
    }
}

} // namespace mv
