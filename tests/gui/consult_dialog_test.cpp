// Whole consultations through the question dialog: options and numbers with
// their validation, the confidence boxes, "Por que?", going back to the last
// question, stopping and the dialog's close box.
#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

#include "AddWVars.h"
#include "ConsultImages.h"
#include "ConsultViews.h"
#include "ExDlgWhy.h"
#include "MessageBoxSink.h"
#include "OpenImages.h"
#include "Results.h"
#include "RuleView.h"
#include "consult_test_support.h"

using namespace consulttest;

namespace {

QStringList OptionTexts(const TRunTime* dialog) {
    QStringList texts;
    for (int i = 0; i < dialog->Prompt->OptionCount(); ++i) texts << dialog->Prompt->Option(i)->text();
    return texts;
}

QStringList GridRows(const TValuesGrid* grid) {
    QStringList rows;
    for (int row = 0; row < grid->RowCount(); ++row) rows << grid->Cell(0, row) + QLatin1Char('|') + grid->Cell(1, row);
    return rows;
}

bool SameImage(const QIcon& icon, int allVarsImage) {
    return icon.pixmap(16, 16).toImage() == quorvel::gui::AllVarsImage(allVarsImage).pixmap(16, 16).toImage();
}

const quorvel::TInstance* LastInstanceOf(const quorvel::TExpertSystem& engine, int32_t varCode) {
    const quorvel::TInstance* found = nullptr;
    for (const quorvel::TInstance& instance : const_cast<quorvel::TExpertSystem&>(engine).Instances().Items())
        if (instance.VarCode == varCode) found = &instance;
    return found;
}

}  // namespace

class ConsultDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        // No real message box may wait for a click in these tests.
        quorvel::gui::SetMessageHook(
            [](TMsgKind, TMsgButtons, const QString&) { return std::optional<TMsgResult>(TMsgResult::Ok); });
    }
    void cleanup() { quorvel::gui::SetMessageHook(nullptr); }

    void WholeConsultationAnswersOptionsAndNumbersAndShowsEachTarget();
    void ConfidenceBoxesFilterClampAndValidate_data();
    void ConfidenceBoxesFilterClampAndValidate();
    void WhyShowsTheReasonsOrTheRuleBeingTried();
    void BackDuringTheSecondQuestionAsksTheFirstAgain();
    void StopWhileAQuestionIsShownEndsQuietly();
    void TheCloseBoxAsksBeforeStopping();
    void StartWithoutConclusionsOnlyTellsTheUser();
    void AFormulaErrorEndsWithTheErrorAlone();
};

void ConsultDialogTest::WholeConsultationAnswersOptionsAndNumbersAndShowsEachTarget() {
    TFrame f;
    QStringList firstResults, secondResults, history, allValues;
    QStringList refusals;
    TScript script;
    f.Guard(script);
    script
        .Then(
            "Febre", [&] { return f.Asking(kFebre); },
            [&] {
                TRunTime* q = f.Question();
                QCOMPARE(q->windowTitle(), QStringLiteral("Triagem de teste"));
                QVERIFY(q->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
                QCOMPARE(q->labelQuestion->text(), QStringLiteral("Tem febre?"));
                QCOMPARE(q->labelInfo->text(), QStringLiteral("(Marque somente uma alternativa)"));
                QCOMPARE(OptionTexts(q), (QStringList{QStringLiteral("Sim"), QStringLiteral("N\u00E3o")}));
                QVERIFY(q->panelOption->isVisible());
                QVERIFY(q->panelCnf->isVisible());
                QVERIFY(q->btnWhy->isVisible());
                QVERIFY(!f.child->isEnabled());
                QVERIFY(!f.windows->BackEnabled());
                ChooseOption(q, 0);
                Click(q->btnOk);
                QVERIFY(!q->isVisible());
            })
        .Then(
            "Tosse", [&] { return f.Asking(kTosse); },
            [&] {
                QVERIFY(f.windows->BackEnabled());
                ChooseOption(f.Question(), 0);
                Click(f.Question()->btnOk);
            })
        .Then(
            "resultados de Diagnóstico", [&] { return f.windows->frmResults->isVisible(); },
            [&] {
                TfrmResults* r = f.windows->frmResults;
                QCOMPARE(r->windowTitle(), QStringLiteral("Resultados"));
                QCOMPARE(r->Page(), int(TfrmResults::kPageResults));
                QCOMPARE(r->panelVarName->text(), QStringLiteral("Diagn\u00F3stico"));
                // A base without a help file offers no help on its values.
                QVERIFY(!r->labelHelp->isVisible());
                QVERIFY(!r->btnHelpOnItem->isVisible());
                firstResults = GridRows(r->ValuesGrid);
                // Another variable is checked again: one that does not exist shows an empty grid.
                r->ValuesGrid->SetVarCode(999);
                r->ValuesGrid->Refresh();
                QCOMPARE(GridRows(r->ValuesGrid), (QStringList{"|", "|"}));
                Click(r->btnOk);
            })
        .Then(
            "Idade", [&] { return f.Asking(kIdade); },
            [&] {
                TRunTime* q = f.Question();
                QVERIFY(!f.windows->BackEnabled());
                QCOMPARE(q->labelInfo->text(), QStringLiteral("(Coloque na faixa abaixo de valores)"));
                QVERIFY(!q->panelOption->isVisible());
                QVERIFY(q->Prompt->panelMin->isVisible());
                QCOMPARE(q->Prompt->panelMin->text(), QStringLiteral("0"));
                QCOMPARE(q->Prompt->panelMax->text(), QStringLiteral("120"));
                QVERIFY(q->Prompt->scrollValue->isVisible());
                QCOMPARE(q->Prompt->scrollValue->maximum(), 120);
                // Each refusal keeps the question up and stores nothing.
                for (const QString& typed : {QStringLiteral("150"), QStringLiteral("-5"), QStringLiteral("abc")}) {
                    TypeValue(q, typed);
                    Click(q->btnOk);
                    QVERIFY(q->isVisible());
                    refusals << f.sink.texts.value(f.sink.texts.size() - 1);
                }
                QVERIFY(f.engine->Waiting);
                // The slider writes its position into the value edit.
                q->Prompt->scrollValue->setValue(30);
                QCOMPARE(q->Prompt->editValue->text(), QStringLiteral("30"));
                Click(q->btnOk);
            })
        .Then(
            "Sintomas", [&] { return f.Asking(kSintomas); },
            [&] {
                TRunTime* q = f.Question();
                QCOMPARE(q->labelQuestion->text(), QStringLiteral("Qual o valor de Sintomas ?"));
                QCOMPARE(q->labelInfo->text(), QStringLiteral("(Marque quantas alternativas desejar)"));
                ChooseOption(q, 0);
                ChooseOption(q, 1);
                QVERIFY(q->Prompt->Option(0)->isChecked());
                TypeCnf(q, 0, QStringLiteral("80"));
                TypeCnf(q, 1, QStringLiteral("60"));
                Click(q->btnOk);
            })
        .Then(
            "resultados de Risco", [&] { return f.windows->frmResults->isVisible(); },
            [&] {
                TfrmResults* r = f.windows->frmResults;
                QCOMPARE(r->panelVarName->text(), QStringLiteral("Risco"));
                secondResults = GridRows(r->ValuesGrid);
                history = r->ConsultTree->Texts();
                QVERIFY(r->ConsultTree->selectionModel()->isSelected(r->ConsultTree->model()->index(0, 0)));
                allValues = r->AllVars->Texts();
                using Tester = QAbstractItemModelTester;
                const Tester allVarsRows(r->AllVars->model(), Tester::FailureReportingMode::QtTest);
                const Tester gridRows(r->ValuesGrid->model(), Tester::FailureReportingMode::QtTest);
                const QModelIndex variable = r->AllVars->model()->index(0, 0);
                const QModelIndex value = r->AllVars->model()->index(0, 0, variable);
                const auto shownImage = [r](const QModelIndex& index) {
                    return quorvel::gui::ShownDecoration(r->AllVars, index).value<QIcon>();
                };
                QVERIFY(!r->AllVars->isExpanded(variable));
                r->SetPage(TfrmResults::kPageAllValues);
                Click(r->btnExpandVars);
                QVERIFY(r->AllVars->isExpanded(variable));
                QVERIFY(SameImage(shownImage(variable), quorvel::gui::kVarExpanded));
                QVERIFY(SameImage(shownImage(value), quorvel::gui::kVarValue));
                Click(r->btnCollapseVars);
                QVERIFY(!r->AllVars->isExpanded(variable));
                QVERIFY(SameImage(shownImage(variable), quorvel::gui::kVarCollapsed));
                QVERIFY(SameImage(shownImage(value), quorvel::gui::kVarValue));
                r->SetPage(TfrmResults::kPageSystem);
                QCOMPARE(r->RuleView->count(), 14);
                QCOMPARE(r->RuleView->RowText(0), QStringLiteral("REGRA 1"));
                QCOMPARE(r->RuleView->RowText(2), QStringLiteral("E  Tosse = Sim"));
                Click(r->btnOk);
            });
    f.windows->TurnOnExecutionMode();
    QVERIFY2(script.Done(), qPrintable(script.Waiting()));

    QCOMPARE(firstResults, (QStringList{QStringLiteral("Valor|CNF (%)"), QStringLiteral("Gripe|80")}));
    QCOMPARE(secondResults, (QStringList{QStringLiteral("Valor|CNF (%)"), QStringLiteral("alto|54")}));
    QCOMPARE(refusals, (QStringList{QStringLiteral("O valor n\u00E3o pode exceder o m\u00E1ximo!"),
                                    QStringLiteral("O valor n\u00E3o pode ser inferior ao m\u00EDnimo!"),
                                    QStringLiteral("Valor num\u00E9rico inv\u00E1lido!")}));
    // The tree grows through the consultation: both targets' searches are in it.
    QVERIFY(history.contains(QStringLiteral("Procurando Diagn\u00F3stico ...")));
    QVERIFY(history.contains(QStringLiteral("Procurando Risco ...")));
    QVERIFY(history.contains(QStringLiteral("  Resposta do usu\u00E1rio:  30, com 100%")));
    QCOMPARE(allValues,
             (QStringList{QStringLiteral("Diagn\u00F3stico"), QStringLiteral("  Gripe (80%)"), QStringLiteral("Febre"),
                          QStringLiteral("  Sim (100%)"), QStringLiteral("Idade"), QStringLiteral("  30 (100%)"),
                          QStringLiteral("Risco"), QStringLiteral("  alto (54%)"), QStringLiteral("Sintomas"),
                          QStringLiteral("  dor de cabe\u00E7a (80%)"), QStringLiteral("  cansa\u00E7o (60%)"),
                          QStringLiteral("Tosse"), QStringLiteral("  Sim (100%)")}));
    // The normal end: "Fim da consulta", the question window gone, the editors unlocked.
    QCOMPARE(f.sink.texts.last(), QStringLiteral("Fim da consulta"));
    QVERIFY(!f.engine->Running);
    QVERIFY(!f.Question());
    QVERIFY(f.child->isEnabled());
}

// What the boxes of one option keep and what OK makes of them.
void ConsultDialogTest::ConfidenceBoxesFilterClampAndValidate_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");     // the box's text once left
    QTest::addColumn<QString>("message");  // the refusal, or empty when OK is accepted
    QTest::addColumn<float>("stored");     // the CNF stored for "Não"
    QTest::newRow("letters cannot be typed") << "a5b"
                                             << "5"
                                             << "" << 0.05f;
    QTest::newRow("above 100 is clamped") << "120"
                                          << "100"
                                          << "" << 1.0f;
    QTest::newRow("below 0 is clamped") << "-7"
                                        << "0"
                                        << "" << 0.0f;
    QTest::newRow("decimals stay") << "5.5"
                                   << "5.5"
                                   << "" << 0.055f;
    QTest::newRow("empty counts as certain") << ""
                                             << ""
                                             << "" << 1.0f;
    QTest::newRow("not a number") << "5-"
                                  << "5-" << QString::fromUtf8("H\u00E1 um erro na entrada n\u00FAmero 2.") << 0.0f;
    QTest::newRow("a fraction out of range")
        << "-0.5"
        << "-0.5" << QString::fromUtf8("Grau de confian\u00E7a inv\u00E1lido na entrada 2.") << 0.0f;
}

void ConsultDialogTest::ConfidenceBoxesFilterClampAndValidate() {
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QFETCH(QString, message);
    QFETCH(float, stored);
    TFrame f;
    TScript script;
    f.Guard(script);
    script.Then(
        "Febre", [&] { return f.Asking(kFebre); },
        [&] {
            TRunTime* q = f.Question();
            TTxtCnf* yes = q->Prompt->CnfBox(0);
            TTxtCnf* no = q->Prompt->CnfBox(1);
            QVERIFY(!yes->isEnabled() && yes->Text().isEmpty());
            ChooseOption(q, 0);
            QVERIFY(yes->isEnabled());
            QCOMPARE(yes->Text(), QStringLiteral("100"));
            // One answer only: choosing "Não" takes "Sim" back and empties its box.
            ChooseOption(q, 1);
            QVERIFY(!q->Prompt->Option(0)->isChecked());
            QVERIFY(!yes->isEnabled() && yes->Text().isEmpty());
            QCOMPARE(no->Text(), QStringLiteral("100"));
            TypeCnf(q, 1, typed);
            QCOMPARE(no->Text(), kept);
            const qsizetype before = f.sink.texts.size();
            Click(q->btnOk);
            if (message.isEmpty()) {
                QVERIFY(!q->isVisible());
                const quorvel::TInstance* answer = LastInstanceOf(*f.engine, kFebre);
                QVERIFY(answer);
                QCOMPARE(answer->ValueText, std::string("-3"));
                QCOMPARE(answer->Cnf, stored);
            } else {
                QVERIFY(q->isVisible());
                QCOMPARE(f.sink.texts.mid(before), QStringList{message});
                QVERIFY(!LastInstanceOf(*f.engine, kFebre));
            }
            f.windows->btnStopClick();
        });
    f.windows->TurnOnExecutionMode();
    QVERIFY2(script.Done(), qPrintable(script.Waiting()));
}

void ConsultDialogTest::WhyShowsTheReasonsOrTheRuleBeingTried() {
    TFrame f;
    QStringList febre, tosse, idade;
    TScript script;
    f.Guard(script);
    const auto why = [&](int32_t varCode, QStringList* lines, const QString& name) {
        script
            .Then(
                name + " (por que?)", [&f, varCode] { return f.Asking(varCode); },
                [&f] { Click(f.Question()->btnWhy); })
            .Then(
                name + " (ajuda)", [&f] { return f.Question() && f.Question()->dlgWhy->isVisible(); },
                [&f, lines] {
                    TdlgWhy* dialog = f.Question()->dlgWhy;
                    QCOMPARE(dialog->windowTitle(), QStringLiteral("Ajuda"));
                    // The memo cannot be edited.
                    QTest::keyClicks(dialog->memo, QStringLiteral("xyz"));
                    *lines = dialog->Lines();
                    Click(dialog->btnOk);
                });
    };
    const auto answerYes = [&](int32_t varCode, const QString& name) {
        script.Then(
            name, [&f, varCode] { return f.Asking(varCode) && !f.Question()->dlgWhy->isVisible(); },
            [&f] {
                ChooseOption(f.Question(), 0);
                Click(f.Question()->btnOk);
            });
    };
    why(kFebre, &febre, QStringLiteral("Febre"));
    answerYes(kFebre, QStringLiteral("Febre"));
    why(kTosse, &tosse, QStringLiteral("Tosse"));
    answerYes(kTosse, QStringLiteral("Tosse"));
    script.Then(
        "resultados", [&] { return f.windows->frmResults->isVisible(); }, [&] { Click(f.windows->frmResults->btnOk); });
    why(kIdade, &idade, QStringLiteral("Idade"));
    script.Then(
        "Idade", [&] { return f.Asking(kIdade) && !f.Question()->dlgWhy->isVisible(); },
        [&] { f.windows->btnStopClick(); });
    f.windows->TurnOnExecutionMode();
    QVERIFY2(script.Done(), qPrintable(script.Waiting()));

    QCOMPARE(febre, (QStringList{QStringLiteral("Para concluir"), QStringLiteral(" -  Diagn\u00F3stico = Gripe"),
                                 QStringLiteral("eu preciso saber se"), QStringLiteral("==> Febre = Sim"),
                                 QStringLiteral(" -  Tosse = Sim")}));
    QCOMPARE(tosse, (QStringList{QStringLiteral("A tosse separa a gripe do resfriado."),
                                 QStringLiteral("Responda Sim se tossiu hoje.")}));
    QCOMPARE(idade, (QStringList{QStringLiteral("Para concluir"), QStringLiteral(" -  Risco = alto"),
                                 QStringLiteral("eu preciso saber se"), QStringLiteral("==> Idade >= 60"),
                                 QStringLiteral(" -  Sintomas = cansa\u00E7o")}));
}

void ConsultDialogTest::BackDuringTheSecondQuestionAsksTheFirstAgain() {
    TFrame f;
    QStringList asked;
    TScript script;
    f.Guard(script);
    const auto answer = [&](int32_t varCode, const QString& name, const std::function<void(TRunTime*)>& fill) {
        script.Then(
            name, [&f, varCode] { return f.Asking(varCode); },
            [&f, &asked, name, fill] {
                asked << name;
                fill(f.Question());
                Click(f.Question()->btnOk);
            });
    };
    const auto yes = [](TRunTime* q) { ChooseOption(q, 0); };
    answer(kFebre, QStringLiteral("Febre"), yes);
    script.Then(
        "Tosse: voltar", [&] { return f.Asking(kTosse); },
        [&] {
            asked << QStringLiteral("Tosse");
            QVERIFY(f.windows->BackEnabled());
            f.windows->BackToLastQuestion();
            QVERIFY(!f.windows->BackEnabled());
            QCOMPARE(f.engine->QuestionCount, 0);
        });
    answer(kFebre, QStringLiteral("Febre"), [&](TRunTime* q) {
        // Asked again from scratch, and the answer taken back is gone.
        QVERIFY(!q->Prompt->Option(0)->isChecked());
        QVERIFY(!LastInstanceOf(*f.engine, kFebre));
        QVERIFY(!f.windows->BackEnabled());
        ChooseOption(q, 0);
    });
    answer(kTosse, QStringLiteral("Tosse"), yes);
    script.Then(
        "resultados", [&] { return f.windows->frmResults->isVisible(); }, [&] { Click(f.windows->frmResults->btnOk); });
    script.Then(
        "Idade", [&] { return f.Asking(kIdade); },
        [&] {
            asked << QStringLiteral("Idade");
            // Answers of an earlier target cannot be taken back.
            QVERIFY(!f.windows->BackEnabled());
            f.windows->BackToLastQuestion();
            QVERIFY(f.Question()->isVisible());
            TypeValue(f.Question(), QStringLiteral("70"));
            Click(f.Question()->btnOk);
        });
    script.Then(
        "resultados de Risco", [&] { return f.windows->frmResults->isVisible(); },
        [&] { Click(f.windows->frmResults->btnOk); });
    f.windows->TurnOnExecutionMode();
    QVERIFY2(script.Done(), qPrintable(script.Waiting()));
    QCOMPARE(asked, (QStringList{QStringLiteral("Febre"), QStringLiteral("Tosse"), QStringLiteral("Febre"),
                                 QStringLiteral("Tosse"), QStringLiteral("Idade")}));
}

void ConsultDialogTest::StopWhileAQuestionIsShownEndsQuietly() {
    TFrame f;
    bool finished = false;
    QObject::connect(f.windows.get(), &TConsultationWindows::consultationFinished, [&] { finished = true; });
    TScript ordered;
    f.Guard(ordered);
    ordered
        .Then(
            "Febre", [&] { return f.Asking(kFebre); },
            [&] {
                ChooseOption(f.Question(), 0);
                Click(f.Question()->btnOk);
            })
        .Then(
            "Tosse", [&] { return f.Asking(kTosse); },
            [&] {
                QVERIFY(!f.child->isEnabled());
                f.windows->btnStopClick();
            });
    f.windows->TurnOnExecutionMode();
    QVERIFY2(ordered.Done(), qPrintable(ordered.Waiting()));
    QVERIFY(finished);
    QVERIFY(!f.engine->Running);
    QVERIFY(!f.sink.texts.contains(QStringLiteral("Fim da consulta")));
    QVERIFY(!f.Question());
    QVERIFY(f.child->isEnabled());
}

void ConsultDialogTest::TheCloseBoxAsksBeforeStopping() {
    TFrame f;
    TScript script;
    f.Guard(script);
    script.Then(
        "Febre", [&] { return f.Asking(kFebre); },
        [&] {
            TRunTime* q = f.Question();
            f.sink.answers = {TMsgResult::No};
            QVERIFY(!q->close());
            QVERIFY(q->isVisible());
            QVERIFY(f.engine->Waiting && !f.engine->StopRequested);
            // Esc asks the same question; this time the user confirms.
            f.sink.answers = {TMsgResult::Yes};
            QTest::keyClick(q, Qt::Key_Escape);
        });
    f.windows->TurnOnExecutionMode();
    QVERIFY2(script.Done(), qPrintable(script.Waiting()));
    QCOMPARE(f.sink.texts, (QStringList{QStringLiteral("Confirma cancelamento da consulta?"),
                                        QStringLiteral("Confirma cancelamento da consulta?")}));
    QCOMPARE(f.sink.kinds.front(), TMsgKind::Confirmation);
    QVERIFY(!f.engine->Running);
    QVERIFY(f.child->isEnabled());
}

// The error is the consultation's last word (no "Fim da consulta" before
// it, which would read as a success), and it tells where it happened.
void ConsultDialogTest::AFormulaErrorEndsWithTheErrorAlone() {
    TFrame f(quorvel::kAccessFull, [](quorvel::TExpertSystem& engine) {
        FillTriageBase(engine);
        engine.Targets().Clear();
        engine.Targets().Add(kRisco, true);
        QVERIFY(engine.Formulas().Find(1));
        engine.Formulas().Rename("60/0");
    });
    TScript script;
    f.Guard(script);
    script.Then(
        "Idade", [&] { return f.Asking(kIdade); },
        [&] {
            TypeValue(f.Question(), QStringLiteral("70"));
            Click(f.Question()->btnOk);
        });
    f.windows->TurnOnExecutionMode();
    QVERIFY2(script.Done(), qPrintable(script.Waiting()));
    QCOMPARE(f.sink.texts.size(), 1);
    QCOMPARE(f.sink.kinds.front(), TMsgKind::Error);
    QVERIFY2(f.sink.texts.front().contains(QStringLiteral("Função: 60/0")), qPrintable(f.sink.texts.front()));
    QVERIFY2(f.sink.texts.front().endsWith(QStringLiteral(" (regra 3, variável Idade)")),
             qPrintable(f.sink.texts.front()));
    QVERIFY(!f.engine->Running);
    QVERIFY(!f.Question());
    QVERIFY(f.child->isEnabled());
}

void ConsultDialogTest::StartWithoutConclusionsOnlyTellsTheUser() {
    TFrame f(quorvel::kAccessFull, [](quorvel::TExpertSystem& engine) {
        engine.ClearBase();
        engine.Vars().AddVariable(1, "Febre", false, false);
        engine.Targets().Add(1, true);
    });
    bool started = false;
    QObject::connect(f.windows.get(), &TConsultationWindows::consultationStarted, [&] { started = true; });
    f.windows->TurnOnExecutionMode();
    f.windows->ExecuteStep();
    QCOMPARE(f.sink.texts,
             (QStringList{QStringLiteral("Crie algumas regra antes!"), QStringLiteral("Crie algumas regra antes!")}));
    QCOMPARE(f.sink.kinds.front(), TMsgKind::Information);
    QVERIFY(!started);
    QVERIFY(!f.windows->frmTrace->isVisible());
}

QTEST_MAIN(ConsultDialogTest)
#include "consult_dialog_test.moc"
