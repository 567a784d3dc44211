#include "desktop/content/PortalEntryListView.h"

#include "desktop/content/FenceDropHandling.h"
#include "desktop/content/NativeFileBridge.h"
#include "desktop/content/PortalEntryDelegate.h"
#include "desktop/content/PortalEntryModel.h"

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>

#include <algorithm>
#include <utility>

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

QModelIndex PortalEntryListView::indexOfEntry(const QString& entryID) const
{
    const auto* entries = qobject_cast<const PortalEntryModel*>(model());
    const int row = entries ? entries->rowOf(entryID) : -1;
    return row >= 0 ? model()->index(row, 0) : QModelIndex();
}

void PortalEntryListView::mousePressEvent(QMouseEvent* event)
{
    m_press.reset();
    m_isPassingPressOn = false;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && !index.isValid()) {
        // Empty space: the window's, which moves the fence from there.
        m_isPassingPressOn = true;
        event->ignore();
        return;
    }
    if (event->button() == Qt::LeftButton)
        m_press = Press{index.data(PortalEntryModel::EntryIDRole).toString(), event->position()};
    TileGridListView::mousePressEvent(event);
}

void PortalEntryListView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_isPassingPressOn && event->buttons().testFlag(Qt::LeftButton)) {
        event->ignore();
        return;
    }
    if (m_press && !m_press->didBeginDrag && event->buttons().testFlag(Qt::LeftButton)) {
        // Short of the drag distance the move is taken and does nothing.
        event->accept();
        if (nativefilebridge::startsDrag(m_press->position, event->position())) {
            const QModelIndex index = indexOfEntry(m_press->entryID);
            m_press->didBeginDrag = true;
            if (index.isValid())
                beginDrag(index, event->position());
        }
        return;
    }
    TileGridListView::mouseMoveEvent(event);
}

void PortalEntryListView::beginDrag(const QModelIndex& index, const QPointF& position)
{
    if (!onEntryDragStarted)
        return;
    const QRect tile = tileRect(index);
    const QPointer<PortalEntryListView> self(this);
    // A copy: the drag's loop may replace the callback, or take this view away.
    const auto start = onEntryDragStarted;
    start(index, position - tile.topLeft(), tile.size());
    if (!self)
        return;
    // The drag took the release; the press is over.
    m_press.reset();
}

void PortalEntryListView::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_isPassingPressOn && event->button() == Qt::LeftButton) {
        m_isPassingPressOn = false;
        event->ignore();
        return;
    }
    const std::optional<Press> press = event->button() == Qt::LeftButton ? std::exchange(m_press, std::nullopt)
                                                                          : std::nullopt;
    const QPointer<PortalEntryListView> self(this);
    TileGridListView::mouseReleaseEvent(event);
    if (!self || !press || press->didBeginDrag || !press->isDoubleClick)
        return;
    const QModelIndex index = indexOfEntry(press->entryID);
    if (index.isValid())
        activateItem(index);
}

void PortalEntryListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click: it selects like any press, and the release that
    // follows opens, unless a drag begins first.
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !index.isValid()) {
        mousePressEvent(event);
        return;
    }
    const QString entryID = index.data(PortalEntryModel::EntryIDRole).toString();
    if (!m_press || m_press->entryID != entryID) {
        mousePressEvent(event);
        if (!m_press)
            return;
    }
    m_press->isDoubleClick = true;
    event->accept();
}

void PortalEntryListView::contextMenuEvent(QContextMenuEvent* event)
{
    // By the pointer, or by the menu key for the current entry.
    const bool byPointer = event->reason() == QContextMenuEvent::Mouse;
    const QModelIndex index = byPointer ? indexAt(event->pos()) : currentIndex();
    if (!index.isValid() || !onEntryContextMenu) {
        event->ignore();
        return;
    }
    event->accept();
    const QPoint at = byPointer ? event->globalPos() : viewport()->mapToGlobal(tileRect(index).center());
    const auto show = onEntryContextMenu;
    show(index, at);
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
