#include "desktop/controlcenter/SmartRuleCard.h"

#include "core/models/EnumTraits.h"
#include "core/store/MorvanteelStore.h"
#include "design/ComposingLineEdit.h"
#include "design/DesignFonts.h"
#include "design/GlassSymbolMark.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassTokens.h"
#include "desktop/content/PortalPlainButton.h"
#include "desktop/controlcenter/EnumPicker.h"
#include "desktop/controlcenter/KeyedWidgetRows.h"
#include "desktop/controlcenter/QuickControlSwitch.h"
#include "desktop/controlcenter/SmartRuleWrites.h"

#include <QCheckBox>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace mv {

namespace {

constexpr int priorityMinimum = 1;
constexpr int priorityMaximum = 999;
constexpr int priorityStep = 5;

// Wheel turns over a picker or the stepper that the user did not click into scroll the list of
// cards instead: passing the pointer over a card while scrolling must not change its rule.
class WheelGuard final : public QObject {
public:
    using QObject::QObject;

    static void install(QWidget* control)
    {
        static WheelGuard* guard = nullptr;
        if (!guard)
            guard = new WheelGuard(qApp);
        control->setFocusPolicy(Qt::StrongFocus);
        control->installEventFilter(guard);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Wheel || static_cast<QWidget*>(watched)->hasFocus())
            return false;
        // Ignored and filtered: the event goes on to the parents, up to the scroll area.
        event->ignore();
        return true;
    }
};

ColorScheme schemeOf(const LiquidGlassSurfaceFrame* frame)
{
    return environmentOrDefault(frame->environment()).colorScheme();
}

// A picker at the small control size: the list shows every row, the text follows the font.
QComboBox* makePicker(QWidget* parent)
{
    auto* picker = new QComboBox(parent);
    WheelGuard::install(picker);
    picker->setFont(designFont(11));
    picker->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return picker;
}

// A rounded-border text field at the small control size.
ComposingLineEdit* makeSmallField(const QString& placeholder, QWidget* parent)
{
    auto* field = new ComposingLineEdit(parent);
    field->setPlaceholderText(placeholder);
    field->setAccessibleName(placeholder);
    field->setFont(designFont(11));
    return field;
}

// A store value shown in a picker is no choice of the user's to write back.
template<ModelEnum E>
void showCase(QComboBox* picker, E value)
{
    const QSignalBlocker blocker(picker);
    enumpicker::select(*picker, value);
}

} // namespace

SmartRuleConditionRow::SmartRuleConditionRow(const QUuid& conditionID, QWidget* parent)
    : QWidget(parent)
    , m_conditionID(conditionID)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(5);
    m_field = makePicker(this);
    m_field->setObjectName(QStringLiteral("conditionField"));
    m_field->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_field->setFixedWidth(126);
    enumpicker::fill<RuleConditionField>(*m_field);
    row->addWidget(m_field);
    m_value = makeSmallField(QStringLiteral("匹配值"), this);
    m_value->setObjectName(QStringLiteral("conditionValue"));
    row->addWidget(m_value, 1);
    m_negated = new QCheckBox(QStringLiteral("非"), this);
    m_negated->setObjectName(QStringLiteral("conditionNegated"));
    m_negated->setFont(designFont(11));
    row->addWidget(m_negated);
    m_remove = new PortalPlainButton(this);
    m_remove->setObjectName(QStringLiteral("removeCondition"));
    m_remove->setAccessibleName(QStringLiteral("删除条件"));
    row->addWidget(m_remove);
}

void SmartRuleConditionRow::showCondition(const RuleCondition& condition)
{
    showCase(m_field, condition.field);
    m_value->setStoredText(condition.value);
    if (m_negated->isChecked() != condition.negated) {
        const QSignalBlocker blocker(m_negated);
        m_negated->setChecked(condition.negated);
    }
}

void SmartRuleConditionRow::setColors(const QColor& secondary)
{
    m_remove->setSymbol(QStringLiteral("minus.circle"), 12, secondary);
}

SmartRuleCard::SmartRuleCard(MorvanteelStore& store, DesignEnvironment* environment, const QUuid& ruleID,
                             QWidget* parent)
    : LiquidGlassSurfaceFrame(environment, parent)
    , m_store(store)
    , m_ruleID(ruleID)
{
    setObjectName(QStringLiteral("ruleCard"));
    setModifier(liquidGlassSurface(FenceTintPalette::crystal, 16, 0.72, false, false, false));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(8);

    // Top row: enabled, symbol, name, priority, delete.
    auto* top = new QHBoxLayout();
    top->setSpacing(8);
    m_enabled = new QuickControlSwitch(environment, QString(), this);
    m_enabled->setObjectName(QStringLiteral("ruleEnabled"));
    m_enabled->setAccessibleName(QStringLiteral("启用规则"));
    m_enabled->setFixedWidth(QuickControlSwitch::trackSize.width() + 2);
    top->addWidget(m_enabled);
    m_symbol = new GlassSymbolMark(QString(), 13, this);
    top->addWidget(m_symbol);
    m_name = new ComposingLineEdit(this);
    m_name->setObjectName(QStringLiteral("ruleName"));
    m_name->setPlaceholderText(QStringLiteral("规则名称"));
    m_name->setAccessibleName(QStringLiteral("规则名称"));
    m_name->setFrame(false);
    m_name->setFont(designFont(13, QFont::DemiBold));
    // Plain style: the name stands on the card's glass.
    QPalette plain = m_name->palette();
    plain.setColor(QPalette::Base, Qt::transparent);
    m_name->setPalette(plain);
    top->addWidget(m_name, 1);
    m_priority = new QSpinBox(this);
    m_priority->setObjectName(QStringLiteral("rulePriority"));
    m_priority->setAccessibleName(QStringLiteral("优先级"));
    m_priority->setPrefix(QStringLiteral("P"));
    m_priority->setRange(priorityMinimum, priorityMaximum);
    m_priority->setSingleStep(priorityStep);
    // Typed digits are one change, when editing finishes, not one per digit.
    m_priority->setKeyboardTracking(false);
    WheelGuard::install(m_priority);
    m_priority->setFont(designMonospacedFont(10.5));
    top->addWidget(m_priority);
    m_delete = new PortalPlainButton(this);
    m_delete->setObjectName(QStringLiteral("deleteRule"));
    m_delete->setAccessibleName(QStringLiteral("删除规则"));
    top->addWidget(m_delete);
    column->addLayout(top);

    // Match row: mode, subfolder.
    auto* match = new QHBoxLayout();
    match->setSpacing(8);
    m_matchMode = makePicker(this);
    m_matchMode->setObjectName(QStringLiteral("matchMode"));
    m_matchMode->setAccessibleName(QStringLiteral("匹配"));
    enumpicker::fill<RuleMatchMode>(*m_matchMode);
    match->addWidget(m_matchMode);
    m_subfolderLabel = makeGlassTextLabel(QStringLiteral("子目录:"), designFont(11), this);
    m_subfolderLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    match->addWidget(m_subfolderLabel);
    m_subfolder = makeSmallField(QStringLiteral("子目录名"), this);
    m_subfolder->setObjectName(QStringLiteral("subfolderName"));
    match->addWidget(m_subfolder, 1);
    column->addLayout(match);

    // Target fence, only while some fence has an active portal tab.
    m_targetRow = new QWidget(this);
    auto* target = new QHBoxLayout(m_targetRow);
    target->setContentsMargins(0, 0, 0, 0);
    target->setSpacing(8);
    m_targetLabel = makeGlassTextLabel(QStringLiteral("目标围栏"), designFont(11), m_targetRow);
    m_targetLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    target->addWidget(m_targetLabel);
    m_targetFence = makePicker(m_targetRow);
    m_targetFence->setObjectName(QStringLiteral("targetFence"));
    m_targetFence->setAccessibleName(QStringLiteral("目标围栏"));
    m_targetFence->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_targetFence->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    target->addWidget(m_targetFence, 1);
    m_targetRow->hide();
    column->addWidget(m_targetRow);

    // Conditions, then the button that adds one.
    m_conditionsLayout = new QVBoxLayout();
    m_conditionsLayout->setSpacing(5);
    column->addLayout(m_conditionsLayout);
    m_addCondition = new PortalPlainButton(this);
    m_addCondition->setObjectName(QStringLiteral("addCondition"));
    column->addWidget(m_addCondition, 0, Qt::AlignLeft);

    // Only the user's own changes are written: the store's values are shown under blockers,
    // and pickers report `activated`, which setting an index does not send.
    connect(m_enabled, &QAbstractButton::clicked, this, [this](bool on) {
        write([on](SmartRule& rule) { rule.isEnabled = on; }, After::saveAndRebuildPlan);
    });
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString& text) {
        write([text](SmartRule& rule) { rule.name = text; }, After::keepInMemory);
    });
    connect(m_name, &QLineEdit::editingFinished, this, [this] { write({}, After::saveAndRebuildPlan); });
    connect(m_priority, &QSpinBox::valueChanged, this, [this](int value) {
        write([value](SmartRule& rule) { rule.priority = value; }, After::saveAndRebuildPlan);
    });
    connect(m_delete, &QAbstractButton::clicked, this, [this] {
        // The card goes with its rule (later: this is its own handler); the callback is copied
        // before the store's signal reaches the page.
        const std::function<void(bool)> notify = onRulesSaved;
        smartrulewrites::removeRule(m_store, m_ruleID);
        m_store.save();
        if (notify)
            notify(true);
    });
    connect(m_matchMode, &QComboBox::activated, this, [this](int row) {
        const QList<RuleMatchMode> modes = allCases<RuleMatchMode>();
        if (row < 0 || row >= modes.size())
            return;
        const RuleMatchMode mode = modes.at(row);
        write([mode](SmartRule& rule) { rule.matchMode = mode; }, After::saveAndRebuildPlan);
    });
    connect(m_subfolder, &QLineEdit::textEdited, this, [this](const QString& text) {
        write([text](SmartRule& rule) { rule.targetSubfolderName = text; }, After::keepInMemory);
    });
    connect(m_subfolder, &QLineEdit::editingFinished, this, [this] { write({}, After::saveAndRebuildPlan); });
    connect(m_targetFence, &QComboBox::activated, this, [this](int row) {
        const QVariant data = m_targetFence->itemData(row);
        const std::optional<QUuid> target = data.isValid() ? std::optional(data.toUuid()) : std::nullopt;
        write([target](SmartRule& rule) { rule.targetFenceID = target; }, After::saveAndRebuildPlan);
    });
    connect(m_addCondition, &QAbstractButton::clicked, this, [this] {
        write([](SmartRule& rule) { rule.conditions.append(smartrulewrites::makeNewCondition()); }, After::save);
    });

    if (environment)
        connect(environment, &DesignEnvironment::changed, this, &SmartRuleCard::refreshColors);
    refreshColors();
}

void SmartRuleCard::write(const std::function<void(SmartRule&)>& change, After after)
{
    const bool found = smartrulewrites::updateRule(m_store, m_ruleID, [&](SmartRule& rule) {
        if (change)
            change(rule);
    });
    // A field left after its rule was deleted has nothing to save.
    if (found)
        saved(after);
}

void SmartRuleCard::writeCondition(const QUuid& conditionID, const std::function<void(RuleCondition&)>& change,
                                   After after)
{
    bool found = false;
    smartrulewrites::updateRule(m_store, m_ruleID, [&](SmartRule& rule) {
        for (RuleCondition& condition : rule.conditions) {
            if (condition.id == conditionID) {
                change(condition);
                found = true;
            }
        }
    });
    if (found)
        saved(after);
}

void SmartRuleCard::saved(After after)
{
    if (after == After::keepInMemory)
        return;
    // The callback may outlive this card's handler: copy it before the save publishes.
    const std::function<void(bool)> notify = onRulesSaved;
    m_store.save();
    if (notify)
        notify(after == After::saveAndRebuildPlan);
}

void SmartRuleCard::showRule(const SmartRule& rule, const QList<PortalFenceChoice>& portalFences)
{
    if (m_enabled->isChecked() != rule.isEnabled) {
        const QSignalBlocker blocker(m_enabled);
        m_enabled->setChecked(rule.isEnabled);
    }
    m_symbol->setSymbolName(rule.symbolName);
    m_name->setStoredText(rule.name);
    // An imported priority outside the stepper's range is shown at its nearest end, and stays
    // stored as it is until the user steps.
    const int shownPriority = int(std::clamp<qint64>(rule.priority, priorityMinimum, priorityMaximum));
    if (m_priority->value() != shownPriority) {
        const QSignalBlocker blocker(m_priority);
        m_priority->setValue(shownPriority);
    }
    showCase(m_matchMode, rule.matchMode);
    m_subfolder->setStoredText(rule.targetSubfolderName);
    showTargets(rule, portalFences);
    showConditions(rule.conditions);
}

void SmartRuleCard::showTargets(const SmartRule& rule, const QList<PortalFenceChoice>& portalFences)
{
    m_targetRow->setVisible(!portalFences.isEmpty());
    const QSignalBlocker blocker(m_targetFence);
    if (m_shownTargets != portalFences || m_targetFence->count() == 0) {
        m_targetFence->clear();
        m_targetFence->addItem(targetAutomaticTitle, QVariant());
        for (const PortalFenceChoice& fence : portalFences)
            m_targetFence->addItem(portalPrefix + fence.title, fence.id);
        m_shownTargets = portalFences;
    }
    // A target that is no portal fence now selects no row; it stays stored until a row is picked.
    int row = 0;
    if (rule.targetFenceID) {
        row = -1;
        for (int i = 1; i < m_targetFence->count(); ++i) {
            if (m_targetFence->itemData(i).toUuid() == *rule.targetFenceID)
                row = i;
        }
    }
    if (m_targetFence->currentIndex() != row)
        m_targetFence->setCurrentIndex(row);
}

void SmartRuleCard::showConditions(const QList<RuleCondition>& conditions)
{
    showKeyedRows(
        m_conditionRows, conditions, m_conditionsLayout, [](const SmartRuleConditionRow* row) { return row->conditionID(); },
        [this](const RuleCondition& condition) { return makeConditionRow(condition.id); },
        [](SmartRuleConditionRow* row, const RuleCondition& condition) { row->showCondition(condition); });
}

SmartRuleConditionRow* SmartRuleCard::makeConditionRow(const QUuid& conditionID)
{
    auto* row = new SmartRuleConditionRow(conditionID, this);
    row->setColors(GlassPalette::secondaryForeground(schemeOf(this)));
    connect(row->fieldPicker(), &QComboBox::activated, this, [this, conditionID](int index) {
        const QList<RuleConditionField> fields = allCases<RuleConditionField>();
        if (index < 0 || index >= fields.size())
            return;
        const RuleConditionField field = fields.at(index);
        writeCondition(conditionID, [field](RuleCondition& condition) { condition.field = field; },
                       After::saveAndRebuildPlan);
    });
    connect(row->valueField(), &QLineEdit::textEdited, this, [this, conditionID](const QString& text) {
        writeCondition(conditionID, [text](RuleCondition& condition) { condition.value = text; }, After::keepInMemory);
    });
    connect(row->valueField(), &QLineEdit::editingFinished, this, [this, conditionID] {
        writeCondition(conditionID, [](RuleCondition&) {}, After::saveAndRebuildPlan);
    });
    connect(row->negationBox(), &QAbstractButton::clicked, this, [this, conditionID](bool negated) {
        writeCondition(conditionID, [negated](RuleCondition& condition) { condition.negated = negated; },
                       After::saveAndRebuildPlan);
    });
    connect(row->removeButton(), &QAbstractButton::clicked, this, [this, conditionID] {
        write([conditionID](SmartRule& rule) {
            rule.conditions.removeIf([&](const RuleCondition& condition) { return condition.id == conditionID; });
        }, After::saveAndRebuildPlan);
    });
    return row;
}

void SmartRuleCard::refreshColors()
{
    const ColorScheme scheme = schemeOf(this);
    const QColor secondary = GlassPalette::secondaryForeground(scheme);
    const QColor blue = GlassPalette::systemBlue(scheme);
    m_symbol->setColor(blue);
    m_delete->setSymbol(QStringLiteral("trash"), 11, secondary);
    m_subfolderLabel->setColor(secondary);
    m_targetLabel->setColor(GlassPalette::primaryForeground(scheme));
    m_addCondition->setSymbol(QStringLiteral("plus.circle"), 11, blue);
    m_addCondition->setLabel(QStringLiteral("添加条件"), designFont(11, QFont::Medium), blue);
    for (SmartRuleConditionRow* row : std::as_const(m_conditionRows))
        row->setColors(secondary);
}

} // namespace mv
