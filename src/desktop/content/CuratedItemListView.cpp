#include "desktop/content/CuratedItemListView.h"

#include "design/FenceItemGridTile.h"
#include "desktop/content/CuratedItemModel.h"
#include "desktop/content/TileGridDelegate.h"

#include <QContextMenuEvent>

#include <algorithm>

namespace mv {

// Renders the view's one tile, set up for the item, into each cell.
class CuratedItemListView::Delegate final : public TileGridDelegate {
public:
    explicit Delegate(CuratedItemListView* view)
        : TileGridDelegate(view)
        , m_view(view)
    {
    }

protected:
    FenceItemGridTile& preparedTile(const QModelIndex& index) const override
    {
        return const_cast<FenceItemGridTile&>(m_view->tileFor(index));
    }

private:
    CuratedItemListView* m_view;
};

CuratedGridColumns CuratedGridColumns::fit(qreal availableWidth, double iconScale)
{
    return {TileGridColumns::fit(availableWidth, std::max(iconScale * 84, 72.0))};
}

CuratedItemListView::CuratedItemListView(DesignEnvironment* environment, QWidget* parent)
    : TileGridListView(environment, ActivationGesture::singleClick, {0, bottomPadding, bottomPadding}, 0, parent)
    , m_stamp(std::make_unique<FenceItemGridTile>(environment))
{
    // Rendered, never shown: it must not become a window of its own.
    m_stamp->setAttribute(Qt::WA_DontShowOnScreen);
    setItemDelegate(new Delegate(this));
    relayout();
}

CuratedItemListView::~CuratedItemListView() = default;

const FenceItemGridTile& CuratedItemListView::tileFor(const QModelIndex& index) const
{
    FenceItemGridTile& tile = *m_stamp;
    tile.setDensity(density());
    tile.setIconScale(iconScale());
    tile.setTint(tint());
    tile.setSelected(false);
    const auto* items = qobject_cast<const CuratedItemModel*>(model());
    if (const FenceItem* item = items ? items->item(index) : nullptr)
        tile.setItem(*item);
    return tile;
}

int CuratedItemListView::tileHeight(int width) const
{
    FenceItemGridTile& tile = *m_stamp;
    tile.setDensity(density());
    tile.setIconScale(iconScale());
    tile.setPinned(true);
    if (density() == FenceDisplayDensity::grid) {
        // Long enough to wrap at any column width; the tile keeps two lines of it.
        tile.setTitle(QStringLiteral("W ").repeated(64));
        tile.setSubtitle(QStringLiteral("0"));
        tile.setBadgeText(QStringLiteral("0"));
        return tile.heightForWidth(width);
    }
    tile.setTitle(QStringLiteral("W"));
    tile.setSubtitle(QStringLiteral("0"));
    tile.setBadgeText(QStringLiteral("0"));
    return tile.sizeHint().height();
}

TileGridColumns CuratedItemListView::fitColumns(qreal availableWidth) const
{
    return CuratedGridColumns::fit(availableWidth, iconScale());
}

bool CuratedItemListView::activateItem(const QModelIndex& index)
{
    if (!onItemActivated)
        return false;
    onItemActivated(index);
    return true;
}

void CuratedItemListView::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex index = event->reason() == QContextMenuEvent::Mouse ? indexAt(event->pos()) : currentIndex();
    if (!index.isValid() || !onContextMenuRequested) {
        event->ignore();
        return;
    }
    event->accept();
    onContextMenuRequested(index, event->globalPos());
}

} // namespace mv
