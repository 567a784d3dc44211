#pragma once

#include "core/models/ModelEnums.h"
#include "desktop/content/TileGridDelegate.h"

#include <memory>

namespace mv {

class FenceItemGridTile;
class PortalEntryListView;

// Paints each portal entry as the design system's item tile. In the grid the size text is the
// badge, in the compact list the subtitle; the selected and the hovered entry are drawn
// highlighted.
class PortalEntryDelegate final : public TileGridDelegate {
    Q_OBJECT
public:
    explicit PortalEntryDelegate(PortalEntryListView* view);
    ~PortalEntryDelegate() override;

    // The tallest tile of the form at this width: a title of two lines with its caption in the
    // grid, a title with its subtitle in the list. Every cell of the view gets this height.
    int tileHeight(FenceDisplayDensity density, double iconScale, int width) const;

    // The tile as it is painted for `index`: the entry's title, symbol, size text and
    // highlight, and the view's density, icon scale and tint.
    const FenceItemGridTile& tileFor(const QModelIndex& index) const;

protected:
    // TileGridDelegate
    FenceItemGridTile& preparedTile(const QModelIndex& index) const override;

private:
    PortalEntryListView* m_view;
    // Set up anew before each use; mutable because painting is const.
    std::unique_ptr<FenceItemGridTile> m_stamp;
};

} // namespace mv
