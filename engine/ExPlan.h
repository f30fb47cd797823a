// The consultation plan: the knowledge base compiled, when a consultation
// starts, into dense arrays that the inference reads without cursors, tree
// walks or allocation.
//
// The containers stay the authoring model: the editors, the files and the
// views keep using them. The plan is a snapshot made of copies (never
// pointers into the containers), indexed by code:
// - variables (with their kind and name), values and formulas;
// - for each variable the rules that conclude it, in `Order` order (ties in
//   the conclusions' balanced order, as a rule is found through its
//   conclusions);
// - each rule's premises and conclusions as contiguous spans, in stored order;
// - each variable's question and the values a question about it offers.
//
// Why the plan cannot go stale: it is built by BeginConsultation and dropped
// by EndConsultation, and in between nothing may change the base. The
// workbench disables every editor window and every editing, opening and
// saving command while the engine is `Running` (its OnStart handler locks
// the MDI children; the command states follow `Running`), and the command-
// line tool edits nothing while it consults. Because the plan holds copies,
// even a host that broke this rule would only consult the base as it was at
// the start, never read freed records. The plan never changes once built;
// the consultation tree keeps it after the consultation, only to name the
// lines it shows.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ExDataSt.h"

namespace quorvel {

// Codes to dense slots: a table indexed by code for the codes a file can
// hold (sized to the highest code seen, so a base's codes stay close
// together in memory), a hash map for any other code an edited base may carry.
class TCodeSlots {
public:
    static constexpr int32_t kAbsent = -1;

    // The code's slot; a code without one gets `next`. `second` tells whether it did.
    std::pair<int32_t, bool> Assign(int32_t code, int32_t next) {
        if (code < 0 || static_cast<std::size_t>(code) >= table_.size()) return AssignOther(code, next);
        int32_t& slot = table_[static_cast<std::size_t>(code)];
        if (slot != kAbsent) return {slot, false};
        slot = next;
        return {next, true};
    }
    int32_t SlotOf(int32_t code) const {
        if (code >= 0 && code < static_cast<int32_t>(table_.size())) return table_[static_cast<std::size_t>(code)];
        return code >= 0 && code <= kHigh ? kAbsent : OtherSlotOf(code);
    }

private:
    static constexpr int32_t kHigh = 32767;
    int32_t OtherSlotOf(int32_t code) const;
    // A code beyond the table: the table grows to hold a file's code, the map takes any other.
    std::pair<int32_t, bool> AssignOther(int32_t code, int32_t next);
    std::vector<int32_t> table_;
    std::unordered_map<int32_t, int32_t> others_;
};

// A premise's comparison with the negation already applied.
enum class TPlanOperator : uint8_t { Equal, NotEqual, Greater, Less, GreaterEqual, LessEqual, Other };

// A premise as the inference reads it: its codes and comparison, without
// the record's text. TConsultPlan::PremiseNode gives the stored record back.
struct TPlanPremise {
    int32_t RuleCode = 0;
    int32_t VarCode = 0;
    int32_t ValueCode = 0;
    int32_t VarSlot = TCodeSlots::kAbsent;
    TPlanOperator Operator = TPlanOperator::Other;
    bool Negated = false;
    uint32_t OperatorText = 0;  // index into the plan's operator texts
};

struct TPlanConclusion {
    int32_t VarCode = 0;
    int32_t ValueCode = 0;
    float Cnf = 0.0f;
};

struct TPlanRule {
    int32_t Code = 0;
    bool Exists = false;  // a rule record carries the code (lines may name a rule that does not)
    int32_t Order = 0;
    uint32_t PremisesBegin = 0, PremisesEnd = 0;
    uint32_t ConclusionsBegin = 0, ConclusionsEnd = 0;
};

// A question as stored: its text, the author's reasons, whether it asks for a confidence.
struct TPlanQuestion {
    std::string Text;
    std::vector<std::string> Reasons;
    bool UseCnf = false;
};

struct TPlanVar {
    int32_t Code = 0;
    bool Exists = false;  // a variable record carries the code
    bool Numeric = false;
    bool Multivalued = false;
    std::string Name;
    uint32_t CandidatesBegin = 0, CandidatesEnd = 0;  // into the candidate rule slots
    int32_t Question = -1;                            // into the questions, -1 for none
    uint32_t OptionsBegin = 0, OptionsEnd = 0;        // into the value options
    // False when a value record of the variable shares its code with another
    // of another name (a damaged base): its options are not in the plan.
    bool OptionsPlanned = true;
};

class TConsultPlan {
public:
    TConsultPlan(const TVars& vars, const TValues& values, const TRules& rules, const TTails& tails,
                 const THeads& heads, const TFormulas& formulas, const TTargets& targets,
                 const TQuestions& questions);

    int32_t VarSlot(int32_t varCode) const { return varSlots_.SlotOf(varCode); }
    const TPlanVar& Var(int32_t slot) const { return vars_[static_cast<std::size_t>(slot)]; }
    std::size_t VarCount() const { return vars_.size(); }

    int32_t RuleSlot(int32_t ruleCode) const { return ruleSlots_.SlotOf(ruleCode); }
    const TPlanRule& Rule(int32_t slot) const { return rules_[static_cast<std::size_t>(slot)]; }
    std::size_t RuleCount() const { return rules_.size(); }

    // The slots of the rules that conclude a variable, in the order they are tried.
    std::span<const int32_t> Candidates(const TPlanVar& var) const {
        return {candidates_.data() + var.CandidatesBegin, candidates_.data() + var.CandidatesEnd};
    }
    std::span<const TPlanPremise> Premises(const TPlanRule& rule) const {
        return {premises_.data() + rule.PremisesBegin, premises_.data() + rule.PremisesEnd};
    }
    std::span<const int32_t> Connectives(const TPlanRule& rule) const {
        return {connectives_.data() + rule.PremisesBegin, connectives_.data() + rule.PremisesEnd};
    }
    std::span<const TPlanConclusion> Conclusions(const TPlanRule& rule) const {
        return {conclusions_.data() + rule.ConclusionsBegin, conclusions_.data() + rule.ConclusionsEnd};
    }
    // The variable's question, null when it has none.
    const TPlanQuestion* QuestionOf(const TPlanVar& var) const {
        return var.Question < 0 ? nullptr : &questions_[static_cast<std::size_t>(var.Question)];
    }
    // The codes of the value records a question about the variable offers,
    // by position (equal positions in the records' order); each is named by
    // ValueName. Empty for a yes/no variable, whose options are "Sim" and
    // "Não", and for a number. Meaningless without OptionsPlanned.
    std::span<const int32_t> ValueOptions(const TPlanVar& var) const {
        return {options_.data() + var.OptionsBegin, options_.data() + var.OptionsEnd};
    }

    // The premise's operator as written in the base.
    const std::string& OperatorText(const TPlanPremise& premise) const { return operatorTexts_[premise.OperatorText]; }
    // The premise record as stored in the base (a premise's connective is
    // kept apart, in Connectives).
    TTailNode PremiseNode(const TPlanPremise& premise, int32_t connective) const;
    // Premise `index` (from 1) of a rule; null when the rule has no such premise.
    const TPlanPremise* PremiseOf(const TPlanRule& rule, int32_t index) const;
    // Premise `index` (from 1) of a rule as stored, if the rule has one.
    std::optional<TTailNode> PremiseAt(const TPlanRule& rule, int32_t index) const;

    // A premise's comparison, its negation applied.
    static TPlanOperator OperatorOf(const TTailNode& premise);
    static TPlanOperator OperatorOf(std::string_view text, bool negated);

    // The name of a value record, the text of a formula; null when absent.
    const std::string* ValueName(int32_t valueCode) const;
    const std::string* FormulaText(int32_t formulaCode) const;

    // The variable `varCode` when a variable record carries it, else null.
    const TPlanVar* ExistingVar(int32_t varCode) const;
    // The rule `ruleCode` when a rule record or a rule's lines name it, else null.
    const TPlanRule* RuleOf(int32_t ruleCode) const;
    // A value of a variable as the engine names it (a formula's text for a
    // numeric variable); nullopt when a record it needs is missing.
    std::optional<std::string_view> ValueText(int32_t varCode, int32_t valueCode) const;
    // A rule's order number as the views show it, "???" for a rule without a record.
    static std::string OrderText(const TPlanRule& rule);

private:
    std::vector<TPlanVar> vars_;
    TCodeSlots varSlots_;
    std::vector<TPlanRule> rules_;
    TCodeSlots ruleSlots_;
    std::vector<TPlanPremise> premises_;
    std::vector<int32_t> connectives_;        // parallel to premises_
    std::vector<std::string> operatorTexts_;  // the premises' operators as written, each once
    std::vector<TPlanConclusion> conclusions_;
    std::vector<int32_t> candidates_;
    std::vector<TPlanQuestion> questions_;
    std::vector<int32_t> options_;
    std::vector<std::string> valueNames_;
    TCodeSlots valueSlots_;
    std::vector<std::string> formulaTexts_;
    TCodeSlots formulaSlots_;
};

}  // namespace quorvel
