// Explaining a consultation's results: "Como?" writes out how a value got its
// confidence, with the figures the engine used (each rule that concluded it,
// its premises and where their values came from, the combinations under the
// base's precedence, the conclusion's share and the accumulation); "Por que
// não?" tells, for a value that was not concluded or fell under the minimum,
// what stopped each rule that could have concluded it. The recorder follows
// the engine as its inference listener and keeps what it saw, so both can be
// asked during the consultation or after it. It also counts which rules were
// evaluated and which fired (the coverage of a set of test cases).
//
// Every text is a base text (Windows-1252).
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "ExCnf.h"
#include "ExEvents.h"
#include "ExSystem.h"

namespace quorvel {

// A value a variable holds: a value code, or a number's text.
struct THeldValue {
    bool IsCode = true;
    int32_t Code = 0;
    std::string Text;
    float Cnf = 0.0f;
    bool operator==(const THeldValue& other) const;  // the same value, whatever the confidence
};

// What the variable holds now, symbolic values first. The cursors are kept.
std::vector<THeldValue> HeldValuesOf(TExpertSystem& engine, int32_t varCode);
// A held value as a text: the value's name, or the number as it was given. The cursors are kept.
std::string HeldValueText(TExpertSystem& engine, int32_t varCode, const THeldValue& value);

// The code of the variable's value with this name (without regard to case;
// "Sim" and "Não" for a yes/no variable); nullopt when there is none.
std::optional<int32_t> FindValueCode(TExpertSystem& engine, int32_t varCode, const std::string& name);

// A confidence as the explanations write it: a percentage with a decimal
// comma ("64,8%").
std::string PercentText(float cnf);

// Why a value was not concluded, or not with enough confidence.
enum class TWhyNotKind {
    Concluded,               // the value was concluded at or above the minimum: nothing stopped it
    BelowMinimum,            // the value is held, under the minimum confidence
    NoRuleConcludes,         // no rule concludes the value
    Answered,                // the variable is asked, and the answer gave another value
    NotSought,               // the variable was never looked for
    AlreadySettled,          // the rule was not tried: the variable was already settled
    PremiseFailed,           // the rule was rejected at a premise
    RuleCnfBelowMinimum,     // the rule was rejected: its premises together fell under the minimum
    ConclusionBelowMinimum,  // the rule fired but its conclusion's confidence is under the minimum
    Replaced,                // the rule concluded it, but a later value replaced it
};

// A stable name of the kind, for scripts: "premiseFailed", "alreadySettled"...
const char* WhyNotKindName(TWhyNotKind kind);

struct TWhyNotReason {
    TWhyNotKind Kind = TWhyNotKind::NoRuleConcludes;
    int32_t RuleCode = 0;  // the rule concerned, 0 for the value as a whole
    std::string Text;
};

class TExplanationRecorder : public TExInferenceListener {
public:
    // Installs itself as the engine's inference listener until destroyed.
    explicit TExplanationRecorder(TExpertSystem& engine);
    ~TExplanationRecorder() override;
    TExplanationRecorder(const TExplanationRecorder&) = delete;
    TExplanationRecorder& operator=(const TExplanationRecorder&) = delete;

    // "Como?": how the variable got this value (a value code; for a numeric
    // variable, its number). Empty when the last consultation never stored it.
    std::vector<std::string> How(int32_t varCode, const THeldValue& value) const;
    // "Como?" for the value the results show with this text ("Nenhum valor
    // encontrado." for "DESCONHECIDO"), among those the variable holds.
    std::vector<std::string> HowOfResult(int32_t varCode, const std::string& resultText) const;
    // The text the results show for a value of the variable.
    std::string ResultText(int32_t varCode, const THeldValue& value) const;
    // What the variable held after its last store in the last consultation.
    std::vector<THeldValue> FinalValues(int32_t varCode) const;
    // "Por que não?" for a value code of a variable.
    std::vector<TWhyNotReason> WhyNot(int32_t varCode, int32_t valueCode) const;
    std::vector<std::string> WhyNotLines(int32_t varCode, int32_t valueCode) const;

    // Rules whose premises were evaluated, and rules that fired, in the last consultation.
    std::set<int32_t> EvaluatedRules() const;
    std::set<int32_t> FiredRules() const;

    // ---- TExInferenceListener
    void ConsultationStarted() override;
    void VariableSought(int32_t varCode) override;
    void RuleStarted(int32_t ruleCode) override;
    void Combined(const TCombination& combination) override;
    void PremiseEvaluated(int32_t ruleCode, int32_t index, int32_t varCode, float cnf) override;
    void RuleDecided(int32_t ruleCode, bool fired, float cnf) override;
    void ConclusionGiven(int32_t ruleCode, int32_t index, float ruleCnf, float givenCnf) override;
    void DefaultUnknown(int32_t varCode) override;
    void ValueStored(int32_t varCode, float givenCnf) override;
    void RolledBack(uint64_t tapeIndex) override;

private:
    enum class TSource { Rule, Answer, Default };

    // Only figures are kept while the engine runs; the texts are written
    // when an explanation is asked for, which keeps recording cheap.
    struct TPremiseFigure {
        int32_t Index = 0;
        float Cnf = 0.0f;
        int32_t VarCode = 0;         // the premise's variable
        std::size_t StoreCount = 0;  // how many stores of that variable had happened
    };

    struct TRuleFigures {
        int32_t RuleCode = 0;
        bool Decided = false;
        bool Fired = false;
        float Cnf = 0.0f;
        std::vector<TPremiseFigure> Premises;
        std::vector<TCombination> Combinations;  // every combination of its own evaluation
        uint64_t Mark = 0;
    };

    // One store of a value: by a rule's conclusion, an answer or the default.
    struct TStore {
        TSource Source = TSource::Answer;
        int32_t RuleCode = 0;
        int32_t ConclusionIndex = 0;
        float RuleCnf = 0.0f;
        float OwnCnf = 0.0f;
        std::optional<TCombination> Conclusion;  // how the conclusion got its share
        THeldValue Incoming;                     // the value and confidence given to the store
        std::vector<THeldValue> Before;          // what the variable held before
        std::vector<THeldValue> After;           // and after
        uint64_t Mark = 0;
    };

    struct TPendingConclusion {
        int32_t RuleCode = 0;
        int32_t Index = 0;
        int32_t VarCode = 0;
        int32_t ValueCode = 0;
        float RuleCnf = 0.0f;
        float OwnCnf = 0.0f;
        std::optional<TCombination> Combination;
    };

    uint64_t Mark() const;
    std::string RuleTitle(int32_t ruleCode) const;
    std::string ValueName(int32_t varCode, const THeldValue& value) const;
    std::string StoreOrigin(const TStore& store) const;
    int PremiseCount(int32_t ruleCode) const;
    std::string PremiseFigureText(int32_t ruleCode, const TPremiseFigure& premise) const;
    // What the premise's variable held when the premise was evaluated, and where it came from.
    std::string PremiseOrigin(const TPremiseFigure& premise) const;
    std::string OriginOf(int32_t varCode, const std::vector<THeldValue>& held, std::size_t storeCount) const;
    std::string CombinationText(const TCombination& combination) const;
    std::string RuleLine(const TRuleFigures& figures, const TStore* store) const;
    void AppendStore(std::vector<std::string>& lines, int32_t varCode, const TStore& store) const;
    std::optional<THeldValue> LastHeld(int32_t varCode, int32_t valueCode) const;
    const TStore* LastStoreBy(int32_t varCode, int32_t ruleCode) const;
    std::optional<TWhyNotReason> RuleReason(int32_t varCode, int32_t valueCode, int32_t ruleCode) const;

    TExpertSystem& engine_;
    std::unordered_map<int32_t, TRuleFigures> rules_;
    // Rules being evaluated, innermost last, with their figures (elements of
    // rules_ stay where they are until erased).
    std::vector<std::pair<int32_t, TRuleFigures*>> open_;
    std::unordered_map<int32_t, std::vector<TStore>> stores_;
    std::unordered_map<int32_t, std::vector<THeldValue>> held_;  // what each variable held after its last store
    std::unordered_map<int32_t, uint64_t> sought_;               // variables looked for, with when
    std::vector<TPendingConclusion> pending_;
    std::optional<TCombination> lastConclusionCombination_;
    bool pendingDefault_ = false;
};

// What a set of consultations exercised of the base's rules.
class TRuleCoverage {
public:
    struct TRule {
        int32_t Code = 0;
        int32_t Number = 0;  // the rule's order number
        std::string Name;
    };
    struct TReport {
        std::vector<TRule> Fired;
        std::vector<TRule> EvaluatedNotFired;
        std::vector<TRule> NeverEvaluated;
        std::size_t Total() const { return Fired.size() + EvaluatedNotFired.size() + NeverEvaluated.size(); }
    };

    // Adds what the recorder saw in its last consultation.
    void Add(const TExplanationRecorder& recorder);
    // Every rule of the base in one of the three groups, by number.
    TReport Report(TExpertSystem& engine) const;

private:
    std::set<int32_t> evaluated_;
    std::set<int32_t> fired_;
};

}  // namespace quorvel
