// Shared helpers of the consultation windows' tests: a knowledge base for
// triage made with the engine, a bare frame with an MDI area holding the
// consultation windows, a message sink that answers from a script, and a
// script of steps that run, in the nested event loops of a consultation, as
// soon as the windows reach the state each one waits for.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Consultation.h"
#include "ExPasswd.h"
#include "ExPrompt.h"
#include "ExSystem.h"
#include "ExText.h"
#include "Results.h"
#include "RunTime.h"
#include "Trace.h"

namespace consulttest {

using quorvel::TMsgButtons;
using quorvel::TMsgKind;
using quorvel::TMsgResult;

// Answers the messages of the engine and the windows: from `answers` first,
// otherwise OK (or Yes to a question); keeps every text shown.
class TScriptedSink : public quorvel::IMessageSink {
public:
    TMsgResult ShowMessage(TMsgKind kind, TMsgButtons buttons, const std::string& text) override {
        kinds.push_back(kind);
        texts << QString::fromStdString(text);
        if (!answers.empty()) {
            const TMsgResult answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return buttons == TMsgButtons::Ok ? TMsgResult::Ok : TMsgResult::Yes;
    }
    QStringList texts;
    std::vector<TMsgKind> kinds;
    std::deque<TMsgResult> answers;
};

// Variable codes of the triage base.
enum : int32_t { kFebre = 1, kTosse = 2, kDiagnostico = 3, kIdade = 4, kSintomas = 5, kRisco = 6 };
// Rule codes: R1 Febre and Tosse give gripe; R2 Tosse gives resfriado; R3
// Idade >= 60 or cansaço gives risco alto; R4 Idade < 60 gives risco baixo.
enum : int32_t { kRuleGripe = 1, kRuleResfriado = 2, kRuleRiscoAlto = 3, kRuleRiscoBaixo = 4 };

// Targets Diagnóstico, then Risco, both showing their results.
inline void FillTriageBase(quorvel::TExpertSystem& engine) {
    engine.ClearBase();
    engine.BaseName = "Triagem de teste";
    engine.Vars().AddVariable(kFebre, "Febre", false, false);
    engine.Vars().AddVariable(kTosse, "Tosse", false, false);
    engine.Vars().AddVariable(kDiagnostico, "Diagn\xF3stico", false, false);
    engine.Vars().AddVariable(kIdade, "Idade", false, true);
    engine.Vars().AddVariable(kSintomas, "Sintomas", true, false);
    engine.Vars().AddVariable(kRisco, "Risco", false, false);
    engine.Values().AddValue(1, "Gripe", kDiagnostico, 1);
    engine.Values().AddValue(2, "Resfriado", kDiagnostico, 2);
    engine.Values().AddValue(3, "0;120", kIdade, 1);
    engine.Values().AddValue(4,
                             "dor de cabe\xE7"
                             "a",
                             kSintomas, 1);
    engine.Values().AddValue(5, "cansa\xE7o", kSintomas, 2);
    engine.Values().AddValue(6, "alto", kRisco, 1);
    engine.Values().AddValue(7, "baixo", kRisco, 2);
    engine.Formulas().Add(1, "60");

    engine.Rules().AddRule(kRuleGripe, "Gripe", 1);
    engine.Tails().AddPremise(kRuleGripe, kFebre, "=", quorvel::kCodeYes, 0, false);
    engine.Tails().AddPremise(kRuleGripe, kTosse, "=", quorvel::kCodeYes, 2, false);
    engine.Heads().AddConclusion(kRuleGripe, kDiagnostico, 1, 0.8f);
    engine.Rules().AddRule(kRuleResfriado, "Resfriado", 2);
    engine.Tails().AddPremise(kRuleResfriado, kTosse, "=", quorvel::kCodeYes, 2, false);
    engine.Heads().AddConclusion(kRuleResfriado, kDiagnostico, 2, 0.6f);
    engine.Rules().AddRule(kRuleRiscoAlto, "Risco alto", 3);
    engine.Tails().AddPremise(kRuleRiscoAlto, kIdade, ">=", 1, 1, false);
    engine.Tails().AddPremise(kRuleRiscoAlto, kSintomas, "=", 5, 2, false);
    engine.Heads().AddConclusion(kRuleRiscoAlto, kRisco, 6, 0.9f);
    engine.Rules().AddRule(kRuleRiscoBaixo, "Risco baixo", 4);
    engine.Tails().AddPremise(kRuleRiscoBaixo, kIdade, "<", 1, 2, false);
    engine.Heads().AddConclusion(kRuleRiscoBaixo, kRisco, 7, 0.7f);

    engine.Questions().AddQuestion(kFebre, "Tem febre?", true);
    const std::vector<std::string> reasons = {"A tosse separa a gripe do resfriado.", "Responda Sim se tossiu hoje."};
    engine.Questions().AddQuestion(kTosse, "Tem tosse?", true, &reasons);
    engine.Questions().AddQuestion(kIdade, "Qual a sua idade?", false);
    engine.Targets().Add(kDiagnostico, true);
    engine.Targets().Add(kRisco, true);
}

inline QString BaseFileIn(const QString& folder) { return QDir(folder).filePath(QStringLiteral("triagem.bcm")); }

// The base saved and opened again, as the workbench has it after opening a
// file. With `restriction` the base is protected by a password and opened
// without it, at the level the restriction allows.
inline bool OpenThroughFile(quorvel::TExpertSystem& engine, const QString& folder,
                            const std::function<void(quorvel::TExpertSystem&)>& fill = FillTriageBase,
                            std::optional<int16_t> restriction = std::nullopt) {
    quorvel::TExpertSystem maker;
    fill(maker);
    if (restriction) maker.PasswordBlock = {quorvel::ScrambleText("segredo"), *restriction, true};
    const std::string path = BaseFileIn(folder).toStdString();
    if (!maker.Save(path)) return false;
    // Setting the file name loads the base and tells the attached views.
    engine.SetFileName(path);
    return engine.FileName() == path;
}

// Steps that run in order, each as soon as its condition holds, from timers
// that keep firing inside the consultation's nested event loops. A step may
// itself open a modal window: the next poll is always armed first.
class TScript : public QObject {
public:
    struct TStep {
        QString name;
        std::function<bool()> ready;
        std::function<void()> act;
    };

    TScript() { Arm(); }
    // Called once when a step has failed, to end the consultation instead of
    // leaving it waiting for steps that will not come.
    std::function<void()> onFailure;
    ~TScript() override { stopped_ = true; }

    TScript& Then(const QString& name, std::function<bool()> ready, std::function<void()> act) {
        steps_.push_back({name, std::move(ready), std::move(act)});
        return *this;
    }
    bool Done() const { return next_ == steps_.size(); }
    // The step the script waits at ("" when done).
    QString Waiting() const { return Done() ? QString() : steps_[next_].name; }
    QStringList Ran() const { return ran_; }

private:
    void Arm() {
        QTimer::singleShot(2, this, [this] { Poll(); });
    }
    void Poll() {
        if (stopped_) return;
        Arm();
        if (Done() || !steps_[next_].ready()) return;
        // The step may open a modal window in which the next steps run.
        const TStep step = steps_[next_++];
        ran_ << step.name;
        step.act();
        if (QTest::currentTestFailed() && onFailure && !failed_) {
            failed_ = true;
            next_ = steps_.size();
            onFailure();
        }
    }

    std::vector<TStep> steps_;
    std::size_t next_ = 0;
    QStringList ran_;
    bool failed_ = false;
    bool stopped_ = false;
};

// A bare frame: a main window with an MDI area holding one child (standing
// for the rule-base window), the engine and the consultation windows.
class TFrame {
public:
    // The windows exist before the base is opened, as in the workbench.
    // `accessLevel`: 1, or 2 for a protected base opened without its password.
    explicit TFrame(int32_t accessLevel = quorvel::kAccessFull,
                    const std::function<void(quorvel::TExpertSystem&)>& fill = FillTriageBase)
        : noPassword("") {
        window.resize(800, 600);
        area = new QMdiArea(&window);
        window.setCentralWidget(area);
        child = area->addSubWindow(new QLabel(QStringLiteral("Base")));
        engine = std::make_unique<quorvel::TExpertSystem>(&sink);
        engine->SetPasswordPrompt(&noPassword);
        windows = std::make_unique<TConsultationWindows>(*engine, &window);
        windows->AssignEngineEvents();
        std::optional<int16_t> restriction;
        if (accessLevel != quorvel::kAccessFull) restriction = static_cast<int16_t>(accessLevel);
        QVERIFY(OpenThroughFile(*engine, scratch.path(), fill, restriction));
        QCOMPARE(engine->AccessLevel, accessLevel);
        windows->SetBaseFile(BaseFile());
        sink.texts.clear();
        sink.kinds.clear();
        window.show();
    }
    ~TFrame() {
        windows.reset();
        engine.reset();
    }
    TRunTime* Question() const { return windows->QuestionWindow(); }
    // Ends a consultation that a failed step left waiting.
    void Abort() {
        engine->Stop();
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible() && dialog->isModal())
                dialog->reject();
    }
    // A script whose failures end the consultation.
    void Guard(TScript& script) {
        script.onFailure = [this] { Abort(); };
    }
    QString BaseFile() const { return BaseFileIn(scratch.path()); }
    bool Asking(int32_t varCode) const {
        return Question() && Question()->isVisible() && Question()->Prompt->VarCode() == varCode;
    }

    QTemporaryDir scratch;
    TScriptedSink sink;
    quorvel::TFixedPasswordPrompt noPassword;
    QMainWindow window;
    QMdiArea* area = nullptr;
    QMdiSubWindow* child = nullptr;
    std::unique_ptr<quorvel::TExpertSystem> engine;
    std::unique_ptr<TConsultationWindows> windows;
};

// ---- acting on the question dialog as a user would

inline void Click(QAbstractButton* button) {
    QVERIFY(button && button->isVisible() && button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
}

// A click on the option's check mark.
inline void ChooseOption(TRunTime* dialog, int index) {
    TVarOption* option = dialog->Prompt->Option(index);
    QVERIFY(option && option->isVisible());
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(8, option->height() / 2));
}

// Types into a confidence box, then leaves it.
inline void TypeCnf(TRunTime* dialog, int index, const QString& text) {
    TTxtCnf* box = dialog->Prompt->CnfBox(index);
    QVERIFY(box);
    QLineEdit* edit = box->findChild<QLineEdit*>();
    QVERIFY(edit);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(box, text);
    QFocusEvent left(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box, &left);
}

inline void TypeValue(TRunTime* dialog, const QString& text) {
    QLineEdit* edit = dialog->Prompt->editValue;
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

}  // namespace consulttest
