#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ExCnf.h"
#include "ExSystem.h"
#include "ExText.h"

namespace quorvel {
namespace {

// Stands in for the engine: the operands are its fields, variables are fixed
// (nullopt = "DESCONHECIDO").
class TCnfHost : public IFormulaHost {
public:
    TCnfHost(float& cnf1, float& cnf2) : cnf1_(cnf1), cnf2_(cnf2) {}
    std::map<std::string, std::optional<long double>> vars;
    std::function<void(std::string_view)> onLookup;

    float Cnf1() override { return cnf1_; }
    float Cnf2() override { return cnf2_; }
    bool VariableValue(std::string_view upperName, long double& value, bool& unknown) override {
        if (onLookup) onLookup(upperName);
        const auto it = vars.find(std::string(upperName));
        if (it == vars.end()) return false;
        if (it->second)
            value = *it->second;
        else
            unknown = true;
        return true;
    }

private:
    float& cnf1_;
    float& cnf2_;
};

class CnfTest : public ::testing::Test {
protected:
    float cnf1 = -1.0f;
    float cnf2 = -1.0f;
    bool lastUnknown = false;
    TCnfFormula andFormula;
    TCnfFormula orFormula;
    TCnfFormula conclusionFormula;
    float minimumCnf = 0.5f;
    int16_t precedence = 0;
    TCnfHost host{cnf1, cnf2};
    TCnfCalculus calculus{host,       cnf1,      cnf2, lastUnknown, andFormula, orFormula, conclusionFormula,
                          minimumCnf, precedence};

    static void Custom(TCnfFormula& formula, const char* text) {
        formula.UseDefault = false;
        formula.Text = text;
    }
};

TEST_F(CnfTest, BuiltInCombinationsLeaveTheOperandsAlone) {
    EXPECT_FLOAT_EQ(calculus.CombineAnd(0.8f, 0.9f), 0.72f);
    EXPECT_FLOAT_EQ(calculus.CombineOr(0.8f, 0.9f), 0.98f);
    EXPECT_FLOAT_EQ(calculus.ConclusionCnf(0.8f, 0.5f), 0.4f);
    EXPECT_EQ(calculus.CombineOr(0.0f, 0.0f), 0.0f);
    EXPECT_EQ(calculus.CombineOr(1.0f, 0.3f), 1.0f);
    EXPECT_EQ(cnf1, -1.0f);
    EXPECT_EQ(cnf2, -1.0f);
    lastUnknown = true;
    calculus.CombineAnd(0.5f, 0.5f);
    EXPECT_TRUE(lastUnknown);
}

TEST_F(CnfTest, CustomFormulasReadTheOperandsAndAreTruncated) {
    enum Which { And, Or, Conclusion };
    struct Case {
        Which which;
        const char* text;
        float left, right, value;
    };
    const Case cases[] = {
        {And, "MIN(CNF1, CNF2)", 0.8f, 0.35f, 0.35f},
        {Or, "MAX(CNF1, CNF2)", 0.8f, 0.35f, 0.8f},
        {Conclusion, "CNF1*CNF2", 0.9f, 0.9f, 0.8f},  // 0.80999994 truncated
        {Conclusion, "CNF1*CNF2", 0.8f, 0.5f, 0.4f},
        {And, "CNF1 + CNF2", 0.8f, 0.9f, 1.7f},  // outside 0..1, used as it is
        {Or, "CNF2 - CNF1", 0.8f, 0.35f, -0.45f},
    };
    for (const auto& c : cases) {
        andFormula = orFormula = conclusionFormula = {};
        TCnfFormula& formula = c.which == And ? andFormula : c.which == Or ? orFormula : conclusionFormula;
        Custom(formula, c.text);
        const float value = c.which == And  ? calculus.CombineAnd(c.left, c.right)
                            : c.which == Or ? calculus.CombineOr(c.left, c.right)
                                            : calculus.ConclusionCnf(c.left, c.right);
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(cnf1, c.left) << c.text;
        EXPECT_EQ(cnf2, c.right) << c.text;
    }
}

TEST_F(CnfTest, CustomFormulaUpdatesTheLastUnknownFlagAndPassesErrorsOn) {
    host.vars = {{"X", std::nullopt}, {"Y", 2.0L}};
    Custom(andFormula, "CNF1 * X");
    Custom(orFormula, "CNF1 * Y");
    calculus.CombineAnd(0.5f, 0.5f);
    EXPECT_TRUE(lastUnknown);
    EXPECT_EQ(calculus.CombineOr(0.4f, 0.5f), 0.8f);
    EXPECT_FALSE(lastUnknown);

    Custom(conclusionFormula, "CNF1 *");
    EXPECT_THROW(calculus.ConclusionCnf(0.5f, 0.5f), EExpSyntaxError);
    Custom(conclusionFormula, "");
    try {
        calculus.ConclusionCnf(0.5f, 0.5f);
        ADD_FAILURE();
    } catch (const EExpSyntaxError& e) {
        EXPECT_STREQ(e.what(), "Fórmula vazia! Função: ");
    }
    Custom(conclusionFormula, "CNF1 / (CNF2 - 0.5)");
    EXPECT_THROW(calculus.ConclusionCnf(0.5f, 0.5f), EExpArithmeticError);
}

TEST_F(CnfTest, FormulaKeepsItsOwnOperandsWhileAVariableItNamesIsDerived) {
    // Deriving X runs another combination, which writes the engine's operands.
    Custom(andFormula, "X + CNF1 + CNF2");
    Custom(orFormula, "CNF1 + CNF2");
    host.vars = {{"X", 0.0L}};
    host.onLookup = [this](std::string_view) { calculus.CombineOr(0.01f, 0.02f); };
    EXPECT_EQ(calculus.CombineAnd(0.5f, 0.25f), 0.75f);
    EXPECT_EQ(cnf1, 0.5f);
    EXPECT_EQ(cnf2, 0.25f);
}

TEST(CnfAccumulation, AccumulatesAndComplements) {
    struct Case {
        float newCnf, oldCnf, value;
    };
    const Case cases[] = {
        {0.5f, 0.8f, 0.9f}, {0.8f, 0.5f, 0.9f}, {0.0f, 0.7f, 0.7f}, {1.0f, 0.3f, 1.0f}, {0.6f, 0.6f, 0.84f}};
    for (const auto& c : cases)
        EXPECT_FLOAT_EQ(TCnfCalculus::AccumulateCnf(c.newCnf, c.oldCnf), c.value) << c.newCnf << " " << c.oldCnf;
    EXPECT_EQ(TCnfCalculus::AccumulateCnf(0.5f, 0.8f), 0.9f);
    EXPECT_EQ(TCnfCalculus::Complement(0.7f), 0.3f);
    EXPECT_EQ(TCnfCalculus::Complement(0.0f), 1.0f);
}

TEST(CnfYesNo, LowYesBecomesNoAndLowOrEvenNoBecomesYes) {
    struct Case {
        int32_t code;
        float cnf;
        int32_t storedCode;
        float storedCnf;
    };
    const Case cases[] = {
        {kCodeYes, 0.3f, kCodeNo, 0.7f},          {kCodeNo, 0.5f, kCodeYes, 0.5f},
        {kCodeYes, 0.5f, kCodeYes, 0.5f},         {kCodeNo, 0.2f, kCodeYes, 0.8f},
        {kCodeNo, 0.6f, kCodeNo, 0.6f},           {kCodeYes, 0.8f, kCodeYes, 0.8f},
        {kCodeUnknown, 0.2f, kCodeUnknown, 0.2f}, {7, 0.1f, 7, 0.1f},
    };
    for (const auto& c : cases) {
        int32_t code = c.code;
        float cnf = c.cnf;
        InvertYesNo(code, cnf);
        EXPECT_EQ(code, c.storedCode) << c.code << " " << c.cnf;
        EXPECT_FLOAT_EQ(cnf, c.storedCnf) << c.code << " " << c.cnf;
    }
}

constexpr int32_t E = kConnectiveAnd;
constexpr int32_t OU = kConnectiveOr;
constexpr int32_t THEN = kConnectiveThen;

TEST_F(CnfTest, PrecedenceDecidesTheGrouping) {
    struct Case {
        std::vector<int32_t> connectives;
        int precedence;
        float value;  // every premise 0.5
    };
    const Case cases[] = {
        {{E, OU, THEN}, 0, 0.625f},       // (A E B) OU C
        {{E, OU, THEN}, 1, 0.375f},       // A E (B OU C)
        {{OU, E, THEN}, 0, 0.625f},       // A OU (B E C)
        {{OU, E, THEN}, 1, 0.375f},       // (A OU B) E C
        {{OU, E, OU, THEN}, 0, 0.8125f},  // (A OU (B E C)) OU D
        {{E, OU, E, THEN}, 1, 0.1875f},   // (A E (B OU C)) E D
        // Longer than most rules: 20 premises.
        {[] { std::vector<int32_t> c(19, E); c.push_back(THEN); return c; }(), 0, 0x1p-20f},
        {[] { std::vector<int32_t> c(19, OU); c.push_back(THEN); return c; }(), 1, 1.0f - 0x1p-20f},
    };
    for (const auto& c : cases) {
        TPremiseExpression expression(c.connectives, c.precedence);
        ASSERT_EQ(expression.PremiseCount(), static_cast<int>(c.connectives.size()));
        for (int i = 1; i <= expression.PremiseCount(); ++i) expression.SetPremiseCnf(i, 0.5f);
        EXPECT_FLOAT_EQ(expression.Evaluate(calculus), c.value) << c.connectives.size() << " " << c.precedence;
    }
}

TEST_F(CnfTest, EqualConnectivesGroupFromTheRight) {
    Custom(andFormula, "CNF1 - CNF2");
    TPremiseExpression expression({E, E, THEN}, 0);
    const float cnfs[] = {1.0f, 0.5f, 0.25f};
    for (int i = 1; i <= 3; ++i) expression.SetPremiseCnf(i, cnfs[i - 1]);
    EXPECT_EQ(expression.Evaluate(calculus), 0.75f);  // 1 - (0.5 - 0.25), not 0.25
}

TEST_F(CnfTest, EarlyDecisionEvaluatesOnlyThePremisesThatCanStillMatter) {
    struct Case {
        const char* name;
        std::vector<int32_t> connectives;
        int16_t precedence;
        bool evaluateAll;
        std::vector<float> cnfs;
        std::vector<int> evaluated;
        float cnf;
        bool accepted;
    };
    const Case cases[] = {
        {"single premise", {THEN}, 0, false, {0.6f}, {1}, 0.6f, true},
        {"A OU B, A accepts", {OU, THEN}, 0, false, {0.8f, 0.5f}, {1}, 0.8f, true},
        {"A OU B, all premises", {OU, THEN}, 0, true, {0.8f, 0.5f}, {1, 2}, 0.9f, true},
        {"A E B, A rejects", {E, THEN}, 0, false, {0.3f, 0.9f}, {1}, 0.0f, false},
        {"A E B, all premises", {E, THEN}, 0, true, {0.3f, 0.9f}, {1, 2}, 0.27f, false},
        {"A E B, B rejects", {E, THEN}, 0, false, {0.9f, 0.4f}, {1, 2}, 0.36f, false},
        {"A E B E C", {E, E, THEN}, 0, false, {0.9f, 0.9f, 0.9f}, {1, 2, 3}, 0.729f, true},
        {"(A E B) OU C, B fixed at 1", {E, OU, THEN}, 0, false, {0.2f, 0.9f, 0.6f}, {1, 3}, 0.68f, true},
        {"(A OU B) E C, B fixed at 0", {OU, E, THEN}, 1, false, {0.8f, 0.1f, 0.9f}, {1, 3}, 0.72f, true},
        {"(A OU B) E C, C rejects", {OU, E, THEN}, 1, false, {0.8f, 0.1f, 0.3f}, {1, 3}, 0.24f, false},
        {"ENTÃO ends the rule", {E, THEN, E, THEN}, 0, false, {0.9f, 0.9f, 0.1f, 0.1f}, {1, 2}, 0.81f, true},
    };
    for (const auto& c : cases) {
        precedence = c.precedence;
        std::vector<int> evaluated;
        const TRuleOutcome outcome = EvaluateRulePremises(
            c.connectives, calculus, c.evaluateAll,
            [&](int premise) {
                evaluated.push_back(premise);
                return c.cnfs[static_cast<std::size_t>(premise - 1)];
            },
            [] { return false; });
        EXPECT_EQ(evaluated, c.evaluated) << c.name;
        EXPECT_FLOAT_EQ(outcome.Cnf, c.cnf) << c.name;
        EXPECT_EQ(outcome.Accepted, c.accepted) << c.name;
    }
}

TEST_F(CnfTest, RuleWithoutPremisesOrAbandonedIsNeverAccepted) {
    minimumCnf = 0.0f;  // even a CNF of 0 would pass
    int calls = 0;
    const auto premise = [&](int) {
        ++calls;
        return 1.0f;
    };
    TRuleOutcome outcome = EvaluateRulePremises(std::vector<int32_t>{}, calculus, false, premise, [] { return false; });
    EXPECT_FALSE(outcome.Accepted);
    EXPECT_EQ(outcome.Cnf, 0.0f);
    EXPECT_EQ(calls, 0);

    // Stopped or rolling back: before the first premise, and after the first one.
    for (const int allowed : {0, 1}) {
        calls = 0;
        outcome = EvaluateRulePremises({E, E, THEN}, calculus, true, premise, [&] { return calls >= allowed; });
        EXPECT_FALSE(outcome.Accepted) << allowed;
        EXPECT_EQ(calls, allowed) << allowed;
    }
}

TEST_F(CnfTest, RuleRejectedEarlyStaysRejectedWhateverTheFormula) {
    // A formula that falls as its right operand grows: the optimistic bound is
    // the lowest one, and with a threshold of 0 the first CNF of 0 would pass.
    minimumCnf = 0.0f;
    Custom(andFormula, "CNF1 - CNF2");
    std::vector<int> evaluated;
    const TRuleOutcome outcome = EvaluateRulePremises(
        {E, THEN}, calculus, false,
        [&](int premise) {
            evaluated.push_back(premise);
            return 0.8f;
        },
        [] { return false; });
    EXPECT_EQ(evaluated, std::vector<int>{1});
    EXPECT_FALSE(outcome.Accepted);
    EXPECT_LT(outcome.Cnf, minimumCnf);
}

}  // namespace
}  // namespace quorvel
