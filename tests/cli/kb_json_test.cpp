// The JSON form of a knowledge base: the document of a new base, round trips
// through the file format byte for byte, and build's checks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "CliCommon.h"
#include "CliTestSupport.h"
#include "ExNames.h"
#include "ExSystem.h"
#include "ExText.h"
#include "KbJson.h"
#include "engine/RandomBase.h"

namespace quorvel::cli {
namespace {

using test::Fixture;
using test::ReadBytes;
using test::ScratchDir;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const char* const kNewBaseJson = R"({
  "version": "1.1",
  "accessLevel": 1,
  "protection": {
    "usePassword": false,
    "restriction": 1,
    "hasPassword": false
  },
  "name": "SEM NOME",
  "authors": "",
  "openingText": [],
  "helpFile": "",
  "showOpening": false,
  "andFormula": {
    "useDefault": true,
    "text": ""
  },
  "orFormula": {
    "useDefault": true,
    "text": ""
  },
  "conclusionFormula": {
    "useDefault": true,
    "text": ""
  },
  "precedence": 0,
  "minimumCnf": 0.5,
  "evaluateAllPremises": false,
  "variables": [],
  "values": [],
  "rules": [],
  "formulas": [],
  "questions": [],
  "targets": [],
  "helpContexts": []
}
)";

std::vector<std::string> Texts(const std::vector<TKbProblem>& problems) {
    std::vector<std::string> texts;
    for (const auto& problem : problems) texts.push_back(problem.Text());
    return texts;
}

// The document as text and back, as it travels between dump and build.
TJson ThroughText(const TJson& document) {
    std::vector<TKbProblem> problems;
    TJson parsed = ParseKbJson(JsonText(document), problems);
    EXPECT_THAT(Texts(problems), IsEmpty());
    return parsed;
}

// Loads a file as dump does, with this password entry.
TJson DumpFile(const std::string& path, const std::string& entry = "") {
    TCollectingSink sink;
    TExpertSystem base(&sink);
    TFixedPasswordPrompt prompt(entry);
    base.SetPasswordPrompt(&prompt);
    EXPECT_TRUE(base.Load(path)) << sink.Joined();
    std::vector<std::string> omitted;
    return BaseToJson(base, omitted, /*withPassword=*/true);
}

// Builds the document into a file; the problems, if any, as test failures.
void BuildFile(const TJson& document, const std::string& path) {
    TCollectingSink sink;
    TExpertSystem base(&sink);
    std::vector<TKbProblem> problems;
    ASSERT_TRUE(JsonToBase(document, base, problems)) << ::testing::PrintToString(Texts(problems));
    ASSERT_TRUE(base.Save(path)) << base.LastSaveError();
    EXPECT_THAT(sink.Texts(), IsEmpty());
}

// dump then build must give back the very bytes of the file.
void ExpectBytesSurviveDumpAndBuild(const std::string& file, const std::string& entry, const ScratchDir& scratch) {
    const TJson dumped = ThroughText(DumpFile(file, entry));
    const std::string rebuilt = scratch.File("rebuilt.bcm");
    BuildFile(dumped, rebuilt);
    const auto before = ReadBytes(file);
    const auto after = ReadBytes(rebuilt);
    ASSERT_EQ(before.size(), after.size());
    const auto mismatch = std::mismatch(before.begin(), before.end(), after.begin());
    EXPECT_TRUE(mismatch.first == before.end()) << "first difference at byte " << (mismatch.first - before.begin());
}

TEST(KbJsonDump, NewBaseGivesTheDocumentOfDefaults) {
    TCollectingSink sink;
    TExpertSystem base(&sink);
    std::vector<std::string> omitted;
    EXPECT_EQ(JsonText(BaseToJson(base, omitted)), kNewBaseJson);
    EXPECT_THAT(omitted, IsEmpty());
    EXPECT_THAT(sink.Texts(), IsEmpty());
}

// The rich example base in its variants: every section, both versions,
// accented texts, a protected base opened with its password.
TEST(KbJsonRoundTrip, RichBaseSurvivesBuildDumpAndBuild) {
    struct Case {
        const char* name;
        std::function<void(TJson&)> change;
        std::string entry;
    };
    const Case cases[] = {
        {"version 1.1", [](TJson&) {}, ""},
        {"version 1.0",
         [](TJson& doc) {
             doc["version"] = "1.0";
             for (const char* key : {"andFormula", "orFormula", "conclusionFormula"})
                 doc[key] = TJson{{"useDefault", true}, {"text", ""}};
             for (auto& question : doc["questions"]) question["useCnf"] = true;
             for (auto& target : doc["targets"]) target["showResults"] = true;
         },
         ""},
        {"protected, opened with the password",
         [](TJson& doc) {
             doc["protection"] = TJson{
                 {"usePassword", true}, {"restriction", 3}, {"hasPassword", true}, {"scrambled", "296B2BCF99395D"}};
         },
         "Segredo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        TJson expected = Fixture("orientacao_respiratoria.json");
        c.change(expected);
        const std::string file = scratch.File("base.bcm");
        BuildFile(expected, file);
        // Everything built is shown again, in the document's own order.
        EXPECT_EQ(ThroughText(DumpFile(file, c.entry)), expected);
        ExpectBytesSurviveDumpAndBuild(file, c.entry, scratch);
    }
}

TEST(KbJsonRoundTrip, PlainPasswordIsStoredScrambled) {
    ScratchDir scratch;
    TJson doc = Fixture("orientacao_respiratoria.json");
    doc["protection"] = TJson{{"usePassword", true}, {"restriction", 2}, {"password", "Segredo"}};
    const std::string file = scratch.File("base.bcm");
    BuildFile(doc, file);

    TExpertSystem base;
    TFixedPasswordPrompt prompt("Segredo");
    base.SetPasswordPrompt(&prompt);
    ASSERT_TRUE(base.Load(file));
    EXPECT_EQ(base.PasswordBlock.Password, ScrambleText("Segredo"));
    EXPECT_EQ(base.AccessLevel, kAccessFull);
    std::vector<std::string> omitted;
    EXPECT_FALSE(BaseToJson(base)["protection"].contains("scrambled"));
    const TJson dumped = BaseToJson(base, omitted, /*withPassword=*/true);
    EXPECT_EQ(
        dumped["protection"],
        (TJson{{"usePassword", true}, {"restriction", 2}, {"hasPassword", true}, {"scrambled", "296B2BCF99395D"}}));
}

// ---------------------------------------------------------------- random bases

TEST(KbJsonRoundTrip, AnyBaseSavedByTheEngineIsRebuiltByteForByte) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        ScratchDir scratch;
        quorvel::test::RandomBase random(seed);
        TCollectingSink sink;
        TExpertSystem base(&sink);
        random.Fill(base);
        const std::string file = scratch.File("random.bcm");
        ASSERT_TRUE(base.Save(file)) << base.LastSaveError();
        ExpectBytesSurviveDumpAndBuild(file, random.Password(), scratch);
        EXPECT_THAT(sink.Texts(), IsEmpty());
    }
}

TEST(KbJsonDump, LinesOfAMissingRuleAreReportedAsOmitted) {
    TCollectingSink sink;
    TExpertSystem base(&sink);
    base.Vars().AddVariable(1, "Febre", false, false);
    base.Rules().AddRule(1, "r", 1);
    base.Tails().AddPremise(1, 1, "=", -2, 2, false);
    base.Heads().AddConclusion(1, 1, -2, 1.0f);
    base.Tails().AddPremise(9, 1, "=", -2, 0, false);
    base.Tails().AddPremise(9, 1, "=", -3, 2, false);
    base.Heads().AddConclusion(8, 1, -3, 1.0f);
    std::vector<std::string> omitted;
    const TJson doc = BaseToJson(base, omitted);
    EXPECT_EQ(doc["rules"].size(), 1u);
    EXPECT_THAT(omitted,
                ElementsAre("2 premissa(s) da regra 9, que não existe", "1 conclusão(ões) da regra 8, que não existe"));
}

// ------------------------------------------------------------------ checks

// A small valid base; each case below breaks it in one place.
const char* const kSmallBase = R"({
  "variables": [{"code": 1, "name": "Febre"}, {"code": 2, "name": "Diagnóstico"},
                {"code": 3, "name": "Idade", "numeric": true}],
  "values": [{"code": 1, "name": "gripe", "variable": 2, "position": 1},
             {"code": 2, "name": "resfriado", "variable": 2, "position": 2}],
  "rules": [{"code": 1, "name": "Gripe", "order": 1,
             "premises": [{"variable": 1, "operator": "=", "value": -2, "connective": 0, "negated": false},
                          {"variable": 3, "operator": ">", "value": 1, "connective": 2, "negated": false}],
             "conclusions": [{"variable": 2, "value": 1, "cnf": 0.8}]}],
  "formulas": [{"code": 1, "text": "40"}],
  "questions": [{"variable": 1, "text": "Tem febre?", "reasons": [], "useCnf": true}],
  "targets": [{"variable": 2, "showResults": true}],
  "helpContexts": [{"value": 1, "context": 25}]
})";

TJson SmallBase() {
    std::vector<TKbProblem> problems;
    return ParseKbJson(kSmallBase, problems);
}

// Puts a value, written as JSON, at a place of the document; no value
// removes the field.
struct TPatch {
    std::string pointer;
    std::optional<std::string> json;
};

void ApplyPatches(TJson& doc, const std::vector<TPatch>& patches) {
    for (const TPatch& patch : patches) {
        const TJson::json_pointer pointer(patch.pointer);
        if (patch.json)
            doc[pointer] = TJson::parse(*patch.json);
        else
            doc[pointer.parent_pointer()].erase(pointer.back());
    }
}

TEST(KbJsonBuild, SmallBaseIsAccepted) {
    TExpertSystem base;
    std::vector<TKbProblem> problems;
    EXPECT_TRUE(JsonToBase(SmallBase(), base, problems));
    EXPECT_THAT(Texts(problems), IsEmpty());
}

TEST(KbJsonBuild, EveryKindOfProblemIsReportedWithItsPlaceAndNothingChanges) {
    const std::string tooLong = "\"" + std::string(256, 'a') + "\"";
    struct Case {
        std::vector<TPatch> patches;
        std::string expected;
    };
    const Case cases[] = {
        // the document's shape
        {{{"", "[]"}}, "documento: deve ser um objeto"},
        {{{"/autor", R"("Ana")"}}, "autor: campo desconhecido"},
        {{{"/variables/0/cor", R"("azul")"}}, "variables[0].cor: campo desconhecido"},
        {{{"/rules/0/premises/1/peso", "2"}}, "rules[0].premises[1].peso: campo desconhecido"},
        {{{"/variables/0/code", R"("1")"}}, "variables[0].code: deve ser um número inteiro"},
        {{{"/values/0/position", "1.5"}}, "values[0].position: deve ser um número inteiro"},
        {{{"/showOpening", "1"}}, "showOpening: deve ser true ou false"},
        {{{"/name", "5"}}, "name: deve ser um texto"},
        {{{"/rules", "{}"}}, "rules: deve ser uma lista"},
        {{{"/protection", "[]"}}, "protection: deve ser um objeto"},
        {{{"/rules/0/conclusions/0/cnf", R"("0,8")"}}, "rules[0].conclusions[0].cnf: deve ser um número"},
        {{{"/variables/0/name", std::nullopt}}, "variables[0].name: campo obrigatório ausente"},
        {{{"/rules/0/premises/0/connective", std::nullopt}},
         "rules[0].premises[0].connective: campo obrigatório ausente"},
        {{{"/version", R"("2.0")"}}, R"(version: versão "2.0" desconhecida; use "1.0" ou "1.1")"},
        // texts and numbers the file cannot hold
        {{{"/name", tooLong}}, "name: texto de 256 bytes; o máximo é 255"},
        {{{"/questions/0/reasons", "[\"ok\", " + tooLong + "]"}},
         "questions[0].reasons[1]: texto de 256 bytes; o máximo é 255"},
        {{{"/values/0/name", R"("gripe ő")"}},
         R"(values[0].name: o caractere "ő" (U+0151) não existe em Windows-1252)"},
        {{{"/helpContexts/0/context", "70000"}}, "helpContexts[0].context: 70000 não cabe em 16 bits (-32768 a 32767)"},
        {{{"/rules/0/order", "-40000"}}, "rules[0].order: -40000 não cabe em 16 bits (-32768 a 32767)"},
        {{{"/formulas/0/code", "0"}}, "formulas[0].code: o código deve ser de 1 a 32767, não 0"},
        {{{"/rules/0/conclusions/0/cnf", "1e-40"}},
         "rules[0].conclusions[0].cnf: 1e-40 não pode ser gravado no arquivo"},
        {{{"/rules/0/conclusions/0/cnf", "1e39"}},
         "rules[0].conclusions[0].cnf: 1e+39 não pode ser gravado no arquivo"},
        {{{"/minimumCnf", "1.5"}}, "minimumCnf: o CNF mínimo deve estar entre 0 e 1"},
        {{{"/precedence", "2"}}, "precedence: precedência 2 inválida; use 0 (E) ou 1 (OU)"},
        // repeated codes and names
        {{{"/variables/-", R"({"code": 3, "name": "Outra"})"}},
         "variables[3].code: código 3 repetido (já em variables[2].code)"},
        {{{"/variables/-", R"({"code": 4, "name": "DIAGNÓSTICO"})"}},
         R"(variables[3].name: nome "DIAGNÓSTICO" repetido (já em variables[1]))"},
        {{{"/values/-", R"({"code": 3, "name": "GRIPE", "variable": 2, "position": 3})"}},
         R"(values[2].name: valor "GRIPE" repetido na variável 2 (já em values[0]))"},
        {{{"/values/-", R"({"code": 2, "name": "pneumonia", "variable": 2, "position": 3})"}},
         "values[2].code: código 2 repetido (já em values[1].code)"},
        {{{"/formulas/-", R"({"code": 1, "text": "50"})"}},
         "formulas[1].code: código 1 repetido (já em formulas[0].code)"},
        {{{"/questions/-", R"({"variable": 1, "text": "De novo?"})"}},
         "questions[1].variable: a variável 1 já tem pergunta (já em questions[0].variable)"},
        {{{"/helpContexts/-", R"({"value": 1, "context": 26})"}},
         "helpContexts[1].value: o valor 1 já tem contexto de ajuda (já em helpContexts[0].value)"},
        // names, held to the variables editor's rules and words
        {{{"/variables/0/name", R"("  ")"}},
         "variables[0].name: O nome da variável não pode ser somente espaços em branco!"},
        {{{"/variables/0/name", R"("Fe\"bre")"}}, "variables[0].name: Não se pode utilizar aspas duplas no nome da variável!"},
        {{{"/values/1/name", R"("  ")"}}, "values[1].name: O nome do valor não pode ser somente espaços em branco!"},
        {{{"/values/1/name", R"("")"}}, "values[1].name: O nome do valor não pode ser somente espaços em branco!"},
        {{{"/values/1/name", R"("res\"friado")"}}, "values[1].name: Não se pode utilizar aspas duplas no nome do valor!"},
        {{{"/values/1/name", R"("Desconhecido")"}},
         "values[1].name: DESCONHECIDO é o valor de toda variável que não pôde ser determinada e não pode ser o "
         "nome de um valor!"},
        {{{"/values/-", R"({"code": 3, "name": "0;100", "variable": 3})"},
          {"/values/-", R"({"code": 4, "name": "5;", "variable": 3})"}},
         "values[3].variable: Você não pode incluir mais nenhum valor em uma variável numérica!"},
        {{{"/values/-", R"({"code": 3, "name": "100;0", "variable": 3})"}},
         R"(values[2].name: intervalo "100;0" inválido; use "min;max", "min;" ou ";max" com max maior que min)"},
        {{{"/values/-", R"({"code": 3, "name": "abc", "variable": 3})"}},
         R"(values[2].name: intervalo "abc" inválido; use "min;max", "min;" ou ";max" com max maior que min)"},
        // confidences, held to the rule editor's range
        {{{"/rules/0/conclusions/0/cnf", "90"}},
         "rules[0].conclusions[0].cnf: grau de confiança 90 (9000%) fora de -0.99 a 9.99, o que o editor de regras "
         "aceita; o grau é uma fração: 0.9 para 90%"},
        {{{"/rules/0/conclusions/0/cnf", "-1"}},
         "rules[0].conclusions[0].cnf: grau de confiança -1 (-100%) fora de -0.99 a 9.99, o que o editor de regras "
         "aceita; o grau é uma fração: 0.9 para 90%"},
        // orders and positions
        {{{"/rules/0/order", "2"}}, "rules[0].order: ordem 2 fora de 1..1 (há 1 regra(s))"},
        {{{"/values/1/position", "1"}}, "values[1].position: posição 1 repetida (já em values[0].position)"},
        {{{"/values/1/position", "3"}}, "values[1].position: posição 3 fora de 1..2 (a variável 2 tem 2 valor(es))"},
        // references
        {{{"/rules/0/premises/0/variable", "17"}}, "rules[0].premises[0].variable: variável 17 inexistente"},
        {{{"/rules/0/premises/0/value", "1"}},
         "rules[0].premises[0].value: o valor 1 é da variável 2, não da variável 1"},
        {{{"/rules/0/premises/1/value", "9"}}, "rules[0].premises[1].value: fórmula 9 inexistente"},
        {{{"/rules/0/premises/1/value", "-2"}}, "rules[0].premises[1].value: fórmula -2 inexistente"},
        {{{"/rules/0/conclusions/0/value", "9"}}, "rules[0].conclusions[0].value: valor 9 inexistente"},
        {{{"/rules/0/conclusions/0/variable", "1"}},
         "rules[0].conclusions[0].value: o valor 1 é da variável 2, não da variável 1"},
        {{{"/values/0/variable", "7"}}, "values[0].variable: variável 7 inexistente"},
        {{{"/questions/0/variable", "7"}}, "questions[0].variable: variável 7 inexistente"},
        {{{"/targets/0/variable", "7"}}, "targets[0].variable: variável 7 inexistente"},
        {{{"/helpContexts/0/value", "9"}}, "helpContexts[0].value: valor 9 inexistente"},
        // rule structure
        {{{"/rules/0/premises", "[]"}}, "rules[0].premises: a regra não tem premissas"},
        {{{"/rules/0/conclusions", std::nullopt}}, "rules[0].conclusions: a regra não tem conclusões"},
        {{{"/rules/0/premises/1/connective", "0"}},
         "rules[0].premises[1].connective: a última premissa deve ter conectivo 2 (ENTÃO)"},
        {{{"/rules/0/premises/0/connective", "2"}},
         "rules[0].premises[0].connective: só a última premissa pode ter conectivo 2 (ENTÃO)"},
        {{{"/rules/0/premises/0/connective", "3"}},
         "rules[0].premises[0].connective: conectivo 3 inválido; use 0 (E), 1 (OU) ou 2 (ENTÃO)"},
        {{{"/rules/0/premises/0/operator", R"("=>")"}},
         R"(rules[0].premises[0].operator: operador "=>" inválido; use =, <>, >, <, >= ou <=)"},
        // protection
        {{{"/protection", R"({"usePassword": true, "restriction": 2})"}},
         R"(protection.usePassword: uma base protegida precisa de uma senha ("password" ou "scrambled"))"},
        {{{"/protection", R"({"usePassword": true, "password": "x"})"}},
         "protection.restriction: uma base protegida precisa de restrição 0, 2 ou 3"},
        {{{"/protection", R"({"password": "x", "scrambled": "AB"})"}},
         R"(protection: use "password" ou "scrambled", não os dois)"},
        {{{"/protection", R"({"scrambled": "ABC"})"}},
         "protection.scrambled: deve ser um texto hexadecimal com um número par de dígitos"},
        {{{"/protection", R"({"restriction": 4})"}}, "protection.restriction: restrição 4 inválida; use 0, 1, 2 ou 3"},
        // what a version 1.0 file cannot store
        {{{"/version", R"("1.0")"}, {"/questions/0/useCnf", "false"}},
         "questions[0].useCnf: a versão 1.0 não grava este campo; use a versão 1.1"},
        {{{"/version", R"("1.0")"}, {"/targets/0/showResults", "false"}},
         "targets[0].showResults: a versão 1.0 não grava este campo; use a versão 1.1"},
        {{{"/version", R"("1.0")"}, {"/orFormula", R"({"useDefault": false, "text": "CNF1"})"}},
         "orFormula: a versão 1.0 não grava fórmulas de CNF; use a versão 1.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        TJson doc = SmallBase();
        ApplyPatches(doc, c.patches);
        TCollectingSink sink;
        TExpertSystem base(&sink);
        base.BaseName = "INTACTA";
        base.Vars().AddVariable(7, "Existente", false, false);
        std::vector<TKbProblem> problems;
        EXPECT_FALSE(JsonToBase(doc, base, problems));
        EXPECT_THAT(Texts(problems), Contains(c.expected));
        EXPECT_EQ(base.BaseName, "INTACTA");
        EXPECT_EQ(base.Vars().Count(), 1);
    }
}

TEST(KbJsonBuild, IndependentProblemsAreAllReportedAtOnce) {
    TJson doc = SmallBase();
    ApplyPatches(doc, {{"/name", "5"}, {"/rules/0/premises/0/variable", "17"}, {"/helpContexts/0/context", "70000"}});
    TExpertSystem base;
    std::vector<TKbProblem> problems;
    EXPECT_FALSE(JsonToBase(doc, base, problems));
    EXPECT_THAT(Texts(problems), ElementsAre("name: deve ser um texto",
                                             "helpContexts[0].context: 70000 não cabe em 16 bits (-32768 a 32767)",
                                             "rules[0].premises[0].variable: variável 17 inexistente"));
}

TEST(KbJsonBuild, AbsentFieldsTakeTheDefaults) {
    std::string authors;
    for (int i = 0; i < 255; ++i) authors += "é";  // 510 bytes of UTF-8, 255 in Windows-1252
    TJson doc = SmallBase();
    ApplyPatches(doc, {{"/values/0/position", std::nullopt},
                       {"/values/1/position", std::nullopt},
                       {"/values/-", R"({"code": 3, "name": "gripe", "variable": 1})"},
                       {"/rules/0/conclusions/0/cnf", std::nullopt},
                       {"/rules/0/premises/0/negated", std::nullopt},
                       {"/questions/0/reasons", std::nullopt},
                       {"/questions/0/useCnf", std::nullopt},
                       {"/targets/0/showResults", std::nullopt},
                       {"/accessLevel", R"("ignorado")"},
                       {"/protection", R"({"hasPassword": "ignorado"})"}});
    doc["authors"] = authors;
    TExpertSystem base;
    std::vector<TKbProblem> problems;
    ASSERT_TRUE(JsonToBase(doc, base, problems)) << ::testing::PrintToString(Texts(problems));

    TJson expected = TJson::parse(kNewBaseJson);
    for (const char* key : {"variables", "values", "rules", "formulas", "questions", "targets", "helpContexts"})
        expected[key] = SmallBase()[key];
    expected["authors"] = authors;
    expected["variables"] = TJson::parse(R"([{"code": 1, "name": "Febre", "multivalued": false, "numeric": false},
        {"code": 2, "name": "Diagnóstico", "multivalued": false, "numeric": false},
        {"code": 3, "name": "Idade", "multivalued": false, "numeric": true}])");
    expected["values"].push_back(TJson::parse(R"({"code": 3, "name": "gripe", "variable": 1, "position": 1})"));
    expected["rules"][0]["conclusions"][0]["cnf"] = 1.0;
    EXPECT_EQ(ThroughText(BaseToJson(base)), expected);
}

TEST(KbJsonParse, MalformedOrAmbiguousTextIsRefusedWithItsPlace) {
    std::string longList = "{\"targets\": [1";
    for (int i = 1; i < 40000; ++i) longList += ",1";
    longList += "]}";
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"{\n  \"name\": \"Base\",\n  \"authors\": ,\n}",
         "linha 3, coluna 14: JSON malformado (ou texto que não é UTF-8)"},
        {"{\"name\": \"Diagn\xF3stico\"}", "linha 1, coluna 17: JSON malformado (ou texto que não é UTF-8)"},
        {"{\"variables\": [{\"code\": 1, \"name\": \"a\", \"name\": \"b\"}]}", "variables[0].name: campo repetido"},
        {"{\"values\": [], \"rules\": [{}, {\"premises\": [{}, {\"value\": 1, \"value\": 2}]}]}",
         "rules[1].premises[1].value: campo repetido"},
        {"{\"name\": \"a\", \"name\": \"a\"}", "name: campo repetido"},
        // hostile documents: refused at once, at their place, without a crash
        {"{\"precedence\": 1e400}", "linha 1, coluna 20: número grande demais"},
        {"{\"x\": {\"y\": -1e400}}", "linha 1, coluna 18: número grande demais"},
        {"{\"name\": " + std::string(16, '[') + std::string(16, ']') + "}",
         "name[0][0][0][0][0][0][0][0][0][0][0][0][0][0][0]: aninhamento de mais de 16 níveis"},
        {std::string(40000, '[') + std::string(40000, ']'),
         "[0][0][0][0][0][0][0][0][0][0][0][0][0][0][0][0]: aninhamento de mais de 16 níveis"},
        {longList,
         "targets[32767]: lista de mais de 32767 itens; o máximo é 32767"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<TKbProblem> problems;
        EXPECT_TRUE(ParseKbJson(c.text, problems).is_null());
        EXPECT_THAT(Texts(problems), ElementsAre(c.expected));
    }
}

}  // namespace
}  // namespace quorvel::cli
