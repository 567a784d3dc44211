#pragma once

#include "core/models/ModelEnums.h"
#include "design/DesignEnvironment.h"
#include "desktop/content/TileGridColumns.h"

#include <QListView>
#include <QPersistentModelIndex>
#include <QPointer>

#include <optional>

namespace mv {

// A list view whose rows are item tiles: an icon grid of adaptive columns or a compact list,
// by the fence's density, every cell alike and sized once per width. It keeps no selection of
// its own; the gaps between tiles are empty space. Subclasses say how wide a column must be and
// how tall a tile is, and turn presses and activations into their own callbacks.
class TileGridListView : public QListView {
    Q_OBJECT
public:
    // Content padding inside the scroll area; the gaps between tiles are part of each cell.
    static constexpr int horizontalPadding = 12;
    static constexpr int listSpacing = 5;

    void setAppearance(FenceDisplayDensity density, double iconScale, FenceTintPalette tint);
    FenceDisplayDensity density() const { return m_density; }
    double iconScale() const { return m_iconScale; }
    FenceTintPalette tint() const { return m_tint; }
    DesignEnvironment* environment() const { return m_environment; }

    // Where the layout stands for the current width.
    const TileGridColumns& tileColumns() const { return m_columns; }
    QSize cellSize() const { return m_cellSize; }
    // The tile inside an item's cell: the cell without the gap after it.
    QRect tileRect(const QRect& cell) const;
    QRect tileRect(const QModelIndex& index) const { return tileRect(visualRect(index)); }

    // QAbstractItemView
    QModelIndex indexAt(const QPoint& point) const override;
    void setModel(QAbstractItemModel* model) override;

protected:
    // What activates a tile besides Return on the current one.
    enum class ActivationGesture { singleClick, doubleClick };
    // The room above the first row and below the last one, by density.
    struct VerticalPadding {
        int top = 0;
        int bottomInGrid = 0;
        int bottomInList = 0;
    };
    // With a `hoverKeyRole`, the tile under the pointer is followed by that role's text, so
    // that a change of the rows does not move the highlight; 0 follows nothing.
    TileGridListView(DesignEnvironment* environment, ActivationGesture gesture, VerticalPadding padding,
                     int hoverKeyRole, QWidget* parent);

    // Fits the columns and the cell to the current width. Subclasses call it first once the
    // tile they measure is set up.
    void relayout();
    const std::optional<QString>& hoveredKey() const { return m_hoveredKey; }

    virtual TileGridColumns fitColumns(qreal availableWidth) const = 0;
    // The tallest tile of the form at this width; every cell gets this height.
    virtual int tileHeight(int width) const = 0;
    // Whether anyone took the activation (Return, or the view's gesture).
    virtual bool activateItem(const QModelIndex& index) = 0;
    // A press on a tile (any button), or a keyboard move onto one.
    virtual void itemPressed(const QModelIndex&) {}

    // QWidget
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // QAbstractScrollArea
    bool viewportEvent(QEvent* event) override;

private:
    // The columns, cell and viewport margins for a width inside the frame.
    struct Layout {
        TileGridColumns columns;
        QMargins margins;
        QSize cell;
        int rows(int items) const;
    };
    Layout layoutFor(int width) const;
    void setHoveredKey(const std::optional<QString>& key);

    QPointer<DesignEnvironment> m_environment;
    const ActivationGesture m_gesture;
    const VerticalPadding m_padding;
    const int m_hoverKeyRole;
    FenceDisplayDensity m_density = FenceDisplayDensity::grid;
    double m_iconScale = 1.0;
    FenceTintPalette m_tint = FenceTintPalette::crystal;
    TileGridColumns m_columns;
    QSize m_cellSize;
    QMargins m_margins;
    QPersistentModelIndex m_pressed;
    std::optional<QString> m_hoveredKey;
};

} // namespace mv
