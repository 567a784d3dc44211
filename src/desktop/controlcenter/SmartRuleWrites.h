#pragma once

#include "core/models/SmartRuleModels.h"

#include <QList>
#include <QUuid>

#include <functional>

namespace mv {

class MorvanteelStore;

// The writes of the rules page. Each reads the store's rules at that moment, changes one rule
// (found by id) or the list, and hands the whole list back; none saves.
namespace smartrulewrites {

// Applies `change` to the rule with `ruleID`; false (nothing written) when no rule has it.
bool updateRule(MorvanteelStore& store, const QUuid& ruleID, const std::function<void(SmartRule&)>& change);
// Removes every rule with `ruleID`.
void removeRule(MorvanteelStore& store, const QUuid& ruleID);
// Appends the new custom rule.
void appendNewRule(MorvanteelStore& store);

// The rule "添加规则" makes: ten above the highest priority of `rules` (50 for none), matching
// any of one condition, extension "txt,md", into the subfolder "自定义归档".
SmartRule makeNewRule(const QList<SmartRule>& rules);
// The condition "添加条件" appends: the name contains an empty text, not negated.
RuleCondition makeNewCondition();

} // namespace smartrulewrites

} // namespace mv
