#pragma once

#include "core/models/FenceModels.h"

#include <QList>
#include <QObject>
#include <QUrl>
#include <QUuid>

#include <functional>
#include <optional>

class QDragEnterEvent;
class QDragLeaveEvent;
class QDragMoveEvent;
class QDropEvent;
class QEvent;
class QMimeData;
class QWidget;

namespace mv {

class MorvanteelStore;
class PortalBrowser;

// Files dragged onto a fence: moved into the folder its portal tab shows (or into the folder
// tile under the pointer), or added to its curated tab as quick-launch items. Notes and
// checklist tabs take nothing, nor does a drag that carries no local file.
//
// It decides at enter and at every move, so that only a drag it will take highlights the fence,
// and it tells the drag source Move only when files really moved: a source told Move may treat
// its files as gone. The views of a fence forward their drag events here (forward()); they
// find it through of(), so they need to know nothing of the fence around them.
class FenceDropHandling final : public QObject {
    Q_OBJECT
public:
    // What a drop does now.
    enum class Route {
        refused,         // nothing to take: no local file, no active tab, notes or checklist
        intoShownFolder, // the portal tab's folder shown (the store refuses an unbound tab)
        intoFolder,      // an explicit folder: the folder tile under the pointer
        addToCurated,    // items of the curated tab
    };

    // `fenceView` owns it and is where of() finds it.
    FenceDropHandling(MorvanteelStore& store, PortalBrowser& browser, QWidget* fenceView);
    ~FenceDropHandling() override;

    // The handling of the fence that `widget` lies in; null outside a fence.
    static FenceDropHandling* of(const QWidget* widget);
    // Hands a drag event of `view` to its fence's handling; one outside a fence is refused.
    // `folderTile` is the folder entry under the pointer, if any.
    static void forward(const QWidget* view, QEvent* event, const std::optional<QUrl>& folderTile = std::nullopt);

    // The local file URLs the drag carries, in order; others are left out.
    static QList<QUrl> localFileURLs(const QMimeData* mime);
    // The quick-launch item a dropped file makes: named after the file, its folder below; an
    // app by its extension (any case), else a folder when a folder is there, else a file.
    static FenceItem droppedItem(const QUrl& url, const QUuid& id);

    Route route(const QList<QUrl>& urls, const std::optional<QUrl>& folderTile) const;

    void dragEnter(QDragEnterEvent* event, const std::optional<QUrl>& folderTile);
    void dragMove(QDragMoveEvent* event, const std::optional<QUrl>& folderTile);
    void dragLeave(QDragLeaveEvent* event);
    void drop(QDropEvent* event, const std::optional<QUrl>& folderTile);

    // The drop itself, whatever delivered it. The answer for the drag source: Move when files
    // moved, Link or Copy (of `possible`) when items were added, Ignore when nothing was done.
    Qt::DropAction handleDroppedFiles(const QList<QUrl>& urls, const std::optional<QUrl>& folderTile,
                                      Qt::DropActions possible = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
    // A move into `directory` through the store; the listing is shown anew at once when
    // anything moved. True when the whole batch moved.
    bool moveFiles(const QList<QUrl>& urls, const QUrl& toExplicitDirectory);

    bool isDropTargeted() const { return m_isDropTargeted; }
    // A drag that will be taken hovers the fence, or has left it.
    std::function<void(bool)> onDropHighlightChanged;

private:
    // The action a drag would be answered with now; Ignore when it is refused.
    Qt::DropAction proposedAction(const QMimeData* mime, Qt::DropActions possible,
                                  const std::optional<QUrl>& folderTile) const;
    // Accepts or refuses an enter or a move, and highlights accordingly.
    void answer(QDragMoveEvent* event, const std::optional<QUrl>& folderTile);
    void setDropTargeted(bool targeted);
    bool moveAndShow(const std::function<bool()>& move);

    MorvanteelStore& m_store;
    PortalBrowser& m_browser;
    bool m_isDropTargeted = false;
};

} // namespace mv
