#include "desktop/controlcenter/SmartRulesAndDryRunTabView.h"

#include "core/engine/FilePaths.h"
#include "core/engine/SmartRulesEngine.h"
#include "core/models/PlatformWords.h"
#include "core/store/MorvanteelStore.h"
#include "design/DesignEnvironment.h"
#include "design/DesignFonts.h"
#include "design/GlassSymbolMark.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassPillButton.h"
#include "design/LiquidGlassSurfaceFrame.h"
#include "design/LiquidGlassTokens.h"
#include "design/LiquidGlassToolbarGroup.h"
#include "desktop/controlcenter/DryRunPlanListView.h"
#include "desktop/controlcenter/DryRunPlanModel.h"
#include "desktop/controlcenter/KeyedWidgetRows.h"
#include "desktop/controlcenter/SmartRuleWrites.h"

#include <QAction>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace mv {

namespace {

// The standard controls of the cards (fields, pickers, the stepper, "非") in the scheme's
// colours: they draw with the palette, not with the glass.
QPalette controlPalette(QPalette palette, ColorScheme scheme)
{
    const bool dark = scheme == ColorScheme::dark;
    const QColor text = GlassPalette::primaryForeground(scheme);
    const QColor field = dark ? QColor(0x2c, 0x2d, 0x31) : QColor(0xff, 0xff, 0xff);
    const QColor button = dark ? QColor(0x3a, 0x3b, 0x40) : QColor(0xf2, 0xf2, 0xf5);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::Base, field);
        palette.setColor(group, QPalette::AlternateBase, button);
        palette.setColor(group, QPalette::Button, button);
        palette.setColor(group, QPalette::Window, dark ? QColor(0x1e, 0x1f, 0x22) : QColor(0xf4, 0xf4, 0xf6));
        palette.setColor(group, QPalette::PlaceholderText, GlassPalette::secondaryForeground(scheme));
        palette.setColor(group, QPalette::Highlight, swiftUIColor(FenceTintPalette::cerulean));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::Light, dark ? QColor(0x55, 0x56, 0x5c) : QColor(0xff, 0xff, 0xff));
        palette.setColor(group, QPalette::Mid, dark ? QColor(0x4a, 0x4b, 0x50) : QColor(0xc8, 0xc8, 0xcc));
        palette.setColor(group, QPalette::Dark, dark ? QColor(0x18, 0x18, 0x1a) : QColor(0xa0, 0xa0, 0xa6));
    }
    palette.setColor(QPalette::Disabled, QPalette::Text, GlassPalette::secondaryForeground(scheme));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, GlassPalette::secondaryForeground(scheme));
    return palette;
}

} // namespace

QString SmartRulesAndDryRunTabView::pageSubtitle()
{
    return withPlatformWords(
        QStringLiteral("仅扫描用户明确选择的目录（默认安全演示目录），先预览移动清单再执行，支持一键 ⌘Z 撤销。"));
}

QString SmartRulesAndDryRunTabView::rulesHeading(qsizetype count)
{
    return QStringLiteral("整理规则 (%1)").arg(count);
}

QString SmartRulesAndDryRunTabView::undoTitle(qsizetype count)
{
    return QStringLiteral("撤销 (%1)").arg(count);
}

QString SmartRulesAndDryRunTabView::redoTitle(qsizetype count)
{
    return QStringLiteral("重做 (%1)").arg(count);
}

QString SmartRulesAndDryRunTabView::recentOperationText(const QString& label)
{
    return QStringLiteral("最近操作：") + label + QStringLiteral("（可点击上方“撤销”还原）");
}

SmartRulesAndDryRunTabView::SmartRulesAndDryRunTabView(MorvanteelStore& store, DesignEnvironment* environment,
                                                       ControlCenterFileDialogs fileDialogs, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_environment(environment)
    , m_fileDialogs(std::move(fileDialogs))
{
    setObjectName(QStringLiteral("smartRulesPage"));
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(22, 22, 22, 22);
    page->setSpacing(14);
    page->addWidget(buildHeader());
    auto* columns = new QHBoxLayout();
    columns->setSpacing(16);
    columns->addWidget(buildRulesColumn());
    columns->addWidget(buildPlanColumn(), 1);
    page->addLayout(columns, 1);

    // The fences' Ctrl+Z and Ctrl+Shift+Z, here too, with the store's status texts. A text
    // field being edited keeps its own undo: it takes these keys before any shortcut.
    m_undoAction = new QAction(QStringLiteral("撤销"), this);
    m_undoAction->setObjectName(QStringLiteral("undoFileMoveAction"));
    m_undoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_undoAction->setShortcutContext(Qt::WindowShortcut);
    connect(m_undoAction, &QAction::triggered, this, &SmartRulesAndDryRunTabView::undo);
    addAction(m_undoAction);
    m_redoAction = new QAction(QStringLiteral("重做"), this);
    m_redoAction->setObjectName(QStringLiteral("redoFileMoveAction"));
    m_redoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    m_redoAction->setShortcutContext(Qt::WindowShortcut);
    connect(m_redoAction, &QAction::triggered, this, &SmartRulesAndDryRunTabView::redo);
    addAction(m_redoAction);

    connect(&m_store, &MorvanteelStore::smartRulesChanged, this, &SmartRulesAndDryRunTabView::refreshRules);
    connect(&m_store, &MorvanteelStore::fencesChanged, this, &SmartRulesAndDryRunTabView::refreshRules);
    connect(&m_store, &MorvanteelStore::undoStackChanged, this, &SmartRulesAndDryRunTabView::refreshHistory);
    connect(&m_store, &MorvanteelStore::redoStackChanged, this, &SmartRulesAndDryRunTabView::refreshHistory);
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, &SmartRulesAndDryRunTabView::refreshColors);

    refreshColors();
    refreshSource();
    refreshRules();
    refreshHistory();
    // The page opens with the plan of the demo folder.
    refreshDryRun();
}

SmartRulesAndDryRunTabView::~SmartRulesAndDryRunTabView()
{
    // A field being edited finishes now, while the page is whole: its text is saved. After
    // that nothing may reach this page: closing the window moves the focus once more.
    if (QWidget* focus = focusWidget())
        focus->clearFocus();
    m_store.disconnect(this);
    for (SmartRuleCard* card : std::as_const(m_cards))
        card->onRulesSaved = nullptr;
}

LiquidGlassPillButton* SmartRulesAndDryRunTabView::makePill(const QString& title, const std::optional<QString>& symbol,
                                                            FenceTintPalette tint, bool prominent, QWidget* parent)
{
    auto* button = new LiquidGlassPillButton(m_environment, title, symbol, tint, parent);
    button->setCompact(true);
    button->setProminent(prominent);
    return button;
}

QWidget* SmartRulesAndDryRunTabView::buildHeader()
{
    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("rulesHeader"));
    auto* rows = new QVBoxLayout(header);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(8);

    auto* first = new QHBoxLayout();
    auto* titles = new QVBoxLayout();
    titles->setSpacing(2);
    m_title = makeGlassTextLabel(pageTitle, designFont(21, QFont::Bold), header);
    m_subtitle = makeGlassTextLabel(pageSubtitle(), designFont(12), header);
    titles->addWidget(m_title);
    titles->addWidget(m_subtitle);
    first->addLayout(titles, 1);
    auto* toolbar = new LiquidGlassToolbarGroup(8, header);
    m_chooseFolder = makePill(chooseFolderTitle, QStringLiteral("folder.badge.gearshape"), FenceTintPalette::crystal,
                              false, toolbar);
    m_chooseFolder->setObjectName(QStringLiteral("chooseFolderButton"));
    m_chooseFolder->action = [this] { chooseFolder(); };
    m_demoFolder = makePill(demoFolderTitle, QStringLiteral("sparkles"), FenceTintPalette::crystal, false, toolbar);
    m_demoFolder->setObjectName(QStringLiteral("demoFolderButton"));
    m_demoFolder->action = [this] { useDemoFolder(); };
    m_dryRun = makePill(dryRunTitle, QStringLiteral("play.circle"), FenceTintPalette::cerulean, true, toolbar);
    m_dryRun->setObjectName(QStringLiteral("dryRunButton"));
    m_dryRun->action = [this] { refreshDryRun(); };
    for (QWidget* button : {static_cast<QWidget*>(m_chooseFolder), static_cast<QWidget*>(m_demoFolder),
                            static_cast<QWidget*>(m_dryRun)})
        toolbar->addWidget(button);
    first->addWidget(toolbar, 0, Qt::AlignVCenter);
    rows->addLayout(first);

    auto* second = new QHBoxLayout();
    second->setSpacing(8);
    second->addWidget(new LiquidGlassBadge(m_environment, sourceBadgeText, FenceTintPalette::cerulean,
                                           QStringLiteral("folder.fill"), header));
    m_sourcePath = makeGlassTextLabel(QString(), designMonospacedFont(11.5), header);
    m_sourcePath->setObjectName(QStringLiteral("sourcePath"));
    m_sourcePath->setElideMode(Qt::ElideMiddle);
    m_sourcePath->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    second->addWidget(m_sourcePath, 1);
    rows->addLayout(second);
    return header;
}

QWidget* SmartRulesAndDryRunTabView::buildRulesColumn()
{
    auto* column = new QWidget(this);
    column->setObjectName(QStringLiteral("rulesColumn"));
    column->setMinimumWidth(370);
    column->setMaximumWidth(440);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);

    auto* heading = new QHBoxLayout();
    m_rulesHeading = makeGlassTextLabel(QString(), designFont(14.5, QFont::DemiBold), column);
    m_rulesHeading->setObjectName(QStringLiteral("rulesHeading"));
    heading->addWidget(m_rulesHeading, 1);
    m_addRule = makePill(addRuleTitle, QStringLiteral("plus"), FenceTintPalette::crystal, false, column);
    m_addRule->setObjectName(QStringLiteral("addRuleButton"));
    m_addRule->action = [this] { addRule(); };
    heading->addWidget(m_addRule);
    m_resetRules = makePill(resetRulesTitle, std::nullopt, FenceTintPalette::crystal, false, column);
    m_resetRules->setObjectName(QStringLiteral("resetRulesButton"));
    m_resetRules->action = [this] { resetRules(); };
    heading->addWidget(m_resetRules);
    layout->addLayout(heading);

    m_rulesScroll = new QScrollArea(column);
    m_rulesScroll->setObjectName(QStringLiteral("rulesScroll"));
    m_rulesScroll->setFrameShape(QFrame::NoFrame);
    m_rulesScroll->setWidgetResizable(true);
    m_rulesScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_rulesScroll->viewport()->setAutoFillBackground(false);
    auto* cards = new QWidget(m_rulesScroll);
    cards->setObjectName(QStringLiteral("ruleCards"));
    m_cardsLayout = new QVBoxLayout(cards);
    m_cardsLayout->setContentsMargins(0, 2, 0, 2);
    m_cardsLayout->setSpacing(10);
    m_cardsLayout->addStretch(1);
    m_rulesScroll->setWidget(cards);
    // The scroll area fills its content by default; the backdrop shows through here too.
    cards->setAutoFillBackground(false);
    layout->addWidget(m_rulesScroll, 1);
    return column;
}

QWidget* SmartRulesAndDryRunTabView::buildPlanColumn()
{
    auto* column = new QWidget(this);
    column->setObjectName(QStringLiteral("planColumn"));
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);

    auto* heading = new QHBoxLayout();
    heading->setSpacing(8);
    m_planTitle = makeGlassTextLabel(planTitle, designFont(14.5, QFont::DemiBold), column);
    m_planTitle->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    heading->addWidget(m_planTitle);
    m_scannedBadge = new LiquidGlassBadge(m_environment, QString(), FenceTintPalette::crystal, std::nullopt, column);
    m_scannedBadge->setObjectName(QStringLiteral("scannedBadge"));
    m_matchedBadge = new LiquidGlassBadge(m_environment, QString(), FenceTintPalette::mint, std::nullopt, column);
    m_matchedBadge->setObjectName(QStringLiteral("matchedBadge"));
    m_skippedBadge = new LiquidGlassBadge(m_environment, QString(), FenceTintPalette::graphite, std::nullopt, column);
    m_skippedBadge->setObjectName(QStringLiteral("skippedBadge"));
    for (LiquidGlassBadge* badge : {m_scannedBadge, m_matchedBadge, m_skippedBadge}) {
        badge->hide();
        heading->addWidget(badge);
    }
    heading->addStretch(1);
    m_undo = makePill(undoTitle(0), QStringLiteral("arrow.uturn.backward"), FenceTintPalette::crystal, false, column);
    m_undo->setObjectName(QStringLiteral("undoButton"));
    m_undo->action = [this] { undo(); };
    m_redo = makePill(redoTitle(0), QStringLiteral("arrow.uturn.forward"), FenceTintPalette::crystal, false, column);
    m_redo->setObjectName(QStringLiteral("redoButton"));
    m_redo->action = [this] { redo(); };
    m_execute = makePill(executeTitle, QStringLiteral("checkmark.seal.fill"), FenceTintPalette::mint, true, column);
    m_execute->setObjectName(QStringLiteral("executeButton"));
    m_execute->action = [this] { execute(); };
    for (LiquidGlassPillButton* button : {m_undo, m_redo, m_execute})
        heading->addWidget(button);
    layout->addLayout(heading);

    m_planBody = new QStackedWidget(column);
    m_planSurface = new LiquidGlassSurfaceFrame(m_environment, m_planBody);
    m_planSurface->setObjectName(QStringLiteral("planSurface"));
    m_planSurface->setModifier(liquidGlassSurface(FenceTintPalette::mint, 18, 0.7, false, false, false));
    auto* surfaceLayout = new QVBoxLayout(m_planSurface);
    surfaceLayout->setContentsMargins(10, 10, 10, 10);
    m_planModel = new DryRunPlanModel(this);
    m_planList = new DryRunPlanListView(m_environment, m_planSurface);
    m_planList->setModel(m_planModel);
    surfaceLayout->addWidget(m_planList);
    m_planBody->addWidget(m_planSurface);

    m_emptyState = new LiquidGlassSurfaceFrame(m_environment, m_planBody);
    m_emptyState->setObjectName(QStringLiteral("emptyPlan"));
    m_emptyState->setModifier(liquidGlassSurface(FenceTintPalette::crystal, 18, 0.65, false, false, false));
    auto* empty = new QVBoxLayout(m_emptyState);
    empty->setContentsMargins(16, 16, 16, 16);
    empty->setSpacing(10);
    empty->addStretch(1);
    m_emptySymbol = new GlassSymbolMark(QStringLiteral("checkmark.circle.badge.questionmark"), 32, m_emptyState);
    empty->addWidget(m_emptySymbol, 0, Qt::AlignHCenter);
    m_emptyLabel = makeGlassTextLabel(emptyPlanText, designFont(13.5, QFont::Medium), m_emptyState);
    m_emptyLabel->setObjectName(QStringLiteral("emptyPlanText"));
    m_emptyLabel->setAlignment(Qt::AlignCenter);
    empty->addWidget(m_emptyLabel);
    m_recentLabel = makeGlassTextLabel(QString(), designFont(11.5), m_emptyState);
    m_recentLabel->setObjectName(QStringLiteral("recentOperation"));
    m_recentLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_recentLabel->setMaximumLines(2);
    m_recentLabel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    empty->addWidget(m_recentLabel);
    empty->addStretch(1);
    m_planBody->addWidget(m_emptyState);
    m_planBody->setCurrentWidget(m_emptyState);
    layout->addWidget(m_planBody, 1);
    return column;
}

QString SmartRulesAndDryRunTabView::effectiveSourceDirectory() const
{
    return m_selectedSourceDirectory.value_or(m_store.demoRootPath());
}

SmartRuleCard* SmartRulesAndDryRunTabView::cardFor(const QUuid& ruleID) const
{
    const auto card = std::find_if(m_cards.cbegin(), m_cards.cend(),
                                   [&](const SmartRuleCard* c) { return c->ruleID() == ruleID; });
    return card != m_cards.cend() ? *card : nullptr;
}

// -- actions ----------------------------------------------------------------------------------

void SmartRulesAndDryRunTabView::refreshDryRun()
{
    m_plan = m_store.buildSmartTidyDryRun(effectiveSourceDirectory());
    refreshPlan();
}

void SmartRulesAndDryRunTabView::chooseFolder()
{
    if (!m_fileDialogs.chooseFolder)
        return;
    const std::optional<QString> chosen = m_fileDialogs.chooseFolder(this, chooseFolderTitle, effectiveSourceDirectory());
    // A cancel changes nothing; a path that is not absolute names no folder here.
    const std::optional<QString> folder = chosen ? filepaths::standardizedPath(*chosen) : std::nullopt;
    if (!folder)
        return;
    m_selectedSourceDirectory = *folder;
    refreshSource();
    refreshDryRun();
}

void SmartRulesAndDryRunTabView::useDemoFolder()
{
    m_selectedSourceDirectory = m_store.demoRootPath();
    refreshSource();
    refreshDryRun();
}

void SmartRulesAndDryRunTabView::addRule()
{
    smartrulewrites::appendNewRule(m_store);
    m_store.save();
    refreshDryRun();
}

void SmartRulesAndDryRunTabView::resetRules()
{
    m_store.setSmartRules(SmartRulesEngine::defaultRules(std::nullopt, std::nullopt, std::nullopt,
                                                         QUrl::fromLocalFile(m_store.demoRootPath())));
    m_store.save();
    refreshDryRun();
}

void SmartRulesAndDryRunTabView::execute()
{
    if (!m_plan)
        return;
    // The result shows as the store's status; the plan is built again either way.
    const DryRunMovePlan plan = *m_plan;
    static_cast<void>(m_store.executeSmartTidyPlan(plan));
    refreshDryRun();
}

void SmartRulesAndDryRunTabView::undo()
{
    static_cast<void>(m_store.undoLastFileOperation());
    refreshDryRun();
}

void SmartRulesAndDryRunTabView::redo()
{
    static_cast<void>(m_store.redoLastFileOperation());
    refreshDryRun();
}

// -- in-place updates -------------------------------------------------------------------------

QList<PortalFenceChoice> SmartRulesAndDryRunTabView::portalFences() const
{
    QList<PortalFenceChoice> choices;
    for (const FenceModel& fence : m_store.fences()) {
        const FenceTab* tab = fence.activeTab();
        if (tab && tab->kind == FenceKind::portal)
            choices.append({fence.id, fence.title});
    }
    return choices;
}

SmartRuleCard* SmartRulesAndDryRunTabView::makeCard(const QUuid& ruleID)
{
    auto* card = new SmartRuleCard(m_store, m_environment, ruleID, m_cardsLayout->parentWidget());
    card->onRulesSaved = [this](bool rebuildPlan) {
        if (rebuildPlan)
            refreshDryRun();
    };
    return card;
}

void SmartRulesAndDryRunTabView::refreshRules()
{
    const QList<SmartRule>& rules = m_store.smartRules();
    m_rulesHeading->setText(rulesHeading(rules.size()));
    const QList<PortalFenceChoice> targets = portalFences();

    showKeyedRows(
        m_cards, rules, m_cardsLayout, [](const SmartRuleCard* card) { return card->ruleID(); },
        [this](const SmartRule& rule) { return makeCard(rule.id); },
        [&targets](SmartRuleCard* card, const SmartRule& rule) { card->showRule(rule, targets); });
}

void SmartRulesAndDryRunTabView::refreshPlan()
{
    const bool hasPlan = m_plan.has_value();
    for (LiquidGlassBadge* badge : {m_scannedBadge, m_matchedBadge, m_skippedBadge})
        badge->setVisible(hasPlan);
    if (hasPlan) {
        m_scannedBadge->setText(QStringLiteral("扫描 %1").arg(m_plan->scannedCount));
        m_matchedBadge->setText(QStringLiteral("拟移动 %1").arg(m_plan->matchedMoves.size()));
        m_skippedBadge->setText(QStringLiteral("跳过 %1").arg(m_plan->skippedCount));
    }
    const bool hasMoves = hasPlan && !m_plan->matchedMoves.isEmpty();
    m_execute->setDisabled(!hasMoves);
    m_planModel->setMoves(hasPlan ? m_plan->matchedMoves : QList<DryRunMoveItem>());
    m_planBody->setCurrentWidget(hasMoves ? static_cast<QWidget*>(m_planSurface) : m_emptyState);
}

void SmartRulesAndDryRunTabView::refreshHistory()
{
    const QList<UndoTransaction>& undoStack = m_store.undoStack();
    const QList<UndoTransaction>& redoStack = m_store.redoStack();
    m_undo->setTitle(undoTitle(undoStack.size()));
    m_undo->setDisabled(undoStack.isEmpty());
    m_redo->setTitle(redoTitle(redoStack.size()));
    m_redo->setDisabled(redoStack.isEmpty());
    m_recentLabel->setText(undoStack.isEmpty() ? QString() : recentOperationText(undoStack.last().label));
    m_recentLabel->setVisible(!undoStack.isEmpty());
}

void SmartRulesAndDryRunTabView::refreshSource()
{
    const QString path = effectiveSourceDirectory();
    m_sourcePath->setText(path);
    m_sourcePath->setToolTip(path);
}

void SmartRulesAndDryRunTabView::refreshColors()
{
    const ColorScheme scheme = environmentOrDefault(m_environment).colorScheme();
    const QColor primary = GlassPalette::primaryForeground(scheme);
    const QColor secondary = GlassPalette::secondaryForeground(scheme);
    for (GlassTextLabel* label : {m_title, m_rulesHeading, m_planTitle})
        label->setColor(primary);
    for (GlassTextLabel* label : {m_subtitle, m_sourcePath, m_emptyLabel, m_recentLabel})
        label->setColor(secondary);
    m_emptySymbol->setColor(secondary);
    setPalette(controlPalette(palette(), scheme));
    update();
}

} // namespace mv
