#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "ExConsts.h"
#include "ExDataSt.h"
#include "ExText.h"
#include "TestSupport.h"

namespace quorvel {
namespace {

using test::Shown;
using test::TCapturingSink;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

// The codes met walking the active key's chain from First to Eof.
std::vector<int32_t> WalkCodes(TSingleIndexTree& tree) {
    std::vector<int32_t> codes;
    for (tree.First(); !tree.Eof(); tree.Next()) codes.push_back(tree.GetCode());
    return codes;
}

std::string ReadLost(const char* property) { return std::string(msg::ReadLostPointer) + "\"" + property + "\""; }
std::string WriteLost(const char* property) { return std::string(msg::WriteLostPointer) + "\"" + property + "\""; }

// ------------------------------------------------------------ cursors and keys

TEST(ContainerCursors, EqualKeysAreVisitedInInsertionOrder) {
    TCapturingSink sink;
    THeads heads(&sink);
    // The conclusions X, Y, Z of rule 5 interleaved with other rules' lines.
    heads.AddConclusion(6, 90, 0, 0.1f);
    heads.AddConclusion(5, 10, 1, 0.2f);  // X
    heads.AddConclusion(4, 91, 0, 0.3f);
    heads.AddConclusion(5, 20, 2, 0.4f);  // Y
    heads.AddConclusion(6, 92, 0, 0.5f);
    heads.AddConclusion(5, 30, 3, 0.6f);  // Z

    std::vector<int32_t> run;
    for (heads.Find(5); !heads.Eof() && heads.GetCode() == 5; heads.Next()) run.push_back(heads.GetVarCode());
    EXPECT_THAT(run, ElementsAre(10, 20, 30));
    EXPECT_THAT(WalkCodes(heads), ElementsAre(4, 5, 5, 5, 6, 6));

    TTails tails(&sink);
    for (int32_t var : {7, 8, 9}) tails.AddPremise(3, var, "=", -2, var == 9 ? 2 : 0, false);
    tails.AddPremise(2, 1, "=", -2, 2, false);
    run.clear();
    for (tails.Find(3); !tails.Eof() && tails.GetCode() == 3; tails.Next()) run.push_back(tails.GetVarCode());
    EXPECT_THAT(run, ElementsAre(7, 8, 9));
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST(ContainerCursors, EachKeyKeepsItsCursorAndTheActiveKeyDecides) {
    TCapturingSink sink;
    TVars vars(&sink);
    vars.AddVariable(2, "beta", false, false);
    vars.AddVariable(1, "gama", false, false);
    vars.AddVariable(3, "alfa", false, false);
    EXPECT_EQ(vars.ActiveKey(), kKeyCode);
    EXPECT_EQ(vars.GetCode(), 3);  // Add puts the code cursor on the new record

    ASSERT_TRUE(vars.Find(1));
    ASSERT_TRUE(vars.FindName("ALFA"));
    EXPECT_EQ(vars.ActiveKey(), kKeyName);
    EXPECT_EQ(vars.GetCode(), 3);
    vars.Next();
    EXPECT_EQ(vars.GetName(), "beta");
    vars.SetActiveKey(kKeyCode);  // the code cursor did not move meanwhile
    EXPECT_EQ(vars.GetName(), "gama");
    vars.Next();
    EXPECT_EQ(vars.GetCode(), 2);
    vars.Find(3);  // Find makes the code key active again
    vars.SetActiveKey(kKeyName);
    EXPECT_EQ(vars.GetName(), "beta");

    EXPECT_THAT(WalkCodes(vars), ElementsAre(3, 2, 1));  // by name: alfa, beta, gama
    vars.SetActiveKey(kKeyCode);
    EXPECT_THAT(WalkCodes(vars), ElementsAre(1, 2, 3));

    TValues values(&sink);
    values.AddValue(1, "Alto", 20, 1);
    values.AddValue(2, "Baixo", 10, 1);
    values.AddValue(3, "Medio", 20, 2);
    values.AddValue(4, "Sim", 10, 2);
    ASSERT_TRUE(values.FindByVarCode(20));
    EXPECT_EQ(values.ActiveKey(), kKeyThird);
    std::vector<int32_t> run;
    for (; !values.Eof() && values.GetVarCode() == 20; values.Next()) run.push_back(values.GetCode());
    EXPECT_THAT(run, ElementsAre(1, 3));
    EXPECT_THAT(WalkCodes(values), ElementsAre(2, 4, 1, 3));
    EXPECT_FALSE(values.FindByVarCode(30));
    EXPECT_TRUE(values.Eof());

    TRules rules(&sink);
    rules.AddRule(1, "R1", 2);
    rules.AddRule(2, "R2", 1);
    ASSERT_TRUE(rules.FindByOrder(1));
    EXPECT_EQ(rules.GetCode(), 2);
    rules.SetOrder(3);  // the rule moves to the end of the order chain and keeps its cursor
    EXPECT_EQ(rules.GetCode(), 2);
    EXPECT_EQ(rules.GetOrder(), 3);
    EXPECT_THAT(WalkCodes(rules), ElementsAre(1, 2));
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST(ContainerNavigation, MovesAlongTheChainAndWarnsPastTheEnds) {
    TCapturingSink sink;
    TSingleIndexTree tree(&sink);
    tree.First();
    EXPECT_TRUE(tree.Eof());
    tree.Last();
    EXPECT_TRUE(tree.Eof());
    for (int32_t code : {2, 3, 1}) tree.Add(code);

    tree.Last();
    EXPECT_EQ(tree.GetCode(), 3);
    tree.Prior();
    EXPECT_EQ(tree.GetCode(), 2);
    tree.Prior();
    tree.Prior();  // off the first record: the cursor empties without a message
    EXPECT_TRUE(tree.Eof());
    EXPECT_THAT(sink.Messages, IsEmpty());
    tree.Prior();
    tree.Next();
    EXPECT_TRUE(tree.Eof());
    EXPECT_THAT(sink.Messages, ElementsAre(Shown(TMsgKind::Warning, msg::MoveBeforeStart),
                                           Shown(TMsgKind::Warning, msg::MoveAfterEnd)));
    sink.Clear();

    tree.First();
    EXPECT_EQ(tree.GetCode(), 1);
    tree.Next();
    tree.Next();
    tree.Next();  // off the last record: Eof, no message
    EXPECT_TRUE(tree.Eof());
    EXPECT_THAT(sink.Messages, IsEmpty());

    EXPECT_FALSE(tree.Find(7));
    EXPECT_TRUE(tree.Eof());
    EXPECT_EQ(tree.GetCode(), 0);
    EXPECT_THAT(sink.Messages, ElementsAre(Shown(TMsgKind::Warning, ReadLost(msg::PropCode))));
}

// ----------------------------------------------------------------- lookups

TEST(ContainerFind, NamesCompareWithoutCaseAndTheFirstAddedWins) {
    TCapturingSink sink;
    TVars vars(&sink);
    vars.AddVariable(1, "febre", false, false);
    vars.AddVariable(2, "Febre", true, false);
    vars.AddVariable(3, "A\xE7\xE3o", false, false);  // "Ação"
    vars.AddVariable(4, "fe", false, false);

    ASSERT_TRUE(vars.FindName("FEBRE"));
    EXPECT_EQ(vars.GetCode(), 1);
    vars.Next();
    EXPECT_EQ(vars.GetCode(), 2);
    EXPECT_EQ(vars.GetName(), "Febre");
    EXPECT_TRUE(vars.FindName("a\xC7\xC3O"));
    EXPECT_EQ(vars.GetCode(), 3);
    EXPECT_FALSE(vars.FindName("febr"));
    EXPECT_TRUE(vars.Eof());
    EXPECT_EQ(vars.ActiveKey(), kKeyName);
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST(ContainerFind, FindNameInVarTakesTheValueOfThatVariable) {
    TCapturingSink sink;
    TValues values(&sink);
    values.AddValue(1, "Alto", 1, 1);
    values.AddValue(2, "alto", 2, 1);
    values.AddValue(3, "ALTO", 3, 1);
    values.AddValue(4, "Baixo", 2, 2);

    struct Case {
        const char* name;
        int32_t var;
        std::optional<int32_t> code;
    };
    const Case cases[] = {
        {"Alto", 1, 1},
        {"alto", 2, 2},
        {"Alto", 3, 3},
        {"BAIXO", 2, 4},
        {"Alto", 4, std::nullopt},
        {"Baixo", 1, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " in " + std::to_string(c.var));
        EXPECT_EQ(values.FindNameInVar(c.name, c.var), c.code.has_value());
        EXPECT_EQ(values.ActiveKey(), kKeyName);
        if (c.code) {
            EXPECT_EQ(values.GetCode(), *c.code);
        } else {
            // Empty, or on a record of another name: never on a same-named value of another variable.
            EXPECT_TRUE(values.Eof() || !AnsiSameText(values.GetName(), c.name));
        }
    }
    EXPECT_THAT(sink.Messages, IsEmpty());
}

// -------------------------------------------------------------- deleting

TEST(ContainerDelete, WarnsOnAnEmptyCursor) {
    TCapturingSink sink;
    TVars vars(&sink);
    vars.AddVariable(1, "a", false, false);
    vars.Find(2);
    vars.DeleteCurrent();
    EXPECT_EQ(vars.Count(), 1);
    EXPECT_THAT(sink.Messages, ElementsAre(Shown(TMsgKind::Warning, msg::DeleteLostPointer)));
}

TEST(ContainerDelete, OnARunOfEqualCodesRemovesTheRunsFirstRecord) {
    TCapturingSink sink;
    THeads heads(&sink);
    heads.AddConclusion(5, 10, 1, 0.1f);  // X
    heads.AddConclusion(5, 20, 2, 0.2f);  // Y
    heads.AddConclusion(5, 30, 3, 0.3f);  // Z
    heads.AddConclusion(6, 40, 4, 0.4f);

    heads.Find(5);
    heads.Next();  // on Y
    heads.DeleteCurrent();
    EXPECT_EQ(heads.Count(), 3);
    EXPECT_EQ(heads.GetVarCode(), 30);  // the cursor moved to what followed Y
    std::vector<int32_t> run;
    for (heads.Find(5); !heads.Eof() && heads.GetCode() == 5; heads.Next()) run.push_back(heads.GetVarCode());
    EXPECT_THAT(run, ElementsAre(20, 30));

    // Callers delete a whole run from its first record on.
    for (heads.Find(5); !heads.Eof() && heads.GetCode() == 5;) heads.DeleteCurrent();
    EXPECT_EQ(heads.GetCode(), 6);
    EXPECT_EQ(heads.Count(), 1);
    heads.DeleteCurrent();
    EXPECT_TRUE(heads.Eof());
    EXPECT_EQ(heads.Count(), 0);
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST(ContainerDelete, TheCursorOfTheActiveKeyMovesToTheNextRecord) {
    TCapturingSink sink;
    TValues values(&sink);
    values.AddValue(1, "c", 7, 1);
    values.AddValue(2, "a", 7, 2);
    values.AddValue(3, "b", 8, 1);

    ASSERT_TRUE(values.FindName("a"));
    values.DeleteCurrent();
    EXPECT_EQ(values.GetName(), "b");
    EXPECT_FALSE(values.Find(2));
    EXPECT_FALSE(values.FindNameInVar("a", 7));

    ASSERT_TRUE(values.FindByVarCode(7));
    values.DeleteCurrent();
    EXPECT_EQ(values.GetCode(), 3);
    EXPECT_EQ(values.ActiveKey(), kKeyThird);
    values.DeleteCurrent();
    EXPECT_TRUE(values.Eof());
    EXPECT_EQ(values.Count(), 0);
    EXPECT_THAT(sink.Messages, IsEmpty());
}

// --------------------------------------------------------------- renaming

TEST(ContainerRename, KeepsCodeAndFieldsAndRepositionsByTheActiveKey) {
    TCapturingSink sink;
    TVars vars(&sink);
    vars.AddVariable(7, "peso", false, true);
    vars.AddVariable(3, "idade", true, false);
    vars.AddVariable(9, "nome", false, false);

    vars.Find(7);
    vars.Rename("Massa");
    EXPECT_EQ(vars.ActiveKey(), kKeyCode);
    EXPECT_EQ(vars.GetCode(), 7);
    EXPECT_EQ(vars.GetName(), "Massa");
    EXPECT_TRUE(vars.GetNumeric());
    EXPECT_FALSE(vars.GetMultivalued());
    EXPECT_EQ(vars.Count(), 3);
    EXPECT_FALSE(vars.FindName("peso"));
    ASSERT_TRUE(vars.FindName("MASSA"));
    EXPECT_EQ(vars.GetCode(), 7);

    ASSERT_TRUE(vars.FindName("idade"));
    vars.Rename("zeta");
    EXPECT_EQ(vars.ActiveKey(), kKeyName);
    EXPECT_EQ(vars.GetCode(), 3);
    EXPECT_TRUE(vars.GetMultivalued());
    vars.Next();  // zeta is now last by name
    EXPECT_TRUE(vars.Eof());

    TValues values(&sink);
    values.AddValue(1, "Baixo", 1, 1);
    values.AddValue(2, "Alto", 2, 1);
    values.AddValue(3, "Medio", 2, 2);
    ASSERT_TRUE(values.FindName("medio"));
    values.Rename("Baixo");  // the same name as a value of variable 1, added earlier
    EXPECT_EQ(values.ActiveKey(), kKeyName);
    EXPECT_EQ(values.GetCode(), 3);
    EXPECT_EQ(values.GetVarCode(), 2);
    EXPECT_EQ(values.GetPosition(), 2);

    ASSERT_TRUE(values.FindByVarCode(2));
    values.Next();
    values.Rename("Muito alto");
    EXPECT_EQ(values.ActiveKey(), kKeyThird);
    EXPECT_EQ(values.GetCode(), 2);  // the first value of the variable
    EXPECT_THAT(sink.Messages, IsEmpty());

    values.Find(99);
    values.Rename("x");
    EXPECT_EQ(values.Count(), 3);
    EXPECT_FALSE(values.FindName("x"));
    EXPECT_THAT(sink.Messages, ElementsAre(Shown(TMsgKind::Warning, msg::DeleteLostPointer)));
}

// ---------------------------------------------------------- code assignment

TEST(LowestFreeCode, IsTheFirstPositiveCodeNotInUse) {
    struct Case {
        std::vector<int32_t> codes;
        int32_t expected;
    };
    const Case cases[] = {
        {{1, 2, 4}, 3}, {{}, 1}, {{2, 3}, 1}, {{3, 1, 2}, 4}, {{-1, 0, -7}, 1}, {{1, 1, 2, 2}, 3}, {{1, 32767}, 2},
    };
    for (const auto& c : cases) {
        TSingleIndexTree tree;
        for (int32_t code : c.codes) tree.Add(code);
        EXPECT_EQ(tree.LowestFreeCode(), c.expected) << ::testing::PrintToString(c.codes);
    }
}

TEST(LowestFreeCode, ReusesDeletedCodesAndLeavesTheCursorsAlone) {
    TCapturingSink sink;
    TValues values(&sink);
    for (int32_t code : {1, 2, 3}) values.AddValue(code, "v" + std::to_string(code), 1, code);
    values.Find(2);
    values.DeleteCurrent();
    EXPECT_EQ(values.LowestFreeCode(), 2);
    values.AddValue(values.LowestFreeCode(), "novo", 1, 3);
    EXPECT_EQ(values.LowestFreeCode(), 4);

    // A run of equal codes frees its code only with its last record.
    THeads heads(&sink);
    heads.AddConclusion(1, 0, 0, 0);
    heads.AddConclusion(1, 0, 0, 0);
    heads.Find(1);
    heads.DeleteCurrent();
    EXPECT_EQ(heads.LowestFreeCode(), 2);
    heads.DeleteCurrent();
    EXPECT_EQ(heads.LowestFreeCode(), 1);

    ASSERT_TRUE(values.FindName("v3"));
    values.LowestFreeCode();
    EXPECT_EQ(values.ActiveKey(), kKeyName);
    EXPECT_EQ(values.GetCode(), 3);
    EXPECT_THAT(sink.Messages, IsEmpty());
}

// ----------------------------------------------------------- balanced order

TEST(BalancedOrder, VisitsTheMiddleFirstAndEveryRecordOnce) {
    struct Case {
        int32_t n;
        std::vector<int32_t> positions;
    };
    const Case cases[] = {
        {0, {}}, {1, {0}}, {2, {1, 0}}, {3, {1, 0, 2}}, {4, {2, 0, 1, 3}}, {7, {3, 5, 1, 2, 4, 0, 6}},
    };
    for (const auto& c : cases)
        EXPECT_THAT(TSingleIndexTree::BalancedPositions(c.n), ElementsAreArray(c.positions)) << "n = " << c.n;

    for (int32_t n = 0; n <= 600; ++n) {
        std::vector<int32_t> order = TSingleIndexTree::BalancedPositions(n);
        ASSERT_EQ(order.size(), static_cast<std::size_t>(n));
        if (n > 0) {
            ASSERT_EQ(order.front(), n / 2);
        }
        std::sort(order.begin(), order.end());
        for (int32_t i = 0; i < n; ++i) ASSERT_EQ(order[static_cast<std::size_t>(i)], i) << "n = " << n;
    }

    TCapturingSink sink;
    TVars vars(&sink);
    for (int32_t code : {16, 10, 13, 11, 15, 12, 14})
        vars.AddVariable(code, std::string(1, char('a' + 16 - code)), false, false);
    ASSERT_TRUE(vars.FindName("c"));
    std::vector<int32_t> codes;
    for (const TNode* node : vars.BalancedOrder(kKeyCode)) codes.push_back(node->Code);
    EXPECT_THAT(codes, ElementsAre(13, 15, 11, 12, 14, 10, 16));
    codes.clear();
    for (const TNode* node : vars.BalancedOrder()) codes.push_back(node->Code);  // the active key: by name
    EXPECT_THAT(codes, ElementsAre(13, 11, 15, 14, 12, 16, 10));
    EXPECT_EQ(vars.GetCode(), 14);  // the cursors did not move
}

// ------------------------------------------------------------ lost pointers

// Containers of every kind, each holding one record, with the cursor that
// their accessors use emptied by a failed lookup.
struct TOneRecordEach {
    explicit TOneRecordEach(IMessageSink* sink)
        : vars(sink),
          values(sink),
          tails(sink),
          heads(sink),
          questions(sink),
          contexts(sink),
          formulas(sink),
          varList(sink),
          varListExtra(sink),
          trees(sink) {
        const std::vector<std::string> reasons = {"r"};
        vars.AddVariable(1, "x", true, true);
        values.AddValue(1, "x", 5, 6);
        tails.AddPremise(1, 2, ">=", 3, 1, true);
        heads.AddConclusion(1, 2, 3, 0.5f);
        questions.AddQuestion(1, "Q?", true, &reasons);
        contexts.AddContext(1, 44);
        formulas.Add(1, "X+1");
        varList.AddInstantiation(1, 2, 0.5f);
        varListExtra.AddNumericInstantiation(1, "2.5", 0.5f);
        trees.AddTree(1, nullptr);
        for (TSingleIndexTree* tree : std::initializer_list<TSingleIndexTree*>{
                 &vars, &tails, &heads, &questions, &contexts, &varList, &varListExtra, &trees})
            tree->Find(9);
        values.FindByVarCode(9);
        formulas.FindName("Y");
    }

    // Every field of every record.
    std::string Fields() const {
        const auto& v = static_cast<const TVarNode&>(*vars.Records(kKeyCode)[0]);
        const auto& a = static_cast<const TValNode&>(*values.Records(kKeyCode)[0]);
        const auto& t = static_cast<const TTailNode&>(*tails.Records(kKeyCode)[0]);
        const auto& h = static_cast<const THeadNode&>(*heads.Records(kKeyCode)[0]);
        const auto& q = static_cast<const TQuestionNode&>(*questions.Records(kKeyCode)[0]);
        const auto& c = static_cast<const TContextNode&>(*contexts.Records(kKeyCode)[0]);
        const auto& l = static_cast<const TVarListNode&>(*varList.Records(kKeyCode)[0]);
        const auto& e = static_cast<const TVarListExtraNode&>(*varListExtra.Records(kKeyCode)[0]);
        return ::testing::PrintToString(std::vector<std::string>{v.Name,
                                                                 std::to_string(v.Multivalued + 2 * v.Numeric),
                                                                 a.Name,
                                                                 std::to_string(a.Position),
                                                                 std::to_string(t.VarCode),
                                                                 t.Operator,
                                                                 std::to_string(t.ValueCode),
                                                                 std::to_string(t.Connective),
                                                                 std::to_string(t.Negated),
                                                                 std::to_string(h.VarCode),
                                                                 std::to_string(h.ValueCode),
                                                                 std::to_string(h.Cnf),
                                                                 q.Text,
                                                                 ::testing::PrintToString(q.Reasons),
                                                                 std::to_string(q.UseCnf),
                                                                 std::to_string(c.HelpContext),
                                                                 std::to_string(l.ValueCode),
                                                                 std::to_string(l.Cnf),
                                                                 e.ValueText,
                                                                 std::to_string(e.Cnf)});
    }

    TVars vars;
    TValues values;
    TTails tails;
    THeads heads;
    TQuestions questions;
    THelpContexts contexts;
    TFormulas formulas;
    TVarListTree varList;
    TVarListExtraTree varListExtra;
    TTreeOfTrees trees;
};

// A getter or setter used while the cursor stands on no record shows the
// lost-pointer message with the property's name, yields a placeholder and
// changes no record.
TEST(ContainerLostPointer, GettersAndSettersNameTheProperty) {
    using R = TOneRecordEach;
    struct Case {
        const char* what;
        std::function<void(R&)> use;
        std::string message;
    };
    const Case cases[] = {
        {"GetCode", [](R& r) { EXPECT_EQ(r.formulas.GetCode(), 0); }, ReadLost(msg::PropCode)},
        {"GetName", [](R& r) { EXPECT_EQ(r.vars.GetName(), ""); }, ReadLost(msg::PropName)},
        {"GetMultivalued", [](R& r) { EXPECT_FALSE(r.vars.GetMultivalued()); }, ReadLost(msg::PropMultivalued)},
        {"SetMultivalued", [](R& r) { r.vars.SetMultivalued(false); }, WriteLost(msg::PropMultivalued)},
        {"GetNumeric", [](R& r) { EXPECT_FALSE(r.vars.GetNumeric()); }, ReadLost(msg::PropNumeric)},
        {"SetNumeric", [](R& r) { r.vars.SetNumeric(false); }, WriteLost(msg::PropNumeric)},
        {"Values.GetVarCode", [](R& r) { EXPECT_EQ(r.values.GetVarCode(), 0); }, ReadLost(msg::PropVarCode)},
        {"GetPosition", [](R& r) { EXPECT_EQ(r.values.GetPosition(), 0); }, ReadLost(msg::PropPosition)},
        {"SetPosition", [](R& r) { r.values.SetPosition(1); }, WriteLost(msg::PropPosition)},
        {"Tails.GetVarCode", [](R& r) { EXPECT_EQ(r.tails.GetVarCode(), 0); }, ReadLost(msg::PropVarCode)},
        {"Tails.SetVarCode", [](R& r) { r.tails.SetVarCode(8); }, WriteLost(msg::PropVarCode)},
        {"Tails.GetValueCode", [](R& r) { EXPECT_EQ(r.tails.GetValueCode(), 0); }, ReadLost(msg::PropValueCode)},
        {"Tails.SetValueCode", [](R& r) { r.tails.SetValueCode(8); }, WriteLost(msg::PropValueCode)},
        {"GetOperator", [](R& r) { EXPECT_EQ(r.tails.GetOperator(), ""); }, ReadLost(msg::PropOperator)},
        {"SetOperator", [](R& r) { r.tails.SetOperator("<"); }, WriteLost(msg::PropOperator)},
        {"GetConnective", [](R& r) { EXPECT_EQ(r.tails.GetConnective(), 0); }, ReadLost(msg::PropConnective)},
        {"SetConnective", [](R& r) { r.tails.SetConnective(2); }, WriteLost(msg::PropConnective)},
        {"GetNegated", [](R& r) { EXPECT_FALSE(r.tails.GetNegated()); }, ReadLost(msg::PropNegated)},
        {"SetNegated", [](R& r) { r.tails.SetNegated(false); }, WriteLost(msg::PropNegated)},
        {"Heads.GetVarCode", [](R& r) { EXPECT_EQ(r.heads.GetVarCode(), 0); }, ReadLost(msg::PropVarCode)},
        {"Heads.SetValueCode", [](R& r) { r.heads.SetValueCode(8); }, WriteLost(msg::PropValueCode)},
        {"Heads.GetCnf", [](R& r) { EXPECT_EQ(r.heads.GetCnf(), 0.0f); }, ReadLost(msg::PropCnf)},
        {"Heads.SetCnf", [](R& r) { r.heads.SetCnf(1.0f); }, WriteLost(msg::PropCnf)},
        {"GetText", [](R& r) { EXPECT_EQ(r.questions.GetText(), ""); }, ReadLost(msg::PropQuestion)},
        {"SetText", [](R& r) { r.questions.SetText("?"); }, WriteLost(msg::PropQuestion)},
        {"GetReasons", [](R& r) { EXPECT_THAT(r.questions.GetReasons(), IsEmpty()); }, ReadLost(msg::PropReasons)},
        {"SetReasons", [](R& r) { r.questions.SetReasons({"s"}); }, WriteLost(msg::PropReasons)},
        {"GetUseCnf", [](R& r) { EXPECT_FALSE(r.questions.GetUseCnf()); }, ReadLost(msg::PropUseCnf)},
        {"SetUseCnf", [](R& r) { r.questions.SetUseCnf(false); }, WriteLost(msg::PropUseCnf)},
        {"GetHelpContext", [](R& r) { EXPECT_EQ(r.contexts.GetHelpContext(), 0); }, ReadLost(msg::PropHelpContext)},
        {"SetHelpContext", [](R& r) { r.contexts.SetHelpContext(1); }, WriteLost(msg::PropHelpContext)},
        {"VarList.GetValueCode", [](R& r) { EXPECT_EQ(r.varList.GetValueCode(), 0); }, ReadLost(msg::PropValueCode)},
        {"VarList.SetCnf", [](R& r) { r.varList.SetCnf(1.0f); }, WriteLost(msg::PropCnf)},
        {"GetValueText", [](R& r) { EXPECT_EQ(r.varListExtra.GetValueText(), ""); }, ReadLost(msg::PropValueText)},
        {"SetValueText", [](R& r) { r.varListExtra.SetValueText("3"); }, WriteLost(msg::PropValueText)},
        {"GetTree", [](R& r) { EXPECT_EQ(r.trees.GetTree(), nullptr); }, msg::TreeLostPointer},
    };
    TCapturingSink sink;
    TOneRecordEach records(&sink);
    const std::string fields = records.Fields();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sink.Clear();
        c.use(records);
        EXPECT_THAT(sink.Messages, ElementsAre(Shown(TMsgKind::Warning, c.message)));
    }
    EXPECT_EQ(records.Fields(), fields);
}

// ---------------------------------------------------------- reference model

// A plain model of a multi-key container: the records in a vector, each
// chain obtained by sorting on (key, insertion stamp), one cursor per key
// holding a record id. The real containers must agree with it after every
// operation.
class TReferenceContainer {
public:
    explicit TReferenceContainer(int keyCount) : keyCount_(keyCount) {}

    int Add(int32_t code, const std::string& name, int32_t third) {
        const int id = static_cast<int>(records_.size());
        records_.push_back({code, name, third, ++clock_, true});
        cursor_[kKeyCode] = id;
        return id;
    }

    int EffectiveKey() const { return active_ < keyCount_ ? active_ : kKeyCode; }
    int Active() const { return active_; }
    void SetActive(int key) { active_ = key; }
    std::optional<int> Cursor(int key) const { return cursor_[key]; }
    std::optional<int> Current() const { return cursor_[EffectiveKey()]; }
    int32_t Count() const {
        return static_cast<int32_t>(
            std::count_if(records_.begin(), records_.end(), [](const auto& r) { return r.alive; }));
    }
    int32_t CodeOf(int id) const { return records_[static_cast<std::size_t>(id)].code; }
    const std::string& NameOf(int id) const { return records_[static_cast<std::size_t>(id)].name; }
    int32_t ThirdOf(int id) const { return records_[static_cast<std::size_t>(id)].third; }

    std::vector<int> Chain(int key) const {
        std::vector<int> ids;
        for (int id = 0; id < static_cast<int>(records_.size()); ++id)
            if (records_[static_cast<std::size_t>(id)].alive) ids.push_back(id);
        std::stable_sort(ids.begin(), ids.end(), [&](int a, int b) {
            const auto& ra = records_[static_cast<std::size_t>(a)];
            const auto& rb = records_[static_cast<std::size_t>(b)];
            if (key == kKeyName) {
                const std::string ua = AnsiUpperCase(ra.name), ub = AnsiUpperCase(rb.name);
                if (ua != ub) return ua < ub;
            } else {
                const int32_t ka = key == kKeyCode ? ra.code : ra.third, kb = key == kKeyCode ? rb.code : rb.third;
                if (ka != kb) return ka < kb;
            }
            return ra.stamp < rb.stamp;
        });
        return ids;
    }

    std::optional<int> Step(int key, int id, int delta) const {
        const std::vector<int> chain = Chain(key);
        const auto at = std::find(chain.begin(), chain.end(), id) - chain.begin() + delta;
        if (at < 0 || at >= static_cast<std::ptrdiff_t>(chain.size())) return std::nullopt;
        return chain[static_cast<std::size_t>(at)];
    }

    // Find, FindName, FindByVarCode, FindNameInVar.
    std::optional<int> FirstWhere(int key, const std::function<bool(int)>& match) const {
        for (int id : Chain(key))
            if (match(id)) return id;
        return std::nullopt;
    }
    void FindCode(int32_t code) {
        if (keyCount_ > 1) active_ = kKeyCode;
        cursor_[kKeyCode] = FirstWhere(kKeyCode, [&](int id) { return CodeOf(id) == code; });
    }
    void FindName(const std::string& name) {
        active_ = kKeyName;
        cursor_[kKeyName] = FirstWhere(kKeyName, [&](int id) { return AnsiSameText(NameOf(id), name); });
    }
    void FindThird(int32_t third) {
        active_ = kKeyThird;
        cursor_[kKeyThird] = FirstWhere(kKeyThird, [&](int id) { return ThirdOf(id) == third; });
    }
    void FindNameInVar(const std::string& name, int32_t third) {
        active_ = kKeyName;
        cursor_[kKeyName] =
            FirstWhere(kKeyName, [&](int id) { return AnsiSameText(NameOf(id), name) && ThirdOf(id) == third; });
    }

    void First() {
        const auto chain = Chain(EffectiveKey());
        cursor_[EffectiveKey()] = chain.empty() ? std::nullopt : std::optional<int>(chain.front());
    }
    void Last() {
        const auto chain = Chain(EffectiveKey());
        cursor_[EffectiveKey()] = chain.empty() ? std::nullopt : std::optional<int>(chain.back());
    }
    // False when the move is past an end (the message case).
    bool Move(int delta) {
        const int key = EffectiveKey();
        if (!cursor_[key]) return false;
        cursor_[key] = Step(key, *cursor_[key], delta);
        return true;
    }

    // The record removed is the first of the current record's code run; the
    // active cursor goes to the record after the current one, and any other
    // cursor standing on the removed record to the record after it.
    bool DeleteCurrent() {
        const int key = EffectiveKey();
        if (!cursor_[key]) return false;
        const int current = *cursor_[key];
        std::optional<int> next = Step(key, current, 1);
        const int victim = *FirstWhere(kKeyCode, [&](int id) { return CodeOf(id) == CodeOf(current); });
        if (next == victim) next = Step(key, victim, 1);
        for (int k = 0; k < keyCount_; ++k)
            if (cursor_[k] == victim) cursor_[k] = Step(k, victim, 1);
        records_[static_cast<std::size_t>(victim)].alive = false;
        cursor_[key] = next;
        return true;
    }

    // The current record takes the new name and is filed again in every key
    // as if just added; the cursor of the active key is placed again.
    bool Rename(const std::string& name) {
        const std::optional<int> current = Current();
        if (!current) return false;
        auto& record = records_[static_cast<std::size_t>(*current)];
        record.name = name;
        record.stamp = ++clock_;
        const int key = active_;
        if (key == kKeyName)
            FindNameInVar(name, record.third);
        else if (key == kKeyThird)
            FindThird(record.third);
        else
            FindCode(record.code);
        return true;
    }

    int32_t LowestFreeCode() const {
        std::set<int32_t> used;
        for (const auto& r : records_)
            if (r.alive) used.insert(r.code);
        int32_t code = 1;
        while (used.count(code)) ++code;
        return code;
    }

    struct TSaved {
        std::optional<int> cursor[3];
        int active = 0;
    };
    TSaved Save() const { return {{cursor_[0], cursor_[1], cursor_[2]}, active_}; }
    void Restore(const TSaved& saved) {
        for (int k = 0; k < 3; ++k) {
            cursor_[k] = saved.cursor[k];
            if (cursor_[k] && !records_[static_cast<std::size_t>(*cursor_[k])].alive) cursor_[k].reset();
        }
        active_ = saved.active;
    }

private:
    struct TRecord {
        int32_t code;
        std::string name;
        int32_t third;
        uint64_t stamp;
        bool alive;
    };
    int keyCount_;
    std::vector<TRecord> records_;
    uint64_t clock_ = 0;
    int active_ = kKeyCode;
    std::optional<int> cursor_[3];
};

// How a container gets its first records: one by one, or in one go as a
// file is read (then it is navigated a while before the first edit).
enum class TStart { Empty, Bulk };

// TValues under random operations, with one key favoured per run. Every
// record carries its model id in Position, so identities can be compared.
class ValuesAgainstModel : public ::testing::TestWithParam<std::tuple<int, TStart>> {};

TEST_P(ValuesAgainstModel, AgreeAfterEveryOperation) {
    const auto [favoured, start] = GetParam();
    std::mt19937 rng(20240 + static_cast<unsigned>(favoured) + (start == TStart::Bulk ? 100u : 0u));
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    // Names of one or two letters, in both cases and with accents: twenty
    // distinct names under the case-blind comparison.
    auto randomName = [&] {
        static const char letters[] = "aAbBcC\xE9\xC9";
        std::string name(1, letters[pick(8)]);
        if (pick(2)) name += letters[pick(8)];
        return name;
    };

    TCapturingSink sink;
    TValues real(&sink);
    TReferenceContainer model(3);
    std::size_t expectedMessages = 0;

    auto checkCurrent = [&](const char* op) {
        ASSERT_EQ(real.ActiveKey(), model.Active()) << op;
        ASSERT_EQ(real.Eof(), !model.Current().has_value()) << op;
        if (model.Current()) {
            ASSERT_EQ(real.GetPosition(), *model.Current()) << op;
            ASSERT_EQ(real.GetCode(), model.CodeOf(*model.Current())) << op;
            ASSERT_EQ(real.GetName(), model.NameOf(*model.Current())) << op;
            ASSERT_EQ(real.GetVarCode(), model.ThirdOf(*model.Current())) << op;
        }
        ASSERT_EQ(real.Count(), model.Count()) << op;
        ASSERT_EQ(sink.Messages.size(), expectedMessages) << op;
    };
    auto checkChains = [&] {
        for (int key = 0; key < 3; ++key) {
            std::vector<int> ids;
            for (const TNode* node : real.Records(key)) ids.push_back(static_cast<const TValNode*>(node)->Position);
            ASSERT_EQ(ids, model.Chain(key)) << "key " << key;
            for (int k = 0; k < 3; ++k) {
                const TNode* under = real.CursorRecord(k);
                const std::optional<int> id =
                    under ? std::optional<int>(static_cast<const TValNode*>(under)->Position) : std::nullopt;
                ASSERT_EQ(id, model.Cursor(k)) << "cursor of key " << k;
            }
        }
    };
    // Lookups and navigation; most of them on the favoured key.
    auto randomMove = [&]() -> const char* {
        const int key = pick(10) < 7 ? favoured : pick(3);
        switch (pick(8)) {
            case 0: {
                if (key == kKeyCode) {
                    const int32_t code = 1 + pick(30);
                    real.Find(code);
                    model.FindCode(code);
                } else if (key == kKeyName) {
                    const std::string name = randomName();
                    if (pick(2)) {
                        real.FindName(name);
                        model.FindName(name);
                    } else {
                        const int32_t var = 1 + pick(6);
                        real.FindNameInVar(name, var);
                        model.FindNameInVar(name, var);
                    }
                } else {
                    const int32_t var = 1 + pick(6);
                    real.FindByVarCode(var);
                    model.FindThird(var);
                }
                return "find";
            }
            case 1:
                real.SetActiveKey(key);
                model.SetActive(key);
                return "active key";
            case 2:
                real.First();
                model.First();
                return "First";
            case 3:
                real.Last();
                model.Last();
                return "Last";
            case 4:
            case 5:
                real.Next();
                if (!model.Move(1)) ++expectedMessages;
                return "Next";
            default:
                real.Prior();
                if (!model.Move(-1)) ++expectedMessages;
                return "Prior";
        }
    };

    // Few codes when names are favoured, so that runs of equal codes
    // interleave with the name chain.
    auto randomCode = [&] { return pick(8) == 0 ? -pick(3) : 1 + pick(favoured == kKeyName ? 8 : 30); };
    int firstEdit = 0;
    if (start == TStart::Bulk) {
        std::vector<TValNode> records(60);
        for (TValNode& record : records) {
            record.Code = randomCode();
            record.Name = randomName();
            record.VarCode = 1 + pick(6);
            record.Position = model.Add(record.Code, record.Name, record.VarCode);
        }
        real.AddRecords(std::move(records));
        checkCurrent("AddRecords");
        checkChains();
        firstEdit = 400;
    }

    for (int step = 0; step < 4000; ++step) {
        const bool editing = step >= firstEdit;
        const int roll = pick(100);
        const char* op = "";
        if (!editing && roll < 53) {
            ASSERT_EQ(real.LowestFreeCode(), model.LowestFreeCode());
            const auto savedReal = real.SaveCursors();
            const auto savedModel = model.Save();
            for (int i = pick(6); i > 0; --i) randomMove();
            real.RestoreCursors(savedReal);
            model.Restore(savedModel);
            op = "save/restore before editing";
        } else if (roll < 22 || model.Count() < 5) {
            const int32_t code = randomCode();
            const std::string name = randomName();
            const int32_t var = 1 + pick(6);
            const int id = model.Add(code, name, var);
            real.AddValue(code, name, var, id);
            op = "AddValue";
        } else if (roll < 40) {
            real.DeleteCurrent();
            if (!model.DeleteCurrent()) ++expectedMessages;
            op = "DeleteCurrent";
        } else if (roll < 46) {
            const std::string name = randomName();
            real.Rename(name);
            if (!model.Rename(name)) ++expectedMessages;
            op = "Rename";
        } else if (roll < 50) {
            ASSERT_EQ(real.LowestFreeCode(), model.LowestFreeCode());
            op = "LowestFreeCode";
        } else if (roll < 53) {
            // Cursors saved (or marked, as a scoped guard does) around a few
            // lookups, deletions and additions, which may take a deleted
            // record's place, come back, emptied when their record went away.
            const bool marked = pick(2) == 0;
            const auto savedReal = real.SaveCursors();
            const auto markedReal = real.MarkCursors();
            const auto savedModel = model.Save();
            for (int i = pick(6); i > 0; --i) {
                const int what = pick(4);
                if (what == 0) {
                    real.DeleteCurrent();
                    if (!model.DeleteCurrent()) ++expectedMessages;
                } else if (what == 1) {
                    const int32_t code = randomCode();
                    const std::string name = randomName();
                    const int32_t var = 1 + pick(6);
                    const int id = model.Add(code, name, var);
                    real.AddValue(code, name, var, id);
                } else {
                    randomMove();
                }
            }
            if (marked)
                real.ReturnToMark(markedReal);
            else
                real.RestoreCursors(savedReal);
            model.Restore(savedModel);
            op = marked ? "mark/return" : "save/restore";
        } else {
            op = randomMove();
        }
        checkCurrent(op);
        if (step % 50 == 0) checkChains();
        if (::testing::Test::HasFatalFailure()) return;
    }
    checkChains();
}

INSTANTIATE_TEST_SUITE_P(EveryKey, ValuesAgainstModel,
                         ::testing::Combine(::testing::Values(kKeyCode, kKeyName, kKeyThird),
                                            ::testing::Values(TStart::Empty, TStart::Bulk)));

// A single-key container full of equal codes, as premises and conclusions are.
class HeadsAgainstModel : public ::testing::TestWithParam<TStart> {};

TEST_P(HeadsAgainstModel, AgreeAfterEveryOperation) {
    std::mt19937 rng(GetParam() == TStart::Bulk ? 778 : 777);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    TCapturingSink sink;
    THeads real(&sink);
    TReferenceContainer model(1);
    std::size_t expectedMessages = 0;
    if (GetParam() == TStart::Bulk) {
        // Runs of equal codes in file order, codes unsorted.
        std::vector<THeadNode> records(80);
        for (THeadNode& record : records) {
            record.Code = 1 + pick(12);
            record.VarCode = model.Add(record.Code, "", 0);
        }
        real.AddRecords(std::move(records));
    }

    for (int step = 0; step < 5000; ++step) {
        const int roll = pick(100);
        if (roll < 30 || model.Count() < 3) {
            const int32_t code = 1 + pick(12);
            const int id = model.Add(code, "", 0);
            real.AddConclusion(code, id, 0, 0.0f);
        } else if (roll < 50) {
            real.DeleteCurrent();
            if (!model.DeleteCurrent()) ++expectedMessages;
        } else if (roll < 60) {
            const int32_t code = 1 + pick(14);
            real.Find(code);
            model.FindCode(code);
        } else if (roll < 65) {
            ASSERT_EQ(real.LowestFreeCode(), model.LowestFreeCode());
        } else if (roll < 70) {
            real.First();
            model.First();
        } else if (roll < 75) {
            real.Last();
            model.Last();
        } else if (roll < 90) {
            real.Next();
            if (!model.Move(1)) ++expectedMessages;
        } else {
            real.Prior();
            if (!model.Move(-1)) ++expectedMessages;
        }
        ASSERT_EQ(real.Eof(), !model.Current().has_value()) << step;
        if (model.Current()) {
            ASSERT_EQ(real.GetVarCode(), *model.Current()) << step;
        }
        ASSERT_EQ(real.Count(), model.Count());
        ASSERT_EQ(sink.Messages.size(), expectedMessages) << step;
    }
    std::vector<int> ids;
    for (const TNode* node : real.Records()) ids.push_back(static_cast<const THeadNode*>(node)->VarCode);
    EXPECT_EQ(ids, model.Chain(kKeyCode));
}

INSTANTIATE_TEST_SUITE_P(EitherStart, HeadsAgainstModel, ::testing::Values(TStart::Empty, TStart::Bulk));

}  // namespace
}  // namespace quorvel
