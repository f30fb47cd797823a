// Modal dialogs and message boxes come up over the window the user is
// looking at and above every window of the program, the consultation's
// windows that stay on top included: each one is checked, as it is shown,
// for its parent, for being the active window and for staying on top.
#include <QMessageBox>
#include <QtTest>

#include "AddWVars.h"
#include "DialogStacking.h"
#include "Intro.h"
#include "MessageBoxSink.h"
#include "RuleView.h"
#include "WatCode.h"
#include "consult_test_support.h"

using namespace consulttest;

namespace {

// What a modal window was like once it had come up.
struct TSeen {
    QPointer<QWidget> parent;
    QString parentName;  // the parent may be gone by the time it is looked at
    bool staysOnTop = false;
    bool seen = false;
};

// The modal window of type T in front, once it is also the active window.
template <class T>
T* ActiveModal() {
    auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
    return modal && QApplication::activeWindow() == modal ? modal : nullptr;
}

template <class T>
void Note(TSeen& seen) {
    T* modal = ActiveModal<T>();
    QVERIFY(modal);
    seen.parent = modal->parentWidget();
    seen.parentName = seen.parent ? seen.parent->objectName() : QString();
    seen.staysOnTop = modal->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    seen.seen = true;
}

// A consultation of the triage base that asks only the age (a number).
void AgeOnly(quorvel::TExpertSystem& engine) {
    FillTriageBase(engine);
    engine.Targets().Clear();
    engine.Targets().Add(kRisco, true);
}

void WithOpeningText(quorvel::TExpertSystem& engine) {
    FillTriageBase(engine);
    engine.ShowOpening = true;
    engine.OpeningText = {"Bem-vindo \xE0 triagem."};
}

// A frame whose messages are real message boxes.
class TBoxFrame : public TFrame {
public:
    explicit TBoxFrame(const std::function<void(quorvel::TExpertSystem&)>& fill = FillTriageBase)
        : TFrame(quorvel::kAccessFull, fill) {
        engine->SetMessageSink(&boxes);
        // A box nobody closes would hold the test for ever.
        QTimer::singleShot(20000, &window, [this] { Abort(); });
    }
    quorvel::gui::TMessageBoxSink boxes;
};

}  // namespace

class DialogStackingTest : public QObject {
    Q_OBJECT

private slots:
    void theParentIsTheWindowInFront();
    void invalidNumberBoxOverTheQuestion();
    void addVariablesOverTheWatchWindow();
    void openingTextOverTheTraceWindow();
    void resultsWhileSteppingOverTheTraceWindow();
    void confirmationOfCancellingOverTheQuestion();
};

void DialogStackingTest::theParentIsTheWindowInFront() {
    QMainWindow main;
    main.show();
    QDialog onTop(&main, Qt::Dialog | Qt::WindowStaysOnTopHint);
    // (Declared after the window it will be shown over, so it goes first.)
    QDialog owned(&main);
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QCOMPARE(quorvel::gui::DialogParent(), &main);
    QVERIFY(!quorvel::gui::AnyWindowStaysOnTop());

    // A window that stays on top, active: it is the parent, and the dialog stays on top too.
    onTop.show();
    onTop.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &onTop);
    QCOMPARE(quorvel::gui::DialogParent(), &onTop);
    QVERIFY(quorvel::gui::AnyWindowStaysOnTop());
    QCOMPARE(quorvel::gui::PrepareModal(owned), &onTop);
    QCOMPARE(owned.parentWidget(), &onTop);
    QVERIFY(owned.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // Run modally, it goes back to its own parent and flags afterwards.
    QDialog later(&main);
    const Qt::WindowFlags ownFlags = later.windowFlags();
    TSeen seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (ActiveModal<QDialog>() == &later) {
            Note<QDialog>(seen);
            later.reject();
        }
    });
    poll.start(5);
    quorvel::gui::ExecModal(later);
    QVERIFY(seen.seen);
    QCOMPARE(seen.parent.data(), &onTop);
    QVERIFY(seen.staysOnTop);
    QCOMPARE(later.parentWidget(), &main);
    QCOMPARE(later.windowFlags(), ownFlags);
}

void DialogStackingTest::invalidNumberBoxOverTheQuestion() {
    TBoxFrame f(AgeOnly);
    TSeen seen;
    TScript script;
    f.Guard(script);
    script
        .Then(
            "idade", [&] { return f.Asking(kIdade) && QApplication::activeWindow() == f.Question(); },
            [&] {
                TypeValue(f.Question(), QStringLiteral("abc"));
                Click(f.Question()->btnOk);
            })
        .Then(
            "Valor numérico inválido!", [&] { return ActiveModal<QMessageBox>() != nullptr; },
            [&] {
                QMessageBox* box = ActiveModal<QMessageBox>();
                QCOMPARE(box->text(), QStringLiteral("Valor numérico inválido!"));
                Note<QMessageBox>(seen);
                box->escapeButton()->click();
            })
        .Then(
            "idade outra vez", [&] { return f.Asking(kIdade) && !QApplication::activeModalWidget(); },
            [&] { f.windows->btnStopClick(); });
    f.windows->TurnOnExecutionMode();
    QVERIFY2(script.Done(), qPrintable(script.Waiting()));
    QVERIFY(seen.seen);
    QCOMPARE(seen.parentName, QStringLiteral("RunTime"));
    QVERIFY(seen.staysOnTop);
}

void DialogStackingTest::addVariablesOverTheWatchWindow() {
    TBoxFrame f;
    TSeen seen;
    QWidget* inFront = nullptr;
    TScript script;
    f.Guard(script);
    script
        .Then(
            "febre", [&] { return f.Asking(kFebre); },
            [&] {
                f.windows->ShowWatch();
                f.window.activateWindow();
            })
        .Then(
            "principal em frente", [&] { return QApplication::activeWindow() == &f.window; },
            [&] {
                inFront = QApplication::activeWindow();
                f.windows->mnuAddClick();
            })
        .Then(
            "Adicionar Variáveis", [&] { return ActiveModal<TdialogAddVars>() != nullptr; },
            [&] {
                Note<TdialogAddVars>(seen);
                ActiveModal<TdialogAddVars>()->reject();
            })
        .Then(
            "fim", [&] { return !QApplication::activeModalWidget(); }, [&] { f.windows->btnStopClick(); });
    f.windows->TurnOnExecutionMode();
    QVERIFY2(script.Done(), qPrintable(script.Waiting()));
    QVERIFY(seen.seen);
    QCOMPARE(seen.parent.data(), inFront);
    QVERIFY(seen.staysOnTop);
    // Afterwards the dialog belongs to the frame again, without the flag.
    QCOMPARE(f.windows->dialogAddVars->parentWidget(), &f.window);
    QVERIFY(!f.windows->dialogAddVars->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

void DialogStackingTest::openingTextOverTheTraceWindow() {
    TBoxFrame f(WithOpeningText);
    TSeen seen;
    TScript script;
    f.Guard(script);
    script
        .Then(
            "Abertura", [&] { return ActiveModal<TdialogIntro>() != nullptr; },
            [&] {
                QVERIFY(f.windows->frmTrace->isVisible());
                Note<TdialogIntro>(seen);
                ActiveModal<TdialogIntro>()->accept();
            })
        .Then(
            "parado", [&] { return f.windows->frmTrace->DebugPanel->Waiting(); }, [&] { f.windows->btnStopClick(); });
    f.windows->ExecuteStep();
    QVERIFY2(script.Done(), qPrintable(script.Waiting()));
    QVERIFY(seen.seen);
    // Over the window in front: the frame, or the trace window when it has the focus.
    QVERIFY(seen.parent == &f.window || seen.parent == f.windows->frmTrace);
    QVERIFY(seen.staysOnTop);
}

void DialogStackingTest::resultsWhileSteppingOverTheTraceWindow() {
    TBoxFrame f;
    TDebugPanel* panel = f.windows->frmTrace->DebugPanel;
    const auto answerYes = [&] {
        ChooseOption(f.Question(), 0);
        Click(f.Question()->btnOk);
    };
    TSeen seen;
    TScript script;
    f.Guard(script);
    script.Then("parado", [&] { return panel->Waiting(); }, [&] { f.windows->ExecuteStep(); })
        .Then("Febre", [&] { return f.Asking(kFebre); }, answerYes)
        .Then("segunda premissa", [&] { return panel->Waiting(); }, [&] { f.windows->ExecuteStep(); })
        .Then("Tosse", [&] { return f.Asking(kTosse); }, answerYes)
        .Then(
            "conclusão", [&] { return panel->Waiting() && panel->LockedLine() == 3; },
            [&] {
                f.windows->frmTrace->activateWindow();
                f.windows->ExecuteStep();
            })
        .Then(
            "Resultados", [&] { return ActiveModal<TfrmResults>() != nullptr; },
            [&] {
                QVERIFY(f.windows->frmTrace->isVisible());
                Note<TfrmResults>(seen);
                ActiveModal<TfrmResults>()->accept();
            })
        .Then(
            "fim", [&] { return !QApplication::activeModalWidget(); }, [&] { f.windows->btnStopClick(); });
    f.windows->ExecuteStep();
    QVERIFY2(script.Done(), qPrintable(script.Waiting()));
    QVERIFY(seen.seen);
    // Over the window in front: the frame, or the trace window when it has the focus.
    QVERIFY(seen.parent == &f.window || seen.parent == f.windows->frmTrace);
    QVERIFY(seen.staysOnTop);
    QCOMPARE(f.windows->frmResults->parentWidget(), &f.window);
}

void DialogStackingTest::confirmationOfCancellingOverTheQuestion() {
    TBoxFrame f;
    TSeen seen;
    TScript script;
    f.Guard(script);
    script
        .Then(
            "febre", [&] { return f.Asking(kFebre) && QApplication::activeWindow() == f.Question(); },
            [&] { f.Question()->close(); })
        .Then(
            "Confirma cancelamento da consulta?", [&] { return ActiveModal<QMessageBox>() != nullptr; },
            [&] {
                Note<QMessageBox>(seen);
                QMessageBox* box = ActiveModal<QMessageBox>();
                QCOMPARE(box->text(), QStringLiteral("Confirma cancelamento da consulta?"));
                for (QAbstractButton* button : box->buttons())
                    if (button->text() == QStringLiteral("&Sim")) button->click();
            });
    f.windows->TurnOnExecutionMode();
    QVERIFY2(script.Done(), qPrintable(script.Waiting()));
    QVERIFY(seen.seen);
    QCOMPARE(seen.parentName, QStringLiteral("RunTime"));
    QVERIFY(seen.staysOnTop);
    QVERIFY(!f.engine->Running);
}

QTEST_MAIN(DialogStackingTest)
#include "dialog_stacking_test.moc"
