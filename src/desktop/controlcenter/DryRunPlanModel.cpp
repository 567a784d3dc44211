#include "desktop/controlcenter/DryRunPlanModel.h"

#include "core/engine/PortalTypes.h"

namespace mv {

DryRunPlanModel::DryRunPlanModel(QObject* parent)
    : KeyedListModel([](const DryRunMoveItem& item) { return item.sourcePath; }, parent)
{
}

QVariant DryRunPlanModel::data(const QModelIndex& index, int role) const
{
    const DryRunMoveItem* item = record(index);
    if (!item)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return item->fileName;
    case Qt::ToolTipRole:
        return item->sourcePath + QStringLiteral(" → ") + item->proposedDestinationPath;
    case RuleNameRole:
        return item->ruleName;
    case SourcePathRole:
        return item->sourcePath;
    case DestinationPathRole:
        return item->proposedDestinationPath;
    case SizeTextRole:
        return formattedFileSize(item->fileSizeBytes);
    case RenamesOnConflictRole:
        return item->willRenameOnConflict;
    default:
        return {};
    }
}

} // namespace mv
