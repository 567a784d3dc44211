#include "design/FenceChecklistModel.h"

namespace mv {

FenceChecklistModel::FenceChecklistModel(QObject* parent)
    : KeyedListModel([](const FenceChecklistTask& task) { return task.id; }, parent)
{
}

QString FenceChecklistModel::deleteAccessibleName(const QString& title)
{
    return QStringLiteral("删除任务 ") + title;
}

QVariant FenceChecklistModel::data(const QModelIndex& index, int role) const
{
    const FenceChecklistTask* t = record(index);
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
