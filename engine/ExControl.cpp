// The engine's outside: the tape and question history, position reports,
// the control operations (stop, pause, resume, step, back to the last
// question) and the notification of the attached display controls.
#include <algorithm>

#include "ExExceptions.h"
#include "ExSystem.h"

namespace quorvel {

namespace {

constexpr const char* kAddControlMisuse = "Uso indevido do métod AddControl!";
constexpr const char* kEndlessWait =
    "A consulta ficou à espera de uma resposta que nenhuma janela pode dar.";

TImmediateMessageLoop& DefaultLoop() {
    static TImmediateMessageLoop loop;
    return loop;
}

}  // namespace

void TImmediateMessageLoop::RunUntil(const std::function<bool()>& done) {
    if (!done()) throw EExpertSystem(kEndlessWait);
}

// ---------------------------------------------------------------------- tape

void TTape::DropConsumed() {
    items_.erase(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(head_));
    head_ = 0;
}

std::vector<int32_t> TTape::CutAt(uint64_t index) {
    std::vector<int32_t> removed;
    if (index < first_) index = first_;
    const uint64_t offset = index - first_;
    if (offset >= Size()) return removed;
    const auto from = items_.begin() + static_cast<std::ptrdiff_t>(head_ + offset);
    removed.assign(from, items_.end());
    items_.erase(from, items_.end());
    return removed;
}

void TTape::Clear() {
    first_ += Size();
    items_.clear();
    head_ = 0;
}

void TExpertSystem::Record(int32_t code, int32_t argument) {
    if (!Recording) return;
    if (code > 0)
        CurrentPosition = {code, argument, true};
    else if (code == kTapeRuleFired || code == kTapeRuleRejected)
        CurrentPosition.Premise = false;
    const uint64_t at = tape_.Append(code);
    if (code == kTapeAnswered) {
        const int32_t index = CurrentPosition.Premise ? CurrentPosition.Index : LastConclusionIndex;
        history_.push_back({std::to_string(CurrentPosition.RuleCode) + "/" + std::to_string(index) + "/" +
                                (CurrentPosition.Premise ? "true" : "false"),
                            at});
    }
    tape_.Append(argument);
}

void TExpertSystem::ReportPosition(int32_t ruleCode, int32_t index, bool premise) {
    if (debugObserver_ && RulesMayBeShown()) {
        debugObserver_->ShowPosition(ruleCode, index, premise);
        if (Paused) debugObserver_->Hold();
    }
    LastReportedPosition = {ruleCode, index, premise};
}

// ----------------------------------------------------------------- waiting

void TExpertSystem::SetMessageLoop(IMessageLoop* loop) { loop_ = loop ? loop : &DefaultLoop(); }

void TExpertSystem::WaitWhile(const bool& flag) {
    if (!loop_) loop_ = &DefaultLoop();
    loop_->RunUntil([&flag] { return !flag; });
}

void TExpertSystem::ReleaseWait() {
    Waiting = false;
    if (dialog_ && dialog_->IsShown()) dialog_->HideQuestion();
}

void TExpertSystem::ShowQuestion(int32_t varCode) {
    if (dialog_) dialog_->ShowQuestion(varCode);
}

// -------------------------------------------------------------- the controls

void TExpertSystem::Stop() {
    if (!Running) return;
    StopRequested = true;
    if (Paused) {
        StepWait = false;
        Paused = false;
    }
    ReleaseWait();
}

void TExpertSystem::Pause() {
    if (!Running || Paused) return;
    if (OnPause) OnPause(*this);
    Paused = true;
    NotifyStateViews();
    ReportPosition(LastReportedPosition.RuleCode, LastReportedPosition.Index, LastReportedPosition.Premise);
}

void TExpertSystem::Resume() {
    if (!Running || !Paused) return;
    if (OnResume) OnResume(*this);
    Paused = false;
    StepWait = false;
    NotifyStateViews();
}

void TExpertSystem::ExecuteStep() {
    if (OnExecuteStep) OnExecuteStep(*this);
    if (!Paused) {
        if (!Running) {
            Paused = true;
            if (debugObserver_) debugObserver_->SetHolding(true);
            NotifyStateViews();
            if (OnPause) OnPause(*this);
            RunConsultation();
            return;
        }
        Paused = true;
    }
    StepWait = false;
}

void TExpertSystem::BackToLastQuestion() {
    if (QuestionCount <= 0) return;
    RollingBack = true;
    Reporting = false;
    if (--QuestionCount == 0) NotifyStateViews();
    ReleaseWait();
    StepWait = false;
}

void TExpertSystem::Rollback() {
    if (history_.empty()) {
        RollingBack = false;
        return;
    }
    const auto last = static_cast<int32_t>(history_.size()) - 1;
    if (OnRollback) OnRollback(*this, last);
    const TQuestionHistoryEntry entry = history_.back();

    // The entry reads "rule/index/flag".
    TPosition position;
    const auto firstSlash = entry.Text.find('/');
    const auto secondSlash = entry.Text.find('/', firstSlash + 1);
    position.RuleCode = std::stoi(entry.Text.substr(0, firstSlash));
    position.Index = std::stoi(entry.Text.substr(firstSlash + 1, secondSlash - firstSlash - 1));
    position.Premise = entry.Text.substr(secondSlash + 1) == "true";

    const std::vector<int32_t> kept = tape_.CutAt(entry.TapeIndex);
    ForgetTriedRule(position.RuleCode);
    Recording = false;
    Replaying = true;
    history_.pop_back();

    for (std::size_t i = kept.size() / 2; i-- > 0;) {
        const int32_t code = kept[2 * i];
        const int32_t argument = kept[2 * i + 1];
        switch (code) {
            case kTapeDefaultUnknown:
                instances_.Retract(argument, *varList_, *varListExtra_, *this);
                NoteInstantiations(argument);
                break;
            case kTapeConclusionsDone: {
                ForgetTriedRule(argument);
                const int32_t rule = plan_->RuleSlot(argument);
                if (rule == TCodeSlots::kAbsent) break;
                const auto conclusions = plan_->Conclusions(plan_->Rule(rule));
                for (auto it = conclusions.rbegin(); it != conclusions.rend(); ++it) {
                    instances_.Retract(it->VarCode, *varList_, *varListExtra_, *this);
                    NoteInstantiations(it->VarCode);
                }
                break;
            }
            case kTapeRuleRejected:
                ForgetTriedRule(argument);
                break;
            case kTapeAnswered:
                RemoveInstantiationsOf(argument);
                break;
            default:
                break;
        }
    }
    if (inferenceListener_) inferenceListener_->RolledBack(entry.TapeIndex);
    CurrentPosition = position;
    ReportPosition(position.RuleCode, position.Index, position.Premise);
    Replaying = false;
    NotifyValueViews();
    if (OnChange) OnChange(*this, -1);
    RollingBack = false;
}

// ------------------------------------------------------------ notifications

void TExpertSystem::SetInferenceListener(TExInferenceListener* listener) {
    inferenceListener_ = listener;
    if (!listener) {
        calculus_->OnCombined = nullptr;
        return;
    }
    calculus_->OnCombined = [listener](const TCombination& combination) { listener->Combined(combination); };
}

void TExpertSystem::AddControl(TExCtrlInterface* control) {
    if (!control) return;
    if (control->Kind > kStateViews) throw EExpertSystem(kAddControlMisuse);
    auto& list = controls_[control->Kind];
    if (std::find(list.begin(), list.end(), control) == list.end()) list.push_back(control);
}

void TExpertSystem::RemoveControl(TExCtrlInterface* control) {
    if (!control) return;
    if (control->Kind > kStateViews) throw EExpertSystem(kAddControlMisuse);
    auto& list = controls_[control->Kind];
    list.erase(std::remove(list.begin(), list.end(), control), list.end());
    if (debugObserver_ == control) debugObserver_ = nullptr;
}

namespace {

// A copy, so that a control may register or unregister while being notified.
std::vector<TExCtrlInterface*> Snapshot(const std::vector<TExCtrlInterface*>& list) { return list; }

}  // namespace

void TExpertSystem::NotifyStateViews() {
    for (TExCtrlInterface* control : Snapshot(controls_[kStateViews])) {
        if (isNew_)
            control->Clear();
        else
            control->Refresh();
    }
}

void TExpertSystem::NotifyValueViews() {
    for (TExCtrlInterface* control : Snapshot(controls_[kValueViews])) control->Refresh();
}

void TExpertSystem::NotifyBaseChanged() {
    for (uint8_t kind : {kValueViews, kPromptControls, kStateViews}) {
        for (TExCtrlInterface* control : Snapshot(controls_[kind])) {
            if (isNew_)
                control->Clear();
            else
                control->Refresh();
        }
    }
    for (TExCtrlInterface* control : Snapshot(controls_[kRuleViews])) {
        if (!isNew_ && RulesMayBeShown())
            control->Refresh();
        else
            control->Clear();
    }
}

void TExpertSystem::DetachControls() {
    for (auto& list : controls_) {
        for (TExCtrlInterface* control : Snapshot(list)) control->Detach();
        list.clear();
    }
    debugObserver_ = nullptr;
}

}  // namespace quorvel
