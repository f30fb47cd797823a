// The dependency analysis: the trees of the targets, "Usuário" leaves,
// circles with their conflict lines, and bases whose trees would be too deep
// or too large to build naively.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ExDepend.h"
#include "ExSystem.h"
#include "ExText.h"
#include "TestSupport.h"

namespace quorvel {
namespace {

using test::Shown;
using test::TCapturingSink;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

// A rule: the variable it concludes and the variables of its premises.
struct TRuleSpec {
    std::string concludes;
    std::vector<std::string> premises;
};

// A base of yes/no variables, coded 1, 2, ... in the order named; rules
// coded and numbered in the order given; targets by name.
void MakeBase(TExpertSystem& engine, const std::vector<std::string>& vars, const std::vector<TRuleSpec>& rules,
              const std::vector<std::string>& targets) {
    engine.ClearBase();
    std::map<std::string, int32_t> code;
    for (const std::string& name : vars) {
        code[name] = static_cast<int32_t>(code.size()) + 1;
        engine.Vars().AddVariable(code[name], name, false, false);
    }
    int32_t ruleCode = 0;
    for (const TRuleSpec& rule : rules) {
        ++ruleCode;
        engine.Rules().AddRule(ruleCode, "R" + std::to_string(ruleCode), ruleCode);
        for (std::size_t i = 0; i < rule.premises.size(); ++i)
            engine.Tails().AddPremise(ruleCode, code.at(rule.premises[i]), "=", kCodeYes,
                                      i + 1 == rule.premises.size() ? 2 : 0, false);
        engine.Heads().AddConclusion(ruleCode, code.at(rule.concludes), kCodeYes, 1.0f);
    }
    for (const std::string& target : targets) engine.Targets().Add(code.at(target));
}

std::vector<std::string> ConflictLines(const TDependencyAnalysis& analysis) {
    std::vector<std::string> lines;
    for (const TDependConflict& conflict : analysis.Conflicts())
        lines.push_back(Cp1252ToUtf8(analysis.ConflictLine(conflict)));
    return lines;
}

std::vector<std::string> Trees(const TDependencyAnalysis& analysis) {
    std::vector<std::string> lines;
    for (const std::string& line : analysis.RenderTrees()) lines.push_back(Cp1252ToUtf8(line));
    return lines;
}

TEST(Dependencies, TreesAndConflictsOfSmallBases) {
    struct Case {
        const char* name;
        std::vector<std::string> vars;
        std::vector<TRuleSpec> rules;
        std::vector<std::string> targets;
        std::vector<std::string> trees;
        std::vector<std::string> conflicts;
    };
    const Case cases[] = {
        {"no targets: an empty tree", {"A", "B"}, {{"A", {"B"}}}, {}, {}, {}},
        {"a target no rule concludes", {"A"}, {}, {"A"}, {"A", "  Usuário"}, {}},
        {"A needs B, B needs A",
         {"A", "B"},
         {{"A", {"B"}}, {"B", {"A"}}},
         {"A"},
         {"A", "  B", "    A", "      CONFLITO!"},
         {"Dependência circular entre B e A"}},
        {"a variable used by several rules of one variable appears once",
         {"A", "B", "C"},
         {{"A", {"B", "C"}}, {"A", {"C", "B"}}, {"A", {"B"}}},
         {"A"},
         {"A", "  B", "    Usuário", "  C", "    Usuário"},
         {}},
        {"premises in code order, whatever the rules' order",
         {"A", "B", "C", "D"},
         {{"A", {"D"}}, {"A", {"C", "B"}}},
         {"A"},
         {"A", "  B", "    Usuário", "  C", "    Usuário", "  D", "    Usuário"},
         {}},
        {"a variable reached from two targets is expanded under each",
         {"A", "B", "C", "D"},
         {{"A", {"C"}}, {"B", {"C"}}, {"C", {"D"}}},
         {"A", "B"},
         {"A", "  C", "    D", "      Usuário", "B", "  C", "    D", "      Usuário"},
         {}},
        {"a rule without premises concludes a leaf with no children",
         {"A", "B"},
         {{"A", {"B"}}, {"B", {}}},
         {"A"},
         {"A", "  B"},
         {}},
        {"a variable that concludes itself",
         {"A"},
         {{"A", {"A"}}},
         {"A"},
         {"A", "  A", "    CONFLITO!"},
         {"Dependência circular entre A e A"}},
        {"the same circle met from each target",
         {"A", "B", "C"},
         {{"A", {"B"}}, {"B", {"C"}}, {"C", {"B"}}},
         {"A", "C"},
         {"A", "  B", "    C", "      B", "        CONFLITO!", "C", "  B", "    C", "      CONFLITO!"},
         {"Dependência circular entre C e B", "Dependência circular entre B e C"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TCapturingSink sink;
        TExpertSystem engine(&sink);
        MakeBase(engine, c.vars, c.rules, c.targets);
        const TDependencyAnalysis analysis(engine);
        EXPECT_THAT(Trees(analysis), ElementsAreArray(c.trees));
        EXPECT_THAT(ConflictLines(analysis), ElementsAreArray(c.conflicts));
        EXPECT_EQ(analysis.HasConflict(), !c.conflicts.empty());
        EXPECT_FALSE(analysis.Truncated());
        EXPECT_THAT(sink.Messages, IsEmpty());
    }
}

// The conflict names the node that shows it, the images follow the kinds,
// and the links between nodes hold together.
TEST(Dependencies, ConflictPointsAtItsNodeInPreOrder) {
    TExpertSystem engine;
    MakeBase(engine, {"A", "B", "U"}, {{"A", {"B", "U"}}, {"B", {"A"}}}, {"A"});
    const TDependencyAnalysis analysis(engine);
    // A(0) B(1) A(2) CONFLITO!(3) U(4) Usuário(5)
    ASSERT_EQ(analysis.Nodes().size(), 6u);
    ASSERT_EQ(analysis.Conflicts().size(), 1u);
    const TDependConflict& conflict = analysis.Conflicts().front();
    EXPECT_EQ(conflict.VarCode, 2);
    EXPECT_EQ(conflict.PremiseVarCode, 1);
    EXPECT_EQ(conflict.NodeIndex, 2);

    std::vector<int> images;
    std::vector<int> parents;
    for (const TDependNode& node : analysis.Nodes()) {
        images.push_back(node.Image());
        parents.push_back(node.Parent);
        for (int child : node.Children)
            EXPECT_EQ(analysis.Nodes()[static_cast<std::size_t>(child)].Level, node.Level + 1);
    }
    EXPECT_THAT(images, ElementsAre(kDependImageVariable, kDependImageVariable, kDependImageVariable,
                                    kDependImageConflict, kDependImageVariable, kDependImageUser));
    EXPECT_THAT(parents, ElementsAre(-1, 0, 1, 2, 0, 4));
    EXPECT_THAT(analysis.Roots(), ElementsAre(0));
}

TEST(Dependencies, LeavesTheEnginesCursorsAlone) {
    TExpertSystem engine;
    MakeBase(engine, {"A", "B", "C"}, {{"A", {"B"}}, {"B", {"C"}}, {"A", {"C"}}}, {"A"});
    engine.Vars().FindName("C");
    engine.Tails().Find(2);
    engine.Heads().Last();
    const auto vars = engine.Vars().SaveCursors();
    const auto tails = engine.Tails().SaveCursors();
    const auto heads = engine.Heads().SaveCursors();

    const TDependencyAnalysis analysis(engine);
    EXPECT_EQ(analysis.Nodes().size(), 6u);
    const auto same = [](const TSingleIndexTree::TCursorState& a, const TSingleIndexTree::TCursorState& b) {
        return a.activeKey == b.activeKey && a.at[0] == b.at[0] && a.at[1] == b.at[1] && a.at[2] == b.at[2];
    };
    EXPECT_TRUE(same(engine.Vars().SaveCursors(), vars));
    EXPECT_TRUE(same(engine.Tails().SaveCursors(), tails));
    EXPECT_TRUE(same(engine.Heads().SaveCursors(), heads));
}

// A premise on a variable the base lacks (a damaged base) shows "???" and
// is reported once, however many rules name it.
TEST(Dependencies, MissingVariableIsReportedOnce) {
    TCapturingSink sink;
    TExpertSystem engine(&sink);
    MakeBase(engine, {"A", "B"}, {}, {"A", "B"});
    for (int32_t rule : {1, 2}) {
        engine.Rules().AddRule(rule, "R", rule);
        engine.Tails().AddPremise(rule, 99, "=", kCodeYes, 2, false);
        engine.Heads().AddConclusion(rule, rule, kCodeYes, 1.0f);
    }
    const TDependencyAnalysis analysis(engine);
    EXPECT_THAT(Trees(analysis), ElementsAre("A", "  ???", "    Usuário", "B", "  ???", "    Usuário"));
    EXPECT_THAT(sink.Messages, ElementsAre(Shown(TMsgKind::Error, "Uma variável inexistente foi requerida!")));
}

// A chain of rules far deeper than any call stack: V1 needs V2, ... the
// last is asked. The walk keeps its own stack.
TEST(Dependencies, VeryLongChainOfRules) {
    constexpr int32_t kLength = 50000;
    TExpertSystem engine;
    for (int32_t v = 1; v <= kLength; ++v) engine.Vars().AddVariable(v, "V" + std::to_string(v), false, false);
    for (int32_t v = 1; v < kLength; ++v) {
        engine.Rules().AddRule(v, "R", v);
        engine.Tails().AddPremise(v, v + 1, "=", kCodeYes, 2, false);
        engine.Heads().AddConclusion(v, v, kCodeYes, 1.0f);
    }
    // ... and the last one closes a circle back to the middle.
    engine.Rules().AddRule(kLength, "R", kLength);
    engine.Tails().AddPremise(kLength, kLength / 2, "=", kCodeYes, 2, false);
    engine.Heads().AddConclusion(kLength, kLength, kCodeYes, 1.0f);
    engine.Targets().Add(1);

    const TDependencyAnalysis analysis(engine);
    ASSERT_EQ(analysis.Nodes().size(), static_cast<std::size_t>(kLength) + 2);
    EXPECT_EQ(analysis.Nodes().back().Level, kLength + 1);
    EXPECT_THAT(ConflictLines(analysis), ElementsAre("Dependência circular entre V" + std::to_string(kLength) + " e V" +
                                                     std::to_string(kLength / 2)));
}

// Layers of two variables, each needing both of the next layer: the tree
// doubles with every layer. It stops growing at the limit, and the verdict
// on circles still covers what was not drawn: a circle through X hangs
// under L1b, which the walk would only reach after the whole L1a subtree.
TEST(Dependencies, ExponentialTreeStopsAtTheLimitWithATrueVerdict) {
    constexpr int kLayers = 40;
    constexpr std::size_t kLimit = 5000;
    for (bool circle : {false, true}) {
        SCOPED_TRACE(circle ? "circle at the bottom" : "no circle");
        std::vector<std::string> vars;
        std::vector<TRuleSpec> rules;
        const auto name = [](int layer, int which) { return "L" + std::to_string(layer) + (which ? "b" : "a"); };
        for (int layer = 0; layer < kLayers; ++layer)
            for (int which : {0, 1}) vars.push_back(name(layer, which));
        for (int layer = 0; layer + 1 < kLayers; ++layer)
            for (int which : {0, 1}) rules.push_back({name(layer, which), {name(layer + 1, 0), name(layer + 1, 1)}});
        vars.push_back("X");
        if (circle) {
            rules.push_back({name(1, 1), {"X"}});
            rules.push_back({"X", {name(1, 1)}});
        }
        TExpertSystem engine;
        MakeBase(engine, vars, rules, {name(0, 0)});

        const TDependencyAnalysis analysis(engine, kLimit);
        EXPECT_TRUE(analysis.Truncated());
        EXPECT_EQ(analysis.Nodes().size(), kLimit);
        EXPECT_EQ(analysis.HasConflict(), circle);
        EXPECT_THAT(analysis.Conflicts(), IsEmpty());
    }
}

}  // namespace
}  // namespace quorvel
