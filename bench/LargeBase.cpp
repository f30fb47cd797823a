#include "LargeBase.h"

#include "ExSystem.h"

namespace quorvel {

std::string LargeBaseName(const char* prefix, int32_t code) { return prefix + std::to_string(code) + " de exemplo"; }

void BuildLargeBase(TExpertSystem& sys) {
    sys.ClearBase();
    for (int32_t code = 1; code <= kLargeBaseLimit; ++code) {
        sys.Vars().AddVariable(code, LargeBaseName("Vari\xE1vel ", code), code % 7 == 0, code % 11 == 0);
        sys.Values().AddValue(code, LargeBaseName("Valor ", code), 1 + (code - 1) % kLargeBaseLimit, 1);
        sys.Rules().AddRule(code, LargeBaseName("Regra ", code), code);
        sys.Tails().AddPremise(code, code, "=", code, 2, false);
        sys.Heads().AddConclusion(code, 1 + code % kLargeBaseLimit, code, 0.8f);
        sys.Formulas().Add(code, "CNF1*" + std::to_string(code));
        sys.Questions().AddQuestion(code, LargeBaseName("Qual o valor de ", code), true);
    }
}

}  // namespace quorvel
