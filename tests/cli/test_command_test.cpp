// quorvel-cli test, lint and the explanations of consult: each expectation
// kind passing and failing with its message, the rule coverage on a base
// known by hand, the JUnit XML read back by an XML parser, the lint exit
// statuses, and "Como?" / "Por que não?" in the consultation's JSON.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "CliCommon.h"
#include "CliTestSupport.h"
#include "CmdConsult.h"
#include "CmdLint.h"
#include "CmdTest.h"
#include "ExSystem.h"
#include "KbJson.h"

namespace quorvel::cli::test {
namespace {

// A, B (yes/no) and D (numeric, 0..100) are asked.
//   REGRA 1: A = Sim -> R = alto 90 %
//   REGRA 2: B = Sim -> R = baixo 80 %
//   REGRA 3: A = Não -> N = 10 / D
//   REGRA 4: B = Não -> R = baixo 100 %
// Targets R, then N.
constexpr const char* kBase = R"({
  "name": "Teste",
  "variables": [
    {"code": 1, "name": "A", "multivalued": false, "numeric": false},
    {"code": 2, "name": "B", "multivalued": false, "numeric": false},
    {"code": 3, "name": "R", "multivalued": false, "numeric": false},
    {"code": 4, "name": "N", "multivalued": false, "numeric": true},
    {"code": 5, "name": "D", "multivalued": false, "numeric": true}
  ],
  "values": [
    {"code": 1, "name": "alto", "variable": 3, "position": 1},
    {"code": 2, "name": "baixo", "variable": 3, "position": 2},
    {"code": 3, "name": "0;100", "variable": 5, "position": 1}
  ],
  "formulas": [{"code": 1, "text": "10 / D"}],
  "rules": [
    {"code": 1, "name": "alto", "order": 1,
     "premises": [{"variable": 1, "operator": "=", "value": -2, "connective": 2, "negated": false}],
     "conclusions": [{"variable": 3, "value": 1, "cnf": 0.9}]},
    {"code": 2, "name": "baixo", "order": 2,
     "premises": [{"variable": 2, "operator": "=", "value": -2, "connective": 2, "negated": false}],
     "conclusions": [{"variable": 3, "value": 2, "cnf": 0.8}]},
    {"code": 3, "name": "divisao", "order": 3,
     "premises": [{"variable": 1, "operator": "=", "value": -3, "connective": 2, "negated": false}],
     "conclusions": [{"variable": 4, "value": 1, "cnf": 1}]},
    {"code": 4, "name": "sem B", "order": 4,
     "premises": [{"variable": 2, "operator": "=", "value": -3, "connective": 2, "negated": false}],
     "conclusions": [{"variable": 3, "value": 2, "cnf": 1}]}
  ],
  "questions": [],
  "targets": [{"variable": 3, "showResults": true}, {"variable": 4, "showResults": true}]
})";

class TestCommand : public ::testing::Test {
protected:
    TestCommand() {
        std::vector<TKbProblem> problems;
        TExpertSystem base;
        EXPECT_TRUE(JsonToBase(ParseKbJson(kBase, problems), base, problems));
        EXPECT_TRUE(problems.empty());
        EXPECT_TRUE(base.Save(scratch.File("teste.bcm")));
    }

    int RunCases(const std::string& cases, std::string& output, bool json = false) {
        WriteText(scratch.File("teste.caso"), cases);
        TTestOptions options;
        options.BaseFile = scratch.File("teste.bcm");
        options.CaseFiles = {scratch.File("teste.caso")};
        options.JUnitFile = scratch.File("junit.xml");
        options.Json = json;
        std::ostringstream out, err;
        const int status = RunTest(options, out, err);
        output = out.str() + err.str();
        return status;
    }

    ScratchDir scratch;
};

struct TExpectationCase {
    const char* Name;
    const char* Case;  // after "caso: c\n"
    const char* Line;  // the case's line in the output
};

void PrintTo(const TExpectationCase& c, std::ostream* os) { *os << c.Name; }

class Expectations : public TestCommand, public ::testing::WithParamInterface<TExpectationCase> {};

constexpr const char* kHighAnswers = "A = Sim\n";
constexpr const char* kDivisionAnswers = "A = Não\nB = Sim\nD = 0\n";

const TExpectationCase kExpectationCases[] = {
    {"ExactPasses", "espera: R = alto = 90\n", "ok      c"},
    {"ExactFails", "espera: R = alto = 80\n", "FALHOU  c: R = alto = 80: esperado alto = 80%, obtido alto 90%"},
    {"BoundPasses", "espera: R = alto >= 85\n", "ok      c"},
    {"BoundFails", "espera: R = alto > 90\n", "FALHOU  c: R = alto > 90: esperado alto > 90%, obtido alto 90%"},
    {"PresentPasses", "espera: R = alto\n", "ok      c"},
    {"PresentFails", "espera: R = baixo\n", "FALHOU  c: R = baixo: esperado baixo, obtido alto 90%"},
    {"AbsentPasses", "ausente: R = baixo\n", "ok      c"},
    {"AbsentFails", "ausente: R = alto\n", "FALHOU  c: R = alto: esperado sem alto, obtido alto 90%"},
    {"NoValuePasses", "sem valor: N\n", "ok      c"},
    {"NoValueFails", "sem valor: R\n", "FALHOU  c: R: esperado nenhum valor, obtido alto 90%"},
    {"QuestionsPass", "perguntas: A\n", "ok      c"},
    {"QuestionsFail", "perguntas: A, B\n", "FALHOU  c: perguntas: esperado A, B, obtido A"},
    {"ErrorMissing", "erro: Divisão por zero\n",
     "FALHOU  c: erro: esperado erro com \"Divisão por zero\", obtido a consulta terminou sem erro"},
};

TEST_P(Expectations, PassOrFailWithWhatDiffered) {
    std::string output;
    const int status = RunCases(std::string("caso: c\n") + kHighAnswers + GetParam().Case, output);
    EXPECT_EQ(output.substr(0, output.find('\n')), GetParam().Line) << output;
    EXPECT_EQ(status, output.rfind("ok", 0) == 0 ? kExitOk : kExitCheckFailed) << output;
}

INSTANTIATE_TEST_SUITE_P(EveryKind, Expectations, ::testing::ValuesIn(kExpectationCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(TestCommand, EngineErrorsAreExpectedOrReported) {
    std::string output;
    EXPECT_EQ(RunCases(std::string("caso: c\n") + kDivisionAnswers + "erro: Divisão por zero\nespera: R = baixo = 80\n",
                       output),
              kExitOk)
        << output;
    EXPECT_EQ(RunCases(std::string("caso: c\n") + kDivisionAnswers, output), kExitCheckFailed);
    EXPECT_EQ(output.substr(0, output.find('\n')),
              "FALHOU  c: erro: esperado nenhum erro, obtido Divisão por zero. Função: 10 / D (regra 3, variável N)");
    EXPECT_EQ(RunCases("caso: c\nB = Sim\n", output), kExitCheckFailed);
    EXPECT_EQ(output.substr(0, output.find('\n')),
              "FALHOU  c: respostas: esperado respostas para todas as perguntas, obtido a pergunta sobre \"A\" não tem "
              "resposta no caso");
}

TEST_F(TestCommand, CoverageOverAllCasesIsCountedByRule) {
    // Alone, the first case fires rule 1, rejects rule 3 and never evaluates 2 and 4.
    std::string output;
    ASSERT_EQ(RunCases(std::string("caso: alto\n") + kHighAnswers, output, true), kExitOk) << output;
    auto document = nlohmann::json::parse(output);
    const auto numbers = [](const nlohmann::json& rules) {
        std::vector<int> list;
        for (const auto& rule : rules) list.push_back(rule["number"].get<int>());
        return list;
    };
    EXPECT_EQ(numbers(document["coverage"]["fired"]), std::vector<int>({1}));
    EXPECT_EQ(numbers(document["coverage"]["evaluatedNotFired"]), std::vector<int>({3}));
    EXPECT_EQ(numbers(document["coverage"]["neverEvaluated"]), std::vector<int>({2, 4}));
    EXPECT_EQ(document["coverage"]["firedPercent"].get<double>(), 25.0);

    // With a second case, rules 2 and 3 fire too; rule 4 stays unevaluated.
    ASSERT_EQ(RunCases(std::string("caso: alto\n") + kHighAnswers + "caso: baixo\nA = Não\nB = Sim\nD = 4\n" +
                           "espera: N = 2,5\nespera: R = baixo = 80\n",
                       output),
              kExitOk)
        << output;
    EXPECT_NE(output.find("2 caso(s): 2 ok, 0 FALHOU"), std::string::npos) << output;
    EXPECT_NE(output.find("  disparadas: 3 (75%)\n    REGRA 1 alto\n    REGRA 2 baixo\n    REGRA 3 divisao\n"
                          "  avaliadas sem disparar: 0 (0%)\n  nunca avaliadas: 1 (25%)\n    REGRA 4 sem B\n"),
              std::string::npos)
        << output;
}

TEST_F(TestCommand, CaseFilesThatCannotBeReadAreRefused) {
    std::string output;
    EXPECT_EQ(RunCases("A = Sim\n", output), kExitInvalid);
    EXPECT_NE(output.find("linha 1: antes do primeiro \"caso:\""), std::string::npos) << output;
    EXPECT_EQ(RunCases("caso: c\nespera: R alto\n", output), kExitInvalid);
    EXPECT_NE(output.find("linha 2: falta o sinal \"=\""), std::string::npos) << output;
    EXPECT_EQ(RunCases("caso: c\nA Sim\n", output), kExitInvalid);
    EXPECT_NE(output.find("linha 2: falta o sinal \"=\" entre a variável e a resposta"), std::string::npos) << output;
}

// The attribute of an element, "" when absent.
std::string Attribute(xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    std::string text = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
}

std::vector<xmlNode*> Children(xmlNode* node, const char* name) {
    std::vector<xmlNode*> children;
    for (xmlNode* child = node->children; child; child = child->next)
        if (child->type == XML_ELEMENT_NODE && xmlStrcmp(child->name, reinterpret_cast<const xmlChar*>(name)) == 0)
            children.push_back(child);
    return children;
}

TEST_F(TestCommand, JUnitXmlReadsBackWithAnXmlParser) {
    std::string output;
    ASSERT_EQ(RunCases(std::string("caso: passa & <fica>\n") + kHighAnswers + "espera: R = alto\n" + "caso: falha\n" +
                           kHighAnswers + "espera: R = alto = 80\nausente: R = alto\n",
                       output),
              kExitCheckFailed);
    xmlDoc* document = xmlReadFile(scratch.File("junit.xml").c_str(), nullptr, XML_PARSE_NONET);
    ASSERT_NE(document, nullptr);
    xmlNode* root = xmlDocGetRootElement(document);
    EXPECT_STREQ(reinterpret_cast<const char*>(root->name), "testsuites");
    EXPECT_EQ(Attribute(root, "tests"), "2");
    EXPECT_EQ(Attribute(root, "failures"), "1");
    const auto suites = Children(root, "testsuite");
    ASSERT_EQ(suites.size(), 1u);
    const auto cases = Children(suites[0], "testcase");
    ASSERT_EQ(cases.size(), 2u);
    EXPECT_EQ(Attribute(cases[0], "name"), "passa & <fica>");
    EXPECT_TRUE(Children(cases[0], "failure").empty());
    EXPECT_EQ(Attribute(cases[1], "name"), "falha");
    const auto failures = Children(cases[1], "failure");
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(Attribute(failures[0], "message"), "R = alto = 80: esperado alto = 80%, obtido alto 90%");
    xmlChar* details = xmlNodeGetContent(failures[0]);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(details)),
              "R = alto = 80: esperado alto = 80%, obtido alto 90%\nR = alto: esperado sem alto, obtido alto 90%\n");
    xmlFree(details);
    xmlFreeDoc(document);
}

TEST_F(TestCommand, LintExitStatusGatesOnErrorsOnly) {
    // The base as it stands only has warnings (D's range is fine; nothing is wrong).
    TLintOptions options;
    options.BaseFile = scratch.File("teste.bcm");
    options.Json = true;
    std::ostringstream out, err;
    EXPECT_EQ(RunLint(options, out, err), kExitOk) << out.str() << err.str();
    EXPECT_EQ(nlohmann::json::parse(out.str())["errors"], 0);

    // A formula naming an undeclared variable is an error.
    std::vector<TKbProblem> problems;
    TExpertSystem base;
    auto document = ParseKbJson(kBase, problems);
    document["formulas"][0]["text"] = "10 / Z";
    ASSERT_TRUE(JsonToBase(document, base, problems));
    ASSERT_TRUE(base.Save(scratch.File("erro.bcm")));
    options.BaseFile = scratch.File("erro.bcm");
    std::ostringstream out2, err2;
    EXPECT_EQ(RunLint(options, out2, err2), kExitCheckFailed);
    const auto report = nlohmann::json::parse(out2.str());
    EXPECT_EQ(report["errors"], 1);
    const auto findings = report["findings"];
    ASSERT_FALSE(findings.empty());
    EXPECT_EQ(findings[0]["code"], "QL002");
    EXPECT_EQ(findings[0]["message"],
              "REGRA 3 (divisao), conclusão sobre \"N\", fórmula 10 / Z: Variável não declarada: Z! Função: 10 / Z");
    EXPECT_EQ(findings[0]["severity"], "error");
    EXPECT_EQ(findings[0]["rule"], 3);
}

TEST_F(TestCommand, LintOfATextSourceNamesItsLines) {
    WriteText(scratch.File("linhas.bct"),
              "BASE Linhas\n"
              "VARI\u00c1VEL SIM/N\u00c3O A\n"
              "VARI\u00c1VEL R\n"
              "  VALOR alto\n"
              "  VALOR baixo\n"
              "VARI\u00c1VEL SIM/N\u00c3O Solta\n"
              "VARI\u00c1VEL S\n"
              "  VALOR s1\n"
              "OBJETIVO R\n"
              "REGRA alto\n"
              "  SE A = Sim\n"
              "  ENT\u00c3O R = alto CNF 90%\n"
              "REGRA baixo\n"
              "  SE A = N\u00e3o\n"
              "  E R = baixo\n"
              "  ENT\u00c3O S = s1 CNF 90%\n");
    TLintOptions options;
    options.BaseFile = scratch.File("linhas.bct");
    std::ostringstream out, err;
    EXPECT_EQ(RunLint(options, out, err), kExitCheckFailed) << out.str() << err.str();
    const std::string file = scratch.File("linhas.bct");
    EXPECT_NE(out.str().find(file + ":6: QL004 aviso A vari\u00e1vel \"Solta\""), std::string::npos) << out.str();
    EXPECT_NE(out.str().find(file + ":15: QL006 erro REGRA 2 (baixo), premissa 2: \"R\" nunca vale \"baixo\""),
              std::string::npos)
        << out.str();

    // The same source on standard input, and a binary base there too, told apart by their first bytes.
    const TRun piped = RunCli({"lint", "-"}, scratch, {.Stdin = ReadText(file), .Environment = {}});
    EXPECT_EQ(piped.Status, kExitCheckFailed) << piped.Err;
    EXPECT_NE(piped.Out.find("-:6: QL004 aviso A vari\u00e1vel \"Solta\""), std::string::npos) << piped.Out;
    ASSERT_EQ(RunCli({"build", file, "-o", scratch.File("linhas.bcm")}, scratch).Status, kExitOk);
    const TRun binary = RunCli({"lint", "-"}, scratch, {.Stdin = ReadText(scratch.File("linhas.bcm")), .Environment = {}});
    EXPECT_EQ(binary.Status, kExitCheckFailed) << binary.Err;
    EXPECT_NE(binary.Out.find("QL004 aviso A vari\u00e1vel \"Solta\""), std::string::npos) << binary.Out;
    EXPECT_EQ(binary.Out.find("-:6:"), std::string::npos) << binary.Out;

    // A source that does not compile is refused with its places.
    WriteText(scratch.File("errado.bct"), "BASE Errada\nREGRA x\n");
    options.BaseFile = scratch.File("errado.bct");
    std::ostringstream out2, err2;
    EXPECT_EQ(RunLint(options, out2, err2), kExitInvalid);
    EXPECT_NE(err2.str().find("nada foi verificado"), std::string::npos) << err2.str();
}

TEST_F(TestCommand, ConsultExplainsHowAndWhyNotInItsJson) {
    WriteText(scratch.File("respostas.txt"), "A = Sim\n");
    TConsultOptions options;
    options.BaseFile = scratch.File("teste.bcm");
    options.AnswersFile = scratch.File("respostas.txt");
    options.Json = true;
    options.WhyNot = {"R=baixo"};
    std::istringstream in;
    std::ostringstream out, err;
    ASSERT_EQ(RunConsult(options, in, out, err), kExitOk) << err.str();
    const auto document = nlohmann::json::parse(out.str());
    EXPECT_EQ(document["results"][0]["values"][0]["how"],
              nlohmann::json::array({"R = alto: 90%", "  REGRA 1 (alto): 100%; × CNF 90% = 90%",
                                     "    A = Sim: 100% (A: Sim 100%, resposta do usuário)"}));
    EXPECT_EQ(document["whyNot"][0]["reasons"][0]["kind"], "alreadySettled");
    EXPECT_EQ(document["whyNot"][0]["reasons"][1]["kind"], "alreadySettled");

    options.WhyNot = {"R=médio"};
    std::ostringstream out2, err2;
    EXPECT_EQ(RunConsult(options, in, out2, err2), kExitUsage);
    EXPECT_NE(err2.str().find("\"médio\" não é um valor de R"), std::string::npos) << err2.str();
}

}  // namespace
}  // namespace quorvel::cli::test
