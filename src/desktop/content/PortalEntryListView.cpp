#include "desktop/content/PortalEntryListView.h"

#include "desktop/content/PortalEntryDelegate.h"
#include "desktop/content/PortalEntryModel.h"

#include <QKeyEvent>

#include <algorithm>

namespace mv {

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

} // namespace mv
