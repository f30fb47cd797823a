// The rule-base window with the main window around it: deleting and
// dragging rules, the rule windows it keeps, the single editors, new rules
// from a model, and what the variables editor's deletions do to its list.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QtTest>

#include "Base.h"
#include "IniFile.h"
#include "Main.h"
#include "Newrule.h"
#include "RuleCode.h"
#include "Targcode.h"
#include "VarsCode.h"
#include "editors_test_support.h"

using namespace edtest;

namespace {

const QString kDeleteRule = QStringLiteral("Excluir regra?");
const QString kNoPermission =
    QStringLiteral("Lembre-se de que você não tem permissão para alterar essa base de conhecimento!");

// Five rules numbered 1..5 with codes 11..15, over the sample variables.
void FillFive(quorvel::TExpertSystem& engine) {
    FillSample(engine);
    for (int32_t code = 1; code <= 4; ++code) quorvel::DeleteRule(engine, code);
    const char* names[] = {"Um", "Dois", "Tr\xEAs", "Quatro", "Cinco"};
    for (int32_t i = 0; i < 5; ++i) {
        engine.Rules().AddRule(11 + i, names[i], i + 1);
        engine.Tails().AddPremise(11 + i, 2, "=", 10 + (i % 3), 2, false);  // Cor
        engine.Heads().AddConclusion(11 + i, 4, i % 2 ? 2 : 13, 1.0f);      // Risco
    }
}

// A base window on `fill`, as after opening a file.
TfrmBase* OpenWith(TfrmMain& frame, const std::function<void(quorvel::TExpertSystem&)>& fill) {
    frame.btnNew->trigger();
    TfrmBase* base = frame.BaseWindow();
    fill(frame.ExpertSystem());
    base->RefillRules();
    if (base->RuleCount() > 0) base->SelectFirstRule();
    frame.MirrorBaseButtons();
    return base;
}

QStringList RowsOf(TfrmBase* base) { return Rows(base->listRules); }

void DragRow(QListWidget* list, int from, int to) {
    const QPoint start = list->visualItemRect(list->item(from)).center();
    const QPoint end = list->visualItemRect(list->item(to)).center();
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, start);
    QMouseEvent move(QEvent::MouseMove, QPointF(end), list->viewport()->mapToGlobal(QPointF(end)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, end);
}

template <class T>
QList<T*> Children(TfrmMain& frame) {
    QList<T*> found;
    for (QMdiSubWindow* window : frame.MdiArea()->subWindowList())
        if (auto* child = qobject_cast<T*>(window)) found << child;
    return found;
}

}  // namespace

class EditorsBaseTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QFile::remove(quorvel::gui::SettingsFilePath()); }

    void rowsAndDeletion() {
        TMessageScript messages;
        TfrmMain frame;
        frame.show();
        TfrmBase* base = OpenWith(frame, FillFive);
        QCOMPARE(RowsOf(base), (QStringList{"REGRA  1     Um", "REGRA  2     Dois", "REGRA  3     Três",
                                            "REGRA  4     Quatro", "REGRA  5     Cinco"}));

        // Declined: nothing changes.
        base->listRules->setCurrentRow(1);
        messages.answers = {TMsgResult::No};
        base->btnDelete->click();
        QCOMPARE(messages.Texts(), QStringList{kDeleteRule});
        QCOMPARE(base->RuleCount(), 5);
        QVERIFY(!base->Modified());

        // Rule 2 of 5: 3, 4, 5 become 2, 3, 4 and the row above is selected.
        base->btnDelete->click();
        QCOMPARE(RowsOf(base),
                 (QStringList{"REGRA  1     Um", "REGRA  2     Três", "REGRA  3     Quatro", "REGRA  4     Cinco"}));
        QCOMPARE(RulesInOrder(frame.ExpertSystem()), (std::vector<int32_t>{11, 13, 14, 15}));
        QCOMPARE(base->listRules->currentRow(), 0);
        QVERIFY(base->Modified());

        // Rule 1 (by the main window's button and the Del key): the new first row.
        frame.btnDelete->trigger();
        QCOMPARE(base->listRules->currentRow(), 0);
        QCOMPARE(base->listRules->item(0)->text(), QStringLiteral("REGRA  1     Três"));
        QTest::keyClick(base->listRules, Qt::Key_Delete);
        QCOMPARE(RowsOf(base), (QStringList{"REGRA  1     Quatro", "REGRA  2     Cinco"}));

        base->listRules->setCurrentRow(1);
        base->btnDelete->click();
        base->btnDelete->click();
        QCOMPARE(base->RuleCount(), 0);
        for (QPushButton* button : {base->btnOpenRule, base->btnDelete, base->btnView}) QVERIFY(!button->isEnabled());
        for (QAction* command : {frame.btnOpenRule, frame.btnDelete, frame.btnView}) QVERIFY(!command->isEnabled());
        base->DropWithoutQuery();
    }

    // Ctrl+Up and Ctrl+Down move the selected rule as dragging it onto its
    // neighbour would; at either end nothing moves.
    void rulesMoveWithTheKeyboard() {
        TMessageScript messages;
        TfrmMain frame;
        frame.show();
        TfrmBase* base = OpenWith(frame, FillFive);
        base->listRules->setCurrentRow(1);
        QTest::keyClick(base->listRules, Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(RowsOf(base), (QStringList{"REGRA  1     Um", "REGRA  2     Três", "REGRA  3     Dois",
                                            "REGRA  4     Quatro", "REGRA  5     Cinco"}));
        QCOMPARE(base->listRules->currentRow(), 2);
        QVERIFY(base->Modified());
        QTest::keyClick(base->listRules, Qt::Key_Up, Qt::ControlModifier);
        QTest::keyClick(base->listRules, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(RowsOf(base), (QStringList{"REGRA  1     Dois", "REGRA  2     Um", "REGRA  3     Três",
                                            "REGRA  4     Quatro", "REGRA  5     Cinco"}));
        QTest::keyClick(base->listRules, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(base->listRules->currentRow(), 0);
        QCOMPARE(base->listRules->item(0)->text(), QStringLiteral("REGRA  1     Dois"));
        QVERIFY(messages.shown.empty());
        base->DropWithoutQuery();
    }

    void rulesMoveByDragging() {
        struct Case {
            int from;
            int to;
            QStringList rows;
        };
        const Case cases[] = {
            {0,
             3,
             {"REGRA  1     Dois", "REGRA  2     Três", "REGRA  3     Quatro", "REGRA  4     Um",
              "REGRA  5     Cinco"}},
            {3,
             0,
             {"REGRA  1     Quatro", "REGRA  2     Um", "REGRA  3     Dois", "REGRA  4     Três",
              "REGRA  5     Cinco"}},
            {2,
             2,
             {"REGRA  1     Um", "REGRA  2     Dois", "REGRA  3     Três", "REGRA  4     Quatro",
              "REGRA  5     Cinco"}},
        };
        for (const Case& c : cases) {
            TMessageScript messages;
            TfrmMain frame;
            frame.show();
            TfrmBase* base = OpenWith(frame, FillFive);
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            DragRow(base->listRules, c.from, c.to);
            QCOMPARE(RowsOf(base), c.rows);
            QCOMPARE(base->Modified(), c.from != c.to);
            if (c.from != c.to) QCOMPARE(base->listRules->currentRow(), c.to);
            QVERIFY(messages.shown.empty());
            base->DropWithoutQuery();
        }
    }

    void withoutPermissionRulesStayPut() {
        TMessageScript messages;
        TfrmMain frame;
        frame.show();
        TfrmBase* base = OpenWith(frame, FillFive);
        frame.ExpertSystem().AccessLevel = quorvel::kAccessConsultAndView;
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        base->listRules->setCurrentRow(2);
        base->btnDelete->click();
        DragRow(base->listRules, 0, 4);
        QCOMPARE(messages.Texts(), (QStringList{kNoPermission, kNoPermission}));
        QCOMPARE(base->RuleCount(), 5);
        QCOMPARE(RulesInOrder(frame.ExpertSystem()), (std::vector<int32_t>{11, 12, 13, 14, 15}));
        QVERIFY(!base->Modified());
        base->DropWithoutQuery();
    }

    // Opening a rule twice brings its window forward; a deleted rule's window
    // closes unsaved; the other windows follow their rules' new numbers.
    void ruleWindowsAreKeptOncePerRule() {
        TMessageScript messages;
        TfrmMain frame;
        frame.show();
        TfrmBase* base = OpenWith(frame, FillFive);
        base->listRules->setCurrentRow(2);
        base->btnOpenRule->click();
        base->listRules->setCurrentRow(4);
        frame.btnOpenRule->trigger();
        base->listRules->setCurrentRow(2);
        base->btnOpenRule->click();
        QCOMPARE(Children<TfrmRule>(frame).size(), 2);
        QCOMPARE(base->RuleWindows().size(), std::size_t{2});
        TfrmRule* three = base->RuleWindows().at(QStringLiteral("R13"));
        TfrmRule* five = base->RuleWindows().at(QStringLiteral("R15"));
        QCOMPARE(frame.MdiArea()->activeSubWindow(), three);

        const QPointer<TfrmRule> gone = three;
        base->btnDelete->click();
        QTRY_VERIFY(!gone);
        QCOMPARE(five->windowTitle(), QStringLiteral("Regra 4"));
        QCOMPARE(five->editOrder->text(), QStringLiteral("4"));
        five->btnOk->click();
        QCOMPARE(RulesInOrder(frame.ExpertSystem()), (std::vector<int32_t>{11, 12, 14, 15}));
        QVERIFY(base->RuleWindows().empty());
        base->DropWithoutQuery();
    }

    // A new rule from a model starts with a copy of its lines and is
    // inserted at its order; Nova... asks for the next one.
    void newRulesFromAModel() {
        TMessageScript messages;
        TfrmMain frame;
        frame.show();
        TfrmBase* base = OpenWith(frame, FillSample);
        WhenModal<TdialogNewRule>([](TdialogNewRule* dialog) {
            QCOMPARE(dialog->comboModel->count(), 5);
            dialog->comboModel->setCurrentIndex(2);  // "Regra 3"
            dialog->editOrder->setText(QStringLiteral("1"));
            dialog->btnOk->click();
        });
        frame.btnNewRule->trigger();
        QList<TfrmRule*> windows = Children<TfrmRule>(frame);
        QCOMPARE(windows.size(), 1);
        TfrmRule* copy = windows.front();
        QCOMPARE(copy->RuleCode(), 0);
        QCOMPARE(copy->editName->text(), QStringLiteral("sem nome"));
        QCOMPARE(Rows(copy->listRules),
                 (QStringList{"SE", "   Cor = Verde", "E  Febre = Não", "ENTÃO", "   Peso = PESO+1 CNF 100%"}));
        copy->btnOk->click();
        QCOMPARE(RowsOf(base), (QStringList{"REGRA  1     sem nome", "REGRA  2     Primeira", "REGRA  3     Segunda",
                                            "REGRA  4     Terceira", "REGRA  5     Quarta"}));
        QCOMPARE(base->listRules->currentRow(), 0);
        QCOMPARE(frame.ExpertSystem().Formulas().Count(), 3);  // the copy has a formula of its own
        QVERIFY(base->Modified());
        QVERIFY(messages.shown.empty());
        base->DropWithoutQuery();
    }

    void editorsOpenOnceAndCloseWithTheBase() {
        TMessageScript messages;
        TfrmMain frame;
        frame.show();
        TfrmBase* base = OpenWith(frame, FillSample);
        for (QPushButton* button : {base->btnVars, base->btnTargets, base->btnQuestions, base->btnInfo}) {
            button->click();
            button->click();
        }
        frame.btnVars->trigger();
        QCOMPARE(frame.MdiArea()->subWindowList().size(), 5);
        QVERIFY(base->EditorOpen(TEditorKind::Targets));

        // The variables editor waits for the others.
        auto* vars = Children<TfrmVars>(frame).front();
        vars->btnOk->click();
        QCOMPARE(messages.Texts().size(), 3);
        static_cast<TfrmTargets*>(base->Editor(TEditorKind::Targets))->CancelBtn->click();
        QVERIFY(!base->EditorOpen(TEditorKind::Targets));

        // Closing the base drops the editors and rule windows, unsaved.
        base->listRules->setCurrentRow(0);
        base->btnOpenRule->click();
        const std::vector<uint8_t> before = Bytes(frame.ExpertSystem());
        base->close();
        QTRY_VERIFY(!frame.BaseWindow());
        QVERIFY(frame.MdiArea()->subWindowList().isEmpty());
        QCOMPARE(messages.Texts().size(), 3);  // the base was not modified: no question
        QCOMPARE(Bytes(frame.ExpertSystem()), before);
    }

    // The variables editor deletes a value used by rule 3 while rule 3 and
    // rule 1 are open: rule 3 and its window go, the list keeps no row for
    // it, and the numbers close up to 1..n.
    void aCascadeLeavesNoRowForADeletedRule() {
        TMessageScript messages;
        TfrmMain frame;
        frame.show();
        TfrmBase* base = OpenWith(frame, FillSample);
        base->listRules->setCurrentRow(2);
        base->btnOpenRule->click();
        TfrmRule* three = base->RuleWindows().at(QStringLiteral("R3"));
        three->editName->setText(QStringLiteral("Editada"));
        base->listRules->setCurrentRow(3);
        base->btnOpenRule->click();
        TfrmRule* four = base->RuleWindows().at(QStringLiteral("R4"));
        const QPointer<TfrmRule> watched = three;

        base->btnVars->click();
        auto* vars = Children<TfrmVars>(frame).front();
        vars->listVars->setCurrentRow(0);    // Cor
        vars->listValues->setCurrentRow(1);  // Verde
        vars->btnDelValue->click();
        QVERIFY(
            messages.Texts().value(0).startsWith(QStringLiteral("Atenção! A regra 3 (Terceira) utiliza esse valor.")));
        vars->btnOk->click();
        QTRY_VERIFY(!watched);
        QCOMPARE(RowsOf(base), (QStringList{"REGRA  1     Primeira", "REGRA  2     Segunda", "REGRA  3     Quarta"}));
        QCOMPARE(RulesInOrder(frame.ExpertSystem()), (std::vector<int32_t>{1, 2, 4}));
        QCOMPARE(four->windowTitle(), QStringLiteral("Regra 3"));
        QVERIFY(base->Modified());
        QVERIFY(base->btnNewRule->isEnabled());
        base->DropWithoutQuery();
    }
};

QTEST_MAIN(EditorsBaseTest)
#include "editors_base_test.moc"
