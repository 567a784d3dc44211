#pragma once

#include "core/engine/SpotSearchEngine.h"

#include <QAbstractListModel>

namespace mv {

// The hits of one search as a list model. setResults applies a new list in place, keyed by the
// hit's id (removals, moves, inserts and data changes, never a reset), so the list keeps its
// scroll position and hover across the reruns that every store change brings.
class SpotSearchResultsModel final : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        ResultIDRole = Qt::UserRole + 1,
        SubtitleRole,
        CategoryLabelRole,
        SymbolNameRole,
        // Whether the row offers the preview button: a portal file with a URL.
        PreviewableRole,
    };

    explicit SpotSearchResultsModel(QObject* parent = nullptr);

    void setResults(const QList<SpotSearchResult>& results);
    const QList<SpotSearchResult>& results() const { return m_results; }
    const SpotSearchResult* result(int row) const;
    int rowOf(const QString& id) const;

    // The row's preview button is shown only for a file hit that names its file.
    static bool isPreviewable(const SpotSearchResult& result);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QList<SpotSearchResult> m_results;
};

} // namespace mv
