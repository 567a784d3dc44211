#pragma once

#include "core/models/FenceModels.h"
#include "design/KeyedListModel.h"

namespace mv {

// The tasks of a checklist as a list model, keyed by task id: setTasks applies the new list in
// place, so the view keeps its scroll position, focus and current row across the owner's updates.
class FenceChecklistModel final : public KeyedListModel<FenceChecklistTask, QUuid> {
    Q_OBJECT
public:
    enum Role {
        TaskIDRole = Qt::UserRole + 1,
        CompletedRole,
        FlaggedRole,
        DeleteAccessibleNameRole,
    };

    explicit FenceChecklistModel(QObject* parent = nullptr);

    void setTasks(const QList<FenceChecklistTask>& tasks) { setRecords(tasks); }
    const QList<FenceChecklistTask>& tasks() const { return records(); }
    const FenceChecklistTask* task(int row) const { return record(row); }

    // "删除任务 " followed by the title.
    static QString deleteAccessibleName(const QString& title);

    // QAbstractItemModel
    QVariant data(const QModelIndex& index, int role) const override;
};

} // namespace mv
