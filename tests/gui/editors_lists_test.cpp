// The targets, interface and information editors and the rule viewer,
// driven through their widgets.
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QToolButton>
#include <QtTest>

#include "AskCode.h"
#include "Dlgview.h"
#include "EditorCommon.h"
#include "Infocode.h"
#include "RuleView.h"
#include "Targcode.h"
#include "Viewcode.h"
#include "editors_test_support.h"

using namespace edtest;

namespace {

const QString kNoPermission =
    QStringLiteral("Lembre-se de que você não tem permissão para alterar essa base de conhecimento!");

std::vector<std::pair<int32_t, bool>> BaseTargets(quorvel::TExpertSystem& engine) {
    std::vector<std::pair<int32_t, bool>> targets;
    for (const quorvel::TTargetNode& target : engine.Targets().Items())
        targets.emplace_back(target.VarCode, target.ShowResults);
    return targets;
}

}  // namespace

class EditorsListsTest : public QObject {
    Q_OBJECT

    quorvel::TExpertSystem engine_;

private slots:
    void init() {
        FillSample(engine_);
        engine_.Targets().Clear();
    }

    // ---------------------------------------------------------- targets

    void targetsInTheOrderTheyArrive() {
        TMessageScript messages;
        TTestHost host(engine_);
        auto* window = new TfrmTargets(host);
        window->show();
        QCOMPARE(window->DstList->count(), 0);
        QCOMPARE(Rows(window->SrcList), (QStringList{"Cor", "Febre", "Peso", "Risco"}));
        QVERIFY(!window->ExcludeBtn->isEnabled());
        QVERIFY(!window->ExcAllBtn->isEnabled());
        QVERIFY(!window->checkShowResults->isEnabled());

        // Several chosen at once arrive from the last to the first.
        for (const char* name : {"Cor", "Febre", "Peso"}) SelectAlso(window->SrcList, QLatin1String(name));
        window->IncludeBtn->click();
        QCOMPARE(Rows(window->DstList), (QStringList{"Peso", "Febre", "Cor"}));
        QCOMPARE(Rows(window->SrcList), QStringList{"Risco"});

        Click(window->DstList, QStringLiteral("Febre"));
        QVERIFY(window->checkShowResults->isEnabled());
        QVERIFY(window->checkShowResults->isChecked());
        window->checkShowResults->click();  // Febre: results not shown

        DragRow(window->DstList, 2, 0);  // Cor first
        QCOMPARE(Rows(window->DstList), (QStringList{"Cor", "Peso", "Febre"}));
        QVERIFY(!window->checkShowResults->isEnabled());
        QVERIFY(!window->checkShowResults->isChecked());

        window->OKBtn->click();
        QCOMPARE(BaseTargets(engine_), (std::vector<std::pair<int32_t, bool>>{{2, true}, {3, true}, {1, false}}));
        QVERIFY(host.modified);
        QCOMPARE(host.closedEditors, std::vector<TEditorKind>{TEditorKind::Targets});
        QVERIFY(messages.shown.empty());
    }

    void allAndNoneMoveAtOnce() {
        engine_.Targets().Add(4);
        TTestHost host(engine_);
        auto* window = new TfrmTargets(host);
        window->show();
        QCOMPARE(Rows(window->DstList), QStringList{"Risco"});
        window->IncAllBtn->click();
        QCOMPARE(Rows(window->DstList), (QStringList{"Risco", "Cor", "Febre", "Peso"}));  // alphabetical after it
        QCOMPARE(window->SrcList->count(), 0);
        Click(window->DstList, QStringLiteral("Febre"));
        window->ExcludeBtn->click();
        QCOMPARE(Rows(window->SrcList), QStringList{"Febre"});
        window->ExcAllBtn->click();
        QCOMPARE(Rows(window->SrcList), (QStringList{"Cor", "Febre", "Peso", "Risco"}));  // sorted again
        QCOMPARE(window->Targets().size(), std::size_t{0});
        window->CancelBtn->click();
        QCOMPARE(BaseTargets(engine_), (std::vector<std::pair<int32_t, bool>>{{4, true}}));  // Cancel: unchanged
    }

    void targetsNeedPermission() {
        TMessageScript messages;
        engine_.AccessLevel = quorvel::kAccessConsultAndView;
        TTestHost host(engine_);
        auto* window = new TfrmTargets(host);
        window->show();
        window->IncAllBtn->click();
        window->OKBtn->click();
        QCOMPARE(messages.Texts(), QStringList{kNoPermission});
        QCOMPARE(engine_.Targets().Count(), 0);
    }

    // -------------------------------------------------------- questions

    void questionsAreTypedPerVariable() {
        TMessageScript messages;
        TTestHost host(engine_);
        auto* window = new TfrmQuestions(host);
        window->show();
        QCOMPARE(Rows(window->SrcList), (QStringList{"Cor", "Peso", "Risco"}));
        QCOMPARE(Rows(window->DstList), QStringList{"Febre"});
        QVERIFY(!window->editQuestion->isEnabled());

        Click(window->SrcList, QStringLiteral("Peso"));
        window->IncludeBtn->click();
        QCOMPARE(Rows(window->DstList), (QStringList{"Febre", "Peso"}));
        QCOMPARE(window->DstList->RowText(window->DstList->currentRow()), QStringLiteral("Peso"));
        QVERIFY(window->editQuestion->isEnabled());
        QVERIFY(window->editQuestion->text().isEmpty());
        QVERIFY(window->checkUseCNF->isChecked());
        QVERIFY(window->editQuestion->hasFocus() || QApplication::focusWidget() == nullptr);
        window->editQuestion->setText(QStringLiteral("Qual é o seu peso, em quilos?"));
        window->memoWhy->setPlainText(QStringLiteral("O peso muda a dose.\nResponda sem casas decimais."));
        window->checkUseCNF->setChecked(false);

        Click(window->DstList, QStringLiteral("Febre"));  // stores Peso's boxes
        QCOMPARE(window->editQuestion->text(), QStringLiteral("Tem febre?"));
        Click(window->DstList, QStringLiteral("Peso"));
        QCOMPARE(window->editQuestion->text(), QStringLiteral("Qual é o seu peso, em quilos?"));
        QVERIFY(!window->checkUseCNF->isChecked());

        // Typed for Cor and removed again: what was typed goes with it.
        Click(window->SrcList, QStringLiteral("Cor"));
        window->IncludeBtn->click();
        window->editQuestion->setText(QStringLiteral("Descartada"));
        window->ExcludeBtn->click();
        QCOMPARE(Rows(window->DstList), (QStringList{"Febre", "Peso"}));
        QVERIFY(!window->editQuestion->isEnabled());

        Click(window->DstList, QStringLiteral("Febre"));
        window->editQuestion->setText(QStringLiteral("Está com febre?"));
        window->btnOk->click();  // OK keeps what is in the boxes
        QVERIFY(messages.shown.empty());
        QVERIFY(engine_.Questions().Find(3));
        QCOMPARE(Screen(engine_.Questions().GetText()), QStringLiteral("Qual é o seu peso, em quilos?"));
        QCOMPARE(engine_.Questions().GetReasons(),
                 (std::vector<std::string>{"O peso muda a dose.", "Responda sem casas decimais."}));
        QVERIFY(!engine_.Questions().GetUseCnf());
        QVERIFY(engine_.Questions().Find(1));
        QCOMPARE(Screen(engine_.Questions().GetText()), QStringLiteral("Está com febre?"));
        QVERIFY(!engine_.Questions().Find(2));
        QCOMPARE(engine_.Questions().Count(), 2);
    }

    // A text that the base cannot hold keeps the question shown, with the text.
    void unstorableQuestionsAreRefused() {
        TMessageScript messages;
        const std::vector<uint8_t> before = Bytes(engine_);
        TTestHost host(engine_);
        auto* window = new TfrmQuestions(host);
        window->show();
        Click(window->DstList, QStringLiteral("Febre"));
        window->memoWhy->setPlainText(QStringLiteral("ok\n") + QString(256, QLatin1Char('x')));
        window->btnOk->click();
        QCOMPARE(messages.Texts(), QStringList{"A linha 2 do motivo tem 256 caracteres; o máximo é 255."});
        QVERIFY(window->isVisible());
        window->memoWhy->setPlainText(QStringLiteral("temperatura ≥ 38"));
        Click(window->SrcList, QStringLiteral("Cor"));
        window->IncludeBtn->click();  // would leave Febre's boxes: refused too
        QCOMPARE(Rows(window->DstList), QStringList{"Febre"});
        QCOMPARE(window->ShownVariable(), 1);
        window->btnCancel->click();
        QCOMPARE(Bytes(engine_), before);
    }

    // ------------------------------------------------------ information

    void informationAndHelpContexts() {
        TMessageScript messages;
        engine_.Targets().Add(4);
        engine_.Targets().Add(1);  // yes/no: no values to give topics to
        TTestHost host(engine_);
        auto* window = new TfrmInfos(host);
        window->show();
        QCOMPARE(window->editName->text(), QStringLiteral("SEM NOME"));
        QCOMPARE(Rows(window->listTargets), (QStringList{"Febre", "Risco"}));
        QVERIFY(!window->editContext->isEnabled());

        window->editName->setText(QStringLiteral("Triagem"));
        window->editAuthors->setText(QStringLiteral("Equipe de Saúde"));
        window->memoOverture->setPlainText(QStringLiteral("Bem-vindo.\nResponda com calma."));
        window->checkShow->setChecked(true);
        window->TabSet->setCurrentIndex(1);
        window->editHelpName->setText(QStringLiteral("TRIAGEM.HLP"));

        Click(window->listTargets, QStringLiteral("Febre"));
        QCOMPARE(window->listValues->count(), 0);
        Click(window->listTargets, QStringLiteral("Risco"));
        QCOMPARE(Rows(window->listValues), (QStringList{"Alto", "Baixo"}));
        Click(window->listValues, QStringLiteral("Alto"));
        QCOMPARE(window->editContext->text(), QStringLiteral("100"));
        window->editContext->setText(QStringLiteral("abc"));  // not a number: no topic
        QTest::keyClick(window->editContext, Qt::Key_Return);
        QCOMPARE(window->editContext->text(), QStringLiteral("0"));
        Click(window->listValues, QStringLiteral("Baixo"));
        QCOMPARE(window->editContext->text(), QStringLiteral("0"));
        window->editContext->setText(QStringLiteral("25"));
        QTest::keyClick(window->editContext, Qt::Key_Return);
        window->editContext->setText(QStringLiteral("31"));
        window->btnCancel->click();  // puts back the number it had
        QCOMPARE(window->editContext->text(), QStringLiteral("25"));

        window->OKBtn->click();
        QVERIFY(messages.shown.empty());
        QCOMPARE(Screen(engine_.BaseName), QStringLiteral("Triagem"));
        QCOMPARE(Screen(engine_.Authors), QStringLiteral("Equipe de Saúde"));
        QCOMPARE(engine_.OpeningText, (std::vector<std::string>{"Bem-vindo.", "Responda com calma."}));
        QVERIFY(engine_.ShowOpening);
        QCOMPARE(engine_.HelpFile, std::string("TRIAGEM.HLP"));
        QVERIFY(!engine_.HelpContexts().Find(2));  // 0 removed Alto's topic
        QVERIFY(engine_.HelpContexts().Find(13));
        QCOMPARE(engine_.HelpContexts().GetHelpContext(), 25);
        QVERIFY(host.modified);
    }

    void cancelKeepsTheInformation() {
        const std::vector<uint8_t> before = Bytes(engine_);
        engine_.Targets().Add(4);
        const std::vector<uint8_t> withTarget = Bytes(engine_);
        TTestHost host(engine_);
        auto* window = new TfrmInfos(host);
        window->show();
        window->editName->setText(QStringLiteral("Outro"));
        Click(window->listTargets, QStringLiteral("Risco"));
        Click(window->listValues, QStringLiteral("Baixo"));
        window->editContext->setText(QStringLiteral("7"));
        QTest::keyClick(window->editContext, Qt::Key_Return);
        window->CancelBtn->click();
        QCOMPARE(Bytes(engine_), withTarget);
        QVERIFY(before != withTarget);
    }

    // ------------------------------------------------------ rule viewer

    void theViewerShowsAllRulesOrTheChosenConclusions() {
        TdialogView& dialog = TdialogView::Instance(nullptr);
        dialog.Prepare(engine_);
        QCOMPARE(Rows(dialog.SrcList), (QStringList{"Cor", "Febre", "Peso", "Risco"}));
        QVERIFY(dialog.radioAll->isChecked());
        QVERIFY(!dialog.ExcludeBtn->isEnabled());
        Click(dialog.SrcList, QStringLiteral("Peso"));
        dialog.SrcListClick();
        QVERIFY(dialog.radioHeads->isChecked());
        dialog.IncludeBtn->click();
        QCOMPARE(Rows(dialog.DstList), QStringList{"Peso"});
        QCOMPARE(dialog.SrcList->RowText(dialog.SrcList->currentRow()),
                 QStringLiteral("Risco"));  // the row where Peso was
        QCOMPARE(dialog.Chosen(), (std::set<int32_t>{3}));

        QMdiArea area;
        int printed = 0;
        auto* all = new TfrmView(&area, [&printed] { ++printed; });
        all->Show(engine_, false, {});
        QStringList headers;
        for (int row = 0; row < all->RuleView->count(); ++row)
            if (all->RuleView->LineText(row).rfind("REGRA", 0) == 0) headers << Screen(all->RuleView->LineText(row));
        QCOMPARE(headers, (QStringList{"REGRA 1", "REGRA 2", "REGRA 3", "REGRA 4"}));

        auto* chosen = new TfrmView(&area, {});
        chosen->Show(engine_, true, {3, 2});  // Peso and Cor: only rule 3 concludes one of them
        QCOMPARE(Screen(chosen->RuleView->LineText(0)), QStringLiteral("REGRA 3"));
        QCOMPARE(chosen->RuleView->count(), 4);

        auto* none = new TfrmView(&area, {});
        none->Show(engine_, true, {});
        QCOMPARE(none->RuleView->count(), 0);

        all->btnPrint->click();
        QCOMPARE(printed, 1);
        QCOMPARE(area.subWindowList().size(), 3);  // several viewers at once
        all->btnClose->click();
        QTRY_COMPARE(area.subWindowList().size(), 2);
    }
};

QTEST_MAIN(EditorsListsTest)
#include "editors_lists_test.moc"
