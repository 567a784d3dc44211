#include "core/engine/SmartRulesEngine.h"
#include "core/store/support/StoreFixture.h"
#include "design/ComposingLineEdit.h"
#include "design/DesignEnvironment.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassPillButton.h"
#include "desktop/content/PortalPlainButton.h"
#include "desktop/controlcenter/ControlCenterPages.h"
#include "desktop/controlcenter/ControlCenterView.h"
#include "desktop/controlcenter/DryRunPlanModel.h"
#include "desktop/controlcenter/QuickControlSwitch.h"
#include "desktop/controlcenter/SmartRulesAndDryRunTabView.h"
#include "desktop/shell/DesktopPanelManager.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListView>
#include <QSpinBox>
#include <QWheelEvent>
#include <QtTest>

#include <algorithm>
#include <limits>
#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(mv::RuleConditionField)
Q_DECLARE_METATYPE(mv::ColorScheme)

namespace {

// A rule sending the files of the extensions `extensions` into the subfolder `subfolder`.
SmartRule extensionRule(const QString& name, const QString& extensions, const QString& subfolder, qint64 priority)
{
    SmartRule rule;
    rule.id = mv::newUuid();
    rule.name = name;
    rule.symbolName = u"doc.fill"_s;
    rule.isEnabled = true;
    rule.priority = priority;
    rule.matchMode = RuleMatchMode::any;
    rule.conditions = {RuleCondition{mv::newUuid(), RuleConditionField::fileExtension, extensions, false}};
    rule.targetSubfolderName = subfolder;
    return rule;
}

// The page over a store of two workspaces, with a source folder "源" of two text files and a
// picture, and a folder dialog that answers with `chosenFolder` (none: cancelled).
struct PageFixture : TwoWorkspaceStore {
    DesignEnvironment environment;
    std::optional<QString> chosenFolder;
    int folderRequests = 0;
    std::unique_ptr<SmartRulesAndDryRunTabView> page;

    explicit PageFixture(const QList<SmartRule>& rules = {extensionRule(u"文本"_s, u"txt"_s, u"文本归档"_s, 10)})
    {
        if (!QDir().mkpath(source()))
            qFatal("no source folder");
        for (const QString& name : {u"a.txt"_s, u"b.txt"_s, u"c.png"_s})
            writeFile(source() + u'/' + name, name.toUtf8());
        chosenFolder = source();
        store->setSmartRules(rules);
        store->save();
    }

    QString source() const { return path(u"源"_s); }

    void open(ColorScheme scheme = ColorScheme::light)
    {
        environment.setColorScheme(scheme);
        ControlCenterFileDialogs dialogs;
        dialogs.chooseFolder = [this](QWidget*, const QString&, const QString&) {
            ++folderRequests;
            return chosenFolder;
        };
        page = std::make_unique<SmartRulesAndDryRunTabView>(*store, &environment, dialogs);
        page->resize(1100, 720);
        page->show();
        if (!QTest::qWaitForWindowExposed(page.get()))
            qFatal("the rules page was not exposed");
    }

    static void click(QAbstractButton* button)
    {
        QVERIFY(button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }

    // What a user's choice of a row in a picker sends.
    static void pick(QComboBox* picker, int row)
    {
        picker->setCurrentIndex(row);
        Q_EMIT picker->activated(row);
    }

    SmartRuleCard* card(int index = 0) const { return page->ruleCards().at(index); }

    QJsonArray savedRules() const
    {
        return QJsonDocument::fromJson(stateOnDisk()).object().value(u"smartRules"_s).toArray();
    }

    QStringList filesIn(const QString& folder) const
    {
        return QDir(folder).entryList(QDir::Files, QDir::Name);
    }

    // A picture for people to look at, under the build folder.
    static void savePicture(const QImage& image, const QString& name)
    {
        const QString folder = QStringLiteral(MORVANTEEL_BUILD_DIR "/screens");
        const QString file = folder + u'/' + name + u".png"_s;
        if (!QDir().mkpath(folder) || !image.save(file))
            qWarning("could not save %s", qPrintable(file));
    }

    bool emptyStateShown() const { return page->emptyState()->isVisible(); }
    QStringList badges() const
    {
        return {page->scannedBadge()->text(), page->matchedBadge()->text(), page->skippedBadge()->text()};
    }
};

} // namespace

class SmartRulesPageTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
    }

    // -- the page in the control center --------------------------------------------------------

    void theFactoryMakesThisPage()
    {
        TwoWorkspaceStore fixture;
        DesktopPanelManager manager(*fixture.store);
        DesignEnvironment environment;
        const ControlCenterPageInputs inputs{*fixture.store, manager, &environment, {}, {}, {}};
        std::unique_ptr<QWidget> page(makeControlCenterPage(ControlCenterTab::smartRules, inputs));
        QVERIFY(qobject_cast<SmartRulesAndDryRunTabView*>(page.get()));
    }

    // The texts of the page, with Ctrl for the other platform's key.
    void theHeaderShowsTheDemoFolderFirst()
    {
        PageFixture fixture;
        fixture.open();
        QCOMPARE(SmartRulesAndDryRunTabView::pageSubtitle(),
                 u"仅扫描用户明确选择的目录（默认安全演示目录），先预览移动清单再执行，支持一键 Ctrl+Z 撤销。"_s);
        QCOMPARE(fixture.page->sourcePathLabel()->text(), fixture.demoPath());
        QCOMPARE(fixture.page->rulesHeadingLabel()->text(), u"整理规则 (1)"_s);
        // The demo folder of this store does not exist: a plan of nothing, and no moves to make.
        QVERIFY(fixture.page->dryRunPlan());
        QVERIFY(fixture.emptyStateShown());
        QCOMPARE(fixture.page->emptyStateLabel()->text(), u"当前目录没有需要整理的新增匹配文件"_s);
        QVERIFY(fixture.page->executeButton()->isDisabled());
        QCOMPARE(fixture.page->undoButton()->title(), u"撤销 (0)"_s);
        QCOMPARE(fixture.page->redoButton()->title(), u"重做 (0)"_s);
        QVERIFY(fixture.page->undoButton()->isDisabled());
        QVERIFY(fixture.page->redoButton()->isDisabled());
        QVERIFY(!fixture.page->recentOperationLabel()->isVisible());
    }

    // -- the dry run, execute, undo and redo -----------------------------------------------------

    // The whole tidy from the page's buttons: the files on disk, the badges and the empty state
    // follow each step.
    void pickBuildExecuteUndoRedo()
    {
        PageFixture fixture;
        fixture.open();
        const QString archive = fixture.source() + u"/文本归档"_s;

        fixture.click(fixture.page->chooseFolderButton());
        QCOMPARE(fixture.folderRequests, 1);
        QCOMPARE(fixture.page->sourcePathLabel()->text(), fixture.source());
        QCOMPARE(fixture.badges(), (QStringList{u"扫描 3"_s, u"拟移动 2"_s, u"跳过 1"_s}));
        QCOMPARE(fixture.page->planModel()->rowCount(), 2);
        QVERIFY(!fixture.emptyStateShown());
        QVERIFY(fixture.page->planList()->isVisible());
        QVERIFY(!fixture.page->executeButton()->isDisabled());
        // The dry run moved nothing.
        QCOMPARE(fixture.filesIn(fixture.source()), (QStringList{u"a.txt"_s, u"b.txt"_s, u"c.png"_s}));

        fixture.click(fixture.page->executeButton());
        QCOMPARE(fixture.filesIn(fixture.source()), QStringList{u"c.png"_s});
        QCOMPARE(fixture.filesIn(archive), (QStringList{u"a.txt"_s, u"b.txt"_s}));
        QCOMPARE(fixture.badges(), (QStringList{u"扫描 2"_s, u"拟移动 0"_s, u"跳过 2"_s}));
        QVERIFY(fixture.emptyStateShown());
        QVERIFY(fixture.page->executeButton()->isDisabled());
        QCOMPARE(fixture.page->undoButton()->title(), u"撤销 (1)"_s);
        QVERIFY(!fixture.page->undoButton()->isDisabled());
        QVERIFY(fixture.page->redoButton()->isDisabled());
        QVERIFY(fixture.page->recentOperationLabel()->isVisible());
        QCOMPARE(fixture.page->recentOperationLabel()->text(), u"最近操作：智能整理 2 个项目（可点击上方“撤销”还原）"_s);
        QCOMPARE(fixture.store->lastStatusMessage(), std::optional(u"智能整理 2 个项目（可撤销）"_s));

        fixture.click(fixture.page->undoButton());
        QCOMPARE(fixture.filesIn(fixture.source()), (QStringList{u"a.txt"_s, u"b.txt"_s, u"c.png"_s}));
        QCOMPARE(fixture.filesIn(archive), QStringList());
        QCOMPARE(fixture.badges(), (QStringList{u"扫描 4"_s, u"拟移动 2"_s, u"跳过 2"_s}));
        QVERIFY(!fixture.emptyStateShown());
        QCOMPARE(fixture.page->undoButton()->title(), u"撤销 (0)"_s);
        QCOMPARE(fixture.page->redoButton()->title(), u"重做 (1)"_s);
        QVERIFY(fixture.page->undoButton()->isDisabled());
        QVERIFY(!fixture.page->redoButton()->isDisabled());
        QCOMPARE(fixture.store->lastStatusMessage(), std::optional(u"已撤销：智能整理 2 个项目"_s));

        fixture.click(fixture.page->redoButton());
        QCOMPARE(fixture.filesIn(fixture.source()), QStringList{u"c.png"_s});
        QCOMPARE(fixture.filesIn(archive), (QStringList{u"a.txt"_s, u"b.txt"_s}));
        QVERIFY(fixture.emptyStateShown());
        QCOMPARE(fixture.page->undoButton()->title(), u"撤销 (1)"_s);
        QCOMPARE(fixture.page->redoButton()->title(), u"重做 (0)"_s);
        // The newest transaction is now the redone one, under the label the store gave it.
        QCOMPARE(fixture.page->recentOperationLabel()->text(),
                 SmartRulesAndDryRunTabView::recentOperationText(fixture.store->undoStack().last().label));
        QVERIFY(fixture.page->recentOperationLabel()->text().endsWith(u"智能整理 2 个项目（可点击上方“撤销”还原）"_s));
        QCOMPARE(fixture.store->lastStatusMessage(), std::optional(u"已重做"_s));

        // "演示桌面" goes back to the demo folder.
        fixture.click(fixture.page->demoFolderButton());
        QCOMPARE(fixture.page->sourcePathLabel()->text(), fixture.demoPath());
        QCOMPARE(fixture.page->effectiveSourceDirectory(), fixture.demoPath());
    }

    // A cancelled dialog, and a relative answer that names no folder here, change nothing.
    void aCancelledPickKeepsTheSource()
    {
        PageFixture fixture;
        fixture.open();
        for (const std::optional<QString>& answer : {std::optional<QString>(), std::optional(u"源"_s)}) {
            fixture.chosenFolder = answer;
            fixture.click(fixture.page->chooseFolderButton());
            QCOMPARE(fixture.page->effectiveSourceDirectory(), fixture.demoPath());
            QCOMPARE(fixture.page->sourcePathLabel()->text(), fixture.demoPath());
        }
        QCOMPARE(fixture.folderRequests, 2);
    }

    // Ctrl+Z and Ctrl+Shift+Z on the page undo and redo the file moves, with the store's texts;
    // in a text field they are the field's own.
    void theUndoKeysWorkOnThePage()
    {
        PageFixture fixture;
        fixture.open();
        fixture.click(fixture.page->chooseFolderButton());
        fixture.click(fixture.page->executeButton());
        QCOMPARE(fixture.store->undoStack().size(), 1);

        fixture.page->activateWindow();
        fixture.page->setFocus();
        QTest::keyClick(fixture.page.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(fixture.store->undoStack().size(), 0);
        QCOMPARE(fixture.store->redoStack().size(), 1);
        QCOMPARE(fixture.store->lastStatusMessage(), std::optional(u"已撤销：智能整理 2 个项目"_s));
        QCOMPARE(fixture.filesIn(fixture.source()), (QStringList{u"a.txt"_s, u"b.txt"_s, u"c.png"_s}));
        QCOMPARE(fixture.page->redoButton()->title(), u"重做 (1)"_s);
        QVERIFY(!fixture.emptyStateShown());

        QTest::keyClick(fixture.page.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(fixture.store->undoStack().size(), 1);
        QCOMPARE(fixture.store->lastStatusMessage(), std::optional(u"已重做"_s));
        QCOMPARE(fixture.filesIn(fixture.source()), QStringList{u"c.png"_s});
        QVERIFY(fixture.emptyStateShown());

        ComposingLineEdit* name = fixture.card()->nameField();
        name->setFocus();
        QTest::keyClicks(name, u"X"_s);
        QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(name->text(), u"文本"_s);
        QCOMPARE(fixture.store->undoStack().size(), 1);
    }

    // -- rules -----------------------------------------------------------------------------------

    // "添加规则" puts ten above the highest priority, 50 counting for none; the new rule is saved.
    void addingARule_data()
    {
        QTest::addColumn<QList<qint64>>("priorities");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("no rules") << QList<qint64>{} << qint64(60);
        QTest::newRow("10 to 50") << QList<qint64>{10, 20, 30, 40, 50} << qint64(60);
        QTest::newRow("highest not last") << QList<qint64>{200, 15} << qint64(210);
        QTest::newRow("at the top of the number") << QList<qint64>{std::numeric_limits<qint64>::max()}
                                                  << std::numeric_limits<qint64>::max();
    }
    void addingARule()
    {
        QFETCH(QList<qint64>, priorities);
        QFETCH(qint64, expected);
        QList<SmartRule> rules;
        for (const qint64 priority : priorities)
            rules.append(extensionRule(u"规则"_s, u"txt"_s, u"归档"_s, priority));
        PageFixture fixture(rules);
        fixture.open();
        fixture.click(fixture.page->addRuleButton());

        QCOMPARE(fixture.store->smartRules().size(), priorities.size() + 1);
        const SmartRule added = fixture.store->smartRules().last();
        QCOMPARE(added.name, u"新自定义规则"_s);
        QCOMPARE(added.symbolName, u"wand.and.stars"_s);
        QVERIFY(added.isEnabled);
        QCOMPARE(added.priority, expected);
        QCOMPARE(added.matchMode, RuleMatchMode::any);
        QCOMPARE(added.conditions.size(), 1);
        QCOMPARE(added.conditions[0].field, RuleConditionField::fileExtension);
        QCOMPARE(added.conditions[0].value, u"txt,md"_s);
        QVERIFY(!added.conditions[0].negated);
        QVERIFY(!added.targetFenceID);
        QCOMPARE(added.targetSubfolderName, u"自定义归档"_s);
        QVERIFY(!added.targetDirectoryPath);
        QCOMPARE(fixture.savedRules().size(), priorities.size() + 1);
        QCOMPARE(fixture.page->ruleCards().size(), priorities.size() + 1);
        QCOMPARE(fixture.page->ruleCards().last()->ruleID(), added.id);
        QCOMPARE(fixture.page->rulesHeadingLabel()->text(), u"整理规则 (%1)"_s.arg(priorities.size() + 1));
    }

    // "重置默认" puts the five default rules in place of the user's, saved; deleting a card's rule
    // removes that rule only, and the other cards stay the widgets they were.
    void resetAndDeleteRules()
    {
        PageFixture fixture;
        fixture.open();
        fixture.click(fixture.page->resetRulesButton());
        const QList<SmartRule> defaults = SmartRulesEngine::defaultRules(
            std::nullopt, std::nullopt, std::nullopt, QUrl::fromLocalFile(fixture.demoPath()));
        QCOMPARE(fixture.store->smartRules().size(), defaults.size());
        QCOMPARE(fixture.savedRules().size(), defaults.size());
        QCOMPARE(fixture.page->ruleCards().size(), defaults.size());
        for (int i = 0; i < defaults.size(); ++i) {
            QCOMPARE(fixture.store->smartRules()[i].name, defaults[i].name);
            QCOMPARE(fixture.card(i)->ruleID(), fixture.store->smartRules()[i].id);
            QCOMPARE(fixture.card(i)->nameField()->text(), defaults[i].name);
        }

        const QUuid doomed = fixture.card(1)->ruleID();
        QList<QPointer<SmartRuleCard>> others;
        for (SmartRuleCard* card : fixture.page->ruleCards()) {
            if (card->ruleID() != doomed)
                others.append(card);
        }
        QPointer<SmartRuleCard> gone = fixture.card(1);
        fixture.click(fixture.card(1)->deleteButton());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!gone);
        QCOMPARE(fixture.store->smartRules().size(), defaults.size() - 1);
        QCOMPARE(fixture.savedRules().size(), defaults.size() - 1);
        for (const QJsonValue& rule : fixture.savedRules())
            QVERIFY(rule.toObject().value(u"id"_s).toString().compare(doomed.toString(QUuid::WithoutBraces),
                                                                    Qt::CaseInsensitive) != 0);
        QCOMPARE(fixture.page->ruleCards().size(), others.size());
        for (int i = 0; i < others.size(); ++i) {
            QVERIFY(others[i]);
            QCOMPARE(fixture.card(i), others[i].data());
        }
    }

    // Rules keep their stored order: a new priority from the stepper is saved and moves nothing.
    void aNewPriorityKeepsTheCardsPlace()
    {
        PageFixture fixture({extensionRule(u"甲"_s, u"txt"_s, u"甲"_s, 10), extensionRule(u"乙"_s, u"png"_s, u"乙"_s, 20)});
        fixture.open();
        SmartRuleCard* first = fixture.card(0);
        first->priorityStepper()->stepBy(4);
        QCOMPARE(fixture.store->smartRules()[0].priority, qint64(30));
        QCOMPARE(fixture.store->smartRules()[0].name, u"甲"_s);
        QCOMPARE(fixture.savedRules()[0].toObject().value(u"priority"_s).toInteger(), qint64(30));
        QCOMPARE(fixture.card(0), first);
        QCOMPARE(first->priorityStepper()->text(), u"P30"_s);
    }

    // Scrolling the cards with the wheel over a stepper or a picker not clicked into changes no
    // rule: the turn goes to the scroll area.
    void aWheelOverAControlNotInUseChangesNothing()
    {
        PageFixture fixture;
        fixture.open();
        fixture.page->rulesHeadingLabel()->setFocus();
        SmartRuleCard* card = fixture.card();
        const int writes = fixture.savedStateWrites();
        const QList<SmartRule> before = fixture.store->smartRules();
        for (QWidget* control : {static_cast<QWidget*>(card->priorityStepper()), static_cast<QWidget*>(card->matchModePicker()),
                                 static_cast<QWidget*>(card->conditionRows().at(0)->fieldPicker())}) {
            QVERIFY(!control->hasFocus());
            const QPointF at = QRectF(control->rect()).center();
            QWheelEvent wheel(at, control->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(control, &wheel);
        }
        QCOMPARE(fixture.store->smartRules(), before);
        QCOMPARE(fixture.savedStateWrites(), writes);
        QCOMPARE(card->priorityStepper()->value(), 10);
    }

    // Priorities outside the stepper's range, as a backup may bring them, stay as stored when
    // the page opens and when another field of the rule is edited.
    void anImportedPriorityOutsideTheRangeSurvives()
    {
        PageFixture fixture({extensionRule(u"低"_s, u"txt"_s, u"低"_s, 0), extensionRule(u"高"_s, u"png"_s, u"高"_s, 5000)});
        const int writes = fixture.savedStateWrites();
        fixture.open();
        QCOMPARE(fixture.savedStateWrites(), writes);
        QCOMPARE(fixture.store->smartRules()[0].priority, qint64(0));
        QCOMPARE(fixture.store->smartRules()[1].priority, qint64(5000));

        fixture.click(fixture.card(0)->enabledSwitch());
        fixture.card(1)->nameField()->setFocus();
        QTest::keyClicks(fixture.card(1)->nameField(), u"X"_s);
        QTest::keyClick(fixture.card(1)->nameField(), Qt::Key_Return);
        QVERIFY(!fixture.store->smartRules()[0].isEnabled);
        QCOMPARE(fixture.store->smartRules()[1].name, u"高X"_s);
        QCOMPARE(fixture.savedRules()[0].toObject().value(u"priority"_s).toInteger(), qint64(0));
        QCOMPARE(fixture.savedRules()[1].toObject().value(u"priority"_s).toInteger(), qint64(5000));
    }

    // -- conditions ------------------------------------------------------------------------------

    // A condition's field and its "非" box are saved at once and the plan follows them.
    void conditionFieldAndNegationAreSavedAndPlanned_data()
    {
        QTest::addColumn<RuleConditionField>("field");
        QTest::addColumn<bool>("negated");
        QTest::addColumn<QString>("savedField");
        QTest::addColumn<int>("moves");
        // The value stays "txt": as a prefix it takes none of a.txt, b.txt, c.png; "非" turns
        // each answer round.
        QTest::newRow("prefix") << RuleConditionField::fileNamePrefix << false << u"fileNamePrefix"_s << 0;
        QTest::newRow("not a prefix") << RuleConditionField::fileNamePrefix << true << u"fileNamePrefix"_s << 3;
        QTest::newRow("contains") << RuleConditionField::fileNameContains << false << u"fileNameContains"_s << 2;
        QTest::newRow("not the extension") << RuleConditionField::fileExtension << true << u"fileExtension"_s << 1;
    }
    void conditionFieldAndNegationAreSavedAndPlanned()
    {
        QFETCH(RuleConditionField, field);
        QFETCH(bool, negated);
        QFETCH(QString, savedField);
        QFETCH(int, moves);
        PageFixture fixture;
        fixture.open();
        fixture.click(fixture.page->chooseFolderButton());
        QCOMPARE(fixture.page->planModel()->rowCount(), 2);
        SmartRuleConditionRow* row = fixture.card()->conditionRows().at(0);

        const int writes = fixture.savedStateWrites();
        fixture.pick(row->fieldPicker(), int(allCases<RuleConditionField>().indexOf(field)));
        if (negated)
            fixture.click(row->negationBox());
        QVERIFY(fixture.savedStateWrites() > writes);
        const QJsonObject saved = fixture.savedRules()[0].toObject().value(u"conditions"_s).toArray()[0].toObject();
        QCOMPARE(saved.value(u"field"_s).toString(), savedField);
        QCOMPARE(saved.value(u"negated"_s).toBool(), negated);
        QCOMPARE(saved.value(u"value"_s).toString(), u"txt"_s);
        QCOMPARE(fixture.page->planModel()->rowCount(), moves);
        QCOMPARE(fixture.page->matchedBadge()->text(), u"拟移动 %1"_s.arg(moves));
    }

    // Adding a condition saves it and leaves the plan; removing one saves and plans again; a
    // value saves when editing finishes, by Return or by leaving the field.
    void addEditAndRemoveConditions()
    {
        PageFixture fixture;
        fixture.open();
        fixture.click(fixture.page->chooseFolderButton());
        SmartRuleCard* card = fixture.card();
        const std::optional<DryRunMovePlan> before = fixture.page->dryRunPlan();

        fixture.click(card->addConditionButton());
        QCOMPARE(fixture.store->smartRules()[0].conditions.size(), 2);
        const RuleCondition added = fixture.store->smartRules()[0].conditions[1];
        QCOMPARE(added.field, RuleConditionField::fileNameContains);
        QVERIFY(added.value.isEmpty());
        QCOMPARE(fixture.savedRules()[0].toObject().value(u"conditions"_s).toArray().size(), 2);
        QCOMPARE(fixture.page->dryRunPlan(), before);
        QCOMPARE(card->conditionRows().size(), 2);

        // Typed: in the store at once, on disk when the field is left.
        ComposingLineEdit* value = card->conditionRows().at(1)->valueField();
        value->setFocus();
        QTest::keyClicks(value, u"c"_s);
        QCOMPARE(fixture.store->smartRules()[0].conditions[1].value, u"c"_s);
        QVERIFY(fixture.savedRules()[0].toObject().value(u"conditions"_s).toArray()[1].toObject().value(u"value"_s)
                    .toString().isEmpty());
        card->nameField()->setFocus();
        QCOMPARE(fixture.savedRules()[0].toObject().value(u"conditions"_s).toArray()[1].toObject().value(u"value"_s)
                     .toString(),
                 u"c"_s);
        // Any of "txt" or a name containing "c": c.png too.
        QCOMPARE(fixture.page->planModel()->rowCount(), 3);

        QPointer<SmartRuleConditionRow> first = card->conditionRows().at(0);
        fixture.click(first->removeButton());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        QCOMPARE(card->conditionRows().size(), 1);
        QCOMPARE(fixture.store->smartRules()[0].conditions.size(), 1);
        QCOMPARE(fixture.savedRules()[0].toObject().value(u"conditions"_s).toArray().size(), 1);
        QCOMPARE(fixture.page->planModel()->rowCount(), 1);
    }

    // -- editing in place ------------------------------------------------------------------------

    // Typing into a rule's name writes each keystroke to the store; the store's signals, its own
    // and others', leave the field, its focus, its cursor and a composition alone.
    void typingKeepsFocusAndCursor()
    {
        PageFixture fixture({extensionRule(u"文本"_s, u"txt"_s, u"文本归档"_s, 10), extensionRule(u"图片"_s, u"png"_s, u"图片"_s, 20)});
        fixture.open();
        fixture.page->activateWindow();
        QList<QPointer<QWidget>> widgets;
        for (QWidget* widget : fixture.page->findChildren<QWidget*>())
            widgets.append(widget);
        ComposingLineEdit* name = fixture.card()->nameField();
        name->setFocus();
        name->setCursorPosition(1);
        QTest::keyClicks(name, u"ab"_s);
        QCOMPARE(name->text(), u"文ab本"_s);
        QCOMPARE(fixture.store->smartRules()[0].name, u"文ab本"_s);
        QCOMPARE(name->cursorPosition(), 3);
        QVERIFY(name->hasFocus());
        QCOMPARE(fixture.savedRules()[0].toObject().value(u"name"_s).toString(), u"文本"_s);

        // Other writers: the other rule, a fence, the stacks' neighbours.
        QList<SmartRule> rules = fixture.store->smartRules();
        rules[1].name = u"照片"_s;
        fixture.store->setSmartRules(rules);
        fixture.appendFence(fixture.desk, u"下载"_s, {plainTab(FenceKind::portal, u"下载"_s)});
        QCOMPARE(name->text(), u"文ab本"_s);
        QCOMPARE(name->cursorPosition(), 3);
        QVERIFY(name->hasFocus());
        QCOMPARE(fixture.card(1)->nameField()->text(), u"照片"_s);

        // A composition under way is not overwritten by the store.
        QInputMethodEvent composing(u"zh"_s, {});
        QCoreApplication::sendEvent(name, &composing);
        rules = fixture.store->smartRules();
        rules[0].name = u"别处"_s;
        fixture.store->setSmartRules(rules);
        QCOMPARE(name->text().remove(u"zh"_s), u"文ab本"_s);
        QVERIFY(name->isComposing());
        QInputMethodEvent commit;
        commit.setCommitString(u"中"_s);
        QCoreApplication::sendEvent(name, &commit);
        // The commit is the user's edit; the value from elsewhere came before it.
        QCOMPARE(name->text(), u"文ab中本"_s);
        QCOMPARE(fixture.store->smartRules()[0].name, u"文ab中本"_s);

        QTest::keyClick(name, Qt::Key_Return);
        QCOMPARE(fixture.savedRules()[0].toObject().value(u"name"_s).toString(), u"文ab中本"_s);
        QVERIFY(name->hasFocus());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (const QPointer<QWidget>& widget : widgets)
            QVERIFY(widget);
    }

    // -- the target fence ------------------------------------------------------------------------

    // Shown only with a portal fence in some workspace; picking one is saved; a target that is
    // no portal fence selects no row and stays stored.
    void theTargetFencePicker()
    {
        PageFixture fixture;
        fixture.open();
        QVERIFY(!fixture.card()->targetFenceRow()->isVisible());

        const FenceModel notes = fixture.appendFence(fixture.desk, u"便签"_s, {plainTab(FenceKind::notes, u"便签"_s)});
        QVERIFY(!fixture.card()->targetFenceRow()->isVisible());
        const FenceModel portal =
            fixture.appendFence(fixture.archive, u"收件箱"_s, {plainTab(FenceKind::portal, u"收件箱"_s)});
        QComboBox* picker = fixture.card()->targetFencePicker();
        QVERIFY(fixture.card()->targetFenceRow()->isVisible());
        QCOMPARE(picker->count(), 2);
        QCOMPARE(picker->itemText(0), u"自动归入源目录下子目录"_s);
        QCOMPARE(picker->itemText(1), u"传送门：收件箱"_s);
        QCOMPARE(picker->currentIndex(), 0);

        fixture.pick(picker, 1);
        QCOMPARE(fixture.store->smartRules()[0].targetFenceID, std::optional(portal.id));
        QCOMPARE(fixture.savedRules()[0].toObject().value(u"targetFenceID"_s).toString(),
                 portal.id.toString(QUuid::WithoutBraces).toUpper());

        QList<SmartRule> rules = fixture.store->smartRules();
        rules[0].targetFenceID = notes.id;
        fixture.store->setSmartRules(rules);
        QCOMPARE(picker->currentIndex(), -1);
        QCOMPARE(fixture.store->smartRules()[0].targetFenceID, std::optional(notes.id));
    }

    // -- pictures for people -----------------------------------------------------------------------

    void picturesOfThePage_data()
    {
        QTest::addColumn<ColorScheme>("scheme");
        QTest::newRow("light") << ColorScheme::light;
        QTest::newRow("dark") << ColorScheme::dark;
    }
    // The page as the control center shows it, over the faint wallpaper, on the demo folder it
    // opens with; then the same after the tidy.
    void picturesOfThePage()
    {
        QFETCH(ColorScheme, scheme);
        PageFixture fixture({extensionRule(u"文本"_s, u"txt"_s, u"文本归档"_s, 10),
                             extensionRule(u"图片"_s, u"png, jpg"_s, u"图片"_s, 20)});
        for (const QString& name : {u"a.txt"_s, u"b.txt"_s, u"c.png"_s})
            fixture.writeFile(fixture.demoPath() + u'/' + name, name.toUtf8());
        // One name already taken in its destination: renamed on the move.
        fixture.writeFile(fixture.demoPath() + u"/文本归档/a.txt"_s, "old");
        fixture.appendFence(fixture.desk, u"下载"_s, {plainTab(FenceKind::portal, u"下载"_s)});
        fixture.environment.setColorScheme(scheme);
        DesktopPanelManager manager(*fixture.store);
        const ControlCenterTabBinding page{[] { return ControlCenterTab::smartRules; }, [](ControlCenterTab) {},
                                           [](QObject*, std::function<void()>) { return QMetaObject::Connection(); }};
        ControlCenterView view(*fixture.store, manager, page, {}, &fixture.environment, &makeControlCenterPage);
        view.resize(1320, 760);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto* rules = qobject_cast<SmartRulesAndDryRunTabView*>(view.currentPage());
        QVERIFY(rules);
        QCOMPARE(rules->planModel()->rowCount(), 3);
        QVERIFY(std::any_of(rules->dryRunPlan()->matchedMoves.cbegin(), rules->dryRunPlan()->matchedMoves.cend(),
                            [](const DryRunMoveItem& item) { return item.willRenameOnConflict; }));
        QCoreApplication::processEvents();

        const QString dark = scheme == ColorScheme::dark ? u"dark"_s : u"light"_s;
        const QImage plan = view.grab().toImage();
        fixture.savePicture(plan, u"smart-rules-plan-"_s + dark);
        // The plan's rows are drawn: a row is not the colour of the list's glass between rows.
        const QWidget* viewport = rules->planList()->viewport();
        const qreal ratio = plan.devicePixelRatio();
        const QPoint onRow = viewport->mapTo(&view, QPoint(viewport->width() / 2, 4));
        const QPoint onSymbol = viewport->mapTo(&view, QPoint(12 + 4, 20));
        QVERIFY(plan.pixelColor(onRow * ratio) != plan.pixelColor(onSymbol * ratio));

        PageFixture::click(rules->executeButton());
        QVERIFY(rules->emptyState()->isVisible());
        QCoreApplication::processEvents();
        fixture.savePicture(view.grab().toImage(), u"smart-rules-empty-"_s + dark);
    }
};

QTEST_MAIN(SmartRulesPageTest)
#include "tst_smartrulespage.moc"
