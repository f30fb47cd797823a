// TExpertSystem: the engine component. It owns the knowledge base (nine
// containers and the base-wide properties), reads and writes it, and turns
// codes into the texts every view shows.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ExCnf.h"
#include "ExDataSt.h"
#include "ExEvents.h"
#include "ExMessages.h"
#include "ExPasswd.h"
#include "ExPlan.h"

namespace quorvel {

// A custom confidence formula and whether the built-in one is used instead.
struct TCnfFormula {
    std::string Text;
    bool UseDefault = true;
};

// One entry of a value list: the text and, for a value record, the record.
struct TValueListEntry {
    std::string Name;
    TValNode* Value = nullptr;
};

// Why the last Load failed, for callers that must tell the cases apart.
enum class TLoadStatus { Ok, CannotOpen, NotABase, NewerVersion, Damaged, Refused };

inline constexpr std::array<uint8_t, 9> kFileSignature = {0x2D, 0x0C, 0xBD, 0x16, 0x63, 0x28, 0xF3, 0x97, 0xCA};
inline constexpr uint8_t kMarkerVersion10 = 0x21;
inline constexpr uint8_t kMarkerVersion11 = 0x22;

// Whether the bytes start as a binary base does (a base's text does not).
inline bool HasBaseSignature(std::span<const uint8_t> bytes) {
    return bytes.size() >= kFileSignature.size() &&
           std::equal(kFileSignature.begin(), kFileSignature.end(), bytes.begin());
}

// Tape codes: what the engine records while it consults. A positive code is
// a rule whose premise (the argument, from 1) is about to be evaluated.
enum TTapeCode : int32_t {
    kTapeAnswered = 0,          // variable: the user's answer was stored
    kTapeRuleFired = -1,        // rule: accepted, its conclusions follow
    kTapeRuleRejected = -2,     // rule
    kTapeConclusionsDone = -3,  // rule
    kTapeDeriving = -4,         // variable: a derivation started
    kTapeFormulaBegin = -5,     // 0
    kTapeFormulaEnd = -6,       // 0
    kTapeDefaultUnknown = -7,   // variable: no rule fired, set to "DESCONHECIDO"
};

// The event tape: (code, argument) pairs, consumed from the front by the
// consultation tree. Elements keep their absolute index, so the question
// history can point at them whatever was consumed. One flat array: consumed
// elements are dropped in bulk once they make up half of it.
class TTape {
public:
    uint64_t Append(int32_t value) {
        items_.push_back(value);
        return first_ + (items_.size() - head_) - 1;
    }
    bool Empty() const { return head_ == items_.size(); }
    std::size_t Size() const { return items_.size() - head_; }
    // The absolute index the next element will get.
    uint64_t End() const { return first_ + Size(); }
    int32_t PopFront() {
        if (Empty()) return 0;
        const int32_t value = items_[head_++];
        ++first_;
        if (head_ >= kDropAfter && head_ * 2 >= items_.size()) DropConsumed();
        return value;
    }
    // Removes the element at this absolute index and every later one, and returns them.
    std::vector<int32_t> CutAt(uint64_t index);
    void Clear();
    std::span<const int32_t> Items() const { return {items_.data() + head_, items_.size() - head_}; }

private:
    // Consumed elements go in bulk, so that popping stays O(1) amortised.
    static constexpr std::size_t kDropAfter = 4096;
    void DropConsumed();

    std::vector<int32_t> items_;
    std::size_t head_ = 0;  // elements before it were consumed
    uint64_t first_ = 0;    // absolute index of items_[head_]
};

// One answered question that can still be gone back to: "rule/index/true".
// What a variable holds during a consultation: a copy of its records in the
// instantiation lists, kept up to date after every change, so that premises,
// explanations and views read it without walking the lists.
struct THeldSet {
    struct TCode {
        int32_t ValueCode = 0;
        float Cnf = 0.0f;
    };
    struct TNumber {
        std::string Text;
        float Cnf = 0.0f;
    };
    std::vector<TCode> Codes;      // symbolic values (and "DESCONHECIDO")
    std::vector<TNumber> Numbers;  // a numeric variable's number
    bool Empty() const { return Codes.empty() && Numbers.empty(); }
    const TCode* FindCode(int32_t valueCode) const {
        for (const TCode& held : Codes)
            if (held.ValueCode == valueCode) return &held;
        return nullptr;
    }
};

struct TQuestionHistoryEntry {
    std::string Text;
    uint64_t TapeIndex = 0;
};

// A reported position of the consultation: a premise or a conclusion of a rule.
struct TPosition {
    int32_t RuleCode = 0;
    int32_t Index = 0;
    bool Premise = true;
};

class TByteReader;

class TExpertSystem : public IInstantiator {
public:
    explicit TExpertSystem(IMessageSink* sink = nullptr);
    ~TExpertSystem();
    TExpertSystem(const TExpertSystem&) = delete;
    TExpertSystem& operator=(const TExpertSystem&) = delete;

    void SetMessageSink(IMessageSink* sink);
    IMessageSink& Sink() const { return *sink_; }
    void SetPasswordPrompt(IPasswordPrompt* prompt) { passwordPrompt_ = prompt; }

    // ---- the knowledge base
    TVars& Vars() { return *vars_; }
    TValues& Values() { return *values_; }
    THeads& Heads() { return *heads_; }
    TTails& Tails() { return *tails_; }
    TRules& Rules() { return *rules_; }
    TTargets& Targets() { return *targets_; }
    TQuestions& Questions() { return *questions_; }
    THelpContexts& HelpContexts() { return *helpContexts_; }
    TFormulas& Formulas() { return *formulas_; }

    std::string BaseName;
    std::string Authors;
    std::vector<std::string> OpeningText;
    std::string HelpFile;
    bool ShowOpening = false;
    std::string Version;
    int16_t Precedence = 0;
    float MinimumCnf = 0.5f;
    bool EvaluateAllPremises = false;
    TCnfFormula AndFormula;
    TCnfFormula OrFormula;
    TCnfFormula ConclusionFormula;
    TPasswordBlock PasswordBlock;
    int32_t AccessLevel = kAccessFull;

    // Called by Load right after a successful password check.
    std::function<void(TExpertSystem&)> AfterCheckPassword;

    // ---- run-time structures of a consultation
    TVarListTree& VarList() { return *varList_; }
    TVarListExtraTree& VarListExtra() { return *varListExtra_; }
    TInstanceList& Instances() { return instances_; }
    TTape& Tape() { return tape_; }
    const std::vector<TQuestionHistoryEntry>& QuestionHistory() const { return history_; }

    // ---- consultation state
    bool Running = false;
    bool Finished = false;
    bool Paused = false;
    bool StopRequested = false;
    bool StepWait = false;
    bool RollingBack = false;
    bool Waiting = false;
    bool Recording = false;
    bool Reporting = false;
    bool Replaying = false;
    int32_t QuestionCount = 0;
    int32_t LastConclusionIndex = 0;
    // What the current or last consultation cost.
    struct TConsultStats {
        int64_t RulesEvaluated = 0;
        int64_t PremisesEvaluated = 0;
        int64_t QuestionsAsked = 0;
    } Stats;
    bool ReportEnding = true;
    // The operands of a confidence formula, readable as CNF1 and CNF2.
    float Cnf1 = 0.0f;
    float Cnf2 = 0.0f;
    // Whether the latest formula evaluation met an unknown variable.
    bool LastUnknown = false;
    float FalseCnf = 0.0f;
    float TrueCnf = 1.0f;
    // Where the premise most recently taken up sits: its rule and its number
    // there (from 1); none before the first.
    std::optional<TPosition> CurrentPremise;
    TPosition CurrentPosition;
    TPosition LastReportedPosition;

    // ---- published events
    using TNotifyEvent = std::function<void(TExpertSystem&)>;
    using TVarBasedEvent = std::function<void(TExpertSystem&, int32_t)>;
    TNotifyEvent OnStart;
    TNotifyEvent OnFinish;
    TVarBasedEvent OnFindTarget;
    TVarBasedEvent OnChange;
    TNotifyEvent OnExecuteStep;
    TNotifyEvent OnPause;
    TNotifyEvent OnResume;
    TVarBasedEvent OnPrompt;
    TVarBasedEvent OnShowResults;
    TVarBasedEvent OnRollback;

    // ---- host services
    void SetMessageLoop(IMessageLoop* loop);
    void SetQuestionDialogFactory(TQuestionDialogFactory factory) { dialogFactory_ = std::move(factory); }
    IQuestionDialog* QuestionDialog() const { return dialog_.get(); }
    // Runs the host's message loop while the flag stays set.
    void WaitWhile(const bool& flag);

    // ---- display controls
    void AddControl(TExCtrlInterface* control);
    void RemoveControl(TExCtrlInterface* control);
    void SetDebugObserver(TExDebugInterface* observer) { debugObserver_ = observer; }
    TExDebugInterface* DebugObserver() const { return debugObserver_; }
    // The one listener that follows the figures of each consultation (none by default).
    void SetInferenceListener(TExInferenceListener* listener);
    TExInferenceListener* InferenceListener() const { return inferenceListener_; }
    void NotifyStateViews();
    void NotifyValueViews();

    // ---- consultation
    // Runs a consultation; returns when it has ended. Exceptions of the
    // consultation reach the caller after it was ended cleanly.
    void Start();
    void Stop();
    void Pause();
    void Resume();
    void ExecuteStep();
    void BackToLastQuestion();
    void ReleaseWait();
    void ShowQuestion(int32_t varCode);
    // Stores a value of a variable: a value code in decimal (isCode) or a
    // number's text, with its confidence.
    void Instantiate(int32_t varCode, const std::string& valueText, bool isCode, float cnf) override;
    bool IsMultivalued(int32_t varCode) override;
    // The value of a formula; sets LastUnknown.
    float FormulaValue(int32_t formulaCode);
    // The value of a formula text; sets LastUnknown.
    float EvaluateFormula(std::string_view text);
    // The confidence of one premise given the current instantiations.
    float PremiseCnf(const TTailNode& premise);
    // The base compiled for the running consultation; null when none runs.
    const TConsultPlan* Plan() const { return plan_.get(); }
    // The same plan, for a view that shows the consultation after it ended
    // (the plan never changes once built).
    std::shared_ptr<const TConsultPlan> SharedPlan() const { return plan_; }
    // The confidence calculus with the base's settings and formulas.
    TCnfCalculus& Calculus() { return *calculus_; }

    // ---- access operations
    void ClearBase();
    bool IsNew() const { return isNew_; }
    // A base authored in the editors stops counting as new once it has rules,
    // so that the rule views render it.
    void SetNew(bool isNew) { isNew_ = isNew; }
    // The editors changed the base: the attached views re-read it.
    void BaseEdited() { NotifyBaseChanged(); }
    bool RulesMayBeShown() const { return AccessLevel != kAccessConsultOnly; }
    bool MayBeAltered() const { return AccessLevel == kAccessFull; }

    void SaveLookupCursors();
    void RestoreLookupCursors();
    void SaveQuestionCursor();
    void RestoreQuestionCursor();

    std::string ConnectiveText(int32_t connective) const;
    bool IsConnective(std::string_view text) const;
    static std::string Spaces(int n) { return std::string(static_cast<std::size_t>(n > 0 ? n : 0), ' '); }

    std::string VarName(int32_t varCode);
    // While a consultation runs: the text of a value of a variable straight
    // from the plan, or nullopt when a record it needs is missing (callers
    // then look it up in the containers, which report the fault).
    std::optional<std::string_view> PlannedValueText(int32_t varCode, int32_t valueCode) const;
    // While a consultation runs: the plan's record of an existing variable.
    const TPlanVar* PlannedVar(int32_t varCode) const;
    // While a consultation runs: the plan's record of a rule that a rule
    // record or the rule's premises or conclusions name (`Exists` tells which).
    const TPlanRule* PlannedRule(int32_t ruleCode) const;
    // While a consultation runs: what a variable of the plan holds, in the
    // instantiation lists' order; null outside a consultation or for a code
    // the plan does not know.
    const THeldSet* HeldSet(int32_t varCode) const;
    std::string ValueTextOf(int32_t varCode, int32_t valueCode);
    // For the variable under the code cursor of Vars().
    std::string ValueText(int32_t valueCode);
    // The values of a variable in Position order; "Sim", "Não" for a yes/no
    // variable; nothing for a numeric one. Cursors are not restored.
    void ValueList(int32_t varCode, std::vector<TValueListEntry>& list);
    // The instantiated values of a variable with their CNF texts, highest first.
    void ResultsOf(int32_t varCode, std::vector<std::string>& names, std::vector<std::string>& cnfs);
    // The text of a formula; nullopt (after the message) when there is none.
    std::optional<std::string> FormulaText(int32_t formulaCode);

    // ---- files
    const std::string& FileName() const { return fileName_; }
    // Empty: the base is not reloaded and counts as new. Otherwise loads it;
    // FileName is the name on success, empty on failure.
    void SetFileName(const std::string& name);
    // The same for a file whose content, as .bcm bytes, is already at hand
    // (a base compiled from its text): loads the bytes and, on success, takes
    // `name` as the base's file.
    void SetFileNameFromBytes(const std::string& name, const std::vector<uint8_t>& bytes);
    bool Load(const std::string& name);
    // Load from the bytes of a file already read.
    bool LoadBytes(const std::vector<uint8_t>& bytes);
    TLoadStatus LastLoadStatus() const { return lastLoadStatus_; }
    // Writes the whole base in its Version, crash-safely: a temporary file
    // beside the target is renamed over it once complete. False with
    // LastSaveError() on failure, the old file intact.
    bool Save(const std::string& name);
    // The bytes Save would write; false with LastSaveError() when the base
    // does not fit the format.
    bool SaveBytes(std::vector<uint8_t>& bytes);
    const std::string& LastSaveError() const { return lastSaveError_; }

protected:
    // Asks the user for a variable: OnPrompt, or the question dialog, then waits.
    virtual void Ask(int32_t varCode);
    // Lets the host show the results of a target.
    virtual void PresentResults(int32_t varCode);

private:
    void RunConsultation();
    void BeginConsultation();
    // `failed`: an error ends the consultation, which then closes without
    // the ending message (the error is the user's last word).
    void EndConsultation(bool failed = false);
    // The message of a formula error raised during the consultation, with
    // the rule and the variable whose formula failed.
    std::string FormulaErrorAt(const char* error);
    void DeriveVariable(int32_t varCode);
    void TryRule(int32_t ruleSlot, bool& fired);
    TRuleOutcome EvaluateRule(int32_t ruleSlot);
    float EvaluatePremise(const TPlanPremise& premise);
    float PlannedPremiseCnf(const TPlanPremise& premise);
    float CompareNumber(int32_t varCode, TPlanOperator op, int32_t formulaCode);
    float SymbolicPremiseCnf(int32_t varCode, TPlanOperator op, int32_t valueCode);
    void FireRule(int32_t ruleSlot, float cnf);
    void Record(int32_t code, int32_t argument);
    void ReportPosition(int32_t ruleCode, int32_t index, bool premise);
    void Rollback();
    void StopUnwinding();
    bool HasInstantiation(int32_t varCode);
    // Brings the plan's record of what a variable holds up to date after its
    // instantiations changed.
    void NoteInstantiations(int32_t varCode);
    void ForgetTriedRule(int32_t ruleCode);
    bool IsDeriving(int32_t varCode) const;
    void RemoveInstantiationsOf(int32_t varCode);
    std::string NumberFromFormula(int32_t formulaCode, bool& unknown);
    void InstantiateNumeric(int32_t varCode, const std::string& valueText, bool isCode, int32_t code, float cnf,
                            std::string& recordedText, bool& recordedIsCode);
    void InstantiateUnivalued(int32_t varCode, const std::string& valueText, bool isCode, int32_t code, float cnf,
                              float& recordedCnf);
    bool VarIsNumeric(int32_t varCode);

    static std::unique_ptr<IFormulaHost> MakeFormulaHost(TExpertSystem& engine);
    // The value of a variable named in a formula (see IFormulaHost).
    bool FormulaVariable(std::string_view upperName, long double& value, bool& unknown);
    friend class TEngineFormulaHost;

    struct TLookupCursors {
        TSingleIndexTree::TCursorState vars;
        TSingleIndexTree::TCursorState values;
    };
    TLookupCursors CurrentLookupCursors() const;
    void ApplyLookupCursors(const TLookupCursors& cursors);
    std::string ValueTextFor(const TVarNode* var, int32_t valueCode, bool fromValueText);
    void NotifyBaseChanged();
    void DetachControls();
    void ShowError(const std::string& text) const;
    // Loading from a file or from bytes in memory: the header, then the rest.
    bool LoadFrom(TByteReader& in);
    bool ReadBase(TByteReader& in);

    IMessageSink* sink_;
    IPasswordPrompt* passwordPrompt_ = nullptr;

    std::unique_ptr<TVars> vars_;
    std::unique_ptr<TValues> values_;
    std::unique_ptr<THeads> heads_;
    std::unique_ptr<TTails> tails_;
    std::unique_ptr<TRules> rules_;
    std::unique_ptr<TTargets> targets_;
    std::unique_ptr<TQuestions> questions_;
    std::unique_ptr<THelpContexts> helpContexts_;
    std::unique_ptr<TFormulas> formulas_;

    std::unique_ptr<TVarListTree> varList_;
    std::unique_ptr<TVarListExtraTree> varListExtra_;
    TInstanceList instances_;

    std::unique_ptr<IFormulaHost> formulaHost_;
    std::unique_ptr<TCnfCalculus> calculus_;
    TTape tape_;
    std::vector<TQuestionHistoryEntry> history_;
    std::shared_ptr<const TConsultPlan> plan_;
    // Run-time state by plan slot.
    std::vector<uint8_t> triedRules_;  // the rule's premises were evaluated to a decision
    std::vector<uint8_t> deriving_;    // the variable is being derived, against cycles
    std::vector<THeldSet> held_;       // what the variable holds, as the lists have it
    uintptr_t stackLimit_ = 0;         // lowest address of the consulting thread's stack
    std::array<std::vector<TExCtrlInterface*>, 4> controls_;
    TExDebugInterface* debugObserver_ = nullptr;
    TExInferenceListener* inferenceListener_ = nullptr;
    IMessageLoop* loop_;
    TQuestionDialogFactory dialogFactory_;
    std::unique_ptr<IQuestionDialog> dialog_;

    // The formula being evaluated for a premise or a conclusion: the rule's
    // code and the variable's. A failure leaves the innermost one in place.
    struct TFormulaSite {
        int32_t RuleCode = 0;
        int32_t VarCode = 0;
    };
    TFormulaSite formulaSite_;

    TLookupCursors savedLookup_;
    TSingleIndexTree::TCursorState savedQuestion_;
    std::string fileName_;
    bool isNew_ = true;
    TLoadStatus lastLoadStatus_ = TLoadStatus::Ok;
    std::string lastSaveError_;
};

// Lets the main thread's stack grow to `bytes`, so that consultations of
// bases with very long chains of rules fit; called first thing by programs.
bool RaiseStackLimit(std::size_t bytes);
inline constexpr std::size_t kConsultationStack = std::size_t{256} << 20;

// 6-byte reals as stored in .bcm files.
bool EncodeReal48(float value, uint8_t out[6]);
float DecodeReal48(const uint8_t in[6]);

}  // namespace quorvel
