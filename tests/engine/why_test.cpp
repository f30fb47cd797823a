#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ExConsts.h"
#include "ExSystem.h"
#include "ExText.h"
#include "ExWhy.h"
#include "TestSupport.h"

namespace quorvel {
namespace {

using test::TCapturingSink;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr int32_t kFlu = 1;    // provável, improvável
constexpr int32_t kFever = 2;  // yes/no
constexpr int32_t kCough = 3;  // yes/no
constexpr int32_t kTemp = 4;   // numeric
constexpr int32_t kCare = 5;   // yes/no with reasons of its own
constexpr int32_t kLikely = 10;
constexpr int32_t kUnlikely = 11;
constexpr int32_t kF38 = 1;  // formula "38,5"

constexpr int32_t kFluRule = 4;   // Febre = Sim E Tosse = Sim -> Gripe = provável
constexpr int32_t kTempRule = 6;  // Temp > 38,5 E NÃO Febre = Não -> Gripe = improvável, Cuidado = Sim

class Why : public ::testing::Test {
protected:
    Why() {
        sys.Vars().AddVariable(kFlu, "Gripe", false, false);
        sys.Vars().AddVariable(kFever, "Febre", false, false);
        sys.Vars().AddVariable(kCough, "Tosse", false, false);
        sys.Vars().AddVariable(kTemp, "Temp", false, true);
        sys.Vars().AddVariable(kCare, "Cuidado", false, false);
        sys.Values().AddValue(kLikely, "prov\xE1vel", kFlu, 1);
        sys.Values().AddValue(kUnlikely, "improv\xE1vel", kFlu, 2);
        sys.Formulas().Add(kF38, "38,5");
        sys.Rules().AddRule(kFluRule, "Gripe", 1);
        sys.Tails().AddPremise(kFluRule, kFever, "=", kCodeYes, 0, false);
        sys.Tails().AddPremise(kFluRule, kCough, "=", kCodeYes, 2, false);
        sys.Heads().AddConclusion(kFluRule, kFlu, kLikely, 0.9f);
        sys.Rules().AddRule(kTempRule, "Temperatura", 2);
        sys.Tails().AddPremise(kTempRule, kTemp, ">", kF38, 0, false);
        sys.Tails().AddPremise(kTempRule, kFever, "=", kCodeNo, 2, true);
        sys.Heads().AddConclusion(kTempRule, kFlu, kUnlikely, 0.7f);
        sys.Heads().AddConclusion(kTempRule, kCare, kCodeYes, 1.0f);
        const std::vector<std::string> reasons = {"Cuidados dependem", "da temperatura."};
        sys.Questions().AddQuestion(kCare, "Precisa de cuidado?", true, &reasons);
        sys.Questions().AddQuestion(kCough, "Tem tosse?", true);
    }

    // The premise the engine took up last: premise `index` (from 1) of a rule.
    void TakeUp(int32_t rule, int index) { sys.CurrentPremise = TPosition{rule, index, true}; }

    TCapturingSink sink;
    TExpertSystem sys{&sink};
    TWhyText why{sys};
};

TEST_F(Why, ExplainsFromTheRuleOrTheQuestionsOwnReasons) {
    struct Case {
        const char* name;
        int32_t level;
        std::optional<std::pair<int32_t, int>> premise;  // rule, index
        int32_t asked;
        std::vector<std::string> lines;  // UTF-8
    };
    const Case cases[] = {
        {"the issue's example: the asked premise is marked",
         kAccessFull,
         std::pair{kFluRule, 2},
         kCough,
         {"Para concluir", " -  Gripe = provável", "eu preciso saber se", " -  Febre = Sim", "==> Tosse = Sim"}},
        {"a numeric premise shows its formula; negation is not shown; every conclusion listed",
         kAccessFull,
         std::pair{kTempRule, 1},
         kTemp,
         {"Para concluir", " -  Gripe = improvável", " -  Cuidado = Sim", "eu preciso saber se", "==> Temp > 38,5",
          " -  Febre = Não"}},
        {"the asked variable is marked even when the rule reached it through another premise",
         kAccessConsultAndView,
         std::pair{kTempRule, 2},
         kFever,
         {"Para concluir", " -  Gripe = improvável", " -  Cuidado = Sim", "eu preciso saber se", " -  Temp > 38,5",
          "==> Febre = Não"}},
        {"no premise taken up yet: a target",
         kAccessFull,
         std::nullopt,
         kCough,
         {"Este é um dos objetivos do sistema."}},
        {"reasons of the question win over the rule",
         kAccessFull,
         std::pair{kFluRule, 2},
         kCare,
         {"Cuidados dependem", "da temperatura."}},
        {"reasons are shown even for an execution-only base",
         kAccessConsultOnly,
         std::pair{kFluRule, 1},
         kCare,
         {"Cuidados dependem", "da temperatura."}},
        {"an execution-only base explains nothing else", kAccessConsultOnly, std::pair{kFluRule, 2}, kCough, {}},
        {"an execution-only base says nothing about targets either", kAccessConsultOnly, std::nullopt, kFlu, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sys.AccessLevel = c.level;
        sys.CurrentPremise.reset();
        if (c.premise) TakeUp(c.premise->first, c.premise->second);
        std::vector<std::string> lines;
        for (const auto& line : why.Fill(c.asked)) lines.push_back(Cp1252ToUtf8(line));
        EXPECT_THAT(lines, ElementsAreArray(c.lines));
        EXPECT_EQ(why.Lines().size(), c.lines.size());
    }
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST_F(Why, LeavesCursorsAndTheCurrentPremiseAsTheyWere) {
    TakeUp(kTempRule, 2);
    const TPosition premise = *sys.CurrentPremise;
    // Cursors left where an iteration of the engine might have them.
    sys.Vars().FindName("Tosse");
    sys.Values().FindByVarCode(kFlu);
    sys.Values().Next();
    sys.Heads().Find(kFluRule);
    sys.Tails().Find(kFluRule);
    sys.Questions().Find(kCough);
    sys.Formulas().Find(kF38);
    std::vector<TSingleIndexTree*> trees = {&sys.Vars(),  &sys.Values(),    &sys.Heads(),
                                            &sys.Tails(), &sys.Questions(), &sys.Formulas()};
    std::vector<TSingleIndexTree::TCursorState> before;
    for (auto* t : trees) before.push_back(t->SaveCursors());

    for (int32_t asked : {kFever, kCare}) why.Fill(asked);

    for (std::size_t i = 0; i < trees.size(); ++i) {
        const auto after = trees[i]->SaveCursors();
        EXPECT_EQ(after.activeKey, before[i].activeKey) << i;
        for (int key = 0; key < 3; ++key) EXPECT_EQ(after.at[key], before[i].at[key]) << i << " key " << key;
    }
    ASSERT_TRUE(sys.CurrentPremise.has_value());
    EXPECT_EQ(sys.CurrentPremise->RuleCode, premise.RuleCode);
    EXPECT_EQ(sys.CurrentPremise->Index, premise.Index);
}

TEST_F(Why, LookupFaultsShowTheirMessagesAndPlaceholders) {
    // A rule that names a value and a variable that are gone.
    sys.Rules().AddRule(8, "Quebrada", 3);
    sys.Tails().AddPremise(8, 77, "=", kCodeYes, 0, false);
    sys.Tails().AddPremise(8, kFlu, "=", 55, 2, false);
    sys.Heads().AddConclusion(8, kFlu, kLikely, 1.0f);
    TakeUp(8, 2);
    std::vector<std::string> lines;
    for (const auto& line : why.Fill(kFlu)) lines.push_back(Cp1252ToUtf8(line));
    EXPECT_THAT(lines, ElementsAre("Para concluir", " -  Gripe = provável", "eu preciso saber se", " -  ??? = ???",
                                   "==> Gripe = ???"));
    EXPECT_THAT(sink.Messages, ElementsAre(test::Shown(TMsgKind::Error, msg::NoSuchVariable),
                                           test::Shown(TMsgKind::Error, msg::NoSuchValue)));
}

}  // namespace
}  // namespace quorvel
