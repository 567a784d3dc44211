#include "desktop/content/CuratedItemModel.h"

namespace mv {

CuratedItemModel::CuratedItemModel(QObject* parent)
    : KeyedListModel([](const FenceItem& item) { return item.id; }, parent)
{
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
