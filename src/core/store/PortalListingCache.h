#pragma once

#include "core/engine/PortalListingOptions.h"
#include "core/engine/PortalTypes.h"
#include "core/models/FenceModels.h"
#include "core/store/LiveFolderListing.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace mv {

// Portal listings kept from one reading to the next. The store lists every portal of the
// active workspace on each save (for the widget snapshot) and on each search keystroke; a
// folder of ten thousand files sorted by date takes tens of milliseconds to read, which a note
// keystroke must not pay, nor the first save or keystroke after start-up (see warm).
//
// A kept listing is the folder's live listing (LiveFolderListing), brought up to date entry by
// entry as its folder changes and shared with the portal's live view; it is kept only where
// the folder's changes are seen, its subfolders' own entries included, since they give a
// listed subfolder its date (see FolderWatch); other folders are read afresh every time. Kept
// listings are keyed by the standardized folder path, every listing option and the head's
// length, so that what is handed out equals what a fresh reading would give.
class PortalListingCache final {
public:
    using NameMatcher = std::function<bool(const QString& name)>;

    // Readings of one sort, such as the heads for one snapshot. Listings of that sort that were
    // not read during the pass are dropped at its end, so only the folders in use stay watched.
    class Pass final {
    public:
        // limit < 0: whole listings; otherwise the first `limit` entries.
        Pass(PortalListingCache& cache, qsizetype limit);
        ~Pass();
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;

        // The tab's folder as its portal lists it (its hidden-file, extension, filter, sort and
        // manual-order settings). `narrowTo`, for whole listings only, lets a reading that cannot
        // be kept read just the names it accepts (see scanDirectory); a kept listing is whole.
        PortalScanResult list(const FenceTab& tab, const NameMatcher& narrowTo = {});

    private:
        PortalListingCache& m_cache;
        qsizetype m_limit;
        quint64 m_number;
    };

    // Reads, on a worker thread, the listings the portal tabs of `tabs` need, so that the
    // first pass does not read their folders whole; a pass that comes before the worker is
    // done waits for it. Until a pass of each sort has run, the warmed listings are kept.
    // A whole listing still being read there is not waited for: a pass lists it as empty for
    // now (see tookUnwarmed), so that a search keystroke never waits for it.
    void warm(const QList<FenceTab>& tabs);
    // The folders of the listings still being read by the start-up's worker: each tells when
    // its reading is done (LiveFolderListing::warmed).
    QList<LiveFolderListing*> warmingFolders() const;
    bool isWarming() const;
    // Whether a pass has listed a folder as empty because its reading was not done, since the
    // last call: whoever showed such a listing should ask again once the reading is done.
    bool tookUnwarmed() { return std::exchange(m_tookUnwarmed, false); }

    // The number of listings kept, and of folders watched for them, for tests.
    qsizetype keptCount() const { return m_kept.size(); }
    qsizetype watchedCount() const;

private:
    struct Key {
        QString path; // standardized
        FolderPortalEngine::PortalListingOptions options;
        qsizetype limit = -1;

        bool operator==(const Key&) const = default;
    };
    struct Kept {
        Key key;
        std::shared_ptr<LiveFolderListing::View> view;
        quint64 lastPass = 0;
    };

    void endPass(qsizetype limit, quint64 number);
    std::shared_ptr<LiveFolderListing::View> viewOf(const QString& path, const FolderPortalEngine::PortalListingOptions& options);

    QList<Kept> m_kept;
    QList<std::shared_ptr<LiveFolderListing::View>> m_warmed;
    bool m_tookUnwarmed = false;
    bool m_headsPassed = false;
    bool m_wholePassed = false;
    quint64 m_passes = 0;
};

} // namespace mv
