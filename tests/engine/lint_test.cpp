// The static checks of a base: one small base per check holding exactly one
// finding, and its clean twin holding none.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ExLint.h"
#include "ExSystem.h"
#include "ExText.h"
#include "TestSupport.h"

namespace quorvel::test {
namespace {

// A (yes/no) is asked; rule 1, A = Sim -> R = alto, concludes the target R.
// N is numeric and asked, with the interval 0..10.
void CleanBase(TExpertSystem& base) {
    base.Vars().AddVariable(1, "A", false, false);
    base.Vars().AddVariable(2, "R", false, false);
    base.Vars().AddVariable(3, "N", false, true);
    base.Values().AddValue(21, "alto", 2, 1);
    base.Values().AddValue(31, "0;10", 3, 1);
    base.Formulas().Add(1, "5");
    base.Rules().AddRule(1, "alto", 1);
    base.Tails().AddPremise(1, 1, "=", kCodeYes, kConnectiveThen, false);
    base.Heads().AddConclusion(1, 2, 21, 1.0f);
    base.Rules().AddRule(2, "numero", 2);
    base.Tails().AddPremise(2, 3, ">", 1, kConnectiveThen, false);
    base.Heads().AddConclusion(2, 2, 21, 0.8f);
    base.Targets().Add(2);
}

struct TLintCase {
    const char* Name;
    const char* Code;
    TLintSeverity Severity;
    // Puts the flaw into the clean base (flawed) or its harmless twin (clean).
    std::function<void(TExpertSystem&, bool flawed)> Change;
    const char* MessagePart;
};

void Rule(TExpertSystem& base, int32_t code, std::vector<TTailNode> premises, int32_t var, int32_t value, float cnf) {
    base.Rules().AddRule(code, "r" + std::to_string(code), code);
    for (std::size_t i = 0; i < premises.size(); ++i) {
        const TTailNode& p = premises[i];
        base.Tails().AddPremise(code, p.VarCode, p.Operator, p.ValueCode,
                                i + 1 == premises.size() ? kConnectiveThen : p.Connective, p.Negated);
    }
    base.Heads().AddConclusion(code, var, value, cnf);
}

void ReplaceFormula(TExpertSystem& base, const char* text) {
    base.Formulas().Find(1);
    base.Formulas().DeleteCurrent();
    base.Formulas().Add(1, text);
}

TTailNode Premise(int32_t var, const char* op, int32_t value, bool negated = false) {
    TTailNode premise;
    premise.VarCode = var;
    premise.Operator = op;
    premise.ValueCode = value;
    premise.Negated = negated;
    return premise;
}

void PrintTo(const TLintCase& c, std::ostream* os) { *os << c.Name; }

class LintChecks : public ::testing::TestWithParam<TLintCase> {};

TEST_P(LintChecks, FindsTheFlawAndNothingInItsTwin) {
    const TLintCase& c = GetParam();
    for (const bool flawed : {true, false}) {
        SCOPED_TRACE(flawed ? "flawed" : "clean twin");
        TCapturingSink sink;
        TExpertSystem base(&sink);
        CleanBase(base);
        c.Change(base, flawed);
        const std::vector<TLintFinding> findings = LintBase(base);
        std::string listed;
        for (const auto& finding : findings) listed += finding.Code + " " + Cp1252ToUtf8(finding.Message) + "\n";
        if (!flawed) {
            EXPECT_TRUE(findings.empty()) << listed;
            EXPECT_FALSE(HasLintErrors(findings));
            continue;
        }
        ASSERT_EQ(findings.size(), 1u) << listed;
        EXPECT_EQ(findings[0].Code, c.Code);
        EXPECT_EQ(findings[0].Severity, c.Severity);
        EXPECT_NE(Cp1252ToUtf8(findings[0].Message).find(c.MessagePart), std::string::npos) << listed;
        EXPECT_EQ(HasLintErrors(findings), c.Severity == TLintSeverity::Error);
        EXPECT_TRUE(sink.Messages.empty());
    }
}

const TLintCase kLintCases[] = {
    {"FormulaSyntax", lint_code::FormulaSyntax, TLintSeverity::Error,
     [](TExpertSystem& b, bool flawed) {
         ReplaceFormula(b, flawed ? "MAX(5" : "MAX(5, 2)");
     },
     "REGRA 2 (numero), premissa sobre \"N\", fórmula MAX(5: , ou ) esperado!"},
    {"UndeclaredVariable", lint_code::UndeclaredVariable, TLintSeverity::Error,
     [](TExpertSystem& b, bool flawed) {
         ReplaceFormula(b, flawed ? "Z + 1" : "N + 1");
     },
     "Variável não declarada: Z!"},
    {"FormulaMissing", lint_code::FormulaMissing, TLintSeverity::Error,
     [](TExpertSystem& b, bool flawed) { Rule(b, 3, {Premise(3, "<", flawed ? 99 : 1)}, 2, 21, 1.0f); },
     "a fórmula de código 99 não existe"},
    {"CustomCnfFormula", lint_code::FormulaSyntax, TLintSeverity::Error,
     [](TExpertSystem& b, bool flawed) { b.AndFormula = {flawed ? "MIN(CNF1 CNF2)" : "MIN(CNF1, CNF2)", false}; },
     "A fórmula do E: , ou ) esperado!"},
    {"UnusedVariable", lint_code::UnusedVariable, TLintSeverity::Warning,
     [](TExpertSystem& b, bool flawed) {
         b.Vars().AddVariable(4, "Solta", false, false);
         if (!flawed) Rule(b, 3, {Premise(4, "=", kCodeYes)}, 2, 21, 1.0f);
     },
     "A variável \"Solta\" não é usada por nenhuma regra nem é objetivo"},
    {"UnusedValue", lint_code::UnusedValue, TLintSeverity::Warning,
     [](TExpertSystem& b, bool flawed) {
         b.Values().AddValue(22, "baixo", 2, 2);
         if (!flawed) Rule(b, 3, {Premise(1, "=", kCodeNo)}, 2, 22, 1.0f);
     },
     "O valor \"baixo\" de \"R\" não é concluído, testado nem perguntado"},
    {"PremiseNeverHolds", lint_code::PremiseNeverHolds, TLintSeverity::Error,
     [](TExpertSystem& b, bool flawed) {
         b.Values().AddValue(22, "baixo", 2, 2);
         b.Vars().AddVariable(5, "S", false, false);
         b.Values().AddValue(51, "s1", 5, 1);
         b.Targets().Add(5);
         Rule(b, 3, {Premise(2, "=", 22)}, 5, 51, 1.0f);
         if (!flawed) Rule(b, 4, {Premise(1, "=", kCodeNo)}, 2, 22, 1.0f);
     },
     "REGRA 3 (r3), premissa 1: \"R\" nunca vale \"baixo\""},
    {"DuplicateRule", lint_code::DuplicateRule, TLintSeverity::Warning,
     [](TExpertSystem& b, bool flawed) { Rule(b, 3, {Premise(1, "=", flawed ? kCodeYes : kCodeNo)}, 2, 21, 1.0f); },
     "REGRA 3 (r3) repete as premissas e as conclusões da REGRA 1 (alto)"},
    {"RepeatedPremise", lint_code::RepeatedPremise, TLintSeverity::Warning,
     [](TExpertSystem& b, bool flawed) {
         if (!flawed) b.Vars().AddVariable(4, "B", false, false);
         Rule(b, 3, {Premise(1, "=", kCodeNo), Premise(flawed ? 1 : 4, "=", kCodeNo)}, 2, 21, 1.0f);
     },
     "REGRA 3 (r3): as premissas 1 e 2 são iguais"},
    {"ContradictoryPremises", lint_code::ContradictoryPremises, TLintSeverity::Warning,
     [](TExpertSystem& b, bool flawed) {
         if (!flawed) b.Vars().AddVariable(4, "B", false, false);
         Rule(b, 3, {Premise(1, "=", kCodeNo), Premise(flawed ? 1 : 4, "=", kCodeNo, true)}, 2, 21, 1.0f);
     },
     "REGRA 3 (r3): as premissas 1 e 2 se contradizem (\"A\" = \"Não\" e <> \"Não\")"},
    {"TargetAsked", lint_code::TargetAsked, TLintSeverity::Warning,
     [](TExpertSystem& b, bool flawed) {
         if (flawed) b.Targets().Add(1);
     },
     "Nenhuma regra conclui o objetivo \"A\": ele será perguntado"},
    {"ConclusionCnf", lint_code::ConclusionCnf, TLintSeverity::Warning,
     [](TExpertSystem& b, bool flawed) { Rule(b, 3, {Premise(1, "=", kCodeNo)}, 2, 21, flawed ? 1.2f : 1.0f); },
     "REGRA 3 (r3): a conclusão sobre \"R\" tem CNF 120% (acima de 100%)"},
    {"NumericRange", lint_code::NumericRange, TLintSeverity::Warning,
     [](TExpertSystem& b, bool flawed) {
         b.Values().Find(31);
         b.Values().DeleteCurrent();
         b.Values().AddValue(31, flawed ? "10;0" : "0;", 3, 1);
     },
     "A pergunta numérica sobre \"N\" tem o mínimo 10 acima do máximo 0"},
    {"CircularDependency", lint_code::CircularDependency, TLintSeverity::Error,
     [](TExpertSystem& b, bool flawed) {
         if (flawed) Rule(b, 3, {Premise(2, "=", 21)}, 1, kCodeYes, 1.0f);
     },
     "Dependência circular entre "},
};

INSTANTIATE_TEST_SUITE_P(EveryCheck, LintChecks, ::testing::ValuesIn(kLintCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(LintFormula, ChecksWithoutEvaluatingOrAsking) {
    TCapturingSink sink;
    TExpertSystem base(&sink);
    CleanBase(base);
    bool undeclared = true;
    // A division that only fails for some values is not a fault of the text.
    EXPECT_EQ(CheckFormula(base, "10 / (N - 3.7)", undeclared), std::nullopt);
    EXPECT_FALSE(undeclared);
    EXPECT_NE(CheckFormula(base, "1 / 0", undeclared), std::nullopt);
    EXPECT_NE(CheckFormula(base, "POT(2)", undeclared), std::nullopt);
    EXPECT_NE(CheckFormula(base, "\"Sem nome\" * 2", undeclared), std::nullopt);
    EXPECT_TRUE(undeclared);
    EXPECT_TRUE(sink.Messages.empty());
}

}  // namespace
}  // namespace quorvel::test
