#include "desktop/content/FenceDropHandling.h"

#include "core/engine/FilePaths.h"
#include "core/engine/PortalScan.h"
#include "core/models/Uuid.h"
#include "core/store/MorvanteelStore.h"
#include "desktop/content/PortalBrowser.h"

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

#include <sys/stat.h>

namespace mv {

namespace {

// The directory test of a dropped path, following a final symbolic link; nothing there counts
// as no folder.
bool isFolder(const QString& path)
{
    struct stat info {};
    return ::stat(filepaths::encoded(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

FenceDropHandling::FenceDropHandling(MorvanteelStore& store, PortalBrowser& browser, QWidget* fenceView)
    : QObject(fenceView)
    , m_store(store)
    , m_browser(browser)
{
}

FenceDropHandling::~FenceDropHandling() = default;

FenceDropHandling* FenceDropHandling::of(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (auto* handling = w->findChild<FenceDropHandling*>(QString(), Qt::FindDirectChildrenOnly))
            return handling;
    }
    return nullptr;
}

void FenceDropHandling::forward(const QWidget* view, QEvent* event, const std::optional<QUrl>& folderTile)
{
    FenceDropHandling* handling = of(view);
    if (!handling) {
        event->ignore();
        return;
    }
    switch (event->type()) {
    case QEvent::DragEnter:
        handling->dragEnter(static_cast<QDragEnterEvent*>(event), folderTile);
        break;
    case QEvent::DragMove:
        handling->dragMove(static_cast<QDragMoveEvent*>(event), folderTile);
        break;
    case QEvent::DragLeave:
        handling->dragLeave(static_cast<QDragLeaveEvent*>(event));
        break;
    case QEvent::Drop:
        handling->drop(static_cast<QDropEvent*>(event), folderTile);
        break;
    default:
        event->ignore();
        break;
    }
}

QList<QUrl> FenceDropHandling::localFileURLs(const QMimeData* mime)
{
    QList<QUrl> local;
    if (!mime || !mime->hasUrls())
        return local;
    for (const QUrl& url : mime->urls()) {
        // A file on another machine, or a path that is no exact text, is no file of ours to move.
        if (url.isLocalFile() && filepaths::localPath(url))
            local.append(url);
    }
    return local;
}

FenceItem FenceDropHandling::droppedItem(const QUrl& url, const QUuid& id)
{
    const QString path = filepaths::localPath(url).value_or(url.toLocalFile());
    const QString standardized = filepaths::standardizedOrRelative(path);
    const bool directory = isFolder(path);
    FenceItem item;
    item.id = id;
    item.title = filepaths::lastComponent(standardized);
    item.subtitle = filepaths::lastComponent(filepaths::parentPath(standardized));
    // An application bundle is a folder too; its extension decides first.
    if (FolderPortalEngine::pathExtension(standardized).compare(u"app", Qt::CaseInsensitive) == 0)
        item.kind = FenceItemKind::app;
    else if (directory)
        item.kind = FenceItemKind::folder;
    else
        item.kind = FenceItemKind::file;
    item.target = path;
    item.symbolName = FolderPortalEngine::inferSymbol(
        standardized, directory ? FolderPortalEngine::EntryKind::Folder : FolderPortalEngine::EntryKind::File,
        std::nullopt);
    // The kind's own name: "应用", "文件夹" or "文件".
    item.badgeText = displayName(item.kind);
    return item;
}

FenceDropHandling::Route FenceDropHandling::route(const QList<QUrl>& urls,
                                                  const std::optional<QUrl>& folderTile) const
{
    if (urls.isEmpty())
        return Route::refused;
    const std::optional<FenceModel> fence = m_store.fence(m_browser.fenceID());
    const FenceTab* tab = fence ? fence->activeTab() : nullptr;
    if (!tab)
        return Route::refused;
    switch (tab->kind) {
    case FenceKind::portal:
        if (!folderTile)
            return Route::intoShownFolder;
        // A folder let go over its own tile goes nowhere: the drag came back to where it began.
        if (const std::optional<QString> tile = filepaths::standardizedPath(*folderTile)) {
            for (const QUrl& url : urls) {
                if (filepaths::standardizedPath(url) == tile)
                    return Route::refused;
            }
        }
        return Route::intoFolder;
    case FenceKind::curated:
        return Route::addToCurated;
    case FenceKind::notes:
    case FenceKind::checklist:
        break;
    }
    return Route::refused;
}

Qt::DropAction FenceDropHandling::proposedAction(const QMimeData* mime, Qt::DropActions possible,
                                                 const std::optional<QUrl>& folderTile) const
{
    switch (route(localFileURLs(mime), folderTile)) {
    case Route::refused:
        return Qt::IgnoreAction;
    case Route::intoShownFolder:
    case Route::intoFolder:
        // A source that does not let its files be moved keeps them.
        return possible.testFlag(Qt::MoveAction) ? Qt::MoveAction : Qt::IgnoreAction;
    case Route::addToCurated:
        // An item only points at the file.
        if (possible.testFlag(Qt::LinkAction))
            return Qt::LinkAction;
        return possible.testFlag(Qt::CopyAction) ? Qt::CopyAction : Qt::IgnoreAction;
    }
    return Qt::IgnoreAction;
}

void FenceDropHandling::answer(QDragMoveEvent* event, const std::optional<QUrl>& folderTile)
{
    const Qt::DropAction action = proposedAction(event->mimeData(), event->possibleActions(), folderTile);
    if (action == Qt::IgnoreAction) {
        event->ignore();
        setDropTargeted(false);
        return;
    }
    // Not acceptProposedAction: that would answer with the source's proposal, not ours.
    event->setDropAction(action);
    event->accept();
    setDropTargeted(true);
}

void FenceDropHandling::dragEnter(QDragEnterEvent* event, const std::optional<QUrl>& folderTile)
{
    // A drag the fence takes, only not onto this tile (a folder over its own tile): the view
    // under the pointer stays its target, so that the widgets around it do not take it there;
    // the moves that follow answer where it may go.
    if (folderTile && proposedAction(event->mimeData(), event->possibleActions(), folderTile) == Qt::IgnoreAction
        && proposedAction(event->mimeData(), event->possibleActions(), std::nullopt) != Qt::IgnoreAction) {
        event->setDropAction(Qt::IgnoreAction);
        event->accept();
        setDropTargeted(false);
        return;
    }
    answer(event, folderTile);
}

void FenceDropHandling::dragMove(QDragMoveEvent* event, const std::optional<QUrl>& folderTile)
{
    answer(event, folderTile);
}

void FenceDropHandling::dragLeave(QDragLeaveEvent* event)
{
    event->accept();
    setDropTargeted(false);
}

void FenceDropHandling::drop(QDropEvent* event, const std::optional<QUrl>& folderTile)
{
    setDropTargeted(false);
    const QList<QUrl> urls = localFileURLs(event->mimeData());
    if (proposedAction(event->mimeData(), event->possibleActions(), folderTile) == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    const Qt::DropAction action = handleDroppedFiles(urls, folderTile, event->possibleActions());
    if (action == Qt::IgnoreAction) {
        // Refused or failed: the source keeps believing its files are where they were.
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

Qt::DropAction FenceDropHandling::handleDroppedFiles(const QList<QUrl>& urls, const std::optional<QUrl>& folderTile,
                                                     Qt::DropActions possible)
{
    switch (route(urls, folderTile)) {
    case Route::refused:
        return Qt::IgnoreAction;
    case Route::intoFolder:
        return moveFiles(urls, *folderTile) ? Qt::MoveAction : Qt::IgnoreAction;
    case Route::intoShownFolder: {
        const std::optional<QUrl> shown = m_browser.currentPortalURL();
        const std::optional<QUrl> root = m_browser.rootPortalURL();
        // Inside a subfolder the folder shown is an explicit one; at the root it is the fence's.
        if (shown && root && *shown != *root)
            return moveFiles(urls, *shown) ? Qt::MoveAction : Qt::IgnoreAction;
        const QUuid fenceID = m_browser.fenceID();
        return moveAndShow([&] { return m_store.moveFiles(urls, fenceID); }) ? Qt::MoveAction : Qt::IgnoreAction;
    }
    case Route::addToCurated: {
        QList<FenceItem> items;
        items.reserve(urls.size());
        for (const QUrl& url : urls)
            items.append(droppedItem(url, newUuid()));
        m_store.addItems(items, m_browser.fenceID());
        return possible.testFlag(Qt::LinkAction) ? Qt::LinkAction : Qt::CopyAction;
    }
    }
    return Qt::IgnoreAction;
}

bool FenceDropHandling::moveFiles(const QList<QUrl>& urls, const QUrl& toExplicitDirectory)
{
    return moveAndShow([&] { return m_store.moveFilesToExplicitDirectory(urls, toExplicitDirectory); });
}

bool FenceDropHandling::moveAndShow(const std::function<bool()>& move)
{
    const qsizetype recorded = m_store.undoStack().size();
    const bool moved = move();
    // Listed at once, before any folder event: also after a batch that stopped part-way, whose
    // moved files are on the undo stack although the batch as a whole failed.
    if (moved || m_store.undoStack().size() != recorded)
        m_browser.rescan();
    return moved;
}

void FenceDropHandling::setDropTargeted(bool targeted)
{
    if (m_isDropTargeted == targeted)
        return;
    m_isDropTargeted = targeted;
    if (onDropHighlightChanged)
        onDropHighlightChanged(targeted);
}

} // namespace mv
