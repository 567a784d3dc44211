#pragma once

#include "core/models/MoveRecords.h"
#include "desktop/controlcenter/ControlCenterFileDialogs.h"
#include "desktop/controlcenter/SmartRuleCard.h"

#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <optional>

class QAction;
class QListView;
class QScrollArea;
class QStackedWidget;
class QVBoxLayout;

namespace mv {

class DesignEnvironment;
class DryRunPlanModel;
class GlassSymbolMark;
class GlassTextLabel;
class LiquidGlassBadge;
class LiquidGlassPillButton;
class LiquidGlassSurfaceFrame;
class MorvanteelStore;

// The smart-rules page of the control center: the store's rules as cards, edited in place, and
// the dry run of one source folder: the moves the rules would make, which nothing carries out
// until "执行整理", then undo and redo of file moves. It keeps only the folder picked and the
// last plan built; rules, stacks and status live in the store, and the page follows their
// change signals in place. The plan is rebuilt after the page's own rule edits and file
// operations, not after other changes of the store.
class SmartRulesAndDryRunTabView final : public QWidget {
    Q_OBJECT
public:
    static inline const QString pageTitle = QStringLiteral("智能整理规则与 Dry-Run 预演");
    static QString pageSubtitle();
    static inline const QString chooseFolderTitle = QStringLiteral("选择目标文件夹…");
    static inline const QString demoFolderTitle = QStringLiteral("演示桌面");
    static inline const QString dryRunTitle = QStringLiteral("预演 Dry-Run");
    static inline const QString sourceBadgeText = QStringLiteral("当前源目录");
    static inline const QString addRuleTitle = QStringLiteral("添加规则");
    static inline const QString resetRulesTitle = QStringLiteral("重置默认");
    static inline const QString planTitle = QStringLiteral("Dry-Run 预演清单");
    static inline const QString executeTitle = QStringLiteral("执行整理");
    static inline const QString emptyPlanText = QStringLiteral("当前目录没有需要整理的新增匹配文件");

    SmartRulesAndDryRunTabView(MorvanteelStore& store, DesignEnvironment* environment,
                               ControlCenterFileDialogs fileDialogs, QWidget* parent = nullptr);
    ~SmartRulesAndDryRunTabView() override;

    // The folder the plan is built from: the one picked, else the store's demo folder.
    QString effectiveSourceDirectory() const;
    const std::optional<DryRunMovePlan>& dryRunPlan() const { return m_plan; }

    // "整理规则 (n)", "撤销 (n)", "重做 (n)", "最近操作：…（可点击上方“撤销”还原）".
    static QString rulesHeading(qsizetype count);
    static QString undoTitle(qsizetype count);
    static QString redoTitle(qsizetype count);
    static QString recentOperationText(const QString& label);

    // What is shown, for tests.
    LiquidGlassPillButton* chooseFolderButton() const { return m_chooseFolder; }
    LiquidGlassPillButton* demoFolderButton() const { return m_demoFolder; }
    LiquidGlassPillButton* dryRunButton() const { return m_dryRun; }
    GlassTextLabel* sourcePathLabel() const { return m_sourcePath; }
    GlassTextLabel* rulesHeadingLabel() const { return m_rulesHeading; }
    LiquidGlassPillButton* addRuleButton() const { return m_addRule; }
    LiquidGlassPillButton* resetRulesButton() const { return m_resetRules; }
    QList<SmartRuleCard*> ruleCards() const { return m_cards; }
    SmartRuleCard* cardFor(const QUuid& ruleID) const;
    LiquidGlassBadge* scannedBadge() const { return m_scannedBadge; }
    LiquidGlassBadge* matchedBadge() const { return m_matchedBadge; }
    LiquidGlassBadge* skippedBadge() const { return m_skippedBadge; }
    LiquidGlassPillButton* undoButton() const { return m_undo; }
    LiquidGlassPillButton* redoButton() const { return m_redo; }
    LiquidGlassPillButton* executeButton() const { return m_execute; }
    QListView* planList() const { return m_planList; }
    DryRunPlanModel* planModel() const { return m_planModel; }
    QWidget* emptyState() const { return m_emptyState; }
    GlassTextLabel* emptyStateLabel() const { return m_emptyLabel; }
    GlassTextLabel* recentOperationLabel() const { return m_recentLabel; }
    QAction* undoAction() const { return m_undoAction; }
    QAction* redoAction() const { return m_redoAction; }

private:
    QWidget* buildHeader();
    QWidget* buildRulesColumn();
    QWidget* buildPlanColumn();
    LiquidGlassPillButton* makePill(const QString& title, const std::optional<QString>& symbol, FenceTintPalette tint,
                                    bool prominent, QWidget* parent);

    void refreshDryRun();
    void chooseFolder();
    void useDemoFolder();
    void addRule();
    void resetRules();
    void execute();
    void undo();
    void redo();

    // In-place updates, one per source of change.
    void refreshRules();
    void refreshPlan();
    void refreshHistory();
    void refreshSource();
    void refreshColors();
    QList<PortalFenceChoice> portalFences() const;
    SmartRuleCard* makeCard(const QUuid& ruleID);

    MorvanteelStore& m_store;
    QPointer<DesignEnvironment> m_environment;
    ControlCenterFileDialogs m_fileDialogs;
    std::optional<QString> m_selectedSourceDirectory;
    std::optional<DryRunMovePlan> m_plan;

    GlassTextLabel* m_title = nullptr;
    GlassTextLabel* m_subtitle = nullptr;
    LiquidGlassPillButton* m_chooseFolder = nullptr;
    LiquidGlassPillButton* m_demoFolder = nullptr;
    LiquidGlassPillButton* m_dryRun = nullptr;
    GlassTextLabel* m_sourcePath = nullptr;
    GlassTextLabel* m_rulesHeading = nullptr;
    LiquidGlassPillButton* m_addRule = nullptr;
    LiquidGlassPillButton* m_resetRules = nullptr;
    QScrollArea* m_rulesScroll = nullptr;
    QVBoxLayout* m_cardsLayout = nullptr;
    QList<SmartRuleCard*> m_cards;
    GlassTextLabel* m_planTitle = nullptr;
    LiquidGlassBadge* m_scannedBadge = nullptr;
    LiquidGlassBadge* m_matchedBadge = nullptr;
    LiquidGlassBadge* m_skippedBadge = nullptr;
    LiquidGlassPillButton* m_undo = nullptr;
    LiquidGlassPillButton* m_redo = nullptr;
    LiquidGlassPillButton* m_execute = nullptr;
    QStackedWidget* m_planBody = nullptr;
    LiquidGlassSurfaceFrame* m_planSurface = nullptr;
    QListView* m_planList = nullptr;
    DryRunPlanModel* m_planModel = nullptr;
    LiquidGlassSurfaceFrame* m_emptyState = nullptr;
    GlassSymbolMark* m_emptySymbol = nullptr;
    GlassTextLabel* m_emptyLabel = nullptr;
    GlassTextLabel* m_recentLabel = nullptr;
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
};

} // namespace mv
