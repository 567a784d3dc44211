#include "desktop/content/PortalEntryDelegate.h"

#include "design/FenceItemGridTile.h"
#include "desktop/content/PortalEntryListView.h"
#include "desktop/content/PortalEntryModel.h"

#include <QPainter>
#include <QPixmap>

namespace mv {

PortalEntryDelegate::PortalEntryDelegate(PortalEntryListView* view)
    : QStyledItemDelegate(view)
    , m_view(view)
    , m_stamp(std::make_unique<FenceItemGridTile>(view->environment()))
{
    // Rendered, never shown: it must not become a window of its own.
    m_stamp->setAttribute(Qt::WA_DontShowOnScreen);
}

PortalEntryDelegate::~PortalEntryDelegate() = default;

int PortalEntryDelegate::tileHeight(FenceDisplayDensity density, double iconScale, int width) const
{
    FenceItemGridTile& tile = *m_stamp;
    tile.setDensity(density);
    tile.setIconScale(iconScale);
    tile.setPinned(false);
    if (density == FenceDisplayDensity::grid) {
        // Long enough to wrap at any column width; the tile keeps two lines of it.
        tile.setTitle(QStringLiteral("W ").repeated(64));
        tile.setSubtitle(std::nullopt);
        tile.setBadgeText(QStringLiteral("0"));
        return tile.heightForWidth(width);
    }
    tile.setTitle(QStringLiteral("W"));
    tile.setSubtitle(QStringLiteral("0"));
    tile.setBadgeText(std::nullopt);
    return tile.sizeHint().height();
}

const FenceItemGridTile& PortalEntryDelegate::tileFor(const QModelIndex& index) const
{
    FenceItemGridTile& tile = *m_stamp;
    const FenceDisplayDensity density = m_view->density();
    const QString sizeText = index.data(PortalEntryModel::SizeTextRole).toString();
    const QString id = index.data(PortalEntryModel::EntryIDRole).toString();
    tile.setDensity(density);
    tile.setIconScale(m_view->iconScale());
    tile.setTint(m_view->tint());
    tile.setPinned(false);
    tile.setTitle(index.data(Qt::DisplayRole).toString());
    tile.setSymbolName(index.data(PortalEntryModel::SymbolNameRole).toString());
    tile.setDirectory(index.data(PortalEntryModel::IsDirectoryRole).toBool());
    tile.setSubtitle(density == FenceDisplayDensity::compactList ? std::optional<QString>(sizeText) : std::nullopt);
    tile.setBadgeText(density == FenceDisplayDensity::grid ? std::optional<QString>(sizeText) : std::nullopt);
    tile.setSelected(id == m_view->selectedEntryID() || id == m_view->hoveredEntryID());
    return tile;
}

void PortalEntryDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect target = m_view->tileRect(option.rect);
    if (target.isEmpty())
        return;
    FenceItemGridTile& tile = *m_stamp;
    tileFor(index);
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

QSize PortalEntryDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    // Every cell is alike; the view works the size out once per width.
    return m_view->cellSize();
}

} // namespace mv
