#include "desktop/controlcenter/ControlCenterTab.h"

#include <QtTest>

using namespace mv;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(mv::ControlCenterTab)

class ControlCenterTabTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pagesInSidebarOrder()
    {
        const QList<ControlCenterTab> expected{ControlCenterTab::workspaces, ControlCenterTab::smartRules,
                                               ControlCenterTab::appearance, ControlCenterTab::companion};
        QCOMPARE(allCases<ControlCenterTab>(), expected);
    }

    void eachPage_data()
    {
        QTest::addColumn<ControlCenterTab>("tab");
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("symbol");
        QTest::newRow("workspaces") << ControlCenterTab::workspaces << u"workspaces"_s << u"工作区与围栏"_s << u"square.grid.2x2.fill"_s;
        QTest::newRow("smartRules") << ControlCenterTab::smartRules << u"smartRules"_s << u"智能整理规则"_s << u"wand.and.stars"_s;
        QTest::newRow("appearance") << ControlCenterTab::appearance << u"appearance"_s << u"液态玻璃实验室"_s << u"sparkles"_s;
        QTest::newRow("companion") << ControlCenterTab::companion << u"companion"_s << u"iOS / iPadOS 预览"_s << u"laptopcomputer.and.iphone"_s;
    }

    void eachPage()
    {
        QFETCH(ControlCenterTab, tab);
        QFETCH(QString, raw);
        QFETCH(QString, label);
        QFETCH(QString, symbol);
        QCOMPARE(rawValue(tab), raw);
        QCOMPARE(title(tab), label);
        QCOMPARE(symbolName(tab), symbol);
        QCOMPARE(fromRawValue<ControlCenterTab>(raw), std::optional(tab));
    }

    void otherSpellingsNameNoPage_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::newRow("capital") << u"SmartRules"_s;
        QTest::newRow("label") << u"工作区与围栏"_s;
        QTest::newRow("padded") << u" workspaces"_s;
        QTest::newRow("empty") << QString();
    }

    void otherSpellingsNameNoPage()
    {
        QFETCH(QString, raw);
        QVERIFY(!fromRawValue<ControlCenterTab>(raw));
    }
};

QTEST_GUILESS_MAIN(ControlCenterTabTest)
#include "tst_controlcentertab.moc"
