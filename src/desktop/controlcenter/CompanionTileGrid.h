#pragma once

#include "core/engine/PortalTypes.h"
#include "core/models/FenceModels.h"
#include "design/DesignEnvironment.h"

#include <QList>
#include <QPointer>
#include <QWidget>

namespace mv {

class FenceItemGridTile;

// The few tiles of a companion card: portal entries or curated items, in as many columns of at
// least 74 points as fit, 6 apart, padded 10. The tiles are made once and refilled in place;
// they launch nothing.
class CompanionTileGrid final : public QWidget {
    Q_OBJECT

public:
    static constexpr int padding = 10;
    static constexpr int spacing = 6;
    static constexpr int minimumColumnWidth = 74;

    CompanionTileGrid(DesignEnvironment* environment, int capacity, QWidget* parent = nullptr);

    // The first entries of a portal head, folders badged "文件夹", files with their size.
    void showEntries(const QList<PortalFileEntry>& entries, FenceTintPalette tint);
    void showItems(const QList<FenceItem>& items, FenceTintPalette tint);

    QList<FenceItemGridTile*> shownTiles() const;
    // Columns for a grid `width` wide.
    static int columnCount(int width);

    // As tall as the tiles need at the present width. A card drawn smaller than that (on the
    // canvas) cuts the last row off at its glass rather than spilling past it, so this is no
    // height-for-width minimum.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    int heightForWidth(int width) const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    FenceItemGridTile* prepareTile(int index, FenceTintPalette tint);
    void finish(int shown);
    void placeTiles();
    // The tallest shown tile at this width: every row is as tall.
    int rowHeight(int tileWidth) const;

    QList<FenceItemGridTile*> m_tiles;
    int m_shown = 0;
    int m_hintedHeight = -1;
};

} // namespace mv
