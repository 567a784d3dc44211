#pragma once

#include "core/models/FenceModels.h"
#include "design/GlassSymbolMark.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassButton.h"
#include "design/LiquidGlassIconBadge.h"
#include "design/LiquidGlassSurfaceFrame.h"

#include <functional>

class QMenu;

namespace mv {

class GlassTextLabel;
class GlassTransition;

// The badge of a rolled-up fence that opens the tab menu.
class FencePillTabMenuButton final : public QAbstractButton {
    Q_OBJECT
public:
    FencePillTabMenuButton(DesignEnvironment* environment, QWidget* parent);
    void setBadge(const QString& text, FenceTintPalette tint);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<DesignEnvironment> m_environment;
    FenceTintPalette m_tint = FenceTintPalette::crystal;
};

// A whole fence rolled up into one glass capsule, 46 high: icon, title with pin and lock, the
// active tab's title, the badge (or the tab menu) and the expand button. A double click anywhere
// on it expands the fence.
class FenceRollUpPillView final : public LiquidGlassSurfaceFrame {
    Q_OBJECT
public:
    static constexpr int fixedHeight = 46;

    explicit FenceRollUpPillView(DesignEnvironment* environment, QWidget* parent = nullptr);
    ~FenceRollUpPillView() override;

    void setFence(const FenceModel& fence);
    const FenceModel& fence() const { return m_fence; }

    // A double click on the capsule or the expand button (animated).
    std::function<void()> onExpand;
    // The tab menu exists only while a handler is set and the fence has more than one tab.
    void setOnSwitchTab(std::function<void(const QUuid&)> onSwitchTab);

    bool showsTabMenu() const;
    // The tab menu as the badge opens it (the caller owns it), or nullptr without one.
    QMenu* createTabMenu(QWidget* parent);

    QWidget* badge() const;
    FencePillTabMenuButton* tabMenuButton() const { return m_tabMenuButton; }
    LiquidGlassButton* expandButton() const { return m_expandButton; }
    const GlassTransition& expandTransition() const { return *m_expandTransition; }

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();
    void expand();

    FenceModel m_fence;
    std::function<void(const QUuid&)> m_onSwitchTab;

    LiquidGlassIconBadge* m_iconBadge;
    GlassTextLabel* m_titleLabel;
    GlassSymbolMark* m_pinMark;
    GlassSymbolMark* m_lockMark;
    GlassTextLabel* m_tabLabel;
    LiquidGlassBadge* m_badge;
    FencePillTabMenuButton* m_tabMenuButton;
    LiquidGlassButton* m_expandButton;
    GlassTransition* m_expandTransition;
};

} // namespace mv
