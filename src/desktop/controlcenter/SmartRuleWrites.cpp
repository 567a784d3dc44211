#include "desktop/controlcenter/SmartRuleWrites.h"

#include "core/models/Uuid.h"
#include "core/store/MorvanteelStore.h"

#include <algorithm>
#include <limits>

namespace mv::smartrulewrites {

bool updateRule(MorvanteelStore& store, const QUuid& ruleID, const std::function<void(SmartRule&)>& change)
{
    QList<SmartRule> rules = store.smartRules();
    const auto rule = std::find_if(rules.begin(), rules.end(), [&](const SmartRule& r) { return r.id == ruleID; });
    if (rule == rules.end())
        return false;
    change(*rule);
    store.setSmartRules(std::move(rules));
    return true;
}

void removeRule(MorvanteelStore& store, const QUuid& ruleID)
{
    QList<SmartRule> rules = store.smartRules();
    rules.removeIf([&](const SmartRule& rule) { return rule.id == ruleID; });
    store.setSmartRules(std::move(rules));
}

void appendNewRule(MorvanteelStore& store)
{
    QList<SmartRule> rules = store.smartRules();
    rules.append(makeNewRule(rules));
    store.setSmartRules(std::move(rules));
}

SmartRule makeNewRule(const QList<SmartRule>& rules)
{
    qint64 highest = 50;
    if (!rules.isEmpty()) {
        highest = std::max_element(rules.cbegin(), rules.cend(), [](const SmartRule& a, const SmartRule& b) {
                      return a.priority < b.priority;
                  })->priority;
    }
    SmartRule rule;
    rule.id = newUuid();
    rule.name = QStringLiteral("新自定义规则");
    rule.symbolName = QStringLiteral("wand.and.stars");
    rule.isEnabled = true;
    // An imported priority may be as high as the number goes: the new rule then shares it.
    rule.priority = highest > std::numeric_limits<qint64>::max() - 10 ? highest : highest + 10;
    rule.matchMode = RuleMatchMode::any;
    rule.conditions = {RuleCondition{newUuid(), RuleConditionField::fileExtension, QStringLiteral("txt,md"), false}};
    rule.targetSubfolderName = QStringLiteral("自定义归档");
    return rule;
}

RuleCondition makeNewCondition()
{
    return RuleCondition{newUuid(), RuleConditionField::fileNameContains, QString(), false};
}

} // namespace mv::smartrulewrites
