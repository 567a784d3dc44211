#pragma once

#include <QLayout>
#include <QList>

#include <functional>

namespace mv {

// A grid with as many columns as fit at `minimumColumnWidth` or more, each then as wide as the
// room allows up to `maximumColumnWidth`, the whole grid centred. Rows are as tall as their
// tallest item; items fill their cell. Takes widgets in the order given.
class AdaptiveGridLayout final : public QLayout {
public:
    AdaptiveGridLayout(int minimumColumnWidth, int maximumColumnWidth, int spacing, QWidget* parent = nullptr);
    ~AdaptiveGridLayout() override;

    // Lays out exactly these widgets, in this order: those already here are moved, new ones
    // added, the others taken out (not deleted).
    void setWidgets(const QList<QWidget*>& widgets);
    QList<QWidget*> widgets() const;

    // Called each time the items have been placed.
    std::function<void()> onArranged;

    // How many columns `width` holds, and how wide each is.
    int columnCount(int width) const;
    int columnWidth(int width) const;

    // QLayout
    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override { return int(m_items.size()); }
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    void setGeometry(const QRect& rect) override;

private:
    // Places the items in `rect` when `apply`; the height used either way.
    int arrange(const QRect& rect, bool apply) const;

    int m_minimumColumnWidth;
    int m_maximumColumnWidth;
    int m_spacing;
    QList<QLayoutItem*> m_items;
};

} // namespace mv
