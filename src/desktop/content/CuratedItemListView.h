#pragma once

#include "core/models/FenceModels.h"
#include "design/DesignEnvironment.h"
#include "desktop/content/TileGridColumns.h"

#include <QListView>
#include <QPointer>

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
class CuratedItemListView final : public QListView {
    Q_OBJECT
public:
    static constexpr int horizontalPadding = 12;
    static constexpr int bottomPadding = 10;
    static constexpr int listSpacing = 5;

    explicit CuratedItemListView(DesignEnvironment* environment, QWidget* parent = nullptr);
    ~CuratedItemListView() override;

    void setAppearance(FenceDisplayDensity density, double iconScale, FenceTintPalette tint);
    FenceDisplayDensity density() const { return m_density; }
    double iconScale() const { return m_iconScale; }
    FenceTintPalette tint() const { return m_tint; }
    DesignEnvironment* environment() const { return m_environment; }

    const CuratedGridColumns& gridColumns() const { return m_columns; }
    QSize cellSize() const { return m_cellSize; }
    // The tile inside an item's cell: the cell without the gap after it.
    QRect tileRect(const QRect& cell) const;
    QRect tileRect(const QModelIndex& index) const { return tileRect(visualRect(index)); }
    // The tile as it is painted for `index`, set up from the item and the view's appearance.
    const FenceItemGridTile& tileFor(const QModelIndex& index) const;
    int tileHeight(int width) const;

    std::function<void(const QModelIndex&)> onItemActivated;
    std::function<void(const QModelIndex&, const QPoint& globalPos)> onContextMenuRequested;

    // QAbstractItemView
    QModelIndex indexAt(const QPoint& point) const override;

protected:
    // QWidget
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    class Delegate;
    void relayout();

    QPointer<DesignEnvironment> m_environment;
    // Set up anew before each use; mutable because painting is const.
    std::unique_ptr<FenceItemGridTile> m_stamp;
    FenceDisplayDensity m_density = FenceDisplayDensity::grid;
    double m_iconScale = 1.0;
    FenceTintPalette m_tint = FenceTintPalette::crystal;
    CuratedGridColumns m_columns;
    QSize m_cellSize;
    QMargins m_margins;
    QPersistentModelIndex m_pressed;
};

} // namespace mv
