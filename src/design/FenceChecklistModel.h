#pragma once

#include "core/models/FenceModels.h"

#include <QAbstractListModel>

namespace mv {

// The tasks of a checklist as a list model. setTasks applies the new list in place, keyed by
// task id (removals, moves, inserts and data changes, never a reset), so the view keeps its
// scroll position, focus and current row across the owner's updates.
class FenceChecklistModel final : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        TaskIDRole = Qt::UserRole + 1,
        CompletedRole,
        FlaggedRole,
        DeleteAccessibleNameRole,
    };

    explicit FenceChecklistModel(QObject* parent = nullptr);

    void setTasks(const QList<FenceChecklistTask>& tasks);
    const QList<FenceChecklistTask>& tasks() const { return m_tasks; }
    const FenceChecklistTask* task(int row) const;
    int rowOf(const QUuid& id) const;

    // "删除任务 " followed by the title.
    static QString deleteAccessibleName(const QString& title);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QList<FenceChecklistTask> m_tasks;
};

} // namespace mv
