// The explanation windows on the real widgets: "Como?" and "Por que não?"
// from the results window after a consultation, and "Verificar base" from
// the Sistema menu, whose double click opens the rule or editor concerned.
#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QTreeView>
#include <QtTest>

#include "Base.h"
#include "ConsultViews.h"
#include "EditorHost.h"
#include "Explain.h"
#include "Lint.h"
#include "consult_test_support.h"
#include "main_test_support.h"

namespace {

// Runs `act` on the dialog once it is shown modally, then closes it.
void WhileShown(QDialog* dialog, std::function<void()> act) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, dialog, act] {
        if (!dialog->isVisible() || QApplication::activeModalWidget() != dialog) return;
        poll->stop();
        poll->deleteLater();
        act();
        QTest::mouseClick(static_cast<TdialogExplanation*>(dialog)->btnClose, Qt::LeftButton);
    });
    poll->start();
}

void DoubleClickRow(QTreeView* list, int row) {
    const QModelIndex index = list->model()->index(row, 0);
    list->setCurrentIndex(index);
    const QRect place = list->visualRect(index);
    // A double click is a press, a release and a second press.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, place.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, place.center());
}

}  // namespace

class ExplainWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { maintest::RemoveSettings(); }
    void ResultsExplainHowAndWhyNot();
    void CheckBaseListsFindingsAndOpensWhatTheyConcern();
};

// Febre answered Sim with 100 % and Tosse with 80 %: rule 1 gives Gripe
// 100 % E 80 % = 80 %, × 80 % = 64 %, and Resfriado's rule is never tried.
void ExplainWindowsTest::ResultsExplainHowAndWhyNot() {
    consulttest::TScriptedSink sink;
    quorvel::TExpertSystem engine(&sink);
    consulttest::FillTriageBase(engine);
    engine.SetNew(false);
    engine.ReportEnding = false;
    TfrmResults results(engine);
    engine.OnPrompt = [](quorvel::TExpertSystem& e, int32_t var) {
        if (var == consulttest::kFebre) e.Instantiate(var, "-2", true, 1.0f);
        if (var == consulttest::kTosse) e.Instantiate(var, "-2", true, 0.8f);
        if (var == consulttest::kIdade) e.Instantiate(var, "30", false, 1.0f);
        if (var == consulttest::kSintomas) e.Instantiate(var, "4", true, 1.0f);
        e.ReleaseWait();
    };
    QString how;
    QString whyNotGripe;
    QString whyNotResfriado;
    engine.OnShowResults = [&](quorvel::TExpertSystem&, int32_t var) {
        if (var != consulttest::kDiagnostico) return;
        results.Prepare(var);
        results.show();
        QVERIFY(results.btnHow->isVisible());
        QVERIFY(results.btnWhyNot->isVisible());
        results.ValuesGrid->setCurrentCell(0, 0);
        WhileShown(results.dialogHow, [&] {
            QCOMPARE(results.dialogHow->windowTitle(), QStringLiteral("Como?"));
            how = results.dialogHow->memo->toPlainText();
        });
        QTest::mouseClick(results.btnHow, Qt::LeftButton);
        WhileShown(results.dialogWhyNot, [&] {
            TdialogWhyNot* dialog = results.dialogWhyNot;
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Por que n\u00E3o?"));
            QCOMPARE(dialog->comboValue->currentText(), QStringLiteral("Gripe"));
            whyNotGripe = dialog->memo->toPlainText();
            dialog->comboValue->setCurrentIndex(dialog->comboValue->findText(QStringLiteral("Resfriado")));
            whyNotResfriado = dialog->memo->toPlainText();
        });
        QTest::mouseClick(results.btnWhyNot, Qt::LeftButton);
        results.hide();
    };
    engine.Start();
    QCOMPARE(how, QStringLiteral("Diagn\u00F3stico = Gripe: 64%\n"
                                 "  REGRA 1 (Gripe): 100% E 80% = 80%; \u00D7 CNF 80% = 64%\n"
                                 "    Febre = Sim: 100% (Febre: Sim 100%, resposta do usu\u00E1rio)\n"
                                 "    Tosse = Sim: 80% (Tosse: Sim 80%, resposta do usu\u00E1rio)"));
    QVERIFY2(whyNotGripe.startsWith(QStringLiteral("Diagn\u00F3stico = Gripe foi conclu\u00EDdo com 64%")),
             qPrintable(whyNotGripe));
    QCOMPARE(whyNotResfriado,
             QStringLiteral("REGRA 2 (Resfriado) n\u00E3o foi tentada: Diagn\u00F3stico j\u00E1 estava estabelecida "
                            "(REGRA 1)"));
}

// A base with a variable no rule uses and a rule repeating rule 1: the list
// shows both; double clicks open the variables editor and rule 3's window.
void ExplainWindowsTest::CheckBaseListsFindingsAndOpensWhatTheyConcern() {
    maintest::TMessageScript messages;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("verificar.bcm"));
    {
        quorvel::TExpertSystem maker;
        maintest::FillBase(maker);
        maker.Vars().AddVariable(4, "Solta", false, false);
        maker.Rules().AddRule(3, "Repetida", 3);
        maker.Tails().AddPremise(3, 1, "=", quorvel::kCodeYes, 2, false);
        maker.Heads().AddConclusion(3, 3, 1, 0.8f);
        QVERIFY(maker.Save(QFile::encodeName(path).toStdString()));
    }
    TfrmMain frame;
    frame.show();
    QVERIFY(frame.OpenBase(path));
    auto* check = frame.findChild<QAction*>(QStringLiteral("mnuSystemCheck"));
    QVERIFY(check);
    QCOMPARE(check->text(), QStringLiteral("Verificar &base"));
    QVERIFY(maintest::Usable(check));
    check->trigger();

    auto* dialog = frame.findChild<TdialogLint*>();
    QVERIFY(dialog);
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Verificar base"));
    QTreeView* list = dialog->listFindings;
    const auto cell = [list](int row, int column) { return list->model()->index(row, column).data().toString(); };
    QCOMPARE(list->model()->rowCount(), 2);
    QCOMPARE(cell(0, 0), QStringLiteral("QL004"));
    QCOMPARE(cell(0, 1), QStringLiteral("aviso"));
    QCOMPARE(cell(0, 2),
             QStringLiteral("A vari\u00E1vel \"Solta\" n\u00E3o \u00E9 usada por nenhuma regra nem \u00E9 objetivo"));
    QCOMPARE(cell(1, 0), QStringLiteral("QL007"));
    QCOMPARE(cell(1, 2),
             QStringLiteral("REGRA 3 (Repetida) repete as premissas e as conclus\u00F5es da REGRA 1 (Gripe)"));
    QCOMPARE(dialog->labelSummary->text(), QStringLiteral("0 erro(s), 2 aviso(s)"));
    // Checking again lists the same findings afresh.
    {
        const QAbstractItemModelTester rows(list->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QTest::mouseClick(dialog->btnCheck, Qt::LeftButton);
        QCOMPARE(list->model()->rowCount(), 2);
        QCOMPARE(list->currentIndex().row(), 0);
    }

    TfrmBase* base = frame.BaseWindow();
    QVERIFY(base);
    DoubleClickRow(list, 0);
    QTRY_VERIFY(base->Editor(TEditorKind::Variables) != nullptr);
    DoubleClickRow(list, 1);
    QTRY_VERIFY(base->RuleWindows().count(QStringLiteral("R3")) == 1);
    // The list stays for the next finding.
    QVERIFY(dialog->isVisible());
}

QTEST_MAIN(ExplainWindowsTest)
#include "explain_windows_test.moc"
