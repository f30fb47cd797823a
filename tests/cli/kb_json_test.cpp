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
#include "ExSystem.h"
#include "ExText.h"
#include "KbJson.h"

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

// Random bases built through the engine as the editors would, in any
// insertion order, with every byte in their texts and awkward numbers.
class RandomBase {
public:
    explicit RandomBase(uint32_t seed) : rng_(seed) {}

    void Fill(TExpertSystem& base) {
        base.ClearBase();
        base.Version = Chance(0.5) ? "1.0" : "1.1";
        base.BaseName = Text(0, 255);
        base.Authors = Text(0, 255);
        for (int n = Int(0, 3); n > 0; --n) base.OpeningText.push_back(Text(0, 255));
        base.HelpFile = Text(0, 40);
        base.ShowOpening = Chance(0.5);
        for (TCnfFormula* formula : {&base.AndFormula, &base.OrFormula, &base.ConclusionFormula})
            *formula = {Text(0, 60), Chance(0.5)};
        base.Precedence = static_cast<int16_t>(Int(0, 1));
        base.MinimumCnf = Chance(0.3) ? 1.0f : std::uniform_real_distribution<float>(0.0f, 1.0f)(rng_);
        base.EvaluateAllPremises = Chance(0.5);
        if (Chance(0.5)) {
            password_ = Text(1, 8);
            base.PasswordBlock = {ScrambleText(password_), static_cast<int16_t>(Pick<int>({0, 2, 3})), true};
        } else {
            base.PasswordBlock = {Chance(0.5) ? ScrambleText(Text(1, 8)) : "", static_cast<int16_t>(Int(0, 3)), false};
        }

        struct Var {
            int32_t code;
            bool numeric;
            std::vector<int32_t> values;
        };
        std::vector<Var> vars;
        for (int32_t code : Codes(Int(1, 12))) {
            const bool numeric = Chance(0.25);
            const bool multivalued = !numeric && Chance(0.3);
            base.Vars().AddVariable(code, "V" + std::to_string(code) + ":" + Text(0, 30, ":"), multivalued, numeric);
            vars.push_back({code, numeric, {}});
        }
        std::vector<int32_t> valueCodes = Codes(Int(0, 25));
        std::shuffle(vars.begin(), vars.end(), rng_);
        for (Var& var : vars) {
            const int wanted = var.numeric ? Int(0, 1) : Int(0, 4);
            for (int i = 0; i < wanted && !valueCodes.empty(); ++i) {
                var.values.push_back(valueCodes.back());
                valueCodes.pop_back();
            }
            std::vector<int32_t> positions(var.values.size());
            for (std::size_t i = 0; i < positions.size(); ++i) positions[i] = static_cast<int32_t>(i) + 1;
            std::shuffle(positions.begin(), positions.end(), rng_);
            for (std::size_t i = 0; i < var.values.size(); ++i)
                base.Values().AddValue(var.values[i], "W" + std::to_string(var.values[i]) + ":" + Text(0, 20, ":"),
                                       var.code, positions[i]);
        }
        const std::vector<int32_t> formulas = Codes(Int(0, 5));
        for (int32_t code : formulas) base.Formulas().Add(code, Text(0, 255));

        auto valueFor = [&](const Var& var) {
            if (var.numeric) return formulas.empty() || Chance(0.2) ? kCodeUnknown : formulas[Index(formulas.size())];
            if (var.values.empty() || Chance(0.3)) return Pick<int32_t>({kCodeUnknown, kCodeYes, kCodeNo});
            return var.values[Index(var.values.size())];
        };
        const std::vector<int32_t> rules = Codes(Int(0, 8));
        std::vector<int32_t> orders(rules.size());
        for (std::size_t i = 0; i < orders.size(); ++i) orders[i] = static_cast<int32_t>(i) + 1;
        std::shuffle(orders.begin(), orders.end(), rng_);
        for (std::size_t r = 0; r < rules.size(); ++r) {
            base.Rules().AddRule(rules[r], Text(0, 40), orders[r]);
            for (int n = Int(1, 4), i = 0; i < n; ++i) {
                const Var& var = vars[Index(vars.size())];
                base.Tails().AddPremise(rules[r], var.code, Pick<const char*>({"=", "<>", ">", "<", ">=", "<="}),
                                        valueFor(var), i + 1 == n ? 2 : Int(0, 1), Chance(0.3));
            }
            for (int n = Int(1, 3); n > 0; --n) {
                const Var& var = vars[Index(vars.size())];
                base.Heads().AddConclusion(rules[r], var.code, valueFor(var), Cnf());
            }
        }
        for (const Var& var : vars) {
            if (!Chance(0.5)) continue;
            std::vector<std::string> reasons;
            for (int n = Int(0, 3); n > 0; --n) reasons.push_back(Text(0, 255));
            base.Questions().AddQuestion(var.code, Text(0, 255), Chance(0.5), &reasons);
        }
        for (int n = Int(0, 4); n > 0; --n) base.Targets().Add(vars[Index(vars.size())].code, Chance(0.7));
        for (const Var& var : vars)
            for (int32_t value : var.values)
                if (Chance(0.3)) base.HelpContexts().AddContext(value, Int(-32768, 32767));
    }

    const std::string& Password() const { return password_; }

private:
    bool Chance(double p) { return std::bernoulli_distribution(p)(rng_); }
    int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    std::size_t Index(std::size_t size) { return static_cast<std::size_t>(Int(0, static_cast<int>(size) - 1)); }
    template <class T>
    T Pick(std::initializer_list<T> choices) {
        return *(choices.begin() + Index(choices.size()));
    }

    // Distinct codes from 1 to 32767 in random order, often including the extremes.
    std::vector<int32_t> Codes(int count) {
        std::set<int32_t> chosen;
        if (count > 0 && Chance(0.3)) chosen.insert(32767);
        while (static_cast<int>(chosen.size()) < count) chosen.insert(Chance(0.5) ? Int(1, 40) : Int(1, 32767));
        std::vector<int32_t> codes(chosen.begin(), chosen.end());
        std::shuffle(codes.begin(), codes.end(), rng_);
        return codes;
    }

    // Any bytes but the excluded ones, sometimes all of the short string's 255.
    std::string Text(int shortest, int longest, const std::string& excluded = "") {
        const int length = Chance(0.1) ? longest : Int(shortest, longest);
        std::string text;
        while (static_cast<int>(text.size()) < length) {
            const auto byte = static_cast<char>(Int(0, 255));
            if (excluded.find(byte) == std::string::npos && byte != '"') text += byte;
        }
        return text;
    }

    // Confidences as the rule editor lets them in (no range is enforced)
    // and arbitrary floats that the file's 6-byte reals can hold.
    float Cnf() {
        if (Chance(0.5)) return Pick<float>({0.0f, 1.0f, 0.8f, 0.1f, 1.0f / 3.0f, 1.5f, -0.25f, 1e-30f, 0.99999994f});
        for (;;) {
            const auto bits = static_cast<uint32_t>(std::uniform_int_distribution<uint32_t>()(rng_));
            float value;
            std::memcpy(&value, &bits, sizeof value);
            uint8_t real48[6];
            if (std::isfinite(value) && EncodeReal48(value, real48)) return value;
        }
    }

    std::mt19937 rng_;
    std::string password_;
};

TEST(KbJsonRoundTrip, AnyBaseSavedByTheEngineIsRebuiltByteForByte) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        ScratchDir scratch;
        RandomBase random(seed);
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
        {{{"/variables/0/name", R"("  ")"}}, "variables[0].name: o nome de uma variável não pode ficar em branco"},
        {{{"/variables/0/name", R"("Fe\"bre")"}}, "variables[0].name: o nome de uma variável não pode ter aspas"},
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
