// The confidence calculus: how the confidences (CNF, 0 = false, 1 = certain)
// of a rule's premises combine through E and OU, which CNF a conclusion gets,
// how repeated support accumulates, and how a rule is decided early, before
// every premise was evaluated (and asked about).
//
// Every CNF is a single-precision float. The built-in combinations run in
// extended precision and are rounded once; an author's formula replaces them
// when its UseDefault flag is clear.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "ExFormula.h"

namespace quorvel {

struct TCnfFormula;  // ExSystem.h

inline constexpr float kFalseCnf = 0.0f;
inline constexpr float kTrueCnf = 1.0f;

// The connective stored with a premise: the one that follows it.
enum TConnective : int32_t { kConnectiveAnd = 0, kConnectiveOr = 1, kConnectiveThen = 2 };

// One combination as the calculus made it: CNF1 and CNF2, the result, and
// whether the base's own formula gave it.
struct TCombination {
    enum class TKind : uint8_t { And, Or, Conclusion };
    TKind Kind = TKind::And;
    float Cnf1 = 0.0f;
    float Cnf2 = 0.0f;
    float Result = 0.0f;
    bool Custom = false;
};

// The combining operations of one engine. It refers to the engine's fields,
// which must outlive it: the formulas and settings of the base, the operands
// CNF1 and CNF2 that the custom formulas read, and the last-unknown flag.
class TCnfCalculus {
public:
    TCnfCalculus(IFormulaHost& host, float& cnf1, float& cnf2, bool& lastUnknown, const TCnfFormula& andFormula,
                 const TCnfFormula& orFormula, const TCnfFormula& conclusionFormula, const float& minimumCnf,
                 const int16_t& precedence);

    // left E right: CNF1 x CNF2 by default, else AndFormula.
    float CombineAnd(float left, float right);
    // left OU right: CNF1 + CNF2 - CNF1 x CNF2 by default, else OrFormula.
    float CombineOr(float left, float right);
    // The CNF a fired rule gives a conclusion: CNF1 = the rule's CNF, CNF2 =
    // the conclusion's own; CNF1 x CNF2 by default, else ConclusionFormula.
    float ConclusionCnf(float ruleCnf, float conclusionCnf);

    // The acceptance threshold of rules.
    float MinimumCnf() const { return minimumCnf_; }
    // 0: E binds tighter than OU; 1: OU binds tighter.
    int Precedence() const { return precedence_; }

    // Told of every combination made, when set (the explanations follow it).
    std::function<void(const TCombination&)> OnCombined;

    // Further support for a value already held: new + old - new x old.
    static float AccumulateCnf(float newCnf, float oldCnf);
    // 1 - cnf, the confidence of "<>".
    static float Complement(float cnf);

private:
    float Combine(const TCnfFormula& formula, TCombination::TKind kind, float cnf1, float cnf2, long double builtIn);
    float CombineWithFormula(const TCnfFormula& formula, float cnf1, float cnf2);

    IFormulaHost& host_;
    float& cnf1_;
    float& cnf2_;
    bool& lastUnknown_;
    const TCnfFormula& andFormula_;
    const TCnfFormula& orFormula_;
    const TCnfFormula& conclusionFormula_;
    const float& minimumCnf_;
    const int16_t& precedence_;
};

// A yes/no value with its CNF as it is stored: "Sim" (-2) below 0.5 becomes
// "Não" (-3) with 1 - CNF, and "Não" at 0.5 or below becomes "Sim" with
// 1 - CNF. Other value codes are left alone.
void InvertYesNo(int32_t& valueCode, float& cnf);

// The premises of one rule joined by their connectives, in postfix order,
// with the state of each premise: pending, evaluated, or fixed at a bound by
// an early decision. Premises are numbered from 1 in the rule's order.
class TPremiseExpression {
public:
    enum class TBound {
        None,         // every premise holds its CNF
        Pessimistic,  // pending premises count as false (0)
        Optimistic,   // pending premises count as true (1)
    };

    // connectives: the connective stored with each premise, in order; the
    // first ENTÃO ends the rule (the last premise counts as ending it too).
    // Any value other than OU and ENTÃO joins with E.
    TPremiseExpression(std::span<const int32_t> connectives, int precedence);
    TPremiseExpression(const std::vector<int32_t>& connectives, int precedence)
        : TPremiseExpression(std::span<const int32_t>(connectives), precedence) {}
    // Its lists may live inside it, and cannot move with it.
    TPremiseExpression(const TPremiseExpression&) = delete;
    TPremiseExpression& operator=(const TPremiseExpression&) = delete;

    int PremiseCount() const { return static_cast<int>(premiseCount_); }
    // Neither evaluated nor fixed by an early decision.
    bool IsPending(int premise) const;
    void SetPremiseCnf(int premise, float cnf);

    // The CNF of the whole expression. With a bound, pending premises take the
    // bound's value, and whenever a sub-expression is decided on its own (at
    // least MinimumCnf even with false premises, or below it even with true
    // ones) the pending premises seen so far are fixed at the bound for good.
    float Evaluate(TCnfCalculus& calculus, TBound bound = TBound::None);

private:
    enum class TSlotKind : uint8_t { Premise, And, Or };
    enum class TSlotState : uint8_t { Pending, Evaluated, Fixed };
    struct TSlot {
        TSlotKind Kind = TSlotKind::Premise;
        TSlotState State = TSlotState::Pending;
        float Cnf = kFalseCnf;
    };

    // A list whose length is known when the expression is built: inside the
    // expression for a rule of usual length (a rule is evaluated once or a
    // few times), on the heap beyond.
    template <class T, std::size_t N>
    class TList {
    public:
        TList() = default;
        TList(const TList&) = delete;
        TList& operator=(const TList&) = delete;
        void Reserve(std::size_t size) {
            if (size > N) heap_.resize(size);
            data_ = size > N ? heap_.data() : inline_.data();
        }
        T& operator[](std::size_t i) { return data_[i]; }
        const T& operator[](std::size_t i) const { return data_[i]; }

    private:
        std::array<T, N> inline_;
        std::vector<T> heap_;
        T* data_ = inline_.data();
    };
    static constexpr std::size_t kInlinePremises = 16;

    uint32_t premiseCount_ = 0;
    uint32_t slotCount_ = 0;
    TList<TSlot, 2 * kInlinePremises> slots_;        // the expression in postfix order
    TList<uint32_t, kInlinePremises> premiseSlots_;  // premise number - 1 -> slot index
    TList<float, kInlinePremises> values_;           // Evaluate's operand stack
    TList<uint32_t, kInlinePremises> seen_;          // premise slots pushed since the last decision
};

struct TRuleOutcome {
    float Cnf = kFalseCnf;
    // Cnf reached MinimumCnf. A rule without premises, an abandoned
    // evaluation and a rule rejected early are never accepted.
    bool Accepted = false;
};

// Evaluates a rule's premises left to right with early decision: after each
// premise (but the last) the optimistic bound below MinimumCnf rejects the
// rule, the pessimistic bound at or above it accepts it with that bound as its
// CNF; premises fixed by a bound are never evaluated. evaluateAllPremises
// turns the early decision off. evaluatePremise(i) gives premise i's CNF (it
// may derive variables and ask questions); abandoned() tells whether the
// consultation was stopped or is rolling back, which ends the evaluation
// unaccepted.
//
// A template, so that the engine's callbacks are called directly: the
// inference calls them for every premise it evaluates.
template <class EvaluatePremise, class Abandoned>
TRuleOutcome EvaluateRulePremises(std::span<const int32_t> connectives, TCnfCalculus& calculus,
                                  bool evaluateAllPremises, EvaluatePremise&& evaluatePremise, Abandoned&& abandoned) {
    TPremiseExpression expression(connectives, calculus.Precedence());
    const int count = expression.PremiseCount();
    const float minimum = calculus.MinimumCnf();
    // A rule without premises (only a damaged base has one) is rejected, even
    // when the threshold is 0.
    if (count == 0) return {kFalseCnf, false};
    float result = kFalseCnf;
    for (int premise = 1; premise <= count; ++premise) {
        if (abandoned()) return {kFalseCnf, false};
        if (!expression.IsPending(premise)) continue;
        const float cnf = evaluatePremise(premise);
        if (abandoned()) return {kFalseCnf, false};
        expression.SetPremiseCnf(premise, cnf);
        if (premise == count) {
            result = expression.Evaluate(calculus);
            return {result, result >= minimum};
        }
        if (evaluateAllPremises) continue;
        const float optimistic = expression.Evaluate(calculus, TPremiseExpression::TBound::Optimistic);
        if (optimistic < minimum) {
            // The CNF so far; a custom formula can leave it at or above the
            // threshold, and a rejected rule must never look accepted.
            return {result < minimum ? result : optimistic, false};
        }
        result = expression.Evaluate(calculus, TPremiseExpression::TBound::Pessimistic);
        if (result >= minimum) return {result, true};
    }
    // The last premises were fixed by a bound: nothing is pending any more,
    // so the full value decides.
    result = expression.Evaluate(calculus);
    return {result, result >= minimum};
}
template <class EvaluatePremise, class Abandoned>
TRuleOutcome EvaluateRulePremises(const std::vector<int32_t>& connectives, TCnfCalculus& calculus,
                                  bool evaluateAllPremises, EvaluatePremise&& evaluatePremise, Abandoned&& abandoned) {
    return EvaluateRulePremises(std::span<const int32_t>(connectives), calculus, evaluateAllPremises, evaluatePremise,
                                abandoned);
}

}  // namespace quorvel
