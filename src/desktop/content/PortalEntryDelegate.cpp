#include "desktop/content/PortalEntryDelegate.h"

#include "design/FenceItemGridTile.h"
#include "desktop/content/PortalEntryListView.h"
#include "desktop/content/PortalEntryModel.h"

namespace mv {

PortalEntryDelegate::PortalEntryDelegate(PortalEntryListView* view)
    : TileGridDelegate(view)
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

FenceItemGridTile& PortalEntryDelegate::preparedTile(const QModelIndex& index) const
{
    tileFor(index);
    return *m_stamp;
}

} // namespace mv
