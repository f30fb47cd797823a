// "Como?" and "Por que não?": the figures written out against hand
// computation, and each kind of reason why a value was not concluded.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "ExExplain.h"
#include "ExSystem.h"
#include "ExText.h"
#include "TestSupport.h"

namespace quorvel::test {
namespace {

// Yes/no variables A, B and C are asked; R (values alto, baixo) and M
// (multivalued, value x) and Y (yes/no) are concluded; targets are set per test.
class Explain : public ::testing::Test {
protected:
    Explain() : recorder(es) {
        es.Vars().AddVariable(1, "A", false, false);
        es.Vars().AddVariable(2, "B", false, false);
        es.Vars().AddVariable(3, "C", false, false);
        es.Vars().AddVariable(4, "R", false, false);
        es.Vars().AddVariable(5, "M", true, false);
        es.Vars().AddVariable(6, "Y", false, false);
        es.Values().AddValue(41, "alto", 4, 1);
        es.Values().AddValue(42, "baixo", 4, 2);
        es.Values().AddValue(51, "x", 5, 1);
        es.ReportEnding = false;
        es.OnPrompt = [this](TExpertSystem& e, int32_t var) {
            const auto found = answers.find(var);
            if (found == answers.end())
                e.Instantiate(var, "-1", true, 1.0f);
            else
                e.Instantiate(var, std::to_string(found->second.first), true, found->second.second);
            e.ReleaseWait();
        };
    }

    struct TPremise {
        int32_t var;
        int32_t value;
        int32_t connective;  // with the next premise; the last one's is ignored
        const char* op = "=";
        bool negated = false;
    };
    void Rule(int32_t code, std::vector<TPremise> premises, int32_t var, int32_t value, float cnf) {
        es.Rules().AddRule(code, "r" + std::to_string(code), code);
        for (std::size_t i = 0; i < premises.size(); ++i) {
            const TPremise& p = premises[i];
            es.Tails().AddPremise(code, p.var, p.op, p.value, i + 1 == premises.size() ? 2 : p.connective, p.negated);
        }
        es.Heads().AddConclusion(code, var, value, cnf);
    }
    void Answer(int32_t var, int32_t value, double percent) { answers[var] = {value, static_cast<float>(percent / 100)}; }
    void Consult(std::vector<int32_t> targets) {
        for (int32_t target : targets) es.Targets().Add(target);
        es.Start();
    }
    std::vector<std::string> How(int32_t var, int32_t value) {
        THeldValue held;
        held.Code = value;
        std::vector<std::string> lines;
        for (const std::string& line : recorder.How(var, held)) lines.push_back(Cp1252ToUtf8(line));
        return lines;
    }
    std::vector<TWhyNotKind> WhyNotKinds(int32_t var, int32_t value) {
        std::vector<TWhyNotKind> kinds;
        for (const auto& reason : recorder.WhyNot(var, value)) kinds.push_back(reason.Kind);
        return kinds;
    }
    std::string WhyNotText(int32_t var, int32_t value) {
        std::string text;
        for (const std::string& line : recorder.WhyNotLines(var, value)) text += Cp1252ToUtf8(line) + "\n";
        return text;
    }

    TCapturingSink sink;
    TExpertSystem es{&sink};
    TExplanationRecorder recorder;
    std::map<int32_t, std::pair<int32_t, float>> answers;
};

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST_F(Explain, HowWritesOutAndWithTheConclusionsShare) {
    Rule(1, {{1, kCodeYes, kConnectiveAnd}, {2, kCodeYes, 0}}, 4, 41, 0.9f);
    Answer(1, kCodeYes, 80);
    Answer(2, kCodeYes, 90);
    Consult({4});
    EXPECT_THAT(How(4, 41), ElementsAre("R = alto: 64,8%", "  REGRA 1 (r1): 80% E 90% = 72%; × CNF 90% = 64,8%",
                                        "    A = Sim: 80% (A: Sim 80%, resposta do usuário)",
                                        "    B = Sim: 90% (B: Sim 90%, resposta do usuário)"));
}

TEST_F(Explain, HowOfOuShowsTheEarlyDecisionOrEveryPremise) {
    Rule(1, {{1, kCodeYes, kConnectiveOr}, {2, kCodeYes, 0}}, 4, 41, 1.0f);
    Answer(1, kCodeYes, 80);
    Answer(2, kCodeYes, 90);
    Consult({4});
    // Decided after A: B counts as false and is never asked.
    EXPECT_THAT(How(4, 41), ElementsAre("R = alto: 80%", "  REGRA 1 (r1): 80% OU 0% = 80%; × CNF 100% = 80%",
                                        "    A = Sim: 80% (A: Sim 80%, resposta do usuário)",
                                        "    1 premissa(s) não avaliada(s): a regra foi decidida antes"));
}

TEST_F(Explain, HowOfOuWithEveryPremiseEvaluated) {
    es.EvaluateAllPremises = true;
    Rule(1, {{1, kCodeYes, kConnectiveOr}, {2, kCodeYes, 0}}, 4, 41, 1.0f);
    Answer(1, kCodeYes, 80);
    Answer(2, kCodeYes, 90);
    Consult({4});
    EXPECT_EQ(How(4, 41).at(1), "  REGRA 1 (r1): 80% OU 90% = 98%; × CNF 100% = 98%");
}

struct TPrecedenceCase {
    int16_t Precedence;
    const char* Line;
};

class ExplainPrecedence : public Explain, public ::testing::WithParamInterface<TPrecedenceCase> {};

// A E B OU C with A = 80, B = 90, C = 50: (A E B) OU C = 86 %, A E (B OU C) = 76 %.
TEST_P(ExplainPrecedence, HowFollowsThePrecedence) {
    es.Precedence = GetParam().Precedence;
    es.EvaluateAllPremises = true;
    Rule(1, {{1, kCodeYes, kConnectiveAnd}, {2, kCodeYes, kConnectiveOr}, {3, kCodeYes, 0}}, 4, 41, 1.0f);
    Answer(1, kCodeYes, 80);
    Answer(2, kCodeYes, 90);
    Answer(3, kCodeYes, 50);
    Consult({4});
    EXPECT_EQ(How(4, 41).at(1), GetParam().Line);
}

INSTANTIATE_TEST_SUITE_P(
    BothPrecedences, ExplainPrecedence,
    ::testing::Values(TPrecedenceCase{0, "  REGRA 1 (r1): 80% E 90% = 72%; 72% OU 50% = 86%; × CNF 100% = 86%"},
                      TPrecedenceCase{1, "  REGRA 1 (r1): 90% OU 50% = 95%; 80% E 95% = 76%; × CNF 100% = 76%"}));

TEST_F(Explain, HowAccumulatesSeveralRules) {
    Rule(1, {{1, kCodeYes, 0}}, 5, 51, 0.9f);
    Rule(2, {{2, kCodeYes, 0}}, 5, 51, 0.5f);
    Answer(1, kCodeYes, 80);
    Answer(2, kCodeYes, 90);
    Consult({5});
    // 80 × 90 = 72; 90 × 50 = 45; 72 + 45 − 72 × 45 = 84,6.
    EXPECT_THAT(How(5, 51), ElementsAre("M = x: 84,6%", "  REGRA 1 (r1): 80%; × CNF 90% = 72%",
                                        "    A = Sim: 80% (A: Sim 80%, resposta do usuário)",
                                        "  REGRA 2 (r2): 90%; × CNF 50% = 45%",
                                        "    B = Sim: 90% (B: Sim 90%, resposta do usuário)",
                                        "  acúmulo: 72% + 45% - 72% × 45% = 84,6%"));
}

TEST_F(Explain, HowShowsACustomFormulaByItsText) {
    es.AndFormula = {"MIN(CNF1, CNF2)", false};
    Rule(1, {{1, kCodeYes, kConnectiveAnd}, {2, kCodeYes, 0}}, 4, 41, 1.0f);
    Answer(1, kCodeYes, 80);
    Answer(2, kCodeYes, 60);
    Consult({4});
    EXPECT_EQ(How(4, 41).at(1),
              "  REGRA 1 (r1): 80% E 60% pela fórmula MIN(CNF1, CNF2) (CNF1 = 80%, CNF2 = 60%) = 60%; "
              "× CNF 100% = 60%");
}

TEST_F(Explain, HowShowsTheYesNoInversion) {
    Rule(1, {{1, kCodeYes, 0}}, 6, kCodeYes, 0.3f);
    Answer(1, kCodeYes, 100);
    Consult({6});
    // "Sim" with 30 % is stored as "Não" with 70 %.
    EXPECT_THAT(How(6, kCodeNo), ElementsAre("Y = Não: 70%", "  REGRA 1 (r1): 100%; × CNF 30% = 30%",
                                             "    A = Sim: 100% (A: Sim 100%, resposta do usuário)",
                                             "  Sim com 30% fica Não com 70%"));
    EXPECT_TRUE(How(6, kCodeYes).empty());
}

TEST_F(Explain, HowOfAChainNamesTheRuleThatGaveThePremise) {
    Rule(1, {{1, kCodeYes, 0}}, 4, 41, 0.8f);
    Rule(2, {{4, 41, 0}}, 5, 51, 1.0f);
    Answer(1, kCodeYes, 100);
    Consult({5});
    EXPECT_EQ(How(5, 51).at(2), "    R = alto: 80% (R: alto 80%, REGRA 1)");
}

TEST_F(Explain, WhyNotGivesEachKindOfReason) {
    // R = alto: rule 1 is rejected at its premise (A answered Não), rule 2
    // fires but gives it too little; M = x: rule 3 has premises that are
    // each fine but together under the minimum; S: rule 4 fires, so rule 5
    // is never tried.
    es.Vars().AddVariable(7, "S", false, false);
    es.Values().AddValue(71, "s1", 7, 1);
    es.Values().AddValue(72, "s2", 7, 2);
    Rule(1, {{1, kCodeYes, 0}}, 4, 41, 1.0f);
    Rule(2, {{2, kCodeYes, 0}}, 4, 41, 0.4f);
    Rule(3, {{2, kCodeYes, kConnectiveAnd}, {3, kCodeYes, 0}}, 5, 51, 1.0f);
    Rule(4, {{2, kCodeYes, 0}}, 7, 71, 1.0f);
    Rule(5, {{3, kCodeYes, 0}}, 7, 72, 1.0f);
    Answer(1, kCodeNo, 100);
    Answer(2, kCodeYes, 70);
    Answer(3, kCodeYes, 60);
    Consult({4, 5, 7});

    EXPECT_THAT(WhyNotKinds(4, 41), ElementsAre(TWhyNotKind::BelowMinimum, TWhyNotKind::PremiseFailed,
                                                TWhyNotKind::ConclusionBelowMinimum));
    EXPECT_THAT(WhyNotText(4, 41), HasSubstr("REGRA 1 (r1) rejeitada: a premissa 1, A = Sim, valeu 0% (A: Não 100%, "
                                             "resposta do usuário)"));
    EXPECT_THAT(WhyNotText(4, 41), HasSubstr("Disparou, mas REGRA 2 (r2): 70%; × CNF 40% = 28%, abaixo do mínimo de 50%"));
    EXPECT_THAT(WhyNotKinds(5, 51), ElementsAre(TWhyNotKind::RuleCnfBelowMinimum));
    EXPECT_THAT(WhyNotText(5, 51), HasSubstr("Rejeitada: REGRA 3 (r3): 70% E 60% = 42%, abaixo do mínimo de 50%"));
    EXPECT_THAT(WhyNotKinds(7, 72), ElementsAre(TWhyNotKind::AlreadySettled));
    EXPECT_THAT(WhyNotText(7, 72), HasSubstr("REGRA 5 (r5) não foi tentada: S já estava estabelecida (REGRA 4)"));
    EXPECT_THAT(WhyNotKinds(7, 71), ElementsAre(TWhyNotKind::Concluded, TWhyNotKind::Concluded));
}

TEST_F(Explain, WhyNotForValuesBelowTheMinimumReplacedNeverSoughtOrAnswered) {
    es.Vars().AddVariable(8, "N", false, false);
    es.Values().AddValue(81, "n1", 8, 1);
    // M holds x with only 40 %: rule 1 fires under the minimum.
    Rule(1, {{1, kCodeYes, 0}}, 5, 51, 0.4f);
    // R = alto is replaced by R = baixo from a later rule (R is concluded as a side effect of M's rules).
    Rule(2, {{1, kCodeYes, 0}}, 4, 41, 1.0f);
    es.Heads().AddConclusion(2, 5, 51, 0.0f);
    Rule(3, {{1, kCodeYes, 0}}, 4, 42, 1.0f);
    es.Heads().AddConclusion(3, 5, 51, 0.0f);
    // N's rule is never looked for: N is no target and no premise needs it.
    Rule(4, {{2, kCodeYes, 0}}, 8, 81, 1.0f);
    Answer(1, kCodeYes, 100);
    Consult({5});

    EXPECT_THAT(WhyNotKinds(5, 51).front(), TWhyNotKind::BelowMinimum);
    EXPECT_THAT(WhyNotText(5, 51), HasSubstr("M = x tem só 40%, abaixo do mínimo de 50%"));
    EXPECT_THAT(WhyNotKinds(4, 41), ElementsAre(TWhyNotKind::Replaced));
    EXPECT_THAT(WhyNotKinds(8, 81), ElementsAre(TWhyNotKind::NotSought));
    EXPECT_THAT(WhyNotText(8, 81), HasSubstr("REGRA 4 (r4) não foi tentada: N nunca foi procurada"));
    // A is asked: no rule concludes it, and the user answered Sim.
    EXPECT_THAT(WhyNotKinds(1, kCodeNo), ElementsAre(TWhyNotKind::NoRuleConcludes, TWhyNotKind::Answered));
    EXPECT_THAT(WhyNotText(1, kCodeNo), HasSubstr("que respondeu Sim 100%"));
}

TEST_F(Explain, CoverageCountsEvaluatedAndFiredRules) {
    Rule(1, {{1, kCodeYes, 0}}, 4, 41, 1.0f);
    Rule(2, {{2, kCodeYes, 0}}, 4, 42, 1.0f);
    Rule(3, {{3, kCodeYes, 0}}, 5, 51, 1.0f);
    Answer(1, kCodeNo, 100);
    Answer(2, kCodeYes, 100);
    Consult({4});
    TRuleCoverage coverage;
    coverage.Add(recorder);
    const auto report = coverage.Report(es);
    ASSERT_EQ(report.Fired.size(), 1u);
    EXPECT_EQ(report.Fired[0].Number, 2);
    ASSERT_EQ(report.EvaluatedNotFired.size(), 1u);
    EXPECT_EQ(report.EvaluatedNotFired[0].Number, 1);
    ASSERT_EQ(report.NeverEvaluated.size(), 1u);
    EXPECT_EQ(report.NeverEvaluated[0].Number, 3);
}

}  // namespace
}  // namespace quorvel::test
