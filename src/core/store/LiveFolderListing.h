#pragma once

#include "core/engine/PortalListingOptions.h"
#include "core/engine/PortalTypes.h"
#include "core/store/FolderWatch.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace mv {

// The listings of one folder, kept up to date entry by entry from its watch instead of being
// read again whole: an entry made, removed, renamed or changed is read alone, once for every
// way the folder is listed, and put into its place by the order the full sort gives. The live
// view of a portal, the store's widget snapshot and its search share them: one reading of the
// folder per change, however many read the listing.
//
// A listing is read whole only at first, after the kernel lost changes, when the folder
// itself moved, is gone or the path names another folder, and while its changes cannot be
// followed at all (a network file system, a subfolder that cannot be watched); then current()
// gives none and the caller reads the folder itself, as before there was a watch.
//
// Every entry shows its access time, which the orders by access time also sort by: the listings
// follow the reads of the folder's entries (see FolderWatch::followNames) and read such an
// entry again. They only ever stat an entry, which moves no access time, and their readings of
// the folder itself are not told, so nothing they do counts as a change.
//
// Everything lives on the thread that made it; a listing can be read first on a worker thread
// (warm), whose result is taken over here.
class LiveFolderListing final : public QObject {
    Q_OBJECT

public:
    using Options = FolderPortalEngine::PortalListingOptions;

    // A whole listing as a reading gives it, with what keeps it in order.
    struct Reading {
        PortalScanResult result;
        std::vector<QByteArray> keys; // each entry's collation key, in the entries' order
        std::vector<QByteArray> raws; // each entry's file-system name
        QSet<QByteArray> present;     // the same names, to find a changed one among them
    };
    // The folder at `path` read whole with `options`; safe on any thread.
    [[nodiscard]] static Reading read(const QString& path, const Options& options);

    // One way of listing the folder, shared by every holder that lists it so on this thread.
    class View final {
    public:
        ~View();
        View(const View&) = delete;
        View& operator=(const View&) = delete;

        // The listing as the folder holds it now, every change told so far applied; none when
        // the folder's changes cannot be followed now (the caller reads the folder itself).
        // Waits for a reading started on a worker thread that has not finished.
        std::optional<PortalScanResult> current();
        const Options& options() const { return m_options; }
        LiveFolderListing& folder() const { return *m_folder; }
        // Whether a reading started on a worker thread is still under way, so that current()
        // would wait for it.
        bool isWarming() const
        {
            return m_warming.valid() && m_warming.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
        }

    private:
        friend class LiveFolderListing;
        View(std::shared_ptr<LiveFolderListing> folder, Options options);

        struct Changed {
            QByteArray raw;
            std::optional<PortalFileEntry> entry; // none when it is gone
        };
        void adopt(Reading reading);
        void apply(const std::vector<Changed>& changes);
        // Takes over a reading of the worker that has finished (or, with `wait`, once it has).
        void takeWarmReading(bool wait);

        std::shared_ptr<LiveFolderListing> m_folder;
        Options m_options;
        bool m_stale = true;
        std::shared_future<Reading> m_warming;
        std::future<void> m_worker; // joined when the view goes: the worker tells its end
        QSet<QByteArray> m_backlog; // names changed while the worker read
        Reading m_reading;
    };

    // The view of the folder at `path` (standardized, absolute) with `options` on this thread,
    // made when there is none.
    [[nodiscard]] static std::shared_ptr<View> view(const QString& path, const Options& options);
    // The same, read now on a worker thread unless this thread already holds it: the folder is
    // watched here first, so a change made while the worker reads is applied after.
    [[nodiscard]] static std::shared_ptr<View> warmView(const QString& path, const Options& options);

    ~LiveFolderListing() override;
    const QString& path() const { return m_path; }
    // Watches the folder the path names now, unless that is done; false when it cannot be
    // watched (not there, not a folder, its changes not seen, the kernel's limits).
    bool watch() { return ensureWatch(); }
    // Whether every subfolder is watched (see FolderWatch::coversSubfolders).
    bool coversSubfolders() const { return m_watch && m_watch->coversSubfolders(); }

Q_SIGNALS:
    // Changes arrived from the event loop (at most once per reading of the kernel's queue, and
    // no more often than bringing the listings up to date allows, see holdMilliseconds);
    // current() of any view applies them.
    void changed();
    // A reading started on a worker thread (warmView) has finished: current() no longer waits.
    void warmed();

public:
    // Runs on the worker thread before each of its readings, with the folder's path; for tests
    // that make a worker read slowly. None by default.
    static void setWorkerReadHook(std::function<void(const QString& path)> hook);

private:
    explicit LiveFolderListing(QString path);
    // The entries of `names` in the folder at `path` as they are now, each read once.
    static std::vector<View::Changed> readChanged(const QString& path, const QSet<QByteArray>& names);
    static std::shared_ptr<LiveFolderListing> of(const QString& path);
    std::shared_ptr<View> find(const Options& options);
    // Watches the folder anew when needed, then applies what changed to every view; false
    // when its changes cannot be followed now.
    bool refresh();
    bool ensureWatch();
    void markStale();
    QList<std::shared_ptr<View>> liveViews();

    void watchTold();
    void holdEnded();
    // How long changes told after one are held back: a long listing costs more to merge
    // changes into, so a folder written without pause is caught up with at a rate that leaves
    // all but a small share of the time to the program that writes.
    int holdMilliseconds() const;

    QString m_path;
    std::unique_ptr<FolderWatch> m_watch;
    QList<std::weak_ptr<View>> m_views;
    QTimer m_hold;
    bool m_toldWhileHeld = false;
    qint64 m_lastUpdateNanoseconds = 0; // the last merge of changes into every view
};

} // namespace mv
