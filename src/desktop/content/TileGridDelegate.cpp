#include "desktop/content/TileGridDelegate.h"

#include "design/FenceItemGridTile.h"
#include "desktop/content/TileGridListView.h"

#include <QPainter>
#include <QPixmap>

namespace mv {

TileGridDelegate::TileGridDelegate(TileGridListView* view)
    : QStyledItemDelegate(view)
    , m_gridView(view)
{
}

void TileGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect target = m_gridView->tileRect(option.rect);
    if (target.isEmpty())
        return;
    FenceItemGridTile& tile = preparedTile(index);
    tile.resize(target.size());
    // Through an image of its own: rendering straight into the view's painter would share
    // that painter with a render of the view itself (a grab) and draw in the wrong place.
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QPixmap image(target.size() * ratio);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    tile.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    painter->drawPixmap(target.topLeft(), image);
}

QSize TileGridDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    // Every cell is alike; the view works the size out once per width.
    return m_gridView->cellSize();
}

} // namespace mv
