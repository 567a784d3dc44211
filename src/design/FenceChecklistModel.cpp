#include "design/FenceChecklistModel.h"

#include <QSet>

namespace mv {

FenceChecklistModel::FenceChecklistModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

QString FenceChecklistModel::deleteAccessibleName(const QString& title)
{
    return QStringLiteral("删除任务 ") + title;
}

const FenceChecklistTask* FenceChecklistModel::task(int row) const
{
    if (row < 0 || row >= m_tasks.size())
        return nullptr;
    return &m_tasks[row];
}

int FenceChecklistModel::rowOf(const QUuid& id) const
{
    for (int i = 0; i < m_tasks.size(); ++i) {
        if (m_tasks[i].id == id)
            return i;
    }
    return -1;
}

void FenceChecklistModel::setTasks(const QList<FenceChecklistTask>& incoming)
{
    // Rows are keyed by id; a repeated id would make rows ambiguous, so only its first occurrence shows.
    QList<FenceChecklistTask> tasks;
    QSet<QUuid> seen;
    for (const FenceChecklistTask& task : incoming) {
        if (!seen.contains(task.id)) {
            seen.insert(task.id);
            tasks.append(task);
        }
    }

    // 1. Remove the rows whose task is gone, from the end.
    for (int i = int(m_tasks.size()) - 1; i >= 0; --i) {
        if (!seen.contains(m_tasks[i].id)) {
            beginRemoveRows({}, i, i);
            m_tasks.removeAt(i);
            endRemoveRows();
        }
    }
    // 2. Walk the new order: keep, move or insert each task at its position.
    for (int i = 0; i < tasks.size(); ++i) {
        const FenceChecklistTask& wanted = tasks[i];
        if (i < m_tasks.size() && m_tasks[i].id == wanted.id) {
            if (!(m_tasks[i] == wanted)) {
                m_tasks[i] = wanted;
                Q_EMIT dataChanged(index(i), index(i));
            }
            continue;
        }
        int from = -1;
        for (int j = i + 1; j < m_tasks.size(); ++j) {
            if (m_tasks[j].id == wanted.id) {
                from = j;
                break;
            }
        }
        if (from >= 0) {
            beginMoveRows({}, from, from, {}, i);
            m_tasks.move(from, i);
            endMoveRows();
            if (!(m_tasks[i] == wanted)) {
                m_tasks[i] = wanted;
                Q_EMIT dataChanged(index(i), index(i));
            }
        } else {
            beginInsertRows({}, i, i);
            m_tasks.insert(i, wanted);
            endInsertRows();
        }
    }
}

int FenceChecklistModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_tasks.size());
}

QVariant FenceChecklistModel::data(const QModelIndex& index, int role) const
{
    const FenceChecklistTask* t = index.isValid() && index.model() == this ? task(index.row()) : nullptr;
    if (!t)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return t->title;
    case TaskIDRole:
        return t->id;
    case CompletedRole:
        return t->isCompleted;
    case FlaggedRole:
        return t->isFlagged;
    case DeleteAccessibleNameRole:
    case Qt::AccessibleDescriptionRole:
        return deleteAccessibleName(t->title);
    default:
        return {};
    }
}

} // namespace mv
