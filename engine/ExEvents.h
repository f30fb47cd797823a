// What the engine needs of the views and of the host while it consults:
// notification objects of the display controls, the debug observer, the
// message loop that runs while the engine waits, and the question dialog.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace quorvel {

class TExpertSystem;
struct TCombination;  // ExCnf.h

// Kinds of notification objects.
enum TControlKind : uint8_t {
    kValueViews = 0,  // refreshed after every instantiation
    kPromptControls = 1,
    kRuleViews = 2,
    kStateViews = 3,  // refreshed at start, after each target, answer, pause, step, back and at the end
};

// The engine's link to a display control that follows it.
class TExCtrlInterface {
public:
    explicit TExCtrlInterface(uint8_t kind) : Kind(kind) {}
    virtual ~TExCtrlInterface() = default;
    // The base is new or may not be viewed: empty the display.
    virtual void Clear() = 0;
    // Re-read the engine and redisplay.
    virtual void Refresh() = 0;
    // The engine goes away: forget it.
    virtual void Detach() = 0;

    uint8_t Kind;
};

// The single debug observer: it shows positions and holds the engine in step mode.
class TExDebugInterface : public TExCtrlInterface {
public:
    using TExCtrlInterface::TExCtrlInterface;
    virtual bool Holding() = 0;
    virtual void SetHolding(bool holding) = 0;
    // Waits for a step: sets the engine's StepWait and runs the message loop
    // until it is clear (not while the engine waits for an answer or rolls back).
    virtual void Hold() = 0;
    virtual void ShowPosition(int32_t ruleCode, int32_t index, bool premise) = 0;
};

// Runs the host's message loop until `done` answers true. A loop that has
// nothing to run (the command-line tool, the tests) must not hang: it throws
// when `done` is still false.
class IMessageLoop {
public:
    virtual ~IMessageLoop() = default;
    virtual void RunUntil(const std::function<bool()>& done) = 0;
};

// For hosts that answer inside the engine's events: every wait must already
// be over when it starts.
class TImmediateMessageLoop : public IMessageLoop {
public:
    void RunUntil(const std::function<bool()>& done) override;
};

// The run-time question dialog, created by the engine for each consultation
// through the host's factory.
class IQuestionDialog {
public:
    virtual ~IQuestionDialog() = default;
    // Prepares the dialog for a variable and shows it without waiting.
    virtual void ShowQuestion(int32_t varCode) = 0;
    virtual void HideQuestion() = 0;
    virtual bool IsShown() const = 0;
    // Closes the dialog at the end of a consultation that was not stopped
    // ("Fim da consulta" when the engine reports endings).
    virtual void CloseAtEnd() = 0;
};

// Follows the figures of a consultation as the engine computes them: the
// confidence of each premise, how a rule was decided, what each conclusion
// received and what each store left. The explanations of a result and the
// rule coverage are built from these calls; every default ignores the call.
// Calls come right after the engine did what they name.
class TExInferenceListener {
public:
    virtual ~TExInferenceListener() = default;
    virtual void ConsultationStarted() {}
    // The derivation of the variable starts: its rules are tried, or it is asked.
    virtual void VariableSought(int32_t /*varCode*/) {}
    // The rule's premises are about to be evaluated.
    virtual void RuleStarted(int32_t /*ruleCode*/) {}
    // A combination of confidences was made (E, OU or a conclusion's).
    virtual void Combined(const TCombination& /*combination*/) {}
    // Premise `index` (from 1) of the rule, about the variable, has this confidence.
    virtual void PremiseEvaluated(int32_t /*ruleCode*/, int32_t /*index*/, int32_t /*varCode*/, float /*cnf*/) {}
    // The rule was decided with this confidence: fired (accepted) or rejected.
    virtual void RuleDecided(int32_t /*ruleCode*/, bool /*fired*/, float /*cnf*/) {}
    // Conclusion `index` of a fired rule receives `givenCnf` from the rule's
    // confidence and its own; its value is stored next.
    virtual void ConclusionGiven(int32_t /*ruleCode*/, int32_t /*index*/, float /*ruleCnf*/, float /*givenCnf*/) {}
    // No rule fired for the variable: "DESCONHECIDO" is stored next.
    virtual void DefaultUnknown(int32_t /*varCode*/) {}
    // A value of the variable was stored with this confidence (as given to
    // the store, before any accumulation); the engine's instantiations show
    // what the variable holds now.
    virtual void ValueStored(int32_t /*varCode*/, float /*givenCnf*/) {}
    // Going back to the last question took back everything recorded on the
    // tape from this absolute index on.
    virtual void RolledBack(uint64_t /*tapeIndex*/) {}
};

using TQuestionDialogFactory = std::function<std::unique_ptr<IQuestionDialog>(TExpertSystem&)>;

}  // namespace quorvel
