#include "desktop/controlcenter/AdaptiveGridLayout.h"

#include <QWidget>

#include <algorithm>

namespace mv {

AdaptiveGridLayout::AdaptiveGridLayout(int minimumColumnWidth, int maximumColumnWidth, int spacing, QWidget* parent)
    : QLayout(parent)
    , m_minimumColumnWidth(minimumColumnWidth)
    , m_maximumColumnWidth(maximumColumnWidth)
    , m_spacing(spacing)
{
    setContentsMargins(0, 0, 0, 0);
}

AdaptiveGridLayout::~AdaptiveGridLayout()
{
    qDeleteAll(m_items);
}

void AdaptiveGridLayout::setWidgets(const QList<QWidget*>& widgets)
{
    QList<QLayoutItem*> ordered;
    ordered.reserve(widgets.size());
    for (QWidget* widget : widgets) {
        const auto found = std::find_if(m_items.begin(), m_items.end(),
                                        [widget](QLayoutItem* item) { return item->widget() == widget; });
        if (found != m_items.end()) {
            ordered.append(*found);
            m_items.erase(found);
        } else {
            addChildWidget(widget);
            ordered.append(new QWidgetItem(widget));
        }
    }
    qDeleteAll(m_items);
    m_items = ordered;
    invalidate();
}

QList<QWidget*> AdaptiveGridLayout::widgets() const
{
    QList<QWidget*> result;
    for (QLayoutItem* item : m_items)
        result.append(item->widget());
    return result;
}

int AdaptiveGridLayout::columnCount(int width) const
{
    return std::max(1, (width + m_spacing) / (m_minimumColumnWidth + m_spacing));
}

int AdaptiveGridLayout::columnWidth(int width) const
{
    const int columns = columnCount(width);
    const int share = (width - m_spacing * (columns - 1)) / columns;
    return std::clamp(share, std::min(m_minimumColumnWidth, std::max(0, width)), m_maximumColumnWidth);
}

void AdaptiveGridLayout::addItem(QLayoutItem* item)
{
    m_items.append(item);
}

QLayoutItem* AdaptiveGridLayout::itemAt(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items.at(index) : nullptr;
}

QLayoutItem* AdaptiveGridLayout::takeAt(int index)
{
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

QSize AdaptiveGridLayout::sizeHint() const
{
    const QMargins margins = contentsMargins();
    const int width = m_maximumColumnWidth * 2 + m_spacing;
    return QSize(width + margins.left() + margins.right(), heightForWidth(width + margins.left() + margins.right()));
}

QSize AdaptiveGridLayout::minimumSize() const
{
    const QMargins margins = contentsMargins();
    return QSize(m_minimumColumnWidth + margins.left() + margins.right(), 0);
}

int AdaptiveGridLayout::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

void AdaptiveGridLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
    if (onArranged)
        onArranged();
}

int AdaptiveGridLayout::arrange(const QRect& rect, bool apply) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    const int columns = columnCount(area.width());
    const int cellWidth = columnWidth(area.width());
    const int usedWidth = columns * cellWidth + (columns - 1) * m_spacing;
    const int left = area.left() + std::max(0, (area.width() - usedWidth) / 2);

    QList<QLayoutItem*> shown;
    for (QLayoutItem* item : m_items) {
        if (!item->isEmpty())
            shown.append(item);
    }
    int y = area.top();
    for (qsizetype first = 0; first < shown.size(); first += columns) {
        const qsizetype last = std::min<qsizetype>(first + columns, shown.size());
        int rowHeight = 0;
        for (qsizetype i = first; i < last; ++i) {
            QLayoutItem* item = shown.at(i);
            rowHeight = std::max(rowHeight, item->hasHeightForWidth() ? item->heightForWidth(cellWidth)
                                                                      : item->sizeHint().height());
        }
        if (apply) {
            for (qsizetype i = first; i < last; ++i) {
                const int column = int(i - first);
                shown.at(i)->setGeometry(QRect(left + column * (cellWidth + m_spacing), y, cellWidth, rowHeight));
            }
        }
        y += rowHeight + m_spacing;
    }
    if (!shown.isEmpty())
        y -= m_spacing;
    const QMargins margins = contentsMargins();
    return y - rect.top() + margins.bottom();
}

} // namespace mv
