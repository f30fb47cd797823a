// Stepping, pausing, continuing and stopping a consultation with the trace
// window: the held line, its lock against clicks, and the hold that runs in a
// nested event loop while the commands still arrive.
#include <QtTest>

#include "MessageBoxSink.h"
#include "RuleView.h"
#include "Trace.h"
#include "consult_test_support.h"

using namespace consulttest;

namespace {

// Every hold of the trace panel, by the line it locked.
struct THolds {
    explicit THolds(TDebugPanel* panel) {
        QObject::connect(panel, &TDebugPanel::holdStarted, panel, [this, panel] { lines << panel->LockedLine(); });
    }
    QList<int> lines;
};

void AnswerYes(TFrame& f) {
    ChooseOption(f.Question(), 0);
    Click(f.Question()->btnOk);
}

void ClickLine(TDebugPanel* panel, int row) {
    const QModelIndex line = panel->model()->index(row, 0);
    QVERIFY(line.isValid());
    QTest::mouseClick(panel->viewport(), Qt::LeftButton, {}, panel->visualRect(line).center());
}

// A press on one line, the mouse moved over to another, released there.
void DragOverLines(TDebugPanel* panel, int from, int to) {
    const QPoint start = panel->visualRect(panel->model()->index(from, 0)).center();
    const QPoint end = panel->visualRect(panel->model()->index(to, 0)).center();
    QTest::mousePress(panel->viewport(), Qt::LeftButton, {}, start);
    QMouseEvent move(QEvent::MouseMove, end, panel->viewport()->mapToGlobal(end), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(panel->viewport(), &move);
    QTest::mouseRelease(panel->viewport(), Qt::LeftButton, {}, end);
}

// A base whose first rule has two premises and two conclusions.
void TwoConclusionsBase(quorvel::TExpertSystem& engine) {
    FillTriageBase(engine);
    engine.Heads().AddConclusion(kRuleGripe, kRisco, 6, 0.5f);
}

}  // namespace

class ConsultTraceTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        quorvel::gui::SetMessageHook(
            [](TMsgKind, TMsgButtons, const QString&) { return std::optional<TMsgResult>(TMsgResult::Ok); });
    }
    void cleanup() { quorvel::gui::SetMessageHook(nullptr); }

    void PanelMapsPremisesAndConclusionsToTheirLines();
    void StepFromIdleHoldsBeforeTheFirstPremiseAndLocksTheLine();
    void PauseWhileAQuestionIsShownHoldsAfterTheAnswer();
    void StopWhileHeldEndsQuietly();
    void ClosingTheTraceWindowWhilePausedContinues();
};

void ConsultTraceTest::PanelMapsPremisesAndConclusionsToTheirLines() {
    TFrame f(quorvel::kAccessFull, TwoConclusionsBase);
    TDebugPanel* panel = f.windows->frmTrace->DebugPanel;
    QCOMPARE(f.windows->frmTrace->windowTitle(), QStringLiteral("Depurador"));
    QCOMPARE(f.engine->DebugObserver(), static_cast<quorvel::TExDebugInterface*>(panel->Notifier()));
    // Rule 1: header 0, premises 1 and 2, conclusions 3 and 4; rule 2's header is line 5.
    QCOMPARE(panel->LineText(0), std::string("REGRA 1"));
    QCOMPARE(panel->LineOf(kRuleGripe, 1, true), 1);
    QCOMPARE(panel->LineOf(kRuleGripe, 2, true), 2);
    QCOMPARE(panel->LineOf(kRuleGripe, 1, false), 3);
    QCOMPARE(panel->LineOf(kRuleGripe, 2, false), 4);
    QCOMPARE(panel->LineText(5), std::string("REGRA 2"));
    QCOMPARE(panel->LineOf(kRuleResfriado, 1, true), 6);

    panel->ShowPosition(kRuleGripe, 2, false);
    QCOMPARE(panel->LockedLine(), 4);
    QCOMPARE(panel->currentRow(), 4);
    // A position the maps do not know marks no line.
    panel->ShowPosition(kRuleResfriado, 3, true);
    QCOMPARE(panel->LockedLine(), -1);
    QVERIFY(panel->selectionModel()->selectedRows().isEmpty());

    // A second panel taking the engine leaves the first one without it.
    TDebugPanel other;
    other.SetExpertSystem(f.engine.get());
    QCOMPARE(f.engine->DebugObserver(), static_cast<quorvel::TExDebugInterface*>(other.Notifier()));
    QVERIFY(!panel->ExpertSystem());
    QCOMPARE(panel->count(), 0);
}

void ConsultTraceTest::StepFromIdleHoldsBeforeTheFirstPremiseAndLocksTheLine() {
    TFrame f;
    TDebugPanel* panel = f.windows->frmTrace->DebugPanel;
    THolds holds(panel);
    TScript script;
    f.Guard(script);
    script
        .Then(
            "parado antes da primeira premissa", [&] { return panel->Waiting(); },
            [&] {
                QVERIFY(f.windows->frmTrace->isVisible());
                QVERIFY(f.engine->Running && f.engine->Paused && f.engine->StepWait);
                QVERIFY(!f.Question() || !f.Question()->isVisible());
                QCOMPARE(panel->currentRow(), 1);
                QCOMPARE(panel->RowText(panel->currentRow()), QStringLiteral("SE Febre = Sim"));
                // The user may look elsewhere, but the marker stays on the
                // engine's line: clicked, dragged over or moved with the keys.
                ClickLine(panel, 6);
                QCOMPARE(panel->currentRow(), 1);
                QCOMPARE(panel->selectionModel()->selectedRows(), QModelIndexList({panel->model()->index(1, 0)}));
                DragOverLines(panel, 5, 7);
                QCOMPARE(panel->currentRow(), 1);
                QCOMPARE(panel->selectionModel()->selectedRows(), QModelIndexList({panel->model()->index(1, 0)}));
                panel->setFocus();
                for (const Qt::Key key : {Qt::Key_Down, Qt::Key_End, Qt::Key_Up}) QTest::keyClick(panel, key);
                QCOMPARE(panel->currentRow(), 1);
                QCOMPARE(panel->selectionModel()->selectedRows(), QModelIndexList({panel->model()->index(1, 0)}));
                f.windows->ExecuteStep();
            })
        .Then(
            "Febre", [&] { return f.Asking(kFebre); }, [&] { AnswerYes(f); })
        .Then(
            "parado na segunda premissa", [&] { return panel->Waiting() && panel->LockedLine() == 2; },
            [&] { f.windows->ExecuteStep(); })
        .Then(
            "Tosse", [&] { return f.Asking(kTosse); }, [&] { AnswerYes(f); })
        .Then(
            "parado na conclusão", [&] { return panel->Waiting() && panel->LockedLine() == 3; },
            [&] {
                // Continue runs on without holding; the trace window goes away.
                f.windows->TurnOnExecutionMode();
                QVERIFY(!f.windows->frmTrace->isVisible());
                QVERIFY(!f.engine->Paused);
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
            [&] { Click(f.windows->frmResults->btnOk); });
    f.windows->ExecuteStep();
    QVERIFY2(script.Done(), qPrintable(script.Waiting()));
    QCOMPARE(holds.lines, (QList<int>{1, 2, 3}));
    QVERIFY(!f.engine->Running);
    QVERIFY(!f.windows->frmTrace->isVisible());
    QCOMPARE(f.sink.texts.last(), QStringLiteral("Fim da consulta"));
}

void ConsultTraceTest::PauseWhileAQuestionIsShownHoldsAfterTheAnswer() {
    TFrame f;
    TDebugPanel* panel = f.windows->frmTrace->DebugPanel;
    THolds holds(panel);
    TScript script;
    f.Guard(script);
    script
        .Then(
            "Febre", [&] { return f.Asking(kFebre); },
            [&] {
                f.windows->btnPauseClick();
                QVERIFY(f.windows->frmTrace->isVisible());
                QVERIFY(f.engine->Paused);
                // No hold while the engine waits for the answer.
                QVERIFY(!panel->Waiting());
                QVERIFY(!f.engine->StepWait);
                // Declining to close the question leaves the pause as it was.
                f.sink.answers = {TMsgResult::No};
                QVERIFY(!f.Question()->close());
                QVERIFY(!f.engine->StepWait && !f.engine->StopRequested);
                AnswerYes(f);
            })
        .Then(
            "parado após a resposta", [&] { return panel->Waiting(); },
            [&] {
                QCOMPARE(panel->LockedLine(), 2);
                // OK is not taken while the engine is held at a step.
                QVERIFY(!f.Question()->Prompt->Submit());
                f.windows->TurnOnExecutionMode();
            })
        .Then(
            "Tosse", [&] { return f.Asking(kTosse); }, [&] { AnswerYes(f); })
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
            [&] { Click(f.windows->frmResults->btnOk); });
    f.windows->TurnOnExecutionMode();
    QVERIFY2(script.Done(), qPrintable(script.Waiting()));
    QCOMPARE(holds.lines, (QList<int>{2}));
    QCOMPARE(f.sink.texts.last(), QStringLiteral("Fim da consulta"));
}

void ConsultTraceTest::StopWhileHeldEndsQuietly() {
    TFrame f;
    TDebugPanel* panel = f.windows->frmTrace->DebugPanel;
    TScript script;
    f.Guard(script);
    script.Then(
        "parado", [&] { return panel->Waiting(); },
        [&] {
            QVERIFY(!f.child->isEnabled());
            f.windows->btnStopClick();
        });
    f.windows->ExecuteStep();
    QVERIFY2(script.Done(), qPrintable(script.Waiting()));
    QVERIFY(!f.engine->Running && !f.engine->Paused && !f.engine->StepWait);
    QVERIFY(!panel->Waiting());
    QVERIFY(!f.sink.texts.contains(QStringLiteral("Fim da consulta")));
    QVERIFY(!f.windows->frmTrace->isVisible());
    QVERIFY(f.child->isEnabled());
    // Outside a consultation the lines may be clicked freely.
    ClickLine(panel, 6);
    QCOMPARE(panel->currentRow(), 6);
}

void ConsultTraceTest::ClosingTheTraceWindowWhilePausedContinues() {
    TFrame f;
    TDebugPanel* panel = f.windows->frmTrace->DebugPanel;
    THolds holds(panel);
    bool resumed = false;
    QObject::connect(f.windows.get(), &TConsultationWindows::consultationResumed, [&] { resumed = true; });
    TScript script;
    f.Guard(script);
    script
        .Then(
            "parado", [&] { return panel->Waiting(); }, [&] { f.windows->frmTrace->close(); })
        .Then(
            "Febre", [&] { return f.Asking(kFebre); },
            [&] {
                QVERIFY(!f.engine->Paused);
                f.windows->btnStopClick();
            });
    f.windows->ExecuteStep();
    QVERIFY2(script.Done(), qPrintable(script.Waiting()));
    QVERIFY(resumed);
    QCOMPARE(holds.lines, (QList<int>{1}));
}

QTEST_MAIN(ConsultTraceTest)
#include "consult_trace_test.moc"
