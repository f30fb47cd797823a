// The views that follow a consultation: the watch window and its add
// dialog, the results window's help on a value, the coloured rule lines, and
// a base opened for execution only, which shows no reasoning at all.
#include <QAbstractItemModelTester>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include "AddWVars.h"
#include "CodeRows.h"
#include "ConsultViews.h"
#include "ExEditing.h"
#include "Help.h"
#include "MessageBoxSink.h"
#include "RuleView.h"
#include "WatCode.h"
#include "WatchPanel.h"
#include "consult_test_support.h"

using namespace consulttest;

namespace {

QStringList ListTexts(const QAbstractItemView* list) {
    QStringList texts;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        texts << list->model()->index(row, 0).data(Qt::DisplayRole).toString();
    return texts;
}

void SelectWatched(TWatchPanel* panel, const QString& name) {
    const int row = panel->listVars->Rows().RowOfText(name);
    QVERIFY(row >= 0);
    panel->listVars->setCurrentRow(row);
}

void AnswerYes(TFrame& f) {
    ChooseOption(f.Question(), 0);
    Click(f.Question()->btnOk);
}

// The triage base with a help file whose topic 101 tells about "Gripe".
void BaseWithHelp(quorvel::TExpertSystem& engine) {
    FillTriageBase(engine);
    engine.HelpFile = "TRIAGEM.HLP";
    engine.HelpContexts().AddContext(1, 101);
}

// What the pixels of a rule line are, between two offsets: navy ink, black ink.
struct TInk {
    bool navy = false;
    bool black = false;
};

TInk InkBetween(const QImage& image, const QRect& line, int fromX, int toX) {
    TInk ink;
    for (int y = line.top(); y <= line.bottom(); ++y)
        for (int x = std::max(fromX, 0); x < std::min(toX, image.width()); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.blue() > 90 && c.red() < 60 && c.green() < 60) ink.navy = true;
            if (c.red() < 60 && c.green() < 60 && c.blue() < 60) ink.black = true;
        }
    return ink;
}

}  // namespace

class ConsultViewsTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        quorvel::gui::SetMessageHook([this](TMsgKind, TMsgButtons, const QString& text) {
            boxes << text;
            return std::optional<TMsgResult>(TMsgResult::Ok);
        });
    }
    void cleanup() {
        quorvel::gui::SetMessageHook(nullptr);
        boxes.clear();
        if (quorvel::gui::HelpViewer()) quorvel::gui::HelpViewer()->hide();
    }

    void WatchWindowFollowsTheChosenVariables();
    void HelpOnAValueOpensItsTopicOrTheContents();
    void RuleLinesAreDrawnInTheirColours();
    void ABaseForExecutionOnlyShowsNoReasoning();
    void WatchPanelListsABaseAtTheLimitOfTheFormat();
    void ConsultationTreeShowsWhatEachFillAppended();

private:
    QStringList boxes;
};

void ConsultViewsTest::WatchWindowFollowsTheChosenVariables() {
    TFrame f;
    TWatchPanel* panel = f.windows->frmWatch->WatchPanel;
    QCOMPARE(f.windows->frmWatch->windowTitle(), QString::fromUtf8("Visualizador de Vari\u00E1veis"));
    // The watch window starts empty; the add dialog offers every variable.
    QCOMPARE(panel->listVars->count(), 0);
    QStringList offered;
    TScript adding;
    adding.Then(
        "adicionar", [&] { return f.windows->dialogAddVars->isVisible(); },
        [&] {
            TdialogAddVars* dialog = f.windows->dialogAddVars;
            offered = ListTexts(dialog->listVars);
            for (const QString& name : {QStringLiteral("Febre"), QStringLiteral("Idade")}) {
                const int row = dialog->listVars->Rows().RowOfText(name);
                QVERIFY(row >= 0);
                dialog->listVars->selectionModel()->select(dialog->listVars->model()->index(row, 0),
                                                           QItemSelectionModel::Select);
            }
            Click(dialog->btnOk);
        });
    f.windows->mnuAddClick();
    QVERIFY2(adding.Done(), qPrintable(adding.Waiting()));
    QCOMPARE(offered,
             (QStringList{QString::fromUtf8("Diagn\u00F3stico"), "Febre", "Idade", "Risco", "Sintomas", "Tosse"}));
    QCOMPARE(ListTexts(panel->listVars), (QStringList{"Febre", "Idade"}));

    // A variable already watched is not offered again.
    TScript again;
    again.Then(
        "adicionar de novo", [&] { return f.windows->dialogAddVars->isVisible(); },
        [&] {
            offered = ListTexts(f.windows->dialogAddVars->listVars);
            Click(f.windows->dialogAddVars->btnCancel);
        });
    f.windows->mnuAddClick();
    QVERIFY2(again.Done(), qPrintable(again.Waiting()));
    QCOMPARE(offered, (QStringList{QString::fromUtf8("Diagn\u00F3stico"), "Risco", "Sintomas", "Tosse"}));

    SelectWatched(panel, "Febre");
    QCOMPARE(ListTexts(panel->listValues),
             QStringList{QString::fromUtf8("A base n\u00E3o est\u00E1 no modo de execu\u00E7\u00E3o.")});

    f.windows->btnWatchClick();
    QVERIFY(f.windows->frmWatch->isVisible());
    QStringList atTosse, afterIdade;
    TScript script;
    f.Guard(script);
    script
        .Then(
            "Febre", [&] { return f.Asking(kFebre); }, [&] { AnswerYes(f); })
        .Then(
            "Tosse", [&] { return f.Asking(kTosse); },
            [&] {
                SelectWatched(panel, "Febre");
                atTosse = ListTexts(panel->listValues);
                SelectWatched(panel, "Idade");
                QCOMPARE(panel->listValues->count(), 0);
                AnswerYes(f);
            })
        .Then(
            "resultados", [&] { return f.windows->frmResults->isVisible(); },
            [&] { Click(f.windows->frmResults->btnOk); })
        .Then(
            "Idade", [&] { return f.Asking(kIdade); },
            [&] {
                TypeValue(f.Question(), QStringLiteral("70"));
                Click(f.Question()->btnOk);
            })
        .Then(
            "resultados de Risco", [&] { return f.windows->frmResults->isVisible(); },
            [&] {
                // The values list followed the answer without being clicked.
                afterIdade = ListTexts(panel->listValues);
                // Delete takes the selected variable off the watch list.
                panel->listVars->setFocus();
                QTest::keyClick(panel->listVars, Qt::Key_Delete);
                QCOMPARE(ListTexts(panel->listVars), QStringList{"Febre"});
                Click(f.windows->frmResults->btnOk);
            });
    f.windows->TurnOnExecutionMode();
    QVERIFY2(script.Done(), qPrintable(script.Waiting()));
    QCOMPARE(atTosse, QStringList{"Sim, com 100%"});
    QCOMPARE(afterIdade, QStringList{"70 (100%)"});
    // The end of the consultation closes the watch window; the watch list stays.
    QVERIFY(!f.windows->frmWatch->isVisible());
    QCOMPARE(panel->Watched(), (std::set<int32_t>{kFebre}));
}

void ConsultViewsTest::HelpOnAValueOpensItsTopicOrTheContents() {
    TFrame f(quorvel::kAccessFull, BaseWithHelp);
    QFile help(QDir(f.scratch.path()).filePath(QStringLiteral("triagem.html")));
    QVERIFY(help.open(QIODevice::WriteOnly));
    help.write(
        "<html><body><h1>Triagem</h1><p>Como usar a base.</p>"
        "<h2 id=\"101\">Gripe</h2><p>A gripe vem com febre e tosse.</p>"
        "<h2>Resfriado</h2><p>Mais leve.</p></body></html>");
    help.close();

    QString topicOnValue, topicOnCnf;
    bool labelShown = false;
    TScript script;
    f.Guard(script);
    script
        .Then(
            "Febre", [&] { return f.Asking(kFebre); }, [&] { AnswerYes(f); })
        .Then(
            "Tosse", [&] { return f.Asking(kTosse); }, [&] { AnswerYes(f); })
        .Then(
            "resultados", [&] { return f.windows->frmResults->isVisible(); },
            [&] {
                TfrmResults* r = f.windows->frmResults;
                labelShown = r->labelHelp->isVisible() && r->btnHelpOnItem->isVisible();
                const auto topic = [] {
                    quorvel::gui::THelpViewer* viewer = quorvel::gui::HelpViewer();
                    if (!viewer || viewer->CurrentTopic() < 0) return QString();
                    return viewer->Topics()[static_cast<std::size_t>(viewer->CurrentTopic())].title;
                };
                r->ValuesGrid->setCurrentCell(0, 0);
                QTest::keyClick(r->ValuesGrid, Qt::Key_F2);
                topicOnValue = topic();
                // The confidence column has no topic of its own: the contents.
                r->ValuesGrid->setCurrentCell(0, 1);
                QTest::keyClick(r->ValuesGrid, Qt::Key_F2);
                topicOnCnf = topic();
                Click(r->btnOk);
            })
        .Then(
            "Idade", [&] { return f.Asking(kIdade); }, [&] { f.windows->btnStopClick(); });
    f.windows->TurnOnExecutionMode();
    QVERIFY2(script.Done(), qPrintable(script.Waiting()));
    QVERIFY(boxes.isEmpty());
    QVERIFY(labelShown);
    QCOMPARE(topicOnValue, QStringLiteral("Gripe"));
    QCOMPARE(topicOnCnf, QStringLiteral("Triagem"));
    QCOMPARE(QFileInfo(quorvel::gui::HelpViewer()->CurrentFile()).fileName(), QStringLiteral("triagem.html"));
}

void ConsultViewsTest::RuleLinesAreDrawnInTheirColours() {
    quorvel::TExpertSystem engine;
    QTemporaryDir scratch;
    QVERIFY(OpenThroughFile(engine, scratch.path()));
    TRuleView view;
    view.resize(500, 200);
    view.SetExpertSystem(&engine);
    QCOMPARE(view.count(), 14);
    view.clearSelection();
    view.setCurrentRow(-1);
    view.show();
    const QImage image = view.viewport()->grab().toImage();
    const int m = view.fontMetrics().horizontalAdvance(QLatin1Char('M'));
    const auto line = [&](int row) { return view.visualRect(view.model()->index(row, 0)); };

    // "REGRA 1": navy from 1 M.
    const TInk header = InkBetween(image, line(0), m, 20 * m);
    QVERIFY(header.navy && !header.black);
    // "SE Febre = Sim": "SE" navy at 3 M, the rest black from 8 M.
    const TInk keyword = InkBetween(image, line(1), 0, 8 * m);
    const TInk premise = InkBetween(image, line(1), 8 * m, 30 * m);
    QVERIFY(keyword.navy && !keyword.black);
    QVERIFY(premise.black && !premise.navy);
    QVERIFY(!InkBetween(image, line(1), 0, 3 * m - 1).navy);
    // The conclusion's marker is never drawn: "ENTÃO" in navy, the rest black.
    const TInk then = InkBetween(image, line(3), 0, 8 * m);
    QVERIFY(then.navy && !then.black);
    QVERIFY(InkBetween(image, line(3), 8 * m, 40 * m).black);
    QCOMPARE(view.LineText(3).substr(0, 5), std::string("\\ENT "));

    // With the filter on, only the rules that conclude a chosen variable.
    view.SetUseFilter(true);
    view.AddToFilter(kRisco);
    view.Fill();
    QCOMPARE(view.count(), 7);
    QCOMPARE(view.RowText(0), QStringLiteral("REGRA 3"));
    view.ClearFilter();
    view.Fill();
    QCOMPARE(view.count(), 0);
}

void ConsultViewsTest::ABaseForExecutionOnlyShowsNoReasoning() {
    TFrame f(quorvel::kAccessConsultOnly);
    // Step and Pause are not offered: nothing starts, nothing is shown.
    f.windows->ExecuteStep();
    QVERIFY(!f.engine->Running);
    QVERIFY(!f.windows->frmTrace->isVisible());
    QStringList grid, tree, all;
    int rules = -1;
    bool febreWhy = true, tosseWhy = false;
    TScript script;
    f.Guard(script);
    script
        .Then(
            "Febre", [&] { return f.Asking(kFebre); },
            [&] {
                febreWhy = f.Question()->btnWhy->isVisible();
                f.windows->btnPauseClick();
                QVERIFY(!f.engine->Paused);
                QVERIFY(!f.windows->frmTrace->isVisible());
                AnswerYes(f);
            })
        .Then(
            "Tosse", [&] { return f.Asking(kTosse); },
            [&] {
                // A question with reasons of its own may still explain itself.
                tosseWhy = f.Question()->btnWhy->isVisible();
                AnswerYes(f);
            })
        .Then(
            "resultados", [&] { return f.windows->frmResults->isVisible(); },
            [&] {
                TfrmResults* r = f.windows->frmResults;
                for (int row = 1; row < r->ValuesGrid->RowCount(); ++row) grid << r->ValuesGrid->Cell(0, row);
                tree = r->ConsultTree->Texts();
                all = r->AllVars->Texts();
                rules = r->RuleView->count();
                Click(r->btnOk);
            })
        .Then(
            "Idade", [&] { return f.Asking(kIdade); }, [&] { f.windows->btnStopClick(); });
    f.windows->TurnOnExecutionMode();
    QVERIFY2(script.Done(), qPrintable(script.Waiting()));
    QVERIFY(!febreWhy);
    QVERIFY(tosseWhy);
    QCOMPARE(grid, QStringList{"Gripe"});
    QVERIFY(tree.isEmpty());
    QVERIFY(all.isEmpty());
    QCOMPARE(rules, 0);
    QCOMPARE(f.windows->frmTrace->DebugPanel->count(), 0);
    // The base's window stays locked: it may not be edited at this level.
    QVERIFY(!f.child->isEnabled());
}

// Every variable of a base with as many as a file holds is listed at once;
// the last one can be reached and, selected, fills the values list.
void ConsultViewsTest::WatchPanelListsABaseAtTheLimitOfTheFormat() {
    QTemporaryDir folder;
    quorvel::TExpertSystem engine;
    QVERIFY(OpenThroughFile(engine, folder.path(), [](quorvel::TExpertSystem& base) {
        base.ClearBase();
        for (int32_t code = 1; code <= quorvel::kMaxRecordCode; ++code)
            base.Vars().AddVariable(code, QStringLiteral("V%1").arg(code, 5, 10, QLatin1Char('0')).toStdString(), false,
                                    false);
    }));
    TWatchPanel panel;
    panel.resize(300, 400);
    panel.SetExpertSystem(&engine);
    panel.show();
    TCodeList* list = panel.listVars;
    QCOMPARE(list->count(), int(quorvel::kMaxRecordCode));
    const int last = list->count() - 1;
    QCOMPARE(list->RowText(last), QStringLiteral("V32767"));
    list->scrollToBottom();
    QVERIFY(list->viewport()->rect().contains(list->visualRect(list->model()->index(last, 0))));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualRect(list->model()->index(last, 0)).center());
    QCOMPARE(list->currentRow(), last);
    QCOMPARE(ListTexts(panel.listValues),
             QStringList{QString::fromUtf8("A base n\u00E3o est\u00E1 no modo de execu\u00E7\u00E3o.")});
}

// The view reads the engine's tree: what it shows, row by row and level by
// level, is what the tree renders, through fills that append to earlier
// nodes' levels, and a cleared tree shows nothing.
void ConsultViewsTest::ConsultationTreeShowsWhatEachFillAppended() {
    quorvel::TExpertSystem engine;
    FillTriageBase(engine);
    TConsultTree view;
    QAbstractItemModelTester tester(view.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    view.resize(400, 600);
    view.show();
    const auto record = [&](std::initializer_list<int32_t> items) {
        for (int32_t item : items) engine.Tape().Append(item);
    };
    const auto rendered = [&] {
        QStringList lines;
        for (const std::string& line : view.Model().Render()) lines << quorvel::gui::ScreenText(line);
        return lines;
    };
    // Diagnóstico sought: rule 1 entered, Febre asked inside it, the rule rejected.
    record({quorvel::kTapeDeriving, kDiagnostico, kRuleGripe, 1, quorvel::kTapeDeriving, kFebre,
            quorvel::kTapeRuleRejected, kRuleGripe});
    view.Fill(engine);
    QCOMPARE(view.Texts(), rendered());
    QCOMPARE(view.Texts().size(), 5);
    QCOMPARE(view.Texts()[3], QStringLiteral("  Procurando Febre ..."));
    QCOMPARE(view.currentIndex(), view.model()->index(0, 0));
    // A second fill adds a rule entered at the top level and accepted inside it.
    record({kRuleResfriado, 1, quorvel::kTapeRuleFired, kRuleResfriado, quorvel::kTapeConclusionsDone, kRuleResfriado});
    view.Fill(engine);
    QCOMPARE(view.Texts(), rendered());
    QCOMPARE(view.model()->rowCount(), 3);
    const QModelIndex entered = view.model()->index(2, 0);
    QCOMPARE(entered.data().toString(), QStringLiteral("Entrando na regra 2 ..."));
    QCOMPARE(view.model()->rowCount(entered), 2);
    const QModelIndex accepted = view.model()->index(1, 0, entered);
    QCOMPARE(accepted.data().toString(), QStringLiteral("A regra 2 foi aceita:"));
    QVERIFY(view.isExpanded(accepted));
    QCOMPARE(view.model()->rowCount(accepted), 1);
    QCOMPARE(view.model()->index(0, 0, accepted).parent(), accepted);
    view.Clear();
    QCOMPARE(view.model()->rowCount(), 0);
    QVERIFY(view.Texts().isEmpty());
}

QTEST_MAIN(ConsultViewsTest)
#include "consult_views_test.moc"
