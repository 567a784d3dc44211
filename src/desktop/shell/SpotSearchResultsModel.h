#pragma once

#include "core/engine/SpotSearchEngine.h"
#include "design/KeyedListModel.h"

namespace mv {

// The hits of one search as a list model, keyed by the hit's id: setResults applies a new list
// in place, so the list keeps its scroll position and hover across the reruns that every store
// change brings.
class SpotSearchResultsModel final : public KeyedListModel<SpotSearchResult, QString> {
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

    void setResults(const QList<SpotSearchResult>& results) { setRecords(results); }
    const QList<SpotSearchResult>& results() const { return records(); }
    const SpotSearchResult* result(int row) const { return record(row); }

    // The row's preview button is shown only for a file hit that names its file.
    static bool isPreviewable(const SpotSearchResult& result);

    // QAbstractItemModel
    QVariant data(const QModelIndex& index, int role) const override;
};

} // namespace mv
