#pragma once

#include "core/models/SmartRuleModels.h"
#include "design/LiquidGlassSurfaceFrame.h"

#include <QList>
#include <QUuid>

#include <functional>

class QCheckBox;
class QComboBox;
class QSpinBox;
class QVBoxLayout;

namespace mv {

class ComposingLineEdit;
class GlassSymbolMark;
class GlassTextLabel;
class MorvanteelStore;
class PortalPlainButton;
class QuickControlSwitch;

// A fence a rule may send its files to: one whose active tab is a portal.
struct PortalFenceChoice {
    QUuid id;
    QString title;

    bool operator==(const PortalFenceChoice&) const = default;
};

// One condition of a rule card: the field picker, the value, "非" and the remove button.
class SmartRuleConditionRow final : public QWidget {
    Q_OBJECT
public:
    SmartRuleConditionRow(const QUuid& conditionID, QWidget* parent);

    const QUuid& conditionID() const { return m_conditionID; }
    // Shows the stored condition; the user's typing, cursor and composition stay.
    void showCondition(const RuleCondition& condition);
    void setColors(const QColor& secondary);

    QComboBox* fieldPicker() const { return m_field; }
    ComposingLineEdit* valueField() const { return m_value; }
    QCheckBox* negationBox() const { return m_negated; }
    PortalPlainButton* removeButton() const { return m_remove; }

private:
    QUuid m_conditionID;
    QComboBox* m_field;
    ComposingLineEdit* m_value;
    QCheckBox* m_negated;
    PortalPlainButton* m_remove;
};

// The card of one smart rule, bound to the rule by id: it shows the stored rule and each edit
// reads the store's rules at that moment, changes one field of this rule and writes the list
// back. Switches and pickers save at once; text fields write on each keystroke and save when
// editing finishes (Return or leaving the field).
class SmartRuleCard final : public LiquidGlassSurfaceFrame {
    Q_OBJECT
public:
    static inline const QString targetAutomaticTitle = QStringLiteral("自动归入源目录下子目录");
    static inline const QString portalPrefix = QStringLiteral("传送门：");

    SmartRuleCard(MorvanteelStore& store, DesignEnvironment* environment, const QUuid& ruleID,
                  QWidget* parent = nullptr);

    const QUuid& ruleID() const { return m_ruleID; }

    // Shows the stored rule and the portal fences it may target, in place: nothing is made
    // again but the condition rows that came or went.
    void showRule(const SmartRule& rule, const QList<PortalFenceChoice>& portalFences);

    // After a save: the plan is to be rebuilt when `rebuildPlan`.
    std::function<void(bool rebuildPlan)> onRulesSaved;

    QuickControlSwitch* enabledSwitch() const { return m_enabled; }
    ComposingLineEdit* nameField() const { return m_name; }
    QSpinBox* priorityStepper() const { return m_priority; }
    PortalPlainButton* deleteButton() const { return m_delete; }
    QComboBox* matchModePicker() const { return m_matchMode; }
    ComposingLineEdit* subfolderField() const { return m_subfolder; }
    QWidget* targetFenceRow() const { return m_targetRow; }
    QComboBox* targetFencePicker() const { return m_targetFence; }
    PortalPlainButton* addConditionButton() const { return m_addCondition; }
    QList<SmartRuleConditionRow*> conditionRows() const { return m_conditionRows; }

private:
    enum class After { keepInMemory, save, saveAndRebuildPlan };

    void write(const std::function<void(SmartRule&)>& change, After after);
    void writeCondition(const QUuid& conditionID, const std::function<void(RuleCondition&)>& change, After after);
    void saved(After after);
    void showConditions(const QList<RuleCondition>& conditions);
    void showTargets(const SmartRule& rule, const QList<PortalFenceChoice>& portalFences);
    SmartRuleConditionRow* makeConditionRow(const QUuid& conditionID);
    void refreshColors();

    MorvanteelStore& m_store;
    QUuid m_ruleID;
    QuickControlSwitch* m_enabled;
    GlassSymbolMark* m_symbol;
    ComposingLineEdit* m_name;
    QSpinBox* m_priority;
    PortalPlainButton* m_delete;
    QComboBox* m_matchMode;
    GlassTextLabel* m_subfolderLabel;
    ComposingLineEdit* m_subfolder;
    QWidget* m_targetRow;
    GlassTextLabel* m_targetLabel;
    QComboBox* m_targetFence;
    QList<PortalFenceChoice> m_shownTargets;
    QVBoxLayout* m_conditionsLayout;
    QList<SmartRuleConditionRow*> m_conditionRows;
    PortalPlainButton* m_addCondition;
};

} // namespace mv
