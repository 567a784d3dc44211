#include "desktop/controlcenter/CompanionTileGrid.h"

#include "design/FenceItemGridTile.h"
#include "desktop/controlcenter/CompanionFenceCard.h"

#include <algorithm>

namespace mv {

CompanionTileGrid::CompanionTileGrid(DesignEnvironment* environment, int capacity, QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    for (int i = 0; i < capacity; ++i) {
        auto* tile = new FenceItemGridTile(environment, this);
        tile->setDensity(FenceDisplayDensity::grid);
        tile->setIconScale(CompanionFenceCard::tileIconScale);
        tile->setSelected(false);
        tile->hide();
        m_tiles.append(tile);
    }
}

FenceItemGridTile* CompanionTileGrid::prepareTile(int index, FenceTintPalette tint)
{
    FenceItemGridTile* tile = m_tiles.at(index);
    tile->setTint(tint);
    return tile;
}

void CompanionTileGrid::showEntries(const QList<PortalFileEntry>& entries, FenceTintPalette tint)
{
    const int shown = int(std::min<qsizetype>(entries.size(), m_tiles.size()));
    for (int i = 0; i < shown; ++i) {
        const PortalFileEntry& entry = entries.at(i);
        FenceItemGridTile* tile = prepareTile(i, tint);
        tile->setTitle(entry.displayName);
        tile->setSubtitle(std::nullopt);
        tile->setSymbolName(entry.symbolName);
        tile->setBadgeText(entry.formattedSize());
        tile->setPinned(false);
        tile->setDirectory(entry.isDirectory);
    }
    finish(shown);
}

void CompanionTileGrid::showItems(const QList<FenceItem>& items, FenceTintPalette tint)
{
    const int shown = int(std::min<qsizetype>(items.size(), m_tiles.size()));
    for (int i = 0; i < shown; ++i)
        prepareTile(i, tint)->setItem(items.at(i));
    finish(shown);
}

void CompanionTileGrid::finish(int shown)
{
    for (int i = shown; i < m_tiles.size(); ++i)
        m_tiles.at(i)->hide();
    m_shown = shown;
    placeTiles();
}

QList<FenceItemGridTile*> CompanionTileGrid::shownTiles() const
{
    return m_tiles.first(m_shown);
}

int CompanionTileGrid::columnCount(int width)
{
    const int inner = width - 2 * padding;
    return std::max(1, (inner + spacing) / (minimumColumnWidth + spacing));
}

int CompanionTileGrid::heightForWidth(int width) const
{
    if (m_shown == 0)
        return 2 * padding;
    const int columns = columnCount(width);
    const int tileWidth = (width - 2 * padding - spacing * (columns - 1)) / columns;
    const int rows = (m_shown + columns - 1) / columns;
    const int tileHeight = rowHeight(std::max(tileWidth, 1));
    return 2 * padding + rows * tileHeight + (rows - 1) * spacing;
}

QSize CompanionTileGrid::sizeHint() const
{
    const int hintWidth = 2 * padding + 2 * minimumColumnWidth + spacing;
    return QSize(hintWidth, heightForWidth(width() > 0 ? width() : hintWidth));
}

QSize CompanionTileGrid::minimumSizeHint() const
{
    return QSize(2 * padding + minimumColumnWidth, 2 * padding);
}

void CompanionTileGrid::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeTiles();
}

int CompanionTileGrid::rowHeight(int tileWidth) const
{
    int height = 0;
    for (int i = 0; i < m_shown; ++i)
        height = std::max(height, m_tiles.at(i)->heightForWidth(tileWidth));
    return height;
}

void CompanionTileGrid::placeTiles()
{
    // A new width or number of tiles may take another number of rows.
    const int needed = heightForWidth(width());
    if (needed != m_hintedHeight) {
        m_hintedHeight = needed;
        updateGeometry();
    }
    if (m_shown == 0)
        return;
    const int columns = columnCount(width());
    const int tileWidth = std::max(1, (width() - 2 * padding - spacing * (columns - 1)) / columns);
    const int tileHeight = rowHeight(tileWidth);
    for (int i = 0; i < m_shown; ++i) {
        const int row = i / columns;
        const int column = i % columns;
        const QRect cell(padding + column * (tileWidth + spacing), padding + row * (tileHeight + spacing), tileWidth,
                         tileHeight);
        m_tiles.at(i)->setGeometry(cell);
        // A card drawn smaller than its tiles shows the rows that fit whole; a scaled drawing
        // of the device would not cut the others off at the glass.
        m_tiles.at(i)->setVisible(cell.bottom() < height() || row == 0);
    }
}

} // namespace mv
