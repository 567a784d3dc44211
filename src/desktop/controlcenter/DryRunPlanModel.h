#pragma once

#include "core/models/MoveRecords.h"
#include "design/KeyedListModel.h"

namespace mv {

// The proposed moves of a dry-run plan as a list model, one row per move in plan order. A new
// plan is applied in place, keyed by the source path (one move per source in a plan), so a
// rebuild that proposes the same moves keeps the view's scroll position.
class DryRunPlanModel final : public KeyedListModel<DryRunMoveItem, QString> {
    Q_OBJECT
public:
    enum Role {
        RuleNameRole = Qt::UserRole + 1,
        SourcePathRole,
        DestinationPathRole,
        SizeTextRole,
        RenamesOnConflictRole,
    };

    explicit DryRunPlanModel(QObject* parent = nullptr);

    void setMoves(const QList<DryRunMoveItem>& moves) { setRecords(moves); }
    const QList<DryRunMoveItem>& moves() const { return records(); }

    // QAbstractItemModel
    QVariant data(const QModelIndex& index, int role) const override;
};

} // namespace mv
