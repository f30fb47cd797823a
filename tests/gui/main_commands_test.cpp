// Which commands the user can reach in each workbench state and access
// level, and the consultation commands that move between the states.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "Base.h"
#include "Intro.h"
#include "Main.h"
#include "Options.h"
#include "Passwd.h"
#include "main_test_support.h"

using namespace maintest;

namespace {

// The commands whose states tell the workbench states apart.
const QStringList kCommands = {"btnNew",          "btnOpen",         "btnSave",         "btnPrint",      "btnGo",
                               "btnLastQuestion", "btnPause",        "btnStop",         "btnStep",       "btnAddVars",
                               "btnWatch",        "btnNewRule",      "btnOpenRule",     "btnDelete",     "btnView",
                               "btnVars",         "btnTargets",      "btnQuestions",    "btnInfo",       "mnuNew",
                               "mnuOpen",         "mnuSave",         "mnuSaveAs",       "mnuExportBase", "mnuPrint",
                               "mnuEdit",         "mnuShowStatus",   "mnuOptions",      "mnuSystemVars", "mnuStart",
                               "mnuFinish",       "mnuBreak",        "mnuLastQuestion", "mnuStep",       "mnuWatch",
                               "mnuAdd",          "mnuDependencies", "mnuCascade"};

const QStringList kEditingWithRules = {
    "btnNew",       "btnOpen",    "btnSave",         "btnPrint",   "btnGo",         "btnStep",   "btnAddVars",
    "btnWatch",     "btnNewRule", "btnOpenRule",     "btnDelete",  "btnView",       "btnVars",   "btnTargets",
    "btnQuestions", "btnInfo",    "mnuNew",          "mnuOpen",    "mnuSave",       "mnuSaveAs", "mnuExportBase",
    "mnuPrint",     "mnuEdit",    "mnuShowStatus",   "mnuOptions", "mnuSystemVars", "mnuStart",  "mnuStep",
    "mnuWatch",     "mnuAdd",     "mnuDependencies", "mnuCascade"};

QStringList Without(QStringList names, const QStringList& removed) {
    for (const QString& name : removed) names.removeAll(name);
    return names;
}

// A question window that shows nothing: the engine waits until the test acts.
class TSilentQuestion : public quorvel::IQuestionDialog {
public:
    explicit TSilentQuestion(int* shown) : shown_(shown) {}
    void ShowQuestion(int32_t) override { ++*shown_; }
    void HideQuestion() override {}
    bool IsShown() const override { return false; }
    void CloseAtEnd() override {}

private:
    int* shown_;
};

}  // namespace

class MainCommandsTest : public QObject {
    Q_OBJECT

    // A fresh folder for each test.
    std::unique_ptr<QTemporaryDir> dir_;
    QString Path(const QString& name) const { return dir_->filePath(name); }

    // Opens a base with the given restriction (none: full access).
    static void OpenWith(TfrmMain& frame, const QString& path, std::optional<int16_t> restriction) {
        TBaseOptions options;
        options.restriction = restriction;
        QVERIFY(MakeBase(path, options));
        // Without the password: an empty entry accepts the restriction.
        if (restriction) WhenModal<TdialogPasswd>([](TdialogPasswd* dialog) { dialog->OKBtn->click(); });
        QVERIFY(frame.OpenBase(path));
    }

private slots:
    void init() {
        RemoveSettings();
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }

    void eachStateOffersItsCommands_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("usable");
        QTest::newRow("no base") << "none" << QStringList({"btnNew", "btnOpen", "mnuNew", "mnuOpen", "mnuShowStatus"});
        QTest::newRow("new base") << "new" << Without(kEditingWithRules, {"btnOpenRule", "btnDelete", "btnView"});
        QTest::newRow("full access") << "open1" << kEditingWithRules;
        QTest::newRow("consult and view") << "open3" << Without(kEditingWithRules, {"btnSave", "mnuSave", "mnuSaveAs"});
        QTest::newRow("consult only") << "open2"
                                      << QStringList({"btnNew", "btnOpen", "btnGo", "mnuNew", "mnuOpen", "mnuEdit",
                                                      "mnuShowStatus", "mnuStart"});
        QTest::newRow("base closed") << "closed"
                                     << QStringList({"btnNew", "btnOpen", "mnuNew", "mnuOpen", "mnuShowStatus"});
    }

    void eachStateOffersItsCommands() {
        QFETCH(QString, state);
        QFETCH(QStringList, usable);
        TfrmMain frame;
        TMessageScript messages;
        if (state == QLatin1String("new")) {
            Command(frame, "btnNew")->trigger();
        } else if (state.startsWith(QLatin1String("open")) || state == QLatin1String("closed")) {
            const int level = state == QLatin1String("closed") ? 1 : state.back().digitValue();
            OpenWith(frame, Path("estado.bcm"), level == 1 ? std::nullopt : std::optional<int16_t>(int16_t(level)));
            if (state == QLatin1String("closed")) frame.BaseWindow()->btnClose->click();
        }
        QCOMPARE(UsableOf(frame, kCommands), usable);
    }

    void theSystemMenuMirrorsTheRuleButtons() {
        TfrmMain frame;
        Command(frame, "btnNew")->trigger();
        frame.mnuSystemClick();
        QVERIFY(Command(frame, "mnuSystemNewRule")->isEnabled());
        QVERIFY(!Command(frame, "mnuSystemOpenRule")->isEnabled());
        QVERIFY(!Command(frame, "mnuSystemDelete")->isEnabled());
        QVERIFY(!Command(frame, "mnuSystemView")->isEnabled());
        OpenWith(frame, Path("sistema.bcm"), std::nullopt);
        frame.mnuSystemClick();
        QVERIFY(Command(frame, "mnuSystemOpenRule")->isEnabled() && Command(frame, "mnuSystemDelete")->isEnabled() &&
                Command(frame, "mnuSystemView")->isEnabled());
    }

    void startingABaseWithoutRulesOnlySaysSo() {
        TfrmMain frame;
        TMessageScript messages;
        Command(frame, "btnNew")->trigger();
        const QStringList before = UsableOf(frame, kCommands);
        Command(frame, "btnGo")->trigger();
        QCOMPARE(messages.Texts(), QStringList{QStringLiteral("Crie algumas regra antes!")});
        QCOMPARE(messages.shown[0].kind, TMsgKind::Information);
        QCOMPARE(UsableOf(frame, kCommands), before);
    }

    // Start, pause, continue and stop while the engine waits for an answer.
    void aConsultationMovesThroughRunningAndPaused() {
        TfrmMain frame;
        TMessageScript messages;
        OpenWith(frame, Path("consulta.bcm"), std::nullopt);
        int questions = 0;
        frame.ExpertSystem().SetQuestionDialogFactory(
            [&questions](quorvel::TExpertSystem&) { return std::make_unique<TSilentQuestion>(&questions); });

        const QStringList running = {"btnPause",  "btnStop",  "btnAddVars", "btnWatch",
                                     "mnuFinish", "mnuBreak", "mnuWatch",   "mnuAdd"};
        const QStringList paused = {"btnGo",    "btnStop",   "btnStep", "btnAddVars", "btnWatch",
                                    "mnuStart", "mnuFinish", "mnuStep", "mnuWatch",   "mnuAdd"};
        QStringList seenRunning, seenPaused, seenContinued;
        bool childrenDisabled = false;
        QString goHint, startCaption;
        int asked = 0;
        QTimer::singleShot(0, &frame, [&] {
            asked = questions;
            seenRunning = UsableOf(frame, kCommands);
            childrenDisabled = !frame.BaseWindow()->isEnabled();
            goHint = Command(frame, "btnGo")->toolTip() + QLatin1Char('|') + Command(frame, "btnGo")->statusTip();
            startCaption = Command(frame, "mnuStart")->text();
            Command(frame, "btnPause")->trigger();
            seenPaused = UsableOf(frame, kCommands);
            Command(frame, "mnuStart")->trigger();  // Continue
            seenContinued = UsableOf(frame, kCommands);
            Command(frame, "btnStop")->trigger();
        });
        Command(frame, "btnGo")->trigger();
        QCOMPARE(asked, 1);
        QCOMPARE(seenRunning, running);
        QVERIFY(childrenDisabled);
        QCOMPARE(goHint, QStringLiteral("Continuar|Dá prosseguimento à consulta."));
        QCOMPARE(startCaption, QStringLiteral("&Continuar"));
        QCOMPARE(seenPaused, paused);
        QCOMPARE(seenContinued, running);
        // Stopped: back to editing, with the window and the caption restored.
        QVERIFY(!frame.ExpertSystem().Running);
        QCOMPARE(UsableOf(frame, kCommands), kEditingWithRules);
        QVERIFY(frame.BaseWindow()->isEnabled());
        QCOMPARE(Command(frame, "mnuStart")->text(), QStringLiteral("&Iniciar"));
        QCOMPARE(Command(frame, "btnGo")->toolTip(), QStringLiteral("Iniciar"));
        QVERIFY(messages.shown.empty());
    }

    // Step from idle starts a consultation: the base cannot be closed or
    // replaced under it.
    void stepFromIdleLocksTheDocumentCommands() {
        TfrmMain frame;
        TMessageScript messages;
        OpenWith(frame, Path("passo.bcm"), std::nullopt);
        int questions = 0;
        frame.ExpertSystem().SetQuestionDialogFactory(
            [&questions](quorvel::TExpertSystem&) { return std::make_unique<TSilentQuestion>(&questions); });
        QStringList seen;
        bool stillOpen = false;
        QTimer::singleShot(0, &frame, [&] {
            seen = UsableOf(frame, kCommands);
            Command(frame, "mnuNew")->trigger();  // its shortcut may still reach it
            stillOpen = frame.BaseWindow() && frame.ExpertSystem().Running;
            Command(frame, "btnStop")->trigger();
        });
        Command(frame, "btnStep")->trigger();
        // The trace window holds the engine before the first premise, where Stop ends it.
        QVERIFY(questions <= 1);
        QVERIFY(!seen.contains(QStringLiteral("mnuNew")) && !seen.contains(QStringLiteral("btnOpen")));
        QVERIFY(seen.contains(QStringLiteral("btnStop")) && seen.contains(QStringLiteral("btnStep")));
        QVERIFY(stillOpen);
        QCOMPARE(UsableOf(frame, kCommands), kEditingWithRules);
    }

    // Without a question window the consultation ends with a message instead
    // of waiting for an answer nobody can give.
    void aQuestionWithoutItsWindowEndsTheConsultation() {
        TfrmMain frame;
        TMessageScript messages;
        OpenWith(frame, Path("sem-janela.bcm"), std::nullopt);
        frame.ExpertSystem().SetQuestionDialogFactory([](quorvel::TExpertSystem&) { return nullptr; });
        Command(frame, "btnGo")->trigger();
        QVERIFY(!frame.ExpertSystem().Running);
        QCOMPARE(messages.shown.size(), std::size_t(1));
        QCOMPARE(messages.shown[0].kind, TMsgKind::Error);
        QCOMPARE(UsableOf(frame, kCommands), kEditingWithRules);
    }

    // Options changes the base only where it may be altered.
    void theOptionsMarkTheBaseModified_data() {
        QTest::addColumn<int>("restriction");  // 0: full access
        QTest::addColumn<bool>("modified");
        QTest::newRow("full access") << 0 << true;
        QTest::newRow("consult and view") << 3 << false;
    }

    void theOptionsMarkTheBaseModified() {
        QFETCH(int, restriction);
        QFETCH(bool, modified);
        TfrmMain frame;
        TMessageScript messages;
        OpenWith(frame, Path("opcoes.bcm"), restriction ? std::optional<int16_t>(int16_t(restriction)) : std::nullopt);
        messages.Clear();
        WhenModal<TdialogOptions>([](TdialogOptions* dialog) {
            dialog->OKBtn->click();
            if (dialog->isVisible()) dialog->CancelBtn->click();
        });
        Command(frame, "mnuOptions")->trigger();
        QCOMPARE(frame.BaseWindow()->Modified(), modified);
        QCOMPARE(messages.Texts(),
                 modified ? QStringList()
                          : QStringList{QStringLiteral("Lembre-se de que você não tem permissão para alterar esta base "
                                                       "de conhecimento!")});
    }

    // Ctrl+F7, F9, F8 and Ctrl+F2 reach the consultation from its question
    // dialog, a window of its own that stays on top.
    void theConsultationKeysWorkFromTheQuestionDialog() {
        TfrmMain frame;
        TMessageScript messages;
        OpenWith(frame, Path("teclas.bcm"), std::nullopt);
        frame.show();
        QWidget* trace = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->objectName() == QLatin1String("frmTrace")) trace = window;
        QVERIFY(trace);
        const quorvel::TExpertSystem& engine = frame.ExpertSystem();
        QStringList seen;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &frame, [&] {
            QWidget* question = QApplication::activeWindow();
            if (!question || question->objectName() != QLatin1String("RunTime") || !seen.isEmpty()) return;
            const auto state = [&](const char* key) {
                seen << QStringLiteral("%1: %2 %3")
                            .arg(QLatin1String(key), QLatin1String(engine.Paused ? "parada" : "andando"),
                                 QLatin1String(trace->isVisible() ? "com depurador" : "sem depurador"));
            };
            QTest::keyClick(question, Qt::Key_F7, Qt::ControlModifier);
            state("Ctrl+F7");
            // A step shows the trace window again.
            trace->hide();
            QTest::keyClick(question, Qt::Key_F8);
            state("F8");
            QTest::keyClick(question, Qt::Key_F9);
            state("F9");
            QTest::keyClick(question, Qt::Key_F2, Qt::ControlModifier);
        });
        poll.start(5);
        Command(frame, QStringLiteral("btnGo"))->trigger();
        QCOMPARE(seen, QStringList({"Ctrl+F7: parada com depurador", "F8: parada com depurador",
                                    "F9: andando sem depurador"}));
        QVERIFY(!engine.Running);
        QVERIFY(messages.shown.empty());
    }

    // A base that shows its opening text does so when the consultation
    // starts; Cancel there ends the consultation.
    void theOpeningTextMayCancelTheConsultation() {
        TfrmMain frame;
        TMessageScript messages;
        OpenWith(frame, Path("abertura.bcm"), std::nullopt);
        frame.ExpertSystem().ShowOpening = true;
        frame.ExpertSystem().OpeningText = {"Bem-vindo."};
        int questions = 0;
        frame.ExpertSystem().SetQuestionDialogFactory(
            [&questions](quorvel::TExpertSystem&) { return std::make_unique<TSilentQuestion>(&questions); });
        bool shown = false;
        WhenModal<TdialogIntro>([&shown](TdialogIntro* dialog) {
            shown = true;
            dialog->reject();
        });
        Command(frame, "btnGo")->trigger();
        QVERIFY(shown);
        QCOMPARE(questions, 0);
        QVERIFY(!frame.ExpertSystem().Running);
        QCOMPARE(UsableOf(frame, kCommands), kEditingWithRules);
        QVERIFY(messages.shown.empty());
    }

    void theConsultOnlyLevelCannotPauseOrStep() {
        TfrmMain frame;
        TMessageScript messages;
        OpenWith(frame, Path("restrita.bcm"), int16_t(2));
        int questions = 0;
        frame.ExpertSystem().SetQuestionDialogFactory(
            [&questions](quorvel::TExpertSystem&) { return std::make_unique<TSilentQuestion>(&questions); });
        QStringList seen;
        QTimer::singleShot(0, &frame, [&] {
            seen = UsableOf(frame, kCommands);
            Command(frame, "mnuBreak")->trigger();
            Command(frame, "btnStop")->trigger();
        });
        Command(frame, "btnGo")->trigger();
        QCOMPARE(questions, 1);
        QCOMPARE(seen, QStringList({"btnStop", "mnuFinish"}));
        QVERIFY(!frame.ExpertSystem().Running);
        // The window of the rules stays disabled after the consultation.
        QVERIFY(!frame.BaseWindow()->isEnabled());
    }
};

QTEST_MAIN(MainCommandsTest)
#include "main_commands_test.moc"
