#include "desktop/content/PortalEntryModel.h"

namespace mv {

PortalEntryModel::PortalEntryModel(QObject* parent)
    : KeyedListModel([](const PortalFileEntry& entry) { return entry.id(); }, parent)
{
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
        return keyAt(index.row());
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
