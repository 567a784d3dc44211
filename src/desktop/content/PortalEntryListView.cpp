#include "desktop/content/PortalEntryListView.h"

#include "desktop/content/FenceDropHandling.h"
#include "desktop/content/PortalEntryDelegate.h"
#include "desktop/content/PortalEntryModel.h"

#include <QDropEvent>
#include <QKeyEvent>

#include <algorithm>

namespace mv {

namespace {

// The folder of the tile under `point` (viewport coordinates), if a folder tile is there.
std::optional<QUrl> folderTileAt(const QListView& list, const QPoint& point)
{
    const QModelIndex index = list.indexAt(point);
    if (!index.isValid() || !index.data(PortalEntryModel::IsDirectoryRole).toBool())
        return std::nullopt;
    return index.data(PortalEntryModel::URLRole).toUrl();
}

} // namespace

PortalGridColumns PortalGridColumns::fit(qreal availableWidth, double iconScale)
{
    return {TileGridColumns::fit(availableWidth, std::max(iconScale * 82, 70.0))};
}

// The grid's last row of gaps is its bottom padding.
PortalEntryListView::PortalEntryListView(DesignEnvironment* environment, QWidget* parent)
    : TileGridListView(environment, ActivationGesture::doubleClick,
                       {verticalPadding, int(TileGridColumns::spacing), verticalPadding}, PortalEntryModel::EntryIDRole,
                       parent)
{
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    m_delegate = new PortalEntryDelegate(this);
    setItemDelegate(m_delegate);
    relayout();
}

void PortalEntryListView::setSelectedEntryID(const std::optional<QString>& entryID)
{
    if (m_selectedEntryID == entryID)
        return;
    m_selectedEntryID = entryID;
    // Arrow keys go on from the selected entry.
    const auto* entries = qobject_cast<const PortalEntryModel*>(model());
    const int row = entries && entryID ? entries->rowOf(*entryID) : -1;
    if (row >= 0 && currentIndex().row() != row)
        setCurrentIndex(model()->index(row, 0));
    viewport()->update();
}

TileGridColumns PortalEntryListView::fitColumns(qreal availableWidth) const
{
    return PortalGridColumns::fit(availableWidth, iconScale());
}

int PortalEntryListView::tileHeight(int width) const
{
    return m_delegate->tileHeight(density(), iconScale(), width);
}

bool PortalEntryListView::activateItem(const QModelIndex& index)
{
    if (!onEntryActivated)
        return false;
    onEntryActivated(index);
    return true;
}

void PortalEntryListView::itemPressed(const QModelIndex& index)
{
    if (onEntryPressed)
        onEntryPressed(index);
}

void PortalEntryListView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        // The preview key belongs to the body around the list.
        event->ignore();
        return;
    }
    TileGridListView::keyPressEvent(event);
}

void PortalEntryListView::dragEnterEvent(QDragEnterEvent* event)
{
    FenceDropHandling::forward(this, event, folderTileAt(*this, event->position().toPoint()));
}

void PortalEntryListView::dragMoveEvent(QDragMoveEvent* event)
{
    FenceDropHandling::forward(this, event, folderTileAt(*this, event->position().toPoint()));
}

void PortalEntryListView::dragLeaveEvent(QDragLeaveEvent* event)
{
    FenceDropHandling::forward(this, event);
}

void PortalEntryListView::dropEvent(QDropEvent* event)
{
    FenceDropHandling::forward(this, event, folderTileAt(*this, event->position().toPoint()));
}

} // namespace mv
