// The rule window with its line editor, the zoom box and the new-rule
// dialog, driven through their widgets.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

#include "CodeRows.h"
#include "Newrule.h"
#include "RuleCode.h"
#include "Ruleedit.h"
#include "Zoom.h"
#include "editors_test_support.h"

using namespace edtest;

namespace {

const QString kBadStructure = QStringLiteral("A regra não está estruturada da maneira correta!");
const QString kSameVariable =
    QStringLiteral("Não é possível a presença de uma mesma variável nas premissas e conclusões simultaneamente!");
const QString kNoPermission =
    QStringLiteral("Lembre-se de que você não tem permissão para alterar essa base de conhecimento!");

// Puts a line into the line editor as a user would choose it.
void Choose(TdialogEditRule* editor, const QString& var, const QString& value, const QString& op = QStringLiteral("="),
            bool negated = false) {
    editor->comboVars->setEditText(var);
    editor->comboVarsClick();
    if (editor->comboOperators->isVisibleTo(editor)) editor->comboOperators->setEditText(op);
    if (editor->editFormula->isVisibleTo(editor))
        editor->editFormula->setText(value);
    else
        editor->comboValues->setEditText(value);
    editor->checkNot->setChecked(negated);
}

void PickVariable(TdialogEditRule* editor, const QString& var) {
    editor->comboVars->setEditText(var);
    editor->comboVarsClick();
}

QStringList Entries(const QComboBox* combo) {
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i) entries << combo->itemText(i);
    return entries;
}

}  // namespace

class EditorsRuleTest : public QObject {
    Q_OBJECT

    quorvel::TExpertSystem engine_;

private slots:
    void init() { FillSample(engine_); }

    // A new rule written line by line in insert mode: the premises follow one
    // another below the selected row, the first without a connective, and the
    // rule is saved at its order with the others moved up.
    void insertModeWritesARuleLineByLine() {
        TMessageScript messages;
        TTestHost host(engine_);
        TfrmRule* window = host.OpenRule(0, 1);
        QCOMPARE(window->windowTitle(), QStringLiteral("Regra 1"));
        QCOMPARE(Rows(window->listRules), (QStringList{"SE", "ENTÃO"}));
        QCOMPARE(window->SelectedRow(), 0);

        bool groupAtFirst = true;
        WhenModal<TdialogEditRule>([&](TdialogEditRule* editor) {
            QVERIFY(editor->btnInsert->isVisible());
            QVERIFY(!editor->btnModify->isVisible());
            QCOMPARE(editor->btnCancel->text(), QStringLiteral("Fechar"));
            QCOMPARE(editor->btnSwitch->toolTip(), QStringLiteral("Conclusão"));
            groupAtFirst = editor->groupConect->isEnabled();
            Choose(editor, QStringLiteral("febre"), QStringLiteral("sim"));  // any letter case
            editor->btnInsert->click();
            Choose(editor, QStringLiteral("Cor"), QStringLiteral("Azul"));
            editor->radioOr->setChecked(true);
            editor->btnInsert->click();
            Choose(editor, QStringLiteral("Peso"), QStringLiteral("PESO/2"), QStringLiteral(">="), true);
            editor->radioAnd->setChecked(true);
            editor->btnInsert->click();
            editor->btnSwitch->click();
            QVERIFY(editor->comboCnf->isVisible());
            QVERIFY(!editor->groupConect->isVisible());
            Choose(editor, QStringLiteral("Risco"), QStringLiteral("Alto"));
            editor->comboCnf->setEditText(QStringLiteral("80"));
            editor->btnInsert->click();
            Choose(editor, QStringLiteral("Risco"), QStringLiteral("Baixo"));
            editor->comboCnf->setEditText(QString());  // empty: 100 %
            editor->btnInsert->click();
            editor->btnCancel->click();
        });
        window->btnNew->click();
        QVERIFY(!groupAtFirst);
        QCOMPARE(Rows(window->listRules),
                 (QStringList{"SE", "   Febre = Sim", "OU Cor = Azul", "E  NÃO Peso >= PESO/2", "ENTÃO",
                              "   Risco = Alto CNF 80%", "   Risco = Baixo CNF 100%"}));
        QVERIFY(messages.shown.empty());

        window->editName->setText(QStringLiteral("Nova primeira"));
        window->btnOk->click();
        QCOMPARE(host.savedRules.size(), std::size_t{1});
        QCOMPARE(host.savedRules[0].NewOrder, 1);
        QCOMPARE(host.savedRules[0].OldOrder, 5);
        QCOMPARE(RulesInOrder(engine_), (std::vector<int32_t>{5, 1, 2, 3, 4}));
        QVERIFY(engine_.Rules().Find(5));
        QCOMPARE(Screen(engine_.Rules().GetName()), QStringLiteral("Nova primeira"));
        quorvel::TRuleDraft stored(engine_);
        stored.Load(5, false);
        QCOMPARE(Screen(stored.RowText(3)), QStringLiteral("E  NÃO Peso >= PESO/2"));
        QCOMPARE(stored.Line(5).Cnf, 0.8f);
        QCOMPARE(stored.Line(6).Cnf, 1.0f);
        QCOMPARE(host.closedRuleWindows.size(), std::size_t{1});
    }

    // What the line editor offers for each kind of variable.
    void theLineEditorOffersWhatTheVariableTakes() {
        TdialogEditRule& editor = TdialogEditRule::Instance(nullptr);
        editor.FillVariables(engine_);
        editor.SetUp(nullptr, true, false, false);
        QCOMPARE(Entries(editor.comboVars), (QStringList{"Cor", "Febre", "Peso", "Risco"}));

        PickVariable(&editor, QStringLiteral("Febre"));
        QCOMPARE(Entries(editor.comboValues), (QStringList{"DESCONHECIDO", "Não", "Sim"}));
        QCOMPARE(editor.comboValues->currentText(), QStringLiteral("Sim"));
        QCOMPARE(Entries(editor.comboOperators), (QStringList{"=", "<>"}));
        QVERIFY(!editor.editFormula->isVisibleTo(&editor));

        PickVariable(&editor, QStringLiteral("Peso"));
        QCOMPARE(Entries(editor.comboValues), (QStringList{"DESCONHECIDO"}));
        QCOMPARE(Entries(editor.comboOperators), (QStringList{"=", "<>", ">", "<", ">=", "<="}));
        QVERIFY(editor.editFormula->isVisibleTo(&editor));
        QVERIFY(editor.btnZoom->isVisibleTo(&editor));
        QVERIFY(!editor.comboValues->isVisibleTo(&editor));

        PickVariable(&editor, QStringLiteral("Cor"));
        QCOMPARE(Entries(editor.comboValues), (QStringList{"Azul", "DESCONHECIDO", "Roxo", "Verde"}));
    }

    // Each check of a line, in its order, with its message.
    void theLineEditorRefusesWhatCannotBeALine() {
        struct Case {
            bool premise;
            QString var;
            QString op;
            QString value;
            QString cnf;
            QString message;
            int32_t valueCode;
            float cnfValue;
        };
        const Case cases[] = {
            {true, "Febr", "=", "Sim", "", "Variável inexistente!", 0, 1.0f},
            {true, "Febre", "=>", "Sim", "", "Operador inválido!", 0, 1.0f},
            {true, "Febre", "=", "Talvez", "", "Valor inexistente!", 0, 1.0f},
            {true, "Peso", ">", "", "", "Fórmula inválida!", 0, 1.0f},
            {true, "Peso", ">", "seta →", "",
             "A fórmula contém caracteres que uma base do Quorvel não pode guardar: →.", 0, 1.0f},
            {false, "Risco", "", "Alto", "abc", "Grau de confiança inválido!", 0, 1.0f},
            {true, "Febre", "<>", "Não", "", "", quorvel::kCodeNo, 1.0f},
            {true, "Peso", ">", "desconhecido", "", "", quorvel::kCodeUnknown, 1.0f},
            {false, "Risco", "", "baixo", "150", "", 13, 1.5f},
            // the box's three characters span -99 % to 999 %; an exponent would reach past them
            {false, "Risco", "", "baixo", "-99", "", 13, -0.99f},
            {false, "Risco", "", "Alto", "9e9", "Grau de confiança inválido!", 0, 1.0f},
            {false, "Risco", "", "Alto", "", "", 2, 1.0f},
        };
        TdialogEditRule& editor = TdialogEditRule::Instance(nullptr);
        for (const Case& c : cases) {
            TMessageScript messages;
            editor.FillVariables(engine_);
            editor.SetUp(nullptr, c.premise, false, false);
            Choose(&editor, c.var, c.value, c.op);
            if (!c.premise) editor.comboCnf->setEditText(c.cnf);
            const bool accepted = editor.ValidateLine();
            QCOMPARE(accepted, c.message.isEmpty());
            QCOMPARE(messages.Texts(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
            if (accepted) {
                QCOMPARE(editor.Result().ValueCode, c.valueCode);
                QCOMPARE(editor.Result().Cnf, c.cnfValue);
            }
        }
    }

    // Alterar rewrites a premise and the connective above it; Excluir hands
    // the connective on; the Del key deletes too.
    void changingAndDeletingLines() {
        TMessageScript messages;
        TTestHost host(engine_);
        TfrmRule* window = host.OpenRule(3);  // Cor = Verde E Febre = Não -> Peso = PESO+1
        QCOMPARE(Rows(window->listRules),
                 (QStringList{"SE", "   Cor = Verde", "E  Febre = Não", "ENTÃO", "   Peso = PESO+1 CNF 100%"}));
        window->SelectRow(0);
        QVERIFY(window->btnNew->isEnabled());
        QVERIFY(!window->btnChange->isEnabled());
        QVERIFY(!window->btnDel->isEnabled());

        window->SelectRow(2);
        WhenModal<TdialogEditRule>([](TdialogEditRule* editor) {
            QVERIFY(editor->btnModify->isVisible());
            QVERIFY(editor->groupConect->isEnabled());
            QVERIFY(editor->radioAnd->isChecked());  // the connective stored above
            QCOMPARE(editor->comboVars->currentText(), QStringLiteral("Febre"));
            QCOMPARE(editor->comboValues->currentText(), QStringLiteral("Não"));
            Choose(editor, QStringLiteral("Risco"), QStringLiteral("Baixo"), QStringLiteral("<>"), true);
            editor->radioOr->setChecked(true);
            editor->btnModify->click();
        });
        window->btnChange->click();
        QCOMPARE(Rows(window->listRules),
                 (QStringList{"SE", "   Cor = Verde", "OU NÃO Risco <> Baixo", "ENTÃO", "   Peso = PESO+1 CNF 100%"}));

        window->SelectRow(4);
        WhenModal<TdialogEditRule>([](TdialogEditRule* editor) {
            QCOMPARE(editor->editFormula->text(), QStringLiteral("PESO+1"));
            QCOMPARE(editor->comboCnf->currentText(), QStringLiteral("100"));
            editor->editFormula->setText(QStringLiteral("PESO+3"));
            editor->comboCnf->setEditText(QStringLiteral("40"));
            editor->btnModify->click();
        });
        window->btnChange->click();
        QCOMPARE(window->listRules->RowText(4), QStringLiteral("   Peso = PESO+3 CNF 40%"));

        window->SelectRow(1);
        QTest::keyClick(window->listRules, Qt::Key_Delete);
        QCOMPARE(Rows(window->listRules),
                 (QStringList{"SE", "   NÃO Risco <> Baixo", "ENTÃO", "   Peso = PESO+3 CNF 40%"}));
        QCOMPARE(window->SelectedRow(), 0);
        QVERIFY(messages.shown.empty());
    }

    void checksBeforeSaving() {
        struct Case {
            int32_t rule;
            QString order;
            QString message;
            TMsgKind kind;
        };
        const Case cases[] = {
            {0, "1", kBadStructure, TMsgKind::Error},
            {1, "", QStringLiteral("É necessário que a regra tenha uma ordem!"), TMsgKind::Warning},
            {1, "dois", QStringLiteral("Ordem de regra inválida!"), TMsgKind::Warning},
        };
        for (const Case& c : cases) {
            TMessageScript messages;
            TTestHost host(engine_);
            TfrmRule* window = host.OpenRule(c.rule, 1);
            window->editOrder->setText(c.order);
            window->btnOk->click();
            QCOMPARE(messages.Texts(), QStringList{c.message});
            QCOMPARE(messages.shown[0].kind, c.kind);
            QVERIFY(window->isVisible());  // kept open
            QVERIFY(host.savedRules.empty());
            window->btnCancel->click();
        }

        TMessageScript messages;
        TTestHost host(engine_);
        TfrmRule* window = host.OpenRule(1);
        window->SelectRow(window->Draft().ThenRow());
        quorvel::TLineInput line;
        line.VarCode = 1;  // Febre in a conclusion too
        line.ValueCode = quorvel::kCodeNo;
        QVERIFY(window->InsertConclusion(window->Draft().ThenRow(), line));
        window->btnOk->click();
        QCOMPARE(messages.Texts(), QStringList{kSameVariable});
        window->btnCancel->click();
    }

    // Cancel leaves the base as it was, formulas included; the close box
    // saves like OK.
    void cancelKeepsTheBaseAndTheCloseBoxSaves() {
        TMessageScript messages;
        const std::vector<uint8_t> before = Bytes(engine_);
        {
            TTestHost host(engine_);
            TfrmRule* window = host.OpenRule(2);  // Peso > PESO*2
            for (const char* formula : {"PESO*3", "PESO*4"}) {
                window->SelectRow(1);
                WhenModal<TdialogEditRule>([formula](TdialogEditRule* editor) {
                    editor->editFormula->setText(QLatin1String(formula));
                    editor->btnModify->click();
                });
                window->btnChange->click();
            }
            QCOMPARE(window->listRules->RowText(1), QStringLiteral("   Peso > PESO*4"));
            QCOMPARE(Bytes(engine_), before);  // nothing reaches the base before OK
            window->btnCancel->click();
            QVERIFY(host.savedRules.empty());
        }
        QCOMPARE(Bytes(engine_), before);

        TTestHost host(engine_);
        TfrmRule* window = host.OpenRule(2);
        window->editName->setText(QStringLiteral("Pelo botão de fechar"));
        window->editOrder->setText(QStringLiteral("9"));
        window->close();
        QCOMPARE(host.savedRules.size(), std::size_t{1});
        QCOMPARE(RulesInOrder(engine_), (std::vector<int32_t>{1, 3, 4, 2}));
        QVERIFY(messages.shown.empty());
    }

    void novaSavesAndAsksForTheNextRule() {
        TMessageScript messages;
        TTestHost host(engine_);
        TfrmRule* window = host.OpenRule(4);
        window->btnNextRule->click();
        QCOMPARE(host.savedRules.size(), std::size_t{1});
        QCOMPARE(host.newRuleCommands, 0);  // once the window is gone
        QTRY_COMPARE(host.newRuleCommands, 1);

        TfrmRule* empty = host.OpenRule(0, 5);
        empty->btnNextRule->click();
        QCOMPARE(messages.Texts(), QStringList{kBadStructure});
        QVERIFY(empty->isVisible());
        QTest::qWait(20);
        QCOMPARE(host.newRuleCommands, 1);
        empty->btnCancel->click();
    }

    void withoutPermissionNothingIsSaved() {
        TMessageScript messages;
        engine_.AccessLevel = quorvel::kAccessConsultAndView;
        const std::vector<uint8_t> before = Bytes(engine_);
        TTestHost host(engine_);
        TfrmRule* window = host.OpenRule(1);
        window->SelectRow(1);
        window->btnDel->click();
        quorvel::TLineInput line;
        line.VarCode = 2;
        line.ValueCode = 12;
        window->InsertPremise(0, line);
        window->btnOk->click();
        QCOMPARE(messages.Texts(), QStringList{kNoPermission});
        QCOMPARE(messages.shown[0].kind, TMsgKind::Information);
        QVERIFY(host.savedRules.empty());
        QCOMPARE(host.closedRuleWindows.size(), std::size_t{1});
        QCOMPARE(Bytes(engine_), before);
    }

    // A rule deleted while its window was open is not written back.
    void aDeletedRuleIsNotWrittenBack() {
        TMessageScript messages;
        TTestHost host(engine_);
        TfrmRule* window = host.OpenRule(4);
        quorvel::RemoveRule(engine_, 4);
        window->btnOk->click();
        QCOMPARE(messages.Texts(), QStringList{QString::fromUtf8(quorvel::msg::RuleNoLongerExists)});
        QVERIFY(host.savedRules.empty());
        QCOMPARE(RulesInOrder(engine_), (std::vector<int32_t>{1, 2, 3}));
        QVERIFY(!engine_.Tails().Find(4));
    }

    void theNewRuleDialogKeepsTheOrderWithinBounds() {
        TdialogNewRule& dialog = TdialogNewRule::Instance(nullptr);
        dialog.Prepare(3);
        QCOMPARE(dialog.editOrder->text(), QStringLiteral("4"));
        QStringList models;
        for (int i = 0; i < dialog.comboModel->count(); ++i) models << dialog.comboModel->itemText(i);
        QCOMPARE(models, (QStringList{"NENHUM", "Regra 3", "Regra 2", "Regra 1"}));
        QCOMPARE(dialog.ModelIndex(), 0);

        struct Case {
            QString typed;
            bool accepted;
            int32_t order;
        };
        const Case cases[] = {{"0", false, 0}, {"-5", false, 0}, {"x", false, 0},
                              {"99", true, 4}, {"2", true, 2},   {"4", true, 4}};
        for (const Case& c : cases) {
            TMessageScript messages;
            bool accepted = false;
            WhenModal<TdialogNewRule>([&](TdialogNewRule* shown) {
                shown->editOrder->setText(c.typed);
                shown->btnOk->click();
                accepted = shown->result() == QDialog::Accepted && !shown->isVisible();
                if (shown->isVisible()) shown->btnCancel->click();  // Cancel closes after a refused OK
            });
            const bool ok = dialog.Ask(3);
            QCOMPARE(ok, c.accepted);
            QCOMPARE(accepted, c.accepted);
            QCOMPARE(messages.Texts(), c.accepted ? QStringList() : QStringList{"Ordem de regra inválida"});
            if (ok) QCOMPARE(dialog.Order(), c.order);
        }
    }

    void theZoomBoxEditsTheFormula() {
        TdialogEditRule& editor = TdialogEditRule::Instance(nullptr);
        editor.FillVariables(engine_);
        editor.SetUp(nullptr, true, false, false);
        Choose(&editor, QStringLiteral("Peso"), QStringLiteral("PESO*2"));
        WhenModal<TdialogZoom>([](TdialogZoom* zoom) {
            QCOMPARE(zoom->memoFormula->toPlainText(), QStringLiteral("PESO*2"));
            QCOMPARE(zoom->memoFormula->textCursor().selectedText(), QStringLiteral("PESO*2"));
            QTest::keyClicks(zoom->memoFormula, QStringLiteral("(PESO+1)*2"));
            QTest::keyClick(zoom->memoFormula, Qt::Key_Return);  // no line break: OK
        });
        editor.btnZoom->click();
        QCOMPARE(editor.editFormula->text(), QStringLiteral("(PESO+1)*2"));
    }
};

QTEST_MAIN(EditorsRuleTest)
#include "editors_rule_test.moc"
