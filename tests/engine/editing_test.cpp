#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ExEditing.h"
#include "ExSystem.h"
#include "ExText.h"
#include "TestSupport.h"

namespace quorvel {
namespace {

using test::TCapturingSink;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::Pair;
using ::testing::UnorderedElementsAre;

constexpr int32_t kFever = 1;   // yes/no
constexpr int32_t kColour = 2;  // univalued: Azul 10, Verde 11, Roxo 12
constexpr int32_t kWeight = 3;  // numeric, interval 0;100
constexpr int32_t kRisk = 4;    // multivalued: Alto 2, Baixo 13

constexpr int32_t kHigh = 2;  // the same number as formula 2
constexpr int32_t kGreen = 11;

// A base whose rules use every kind of line:
//   1 Primeira: Febre = Sim            -> Risco = Alto 80%
//   2 Segunda:  Peso > PESO*2 (f1)     -> Risco = Baixo 50%
//   3 Terceira: Cor = Verde E Febre = Não -> Peso = PESO+1 (f2)
//   4 Quarta:   Cor = Azul             -> Risco = Alto 100%
//   5 Quinta:   Febre = DESCONHECIDO   -> Cor = Roxo 100%
struct TSampleBase {
    TSampleBase() {
        sys.Vars().AddVariable(kFever, "Febre", false, false);
        sys.Vars().AddVariable(kColour, "Cor", false, false);
        sys.Vars().AddVariable(kWeight, "Peso", false, true);
        sys.Vars().AddVariable(kRisk, "Risco", true, false);
        sys.Values().AddValue(10, "Azul", kColour, 1);
        sys.Values().AddValue(kGreen, "Verde", kColour, 2);
        sys.Values().AddValue(12, "Roxo", kColour, 3);
        sys.Values().AddValue(30, "0;100", kWeight, 1);
        sys.Values().AddValue(kHigh, "Alto", kRisk, 1);
        sys.Values().AddValue(13, "Baixo", kRisk, 2);
        sys.Formulas().Add(1, "PESO*2");
        sys.Formulas().Add(2, "PESO+1");

        sys.Rules().AddRule(1, "Primeira", 1);
        sys.Tails().AddPremise(1, kFever, "=", kCodeYes, 2, false);
        sys.Heads().AddConclusion(1, kRisk, kHigh, 0.8f);
        sys.Rules().AddRule(2, "Segunda", 2);
        sys.Tails().AddPremise(2, kWeight, ">", 1, 2, false);
        sys.Heads().AddConclusion(2, kRisk, 13, 0.5f);
        sys.Rules().AddRule(3, "Terceira", 3);
        sys.Tails().AddPremise(3, kColour, "=", kGreen, 0, false);
        sys.Tails().AddPremise(3, kFever, "=", kCodeNo, 2, false);
        sys.Heads().AddConclusion(3, kWeight, 2, 1.0f);
        sys.Rules().AddRule(4, "Quarta", 4);
        sys.Tails().AddPremise(4, kColour, "=", 10, 2, false);
        sys.Heads().AddConclusion(4, kRisk, kHigh, 1.0f);
        sys.Rules().AddRule(5, "Quinta", 5);
        sys.Tails().AddPremise(5, kFever, "=", kCodeUnknown, 2, false);
        sys.Heads().AddConclusion(5, kColour, 12, 1.0f);

        sys.Targets().Add(kRisk);
        sys.Targets().Add(kFever, false);
        sys.Targets().Add(kColour);
        sys.Questions().AddQuestion(kFever, "Tem febre?", false);
        sys.Questions().AddQuestion(kColour, "Qual a cor?", true);
        sys.HelpContexts().AddContext(kHigh, 100);
        sys.HelpContexts().AddContext(13, 101);
    }

    // Rule codes in order-number order; every order number must be its place.
    std::vector<int32_t> RulesInOrder() {
        std::vector<int32_t> codes;
        for (const TNode* node : sys.Rules().Records(kKeyThird)) {
            EXPECT_EQ(static_cast<const TValNode*>(node)->VarCode, static_cast<int32_t>(codes.size()) + 1)
                << "rule " << node->Code << " out of sequence";
            codes.push_back(node->Code);
        }
        return codes;
    }
    std::set<int32_t> Codes(const TSingleIndexTree& tree) {
        std::set<int32_t> codes;
        for (const TNode* node : tree.Records(kKeyCode)) codes.insert(node->Code);
        return codes;
    }
    std::optional<std::string> FormulaText(int32_t code) {
        if (!sys.Formulas().Find(code)) return std::nullopt;
        return sys.Formulas().GetName();
    }
    std::vector<int32_t> TargetVars() {
        std::vector<int32_t> vars;
        for (const TTargetNode& target : sys.Targets().Items()) vars.push_back(target.VarCode);
        return vars;
    }
    // (name, position) of a variable's values in position order.
    std::vector<std::pair<std::string, int32_t>> ValuesOf(int32_t varCode) {
        std::vector<std::pair<std::string, int32_t>> list;
        for (const TNode* node : sys.Values().Records(kKeyThird)) {
            const auto* value = static_cast<const TValNode*>(node);
            if (value->VarCode == varCode) list.emplace_back(value->Name, value->Position);
        }
        std::stable_sort(list.begin(), list.end(), [](const auto& x, const auto& y) { return x.second < y.second; });
        return list;
    }

    TCapturingSink sink;
    TExpertSystem sys{&sink};
};

class Editing : public ::testing::Test, protected TSampleBase {};

TLineInput Line(int32_t var, int32_t value, int32_t connective = 0, std::string op = "=", bool negated = false,
                float cnf = 1.0f, std::string formula = {}) {
    TLineInput input;
    input.VarCode = var;
    input.ValueCode = value;
    input.Connective = connective;
    input.Operator = std::move(op);
    input.Negated = negated;
    input.Cnf = cnf;
    input.FormulaText = std::move(formula);
    return input;
}

// A numeric line: any value code but DESCONHECIDO stands for "a formula".
TLineInput Formula(int32_t var, std::string text, std::string op = "=", int32_t connective = 0) {
    return Line(var, 999, connective, std::move(op), false, 1.0f, std::move(text));
}

std::vector<std::string> Rows(const TRuleDraft& draft) {
    std::vector<std::string> rows;
    for (int row = 0; row < draft.RowCount(); ++row) rows.push_back(Cp1252ToUtf8(draft.RowText(row)));
    return rows;
}

std::vector<int32_t> Connectives(const TRuleDraft& draft) {
    std::vector<int32_t> list;
    for (int row = 1; row < draft.ThenRow(); ++row) list.push_back(draft.Line(row).Connective);
    return list;
}

// ------------------------------------------------------------------ checks

TEST(EditingChecks, TypedTextsAreRefusedWhenTheyDoNotFitNeverCut) {
    struct Case {
        std::string utf8;
        std::optional<std::string> stored;
        std::string problem;
    };
    const Case cases[] = {
        {"Diagnóstico €", "Diagn\xF3stico \x80", ""},
        {std::string(255, 'a'), std::string(255, 'a'), ""},
        {std::string(256, 'a'), std::nullopt, "O nome da regra tem 256 caracteres; o máximo é 255."},
        // Accented letters are one character each in the base, whatever UTF-8 needs.
        {std::string(255, 'a').replace(0, 1, "ç"), std::string(254, 'a').insert(0, "\xE7"), ""},
        {"seta → e ≠ →", std::nullopt,
         "O nome da regra contém caracteres que uma base do Quorvel não pode guardar: →≠."},
    };
    for (const Case& c : cases) {
        std::string problem;
        EXPECT_EQ(BaseTextFromUtf8(c.utf8, "O nome da regra", problem), c.stored) << c.utf8;
        EXPECT_EQ(problem, c.problem) << c.utf8;
    }
    std::string problem;
    EXPECT_FALSE(BaseTextFromUtf8("abcdef", "O nome", problem, 5));
    EXPECT_EQ(problem, "O nome tem 6 caracteres; o máximo é 5.");
}

TEST(EditingChecks, NewCodesStopAtTheLastCodeAFileCanHold) {
    TFormulas formulas;
    for (int32_t code = 1; code <= kMaxRecordCode; ++code)
        if (code != 40) formulas.Add(code, "1");
    std::string problem;
    EXPECT_EQ(NewRecordCode(formulas, "fórmulas", problem), 40);  // a freed code is reused first
    formulas.Add(40, "1");
    EXPECT_EQ(NewRecordCode(formulas, "fórmulas", problem), std::nullopt);
    EXPECT_EQ(problem,
              "A base já tem 32767 fórmulas, o máximo que um arquivo do Quorvel comporta; não é possível criar mais.");

    TTails tails;
    for (int i = 0; i < kMaxRecordCode - 1; ++i) tails.AddPremise(1, 1, "=", -2, 0, false);
    problem.clear();
    EXPECT_TRUE(RoomForRecords(tails, 1, "premissas", problem));
    EXPECT_FALSE(RoomForRecords(tails, 2, "premissas", problem));
    EXPECT_EQ(problem, "A base ficaria com mais de 32767 premissas, o máximo que um arquivo do Quorvel comporta.");
}

TEST(EditingChecks, IntervalsOfNumericVariables) {
    struct Case {
        std::string text;
        TIntervalCheck check;
        std::string part;
    };
    const Case cases[] = {
        {"0;100", TIntervalCheck::Valid, ""},       {"5;", TIntervalCheck::Valid, ""},
        {";5", TIntervalCheck::Valid, ""},          {"-2.5;10", TIntervalCheck::Valid, ""},
        {"100;0", TIntervalCheck::Invalid, ""},     {"5;5", TIntervalCheck::Invalid, ""},
        {";", TIntervalCheck::Invalid, ""},         {"", TIntervalCheck::Invalid, ""},
        {"10.0;20", TIntervalCheck::Invalid, ""},   {"1e3;", TIntervalCheck::Invalid, ""},
        {"2,5;3", TIntervalCheck::Invalid, ""},     {"7", TIntervalCheck::Invalid, ""},
        {"abc", TIntervalCheck::NotANumber, "abc"}, {"a;5", TIntervalCheck::NotANumber, "a"},
        {"1;x", TIntervalCheck::NotANumber, "x"},   {"1;2;3", TIntervalCheck::NotANumber, "2;3"},
    };
    for (const Case& c : cases) {
        const TIntervalResult result = CheckInterval(c.text);
        EXPECT_EQ(result.Check, c.check) << c.text;
        EXPECT_EQ(result.Part, c.part) << c.text;
    }
    EXPECT_EQ(NotANumberMessage("p\xEAra"), "\"pêra\" não é um número válido.");
}

// --------------------------------------------------------- rule orders

TEST_F(Editing, ShiftingMovingAndRemovingRulesKeepsTheOrdersOneToN) {
    struct Case {
        const char* what;
        std::function<void(TExpertSystem&)> edit;
        std::vector<int32_t> order;  // rule codes by order number
    };
    const Case cases[] = {
        {"drag 1 onto 4", [](TExpertSystem& e) { MoveRule(e, 1, 4); }, {2, 3, 4, 1, 5}},
        {"drag 4 onto 1", [](TExpertSystem& e) { MoveRule(e, 4, 1); }, {4, 1, 2, 3, 5}},
        {"drag 5 onto 4", [](TExpertSystem& e) { MoveRule(e, 5, 4); }, {1, 2, 3, 5, 4}},
        {"drop on itself", [](TExpertSystem& e) { MoveRule(e, 3, 3); }, {1, 2, 3, 4, 5}},
        {"remove 2 of 5", [](TExpertSystem& e) { RemoveRule(e, 2); }, {1, 3, 4, 5}},
        {"remove the last", [](TExpertSystem& e) { RemoveRule(e, 5); }, {1, 2, 3, 4}},
        {"close up gaps",
         [](TExpertSystem& e) {
             DeleteRule(e, 1);
             DeleteRule(e, 4);
             CloseUpRuleOrders(e);
         },
         {2, 3, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TSampleBase fresh;
        c.edit(fresh.sys);
        EXPECT_EQ(fresh.RulesInOrder(), c.order);
        EXPECT_THAT(fresh.sink.Messages, IsEmpty());
    }
}

TEST_F(Editing, ShiftRuleOrdersRenumbersOnlyTheRange) {
    ShiftRuleOrders(sys, 2, +1, 4);  // makes room at 2, as a new rule there does
    std::map<int32_t, int32_t> orders;
    for (const TNode* node : sys.Rules().Records(kKeyCode))
        orders[node->Code] = static_cast<const TValNode*>(node)->VarCode;
    EXPECT_THAT(orders, ElementsAre(Pair(1, 1), Pair(2, 3), Pair(3, 4), Pair(4, 5), Pair(5, 5)));
}

// ----------------------------------------------------- deleting records

TEST_F(Editing, DeleteRuleTakesItsLinesAndOnlyItsOwnFormulas) {
    DeleteRule(sys, 3);  // its conclusion on Peso names formula 2
    EXPECT_EQ(Codes(sys.Rules()), (std::set<int32_t>{1, 2, 4, 5}));
    EXPECT_EQ(Codes(sys.Formulas()), (std::set<int32_t>{1}));
    EXPECT_FALSE(sys.Tails().Find(3));
    EXPECT_FALSE(sys.Heads().Find(3));

    DeleteRuleLines(sys, 2);  // the rule window rewrites the lines; rule and formula stay
    EXPECT_TRUE(sys.Rules().Find(2));
    EXPECT_FALSE(sys.Tails().Find(2));
    EXPECT_FALSE(sys.Heads().Find(2));
    EXPECT_EQ(Codes(sys.Formulas()), (std::set<int32_t>{1}));
    EXPECT_EQ(sys.Tails().Count(), 3);
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST_F(Editing, DeleteValueNeverTakesAFormulaCodeForTheValue) {
    // Value 2 (Alto) is used by rules 1 and 4; rule 3 holds formula 2 on the
    // numeric Peso, which is not the value.
    EXPECT_THAT(RulesUsing(sys, TLineUse::OfValue(kHigh)), ElementsAre(1, 4));
    EXPECT_THAT(DeleteValue(sys, kHigh), ElementsAre(1, 4));
    EXPECT_EQ(Codes(sys.Rules()), (std::set<int32_t>{2, 3, 5}));
    EXPECT_EQ(FormulaText(2), "PESO+1");
    EXPECT_EQ(Codes(sys.HelpContexts()), (std::set<int32_t>{13}));
    EXPECT_THAT(ValuesOf(kRisk), ElementsAre(Pair("Baixo", 1)));  // moved up
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST_F(Editing, DeleteVariableTakesRulesTargetsQuestionValuesAndHelpContexts) {
    EXPECT_THAT(DeleteVariable(sys, kRisk), ElementsAre(1, 2, 4));
    EXPECT_EQ(Codes(sys.Rules()), (std::set<int32_t>{3, 5}));
    EXPECT_EQ(Codes(sys.Formulas()), (std::set<int32_t>{2}));  // rule 2's formula went with it
    EXPECT_EQ(Codes(sys.Vars()), (std::set<int32_t>{kFever, kColour, kWeight}));
    EXPECT_EQ(Codes(sys.Values()), (std::set<int32_t>{10, 11, 12, 30}));
    EXPECT_THAT(Codes(sys.HelpContexts()), IsEmpty());
    EXPECT_THAT(TargetVars(), ElementsAre(kFever, kColour));
    EXPECT_EQ(sys.Targets().Get(0).ShowResults, false);  // the other targets keep their flags

    EXPECT_THAT(DeleteVariable(sys, kFever), ElementsAre(3, 5));
    EXPECT_THAT(Codes(sys.Rules()), IsEmpty());
    EXPECT_THAT(TargetVars(), ElementsAre(kColour));
    EXPECT_EQ(Codes(sys.Questions()), (std::set<int32_t>{kColour}));
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST_F(Editing, TheFirstRuleUsingIsTheLowestCodeAndIsNamedByItsOrder) {
    MoveRule(sys, 1, 5);  // rule 1 now has order 5
    const std::optional<TRuleRef> value = FirstRuleUsing(sys, TLineUse::OfValue(kHigh));
    ASSERT_TRUE(value);
    EXPECT_EQ(value->Code, 1);
    EXPECT_EQ(ValueInUseQuestion(*value),
              "Atenção! A regra 5 (Primeira) utiliza esse valor. Apagar esse valor apagará essa regra bem como todas "
              "as que estão em mesmas condições. Continuar?");
    const std::optional<TRuleRef> var = FirstRuleUsing(sys, TLineUse::OfVariable(kWeight));
    ASSERT_TRUE(var);
    EXPECT_EQ(VariableInUseQuestion(*var),
              "Atenção! A regra 1 (Segunda) utiliza essa variável.Apagar essa variável apagará essa regra bem como "
              "todas as que estão em mesmas condições. Continuar?");
    EXPECT_EQ(FirstRuleUsing(sys, TLineUse::OfValue(30)), std::nullopt);  // the interval: no rule
    EXPECT_EQ(FirstRuleUsing(sys, TLineUse::OfValue(1)), std::nullopt);   // formula 1 is no value
}

// ------------------------------------------------------------ rule draft

TEST_F(Editing, InsertingPremisesKeepsTheConnectivesChained) {
    TRuleDraft draft(sys);
    draft.Load(0, false);
    EXPECT_THAT(Rows(draft), ElementsAre("SE", "ENTÃO"));

    EXPECT_EQ(draft.InsertPremise(0, Line(kFever, kCodeYes, 1)), 1);   // the first takes no connective
    EXPECT_EQ(draft.InsertPremise(1, Line(kColour, 10, 1)), 2);        // joined to Febre by OU
    EXPECT_EQ(draft.InsertPremise(2, Line(kColour, 12, 0, "<>")), 3);  // joined to Cor by E
    EXPECT_EQ(draft.InsertPremise(0, Formula(kWeight, "PESO*3", ">")), 1);
    EXPECT_EQ(draft.InsertPremise(4, Line(kRisk, kHigh, 1, "=", true)), 5);
    EXPECT_EQ(draft.InsertConclusion(draft.ThenRow(), Line(kRisk, 13, 0, "=", false, 0.8f)), 7);
    EXPECT_EQ(draft.InsertConclusion(6, Formula(kWeight, "10")), 7);  // above the other conclusion

    EXPECT_THAT(Rows(draft),
                ElementsAre("SE", "   Peso > PESO*3", "E  Febre = Sim", "OU Cor = Azul", "E  Cor <> Roxo",
                            "OU NÃO Risco = Alto", "ENTÃO", "   Peso = 10 CNF 100%", "   Risco = Baixo CNF 80%"));
    EXPECT_THAT(Connectives(draft), ElementsAre(0, 1, 0, 1, 2));
    // The new formulas wait in the draft under provisional codes.
    EXPECT_EQ(draft.CreatedFormulas().size(), 2u);
    EXPECT_GE(*draft.CreatedFormulas().begin(), TRuleDraft::kProvisionalFormula);
    EXPECT_EQ(Codes(sys.Formulas()), (std::set<int32_t>{1, 2}));
}

TEST_F(Editing, DeletingAPremiseHandsItsConnectiveToThePremiseAbove) {
    struct Case {
        int row;
        std::vector<std::string> rows;
        std::vector<int32_t> connectives;
    };
    // P1 E P2 OU P3
    const Case cases[] = {
        {2, {"SE", "   Febre = Sim", "OU Cor = Roxo", "ENTÃO"}, {1, 2}},
        {3, {"SE", "   Febre = Sim", "E  Cor = Azul", "ENTÃO"}, {0, 2}},
        {1, {"SE", "   Cor = Azul", "OU Cor = Roxo", "ENTÃO"}, {1, 2}},
    };
    for (const Case& c : cases) {
        TRuleDraft draft(sys);
        draft.Load(0, false);
        draft.InsertPremise(0, Line(kFever, kCodeYes));
        draft.InsertPremise(1, Line(kColour, 10, 0));
        draft.InsertPremise(2, Line(kColour, 12, 1));
        EXPECT_EQ(draft.DeleteRow(c.row), c.row - 1);
        EXPECT_EQ(Rows(draft), c.rows) << "deleting row " << c.row;
        EXPECT_EQ(Connectives(draft), c.connectives) << "deleting row " << c.row;
    }
}

TEST_F(Editing, ChangingAPremiseSetsTheConnectiveAboveIt) {
    TRuleDraft draft(sys);
    draft.Load(3, false);  // Cor = Verde E Febre = Não
    ASSERT_TRUE(draft.ChangePremise(2, Line(kFever, kCodeYes, 1, "<>", true), true));
    ASSERT_TRUE(draft.ChangePremise(1, Line(kColour, 12, 0), false));
    EXPECT_THAT(Rows(draft),
                ElementsAre("SE", "   Cor = Roxo", "OU NÃO Febre <> Sim", "ENTÃO", "   Peso = PESO+1 CNF 100%"));
    EXPECT_THAT(Connectives(draft), ElementsAre(1, 2));
}

TEST_F(Editing, FormulaChangesReachTheBaseOnlyWhenTheRuleIsSaved) {
    std::vector<uint8_t> before;
    ASSERT_TRUE(sys.SaveBytes(before));
    for (bool save : {false, true}) {
        SCOPED_TRACE(save ? "saved" : "discarded");
        TSampleBase fresh;
        TRuleDraft draft(fresh.sys);
        draft.Load(2, false);  // Peso > PESO*2 (formula 1)
        ASSERT_TRUE(draft.ChangePremise(1, Formula(kWeight, "PESO*3", ">"), false));
        ASSERT_TRUE(draft.ChangePremise(1, Formula(kWeight, "PESO*4", ">="), false));
        EXPECT_EQ(draft.Line(1).ValueCode, 1);  // the line keeps its formula
        EXPECT_THAT(draft.ChangedFormulas(), ElementsAre(Pair(1, "PESO*2")));
        ASSERT_NE(draft.InsertConclusion(draft.RowCount() - 1, Formula(kWeight, "7")), -1);
        EXPECT_EQ(Cp1252ToUtf8(draft.RowText(1)), "   Peso >= PESO*4");

        // Saving the base meanwhile stores the rule as it was.
        std::vector<uint8_t> during;
        ASSERT_TRUE(fresh.sys.SaveBytes(during));
        EXPECT_EQ(during, before);

        if (save) {
            ASSERT_TRUE(draft.Save(2, "Segunda", 2));
            EXPECT_EQ(fresh.FormulaText(1), "PESO*4");
            EXPECT_EQ(fresh.FormulaText(3), "7");  // the base's lowest free code
            TRuleDraft reread(fresh.sys);
            reread.Load(2, false);
            EXPECT_EQ(reread.Line(reread.ThenRow() + 2).ValueCode, 3);
        } else {
            draft.Discard();
            std::vector<uint8_t> after;
            ASSERT_TRUE(fresh.sys.SaveBytes(after));
            EXPECT_EQ(after, before);
        }
    }
}

TEST_F(Editing, FormulasOfChangedAwayLinesGoOnlyWhenTheRuleIsSaved) {
    for (bool save : {false, true}) {
        SCOPED_TRACE(save ? "saved" : "discarded");
        TSampleBase fresh;
        TRuleDraft draft(fresh.sys);
        draft.Load(2, false);
        ASSERT_TRUE(draft.ChangePremise(1, Line(kColour, 10), false));  // numeric -> not numeric
        EXPECT_THAT(draft.DiscardedFormulas(), ElementsAre(1));
        EXPECT_EQ(fresh.FormulaText(1), "PESO*2");  // still there until OK
        if (save)
            ASSERT_TRUE(draft.Save(2, "Segunda", 2));
        else
            draft.Discard();
        EXPECT_EQ(fresh.FormulaText(1), save ? std::nullopt : std::optional<std::string>("PESO*2"));
    }
}

TEST_F(Editing, ACopiedModelOwnsItsFormulas) {
    TRuleDraft cancelled(sys);
    cancelled.Load(3, true);
    EXPECT_EQ(cancelled.CreatedFormulas().size(), 1u);
    cancelled.Discard();
    EXPECT_EQ(Codes(sys.Formulas()), (std::set<int32_t>{1, 2}));  // the cancelled copy left nothing behind

    TRuleDraft copy(sys);
    copy.Load(3, true);
    ASSERT_EQ(copy.CreatedFormulas().size(), 1u);
    const int32_t provisional = *copy.CreatedFormulas().begin();
    EXPECT_EQ(copy.Line(copy.ThenRow() + 1).ValueCode, provisional);
    EXPECT_EQ(Cp1252ToUtf8(copy.RowText(copy.ThenRow() + 1)), "   Peso = PESO+1 CNF 100%");
    const std::optional<TRuleDraft::TSaved> saved = copy.Save(0, "sem nome", 6);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->RuleCode, 6);
    EXPECT_EQ(FormulaText(3), "PESO+1");
    DeleteRule(sys, 3);  // the model goes; the copy keeps its own formula
    EXPECT_EQ(FormulaText(3), "PESO+1");
    EXPECT_EQ(FormulaText(2), std::nullopt);
}

TEST_F(Editing, WindowsWritingFormulasAtOnceGetCodesOfTheirOwn) {
    TRuleDraft first(sys);
    first.Load(0, false);
    first.InsertPremise(0, Line(kFever, kCodeYes));
    first.InsertConclusion(first.ThenRow(), Formula(kWeight, "1"));
    TRuleDraft second(sys);
    second.Load(2, false);
    second.DeleteRow(1);  // frees formula 1 on saving
    second.InsertPremise(0, Formula(kWeight, "2", ">"));

    ASSERT_TRUE(second.Save(2, "Segunda", 2));
    ASSERT_TRUE(first.Save(0, "Primeira janela", 1));
    TRuleDraft reread(sys);
    reread.Load(2, false);
    EXPECT_EQ(Cp1252ToUtf8(reread.RowText(1)), "   Peso > 2");
    ASSERT_TRUE(sys.Rules().FindByOrder(1));
    reread.Load(sys.Rules().GetCode(), false);
    EXPECT_EQ(Cp1252ToUtf8(reread.RowText(3)), "   Peso = 1 CNF 100%");
    EXPECT_EQ(Codes(sys.Formulas()), (std::set<int32_t>{1, 2, 3}));
}

TEST_F(Editing, SavingARuleShiftsTheOthers) {
    struct Case {
        int32_t rule;  // 0: a new rule
        int32_t order;
        std::vector<int32_t> codes;  // by order number afterwards
        int32_t newOrder;
        int32_t oldOrder;
    };
    const Case cases[] = {
        {0, 1, {6, 1, 2, 3, 4, 5}, 1, 6},  {0, 9, {1, 2, 3, 4, 5, 6}, 6, 6}, {0, 3, {1, 2, 6, 3, 4, 5}, 3, 6},
        {0, -4, {6, 1, 2, 3, 4, 5}, 1, 6}, {4, 2, {1, 4, 2, 3, 5}, 2, 4},    {2, 4, {1, 3, 4, 2, 5}, 4, 2},
        {1, 99, {2, 3, 4, 5, 1}, 5, 1},    {3, 3, {1, 2, 3, 4, 5}, 3, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "rule " << c.rule << " to " << c.order);
        TSampleBase fresh;
        TRuleDraft draft(fresh.sys);
        draft.Load(c.rule, false);
        if (c.rule == 0) {
            draft.InsertPremise(0, Line(kFever, kCodeYes));
            draft.InsertConclusion(draft.ThenRow(), Line(kColour, 10));
        }
        const std::optional<TRuleDraft::TSaved> saved = draft.Save(c.rule, "Nome novo", c.order);
        ASSERT_TRUE(saved);
        EXPECT_EQ(saved->NewOrder, c.newOrder);
        EXPECT_EQ(saved->OldOrder, c.oldOrder);
        EXPECT_EQ(saved->NewRule, c.rule == 0);
        EXPECT_EQ(fresh.RulesInOrder(), c.codes);
        ASSERT_TRUE(fresh.sys.Rules().Find(saved->RuleCode));
        EXPECT_EQ(fresh.sys.Rules().GetName(), "Nome novo");
        EXPECT_THAT(fresh.sink.Messages, IsEmpty());
    }
}

TEST_F(Editing, SavedLinesReplaceTheOldOnesInRowOrder) {
    TRuleDraft draft(sys);
    draft.Load(3, false);  // Cor = Verde E Febre = Não -> Peso = PESO+1
    draft.DeleteRow(2);
    draft.InsertPremise(1, Line(kRisk, 13, 1, "<>", true));
    draft.InsertConclusion(draft.ThenRow() + 1, Line(kFever, kCodeNo, 0, "=", false, 0.25f));
    ASSERT_TRUE(draft.Save(3, "Terceira", 3));

    TRuleDraft reread(sys);
    reread.Load(3, false);
    EXPECT_THAT(Rows(reread), ElementsAre("SE", "   Cor = Verde", "OU NÃO Risco <> Baixo", "ENTÃO",
                                          "   Peso = PESO+1 CNF 100%", "   Febre = Não CNF 25%"));
    EXPECT_THAT(Connectives(reread), ElementsAre(1, 2));
    EXPECT_EQ(sys.Tails().Count(), 6);
    EXPECT_EQ(sys.Heads().Count(), 6);
}

TEST_F(Editing, ARuleDeletedWhileItsWindowIsOpenIsNotWrittenBack) {
    TRuleDraft draft(sys);
    draft.Load(4, false);
    draft.InsertConclusion(draft.ThenRow() + 1, Formula(kWeight, "3"));
    RemoveRule(sys, 4);
    EXPECT_EQ(draft.Save(4, "Quarta", 1), std::nullopt);
    EXPECT_EQ(draft.Problem(), msg::RuleNoLongerExists);
    EXPECT_EQ(RulesInOrder(), (std::vector<int32_t>{1, 2, 3, 5}));
    EXPECT_FALSE(sys.Tails().Find(4));
    draft.Discard();
    EXPECT_EQ(Codes(sys.Formulas()), (std::set<int32_t>{1, 2}));
}

TEST_F(Editing, AFullBaseRefusesNewFormulasAndRules) {
    for (int32_t code = 3; code <= kMaxRecordCode; ++code) sys.Formulas().Add(code, "0");
    TRuleDraft draft(sys);
    draft.Load(0, false);
    EXPECT_EQ(draft.InsertPremise(0, Formula(kWeight, "1", ">")), -1);
    EXPECT_THAT(draft.Problem(), ::testing::HasSubstr("32767 fórmulas"));
    EXPECT_EQ(draft.RowCount(), 2);
    EXPECT_EQ(draft.InsertPremise(0, Line(kWeight, kCodeUnknown, 0, ">")), 1);  // DESCONHECIDO needs no formula

    for (int32_t code = 6; code <= kMaxRecordCode; ++code) sys.Rules().AddRule(code, "r", code);
    draft.InsertConclusion(draft.ThenRow(), Line(kColour, 10));
    EXPECT_EQ(draft.Save(0, "mais uma", 1), std::nullopt);
    EXPECT_THAT(draft.Problem(), ::testing::HasSubstr("32767 regras"));
    EXPECT_EQ(sys.Rules().Count(), kMaxRecordCode);
}

TEST_F(Editing, StructureChecks) {
    struct Case {
        std::vector<std::pair<bool, TLineInput>> lines;  // premise?, line
        const char* problem;
    };
    const Case cases[] = {
        {{}, msg::RuleBadlyStructured},
        {{{true, Line(kFever, kCodeYes)}}, msg::RuleBadlyStructured},
        {{{false, Line(kRisk, kHigh)}}, msg::RuleBadlyStructured},
        {{{true, Line(kFever, kCodeYes)}, {false, Line(kFever, kCodeNo)}}, msg::SameVariableBothSides},
        {{{true, Line(kFever, kCodeYes)}, {false, Line(kRisk, kHigh)}}, ""},
    };
    for (const Case& c : cases) {
        TRuleDraft draft(sys);
        draft.Load(0, false);
        for (const auto& [premise, line] : c.lines) {
            if (premise)
                draft.InsertPremise(draft.ThenRow() - 1, line);
            else
                draft.InsertConclusion(draft.RowCount() - 1, line);
        }
        EXPECT_EQ(draft.StructureProblem(), c.problem);
    }
}

// ------------------------------------------------------- variables draft

TEST_F(Editing, TheVariablesDraftAppliesEverythingInOneGo) {
    TVarsDraft draft(sys);
    std::string problem;
    const std::optional<int32_t> age = draft.AddVariable("Idade", false, true, problem);
    ASSERT_TRUE(age);
    ASSERT_TRUE(draft.AddValue(*age, "0;120", problem));
    draft.RenameVariable(kColour, "Tonalidade");
    draft.MoveValue(kColour, 2, 0);  // Roxo first
    draft.DeleteValue(kGreen);       // used by rule 3
    ASSERT_TRUE(draft.AddValue(kColour, "Cinza", problem));

    std::vector<std::pair<int32_t, std::set<int32_t>>> before;
    const TVarsDraft::TApplied applied = draft.Apply(
        {[&](const TLineUse& use, const std::set<int32_t>& rules) { before.emplace_back(use.Code, rules); }, {}});

    EXPECT_THAT(before, ElementsAre(Pair(kGreen, std::set<int32_t>{3})));
    EXPECT_THAT(applied.DeletedRules, ElementsAre(3));
    EXPECT_EQ(RulesInOrder(), (std::vector<int32_t>{1, 2, 4, 5}));  // closed up: rule 4 is number 3 now
    ASSERT_TRUE(sys.Vars().FindName("IDADE"));
    EXPECT_EQ(sys.Vars().GetCode(), 5);  // the base's lowest free code
    EXPECT_TRUE(sys.Vars().GetNumeric());
    EXPECT_THAT(ValuesOf(5), ElementsAre(Pair("0;120", 1)));
    EXPECT_EQ(sys.VarName(kColour), "Tonalidade");
    EXPECT_THAT(ValuesOf(kColour), ElementsAre(Pair("Roxo", 1), Pair("Azul", 2), Pair("Cinza", 3)));
    // New values take the base's lowest free codes: Idade's interval 1, Cinza 3.
    EXPECT_EQ(Codes(sys.Values()), (std::set<int32_t>{1, kHigh, 3, 10, 12, 13, 30}));
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST_F(Editing, ADeletedVariableTakesItsNewValuesAlong) {
    TVarsDraft draft(sys);
    std::string problem;
    draft.DeleteVariable(kRisk);
    // The new variable gets the provisional code the deleted one had.
    const std::optional<int32_t> fresh = draft.AddVariable("Nova", false, false, problem);
    ASSERT_EQ(fresh, kRisk);
    draft.AddValue(kRisk, "Um", problem);
    const std::optional<int32_t> gone = draft.AddVariable("Passageira", false, false, problem);
    draft.AddValue(*gone, "a", problem);
    draft.AddValue(*gone, "b", problem);
    draft.DeleteVariable(*gone);
    EXPECT_THAT(draft.NewValues(), ::testing::SizeIs(1));

    std::vector<int32_t> unwatched;
    const TVarsDraft::TApplied applied = draft.Apply({{}, [&](int32_t var) { unwatched.push_back(var); }});
    EXPECT_THAT(unwatched, ElementsAre(kRisk));
    EXPECT_THAT(applied.DeletedRules, ElementsAre(1, 2, 4));
    EXPECT_EQ(sys.VarName(kRisk), "Nova");
    EXPECT_THAT(ValuesOf(kRisk), ElementsAre(Pair("Um", 1)));
    EXPECT_EQ(sys.Values().Count(), 5);  // Azul, Verde, Roxo, 0;100 and Um: no orphans of Passageira
    EXPECT_FALSE(sys.Vars().FindName("Passageira"));
    EXPECT_EQ(RulesInOrder(), (std::vector<int32_t>{3, 5}));
}

TEST_F(Editing, ChangingBetweenNumericAndNotTakesTheRulesWhoseValuesChangeMeaning) {
    struct Case {
        int32_t var;
        bool numeric;
        std::vector<int32_t> deleted;
        std::vector<int32_t> remaining;
        std::set<int32_t> formulas;
    };
    const Case cases[] = {
        // Febre = Sim / Não would be read as formulas; Febre = DESCONHECIDO stays valid.
        {kFever, true, {1, 3}, {2, 4, 5}, {1}},
        // Formula codes would be read as value codes (formula 2 as the value Alto).
        {kWeight, false, {2, 3}, {1, 4, 5}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.var);
        TSampleBase fresh;
        TVarsDraft draft(fresh.sys);
        draft.SetVariableKind(c.var, false, c.numeric);
        EXPECT_TRUE(draft.KindChanged(c.var));
        const std::optional<TRuleRef> first = FirstRuleUsing(fresh.sys, TLineUse::OfVariableKind(c.var));
        ASSERT_TRUE(first);
        EXPECT_EQ(first->Code, c.deleted.front());
        const TVarsDraft::TApplied applied = draft.Apply({});
        EXPECT_EQ(applied.DeletedRules, c.deleted);
        EXPECT_EQ(fresh.RulesInOrder(), c.remaining);
        EXPECT_EQ(fresh.Codes(fresh.sys.Formulas()), c.formulas);
        ASSERT_TRUE(fresh.sys.Vars().Find(c.var));
        EXPECT_EQ(fresh.sys.Vars().GetNumeric(), c.numeric);
    }
    // Back and forth within the window is no change at all.
    TVarsDraft draft(sys);
    draft.SetVariableKind(kFever, false, true);
    draft.SetVariableKind(kFever, true, false);
    EXPECT_FALSE(draft.KindChanged(kFever));
    EXPECT_THAT(draft.Apply({}).DeletedRules, IsEmpty());
    EXPECT_EQ(sys.Rules().Count(), 5);
}

TEST_F(Editing, ValuesMoveByDragging) {
    struct Case {
        int from;
        int to;
        std::vector<std::string> order;
    };
    const Case cases[] = {
        {0, 2, {"Verde", "Roxo", "Azul", "Cinza"}},
        {3, 0, {"Cinza", "Azul", "Verde", "Roxo"}},
        {1, 2, {"Azul", "Roxo", "Verde", "Cinza"}},
        {2, 2, {"Azul", "Verde", "Roxo", "Cinza"}},
    };
    for (const Case& c : cases) {
        TVarsDraft draft(sys);
        std::string problem;
        draft.AddValue(kColour, "Cinza", problem);
        draft.MoveValue(kColour, c.from, c.to);
        std::vector<std::string> names;
        int32_t position = 0;
        for (const TValNode* value : draft.ValuesOf(kColour)) {
            names.push_back(value->Name);
            EXPECT_EQ(value->Position, ++position);
        }
        EXPECT_EQ(names, c.order) << c.from << " -> " << c.to;
    }
}

TEST_F(Editing, NamesAreFoundInAnyLetterCase) {
    TVarsDraft draft(sys);
    EXPECT_EQ(draft.VariableNamed("FEBRE"), kFever);
    EXPECT_EQ(draft.VariableNamed("febre", kFever), std::nullopt);  // itself does not count
    EXPECT_EQ(draft.ValueNamed(kColour, "verde"), kGreen);
    EXPECT_EQ(draft.ValueNamed(kRisk, "verde"), std::nullopt);
    std::string problem;
    const std::optional<int32_t> code = draft.AddVariable("\xC9poca", false, false, problem);
    EXPECT_EQ(draft.VariableNamed("\xE9POCA"), code);  // É and é
}

TEST_F(Editing, CancellingTheVariablesDraftLeavesTheBaseAlone) {
    std::vector<uint8_t> before;
    ASSERT_TRUE(sys.SaveBytes(before));
    {
        TVarsDraft draft(sys);
        std::string problem;
        draft.DeleteVariable(kRisk);
        draft.DeleteValue(10);
        draft.RenameVariable(kFever, "Temperatura");
        draft.SetVariableKind(kWeight, true, false);
        draft.AddVariable("Nova", false, false, problem);
    }
    std::vector<uint8_t> after;
    ASSERT_TRUE(sys.SaveBytes(after));
    EXPECT_EQ(before, after);
}

}  // namespace
}  // namespace quorvel
