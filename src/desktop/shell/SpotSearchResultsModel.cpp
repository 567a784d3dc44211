#include "desktop/shell/SpotSearchResultsModel.h"

namespace mv {

SpotSearchResultsModel::SpotSearchResultsModel(QObject* parent)
    : KeyedListModel([](const SpotSearchResult& result) { return result.id; }, parent)
{
}

bool SpotSearchResultsModel::isPreviewable(const SpotSearchResult& result)
{
    return result.category == SpotSearchCategory::portalFile && result.targetURL.has_value();
}

QVariant SpotSearchResultsModel::data(const QModelIndex& index, int role) const
{
    const SpotSearchResult* hit = record(index);
    if (!hit)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return hit->title;
    case Qt::AccessibleDescriptionRole:
        return label(hit->category) + QStringLiteral(" · ") + hit->subtitle;
    case ResultIDRole:
        return hit->id;
    case SubtitleRole:
        return hit->subtitle;
    case CategoryLabelRole:
        return label(hit->category);
    case SymbolNameRole:
        return hit->symbolName;
    case PreviewableRole:
        return isPreviewable(*hit);
    default:
        return {};
    }
}

} // namespace mv
