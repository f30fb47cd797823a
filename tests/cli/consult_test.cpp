// quorvel-cli consult: the answers file, the scripted JSON run and its exit statuses.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

#include "CliCommon.h"
#include "CliTestSupport.h"
#include "CmdConsult.h"
#include "ExPasswd.h"
#include "ExSystem.h"
#include "KbJson.h"

namespace quorvel::cli::test {
namespace {

// Gripe is concluded from Febre and Tosse; Idade is numeric with an interval;
// Alergias is multivalued.
constexpr const char* kFluBase = R"({
  "name": "Gripe",
  "variables": [
    {"code": 1, "name": "Febre", "multivalued": false, "numeric": false},
    {"code": 2, "name": "Tosse", "multivalued": false, "numeric": false},
    {"code": 3, "name": "Gripe", "multivalued": false, "numeric": false},
    {"code": 4, "name": "Idade", "multivalued": false, "numeric": true},
    {"code": 5, "name": "Alergias", "multivalued": true, "numeric": false},
    {"code": 6, "name": "Risco", "multivalued": false, "numeric": false}
  ],
  "values": [
    {"code": 1, "name": "provável", "variable": 3, "position": 1},
    {"code": 2, "name": "0;120", "variable": 4, "position": 1},
    {"code": 3, "name": "pólen", "variable": 5, "position": 1},
    {"code": 4, "name": "poeira", "variable": 5, "position": 2},
    {"code": 5, "name": "alto", "variable": 6, "position": 1}
  ],
  "formulas": [{"code": 1, "text": "60"}],
  "rules": [
    {"code": 1, "name": "gripe", "order": 1,
     "premises": [{"variable": 1, "operator": "=", "value": -2, "connective": 0, "negated": false},
                  {"variable": 2, "operator": "=", "value": -2, "connective": 2, "negated": false}],
     "conclusions": [{"variable": 3, "value": 1, "cnf": 0.9}]},
    {"code": 2, "name": "risco", "order": 2,
     "premises": [{"variable": 4, "operator": ">=", "value": 1, "connective": 1, "negated": false},
                  {"variable": 5, "operator": "=", "value": 3, "connective": 2, "negated": false}],
     "conclusions": [{"variable": 6, "value": 5, "cnf": 1}]}
  ],
  "questions": [{"variable": 2, "text": "Está com tosse?", "reasons": [], "useCnf": true}],
  "targets": [{"variable": 3, "showResults": true}, {"variable": 6, "showResults": true}]
})";

class ConsultCommand : public ::testing::Test {
protected:
    ConsultCommand() {
        std::vector<TKbProblem> problems;
        TExpertSystem base;
        const TJson document = ParseKbJson(kFluBase, problems);
        EXPECT_TRUE(problems.empty());
        EXPECT_TRUE(JsonToBase(document, base, problems));
        EXPECT_TRUE(base.Save(scratch.File("gripe.bcm")));
    }

    // Runs the scripted consultation; the JSON document on success.
    int Run(const std::string& answers, nlohmann::json& document, std::string& errors) {
        WriteText(scratch.File("respostas.txt"), answers);
        TConsultOptions options;
        options.BaseFile = scratch.File("gripe.bcm");
        options.AnswersFile = scratch.File("respostas.txt");
        options.Json = true;
        std::istringstream in;
        std::ostringstream out, err;
        const int status = RunConsult(options, in, out, err);
        errors = err.str();
        if (!out.str().empty()) document = nlohmann::json::parse(out.str());
        return status;
    }

    ScratchDir scratch;
};

TEST_F(ConsultCommand, ScriptedRunFollowsTheContract) {
    nlohmann::json document;
    std::string errors;
    ASSERT_EQ(Run("# respostas\nfebre = sim : 80\nTOSSE = Sim\nidade = 70\nalergias = poeira:50, pólen : 90\n",
                  document, errors),
              kExitOk)
        << errors;
    const auto expected = nlohmann::json::parse(R"({
      "questions": [
        {"variable": "Febre", "text": "Qual o valor de Febre ?",
         "why": ["Para concluir", " -  Gripe = provável", "eu preciso saber se", "==> Febre = Sim", " -  Tosse = Sim"]},
        {"variable": "Tosse", "text": "Está com tosse?",
         "why": ["Para concluir", " -  Gripe = provável", "eu preciso saber se", " -  Febre = Sim", "==> Tosse = Sim"]},
        {"variable": "Idade", "text": "Qual o valor de Idade ?",
         "why": ["Para concluir", " -  Risco = alto", "eu preciso saber se", "==> Idade >= 60", " -  Alergias = pólen"]}
      ],
      "results": [
        {"variable": "Gripe", "values": [{"value": "provável", "cnf": "72"}]},
        {"variable": "Risco", "values": [{"value": "alto", "cnf": "100"}]}
      ],
      "tree": [
        "Procurando Gripe ...",
        "Entrando na regra 1 ...",
        "  Comparando Febre = Sim",
        "  Procurando Febre ...",
        "  Perguntando ao usuário sobre Febre ...",
        "  Resposta do usuário: Sim, com 80%",
        "  Comparando Tosse = Sim",
        "  Procurando Tosse ...",
        "  Perguntando ao usuário sobre Tosse ...",
        "  Resposta do usuário: Sim, com 100%",
        "  A regra 1 foi aceita:",
        "    Gripe = provável",
        "Procurando Risco ...",
        "Entrando na regra 2 ...",
        "  Comparando Idade >= 60",
        "  Procurando Idade ...",
        "  Perguntando ao usuário sobre Idade ...",
        "  Resposta do usuário:  70, com 100%",
        "  A regra 2 foi aceita:",
        "    Risco = alto"
      ],
      "error": null})");
    EXPECT_EQ(document, expected) << document.dump(2);
}

TEST_F(ConsultCommand, AnswersProblemsStopWithStatusFour) {
    struct Case {
        const char* answers;
        const char* reason;
    };
    const Case cases[] = {
        {"febre = sim\n", "não tem resposta"},                       // Tosse has no line
        {"febre = talvez\ntosse = sim\n", "não é um valor de Febre"},  // unknown value
        {"febre = sim, não\ntosse = sim\n", "aceita uma só alternativa"},
        {"febre = sim\ntosse = sim\nidade = 130\n", "O valor não pode exceder o máximo!"},
        {"febre = sim\ntosse = sim\nidade = doze\n", "Valor numérico inválido!"},
        {"febre = sim : 150.5\ntosse = sim\n", "não pode ser digitado"},
        {"febre = sim\nfebre = não\n", "já foi respondida na linha 1"},
        {"febre sim\n", "falta o sinal"},
    };
    for (const Case& c : cases) {
        nlohmann::json document;
        std::string errors;
        EXPECT_EQ(Run(c.answers, document, errors), kExitAnswersProblem) << c.answers;
        EXPECT_NE(errors.find(c.reason), std::string::npos) << c.answers << " -> " << errors;
        // The script still gets its document, with the reason as its error.
        ASSERT_TRUE(document["error"].is_string()) << c.answers;
        EXPECT_NE(document["error"].get<std::string>().find(c.reason), std::string::npos) << c.answers;
    }
}

TEST_F(ConsultCommand, AnswersFilesAsEditorsWriteThem) {
    struct Case {
        const char* answers;
        const char* treeLine;
    };
    const Case cases[] = {
        {"\xEF\xBB\xBF" "febre = sim\ntosse = sim\nidade = 30\nalergias = pólen\n",
         "  Resposta do usuário: Sim, com 100%"},
        {"febre = sim : 50,5\ntosse = sim\nidade = 30\nalergias = pólen\n", "  Resposta do usuário: Sim, com 50.5%"},
        {"febre = sim\r\ntosse = sim\r\nidade = 30\r\nalergias = poeira : 20,5, pólen : 30\r\n",
         "  Resposta do usuário: Sim, com 100%"},
    };
    for (const Case& c : cases) {
        nlohmann::json document;
        std::string errors;
        ASSERT_EQ(Run(c.answers, document, errors), kExitOk) << c.answers << errors;
        EXPECT_THAT(document["tree"].get<std::vector<std::string>>(), ::testing::Contains(c.treeLine)) << c.answers;
    }
}

TEST_F(ConsultCommand, EveryExitOfAJsonRunPrintsADocumentWithItsError) {
    WriteText(scratch.File("r.txt"), "febre = sim\n");
    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const Case cases[] = {
        {{"consult", scratch.File("nada.bcm"), "--answers", scratch.File("r.txt"), "--json"}, kExitCannotOpen},
        {{"consult", scratch.File("gripe.bcm"), "--answers", scratch.File("nada.txt"), "--json"}, kExitAnswersProblem},
        {{"consult", scratch.File("gripe.bcm"), "--answers", scratch.File("r.txt"), "--json"}, kExitAnswersProblem},
    };
    for (const Case& c : cases) {
        const TRun run = RunCli(c.args, scratch);
        EXPECT_EQ(run.Status, c.status) << run.Err;
        const auto document = nlohmann::json::parse(run.Out);
        EXPECT_TRUE(document["error"].is_string()) << run.Out;
        EXPECT_TRUE(document["results"].is_array()) << run.Out;
    }
}

TEST_F(ConsultCommand, NoAnswerIsUnknownAndConfidenceOutOfRangeIsClamped) {
    nlohmann::json document;
    std::string errors;
    // 120 typed into a confidence box reads 100 once the box is left.
    ASSERT_EQ(Run("febre = sim : 120\ntosse = ?\nidade =\nalergias =\n", document, errors), kExitOk)
        << errors;
    EXPECT_EQ(document["results"][0]["values"][0]["value"], "Nenhum valor encontrado.");
    EXPECT_EQ(document["results"][1]["values"][0]["cnf"], "100");
}

TEST_F(ConsultCommand, BinaryReportsTheStatusesOfTheContract) {
    WriteText(scratch.File("r.txt"), "febre = sim\ntosse = sim\nidade = 30\nalergias = pólen\n");
    const TRun ok = RunCli({"consult", scratch.File("gripe.bcm"), "--answers", scratch.File("r.txt"), "--json",
                            "--estatisticas"},
                           scratch);
    EXPECT_EQ(ok.Status, 0) << ok.Err;
    EXPECT_NE(ok.Err.find("perguntas feitas: 4"), std::string::npos) << ok.Err;
    EXPECT_EQ(nlohmann::json::parse(ok.Out)["results"][1]["values"][0]["value"], "alto");

    const TRun missing = RunCli({"consult", scratch.File("nada.bcm"), "--answers", scratch.File("r.txt")}, scratch);
    EXPECT_EQ(missing.Status, kExitCannotOpen);
}

TEST_F(ConsultCommand, AFormulaErrorEndsWithStatusThreeAndTheMessage) {
    std::vector<TKbProblem> problems;
    TExpertSystem base;
    ASSERT_TRUE(JsonToBase(ParseKbJson(kFluBase, problems), base, problems));
    base.Formulas().Find(1);
    base.Formulas().Rename("10/0");
    ASSERT_TRUE(base.Save(scratch.File("gripe.bcm")));
    nlohmann::json document;
    std::string errors;
    EXPECT_EQ(Run("febre = sim\ntosse = sim\nidade = 30\n", document, errors), kExitEngineError);
    EXPECT_TRUE(document["error"].is_string());
    EXPECT_NE(errors.find("10/0"), std::string::npos) << errors;
    EXPECT_EQ(document["results"].size(), 1u);
}

TEST_F(ConsultCommand, ABaseThatMayOnlyBeExecutedShowsNoFormulaOrRule) {
    std::vector<TKbProblem> problems;
    TExpertSystem base;
    ASSERT_TRUE(JsonToBase(ParseKbJson(kFluBase, problems), base, problems));
    base.Formulas().Find(1);
    base.Formulas().Rename("10/0");
    base.PasswordBlock = {ScrambleText("segredo"), 2, true};
    ASSERT_TRUE(base.Save(scratch.File("gripe.bcm")));
    nlohmann::json document;
    std::string errors;
    EXPECT_EQ(Run("febre = sim\ntosse = sim\nidade = 30\n", document, errors), kExitEngineError);
    ASSERT_TRUE(document["error"].is_string());
    const std::string everything = document.dump() + errors;
    for (const char* secret : {"10/0", "Função", "Comparando", "Entrando na regra", "==>"})
        EXPECT_EQ(everything.find(secret), std::string::npos) << secret << " in " << everything;
    EXPECT_TRUE(document["tree"].empty());
}

TEST(AnswersFile, InteractiveTerminalSessionAnswersGoesBackAndExplains) {
    ScratchDir scratch;
    std::vector<TKbProblem> problems;
    TExpertSystem base;
    ASSERT_TRUE(JsonToBase(ParseKbJson(kFluBase, problems), base, problems));
    ASSERT_TRUE(base.Save(scratch.File("gripe.bcm")));
    TConsultOptions options;
    options.BaseFile = scratch.File("gripe.bcm");
    // Febre: 1; Tosse: why, then back to Febre, Febre again: 2 (Não), then Idade 30 and Alergias 1.
    std::istringstream in("1\n?\n<\n2\n30\n1\n");
    std::ostringstream out, err;
    EXPECT_EQ(RunConsult(options, in, out, err), kExitOk) << err.str();
    const std::string screen = out.str();
    EXPECT_NE(screen.find("Está com tosse?"), std::string::npos);
    EXPECT_NE(screen.find("==> Tosse = Sim"), std::string::npos);
    EXPECT_NE(screen.find("Resultados de Gripe:"), std::string::npos);
    EXPECT_NE(screen.find("Nenhum valor encontrado."), std::string::npos) << screen;
}

}  // namespace
}  // namespace quorvel::cli::test

namespace quorvel::cli::test {
namespace {

// V1 is concluded from V2, V2 from V3, ... V(n+1) is asked: a chain of n
// rules, the consultation's deepest shape.
std::string ChainBase(int rules) {
    nlohmann::json doc = {{"variables", nlohmann::json::array()}, {"rules", nlohmann::json::array()},
                          {"targets", {{{"variable", 1}}}}};
    for (int i = 1; i <= rules + 1; ++i) doc["variables"].push_back({{"code", i}, {"name", "V" + std::to_string(i)}});
    for (int i = 1; i <= rules; ++i)
        doc["rules"].push_back(
            {{"code", i},
             {"name", "R" + std::to_string(i)},
             {"order", i},
             {"premises", {{{"variable", i + 1}, {"operator", "="}, {"value", -2}, {"connective", 2}}}},
             {"conclusions", {{{"variable", i}, {"value", -2}, {"cnf", 1}}}}});
    return doc.dump();
}

TEST(ConsultChain, TheTreeOfALongChainIsWrittenWithEveryLevel) {
    constexpr int kRules = 400;
    ScratchDir scratch;
    std::vector<TKbProblem> problems;
    TExpertSystem base;
    ASSERT_TRUE(JsonToBase(ParseKbJson(ChainBase(kRules), problems), base, problems));
    ASSERT_TRUE(base.Save(scratch.File("cadeia.bcm")));
    WriteText(scratch.File("r.txt"), "V" + std::to_string(kRules + 1) + " = sim\n");
    for (const bool json : {false, true}) {
        TConsultOptions options;
        options.BaseFile = scratch.File("cadeia.bcm");
        options.AnswersFile = scratch.File("r.txt");
        options.Json = json;
        options.Tree = !json;
        std::istringstream in;
        std::ostringstream out, err;
        ASSERT_EQ(RunConsult(options, in, out, err), kExitOk) << err.str();
        std::vector<std::string> lines;
        if (json) {
            lines = nlohmann::json::parse(out.str())["tree"].get<std::vector<std::string>>();
        } else {
            const std::string title = "Árvore de raciocínio:\n";
            std::istringstream text(out.str().substr(out.str().find(title) + title.size()));
            for (std::string line; std::getline(text, line);) lines.push_back(line);
        }
        // Each rule is entered one level below the premise that needed it.
        const std::string deepest = std::string(2 * kRules, ' ') + "Resposta do usuário: Sim, com 100%";
        EXPECT_NE(std::find(lines.begin(), lines.end(), deepest), lines.end()) << json;
        EXPECT_EQ(lines.front(), "Procurando V1 ...");
    }
}

}  // namespace
}  // namespace quorvel::cli::test
