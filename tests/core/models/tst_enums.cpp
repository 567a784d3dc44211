#include "core/models/ModelEnums.h"
#include "core/models/SmartRuleModels.h"

#include <QtTest>

using namespace mv;

class EnumsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void constructionFromTextIsExact_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");     // FenceKind, -1 for none
        QTest::addColumn<int>("sortMode"); // FenceSortMode, -1 for none
        // Raw values are the case names, case-sensitive, untrimmed.
        QTest::newRow("portal") << "portal" << int(FenceKind::portal) << -1;
        QTest::newRow("capital") << "Portal" << -1 << -1;
        QTest::newRow("leading space") << " portal" << -1 << -1;
        QTest::newRow("nameAsc") << "nameAsc" << -1 << int(FenceSortMode::nameAsc);
        QTest::newRow("lower-case a") << "nameasc" << -1 << -1;
        QTest::newRow("a number") << "0" << -1 << -1;
        QTest::newRow("an item kind") << "folder" << -1 << -1;
    }

    void constructionFromTextIsExact()
    {
        QFETCH(QString, text);
        QFETCH(int, kind);
        QFETCH(int, sortMode);
        const auto k = fromRawValue<FenceKind>(text);
        const auto s = fromRawValue<FenceSortMode>(text);
        QCOMPARE(k ? int(*k) : -1, kind);
        QCOMPARE(s ? int(*s) : -1, sortMode);
        if (k)
            QCOMPARE(rawValue(*k), text);
    }

    void casesKeepDeclarationOrderAndLabels()
    {
        const auto tints = allCases<FenceTintPalette>();
        QCOMPARE(tints.size(), 7);
        QCOMPARE(tints.first(), FenceTintPalette::crystal);
        QCOMPARE(tints.last(), FenceTintPalette::graphite);
        QCOMPARE(allCases<FenceSortMode>().first(), FenceSortMode::manual);
        QCOMPARE(allCases<FenceSortMode>().last(), FenceSortMode::sizeDesc);
        QCOMPARE(allCases<RuleConditionField>().first(), RuleConditionField::fileExtension);
        QCOMPARE(allCases<RuleConditionField>().last(), RuleConditionField::olderThanDays);
        QCOMPARE(allCases<RuleConditionField>().size(), 8);

        QCOMPARE(displayName(FenceKind::notes), QStringLiteral("澄栩便签"));
        QCOMPARE(displayName(WallpaperPreset::emeraldMist), QStringLiteral("苍翠澄栩"));
        QCOMPARE(displayName(FenceSortMode::nameAsc), QStringLiteral("名称 (A-Z)"));
        QCOMPARE(displayName(RuleConditionField::sizeGreaterThanMB), QStringLiteral("体积大于 (MB)"));
        QCOMPARE(displayName(RuleMatchMode::any), QStringLiteral("满足任一条件"));
        QCOMPARE(hexAccent(FenceTintPalette::graphite), QStringLiteral("#94A3B8"));
        QCOMPARE(symbolName(FenceKind::portal), QStringLiteral("folder.badge.gearshape"));

        // Rule enumerations are case-sensitive too.
        QVERIFY(!fromRawValue<RuleConditionField>(u"fileextension"));
        QVERIFY(!fromRawValue<RuleMatchMode>(u"ALL"));
        QCOMPARE(fromRawValue<RuleMatchMode>(u"all"), std::optional(RuleMatchMode::all));
    }

    void everyCaseRoundTripsThroughItsText()
    {
        for (FenceTintPalette tint : allCases<FenceTintPalette>())
            QCOMPARE(fromRawValue<FenceTintPalette>(rawValue(tint)), std::optional(tint));
        for (iOSLayoutMode mode : allCases<iOSLayoutMode>())
            QCOMPARE(fromRawValue<iOSLayoutMode>(rawValue(mode)), std::optional(mode));
        for (FenceItemKind kind : allCases<FenceItemKind>())
            QVERIFY(!displayName(kind).isEmpty());
    }
};

QTEST_GUILESS_MAIN(EnumsTest)
#include "tst_enums.moc"
