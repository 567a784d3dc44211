#pragma once

#include "desktop/controlcenter/ControlCenterView.h"

#include <QHash>
#include <QUuid>
#include <QWidget>

#include <optional>

class QHBoxLayout;
class QMenu;
class QScrollArea;

namespace mv {

class AdaptiveGridLayout;
class FenceCardView;
class GlassTextLabel;
class LiquidGlassPillButton;
class NewFencePopover;
class NewWorkspacePopover;
class WorkspaceCardView;
struct FenceModel;

// The workspaces page of the control center: a header with the summary of the active
// workspace and the fence commands, the strip of workspace cards and the grid of the active
// workspace's fence cards, with the popovers that create a workspace and a fence. Built once;
// it keeps no model state: on each of the store's change signals it reads the store again and
// updates its cards in place, keyed by id. Every action reads its workspace or fence by id at
// the moment it runs and changes that one thing through the store; desktop panel commands go
// to the panel manager.
class WorkspacesAndFencesTabView final : public QWidget {
    Q_OBJECT
public:
    static inline const QString pageTitle = QStringLiteral("工作区与桌面围栏总览");
    static inline const QString workspacesHeading = QStringLiteral("工作区空间");
    static inline const QString fencesHeading = QStringLiteral("当前工作区围栏");
    static inline const QString newFenceText = QStringLiteral("新建围栏");
    static inline const QString expandAllText = QStringLiteral("全部展开");
    static inline const QString rollUpAllText = QStringLiteral("全部卷起");
    static inline const QString searchText = QStringLiteral("检索");
    static inline const QString newWorkspaceText = QStringLiteral("新建工作区");
    static inline const QString newWorkspaceSymbol = QStringLiteral("square.stack.3d.up.fill");
    static inline const QString chooseFolderTitle = QStringLiteral("选择文件夹");
    // The status when the path typed for a new portal fence is not absolute; the text follows.
    static inline const QString relativePathStatus = QStringLiteral("文件夹路径需为绝对路径：");
    // Cards of the fence grid.
    static constexpr int minimumFenceCardWidth = 270;
    static constexpr int maximumFenceCardWidth = 360;
    static constexpr int gridSpacing = 12;

    explicit WorkspacesAndFencesTabView(const ControlCenterPageInputs& inputs, QWidget* parent = nullptr);
    ~WorkspacesAndFencesTabView() override;

    // "当前活动工作区：<name> · 共 <count> 个桌面围栏", "默认" without a name.
    static QString summaryText(const std::optional<QString>& workspaceName, qsizetype fenceCount);

    // The fence's menu as it stands now (the caller owns it), or nullptr for a fence not there.
    QMenu* createFenceMenu(const QUuid& fenceID, QWidget* parent);

    // What is shown, for tests.
    QScrollArea* scrollArea() const { return m_scroll; }
    QScrollArea* workspaceStrip() const { return m_strip; }
    GlassTextLabel* summaryLabel() const { return m_summary; }
    LiquidGlassPillButton* newFenceButton() const { return m_newFence; }
    LiquidGlassPillButton* expandAllButton() const { return m_expandAll; }
    LiquidGlassPillButton* rollUpAllButton() const { return m_rollUpAll; }
    LiquidGlassPillButton* searchButton() const { return m_search; }
    LiquidGlassPillButton* newWorkspaceButton() const { return m_newWorkspace; }
    NewWorkspacePopover* newWorkspacePopover() const { return m_workspacePopover; }
    NewFencePopover* newFencePopover() const { return m_fencePopover; }
    // In the order shown.
    QList<WorkspaceCardView*> workspaceCards() const;
    QList<FenceCardView*> fenceCards() const;
    WorkspaceCardView* workspaceCard(const QUuid& id) const { return m_workspaceCards.value(id); }
    FenceCardView* fenceCard(const QUuid& id) const { return m_fenceCards.value(id); }
    AdaptiveGridLayout* fenceGrid() const { return m_grid; }

protected:
    // QWidget
    void hideEvent(QHideEvent* event) override;
    // The page's viewport: resized or shown, the cards now in it are made.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildHeader(QWidget* parent);
    QWidget* buildWorkspacesSection(QWidget* parent);
    QWidget* buildFencesSection(QWidget* parent);
    GlassTextLabel* makeLabel(const QString& text, const QFont& font, bool secondary, QWidget* parent);
    LiquidGlassPillButton* makeHeaderButton(const QString& name, const QString& title, const QString& symbol,
                                            FenceTintPalette tint, QWidget* parent);

    // In-place updates.
    void refreshSummary();
    void refreshWorkspaces();
    void refreshFences();
    void refreshSelection();
    void refreshNewFenceAvailability();
    void refreshColors();
    bool hasActiveWorkspace() const;
    // Makes the parts of the fence cards that lie in the page's viewport.
    void makeCardsInView();

    // Actions.
    void openNewWorkspace();
    void createWorkspace();
    void openNewFence();
    void chooseFolder();
    void createFence();
    void showFenceMenu(const QUuid& fenceID);
    // Lock and pin: one flag of the fence inverted, nothing else.
    void flipFenceFlag(const QUuid& fenceID, bool FenceModel::*flag);

    ControlCenterPageInputs m_inputs;
    QScrollArea* m_scroll = nullptr;
    GlassTextLabel* m_summary = nullptr;
    QList<GlassTextLabel*> m_primaryLabels;
    QList<GlassTextLabel*> m_secondaryLabels;
    LiquidGlassPillButton* m_newFence = nullptr;
    LiquidGlassPillButton* m_expandAll = nullptr;
    LiquidGlassPillButton* m_rollUpAll = nullptr;
    LiquidGlassPillButton* m_search = nullptr;
    LiquidGlassPillButton* m_newWorkspace = nullptr;
    QScrollArea* m_strip = nullptr;
    QWidget* m_stripContent = nullptr;
    QHBoxLayout* m_stripRow = nullptr;
    AdaptiveGridLayout* m_grid = nullptr;
    QHash<QUuid, WorkspaceCardView*> m_workspaceCards;
    QHash<QUuid, FenceCardView*> m_fenceCards;
    NewWorkspacePopover* m_workspacePopover = nullptr;
    NewFencePopover* m_fencePopover = nullptr;
};

} // namespace mv
