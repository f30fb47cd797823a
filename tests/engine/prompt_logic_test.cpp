#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "ExConsts.h"
#include "ExPromptLogic.h"
#include "ExSystem.h"
#include "ExText.h"
#include "TestSupport.h"

namespace quorvel {
namespace {

using test::Shown;
using test::TCapturingSink;
using test::TShownMessage;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr int32_t kFever = 1;     // yes/no, question with a confidence
constexpr int32_t kLevel = 2;     // univalued: Alto (position 2), Baixo (position 1); no question
constexpr int32_t kSymptoms = 3;  // multivalued: tosse, dor; question without confidence
constexpr int32_t kAge = 4;       // numeric 10;20
constexpr int32_t kWeight = 5;    // numeric ;20
constexpr int32_t kHeight = 6;    // numeric 1,5;
constexpr int32_t kTemp = 7;      // numeric, no interval
constexpr int32_t kRate = 8;      // numeric 0,5;2,5
constexpr int32_t kOdd = 9;       // numeric abc;20
constexpr int32_t kPain = 10;     // yes/no, question with reasons
constexpr int32_t kMixed = 11;    // numeric and multivalued

constexpr int32_t kHigh = 21;
constexpr int32_t kLow = 22;
constexpr int32_t kCough = 23;
constexpr int32_t kAche = 24;

struct TCall {
    int32_t var = 0;
    std::string text;
    bool isCode = false;
    float cnf = 0;

    friend bool operator==(const TCall&, const TCall&) = default;
    friend void PrintTo(const TCall& c, std::ostream* os) {
        *os << "(" << c.var << ", \"" << c.text << "\", " << (c.isCode ? "code" : "text") << ", " << c.cnf << ")";
    }
};

// An engine that records the answers handed to it instead of storing them.
class TRecordingEngine : public TExpertSystem {
public:
    using TExpertSystem::TExpertSystem;
    void Instantiate(int32_t varCode, const std::string& valueText, bool isCode, float cnf) override {
        Calls.push_back({varCode, valueText, isCode, cnf});
    }
    std::vector<TCall> Calls;
};

class Prompt : public ::testing::Test {
protected:
    Prompt() {
        TExpertSystem author(&sink);
        author.Vars().AddVariable(kFever, "Febre", false, false);
        author.Vars().AddVariable(kLevel, "N\xEDvel", false, false);
        author.Vars().AddVariable(kSymptoms, "Sintomas", true, false);
        author.Vars().AddVariable(kAge, "Idade", false, true);
        author.Vars().AddVariable(kWeight, "Peso", false, true);
        author.Vars().AddVariable(kHeight, "Altura", false, true);
        author.Vars().AddVariable(kTemp, "Temp", false, true);
        author.Vars().AddVariable(kRate, "Taxa", false, true);
        author.Vars().AddVariable(kOdd, "Estranha", false, true);
        author.Vars().AddVariable(kPain, "Dor", false, false);
        author.Vars().AddVariable(kMixed, "Mista", true, true);
        author.Values().AddValue(kHigh, "Alto", kLevel, 2);
        author.Values().AddValue(kLow, "Baixo", kLevel, 1);
        author.Values().AddValue(kCough, "tosse", kSymptoms, 1);
        author.Values().AddValue(kAche, "dor", kSymptoms, 2);
        author.Values().AddValue(31, "10;20", kAge, 0);
        author.Values().AddValue(32, ";20", kWeight, 0);
        author.Values().AddValue(33, "1,5;", kHeight, 0);
        author.Values().AddValue(34, "0,5;2,5", kRate, 0);
        author.Values().AddValue(35, "abc;20", kOdd, 0);
        author.Questions().AddQuestion(kFever, "Voc\xEA tem febre?", true);
        author.Questions().AddQuestion(kSymptoms, "Quais sintomas?", false);
        const std::vector<std::string> reasons = {"Porque sim."};
        author.Questions().AddQuestion(kPain, "Sente dor?", false, &reasons);
        author.Rules().AddRule(1, "R", 1);
        author.Tails().AddPremise(1, kFever, "=", kCodeYes, 2, false);
        author.Heads().AddConclusion(1, kPain, kCodeYes, 1.0f);

        const std::string file = dir.File("prompt.bcm");
        EXPECT_TRUE(author.Save(file)) << author.LastSaveError();
        EXPECT_TRUE(sys.Load(file));
        // Waiting for an answer.
        sys.Running = true;
        sys.Waiting = true;
        sink.Clear();
    }

    // The prompt for a variable, with option i checked and its box holding cnfs[i] ("" unchecked).
    TPromptModel Answer(int32_t var, const std::vector<std::optional<std::string>>& boxes) {
        TPromptModel prompt(&sys);
        prompt.SetVarCode(var);
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (!boxes[i]) continue;
            prompt.SetChecked(i, true);
            prompt.SetCnfText(i, *boxes[i]);
        }
        return prompt;
    }

    test::TTempDir dir;
    TCapturingSink sink;
    TRecordingEngine sys{&sink};
};

struct TOptionView {
    int32_t code;
    std::string text;
    friend bool operator==(const TOptionView&, const TOptionView&) = default;
    friend void PrintTo(const TOptionView& o, std::ostream* os) { *os << o.code << " " << o.text; }
};

// What the prompt shows for each kind of variable, checked with the
// prompt as it is at the moment.
void ExpectShowsWhatEachKindOfVariableAsks(TPromptModel& prompt) {
    struct Case {
        int32_t var;
        TPromptKind kind;
        std::string question;  // UTF-8
        std::string info;      // UTF-8
        std::vector<TOptionView> options;
        bool cnfBoxes;
    };
    const Case cases[] = {
        {kFever,
         TPromptKind::Univalued,
         "Você tem febre?",
         "(Marque somente uma alternativa)",
         {{-2, "Sim"}, {-3, "Não"}},
         true},
        {kLevel,
         TPromptKind::Univalued,
         "Qual o valor de Nível ?",
         "(Marque somente uma alternativa)",
         {{kLow, "Baixo"}, {kHigh, "Alto"}},
         true},
        {kSymptoms,
         TPromptKind::Multivalued,
         "Quais sintomas?",
         "(Marque quantas alternativas desejar)",
         {{kCough, "tosse"}, {kAche, "dor"}},
         false},
        {kAge, TPromptKind::Numeric, "Qual o valor de Idade ?", "(Coloque na faixa abaixo de valores)", {}, false},
        {kWeight, TPromptKind::Numeric, "Qual o valor de Peso ?", "(Valor máximo: 20)", {}, false},
        {kHeight, TPromptKind::Numeric, "Qual o valor de Altura ?", "(Valor mínimo: 1,5)", {}, false},
        {kTemp, TPromptKind::Numeric, "Qual o valor de Temp ?", "(Entre um valor numérico)", {}, false},
        {kOdd, TPromptKind::Numeric, "Qual o valor de Estranha ?", "(Valor máximo: 20)", {}, false},
        {kMixed, TPromptKind::Numeric, "Qual o valor de Mista ?", "(Entre um valor numérico)", {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.var);
        prompt.SetVarCode(c.var);
        EXPECT_EQ(prompt.VarCode(), c.var);
        EXPECT_EQ(prompt.Kind(), c.kind);
        EXPECT_EQ(Cp1252ToUtf8(prompt.QuestionText()), c.question);
        EXPECT_EQ(Cp1252ToUtf8(prompt.InfoText()), c.info);
        std::vector<TOptionView> options;
        for (const auto& o : prompt.Options()) {
            options.push_back({o.ValueCode, Cp1252ToUtf8(o.Text)});
            EXPECT_FALSE(o.Checked || o.CnfEnabled || !o.CnfText.empty());
        }
        EXPECT_EQ(options, c.options);
        EXPECT_EQ(prompt.ShowCnfBoxes(), c.cnfBoxes);
    }
}

TEST_F(Prompt, ShowsWhatEachKindOfVariableAsks) {
    TPromptModel prompt(&sys);
    ExpectShowsWhatEachKindOfVariableAsks(prompt);
    EXPECT_THAT(sink.Messages, IsEmpty());
}

// While a consultation runs the prompt reads its variable from the
// consultation's plan: it must show the same.
TEST_F(Prompt, ShowsTheSameWhileAConsultationRuns) {
    sys.Running = sys.Waiting = false;
    sys.Targets().Add(kPain);
    int prompts = 0;
    sys.OnPrompt = [&](TExpertSystem& engine, int32_t) {
        ++prompts;
        ASSERT_NE(engine.Plan(), nullptr);
        TPromptModel prompt(&engine);
        ExpectShowsWhatEachKindOfVariableAsks(prompt);
        engine.Stop();
    };
    sys.Start();
    EXPECT_EQ(prompts, 1);
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST_F(Prompt, NumericIntervalDecidesBoundsAndSlider) {
    struct Case {
        int32_t var;
        std::string minText, maxText;
        std::optional<long double> min, max;
        bool slider;
        int32_t sliderMin, sliderMax;
    };
    const Case cases[] = {
        {kAge, "10", "20", 10, 20, true, 10, 20},
        {kWeight, "", "20", std::nullopt, 20, false, 0, 0},
        {kHeight, "1,5", "", 1.5L, std::nullopt, false, 0, 0},
        {kTemp, "", "", std::nullopt, std::nullopt, false, 0, 0},
        {kRate, "0,5", "2,5", 0.5L, 2.5L, false, 0, 0},   // bounds that are not whole numbers: no slider
        {kOdd, "", "20", std::nullopt, 20, false, 0, 0},  // a bound that is not a number is no bound
    };
    TPromptModel prompt(&sys);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.var);
        prompt.SetVarCode(c.var);
        const TPromptInterval& in = prompt.Interval();
        EXPECT_EQ(in.MinText, c.minText);
        EXPECT_EQ(in.MaxText, c.maxText);
        EXPECT_EQ(in.Min, c.min);
        EXPECT_EQ(in.Max, c.max);
        EXPECT_EQ(in.Slider, c.slider);
        EXPECT_EQ(in.SliderMin, c.sliderMin);
        EXPECT_EQ(in.SliderMax, c.sliderMax);
    }
    prompt.SetVarCode(kAge);
    prompt.SetSliderPosition(17);
    EXPECT_EQ(prompt.ValueText(), "17");
}

TEST_F(Prompt, WhyButtonIsHiddenOnlyForExecutionOnlyBasesWithoutReasons) {
    struct Case {
        int32_t level;
        int32_t var;
        bool visible;
    };
    const Case cases[] = {
        {kAccessFull, kFever, true},         {kAccessConsultAndView, kFever, true}, {kAccessConsultOnly, kFever, false},
        {kAccessConsultOnly, kLevel, false}, {kAccessConsultOnly, kPain, true},     {kAccessConsultOnly, kAge, false},
    };
    for (const Case& c : cases) {
        sys.AccessLevel = c.level;
        TPromptModel prompt(&sys);
        prompt.SetVarCode(c.var);
        EXPECT_EQ(prompt.WhyVisible(), c.visible) << c.level << " " << c.var;
    }
}

TEST_F(Prompt, RebuildNeedsAKnownVariableAndABaseThatIsNotNew) {
    TPromptModel prompt(&sys);
    prompt.SetVarCode(kFever);
    prompt.SetChecked(0, true);
    prompt.SetVarCode(99);  // not in the base
    EXPECT_EQ(prompt.VarCode(), 0);
    EXPECT_EQ(prompt.Kind(), TPromptKind::None);
    EXPECT_THAT(prompt.Options(), IsEmpty());
    EXPECT_FALSE(prompt.Submit());

    prompt.SetVarCode(kFever);
    prompt.SetChecked(1, true);
    prompt.SetVarCode(kFever);  // asked again: every option unchecked, every box empty
    for (const auto& o : prompt.Options()) EXPECT_FALSE(o.Checked || o.CnfEnabled || !o.CnfText.empty());

    TRecordingEngine fresh(&sink);  // a new base: nothing is built yet
    fresh.Vars().AddVariable(1, "X", false, false);
    TPromptModel early(&fresh);
    early.SetVarCode(1);
    EXPECT_EQ(early.Kind(), TPromptKind::None);
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST_F(Prompt, CheckingFollowsTheVariableKind) {
    TPromptModel single(&sys);
    single.SetVarCode(kLevel);
    single.SetChecked(0, true);
    EXPECT_TRUE(single.Options()[0].CnfEnabled);
    EXPECT_EQ(single.Options()[0].CnfText, "100");
    single.SetCnfText(0, "70");
    single.SetChecked(1, true);  // a second option unchecks the first and empties its box
    EXPECT_FALSE(single.Options()[0].Checked);
    EXPECT_FALSE(single.Options()[0].CnfEnabled);
    EXPECT_EQ(single.Options()[0].CnfText, "");
    EXPECT_TRUE(single.Options()[1].Checked);
    EXPECT_EQ(single.Options()[1].CnfText, "100");

    TPromptModel multi(&sys);
    multi.SetVarCode(kSymptoms);
    multi.SetChecked(0, true);
    multi.SetCnfText(0, "80");
    multi.SetChecked(1, true);
    EXPECT_TRUE(multi.Options()[0].Checked);
    EXPECT_EQ(multi.Options()[0].CnfText, "80");
    multi.SetChecked(1, false);
    EXPECT_FALSE(multi.Options()[1].CnfEnabled);
    EXPECT_EQ(multi.Options()[1].CnfText, "");
    multi.SetChecked(7, true);  // no such option
    multi.EmptyCnfBoxes();
    EXPECT_EQ(multi.Options()[0].CnfText, "");
    EXPECT_TRUE(multi.Options()[0].Checked);
}

TEST_F(Prompt, OptionAnswersBecomeInstantiations) {
    using O = std::optional<std::string>;
    struct Case {
        const char* name;
        int32_t var;
        std::vector<O> boxes;  // nullopt: unchecked
        std::vector<TCall> calls;
    };
    const Case cases[] = {
        {"Não at 100", kFever, {O{}, O{"100"}}, {{kFever, "-3", true, 1.0f}}},
        {"nothing checked", kFever, {}, {{kFever, "-1", true, 1.0f}}},
        {"checked, box emptied", kLevel, {O{""}}, {{kLevel, "22", true, 1.0f}}},
        {"two values in option order",
         kSymptoms,
         {O{"80"}, O{"60"}},
         {{kSymptoms, "23", true, 0.8f}, {kSymptoms, "24", true, 0.6f}}},
        {"decimal confidence", kLevel, {O{}, O{"5.5"}}, {{kLevel, "21", true, 0.055f}}},
        {"decimal comma", kLevel, {O{}, O{"5,5"}}, {{kLevel, "21", true, 0.055f}}},
        {"zero", kFever, {O{"0"}}, {{kFever, "-2", true, 0.0f}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sys.Calls.clear();
        TPromptModel prompt = Answer(c.var, c.boxes);
        EXPECT_TRUE(prompt.Submit());
        EXPECT_EQ(sys.Calls, c.calls);
    }
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST_F(Prompt, InvalidConfidenceRefusesTheWholeAnswer) {
    struct Case {
        std::vector<std::string> boxes;  // option 0 checked, the other boxes typed only
        TShownMessage message;
    };
    const Case cases[] = {
        {{"abc"}, Shown(TMsgKind::Error, "Há um erro na entrada número 1.")},
        {{"80", "1x"}, Shown(TMsgKind::Error, "Há um erro na entrada número 2.")},  // an unchecked box counts too
        {{"120"}, Shown(TMsgKind::Information, "Grau de confiança inválido na entrada 1.")},
        {{"100,01"}, Shown(TMsgKind::Information, "Grau de confiança inválido na entrada 1.")},
        {{"50", "-1"}, Shown(TMsgKind::Information, "Grau de confiança inválido na entrada 2.")},
    };
    for (const Case& c : cases) {
        sys.Calls.clear();
        sink.Clear();
        TPromptModel prompt(&sys);
        prompt.SetVarCode(kSymptoms);
        prompt.SetChecked(0, true);
        for (std::size_t i = 0; i < c.boxes.size(); ++i) prompt.SetCnfText(i, c.boxes[i]);
        EXPECT_FALSE(prompt.Submit());
        EXPECT_THAT(sys.Calls, IsEmpty());
        EXPECT_THAT(sink.Messages, ElementsAre(c.message));
        EXPECT_EQ(sink.Buttons, std::vector<TMsgButtons>{TMsgButtons::Ok});

        sink.Clear();
        prompt.ShowErrorMessages = false;
        EXPECT_FALSE(prompt.Submit());
        EXPECT_THAT(sink.Messages, IsEmpty());
        EXPECT_THAT(sys.Calls, IsEmpty());
    }
}

TEST_F(Prompt, NumericAnswersAreCheckedAgainstTheInterval) {
    struct Case {
        int32_t var;
        std::string typed;
        std::optional<TCall> call;
        std::optional<TShownMessage> message;
    };
    const Case cases[] = {
        {kAge, "15", TCall{kAge, "15", false, 1.0f}, std::nullopt},
        {kAge, "10", TCall{kAge, "10", false, 1.0f}, std::nullopt},
        {kAge, "20", TCall{kAge, "20", false, 1.0f}, std::nullopt},
        {kAge, "15,5", TCall{kAge, "15,5", false, 1.0f}, std::nullopt},  // stored as typed
        {kAge, "", TCall{kAge, "-1", true, 1.0f}, std::nullopt},         // no answer: DESCONHECIDO
        {kAge, "25", std::nullopt, Shown(TMsgKind::Error, "O valor não pode exceder o máximo!")},
        {kAge, "9.99", std::nullopt, Shown(TMsgKind::Error, "O valor não pode ser inferior ao mínimo!")},
        {kAge, "abc", std::nullopt, Shown(TMsgKind::Error, "Valor numérico inválido!")},
        {kAge, "1 5", std::nullopt, Shown(TMsgKind::Error, "Valor numérico inválido!")},
        {kHeight, "1,4", std::nullopt, Shown(TMsgKind::Error, "O valor não pode ser inferior ao mínimo!")},
        {kHeight, "9999", TCall{kHeight, "9999", false, 1.0f}, std::nullopt},
        {kWeight, "-50", TCall{kWeight, "-50", false, 1.0f}, std::nullopt},
        {kOdd, "21", std::nullopt, Shown(TMsgKind::Error, "O valor não pode exceder o máximo!")},
        {kTemp, "1e3", TCall{kTemp, "1e3", false, 1.0f}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.var) + " " + c.typed);
        sys.Calls.clear();
        sink.Clear();
        TPromptModel prompt(&sys);
        prompt.SetVarCode(c.var);
        prompt.SetValueText(c.typed);
        EXPECT_EQ(prompt.Submit(), c.call.has_value());
        EXPECT_EQ(sys.Calls, c.call ? std::vector<TCall>{*c.call} : std::vector<TCall>{});
        EXPECT_EQ(sink.Messages, c.message ? std::vector<TShownMessage>{*c.message} : std::vector<TShownMessage>{});

        if (!c.message) continue;
        sink.Clear();
        prompt.ShowErrorMessages = false;
        EXPECT_FALSE(prompt.Submit());
        EXPECT_THAT(sink.Messages, IsEmpty());
    }
}

TEST_F(Prompt, AnswerIsAcceptedOnlyWhileTheEngineWaitsForIt) {
    struct Case {
        bool running, rollingBack, waiting, paused, stepWait;
        bool accepted;
    };
    const Case cases[] = {
        {true, false, true, false, false, true},    // waiting for the answer
        {true, false, false, false, false, true},   // running freely
        {true, false, true, true, true, true},      // paused, but the question waits
        {true, false, false, true, false, false},   // step mode
        {true, false, false, false, true, false},   // held at a step
        {true, true, true, false, false, false},    // going back to the last question
        {false, false, true, false, false, false},  // no consultation
    };
    for (const Case& c : cases) {
        sys.Running = c.running;
        sys.RollingBack = c.rollingBack;
        sys.Waiting = c.waiting;
        sys.Paused = c.paused;
        sys.StepWait = c.stepWait;
        sys.Calls.clear();
        TPromptModel prompt = Answer(kFever, {std::optional<std::string>("90")});
        EXPECT_EQ(prompt.CanAccept(), c.accepted);
        EXPECT_EQ(prompt.Submit(), c.accepted);
        EXPECT_EQ(sys.Calls.size(), c.accepted ? 1u : 0u);
    }
    TPromptModel detached(nullptr);
    EXPECT_FALSE(detached.Submit());
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST_F(Prompt, PromptLeavesTheEngineCursorsAlone) {
    sys.Vars().FindName("Peso");
    sys.Values().FindByVarCode(kSymptoms);
    sys.Questions().Find(kSymptoms);
    const auto vars = sys.Vars().SaveCursors();
    const auto values = sys.Values().SaveCursors();
    const auto questions = sys.Questions().SaveCursors();
    TPromptModel prompt(&sys);
    for (int32_t var : {kLevel, kAge, kFever}) prompt.SetVarCode(var);
    const auto same = [](const TSingleIndexTree::TCursorState& a, const TSingleIndexTree::TCursorState& b) {
        return a.activeKey == b.activeKey && a.at[0] == b.at[0] && a.at[1] == b.at[1] && a.at[2] == b.at[2];
    };
    EXPECT_TRUE(same(vars, sys.Vars().SaveCursors()));
    EXPECT_TRUE(same(values, sys.Values().SaveCursors()));
    EXPECT_TRUE(same(questions, sys.Questions().SaveCursors()));
}

TEST(CnfBox, TypedCharacters) {
    for (char ch : std::string("0123456789+-,.")) EXPECT_TRUE(CnfBoxAcceptsChar(ch)) << ch;
    for (char ch : {'\b', '\x03', '\x16', '\x18', '\x7F'}) EXPECT_TRUE(CnfBoxAcceptsChar(ch)) << int(ch);
    for (char ch : {'\r', 'a', 'e', 'E', ' ', '%', '\xE9'}) EXPECT_FALSE(CnfBoxAcceptsChar(ch)) << int(ch);
}

TEST(CnfBox, LeavingClampsIntegersToTheRange) {
    const std::pair<std::string, std::string> cases[] = {
        {"120", "100"},
        {"101", "100"},
        {"100", "100"},
        {"0", "0"},
        {"-5", "0"},
        {"-0", "-0"},
        {"+50", "+50"},
        {"+150", "100"},
        {"5.5", "5.5"},
        {"150,5", "150,5"},
        {"abc", "abc"},
        {"", ""},
        {"-", "-"},
        {"99999999999999999999", "100"},
        {"-99999999999999999999", "0"},
    };
    for (const auto& [typed, kept] : cases) EXPECT_EQ(ClampCnfText(typed), kept) << typed;
}

TEST_F(Prompt, LeavingABoxClampsItAndTheAnswerUsesTheClampedValue) {
    TPromptModel prompt(&sys);
    prompt.SetVarCode(kFever);
    prompt.SetChecked(0, true);
    prompt.SetCnfText(0, "120");
    prompt.LeaveCnfBox(0);
    EXPECT_EQ(prompt.Options()[0].CnfText, "100");
    EXPECT_TRUE(prompt.Submit());
    EXPECT_EQ(sys.Calls, (std::vector<TCall>{{kFever, "-2", true, 1.0f}}));
}

}  // namespace
}  // namespace quorvel
