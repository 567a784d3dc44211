#pragma once

#include "core/models/ModelEnums.h"
#include "design/DesignEnvironment.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QLineEdit;
class QMenu;

namespace mv {

class GlassSymbolMark;
class GlassTextLabel;
class GlassTransition;
class LiquidGlassBadge;
class LiquidGlassButton;
class LiquidGlassIconBadge;
class LiquidGlassToolbarGroup;

// The title bar of a fence, 46 high: icon badge, title with pin and lock marks (or the rename
// field), badge, trailing actions and the collapse button. It shows what it is given and reports
// every action through its callbacks; the only state it keeps is the rename draft.
class FenceHeaderView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int fixedHeight = 46;

    explicit FenceHeaderView(DesignEnvironment* environment, QWidget* parent = nullptr);
    ~FenceHeaderView() override;

    void setTitle(const QString& title);
    QString title() const { return m_title; }
    void setSymbolName(const QString& symbolName);
    void setBadgeSummary(const QString& badgeSummary);
    void setTint(FenceTintPalette tint);
    void setCollapsed(bool collapsed);
    bool isCollapsed() const { return m_isCollapsed; }
    void setPinned(bool pinned);
    void setLocked(bool locked);

    // The collapse button (animated), a double click on the title and the menu item (not animated).
    std::function<void()> onToggleCollapse;
    // Rename is offered only while a handler is set; it receives the trimmed, non-empty title.
    void setOnRename(std::function<void(const QString&)> onRename);
    bool hasRename() const { return bool(m_onRename); }

    // The trailing actions, shown only while the fence is not collapsed. The header takes
    // ownership; a new widget replaces the old one.
    void setTrailingActions(QWidget* actions);
    QWidget* trailingActions() const { return m_trailingActions; }

    // The collapse button's animation, for tests.
    const GlassTransition& collapseTransition() const { return *m_collapseTransition; }

    // The title menu as the context menu shows it (the caller owns it).
    QMenu* createTitleMenu(QWidget* parent);

    QSize sizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    GlassSymbolMark* makeTitleMark(const QString& symbol, const QString& name, const QString& accessibleName,
                                   int index);
    void makeRenameField();
    void beginRename();
    void commitRename();
    void collapseButtonClicked();
    void toggleWithoutAnimation();

    QPointer<DesignEnvironment> m_environment;
    QString m_title;
    QString m_symbolName;
    QString m_badgeSummary;
    FenceTintPalette m_tint = FenceTintPalette::crystal;
    bool m_isCollapsed = false;
    bool m_isPinned = false;
    bool m_isLocked = false;
    std::function<void(const QString&)> m_onRename;
    bool m_isEditingTitle = false;
    QString m_draftTitle;
    QString m_chevronBeforeToggle;

    LiquidGlassIconBadge* m_iconBadge;
    QWidget* m_titleArea;
    GlassTextLabel* m_titleLabel;
    GlassSymbolMark* m_pinMark = nullptr;
    GlassSymbolMark* m_lockMark = nullptr;
    QWidget* m_renameBox = nullptr;
    QLineEdit* m_renameField = nullptr;
    LiquidGlassBadge* m_badge;
    LiquidGlassToolbarGroup* m_actionsGroup;
    QWidget* m_trailingActions = nullptr;
    LiquidGlassButton* m_collapseButton;
    GlassTransition* m_collapseTransition;
};

} // namespace mv
