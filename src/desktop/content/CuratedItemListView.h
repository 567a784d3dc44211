#pragma once

#include "core/models/FenceModels.h"
#include "design/DesignEnvironment.h"
#include "desktop/content/TileGridColumns.h"
#include "desktop/content/TileGridListView.h"

#include <functional>
#include <memory>

namespace mv {

class FenceItemGridTile;

// The grid's columns, at least max(iconScale × 84, 72) wide.
struct CuratedGridColumns : TileGridColumns {
    static CuratedGridColumns fit(qreal availableWidth, double iconScale);
};

// The items of a curated tab: one list view over the item model, each item painted as the
// design system's item tile, an icon grid or a compact list by the fence's density. A click
// on a tile (or Return on the current one) activates it; the context menu is asked for
// through a callback. It keeps no selection: curated tiles are never drawn selected.
class CuratedItemListView final : public TileGridListView {
    Q_OBJECT
public:
    static constexpr int bottomPadding = 10;

    explicit CuratedItemListView(DesignEnvironment* environment, QWidget* parent = nullptr);
    ~CuratedItemListView() override;

    CuratedGridColumns gridColumns() const { return {tileColumns()}; }
    // The tile as it is painted for `index`, set up from the item and the view's appearance.
    const FenceItemGridTile& tileFor(const QModelIndex& index) const;
    int tileHeight(int width) const override;

    std::function<void(const QModelIndex&)> onItemActivated;
    std::function<void(const QModelIndex&, const QPoint& globalPos)> onContextMenuRequested;

protected:
    // TileGridListView
    TileGridColumns fitColumns(qreal availableWidth) const override;
    bool activateItem(const QModelIndex& index) override;
    // QWidget
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    class Delegate;

    // Set up anew before each use; mutable because painting is const.
    std::unique_ptr<FenceItemGridTile> m_stamp;
};

} // namespace mv
