#include "desktop/content/TileGridListView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>

#include <cmath>
#include <utility>

namespace mv {

TileGridListView::TileGridListView(DesignEnvironment* environment, ActivationGesture gesture,
                                   VerticalPadding padding, int hoverKeyRole, QWidget* parent)
    : QListView(parent)
    , m_environment(environment)
    , m_gesture(gesture)
    , m_padding(padding)
    , m_hoverKeyRole(hoverKeyRole)
{
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The vertical scroll bar is set by relayout.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformItemSizes(true);
    setResizeMode(QListView::Adjust);
    if (m_hoverKeyRole != 0)
        setMouseTracking(true);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    setPalette(palette);
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, viewport(), qOverload<>(&QWidget::update));
    connect(this, &QAbstractItemView::pressed, this, [this](const QModelIndex& index) { itemPressed(index); });

    // Start in the grid; setAppearance switches when the fence says otherwise.
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setSpacing(0);
}

void TileGridListView::setAppearance(FenceDisplayDensity density, double iconScale, FenceTintPalette tint)
{
    if (!std::isfinite(iconScale))
        iconScale = m_iconScale;
    const bool layoutChanged = density != m_density || iconScale != m_iconScale;
    if (density != m_density) {
        m_density = density;
        if (density == FenceDisplayDensity::grid) {
            setViewMode(QListView::IconMode);
            setMovement(QListView::Static); // IconMode would let tiles be dragged around
        } else {
            setViewMode(QListView::ListMode);
        }
        setSpacing(0);
    }
    m_iconScale = iconScale;
    if (layoutChanged) {
        m_cellSize = QSize(); // the same width now asks for another cell
        relayout();
    }
    if (tint != m_tint) {
        m_tint = tint;
        viewport()->update();
    }
}

QRect TileGridListView::tileRect(const QRect& cell) const
{
    if (m_density == FenceDisplayDensity::grid)
        return cell.adjusted(0, 0, -int(TileGridColumns::spacing), -int(TileGridColumns::spacing));
    return cell.adjusted(0, 0, 0, -listSpacing);
}

QModelIndex TileGridListView::indexAt(const QPoint& point) const
{
    // The gaps between tiles are empty space: a press there hits nothing.
    const QModelIndex index = QListView::indexAt(point);
    if (index.isValid() && !tileRect(visualRect(index)).contains(point))
        return {};
    return index;
}

void TileGridListView::relayout()
{
    // The view shows its scroll bar itself, exactly when the tiles do not fit without it, and
    // fits the columns to the width beside it then. Left to the list (as needed), the bar's room
    // is kept out of the rows even while the bar is hidden, so a row the columns were fitted to
    // wrapped; and columns fitted beside a bar that was showing need more rows, which kept it.
    const QRect inside = contentsRect();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
    const int items = model() ? model()->rowCount(rootIndex()) : 0;
    Layout layout = layoutFor(inside.width());
    const bool needsBar =
        layout.rows(items) * layout.cell.height() > inside.height() - layout.margins.top() - layout.margins.bottom();
    // Set first: it resizes the viewport, which lays the view out again on its own.
    setVerticalScrollBarPolicy(needsBar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    if (needsBar)
        layout = layoutFor(inside.width() - bar);
    m_columns = layout.columns;
    if (layout.margins != m_margins) {
        m_margins = layout.margins;
        setViewportMargins(layout.margins);
    }
    if (layout.cell != m_cellSize) {
        m_cellSize = layout.cell;
        doItemsLayout();
    }
}

TileGridListView::Layout TileGridListView::layoutFor(int width) const
{
    const int available = std::max(0, width - 2 * horizontalPadding);
    Layout layout;
    if (m_density == FenceDisplayDensity::grid) {
        layout.columns = fitColumns(available);
        const int tileWidth = int(std::floor(layout.columns.width));
        const int gap = int(TileGridColumns::spacing);
        // Each cell carries the gap after its tile, so the last column's gap lies in the padding.
        // The list wraps a row that fills its width exactly, hence one pixel more.
        layout.margins = QMargins(horizontalPadding + int(std::floor(layout.columns.leading)), m_padding.top,
                                  horizontalPadding - gap - 1, m_padding.bottomInGrid - gap);
        layout.cell = QSize(tileWidth + gap, tileHeight(tileWidth) + gap);
    } else {
        layout.margins =
            QMargins(horizontalPadding, m_padding.top, horizontalPadding, m_padding.bottomInList - listSpacing);
        layout.cell = QSize(std::max(1, available), tileHeight(available) + listSpacing);
    }
    return layout;
}

int TileGridListView::Layout::rows(int items) const
{
    const int perRow = std::max(1, columns.count);
    return (items + perRow - 1) / perRow;
}

void TileGridListView::setModel(QAbstractItemModel* model)
{
    if (QAbstractItemModel* previous = this->model())
        disconnect(previous, nullptr, this, nullptr);
    QListView::setModel(model);
    if (!model)
        return;
    // More or fewer rows may call for the scroll bar or let it go, which changes the columns.
    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model, signal, this, [this] { relayout(); });
    connect(model, &QAbstractItemModel::modelReset, this, [this] { relayout(); });
    connect(model, &QAbstractItemModel::layoutChanged, this, [this] { relayout(); });
}

void TileGridListView::setHoveredKey(const std::optional<QString>& key)
{
    if (m_hoveredKey == key)
        return;
    m_hoveredKey = key;
    viewport()->update();
}

void TileGridListView::resizeEvent(QResizeEvent* event)
{
    QListView::resizeEvent(event);
    relayout();
}

void TileGridListView::keyPressEvent(QKeyEvent* event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        const QModelIndex current = currentIndex();
        if (current.isValid() && activateItem(current)) {
            event->accept();
            return;
        }
    }
    const QPersistentModelIndex before = currentIndex();
    QListView::keyPressEvent(event);
    const QModelIndex now = currentIndex();
    if (now.isValid() && now != QModelIndex(before))
        itemPressed(now);
}

void TileGridListView::mousePressEvent(QMouseEvent* event)
{
    QListView::mousePressEvent(event);
    if (m_gesture == ActivationGesture::singleClick)
        m_pressed = event->button() == Qt::LeftButton ? QPersistentModelIndex(indexAt(event->position().toPoint()))
                                                      : QPersistentModelIndex();
}

void TileGridListView::mouseReleaseEvent(QMouseEvent* event)
{
    QListView::mouseReleaseEvent(event);
    // A click: pressed and released on the same tile with the left button.
    const QPersistentModelIndex pressed = std::exchange(m_pressed, QPersistentModelIndex());
    if (event->button() != Qt::LeftButton || !pressed.isValid())
        return;
    if (indexAt(event->position().toPoint()) == QModelIndex(pressed))
        activateItem(pressed);
}

void TileGridListView::mouseMoveEvent(QMouseEvent* event)
{
    QListView::mouseMoveEvent(event);
    if (m_hoverKeyRole == 0)
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    setHoveredKey(index.isValid() ? std::optional<QString>(index.data(m_hoverKeyRole).toString()) : std::nullopt);
}

void TileGridListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Only the left button opens; the press that began the double click has already gone out.
    const QModelIndex index = indexAt(event->position().toPoint());
    if (m_gesture == ActivationGesture::doubleClick && event->button() == Qt::LeftButton && index.isValid()) {
        const QPersistentModelIndex item = index;
        if (activateItem(item)) {
            event->accept();
            return;
        }
    }
    QListView::mouseDoubleClickEvent(event);
}

bool TileGridListView::viewportEvent(QEvent* event)
{
    if (m_hoverKeyRole != 0 && event->type() == QEvent::Leave)
        setHoveredKey(std::nullopt);
    return QListView::viewportEvent(event);
}

} // namespace mv
