#pragma once

#include "core/models/FenceModels.h"
#include "design/LiquidGlassSurfaceFrame.h"

#include <QUuid>

#include <functional>

namespace mv {

class GlassTextLabel;
class LiquidGlassBadge;
class LiquidGlassIconBadge;
class LiquidGlassPillButton;
class PortalPlainButton;

// The card of one fence of the active workspace: its symbol, title, kind and content line and
// whether it is rolled up; then "定位", "卷起"/"展开", "调色" and the button of its menu. It shows
// what it is given and reports each button through its callback; the owner builds the menu.
class FenceCardView final : public LiquidGlassSurfaceFrame {
    Q_OBJECT
public:
    static constexpr double cornerRadius = 18;
    static inline const QString revealText = QStringLiteral("定位");
    static inline const QString inspectText = QStringLiteral("调色");

    FenceCardView(DesignEnvironment* environment, const QUuid& fenceID, QWidget* parent = nullptr);

    const QUuid& fenceID() const { return m_fenceID; }
    // Updates what differs from what is shown.
    void setFence(const FenceModel& fence, bool isSelected);

    // The line under the title: the kind, the number of tabs and the content summary.
    static QString detailText(const FenceModel& fence);
    static QString stateText(bool isCollapsed);

    LiquidGlassIconBadge* symbolBadge() const { return m_symbol; }
    GlassTextLabel* titleLabel() const { return m_title; }
    GlassTextLabel* detailLabel() const { return m_detail; }
    LiquidGlassBadge* stateBadge() const { return m_state; }
    LiquidGlassPillButton* revealButton() const { return m_reveal; }
    LiquidGlassPillButton* collapseButton() const { return m_collapse; }
    LiquidGlassPillButton* inspectButton() const { return m_inspect; }
    PortalPlainButton* menuButton() const { return m_menuButton; }

    std::function<void()> onReveal;
    std::function<void()> onToggleCollapse;
    std::function<void()> onInspectAppearance;
    std::function<void()> onShowMenu;

private:
    void refreshColors();

    QUuid m_fenceID;
    LiquidGlassIconBadge* m_symbol;
    GlassTextLabel* m_title;
    GlassTextLabel* m_detail;
    LiquidGlassBadge* m_state;
    LiquidGlassPillButton* m_reveal;
    LiquidGlassPillButton* m_collapse;
    LiquidGlassPillButton* m_inspect;
    PortalPlainButton* m_menuButton;
};

} // namespace mv
