#include "Consultation.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QWidget>
#include <exception>

#include "AddWVars.h"
#include "ConsultViews.h"
#include "ExExceptions.h"
#include "ExShownError.h"
#include "ExSystem.h"
#include "Intro.h"
#include "Results.h"
#include "RuleView.h"
#include "RunTime.h"
#include "Trace.h"
#include "WatCode.h"
#include "WatchPanel.h"

namespace {

constexpr const char* kNoRulesYet = "Crie algumas regra antes!";
constexpr const char* kNoQuestionWindow = "A consulta n\u00E3o tem janela onde fazer a pergunta.";

}  // namespace

// A state view of the engine: it tells the windows of every change of the
// consultation's state, and that the engine is going away.
class TConsultationLink : public quorvel::TExCtrlInterface {
public:
    explicit TConsultationLink(TConsultationWindows& windows)
        : TExCtrlInterface(quorvel::kStateViews), windows_(windows) {}
    void Clear() override { emit windows_.stateChanged(); }
    void Refresh() override { emit windows_.stateChanged(); }
    void Detach() override { windows_.engineAlive_ = false; }

private:
    TConsultationWindows& windows_;
};

TConsultationWindows::TConsultationWindows(quorvel::TExpertSystem& engine, QWidget* frame, quorvel::IMessageSink* sink)
    : QObject(frame), engine_(engine), frame_(frame), sink_(sink) {
    link_ = std::make_unique<TConsultationLink>(*this);
    engine_.AddControl(link_.get());
    engine_.SetMessageLoop(&messageLoop_);
    engine_.SetQuestionDialogFactory([this](quorvel::TExpertSystem& e) {
        std::unique_ptr<quorvel::IQuestionDialog> dialog = MakeQuestionDialog(e, frame_.data());
        questionWindow_ = RunTimeOf(dialog.get());
        return dialog;
    });

    frmWatch = new TfrmWatch(engine_, frame);
    dialogAddVars = new TdialogAddVars(engine_, *frmWatch->WatchPanel, frame);
    frmResults = new TfrmResults(engine_, frame);
    frmTrace = new TfrmTrace(engine_, frame);
    owned_ = {frmTrace, frmResults, dialogAddVars, frmWatch};
    connect(frmTrace, &TfrmTrace::resumedByClose, this, &TConsultationWindows::consultationResumed);
}

TConsultationWindows::~TConsultationWindows() {
    if (engineAlive_) {
        engine_.RemoveControl(link_.get());
        engine_.SetQuestionDialogFactory({});
        engine_.SetMessageLoop(nullptr);
    }
    // The windows the frame has not taken down yet go with this object.
    for (const QPointer<QWidget>& window : owned_) delete window.data();
}

void TConsultationWindows::AssignEngineEvents() {
    engine_.OnStart = [this](quorvel::TExpertSystem& e) { ExpertSystemStart(e); };
    engine_.OnPrompt = [this](quorvel::TExpertSystem& e, int32_t varCode) { ExpertSystemPrompt(e, varCode); };
    engine_.OnShowResults = [this](quorvel::TExpertSystem& e, int32_t varCode) { ExpertSystemShowResults(e, varCode); };
    engine_.OnFinish = [this](quorvel::TExpertSystem& e) { ExpertSystemFinish(e); };
}

void TConsultationWindows::SetBaseFile(const QString& baseFile) {
    baseFile_ = baseFile;
    frmResults->SetBaseFile(baseFile);
}

quorvel::IMessageSink& TConsultationWindows::Sink() const { return sink_ ? *sink_ : engine_.Sink(); }

void TConsultationWindows::SetBackEnabled(bool enabled) {
    if (enabled == backEnabled_) return;
    backEnabled_ = enabled;
    emit backEnabledChanged(enabled);
}

bool TConsultationWindows::NoConclusions() {
    if (engine_.Heads().Count() > 0) return false;
    Sink().ShowMessage(quorvel::TMsgKind::Information, quorvel::TMsgButtons::Ok, kNoRulesYet);
    return true;
}

void TConsultationWindows::Guarded(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const std::exception& error) {
        Sink().ShowMessage(quorvel::TMsgKind::Error, quorvel::TMsgButtons::Ok, quorvel::ShownErrorText(engine_, error));
    }
}

// ----------------------------------------------------------------- commands

void TConsultationWindows::TurnOnExecutionMode() {
    if (NoConclusions()) return;
    if (engine_.Running) {
        if (!engine_.Paused) return;
        HideTrace();
        Guarded([this] { engine_.Resume(); });
        return;
    }
    HideTrace();
    Guarded([this] { engine_.Start(); });
}

void TConsultationWindows::btnPauseClick() {
    if (!engine_.Running || engine_.Paused || !engine_.RulesMayBeShown()) return;
    ShowTrace();
    Guarded([this] { engine_.Pause(); });
}

void TConsultationWindows::btnStopClick() { engine_.Stop(); }

void TConsultationWindows::ExecuteStep() {
    if (!engine_.RulesMayBeShown()) return;
    if (!engine_.Running && NoConclusions()) return;
    ShowTrace();
    Guarded([this] { engine_.ExecuteStep(); });
}

void TConsultationWindows::BackToLastQuestion() {
    engine_.BackToLastQuestion();
    if (engine_.QuestionCount == 0) SetBackEnabled(false);
}

void TConsultationWindows::btnWatchClick() {
    if (engine_.RulesMayBeShown()) ShowWatch();
}

void TConsultationWindows::mnuAddClick() {
    if (engine_.RulesMayBeShown()) ShowAddWatch();
}

// ------------------------------------------------------------ engine events

void TConsultationWindows::ExpertSystemStart(quorvel::TExpertSystem& engine) {
    SetBackEnabled(false);
    RefillViews();
    LockChildren(true);
    emit consultationStarted();
    if (engine.ShowOpening) ShowIntroduction(frame_.data(), engine, baseFile_);
}

void TConsultationWindows::ExpertSystemFinish(quorvel::TExpertSystem& engine) {
    SetBackEnabled(false);
    if (engine.RulesMayBeShown()) LockChildren(false);
    CloseWatch();
    CloseTrace();
    emit consultationFinished();
}

void TConsultationWindows::ExpertSystemPrompt(quorvel::TExpertSystem& engine, int32_t varCode) {
    SetBackEnabled(engine.QuestionCount > 0);
    engine.ShowQuestion(varCode);
    // Without a question window nobody could answer: the consultation ends
    // here instead of waiting for ever.
    if (!engine.QuestionDialog()) throw quorvel::EExpertSystem(kNoQuestionWindow);
}

void TConsultationWindows::ExpertSystemShowResults(quorvel::TExpertSystem& /*engine*/, int32_t varCode) {
    ShowResults(varCode);
}

// ---------------------------------------------------------- window parts

void TConsultationWindows::RefillViews() {
    frmTrace->DebugPanel->Fill();
    frmResults->RuleView->Fill();
    frmResults->ConsultTree->Clear();
}

void TConsultationWindows::ShowResults(int32_t varCode) { frmResults->ShowFor(varCode); }

void TConsultationWindows::ShowTrace() {
    frmTrace->show();
    frmTrace->raise();
}

void TConsultationWindows::HideTrace() { frmTrace->hide(); }

void TConsultationWindows::CloseTrace() { frmTrace->close(); }

void TConsultationWindows::ShowWatch() {
    frmWatch->show();
    frmWatch->raise();
}

void TConsultationWindows::CloseWatch() { frmWatch->close(); }

void TConsultationWindows::ShowAddWatch() { dialogAddVars->Execute(); }

void TConsultationWindows::LockChildren(bool locked) {
    if (!frame_) return;
    for (QMdiArea* area : frame_->findChildren<QMdiArea*>())
        for (QMdiSubWindow* child : area->subWindowList()) child->setEnabled(!locked);
}
