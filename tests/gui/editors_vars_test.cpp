// The variables editor driven through its widgets: names and kinds, values
// and intervals, the warnings of deletions that take rules along, value
// reordering by dragging, and the changes applied on OK.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

#include "EditorCommon.h"
#include "VarsCode.h"
#include "editors_test_support.h"

using namespace edtest;

namespace {

const QString kSameVariables = QStringLiteral("Você não pode incluir variáveis com nomes iguais!");
const QString kBadInterval = QStringLiteral(
    "Você colocou um valor inaceitável de intervalo. Deixe os valores em branco ou coloque um intervalo do tipo "
    "\"min;max\"");

void SelectVar(TfrmVars* window, const QString& name) {
    window->listVars->setCurrentRow(RowOf(window->listVars, name));
}

void SelectValue(TfrmVars* window, const QString& name) {
    window->listValues->setCurrentRow(RowOf(window->listValues, name));
}

// Types a variable name into the box and confirms it with Enter.
void TypeVar(TfrmVars* window, const QString& name) {
    window->editVar->setText(name);
    QTest::keyClick(window->editVar, Qt::Key_Return);
}

void TypeValue(TfrmVars* window, const QString& name) {
    window->editValue->setText(name);
    QTest::keyClick(window->editValue, Qt::Key_Return);
}

}  // namespace

class EditorsVarsTest : public QObject {
    Q_OBJECT

    quorvel::TExpertSystem engine_;

private slots:
    void init() { FillSample(engine_); }

    void opensWithTheVariablesAndNothingSelected() {
        TTestHost host(engine_);
        auto* window = new TfrmVars(host);
        window->show();
        QCOMPARE(Rows(window->listVars), (QStringList{"Cor", "Febre", "Peso", "Risco"}));
        QCOMPARE(window->listValues->count(), 0);
        for (QWidget* enabled : std::initializer_list<QWidget*>{window->listVars, window->listValues, window->btnNewVar,
                                                                window->btnOk, window->btnCancel, window->btnHelp})
            QVERIFY(enabled->isEnabled());
        for (QWidget* disabled : std::initializer_list<QWidget*>{
                 window->editVar, window->editValue, window->btnVarAccept, window->btnValueAccept, window->optionUni,
                 window->optionNumeric, window->btnDelVar, window->btnNewValue, window->btnDelValue})
            QVERIFY(!disabled->isEnabled());
        QVERIFY(!window->labelVar->isEnabled());  // drawn grey

        SelectVar(window, QStringLiteral("Peso"));
        QVERIFY(window->optionNumeric->isChecked());
        QCOMPARE(window->labelValue->text(), QStringLiteral("Intervalo:"));
        QCOMPARE(window->labelValues->text(), QStringLiteral("Intervalo"));
        QCOMPARE(Rows(window->listValues), QStringList{"0;100"});
        SelectVar(window, QStringLiteral("Cor"));
        QVERIFY(window->optionUni->isChecked());
        QCOMPARE(window->labelValue->text(), QStringLiteral("Valor:"));
        QCOMPARE(Rows(window->listValues), (QStringList{"Azul", "Verde", "Roxo"}));  // in value order
        QCOMPARE(window->editVar->text(), QStringLiteral("Cor"));
        QVERIFY(!window->editValue->isEnabled());
        window->btnCancel->click();
    }

    // New names and renames are refused when they would repeat a variable
    // (any letter case), hold a double quote or only blanks.
    void variableNamesAreChecked() {
        struct Case {
            bool rename;
            QString typed;
            QString message;
        };
        const Case cases[] = {
            {false, "febre", kSameVariables},
            {false, "Dor \"forte\"", QStringLiteral("Não se pode utilizar aspas duplas no nome da variável!")},
            {false, "   ", QStringLiteral("O nome da variável não pode ser somente espaços em branco!")},
            {false, "Dor ≠",
             QStringLiteral("O nome da variável contém caracteres que uma base do Quorvel não pode "
                            "guardar: ≠.")},
            {true, "RISCO", kSameVariables},
            {true, "Cor", QString()},  // its own name
            {true, "  Tonalidade ", QString()},
            {false, "  Dor ", QString()},
        };
        for (const Case& c : cases) {
            TMessageScript messages;
            TTestHost host(engine_);
            auto* window = new TfrmVars(host);
            window->show();
            if (c.rename)
                SelectVar(window, QStringLiteral("Cor"));
            else
                window->btnNewVar->click();
            TypeVar(window, c.typed);
            QCOMPARE(messages.Texts(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
            if (c.message.isEmpty()) {
                QVERIFY(RowOf(window->listVars, c.typed.trimmed()) >= 0);
                QCOMPARE(window->editVar->text(), c.typed.trimmed());
            } else {
                QCOMPARE(window->listVars->count(), 4);
            }
            window->btnCancel->click();
        }
    }

    // A new numeric variable takes one interval; wrong intervals and a second
    // value are refused.
    void numericVariablesTakeOneInterval() {
        struct Case {
            QString typed;
            QString message;
        };
        const Case cases[] = {
            {"100;0", kBadInterval},
            {"5;5", kBadInterval},
            {";", kBadInterval},
            {"10.0;20", kBadInterval},
            {"abc", QStringLiteral("\"abc\" não é um número válido.")},
            {"0;100", QString()},
            {"5;", QString()},
            {";5", QString()},
        };
        for (const Case& c : cases) {
            TMessageScript messages;
            TTestHost host(engine_);
            auto* window = new TfrmVars(host);
            window->show();
            window->btnNewVar->click();
            window->optionNumeric->setChecked(true);
            TypeVar(window, QStringLiteral("Idade"));
            QVERIFY(window->Inserting());
            QVERIFY(window->editValue->isEnabled());
            TypeValue(window, c.typed);
            QCOMPARE(messages.Texts(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
            QCOMPARE(Rows(window->listValues), c.message.isEmpty() ? QStringList{c.typed} : QStringList());
            if (c.message.isEmpty()) {
                TypeValue(window, QStringLiteral("1;2"));
                QCOMPARE(messages.Texts().value(0),
                         QStringLiteral("Você não pode incluir mais nenhum valor em uma variável numérica!"));
                QCOMPARE(window->listValues->count(), 1);
            }
            window->btnCancel->click();
        }
    }

    void valueNamesAreChecked() {
        TMessageScript messages;
        TTestHost host(engine_);
        auto* window = new TfrmVars(host);
        window->show();
        SelectVar(window, QStringLiteral("Cor"));
        window->btnNewValue->click();
        messages.answers = {TMsgResult::No};
        TypeValue(window, QStringLiteral("Sim"));
        QCOMPARE(messages.Texts(), QStringList{"Você não precisa colocar valores se sua variável for do tipo Sim/Não. "
                                               "Deseja continuar mesmo assim?"});
        QCOMPARE(window->editValue->text(), QString());  // No empties the box
        messages.Clear();
        for (const char* refused : {"verde", "DESCONHECIDO", "a\"b"}) TypeValue(window, QString::fromUtf8(refused));
        QCOMPARE(messages.Texts(), (QStringList{"Você não pode incluir valores com nomes iguais!",
                                                QString::fromUtf8(quorvel::msg::UnknownAsValueName),
                                                "Não se pode utilizar aspas duplas no nome do valor!"}));
        messages.Clear();
        TypeValue(window, QStringLiteral("Cinza"));
        TypeValue(window, QStringLiteral("Preto"));
        QCOMPARE(Rows(window->listValues), (QStringList{"Azul", "Verde", "Roxo", "Cinza", "Preto"}));
        SelectValue(window, QStringLiteral("Roxo"));
        TypeValue(window, QStringLiteral("azul"));  // another value's name
        QCOMPARE(messages.Texts(), QStringList{"Você não pode incluir valores com nomes iguais!"});
        TypeValue(window, QStringLiteral("ROXO"));  // its own, in other letters
        QCOMPARE(Rows(window->listValues), (QStringList{"Azul", "Verde", "ROXO", "Cinza", "Preto"}));
        window->btnCancel->click();
    }

    // Switching a variable with values to numeric asks first; No leaves it as
    // it was, Yes removes the values (asking again for one that a rule uses).
    void switchingToNumericAsksBeforeRemovingValues() {
        TMessageScript messages;
        TTestHost host(engine_);
        auto* window = new TfrmVars(host);
        window->show();
        SelectVar(window, QStringLiteral("Cor"));
        messages.answers = {TMsgResult::No};
        window->optionNumeric->click();
        QCOMPARE(messages.Texts(), QStringList{"Você irá apagar os valores existentes. Deseja continuar?"});
        QVERIFY(window->optionUni->isChecked());
        QCOMPARE(window->listValues->count(), 3);
        QVERIFY(!window->Draft().Variable(2)->Numeric);

        messages.Clear();
        messages.answers = {TMsgResult::Yes, TMsgResult::No};  // declines the warning for Azul (rule 4)
        window->optionNumeric->click();
        QCOMPARE(messages.Texts().size(), 2);
        QVERIFY(messages.Texts()[1].startsWith(QStringLiteral("Atenção! A regra 4 (Quarta) utiliza esse valor. ")));
        QCOMPARE(window->listValues->count(), 3);  // nothing removed
        QVERIFY(window->optionUni->isChecked());

        messages.Clear();
        window->optionNumeric->click();  // Yes to everything
        QCOMPARE(window->listValues->count(), 0);
        QVERIFY(window->optionNumeric->isChecked());
        QCOMPARE(window->labelValues->text(), QStringLiteral("Intervalo"));
        window->btnOk->click();
        // Rules 3 and 4 used Azul and Verde; numbering closed up.
        QCOMPARE(RulesInOrder(engine_), (std::vector<int32_t>{1, 2}));
        QVERIFY(engine_.Vars().Find(2));
        QVERIFY(engine_.Vars().GetNumeric());
        QVERIFY(!engine_.Values().FindByVarCode(2));
    }

    void theKindButtonsNeedAVariable() {
        TMessageScript messages;
        TTestHost host(engine_);
        auto* window = new TfrmVars(host);
        window->show();
        window->optionMulti->setEnabled(true);
        window->optionMulti->click();
        QCOMPARE(messages.Texts(), QStringList{"É necessário ter alguma variável selecionada!"});
        window->btnCancel->click();
    }

    // Deleting a value used by rule 3 names that rule; on OK every rule using
    // it goes, its open rule window closes unsaved, the values below move up.
    void aDeletedValueTakesItsRulesAndTheirWindows() {
        TMessageScript messages;
        TTestHost host(engine_);
        TfrmRule* three = host.OpenRule(3);
        TfrmRule* one = host.OpenRule(1);
        three->editName->setText(QStringLiteral("Alterada mas não salva"));
        auto* window = new TfrmVars(host);
        window->show();
        SelectVar(window, QStringLiteral("Cor"));
        SelectValue(window, QStringLiteral("Verde"));
        messages.answers = {TMsgResult::No};
        window->btnDelValue->click();
        QCOMPARE(
            messages.Texts(),
            QStringList{"Atenção! A regra 3 (Terceira) utiliza esse valor. Apagar esse valor apagará essa regra bem "
                        "como todas as que estão em mesmas condições. Continuar?"});
        QCOMPARE(window->listValues->count(), 3);
        window->btnDelValue->click();
        QCOMPARE(Rows(window->listValues), (QStringList{"Azul", "Roxo"}));
        QCOMPARE(window->listValues->currentRow(), 0);  // the row above
        QVERIFY(engine_.Values().Find(11));             // nothing applied before OK

        window->btnOk->click();
        QVERIFY(!engine_.Values().Find(11));
        QCOMPARE(RulesInOrder(engine_), (std::vector<int32_t>{1, 2, 4}));
        QVERIFY(engine_.Rules().Find(3) == false);
        QVERIFY(engine_.Values().Find(12));
        QCOMPARE(engine_.Values().GetPosition(), 2);
        QCOMPARE(host.closedRuleWindows.size(), std::size_t{1});
        QCOMPARE(host.closedRuleWindows[0], three);
        QVERIFY(host.savedRules.empty());  // closed without saving
        QVERIFY(one->isVisible());
        QCOMPARE(host.appliedVariables.size(), std::size_t{1});
        QCOMPARE(host.appliedVariables[0].DeletedRules, (std::vector<int32_t>{3}));
    }

    void aDeletedVariableLeavesTheWatchPanelToo() {
        TMessageScript messages;
        TTestHost host(engine_);
        auto* window = new TfrmVars(host);
        window->show();
        SelectVar(window, QStringLiteral("Risco"));
        window->btnDelVar->click();
        QCOMPARE(messages.Texts(),
                 QStringList{"Atenção! A regra 1 (Primeira) utiliza essa variável.Apagar essa variável apagará essa "
                             "regra bem como todas as que estão em mesmas condições. Continuar?"});
        QCOMPARE(Rows(window->listVars), (QStringList{"Cor", "Febre", "Peso"}));
        QCOMPARE(window->editVar->text(), QStringLiteral("Peso"));  // the row above is selected
        window->btnOk->click();
        QCOMPARE(host.deletedVariables, (std::map<int32_t, std::string>{{4, "Risco"}}));
        QCOMPARE(RulesInOrder(engine_), (std::vector<int32_t>{3}));
        QCOMPARE(engine_.Targets().Count(), 0);
    }

    void valuesMoveByDragging() {
        TMessageScript messages;
        TTestHost host(engine_);
        auto* window = new TfrmVars(host);
        window->resize(600, 500);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        SelectVar(window, QStringLiteral("Cor"));
        DragRow(window->listValues, 2, 0);
        QCOMPARE(Rows(window->listValues), (QStringList{"Roxo", "Azul", "Verde"}));
        QCOMPARE(window->listValues->currentRow(), 0);
        DragRow(window->listValues, 1, 1);  // onto itself: nothing
        QCOMPARE(Rows(window->listValues), (QStringList{"Roxo", "Azul", "Verde"}));
        window->btnOk->click();
        std::vector<quorvel::TValueListEntry> values;
        engine_.ValueList(2, values);
        QStringList names;
        for (const auto& value : values) names << Screen(value.Name);
        QCOMPARE(names, (QStringList{"Roxo", "Azul", "Verde"}));
        QVERIFY(messages.shown.empty());
    }

    // OK waits for the editors that show variables; Cancel never does.
    void okWaitsForTheOtherEditors() {
        TMessageScript messages;
        TTestHost host(engine_);
        host.openEditors = {TEditorKind::Targets, TEditorKind::Infos};
        auto* window = new TfrmVars(host);
        window->show();
        window->btnOk->click();
        QCOMPARE(messages.Texts(),
                 (QStringList{"A janela de definição de objetivos está aberta. Por favor, feche-a antes de atualizar "
                              "as variáveis.",
                              "A janela de informações gerais está aberta. Por favor, feche-a antes de atualizar as "
                              "variáveis."}));
        QVERIFY(window->isVisible());
        window->btnCancel->click();
        QCOMPARE(host.closedEditors, std::vector<TEditorKind>{TEditorKind::Variables});
    }

    void cancelLeavesTheBaseAlone() {
        TMessageScript messages;
        const std::vector<uint8_t> before = Bytes(engine_);
        TTestHost host(engine_);
        auto* window = new TfrmVars(host);
        window->show();
        SelectVar(window, QStringLiteral("Risco"));
        window->btnDelVar->click();
        SelectVar(window, QStringLiteral("Cor"));
        TypeVar(window, QStringLiteral("Tonalidade"));
        window->btnNewVar->click();
        TypeVar(window, QStringLiteral("Nova"));
        TypeValue(window, QStringLiteral("um"));
        window->btnCancel->click();
        QCOMPARE(Bytes(engine_), before);
        QVERIFY(host.appliedVariables.empty());
    }

    void withoutPermissionNothingIsApplied() {
        TMessageScript messages;
        engine_.AccessLevel = quorvel::kAccessConsultAndView;
        const std::vector<uint8_t> before = Bytes(engine_);
        TTestHost host(engine_);
        auto* window = new TfrmVars(host);
        window->show();
        window->btnNewVar->click();
        TypeVar(window, QStringLiteral("Nova"));
        window->btnOk->click();
        QCOMPARE(messages.Texts(),
                 QStringList{"Lembre-se de que você não tem permissão para alterar esta base de conhecimento!"});
        QCOMPARE(Bytes(engine_), before);
    }

    // Turning a yes/no variable numeric would read its rules' Sim and Não as
    // formulas: the rules that hold them are named first and go on OK.
    void aKindChangeNamesTheRulesItTakes() {
        TMessageScript messages;
        TTestHost host(engine_);
        auto* window = new TfrmVars(host);
        window->show();
        SelectVar(window, QStringLiteral("Febre"));
        messages.answers = {TMsgResult::No};
        window->optionNumeric->click();
        QCOMPARE(messages.Texts().size(), 1);
        QVERIFY(messages.Texts()[0].startsWith(QStringLiteral("Atenção! A regra 1 (Primeira) utiliza essa variável")));
        QVERIFY(window->optionUni->isChecked());
        window->optionMulti->click();  // no kind change that matters: no question
        QCOMPARE(messages.Texts().size(), 1);
        window->optionNumeric->click();
        window->btnOk->click();
        QCOMPARE(RulesInOrder(engine_), (std::vector<int32_t>{2, 4}));
    }
};

QTEST_MAIN(EditorsVarsTest)
#include "editors_vars_test.moc"
