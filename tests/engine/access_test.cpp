#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "ExConsts.h"
#include "ExSystem.h"
#include "ExText.h"
#include "TestSupport.h"

namespace quorvel {
namespace {

using test::Shown;
using test::TCapturingSink;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr int32_t kFever = 1;   // yes/no
constexpr int32_t kColour = 2;  // univalued with values
constexpr int32_t kWeight = 3;  // numeric

class AccessOperations : public ::testing::Test {
protected:
    AccessOperations() {
        sys.Vars().AddVariable(kFever, "Febre", false, false);
        sys.Vars().AddVariable(kColour, "Cor", false, false);
        sys.Vars().AddVariable(kWeight, "Peso", false, true);
        sys.Values().AddValue(10, "Azul", kColour, 1);
        sys.Values().AddValue(-2, "Falso sim", 77, 1);  // would be found if -2 were looked up
        sys.Values().AddValue(30, "0;100", kWeight, 1);
        sys.Formulas().Add(20, "PESO*2");
    }

    TCapturingSink sink;
    TExpertSystem sys{&sink};
};

TEST_F(AccessOperations, ValueTextOfGivesTheTextOrAPlaceholder) {
    struct Case {
        int32_t var;
        int32_t value;
        std::string text;
        std::vector<test::TShownMessage> messages;
    };
    const Case cases[] = {
        {kFever, -2, "Sim", {}},
        {kFever, -3, "N\xE3o", {}},
        {kFever, -1, "DESCONHECIDO", {}},
        {kColour, 10, "Azul", {}},
        {kColour, 11, "???", {Shown(TMsgKind::Error, msg::NoSuchValue)}},
        {kWeight, 20, "PESO*2", {}},
        {kWeight, -1, "DESCONHECIDO", {}},
        {kWeight, 10, "???", {Shown(TMsgKind::Error, msg::NoSuchFormula)}},  // for a number a code names a formula
        {kWeight, -2, "???", {Shown(TMsgKind::Error, msg::NoSuchFormula)}},
        {99, 10, "???", {}},  // an absent variable: no message
    };
    // The lookups must not disturb cursors that callers have placed.
    ASSERT_TRUE(sys.Vars().FindName("cor"));
    ASSERT_TRUE(sys.Values().FindByVarCode(kWeight));
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.var) + "/" + std::to_string(c.value));
        sink.Clear();
        EXPECT_EQ(sys.ValueTextOf(c.var, c.value), c.text);
        EXPECT_EQ(sink.Messages, c.messages);
        EXPECT_EQ(sys.Vars().ActiveKey(), kKeyName);
        EXPECT_EQ(sys.Vars().GetCode(), kColour);
        EXPECT_EQ(sys.Values().ActiveKey(), kKeyThird);
        EXPECT_EQ(sys.Values().GetCode(), 30);
    }
}

TEST_F(AccessOperations, ValueTextAndVarNameReportAbsentCodes) {
    ASSERT_TRUE(sys.Vars().Find(kColour));
    EXPECT_EQ(sys.ValueText(10), "Azul");
    EXPECT_EQ(sys.ValueText(12), "");
    ASSERT_TRUE(sys.Vars().Find(kWeight));
    EXPECT_EQ(sys.ValueText(20), "PESO*2");
    EXPECT_EQ(sys.ValueText(21), "");
    EXPECT_EQ(sys.Vars().GetCode(), kWeight);
    EXPECT_EQ(sys.VarName(kFever), "Febre");
    EXPECT_EQ(sys.VarName(42), "???");
    EXPECT_EQ(sys.Vars().GetCode(), kWeight);
    EXPECT_THAT(sink.Messages,
                ElementsAre(Shown(TMsgKind::Error, msg::NoValueFound), Shown(TMsgKind::Error, msg::NoValueFound),
                            Shown(TMsgKind::Error, msg::NoSuchVariable)));
}

std::vector<std::string> Names(const std::vector<TValueListEntry>& list) {
    std::vector<std::string> names;
    for (const auto& entry : list) names.push_back(entry.Name);
    return names;
}

TEST_F(AccessOperations, ValueListIsInPositionOrder) {
    constexpr int32_t kHeight = 4;
    sys.Vars().AddVariable(kHeight, "Altura", false, false);
    sys.Values().AddValue(11, "Alto", kHeight, 2);
    sys.Values().AddValue(12, "Baixo", kHeight, 1);
    std::vector<TValueListEntry> list = {{"velho", nullptr}};
    sys.ValueList(kHeight, list);
    EXPECT_THAT(Names(list), ElementsAre("Baixo", "Alto"));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Value->Code, 12);
    EXPECT_EQ(list[1].Value->Code, 11);

    // Equal positions keep the order in which the values were added.
    sys.Values().AddValue(13, "Medio", kHeight, 2);
    sys.Values().AddValue(14, "Nenhum", kHeight, 0);
    sys.ValueList(kHeight, list);
    EXPECT_THAT(Names(list), ElementsAre("Nenhum", "Baixo", "Alto", "Medio"));

    sys.ValueList(kFever, list);
    EXPECT_THAT(Names(list), ElementsAre("Sim", "N\xE3o"));
    EXPECT_EQ(list[0].Value, nullptr);
    EXPECT_EQ(list[1].Value, nullptr);

    sys.ValueList(kWeight, list);  // numeric, even with its interval record
    EXPECT_THAT(list, IsEmpty());
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST_F(AccessOperations, ConnectiveTexts) {
    struct Case {
        int32_t connective;
        std::string text;
        bool message;
    };
    const Case cases[] = {
        {0, "E  ", false}, {1, "OU ", false}, {2, "ENT\xC3O", false}, {5, "???", true}, {-1, "???", true}};
    for (const auto& c : cases) {
        sink.Clear();
        EXPECT_EQ(sys.ConnectiveText(c.connective), c.text) << c.connective;
        if (c.message) {
            EXPECT_THAT(sink.Messages, ElementsAre(Shown(TMsgKind::Error, msg::NoSuchConnective)));
        } else {
            EXPECT_THAT(sink.Messages, IsEmpty());
        }
    }
    for (const char* text : {"E  ", "OU "}) EXPECT_TRUE(sys.IsConnective(text)) << text;
    for (const char* text : {"E", "OU", "E ", "ou ", "ENT\xC3O", "???", ""})
        EXPECT_FALSE(sys.IsConnective(text)) << text;
    EXPECT_EQ(TExpertSystem::Spaces(3), "   ");
    EXPECT_EQ(TExpertSystem::Spaces(-2), "");
}

// -------------------------------------------------------------- results

class Results : public AccessOperations {
protected:
    struct TResults {
        std::vector<std::string> names;
        std::vector<std::string> cnfs;
    };
    TResults Of(int32_t var) {
        TResults r;
        sys.ResultsOf(var, r.names, r.cnfs);
        return r;
    }
};

TEST_F(Results, AreEmptyWhenNoConsultationIsRunning) {
    sys.VarList().AddInstantiation(kColour, 10, 0.9f);
    std::vector<std::string> names = {"x"}, cnfs = {"y"};
    sys.ResultsOf(kColour, names, cnfs);
    EXPECT_THAT(names, IsEmpty());
    EXPECT_THAT(cnfs, IsEmpty());
}

TEST_F(Results, ComeHighestConfidenceFirstThenByPosition) {
    sys.Running = true;
    sys.Values().AddValue(11, "Alto", kColour, 3);
    sys.Values().AddValue(12, "Baixo", kColour, 2);
    sys.Values().AddValue(13, "Medio", kColour, 4);

    sys.VarList().AddInstantiation(kColour, 11, 0.8f);
    sys.VarList().AddInstantiation(kColour, 12, 0.95f);
    TResults r = Of(kColour);
    EXPECT_THAT(r.names, ElementsAre("Baixo", "Alto"));
    EXPECT_THAT(r.cnfs, ElementsAre("95", "80"));

    // Equal confidences: by the values' positions.
    sys.VarList().AddInstantiation(kColour, 13, 0.8f);
    sys.VarList().AddInstantiation(kColour, 10, 0.8f);
    r = Of(kColour);
    EXPECT_THAT(r.names, ElementsAre("Baixo", "Azul", "Alto", "Medio"));
    EXPECT_THAT(r.cnfs, ElementsAre("95", "80", "80", "80"));

    sys.VarList().AddInstantiation(kFever, -1, 0.3f);
    r = Of(kFever);
    EXPECT_THAT(r.names, ElementsAre(msg::NoValueFoundResult));
    EXPECT_THAT(r.cnfs, ElementsAre("100"));

    r = Of(42);
    EXPECT_THAT(r.names, ElementsAre(msg::NoValueFoundResult));
    EXPECT_THAT(r.cnfs, IsEmpty());

    sys.VarListExtra().AddNumericInstantiation(kWeight, "2.5", 0.7f);
    sys.VarListExtra().AddNumericInstantiation(kWeight, "3", 0.9f);
    r = Of(kWeight);
    EXPECT_THAT(r.names, ElementsAre("3", "2.5"));
    EXPECT_THAT(r.cnfs, ElementsAre("90", "70"));
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST_F(Results, RandomInstantiationsComeOutSorted) {
    sys.Running = true;
    std::mt19937 rng(4242);
    const float cnfs[] = {0.1f, 0.35f, 0.5f, 0.8f, 0.95f, 1.0f};
    for (int trial = 0; trial < 300; ++trial) {
        const int32_t var = 100 + trial;
        const int n = 1 + static_cast<int>(rng() % 14);
        std::vector<int32_t> positions(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) positions[static_cast<std::size_t>(i)] = i + 1;
        std::shuffle(positions.begin(), positions.end(), rng);
        struct TExpected {
            float cnf;
            int32_t position;
            std::string name;
        };
        std::vector<TExpected> expected;
        for (int i = 0; i < n; ++i) {
            const int32_t code = 1000 + trial * 20 + i;
            const std::string name = "v" + std::to_string(code);
            const float cnf = cnfs[rng() % 6];
            sys.Values().AddValue(code, name, var, positions[static_cast<std::size_t>(i)]);
            sys.VarList().AddInstantiation(var, code, cnf);
            expected.push_back({cnf, positions[static_cast<std::size_t>(i)], name});
        }
        std::sort(expected.begin(), expected.end(), [](const TExpected& a, const TExpected& b) {
            return a.cnf != b.cnf ? a.cnf > b.cnf : a.position < b.position;
        });
        std::vector<std::string> wantNames, wantCnfs;
        for (const auto& e : expected) {
            wantNames.push_back(e.name);
            wantCnfs.push_back(CnfText(static_cast<double>(e.cnf) * 100.0));
        }
        const TResults r = Of(var);
        ASSERT_EQ(r.names, wantNames) << "trial " << trial;
        ASSERT_EQ(r.cnfs, wantCnfs) << "trial " << trial;
    }
}

// ------------------------------------------------------- cursors and clearing

TEST_F(AccessOperations, SavedCursorsComeBackAndNeverDangle) {
    sys.Values().AddValue(11, "Alto", kColour, 2);
    sys.Questions().AddQuestion(kFever, "Tem febre?", true);
    sys.Questions().AddQuestion(kColour, "Qual a cor?", true);

    sys.Vars().FindName("peso");
    sys.Values().Find(11);
    sys.Values().FindName("azul");
    sys.Values().FindByVarCode(kWeight);
    sys.Values().SetActiveKey(kKeyName);
    sys.Questions().Find(kColour);
    sys.SaveLookupCursors();
    sys.SaveQuestionCursor();

    sys.Vars().Find(kFever);
    sys.Values().FindByVarCode(kColour);
    sys.Values().Find(10);
    sys.Questions().First();
    sys.RestoreLookupCursors();
    sys.RestoreQuestionCursor();

    EXPECT_EQ(sys.Vars().ActiveKey(), kKeyName);
    EXPECT_EQ(sys.Vars().GetCode(), kWeight);
    EXPECT_EQ(sys.Values().ActiveKey(), kKeyName);
    EXPECT_EQ(sys.Values().GetCode(), 10);
    EXPECT_EQ(sys.Values().CursorRecord(kKeyCode)->Code, 11);
    EXPECT_EQ(sys.Values().CursorRecord(kKeyThird)->Code, 30);
    EXPECT_EQ(sys.Questions().GetText(), "Qual a cor?");

    // A record deleted in between leaves its cursor empty, not dangling.
    sys.SaveLookupCursors();
    sys.Values().DeleteCurrent();  // "Azul", under the name cursor
    sys.Values().Find(11);
    sys.RestoreLookupCursors();
    EXPECT_TRUE(sys.Values().Eof());
    EXPECT_EQ(sys.Values().CursorRecord(kKeyCode)->Code, 11);
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST(ClearBase, GivesANewBaseWithTheDefaults) {
    TCapturingSink sink;
    TExpertSystem sys(&sink);
    sys.Vars().AddVariable(1, "a", false, false);
    sys.Values().AddValue(1, "b", 1, 1);
    sys.Heads().AddConclusion(1, 1, 1, 1.0f);
    sys.Tails().AddPremise(1, 1, "=", 1, 2, false);
    sys.Rules().AddRule(1, "R", 1);
    sys.Targets().Add(1);
    sys.Questions().AddQuestion(1, "?", true);
    sys.HelpContexts().AddContext(1, 5);
    sys.Formulas().Add(1, "1");
    sys.BaseName = "Base";
    sys.Authors = "Autor";
    sys.OpeningText = {"linha"};
    sys.HelpFile = "a.hlp";
    sys.ShowOpening = true;
    sys.Version = "1.0";
    sys.Precedence = 1;
    sys.MinimumCnf = 0.2f;
    sys.EvaluateAllPremises = true;
    sys.AndFormula = {"CNF1", false};
    sys.PasswordBlock = {ScrambleText("x"), 3, true};
    sys.AccessLevel = 2;
    sys.Running = true;
    sys.Paused = true;

    sys.ClearBase();
    for (TSingleIndexTree* tree :
         std::initializer_list<TSingleIndexTree*>{&sys.Vars(), &sys.Values(), &sys.Heads(), &sys.Tails(), &sys.Rules(),
                                                  &sys.Questions(), &sys.HelpContexts(), &sys.Formulas()})
        EXPECT_EQ(tree->Count(), 0);
    EXPECT_EQ(sys.Targets().Count(), 0);
    EXPECT_EQ(sys.BaseName, "SEM NOME");
    EXPECT_EQ(sys.Authors, "");
    EXPECT_THAT(sys.OpeningText, IsEmpty());
    EXPECT_EQ(sys.HelpFile, "");
    EXPECT_FALSE(sys.ShowOpening);
    EXPECT_EQ(sys.Version, "1.1");
    EXPECT_EQ(sys.Precedence, 0);
    EXPECT_EQ(sys.MinimumCnf, 0.5f);
    EXPECT_FALSE(sys.EvaluateAllPremises);
    for (const TCnfFormula* formula : {&sys.AndFormula, &sys.OrFormula, &sys.ConclusionFormula}) {
        EXPECT_EQ(formula->Text, "");
        EXPECT_TRUE(formula->UseDefault);
    }
    EXPECT_EQ(sys.PasswordBlock.Password, "");
    EXPECT_EQ(sys.PasswordBlock.Restriction, 1);
    EXPECT_FALSE(sys.PasswordBlock.UsePassword);
    EXPECT_EQ(sys.AccessLevel, 1);
    EXPECT_FALSE(sys.Running);
    EXPECT_FALSE(sys.Paused);
    EXPECT_EQ(sys.FileName(), "");
    EXPECT_TRUE(sys.IsNew());
    EXPECT_TRUE(sys.RulesMayBeShown());
    EXPECT_TRUE(sys.MayBeAltered());
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST(AccessLevels, DecideWhatMayBeShownAndAltered) {
    TExpertSystem sys;
    struct Case {
        int32_t level;
        bool rulesShown;
        bool altered;
    };
    for (const Case c : {Case{1, true, true}, Case{2, false, false}, Case{3, true, false}}) {
        sys.AccessLevel = c.level;
        EXPECT_EQ(sys.RulesMayBeShown(), c.rulesShown) << c.level;
        EXPECT_EQ(sys.MayBeAltered(), c.altered) << c.level;
    }
}

}  // namespace
}  // namespace quorvel
