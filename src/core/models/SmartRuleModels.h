#pragma once

#include "core/models/EnumTraits.h"
#include "core/models/Record.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

namespace mv {

// What a rule condition tests; the stored text of each case is its name.
enum class RuleConditionField {
    fileExtension,
    utTypeConforms,
    fileNameContains,
    fileNameRegex,
    fileNamePrefix,
    isDirectory,
    sizeGreaterThanMB,
    olderThanDays,
};

// How a rule combines its conditions.
enum class RuleMatchMode { all, any };

template<>
struct EnumInfo<RuleConditionField> {
    static constexpr const char* noun = "a condition field";
    static constexpr std::array<EnumCase<RuleConditionField>, 8> cases{{
        {RuleConditionField::fileExtension, "fileExtension", "扩展名属于"},
        {RuleConditionField::utTypeConforms, "utTypeConforms", "文件类型 (UTType)"},
        {RuleConditionField::fileNameContains, "fileNameContains", "名称包含"},
        {RuleConditionField::fileNameRegex, "fileNameRegex", "正则匹配"},
        {RuleConditionField::fileNamePrefix, "fileNamePrefix", "名称前缀"},
        {RuleConditionField::isDirectory, "isDirectory", "是否为文件夹"},
        {RuleConditionField::sizeGreaterThanMB, "sizeGreaterThanMB", "体积大于 (MB)"},
        {RuleConditionField::olderThanDays, "olderThanDays", "超过天数 (天)"},
    }};
    static_assert(casesInDeclarationOrder(cases));
};

template<>
struct EnumInfo<RuleMatchMode> {
    static constexpr const char* noun = "a match mode";
    static constexpr std::array<EnumCase<RuleMatchMode>, 2> cases{{
        {RuleMatchMode::all, "all", "满足全部条件"},
        {RuleMatchMode::any, "any", "满足任一条件"},
    }};
    static_assert(casesInDeclarationOrder(cases));
};

// One test of a rule. `value` is kept as the user typed it; the rules engine reads it.
struct RuleCondition {
    QUuid id;
    RuleConditionField field = RuleConditionField::fileExtension;
    QString value;
    bool negated = false;

    bool operator==(const RuleCondition&) const = default;
};

// Which loose files go where during a smart tidy. Lower priority numbers are tried first.
struct SmartRule {
    QUuid id;
    QString name;
    QString symbolName;
    bool isEnabled = false;
    qint64 priority = 0;
    RuleMatchMode matchMode = RuleMatchMode::all;
    QList<RuleCondition> conditions;
    std::optional<QUuid> targetFenceID;
    QString targetSubfolderName;
    std::optional<QString> targetDirectoryPath;

    bool operator==(const SmartRule&) const = default;
};

template<> inline constexpr bool isHashableRecord<RuleCondition> = true;
template<> inline constexpr bool isHashableRecord<SmartRule> = true;

template<class V, RecordOf<RuleCondition> R>
void describeFields(V& v, R& r)
{
    v("id", r.id);
    v("field", r.field);
    v("value", r.value);
    v("negated", r.negated);
}

template<class V, RecordOf<SmartRule> R>
void describeFields(V& v, R& r)
{
    v("id", r.id);
    v("name", r.name);
    v("symbolName", r.symbolName);
    v("isEnabled", r.isEnabled);
    v("priority", r.priority);
    v("matchMode", r.matchMode);
    v("conditions", r.conditions);
    v("targetFenceID", r.targetFenceID);
    v("targetSubfolderName", r.targetSubfolderName);
    v("targetDirectoryPath", r.targetDirectoryPath);
}

} // namespace mv
