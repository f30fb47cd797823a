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
    // The first ENTÃO ends the premises.
    std::size_t count = 0;
    while (count < connectives.size() && connectives[count++] != kConnectiveThen) {
    }
    premiseCount_ = static_cast<uint32_t>(count);
    if (count == 0) return;
    slots_.Reserve(2 * count - 1);
    premiseSlots_.Reserve(count);
    values_.Reserve(count);
    seen_.Reserve(count);

    const auto kindOf = [](int32_t connective) { return connective == kConnectiveOr ? TSlotKind::Or : TSlotKind::And; };
    const TSlotKind loose = precedence == 1 ? TSlotKind::And : TSlotKind::Or;
    // The operators waiting for their right operand.
    TList<TSlotKind, kInlinePremises> operators;
    operators.Reserve(count);
    std::size_t waiting = 0;
    const auto flush = [&] {
        while (waiting > 0) slots_[slotCount_++] = {operators[--waiting], TSlotState::Pending, kFalseCnf};
    };
    for (std::size_t i = 0; i < count; ++i) {
        premiseSlots_[i] = slotCount_;
        slots_[slotCount_++] = {};
        if (i + 1 == count) break;
        const TSlotKind incoming = kindOf(connectives[i]);
        if (waiting > 0 && incoming == loose && operators[waiting - 1] != loose) flush();
        operators[waiting++] = incoming;
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
    std::size_t top = 0;   // operands on the stack
    std::size_t seen = 0;  // premise slots pushed since the last decision
    for (uint32_t index = 0; index < slotCount_; ++index) {
        const TSlot& slot = slots_[index];
        if (slot.Kind == TSlotKind::Premise) {
            values_[top++] = slot.State == TSlotState::Pending ? fill : slot.Cnf;
            if (bound != TBound::None) seen_[seen++] = index;
            continue;
        }
        const float right = values_[--top];
        const float left = values_[top - 1];
        const float result =
            slot.Kind == TSlotKind::And ? calculus.CombineAnd(left, right) : calculus.CombineOr(left, right);
        values_[top - 1] = result;
        const bool decided = (bound == TBound::Pessimistic && result >= calculus.MinimumCnf()) ||
                             (bound == TBound::Optimistic && result < calculus.MinimumCnf());
        if (!decided) continue;
        for (std::size_t i = 0; i < seen; ++i) {
            TSlot& premise = slots_[seen_[i]];
            if (premise.State != TSlotState::Pending) continue;
            premise.State = TSlotState::Fixed;
            premise.Cnf = fill;
        }
        seen = 0;
    }
    return top == 0 ? kFalseCnf : values_[top - 1];
}

}  // namespace quorvel
