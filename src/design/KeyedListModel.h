#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QSet>

#include <utility>

namespace mv {

namespace KeyedListDiff {
// Marks one longest strictly increasing subsequence of `sequence`: the rows that may stay
// where they are while the others move around them.
QList<bool> longestIncreasingRun(const QList<int>& sequence);
} // namespace KeyedListDiff

// A flat list model of records that each carry a key (an id). setRecords applies a new list in
// place, keyed: rows whose record went are removed, the rows kept are moved into the new order
// (a few row moves, or one layout change when many rows move), new records are inserted where
// they belong and rows whose record changed are reported. Never
// a reset, so a view keeps its scroll position, current row, selection and hover, and every
// persistent index follows its key. A repeated key would make rows ambiguous, so only its
// first record shows. Subclasses add the roles and data().
template <typename Record, typename Key>
class KeyedListModel : public QAbstractListModel {
public:
    using KeyOf = Key (*)(const Record&);

    const QList<Record>& records() const { return m_records; }
    const Record* record(int row) const
    {
        return row >= 0 && row < m_records.size() ? &m_records[row] : nullptr;
    }
    // Null for an index of another model, a child index or a row out of range.
    const Record* record(const QModelIndex& index) const
    {
        if (!index.isValid() || index.model() != this || index.parent().isValid())
            return nullptr;
        return record(index.row());
    }
    // The key of a row, kept beside the records: working one out may be costly.
    const Key& keyAt(int row) const { return m_keys.at(row); }
    int rowOf(const Key& key) const { return int(m_keys.indexOf(key)); }

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_records.size());
    }

protected:
    explicit KeyedListModel(KeyOf keyOf, QObject* parent = nullptr)
        : QAbstractListModel(parent)
        , m_keyOf(keyOf)
    {
    }

    void setRecords(const QList<Record>& incoming)
    {
        // Most calls bring the list already shown.
        if (incoming == m_records)
            return;
        QList<Record> records;
        QList<Key> keys;
        QSet<Key> seen;
        records.reserve(incoming.size());
        keys.reserve(incoming.size());
        for (const Record& record : incoming) {
            Key key = m_keyOf(record);
            if (seen.contains(key))
                continue;
            seen.insert(key);
            keys.append(std::move(key));
            records.append(record);
        }
        removeGone(seen);
        // The rows left: moving them into order keeps the same set of keys.
        const QSet<Key> present(m_keys.cbegin(), m_keys.cend());
        moveIntoOrder(keys, present);
        insertNew(records, keys, present);
        updateChanged(records);
    }

private:
    void removeGone(const QSet<Key>& kept)
    {
        // From the end, one call per run of adjacent rows.
        int row = int(m_keys.size()) - 1;
        while (row >= 0) {
            if (kept.contains(m_keys[row])) {
                --row;
                continue;
            }
            int first = row;
            while (first > 0 && !kept.contains(m_keys[first - 1]))
                --first;
            beginRemoveRows({}, first, row);
            m_records.remove(first, row - first + 1);
            m_keys.remove(first, row - first + 1);
            endRemoveRows();
            row = first - 1;
        }
    }

    void moveIntoOrder(const QList<Key>& keys, const QSet<Key>& present)
    {
        // The rows left, in the order `keys` gives them.
        QList<Key> order;
        order.reserve(m_keys.size());
        for (const Key& key : keys) {
            if (present.contains(key))
                order.append(key);
        }
        if (order == m_keys)
            return;
        QHash<Key, int> target;
        target.reserve(order.size());
        for (int position = 0; position < order.size(); ++position)
            target.insert(order[position], position);
        QList<int> targets;
        targets.reserve(m_keys.size());
        for (const Key& key : std::as_const(m_keys))
            targets.append(target.value(key));
        // The longest run already in order stays; each other row moves, in the order of its
        // place, to just after the row that comes before it there. The rows placed so far and
        // those staying are then always in their new order, so each move is final.
        const QList<bool> stays = KeyedListDiff::longestIncreasingRun(targets);
        if (stays.count(false) > maximumRowMoves) {
            relayOut(order, targets);
            return;
        }
        QSet<Key> staying;
        for (int row = 0; row < m_keys.size(); ++row) {
            if (stays[row])
                staying.insert(m_keys[row]);
        }
        for (int position = 0; position < order.size(); ++position) {
            if (staying.contains(order[position]))
                continue;
            const int from = rowOf(order[position]);
            const int after = position == 0 ? -1 : rowOf(order[position - 1]);
            if (from == after + 1)
                continue;
            beginMoveRows({}, from, from, {}, after + 1);
            const int to = from < after ? after : after + 1;
            m_records.move(from, to);
            m_keys.move(from, to);
            endMoveRows();
        }
        Q_ASSERT(m_keys == order);
    }

    // A new order for many rows (a new sort): one layout change, linear in the rows, that
    // carries every persistent index along to its record's new row.
    void relayOut(const QList<Key>& order, const QList<int>& targets)
    {
        Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        QList<Record> records(order.size());
        for (int row = 0; row < m_records.size(); ++row)
            records[targets[row]] = std::move(m_records[row]);
        m_records = std::move(records);
        m_keys = order;
        const QModelIndexList before = persistentIndexList();
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& index : before)
            after.append(index.row() < targets.size() ? this->index(targets[index.row()]) : QModelIndex());
        changePersistentIndexList(before, after);
        Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

    void insertNew(const QList<Record>& records, const QList<Key>& keys, const QSet<Key>& present)
    {
        // The rows kept are now a subsequence of `records` in its order, so walking both
        // together finds each run of new records at the row where it belongs.
        int row = 0;
        while (row < records.size()) {
            if (present.contains(keys[row])) {
                ++row;
                continue;
            }
            int end = row + 1;
            while (end < records.size() && !present.contains(keys[end]))
                ++end;
            beginInsertRows({}, row, end - 1);
            m_records = m_records.mid(0, row) + records.mid(row, end - row) + m_records.mid(row);
            m_keys = m_keys.mid(0, row) + keys.mid(row, end - row) + m_keys.mid(row);
            endInsertRows();
            row = end;
        }
    }

    void updateChanged(const QList<Record>& records)
    {
        // One signal per run of adjacent changed rows, covering only rows that changed.
        int row = 0;
        while (row < records.size()) {
            if (m_records[row] == records[row]) {
                ++row;
                continue;
            }
            int end = row;
            while (end < records.size() && !(m_records[end] == records[end])) {
                m_records[end] = records[end];
                ++end;
            }
            Q_EMIT dataChanged(index(row), index(end - 1));
            row = end;
        }
    }

    // Beyond this many single-row moves a reorder is cheaper, for the model and its views, as
    // one layout change: each move shifts the rows between its ends.
    static constexpr int maximumRowMoves = 32;

    KeyOf m_keyOf;
    QList<Record> m_records;
    QList<Key> m_keys; // m_keyOf(m_records[i]), row for row
};

} // namespace mv
