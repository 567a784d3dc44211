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
//
// A grid of many fences shows only a few cards at a time, so a card makes its parts when it is
// first about to be seen (`makeContent`, by the owner as cards scroll into view, else at its
// first paint) or asked for; until then it is its glass alone, as large as a card with its parts.
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

    bool hasContent() const { return m_symbol != nullptr; }
    void makeContent() const;

    // The line under the title: the kind, the number of tabs and the content summary.
    static QString detailText(const FenceModel& fence);
    static QString stateText(bool isCollapsed);

    // The parts, made when first asked for.
    LiquidGlassIconBadge* symbolBadge() const { return (makeContent(), m_symbol); }
    GlassTextLabel* titleLabel() const { return (makeContent(), m_title); }
    GlassTextLabel* detailLabel() const { return (makeContent(), m_detail); }
    LiquidGlassBadge* stateBadge() const { return (makeContent(), m_state); }
    LiquidGlassPillButton* revealButton() const { return (makeContent(), m_reveal); }
    LiquidGlassPillButton* collapseButton() const { return (makeContent(), m_collapse); }
    LiquidGlassPillButton* inspectButton() const { return (makeContent(), m_inspect); }
    PortalPlainButton* menuButton() const { return (makeContent(), m_menuButton); }

    // QWidget: before its parts are made, the size of a card that has them.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    std::function<void()> onReveal;
    std::function<void()> onToggleCollapse;
    std::function<void()> onInspectAppearance;
    std::function<void()> onShowMenu;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refreshColors() const;
    void refreshParts() const;

    QUuid m_fenceID;
    // What the parts show, kept for them until they are made.
    struct Shown {
        QString symbolName;
        FenceTintPalette tint = FenceTintPalette::crystal;
        QString title;
        QString detail;
        bool isCollapsed = false;
    } m_shown;
    mutable LiquidGlassIconBadge* m_symbol = nullptr;
    mutable GlassTextLabel* m_title = nullptr;
    mutable GlassTextLabel* m_detail = nullptr;
    mutable LiquidGlassBadge* m_state = nullptr;
    mutable LiquidGlassPillButton* m_reveal = nullptr;
    mutable LiquidGlassPillButton* m_collapse = nullptr;
    mutable LiquidGlassPillButton* m_inspect = nullptr;
    mutable PortalPlainButton* m_menuButton = nullptr;
};

} // namespace mv
