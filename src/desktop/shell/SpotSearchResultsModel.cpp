#include "desktop/shell/SpotSearchResultsModel.h"

#include <QSet>

namespace mv {

SpotSearchResultsModel::SpotSearchResultsModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

bool SpotSearchResultsModel::isPreviewable(const SpotSearchResult& result)
{
    return result.category == SpotSearchCategory::portalFile && result.targetURL.has_value();
}

const SpotSearchResult* SpotSearchResultsModel::result(int row) const
{
    if (row < 0 || row >= m_results.size())
        return nullptr;
    return &m_results[row];
}

int SpotSearchResultsModel::rowOf(const QString& id) const
{
    for (int i = 0; i < m_results.size(); ++i) {
        if (m_results[i].id == id)
            return i;
    }
    return -1;
}

void SpotSearchResultsModel::setResults(const QList<SpotSearchResult>& incoming)
{
    // Rows are keyed by id; a repeated id would make rows ambiguous, so only its first
    // occurrence shows.
    QList<SpotSearchResult> results;
    QSet<QString> seen;
    for (const SpotSearchResult& hit : incoming) {
        if (!seen.contains(hit.id)) {
            seen.insert(hit.id);
            results.append(hit);
        }
    }

    // 1. Remove the rows whose hit is gone, from the end.
    for (int i = int(m_results.size()) - 1; i >= 0; --i) {
        if (!seen.contains(m_results[i].id)) {
            beginRemoveRows({}, i, i);
            m_results.removeAt(i);
            endRemoveRows();
        }
    }
    // 2. Walk the new order: keep, move or insert each hit at its position.
    for (int i = 0; i < results.size(); ++i) {
        const SpotSearchResult& wanted = results[i];
        if (i < m_results.size() && m_results[i].id == wanted.id) {
            if (!(m_results[i] == wanted)) {
                m_results[i] = wanted;
                Q_EMIT dataChanged(index(i), index(i));
            }
            continue;
        }
        int from = -1;
        for (int j = i + 1; j < m_results.size(); ++j) {
            if (m_results[j].id == wanted.id) {
                from = j;
                break;
            }
        }
        if (from >= 0) {
            beginMoveRows({}, from, from, {}, i);
            m_results.move(from, i);
            endMoveRows();
            if (!(m_results[i] == wanted)) {
                m_results[i] = wanted;
                Q_EMIT dataChanged(index(i), index(i));
            }
        } else {
            beginInsertRows({}, i, i);
            m_results.insert(i, wanted);
            endInsertRows();
        }
    }
}

int SpotSearchResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_results.size());
}

QVariant SpotSearchResultsModel::data(const QModelIndex& index, int role) const
{
    const SpotSearchResult* hit = index.isValid() && index.model() == this ? result(index.row()) : nullptr;
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
