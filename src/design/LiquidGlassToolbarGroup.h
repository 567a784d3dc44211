#pragma once

#include <QWidget>

class QHBoxLayout;

namespace mv {

// Lays its content out in one horizontal row with the given spacing; no padding or background.
class LiquidGlassToolbarGroup final : public QWidget {
    Q_OBJECT
public:
    explicit LiquidGlassToolbarGroup(qreal spacing, QWidget* parent = nullptr);
    void addWidget(QWidget* widget);
    QHBoxLayout* rowLayout() const { return m_layout; }

private:
    QHBoxLayout* m_layout;
};

} // namespace mv
