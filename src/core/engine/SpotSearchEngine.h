#pragma once

#include "core/engine/PortalTypes.h"
#include "core/models/EnumTraits.h"
#include "core/models/FenceModels.h"
#include "core/models/Record.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <functional>
#include <optional>

namespace mv {

// What a search hit points at. The engine never produces `command`; the panel adds those.
enum class SpotSearchCategory { fence, item, portalFile, task, note, command };

template<>
struct EnumInfo<SpotSearchCategory> {
    static constexpr const char* noun = "a search category";
    static constexpr std::array<EnumCase<SpotSearchCategory>, 6> cases{{
        {SpotSearchCategory::fence, "fence", "围栏"},
        {SpotSearchCategory::item, "item", "快捷方式"},
        {SpotSearchCategory::portalFile, "portalFile", "文件"},
        {SpotSearchCategory::task, "task", "待办"},
        {SpotSearchCategory::note, "note", "便签"},
        {SpotSearchCategory::command, "command", "动作"},
    }};
    static_assert(casesInDeclarationOrder(cases));
};

// The Chinese label the panel shows for a category (the same text as displayName()).
QString label(SpotSearchCategory category);

// One hit. `id` is the panel's row identity: "fence-", "item-", "task-" or "note-" followed by
// an upper-case UUID, or "file-" + tab id + "-" + the entry's standardized path.
struct SpotSearchResult {
    QString id;
    QString title;
    QString subtitle;
    SpotSearchCategory category = SpotSearchCategory::fence;
    QString symbolName;
    std::optional<QUuid> fenceID;
    std::optional<QUuid> tabID;
    std::optional<QUuid> itemID;
    std::optional<QUuid> taskID;
    std::optional<QUrl> targetURL;
    int score = 0;

    bool operator==(const SpotSearchResult&) const = default;
};

template<> inline constexpr bool isHashableRecord<SpotSearchResult> = true;

template<class V, RecordOf<SpotSearchResult> R>
void describeFields(V& v, R& r)
{
    v("id", r.id);
    v("title", r.title);
    v("subtitle", r.subtitle);
    v("category", r.category);
    v("symbolName", r.symbolName);
    v("fenceID", r.fenceID);
    v("tabID", r.tabID);
    v("itemID", r.itemID);
    v("taskID", r.taskID);
    v("targetURL", r.targetURL);
    v("score", r.score);
}

// The current listing of each portal tab, keyed by tab id, as the caller made it.
using PortalListings = QHash<QUuid, QList<PortalFileEntry>>;

namespace SpotSearchEngine {

// How well `candidate` matches `query`, or none. Both are compared NFC-normalised and
// lower-cased (no other folding: accents count, nothing is trimmed), character by character:
// 120 equal, 105 prefix, 95 minus the distance to the first occurrence (capped at 30),
// else 35 + 6 x the longest run of a subsequence match, at most 65.
[[nodiscard]] std::optional<int> fuzzyScore(const QString& query, const QString& candidate);

// Fences, items, portal files, tasks and notes of `fences` that match the trimmed query,
// best first (equal scores by title in name order, then in the order they were found), at
// most `limit` of them; a negative limit gives none. A blank query gives the first eight
// fences, whatever the limit. Reads nothing from disk.
// Whether `search` could list a portal file of this name for `query`; never for a blank query.
// Lets a caller skip reading about files that cannot be found.
[[nodiscard]] std::function<bool(const QString& name)> portalFileNameMatcher(const QString& query);

[[nodiscard]] QList<SpotSearchResult> search(const QString& query, const QList<FenceModel>& fences,
                                             const PortalListings& portalFilesByTabID,
                                             qsizetype limit);

} // namespace SpotSearchEngine

} // namespace mv
