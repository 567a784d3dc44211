#pragma once

#include <QPainterPath>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace mv {

// A fence panel's content view: hosts the fence content pinned to its top edge at the fence's
// expanded height, clips it to a rounded shape that becomes a capsule as the fence rolls up,
// and reports the pointer entering and leaving.
class TopPinnedContentView final : public QWidget {
    Q_OBJECT

public:
    // The height of a rolled-up fence (the pill).
    static constexpr double collapsedCapsuleHeight = 46;

    // `content` becomes the hosted view (the view takes ownership).
    TopPinnedContentView(QWidget* content, double expandedHeight, double cornerRadius, QWidget* parent = nullptr);

    QWidget* hostedView() const { return m_hosted; }
    // Replaces the hosted view, deleting the old one later (it may be inside its own handler).
    void setHostedView(QWidget* content);

    double expandedHeight() const { return m_expandedHeight; }
    // At least 46; a change of half a point or less asks for no new layout.
    void setExpandedHeight(double height);
    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius);
    bool isVisuallyCollapsed() const { return m_isVisuallyCollapsed; }
    void setVisuallyCollapsed(bool collapsed);

    // Called with true when the pointer enters the view, false when it leaves.
    std::function<void(bool)> onHoverChanged;
    // Called with the view's rounded shape, in its own coordinates, whenever it changes (the
    // window that carries the view takes it as its own outline).
    std::function<void(const QPainterPath&)> onShapeChanged;
    QPainterPath shape() const { return m_shape; }

    // The corner radius of the shape for a view of this size: the corner radius down to 58
    // high, blending into a capsule below that (a full capsule at 46 or when collapsed),
    // limited to half the smaller side and never below 4.
    static double maskRadius(double width, double height, double cornerRadius, bool isVisuallyCollapsed);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void layoutHostedView();
    void updateMask();

    QPointer<QWidget> m_hosted;
    double m_expandedHeight;
    double m_cornerRadius;
    bool m_isVisuallyCollapsed = false;
    QPainterPath m_shape;
};

} // namespace mv
