// Consultations driven through the engine's public operations, with a
// scripted host that answers inside the engine's events.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ExExceptions.h"
#include "ExSystem.h"
#include "ExText.h"
#include "TestSupport.h"

namespace quorvel {
namespace {

using TQuietSink = test::TCapturingSink;

struct TPremiseSpec {
    int32_t var;
    std::string op;
    int32_t value;
    int32_t connective = 2;
    bool negated = false;
};

struct TConclusionSpec {
    int32_t var;
    int32_t value;
    float cnf = 1.0f;
};

// An answer the scripted user gives: value codes with confidences, a typed
// text, or nothing.
struct TAnswer {
    std::vector<std::pair<int32_t, float>> codes;
    std::optional<std::string> text;
};

class ConsultTest : public ::testing::Test {
protected:
    ConsultTest() : es(&sink) {
        es.OnPrompt = [this](TExpertSystem& engine, int32_t var) {
            events.push_back("prompt " + engine.VarName(var));
            asked.push_back(var);
            if (onPrompt && onPrompt(var)) return;
            Answer(var);
        };
        es.OnStart = [this](TExpertSystem&) { events.push_back("start"); };
        es.OnFinish = [this](TExpertSystem&) { events.push_back("finish"); };
        es.OnShowResults = [this](TExpertSystem& engine, int32_t var) {
            events.push_back("results " + engine.VarName(var));
            std::vector<std::string> names, cnfs;
            engine.ResultsOf(var, names, cnfs);
            std::string line;
            for (std::size_t i = 0; i < names.size(); ++i)
                line += (i ? "; " : "") + names[i] + (i < cnfs.size() ? " " + cnfs[i] : "");
            results[var] = line;
        };
    }

    void Answer(int32_t var) {
        auto it = answers.find(var);
        if (it == answers.end() || (it->second.codes.empty() && !it->second.text)) {
            es.Instantiate(var, "-1", true, 1.0f);
        } else if (it->second.text) {
            es.Instantiate(var, *it->second.text, false, 1.0f);
        } else {
            for (auto [code, cnf] : it->second.codes) es.Instantiate(var, std::to_string(code), true, cnf);
        }
        es.ReleaseWait();
    }

    int32_t Var(int32_t code, const std::string& name, bool multivalued = false, bool numeric = false) {
        es.Vars().AddVariable(code, name, multivalued, numeric);
        return code;
    }
    int32_t Value(int32_t code, const std::string& name, int32_t var) {
        int32_t position = 1;
        for (bool found = es.Values().FindByVarCode(var); found && es.Values().GetVarCode() == var;
             found = !es.Values().Eof()) {
            ++position;
            es.Values().Next();
        }
        es.Values().AddValue(code, name, var, position);
        return code;
    }
    int32_t Formula(int32_t code, const std::string& text) {
        es.Formulas().Add(code, text);
        return code;
    }
    void Rule(int32_t code, int32_t order, const std::vector<TPremiseSpec>& premises,
              const std::vector<TConclusionSpec>& conclusions) {
        es.Rules().AddRule(code, "regra", order);
        for (const auto& p : premises) es.Tails().AddPremise(code, p.var, p.op, p.value, p.connective, p.negated);
        for (const auto& c : conclusions) es.Heads().AddConclusion(code, c.var, c.value, c.cnf);
    }
    void Target(int32_t var) { es.Targets().Add(var); }

    std::vector<std::string> AskedNames() {
        std::vector<std::string> names;
        for (int32_t var : asked) names.push_back(es.VarName(var));
        return names;
    }

    TQuietSink sink;
    TExpertSystem es;
    std::map<int32_t, TAnswer> answers;
    std::function<bool(int32_t)> onPrompt;  // true: the test handled the prompt itself
    std::vector<int32_t> asked;
    std::vector<std::string> events;
    std::map<int32_t, std::string> results;
};

// Febre and Tosse are asked; Gripe is concluded.
class FluBase : public ConsultTest {
protected:
    FluBase() {
        Var(1, "Febre");
        Var(2, "Tosse");
        Var(3, "Gripe");
        Value(10, "prov\xE1vel", 3);
        Rule(1, 1, {{1, "=", kCodeYes, 0}, {2, "=", kCodeYes, 2}}, {{3, 10, 0.9f}});
        Target(3);
    }
};

TEST_F(FluBase, AsksInPremiseOrderAndShowsTheResult) {
    answers[1] = {{{kCodeYes, 0.8f}}, {}};
    answers[2] = {{{kCodeYes, 0.9f}}, {}};
    es.Start();
    EXPECT_EQ(AskedNames(), (std::vector<std::string>{"Febre", "Tosse"}));
    // 0.8 E 0.9 = 0.72, times the conclusion's 0.9.
    EXPECT_EQ(results[3], "prov\xE1vel 64.8");
    EXPECT_EQ(events, (std::vector<std::string>{"start", "prompt Febre", "prompt Tosse", "results Gripe", "finish"}));
    EXPECT_FALSE(es.Running);
}

TEST_F(FluBase, EarlyDecisionSkipsTheSecondQuestion) {
    answers[1] = {{{kCodeYes, 0.3f}}, {}};
    es.Start();
    EXPECT_EQ(AskedNames(), (std::vector<std::string>{"Febre"}));
    EXPECT_EQ(results[3], "Nenhum valor encontrado. 100");
}

TEST_F(FluBase, EvaluateAllPremisesAsksEverything) {
    es.EvaluateAllPremises = true;
    answers[1] = {{{kCodeYes, 0.3f}}, {}};
    es.Start();
    EXPECT_EQ(AskedNames(), (std::vector<std::string>{"Febre", "Tosse"}));
}

TEST_F(FluBase, EventTapeRecordsTheConsultation) {
    answers[1] = {{{kCodeYes, 1.0f}}, {}};
    answers[2] = {{{kCodeYes, 1.0f}}, {}};
    std::vector<int32_t> tape;
    es.OnShowResults = [&](TExpertSystem& engine, int32_t) {
        tape.assign(engine.Tape().Items().begin(), engine.Tape().Items().end());
    };
    es.Start();
    EXPECT_EQ(tape, (std::vector<int32_t>{-4, 3, 1, 1, -4, 1, 0, 1, 1, 2, -4, 2, 0, 2, -1, 1, -3, 1}));
}

TEST_F(ConsultTest, FirstFiringRuleWinsForAUnivaluedTargetAndAllForAMultivaluedOne) {
    for (bool multivalued : {false, true}) {
        TExpertSystem engine(&sink);
        std::vector<int32_t> asked_;
        engine.OnPrompt = [&](TExpertSystem& e, int32_t var) {
            asked_.push_back(var);
            e.Instantiate(var, std::to_string(kCodeYes), true, 1.0f);
            e.ReleaseWait();
        };
        std::string shown;
        engine.OnShowResults = [&](TExpertSystem& e, int32_t var) {
            std::vector<std::string> names, cnfs;
            e.ResultsOf(var, names, cnfs);
            for (const auto& n : names) shown += n + ";";
        };
        engine.Vars().AddVariable(1, "A", false, false);
        engine.Vars().AddVariable(2, "B", false, false);
        engine.Vars().AddVariable(3, "Alvo", multivalued, false);
        engine.Values().AddValue(10, "x", 3, 1);
        engine.Values().AddValue(11, "y", 3, 2);
        engine.Rules().AddRule(1, "r1", 1);
        engine.Tails().AddPremise(1, 1, "=", kCodeYes, 2, false);
        engine.Heads().AddConclusion(1, 3, 10, 1.0f);
        engine.Rules().AddRule(2, "r2", 2);
        engine.Tails().AddPremise(2, 2, "=", kCodeYes, 2, false);
        engine.Heads().AddConclusion(2, 3, 11, 0.9f);
        engine.Targets().Add(3);
        engine.Start();
        if (multivalued) {
            EXPECT_EQ(asked_, (std::vector<int32_t>{1, 2}));
            EXPECT_EQ(shown, "x;y;");
        } else {
            EXPECT_EQ(asked_, (std::vector<int32_t>{1}));
            EXPECT_EQ(shown, "x;");
        }
    }
}

TEST_F(ConsultTest, ValuesAccumulateOrReplace) {
    struct Case {
        int32_t secondValue;
        float secondCnf;
        const char* expected;
    };
    for (const Case& c : {Case{10, 0.5f, "a 90"}, Case{11, 0.6f, "b 60"}}) {
        TExpertSystem engine(&sink);
        std::string shown;
        engine.OnShowResults = [&](TExpertSystem& e, int32_t var) {
            std::vector<std::string> names, cnfs;
            e.ResultsOf(var, names, cnfs);
            shown = names[0] + " " + cnfs[0];
        };
        engine.Vars().AddVariable(1, "V", false, false);
        engine.Vars().AddVariable(2, "W", false, false);
        engine.Values().AddValue(10, "a", 1, 1);
        engine.Values().AddValue(11, "b", 1, 2);
        engine.Formulas().Add(1, "1");
        // W is concluded by a rule without questions; its firing concludes V twice.
        engine.Vars().AddVariable(3, "N", false, true);
        engine.Rules().AddRule(1, "r1", 1);
        engine.Tails().AddPremise(1, 3, "<>", 1, 2, false);  // N <> 1: N is "DESCONHECIDO" by default
        engine.Heads().AddConclusion(1, 1, 10, 0.8f);
        engine.Heads().AddConclusion(1, 1, c.secondValue, c.secondCnf);
        engine.Rules().AddRule(2, "r2", 2);
        engine.Tails().AddPremise(2, 1, "=", 10, 2, false);
        engine.Heads().AddConclusion(2, 2, kCodeYes, 1.0f);
        engine.Rules().AddRule(3, "r3", 3);
        engine.Tails().AddPremise(3, 1, "=", 99, 2, false);
        engine.Heads().AddConclusion(3, 3, 1, 1.0f);
        engine.OnPrompt = [](TExpertSystem& e, int32_t var) {
            e.Instantiate(var, "-1", true, 1.0f);
            e.ReleaseWait();
        };
        engine.Targets().Add(1);
        engine.Start();
        EXPECT_EQ(shown, c.expected);
    }
}

TEST_F(ConsultTest, NumericPremisesCompareExactly) {
    struct Case {
        const char* typed;
        const char* formula;
        bool holds;
    };
    for (const Case& c : {Case{"3", "3", true}, Case{"2.33", "2.33", false}, Case{"2,5", "5/2", true}}) {
        TExpertSystem engine(&sink);
        engine.Vars().AddVariable(1, "X", false, true);
        engine.Vars().AddVariable(2, "R", false, false);
        engine.Formulas().Add(1, c.formula);
        engine.Rules().AddRule(1, "r1", 1);
        engine.Tails().AddPremise(1, 1, "=", 1, 2, false);
        engine.Heads().AddConclusion(1, 2, kCodeYes, 1.0f);
        engine.Targets().Add(2);
        engine.OnPrompt = [&](TExpertSystem& e, int32_t var) {
            e.Instantiate(var, c.typed, false, 1.0f);
            e.ReleaseWait();
        };
        std::string shown;
        engine.OnShowResults = [&](TExpertSystem& e, int32_t var) {
            std::vector<std::string> names, cnfs;
            e.ResultsOf(var, names, cnfs);
            shown = names[0];
        };
        engine.Start();
        EXPECT_EQ(shown, c.holds ? "Sim" : "Nenhum valor encontrado.") << c.typed << " = " << c.formula;
    }
}

TEST_F(ConsultTest, NumericConclusionsTakeTheFormulasValueOrUnknown) {
    Var(1, "N", false, true);
    Var(2, "M", false, true);
    Var(3, "Q", false, true);
    Formula(1, "2*3");
    Formula(2, "Q*2");
    Formula(3, "0");
    Rule(1, 1, {{3, "<>", 3}}, {{1, 1}, {2, 2}});
    Target(1);
    Target(2);
    answers[3] = {};  // Q is left unanswered: "DESCONHECIDO"
    es.Start();
    EXPECT_EQ(results[1], "6 100");
    EXPECT_EQ(results[2], "Nenhum valor encontrado. 100");
}

TEST_F(ConsultTest, YesNoConclusionsAreInverted) {
    Var(1, "A");
    Var(2, "B");
    Var(3, "C");
    Rule(1, 1, {{1, "=", kCodeYes}}, {{2, kCodeYes, 0.3f}, {3, kCodeNo, 0.5f}});
    Target(2);
    Target(3);
    answers[1] = {{{kCodeYes, 1.0f}}, {}};
    es.Start();
    EXPECT_EQ(results[2], "N\xE3o 70");
    EXPECT_EQ(results[3], "Sim 50");
}

TEST_F(ConsultTest, AVariableWithRulesIsNeverAskedAndATargetWithoutRulesIsAskedAgain) {
    Var(1, "A");
    Var(2, "B");
    Rule(1, 1, {{1, "=", kCodeYes}}, {{2, kCodeYes}});
    Target(2);
    Target(1);
    answers[1] = {{{kCodeNo, 1.0f}}, {}};
    es.Start();
    EXPECT_EQ(AskedNames(), (std::vector<std::string>{"A", "A"}));
    EXPECT_EQ(results[2], "Nenhum valor encontrado. 100");
}

TEST_F(ConsultTest, ACycleEndsInsteadOfRecursingForEver) {
    Var(1, "V");
    Var(2, "W");
    Var(3, "Alvo");
    Rule(1, 1, {{2, "=", kCodeYes}}, {{1, kCodeYes}});
    Rule(2, 2, {{1, "=", kCodeYes}}, {{2, kCodeYes}});
    Rule(3, 3, {{1, "=", kCodeYes}}, {{3, kCodeYes}});
    Target(3);
    es.Start();
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(results[3], "Nenhum valor encontrado. 100");
    EXPECT_EQ(events.back(), "finish");
}

TEST_F(ConsultTest, ABaseWithoutConclusionsCannotBeConsulted) {
    Var(1, "A");
    Target(1);
    try {
        es.Start();
        FAIL() << "expected EKBaseInvalid";
    } catch (const EKBaseInvalid& e) {
        EXPECT_STREQ(e.what(), "Crie algumas regra antes!");
    }
    EXPECT_TRUE(events.empty());
}

TEST_F(ConsultTest, AFormulaErrorEndsTheConsultationCleanly) {
    Var(1, "N", false, true);
    Var(2, "R");
    Formula(1, "10/0");
    Rule(1, 1, {{1, "=", 1}}, {{2, kCodeYes}});
    Target(2);
    answers[1] = {{}, std::string("3")};
    EXPECT_THROW(es.Start(), EExpertSystem);
    EXPECT_EQ(events.back(), "finish");
    EXPECT_FALSE(es.Running);
}

// A dialog that only records how the consultation closed it.
class TRecordingDialog : public IQuestionDialog {
public:
    explicit TRecordingDialog(std::vector<std::string>& log) : log_(log) {}
    void ShowQuestion(int32_t) override { shown_ = true; }
    void HideQuestion() override { shown_ = false; }
    bool IsShown() const override { return shown_; }
    void CloseAtEnd() override { log_.push_back("Fim da consulta"); }

private:
    std::vector<std::string>& log_;
    bool shown_ = false;
};

TEST_F(FluBase, StopWhileWaitingEndsWithoutTheClosingMessage) {
    std::vector<std::string> dialogLog;
    es.SetQuestionDialogFactory(
        [&](TExpertSystem&) { return std::make_unique<TRecordingDialog>(dialogLog); });
    onPrompt = [this](int32_t) {
        es.Stop();
        return true;
    };
    es.Start();
    EXPECT_EQ(events, (std::vector<std::string>{"start", "prompt Febre", "finish"}));
    EXPECT_TRUE(dialogLog.empty());
    EXPECT_FALSE(es.Running);

    // A consultation that runs to its end closes the dialog with the message.
    onPrompt = nullptr;
    answers[1] = {{{kCodeYes, 1.0f}}, {}};
    answers[2] = {{{kCodeYes, 1.0f}}, {}};
    es.Start();
    EXPECT_EQ(dialogLog, (std::vector<std::string>{"Fim da consulta"}));
}

// A formula that fails ends the consultation with the error alone, and the
// error tells the rule and the variable whose formula it was: for a premise,
// for a conclusion, and for a conclusion reached from inside another formula
// (the innermost one failed).
TEST_F(ConsultTest, AFormulaErrorNamesItsRuleAndVariableAndEndsWithoutTheClosingMessage) {
    struct TCase {
        const char* name;
        std::function<void()> build;
        std::string place;
    };
    const std::vector<TCase> cases = {
        {"premise",
         [this] {
             Var(1, "Renda", false, true);
             Var(2, "Aprovado");
             Var(3, "Outro");
             // Rule 7 comes first in the list but concludes something else.
             Rule(7, 1, {{1, "<", Formula(2, "0")}}, {{3, kCodeYes}});
             Rule(8, 2, {{1, ">", Formula(1, "10/0")}}, {{2, kCodeYes}});
             Target(2);
             answers[1] = {{}, std::string("3")};
         },
         " (regra 2, vari\u00E1vel Renda)"},
        {"conclusion",
         [this] {
             Var(1, "Pronto");
             Var(2, "Limite", false, true);
             Rule(4, 1, {{1, "=", kCodeYes}}, {{2, Formula(1, "1/0")}});
             Target(2);
             answers[1] = {{{kCodeYes, 1.0f}}, {}};
         },
         " (regra 1, vari\u00E1vel Limite)"},
        {"inside another formula",
         [this] {
             Var(1, "Pronto");
             Var(2, "Base", false, true);
             Var(3, "Total", false, true);
             Rule(1, 1, {{1, "=", kCodeYes}}, {{3, Formula(1, "BASE + 1")}});
             Rule(2, 2, {{1, "=", kCodeYes}}, {{2, Formula(2, "1/0")}});
             Target(3);
             answers[1] = {{{kCodeYes, 1.0f}}, {}};
         },
         " (regra 2, vari\u00E1vel Base)"},
    };
    for (const TCase& c : cases) {
        es.ClearBase();
        answers.clear();
        events.clear();
        std::vector<std::string> dialogLog;
        es.SetQuestionDialogFactory(
            [&](TExpertSystem&) { return std::make_unique<TRecordingDialog>(dialogLog); });
        c.build();
        try {
            es.Start();
            ADD_FAILURE() << c.name << ": the consultation ended without an error";
        } catch (const EExpArithmeticError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(" Fun\u00E7\u00E3o: "), std::string::npos) << c.name << ": " << message;
            ASSERT_GE(message.size(), c.place.size()) << c.name;
            EXPECT_EQ(message.substr(message.size() - c.place.size()), c.place) << c.name << ": " << message;
        }
        EXPECT_TRUE(dialogLog.empty()) << c.name;
        EXPECT_EQ(events.back(), "finish") << c.name;
        EXPECT_FALSE(es.Running) << c.name;
    }
}

TEST_F(FluBase, BackDuringTheSecondQuestionAsksTheFirstAgain) {
    answers[1] = {{{kCodeYes, 1.0f}}, {}};
    answers[2] = {{{kCodeYes, 1.0f}}, {}};
    bool wentBack = false;
    std::vector<int32_t> countsAtPrompt;
    onPrompt = [&](int32_t var) {
        countsAtPrompt.push_back(es.QuestionCount);
        if (var == 2 && !wentBack) {
            wentBack = true;
            es.BackToLastQuestion();
            return true;
        }
        return false;
    };
    es.Start();
    EXPECT_EQ(AskedNames(), (std::vector<std::string>{"Febre", "Tosse", "Febre", "Tosse"}));
    EXPECT_EQ(countsAtPrompt, (std::vector<int32_t>{0, 1, 0, 1}));
    EXPECT_EQ(results[3], "prov\xE1vel 90");
}

// A debug observer that steps on by itself each time it is asked to hold.
class TSteppingObserver : public TExDebugInterface {
public:
    explicit TSteppingObserver(TExpertSystem& engine) : TExDebugInterface(kRuleViews), engine_(engine) {}
    void Clear() override {}
    void Refresh() override {}
    void Detach() override {}
    bool Holding() override { return holding_; }
    void SetHolding(bool holding) override { holding_ = holding; }
    void ShowPosition(int32_t rule, int32_t index, bool premise) override {
        shown.push_back(std::to_string(rule) + "/" + std::to_string(index) + (premise ? "p" : "c"));
    }
    void Hold() override {
        if (engine_.Waiting || engine_.RollingBack) return;
        holds.push_back(shown.empty() ? "?" : shown.back());
        engine_.StepWait = true;
        if (resumeAfter && holds.size() >= *resumeAfter)
            engine_.Resume();
        else
            engine_.ExecuteStep();
        engine_.WaitWhile(engine_.StepWait);
    }
    std::vector<std::string> shown;
    std::vector<std::string> holds;
    std::optional<std::size_t> resumeAfter;

private:
    TExpertSystem& engine_;
    bool holding_ = false;
};

TEST_F(FluBase, StepFromIdleHoldsAtEveryPosition) {
    answers[1] = {{{kCodeYes, 1.0f}}, {}};
    answers[2] = {{{kCodeYes, 1.0f}}, {}};
    TSteppingObserver observer(es);
    es.SetDebugObserver(&observer);
    es.OnExecuteStep = [this](TExpertSystem&) { events.push_back("step"); };
    es.OnPause = [this](TExpertSystem&) { events.push_back("pause"); };
    es.ExecuteStep();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ((std::vector<std::string>(events.begin(), events.begin() + 3)),
              (std::vector<std::string>{"step", "pause", "start"}));
    EXPECT_EQ(observer.holds, (std::vector<std::string>{"1/1p", "1/2p", "1/1c"}));
    EXPECT_TRUE(observer.Holding());
    EXPECT_EQ(events.back(), "finish");
}

TEST_F(FluBase, ResumeRunsToTheEndWithoutHolding) {
    answers[1] = {{{kCodeYes, 1.0f}}, {}};
    answers[2] = {{{kCodeYes, 1.0f}}, {}};
    TSteppingObserver observer(es);
    observer.resumeAfter = 1;
    es.SetDebugObserver(&observer);
    es.ExecuteStep();
    EXPECT_EQ(observer.holds, (std::vector<std::string>{"1/1p"}));
    EXPECT_EQ(results[3], "prov\xE1vel 90");
}

TEST_F(FluBase, PauseWhileAQuestionIsShownHoldsAfterTheAnswer) {
    answers[1] = {{{kCodeYes, 1.0f}}, {}};
    answers[2] = {{{kCodeYes, 1.0f}}, {}};
    TSteppingObserver observer(es);
    observer.resumeAfter = 1;
    es.SetDebugObserver(&observer);
    onPrompt = [this](int32_t var) {
        if (var == 1) es.Pause();  // no hold while the engine waits for the answer
        return false;
    };
    es.Start();
    EXPECT_EQ(observer.holds, (std::vector<std::string>{"1/2p"}));
    EXPECT_EQ(events.back(), "finish");
}

TEST(ExpertSystemControls, AddControlRefusesUnknownKindsAndIgnoresRepeats) {
    struct TCounter : TExCtrlInterface {
        using TExCtrlInterface::TExCtrlInterface;
        void Clear() override { ++clears; }
        void Refresh() override { ++refreshes; }
        void Detach() override { ++detaches; }
        int clears = 0, refreshes = 0, detaches = 0;
    };
    TQuietSink sink;
    TCounter state(kStateViews), bad(7);
    {
        TExpertSystem es(&sink);
        EXPECT_THROW(es.AddControl(&bad), EExpertSystem);
        es.AddControl(&state);
        es.AddControl(&state);
        es.ClearBase();  // the base is new: state views are cleared
        EXPECT_EQ(state.clears, 1);
        es.RemoveControl(&state);  // removing twice changes nothing
        es.AddControl(&state);
    }
    EXPECT_EQ(state.detaches, 1);
}

}  // namespace
}  // namespace quorvel
