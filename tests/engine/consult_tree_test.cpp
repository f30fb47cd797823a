#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "ExConsts.h"
#include "ExConsultTree.h"
#include "ExPromptLogic.h"
#include "ExSystem.h"
#include "ExText.h"
#include "ExWhy.h"
#include "TestSupport.h"

namespace quorvel {
namespace {

using test::Shown;
using test::TCapturingSink;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr int32_t kFever = 1;     // yes/no
constexpr int32_t kCough = 2;     // yes/no
constexpr int32_t kFlu = 3;       // univalued: provável, improvável
constexpr int32_t kTemp = 4;      // numeric
constexpr int32_t kDose = 5;      // numeric
constexpr int32_t kSymptoms = 6;  // multivalued: dor, tosse seca

constexpr int32_t kLikely = 1;
constexpr int32_t kUnlikely = 2;
constexpr int32_t kPain = 3;
constexpr int32_t kDryCough = 4;

constexpr int32_t kF38 = 1;      // "38"
constexpr int32_t kFDouble = 2;  // "TEMP * 2"

// Rule codes differ from their numbers: the views show numbers.
constexpr int32_t kRuleA = 7;  // number 1: Febre = Sim E Tosse = Sim OU NÃO Temp > 38
constexpr int32_t kRuleB = 2;  // number 2: NÃO Febre = Não E NÃO Tosse = Sim
constexpr int32_t kRuleC = 3;  // number 3: Temp >= 38 -> Dose = TEMP * 2

std::vector<std::string> Utf8(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const auto& line : lines) out.push_back(Cp1252ToUtf8(line));
    return out;
}

bool SameCursors(const TSingleIndexTree::TCursorState& a, const TSingleIndexTree::TCursorState& b) {
    for (int key = 0; key < 3; ++key)
        if (a.at[key] != b.at[key]) return false;
    return a.activeKey == b.activeKey;
}

// A small flu base, saved and opened again so that it is no longer new.
class ConsultViews : public ::testing::Test {
protected:
    ConsultViews() {
        TExpertSystem author(&sink);
        author.Vars().AddVariable(kFever, "Febre", false, false);
        author.Vars().AddVariable(kCough, "Tosse", false, false);
        author.Vars().AddVariable(kFlu, "Gripe", false, false);
        author.Vars().AddVariable(kTemp, "Temp", false, true);
        author.Vars().AddVariable(kDose, "Dose", false, true);
        author.Vars().AddVariable(kSymptoms, "Sintomas", true, false);
        author.Values().AddValue(kLikely, "prov\xE1vel", kFlu, 1);
        author.Values().AddValue(kUnlikely, "improv\xE1vel", kFlu, 2);
        author.Values().AddValue(kPain, "dor", kSymptoms, 1);
        author.Values().AddValue(kDryCough, "tosse seca", kSymptoms, 2);
        author.Formulas().Add(kF38, "38");
        author.Formulas().Add(kFDouble, "TEMP * 2");

        author.Rules().AddRule(kRuleA, "Gripe forte", 1);
        author.Tails().AddPremise(kRuleA, kFever, "=", kCodeYes, 0, false);
        author.Tails().AddPremise(kRuleA, kCough, "=", kCodeYes, 1, false);
        author.Tails().AddPremise(kRuleA, kTemp, ">", kF38, 2, true);
        author.Heads().AddConclusion(kRuleA, kFlu, kLikely, 0.8f);
        author.Heads().AddConclusion(kRuleA, kSymptoms, kPain, 0.75f);

        author.Rules().AddRule(kRuleB, "Sem gripe", 2);
        author.Tails().AddPremise(kRuleB, kFever, "=", kCodeNo, 0, true);
        author.Tails().AddPremise(kRuleB, kCough, "=", kCodeYes, 2, true);
        author.Heads().AddConclusion(kRuleB, kFlu, kUnlikely, 1.0f);

        author.Rules().AddRule(kRuleC, "Dose", 3);
        author.Tails().AddPremise(kRuleC, kTemp, ">=", kF38, 2, false);
        author.Heads().AddConclusion(kRuleC, kDose, kFDouble, 1.0f);
        author.Targets().Add(kFlu);

        const std::string file = dir.File("gripe.bcm");
        EXPECT_TRUE(author.Save(file)) << author.LastSaveError();
        EXPECT_TRUE(sys.Load(file));
        EXPECT_FALSE(sys.IsNew());
        sys.Running = true;
        sink.Clear();
    }

    void Record(std::initializer_list<int32_t> items) {
        for (int32_t item : items) sys.Tape().Append(item);
    }

    std::vector<std::string> FillAndRender() {
        tree.Fill(sys);
        return Utf8(tree.Render());
    }

    test::TTempDir dir;
    TCapturingSink sink;
    TExpertSystem sys{&sink};
    TConsultTreeModel tree;
};

// ------------------------------------------------------ consultation tree

TEST_F(ConsultViews, TreeFollowsTheTapeEntryByEntry) {
    struct Case {
        const char* name;
        std::vector<int32_t> tape;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"a rule entered and rejected at its first premise holds two children; the next entry follows it",
         {kRuleB, 1, -2, kRuleB, -4, kCough},
         {"Entrando na regra 2 ...", "  Verificando se Febre = Não é falso", "  A regra 2 foi rejeitada.",
          "Procurando Tosse ..."}},
        {"a rule entered while testing another rule's premise nests under it, after that premise",
         {-4, kFlu,   kRuleA, 1, -4, kFever, kRuleB, 1,    -2, kRuleB,
          -7, kFever, kRuleA, 2, -2, kRuleA, -7,     kFlu, -4, kCough},
         {"Procurando Gripe ...", "Entrando na regra 1 ...", "  Comparando Febre = Sim", "  Procurando Febre ...",
          "  Entrando na regra 2 ...", "    Verificando se Febre = Não é falso", "    A regra 2 foi rejeitada.",
          "  Comparando Tosse = Sim", "  A regra 1 foi rejeitada.", "Procurando Tosse ..."}},
        {"a fired rule gives one child per conclusion",
         {kRuleA, 1, kRuleA, 2, -1, kRuleA, -3, kRuleA, -4, kTemp},
         {"Entrando na regra 1 ...", "  Comparando Febre = Sim", "  Comparando Tosse = Sim",
          "  A regra 1 foi aceita:", "    Gripe = provável", "    Sintomas = dor", "Procurando Temp ..."}},
        {"a numeric conclusion shows its formula, the segment's steps and the value",
         {kRuleC, 1, -1, kRuleC, -5, 0, -4, kTemp, 0, kTemp, -6, 0, -3, kRuleC},
         {"Entrando na regra 3 ...", "  Comparando Temp >= 38", "  A regra 3 foi aceita:",
          "    Avaliando Dose = TEMP * 2", "      Procurando Temp ...", "      Perguntando ao usuário sobre Temp ...",
          "      Resposta do usuário:  37,5, com 100%", "    Dose = 75"}},
        {"a numeric conclusion without a segment on the tape has no sub-tree",
         {kRuleC, 1, -1, kRuleC, -3, kRuleC},
         {"Entrando na regra 3 ...", "  Comparando Temp >= 38",
          "  A regra 3 foi aceita:", "    Avaliando Dose = TEMP * 2", "    Dose = 75"}},
        {"nested segments stay inside the outer one",
         {kRuleC, 1, -1, kRuleC, -5, 0, -5, 0, -4, kTemp, -6, 0, -4, kFever, -6, 0, -4, kCough},
         {"Entrando na regra 3 ...", "  Comparando Temp >= 38",
          "  A regra 3 foi aceita:", "    Avaliando Dose = TEMP * 2", "      Procurando Temp ...",
          "      Procurando Febre ...", "    Dose = 75", "Procurando Tosse ..."}},
        {"answers list every value held, with its confidence",
         {0, kFever, 0, kSymptoms, 0, kCough},
         {"Perguntando ao usuário sobre Febre ...", "Resposta do usuário: Não, com 80%",
          "Perguntando ao usuário sobre Sintomas ...", "Resposta do usuário: dor, com 60%",
          "Resposta do usuário: tosse seca, com 95.5%", "Perguntando ao usuário sobre Tosse ..."}},
        {"conclusions done and default unknown entries are dropped",
         {-3, kRuleA, -7, kFlu, -4, kFlu},
         {"Procurando Gripe ..."}},
    };
    sys.VarList().AddInstantiation(kFever, kCodeNo, 0.8f);
    sys.VarList().AddInstantiation(kSymptoms, kPain, 0.6f);
    sys.VarList().AddInstantiation(kSymptoms, kDryCough, 0.955f);
    sys.VarListExtra().AddNumericInstantiation(kTemp, "37,5", 1.0f);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tree.Clear();
        for (int32_t item : c.tape) sys.Tape().Append(item);
        EXPECT_THAT(FillAndRender(), ElementsAreArray(c.lines));
        EXPECT_TRUE(sys.Tape().Empty());
    }
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST_F(ConsultViews, TreeMarksRulesAndSubTreesWithImageOne) {
    sys.VarListExtra().AddNumericInstantiation(kTemp, "40", 1.0f);
    Record({kRuleC, 1, -1, kRuleC, -5, 0, -4, kTemp, -6, 0, -3, kRuleC, kRuleA, 1, -2, kRuleA});
    tree.Fill(sys);
    // Walked by the links themselves, each child checked against its parent.
    std::vector<std::pair<std::string, int>> images;
    const std::function<void(TConsultTreeModel::TNodeId)> walk = [&](TConsultTreeModel::TNodeId node) {
        images.emplace_back(Cp1252ToUtf8(tree.Text(node)), tree.Image(node));
        for (auto child = tree.FirstChild(node); child != TConsultTreeModel::kNoNode; child = tree.NextSibling(child)) {
            EXPECT_EQ(tree.Parent(child), node);
            walk(child);
        }
    };
    for (auto root = tree.FirstNode(); root != TConsultTreeModel::kNoNode; root = tree.NextSibling(root)) {
        EXPECT_EQ(tree.Parent(root), TConsultTreeModel::kNoNode);
        walk(root);
    }
    EXPECT_THAT(images, ElementsAre(std::pair<std::string, int>{"Entrando na regra 3 ...", 1},
                                    std::pair<std::string, int>{"Comparando Temp >= 38", 0},
                                    std::pair<std::string, int>{"A regra 3 foi aceita:", 1},
                                    std::pair<std::string, int>{"Avaliando Dose = TEMP * 2", 1},
                                    std::pair<std::string, int>{"Procurando Temp ...", 0},
                                    std::pair<std::string, int>{"Dose = 80", 0},
                                    std::pair<std::string, int>{"Entrando na regra 1 ...", 1},
                                    std::pair<std::string, int>{"Comparando Febre = Sim", 0},
                                    std::pair<std::string, int>{"A regra 1 foi rejeitada.", 0}));
    EXPECT_EQ(Cp1252ToUtf8(tree.Text(tree.FirstNode())), "Entrando na regra 3 ...");
}

TEST_F(ConsultViews, NumericConclusionOfAnUnknownVariableIsUnknown) {
    sys.VarList().AddInstantiation(kTemp, kCodeUnknown, 1.0f);  // Temp = DESCONHECIDO
    Record({-1, kRuleC, -3, kRuleC});
    EXPECT_THAT(FillAndRender(),
                ElementsAre("A regra 3 foi aceita:", "  Avaliando Dose = TEMP * 2", "  Dose = DESCONHECIDO"));
    EXPECT_FALSE(sys.LastUnknown);  // the tree's own evaluation leaves the engine's flag alone
}

TEST_F(ConsultViews, SecondFillAppendsOnlyWhatWasRecordedSince) {
    Record({kRuleB, 1, -2, kRuleB});
    EXPECT_THAT(FillAndRender(), ElementsAre("Entrando na regra 2 ...", "  Verificando se Febre = Não é falso",
                                             "  A regra 2 foi rejeitada."));
    EXPECT_TRUE(sys.Tape().Empty());
    Record({-4, kCough, kRuleA, 1, -2, kRuleA});
    EXPECT_THAT(FillAndRender(),
                ElementsAre("Entrando na regra 2 ...", "  Verificando se Febre = Não é falso",
                            "  A regra 2 foi rejeitada.", "Procurando Tosse ...", "Entrando na regra 1 ...",
                            "  Comparando Febre = Sim", "  A regra 1 foi rejeitada."));
    std::size_t roots = 0;
    for (auto root = tree.FirstNode(); root != TConsultTreeModel::kNoNode; root = tree.NextSibling(root)) ++roots;
    EXPECT_EQ(roots, 3u);
}

TEST_F(ConsultViews, LinesReadAfterTheConsultationSayWhatItSaw) {
    // A real consultation: the nodes name the running plan's records, and
    // their lines are read only once it has ended and a variable was renamed.
    sys.Running = false;
    sys.OnPrompt = [](TExpertSystem& e, int32_t var) {
        e.Instantiate(var, std::to_string(kCodeYes), true, 0.9f);
        e.ReleaseWait();
    };
    sys.OnShowResults = [&](TExpertSystem& e, int32_t) { tree.Fill(e); };
    const std::vector<std::string> first = {"Procurando Gripe ...",
                                            "Entrando na regra 1 ...",
                                            "  Comparando Febre = Sim",
                                            "  Procurando Febre ...",
                                            "  Perguntando ao usuário sobre Febre ...",
                                            "  Resposta do usuário: Sim, com 90%",
                                            "  Comparando Tosse = Sim",
                                            "  Procurando Tosse ...",
                                            "  Perguntando ao usuário sobre Tosse ...",
                                            "  Resposta do usuário: Sim, com 90%",
                                            "  A regra 1 foi aceita:",
                                            "    Gripe = provável",
                                            "    Sintomas = dor"};
    sys.Start();
    ASSERT_FALSE(sys.Running);
    sys.Vars().Find(kFever);
    sys.Vars().Rename("Calor");
    EXPECT_THAT(Utf8(tree.Render()), ElementsAreArray(first));

    // A second consultation appends under its own plan; the first one's
    // lines keep the names they were made with.
    sys.Start();
    const std::vector<std::string> lines = Utf8(tree.Render());
    ASSERT_EQ(lines.size(), 2 * first.size());
    EXPECT_THAT(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(first.size())),
                ElementsAreArray(first));
    EXPECT_EQ(lines[first.size() + 2], "  Comparando Calor = Sim");
    EXPECT_EQ(lines[first.size() + 4], "  Perguntando ao usuário sobre Calor ...");
}

TEST_F(ConsultViews, ExecutionOnlyBaseShowsNoTreeAndKeepsTheTape) {
    sys.AccessLevel = kAccessConsultOnly;
    Record({-4, kFlu, kRuleA, 1});
    tree.Fill(sys);
    EXPECT_TRUE(tree.Empty());
    EXPECT_EQ(sys.Tape().Size(), 4u);
}

TEST_F(ConsultViews, UnbalancedOrCutTapesStayInsideTheTree) {
    // After going back to a question the tape may close rules it never
    // opened, and a tape may end in the middle of a pair.
    Record({-2, kRuleA, -4, kFlu, -1, kRuleB, -3, kRuleB, kRuleA});
    EXPECT_THAT(FillAndRender(), ElementsAre("A regra 1 foi rejeitada.", "Procurando Gripe ...",
                                             "A regra 2 foi aceita:", "  Gripe = improvável"));
    EXPECT_TRUE(sys.Tape().Empty());
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST_F(ConsultViews, TreeLeavesTheEngineCursorsWhereTheyWere) {
    sys.Vars().Find(kSymptoms);
    sys.Values().FindByVarCode(kSymptoms);
    sys.Heads().Find(kRuleB);
    sys.Tails().Find(kRuleC);
    sys.Rules().FindName("Dose");
    sys.VarList().AddInstantiation(kFever, kCodeNo, 1.0f);
    sys.VarList().AddInstantiation(kSymptoms, kPain, 1.0f);
    sys.VarList().Find(kFever);
    sys.VarListExtra().AddNumericInstantiation(kTemp, "39", 1.0f);
    const std::vector<TSingleIndexTree*> trees = {&sys.Vars(),  &sys.Values(),  &sys.Heads(),   &sys.Tails(),
                                                  &sys.Rules(), &sys.VarList(), &sys.Formulas()};
    std::vector<TSingleIndexTree::TCursorState> before;
    for (auto* t : trees) before.push_back(t->SaveCursors());
    Record({-4, kFlu, kRuleA, 1, 0, kSymptoms, -1, kRuleC, -5, 0, -6, 0, -3, kRuleC, -2, kRuleA});
    tree.Fill(sys);
    for (std::size_t i = 0; i < trees.size(); ++i) EXPECT_TRUE(SameCursors(before[i], trees[i]->SaveCursors())) << i;
}

TEST_F(ConsultViews, RenderIndentsTwoBlanksPerLevel) {
    Record({kRuleA, 1, -4, kFever, kRuleB, 1, -2, kRuleB, -2, kRuleA});
    tree.Fill(sys);
    for (const std::string& line : tree.Render()) {
        const auto indent = line.find_first_not_of(' ');
        EXPECT_EQ(indent % 2, 0u) << line;
    }
    EXPECT_EQ(tree.Render()[4], "    Verificando se Febre = N\xE3o \xE9 falso");
}

TEST_F(ConsultViews, PromptAnswersDriveAConsultationThatTheTreeAndWhyTell) {
    // A whole consultation: the prompt answers the questions, the why text
    // is taken while each question waits, and the tree grows at each result.
    sys.Running = false;
    sys.Targets().Clear();
    sys.Targets().Add(kDose);
    sys.Targets().Add(kFlu);
    TPromptModel prompt(&sys);
    TWhyText why(sys);
    std::vector<std::vector<std::string>> whyTexts;
    std::vector<std::size_t> treeSizes;
    sys.OnPrompt = [&](TExpertSystem& engine, int32_t var) {
        prompt.SetVarCode(var);
        whyTexts.push_back(Utf8(why.Fill(var)));
        if (var == kTemp) prompt.SetValueText("39");
        if (var == kFever) prompt.SetChecked(0, true);  // Sim, 100
        if (var == kCough) prompt.SetChecked(1, true);  // Não
        EXPECT_TRUE(prompt.Submit());
        engine.ReleaseWait();
    };
    sys.OnShowResults = [&](TExpertSystem& engine, int32_t) {
        tree.Fill(engine);
        treeSizes.push_back(tree.Render().size());
    };
    sys.Start();

    EXPECT_THAT(
        whyTexts,
        ElementsAre(ElementsAre("Para concluir", " -  Dose = TEMP * 2", "eu preciso saber se", "==> Temp >= 38"),
                    ElementsAre("Para concluir", " -  Gripe = provável", " -  Sintomas = dor", "eu preciso saber se",
                                "==> Febre = Sim", " -  Tosse = Sim", " -  Temp > 38"),
                    ElementsAre("Para concluir", " -  Gripe = provável", " -  Sintomas = dor", "eu preciso saber se",
                                " -  Febre = Sim", "==> Tosse = Sim", " -  Temp > 38")));
    EXPECT_THAT(
        Utf8(tree.Render()),
        ElementsAre(
            "Procurando Dose ...", "Entrando na regra 3 ...", "  Comparando Temp >= 38", "  Procurando Temp ...",
            "  Perguntando ao usuário sobre Temp ...", "  Resposta do usuário:  39, com 100%",
            "  A regra 3 foi aceita:", "    Avaliando Dose = TEMP * 2", "    Dose = 78",  //
            "Procurando Gripe ...", "Entrando na regra 1 ...", "  Comparando Febre = Sim", "  Procurando Febre ...",
            "  Perguntando ao usuário sobre Febre ...", "  Resposta do usuário: Sim, com 100%",
            "  Comparando Tosse = Sim", "  Procurando Tosse ...", "  Perguntando ao usuário sobre Tosse ...",
            "  Resposta do usuário: Não, com 100%", "  Verificando se Temp > 38 é falso", "  A regra 1 foi rejeitada.",
            "Entrando na regra 2 ...", "  Verificando se Febre = Não é falso", "  Verificando se Tosse = Sim é falso",
            "  A regra 2 foi aceita:", "    Gripe = improvável"));
    EXPECT_THAT(treeSizes, ElementsAre(9u, 26u));
    EXPECT_THAT(sink.Messages, IsEmpty());
}

// -------------------------------------------------------------- rule view

std::vector<std::string> LineTexts(const std::vector<TRuleViewLine>& lines) {
    std::vector<std::string> texts;
    for (const auto& line : lines) texts.push_back(Cp1252ToUtf8(line.Text));
    return texts;
}

TEST_F(ConsultViews, RuleViewListsEveryRuleInNumberOrder) {
    const auto lines = RuleViewLines(sys);
    EXPECT_THAT(LineTexts(lines),
                ElementsAre("REGRA 1", "SE Febre = Sim", "E  Tosse = Sim", "OU NÃO Temp > 38",
                            "\\ENT Gripe = provável CNF 80%", "\\ENT\\ Sintomas = dor CNF 75%",  //
                            "REGRA 2", "SE NÃO Febre = Não", "E  NÃO Tosse = Sim", "\\ENT Gripe = improvável CNF 100%",
                            "REGRA 3", "SE Temp >= 38", "\\ENT Dose = TEMP * 2 CNF 100%"));
    // Premise k and conclusion k of a rule are told apart for the trace panel.
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[3].RuleCode, kRuleA);
    EXPECT_EQ(lines[3].Kind, TRuleLineKind::Premise);
    EXPECT_EQ(lines[3].Index, 3);
    EXPECT_EQ(lines[5].Kind, TRuleLineKind::Conclusion);
    EXPECT_EQ(lines[5].Index, 2);
    EXPECT_EQ(lines[6].Kind, TRuleLineKind::Header);
    EXPECT_EQ(lines[6].RuleCode, kRuleB);
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST_F(ConsultViews, RuleViewFilterKeepsRulesConcludingAChosenVariable) {
    struct Case {
        bool useFilter;
        std::set<int32_t> filter;
        std::vector<std::string> headers;
    };
    const Case cases[] = {
        {false, {}, {"REGRA 1", "REGRA 2", "REGRA 3"}},
        {false, {kDose}, {"REGRA 1", "REGRA 2", "REGRA 3"}},
        {true, {}, {}},
        {true, {kSymptoms}, {"REGRA 1"}},
        {true, {kDose}, {"REGRA 3"}},
        {true, {kDose, kFlu}, {"REGRA 1", "REGRA 2", "REGRA 3"}},
        {true, {kFever, kTemp}, {}},  // only in premises
    };
    for (const Case& c : cases) {
        std::vector<std::string> headers;
        for (const auto& line : RuleViewLines(sys, c.useFilter, c.filter))
            if (line.Kind == TRuleLineKind::Header) headers.push_back(line.Text);
        EXPECT_EQ(headers, c.headers) << c.useFilter << " " << c.filter.size();
    }
}

TEST_F(ConsultViews, RuleViewIsEmptyForANewBaseOrAnExecutionOnlyBase) {
    sys.AccessLevel = kAccessConsultOnly;
    EXPECT_THAT(RuleViewLines(sys), IsEmpty());
    sys.AccessLevel = kAccessConsultAndView;
    EXPECT_EQ(RuleViewLines(sys).size(), 13u);
    sys.SetFileName("");  // the base counts as new
    EXPECT_THAT(RuleViewLines(sys), IsEmpty());
}

TEST_F(ConsultViews, RuleViewKeepsOneLinePerPremiseWhateverTheConnectives) {
    // A damaged rule: "ENTÃO" in the middle and a bad connective. Every
    // premise keeps its own line, so premise k stays k lines under the header.
    sys.Rules().AddRule(9, "Estranha", 4);
    sys.Tails().AddPremise(9, kFever, "=", kCodeYes, 2, false);
    sys.Tails().AddPremise(9, kCough, "=", kCodeYes, 7, false);
    sys.Tails().AddPremise(9, kFever, "<>", kCodeNo, 0, false);
    sys.Heads().AddConclusion(9, kFlu, kLikely, 0.5f);
    const auto lines = RuleViewLines(sys);
    ASSERT_EQ(lines.size(), 18u);
    EXPECT_THAT(LineTexts({lines.begin() + 13, lines.end()}),
                ElementsAre("REGRA 4", "SE Febre = Sim", "ENTÃOTosse = Sim", "???Febre <> Não",
                            "\\ENT Gripe = provável CNF 50%"));
    EXPECT_THAT(sink.Messages, ElementsAre(Shown(TMsgKind::Error, msg::NoSuchConnective)));
}

TEST(RuleLineParts, ConnectorsAndKeywordsAreNavyTheRestBlack) {
    using C = TRuleLineColor;
    struct Case {
        std::string line;
        std::vector<std::tuple<std::string, int, C>> parts;
    };
    const Case cases[] = {
        {"REGRA 12", {{"REGRA 12", 1, C::Navy}}},
        {"SE Febre = Sim", {{"SE ", 3, C::Navy}, {"Febre = Sim", 8, C::Black}}},
        {"SE N\xC3O Febre = Sim", {{"SE ", 3, C::Navy}, {"N\xC3O Febre = Sim", 8, C::Black}}},
        {"E  Tosse = Sim", {{"E  ", 3, C::Navy}, {"Tosse = Sim", 8, C::Black}}},
        {"OU Temp > 38", {{"OU ", 3, C::Navy}, {"Temp > 38", 8, C::Black}}},
        {"\\ENT Gripe = x CNF 80%", {{"ENT\xC3O", 3, C::Navy}, {"Gripe = x CNF 80%", 8, C::Black}}},
        {"\\ENT\\ Dose = 2 CNF 100%", {{"Dose = 2 CNF 100%", 8, C::Black}}},
        {"SE", {{"SE", 3, C::Navy}, {"", 8, C::Black}}},
        {"", {{"", 1, C::Navy}}},
    };
    for (const Case& c : cases) {
        for (bool selected : {false, true}) {
            std::vector<std::tuple<std::string, int, C>> parts;
            for (const auto& part : RuleLineParts(c.line, selected)) {
                parts.emplace_back(part.Text, part.OffsetM, part.Color);
                if (selected) {
                    EXPECT_EQ(part.Color, C::White) << c.line;
                }
            }
            if (selected) continue;
            EXPECT_EQ(parts, c.parts) << c.line;
        }
    }
}

}  // namespace
}  // namespace quorvel
