#include "ExCnf.h"

#include "ExSystem.h"
#include "ExText.h"

namespace quorvel {

namespace {

// Lets a confidence formula read the operands of its own combination. The
// formula may name a variable whose derivation runs other combinations, which
// overwrite the engine's CNF1 and CNF2 before this formula reads them.
class TOperandHost : public IFormulaHost {
public:
    TOperandHost(IFormulaHost& host, float cnf1, float cnf2) : host_(host), cnf1_(cnf1), cnf2_(cnf2) {}
    float Cnf1() override { return cnf1_; }
    float Cnf2() override { return cnf2_; }
    bool VariableValue(std::string_view upperName, long double& value, bool& unknown) override {
        return host_.VariableValue(upperName, value, unknown);
    }

private:
    IFormulaHost& host_;
    float cnf1_;
    float cnf2_;
};

}  // namespace

TCnfCalculus::TCnfCalculus(IFormulaHost& host, float& cnf1, float& cnf2, bool& lastUnknown,
                           const TCnfFormula& andFormula, const TCnfFormula& orFormula,
                           const TCnfFormula& conclusionFormula, const float& minimumCnf, const int16_t& precedence)
    : host_(host),
      cnf1_(cnf1),
      cnf2_(cnf2),
      lastUnknown_(lastUnknown),
      andFormula_(andFormula),
      orFormula_(orFormula),
      conclusionFormula_(conclusionFormula),
      minimumCnf_(minimumCnf),
      precedence_(precedence) {}

float TCnfCalculus::CombineWithFormula(const TCnfFormula& formula, float cnf1, float cnf2) {
    cnf1_ = cnf1;
    cnf2_ = cnf2;
    TOperandHost operands(host_, cnf1, cnf2);
    const TFormulaResult result = EvaluateFormula(formula.Text, operands);
    // Whatever nested combinations wrote, the last one finished is this one.
    cnf1_ = cnf1;
    cnf2_ = cnf2;
    lastUnknown_ = result.Unknown;
    return result.Value;
}

float TCnfCalculus::Combine(const TCnfFormula& formula, TCombination::TKind kind, float cnf1, float cnf2,
                            long double builtIn) {
    const float result = formula.UseDefault ? static_cast<float>(builtIn) : CombineWithFormula(formula, cnf1, cnf2);
    if (OnCombined) OnCombined({kind, cnf1, cnf2, result, !formula.UseDefault});
    return result;
}

float TCnfCalculus::CombineAnd(float left, float right) {
    return Combine(andFormula_, TCombination::TKind::And, left, right, static_cast<long double>(left) * right);
}

float TCnfCalculus::CombineOr(float left, float right) {
    const long double l = left;
    const long double r = right;
    return Combine(orFormula_, TCombination::TKind::Or, left, right, l + r - l * r);
}

float TCnfCalculus::ConclusionCnf(float ruleCnf, float conclusionCnf) {
    return Combine(conclusionFormula_, TCombination::TKind::Conclusion, ruleCnf, conclusionCnf,
                   static_cast<long double>(ruleCnf) * conclusionCnf);
}

float TCnfCalculus::AccumulateCnf(float newCnf, float oldCnf) {
    const long double n = newCnf;
    const long double o = oldCnf;
    return static_cast<float>(n + o - n * o);
}

float TCnfCalculus::Complement(float cnf) { return static_cast<float>(static_cast<long double>(kTrueCnf) - cnf); }

void InvertYesNo(int32_t& valueCode, float& cnf) {
    constexpr float kHalf = 0.5f;
    if (valueCode == kCodeYes && cnf < kHalf) {
        valueCode = kCodeNo;
        cnf = TCnfCalculus::Complement(cnf);
    } else if (valueCode == kCodeNo && cnf <= kHalf) {
        valueCode = kCodeYes;
        cnf = TCnfCalculus::Complement(cnf);
    }
}

// ---------------------------------------------------------------- premise expression

// Shunting-yard over "premise connective premise ... premise": the binding
// connective groups tighter, and a run of equal connectives groups from the
// right (p1 E p2 E p3 is p1 E (p2 E p3)).
TPremiseExpression::TPremiseExpression(std::span<const int32_t> connectives, int precedence) {
    const auto kindOf = [](int32_t connective) { return connective == kConnectiveOr ? TSlotKind::Or : TSlotKind::And; };
    const TSlotKind loose = precedence == 1 ? TSlotKind::And : TSlotKind::Or;
    std::pmr::vector<TSlotKind> operators(&arena_);
    operators.reserve(connectives.size());
    slots_.reserve(2 * connectives.size());
    premiseSlots_.reserve(connectives.size());
    values_.reserve(connectives.size());
    const auto flush = [&] {
        while (!operators.empty()) {
            slots_.push_back({operators.back(), TSlotState::Pending, kFalseCnf});
            operators.pop_back();
        }
    };
    for (std::size_t i = 0; i < connectives.size(); ++i) {
        premiseSlots_.push_back(static_cast<uint32_t>(slots_.size()));
        slots_.push_back({});
        if (connectives[i] == kConnectiveThen || i + 1 == connectives.size()) break;
        const TSlotKind incoming = kindOf(connectives[i]);
        if (!operators.empty() && incoming == loose && operators.back() != loose) flush();
        operators.push_back(incoming);
    }
    flush();
}

bool TPremiseExpression::IsPending(int premise) const {
    if (premise < 1 || premise > PremiseCount()) return false;
    return slots_[premiseSlots_[static_cast<std::size_t>(premise - 1)]].State == TSlotState::Pending;
}

void TPremiseExpression::SetPremiseCnf(int premise, float cnf) {
    if (premise < 1 || premise > PremiseCount()) return;
    TSlot& slot = slots_[premiseSlots_[static_cast<std::size_t>(premise - 1)]];
    slot.State = TSlotState::Evaluated;
    slot.Cnf = cnf;
}

float TPremiseExpression::Evaluate(TCnfCalculus& calculus, TBound bound) {
    const float fill = bound == TBound::Optimistic ? kTrueCnf : kFalseCnf;
    values_.clear();
    seen_.clear();
    for (uint32_t index = 0; index < slots_.size(); ++index) {
        const TSlot& slot = slots_[index];
        if (slot.Kind == TSlotKind::Premise) {
            values_.push_back(slot.State == TSlotState::Pending ? fill : slot.Cnf);
            if (bound != TBound::None) seen_.push_back(index);
            continue;
        }
        const float right = values_.back();
        values_.pop_back();
        const float left = values_.back();
        values_.back() =
            slot.Kind == TSlotKind::And ? calculus.CombineAnd(left, right) : calculus.CombineOr(left, right);
        const float top = values_.back();
        const bool decided = (bound == TBound::Pessimistic && top >= calculus.MinimumCnf()) ||
                             (bound == TBound::Optimistic && top < calculus.MinimumCnf());
        if (!decided) continue;
        for (const uint32_t fixed : seen_) {
            TSlot& premise = slots_[fixed];
            if (premise.State != TSlotState::Pending) continue;
            premise.State = TSlotState::Fixed;
            premise.Cnf = fill;
        }
        seen_.clear();
    }
    return values_.empty() ? kFalseCnf : values_.back();
}

// ---------------------------------------------------------------- a rule's premises

TRuleOutcome EvaluateRulePremises(std::span<const int32_t> connectives, TCnfCalculus& calculus,
                                  bool evaluateAllPremises, const std::function<float(int)>& evaluatePremise,
                                  const std::function<bool()>& abandoned) {
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

}  // namespace quorvel
