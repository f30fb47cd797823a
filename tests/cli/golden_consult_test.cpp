// Consultations whose every output byte is pinned: the example bases and a
// few hundred bases drawn from seeds (small and large; yes/no, multivalued
// and numeric variables; formulas; E/OU mixes; custom confidence formulas;
// precedence; all premises on and off), each consulted from an answers file
// and from a terminal session that also asks "why" and goes back to the
// last question. The examples keep their whole output; the generated cases
// keep a hash of it, so a change anywhere in the engine's behaviour shows.
//
// QUORVEL_GOLDEN_UPDATE=1 rewrites the expected files instead of comparing;
// do that only for a change of behaviour that is meant.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "CliTestSupport.h"
#include "CmdConsult.h"

namespace quorvel::cli::test {
namespace {

std::string GoldenPath(const std::string& name) { return FixturePath("golden/" + name); }

bool Updating() {
    const char* flag = std::getenv("QUORVEL_GOLDEN_UPDATE");
    return flag != nullptr && std::string(flag) == "1";
}

std::string Fnv1aHex(const std::string& text) {
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char ch : text) {
        hash ^= ch;
        hash *= 0x100000001b3ULL;
    }
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(hash));
    return buf;
}

// A small deterministic generator: the same seed gives the same base on
// every platform (std distributions do not promise that).
class TDraw {
public:
    explicit TDraw(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ULL + 1) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int Int(int low, int high) { return low + static_cast<int>(Next() % static_cast<uint64_t>(high - low + 1)); }
    bool Chance(int percent) { return Int(1, 100) <= percent; }
    template <typename T>
    const T& Pick(const std::vector<T>& items) {
        return items[static_cast<std::size_t>(Int(0, static_cast<int>(items.size()) - 1))];
    }

private:
    uint64_t state_;
};

enum class TKind { YesNo, Univalued, Multivalued, Numeric };

struct TGenVar {
    int32_t code = 0;
    std::string name;
    TKind kind = TKind::YesNo;
    std::vector<int32_t> values;  // value codes; -2/-3 for yes/no
    std::vector<std::string> valueNames;
    int layer = 0;
};

struct TShape {
    int leaves;
    int intermediates;
    int maxRulesPerVar;
    int maxPremises;
};

// One generated case: the base as a dump document, an answers file and a
// terminal session.
struct TGenCase {
    TJson base;
    std::string answers;
    std::string session;
};

TGenCase Generate(uint64_t seed, const TShape& shape) {
    TDraw draw(seed);
    TGenCase out;
    std::vector<TGenVar> vars;
    TJson values = TJson::array();
    int32_t nextValue = 1;
    const auto kindOf = [&](bool leaf) {
        const int roll = draw.Int(1, 100);
        if (roll <= 35) return TKind::YesNo;
        if (roll <= 65) return TKind::Univalued;
        if (roll <= 85) return TKind::Multivalued;
        return leaf || draw.Chance(60) ? TKind::Numeric : TKind::Univalued;
    };
    const int total = shape.leaves + shape.intermediates;
    const int layers = std::max(1, std::min(5, shape.intermediates / 2));
    for (int i = 0; i < total; ++i) {
        TGenVar var;
        var.code = i + 1;
        const bool leaf = i < shape.leaves;
        var.layer = leaf ? 0 : 1 + (i - shape.leaves) * layers / std::max(1, shape.intermediates);
        var.name = (leaf ? "Ent" : "Int") + std::to_string(i + 1);
        var.kind = kindOf(leaf);
        if (var.kind == TKind::YesNo) {
            var.values = {-2, -3};
            var.valueNames = {"Sim", "Não"};
        } else if (var.kind == TKind::Numeric) {
            if (draw.Chance(50)) {
                values.push_back({{"code", nextValue++}, {"name", "0;100"}, {"variable", var.code}, {"position", 1}});
            }
        } else {
            const int count = draw.Int(2, 4);
            for (int k = 1; k <= count; ++k) {
                const std::string name = var.name + "v" + std::to_string(k);
                values.push_back({{"code", nextValue}, {"name", name}, {"variable", var.code}, {"position", k}});
                var.values.push_back(nextValue++);
                var.valueNames.push_back(name);
            }
        }
        vars.push_back(var);
    }

    std::vector<const TGenVar*> numeric;
    for (const auto& var : vars)
        if (var.kind == TKind::Numeric && var.layer == 0) numeric.push_back(&var);
    TJson formulas = TJson::array();
    int32_t nextFormula = 1;
    const auto addFormula = [&](const std::string& text) {
        formulas.push_back({{"code", nextFormula}, {"text", text}});
        return nextFormula++;
    };
    const auto numberFormula = [&] {
        const int roll = draw.Int(1, 7);
        if (numeric.empty() || roll <= 2) return addFormula(std::to_string(draw.Int(0, 40)) + (roll == 1 ? ".5" : ""));
        const std::string a = draw.Pick(numeric)->name;
        const std::string b = draw.Pick(numeric)->name;
        if (roll == 3) return addFormula(a + " * 2 + " + std::to_string(draw.Int(1, 9)));
        if (roll == 4) return addFormula("(" + a + " + " + b + ") / 3");
        if (roll == 5) return addFormula("MAX(" + a + ", " + std::to_string(draw.Int(1, 30)) + ") - " + b);
        if (roll == 6) return addFormula(a + " / 7.3");
        // Fails when both answers are equal: the consultation ends with the error.
        return addFormula("10 / (" + a + " - " + b + ")");
    };

    const std::vector<std::string> numericOperators = {"=", "<>", ">", "<", ">=", "<="};
    const std::vector<double> cnfs = {1.0, 0.9, 0.8, 0.6, 0.5, 0.3};
    TJson rules = TJson::array();
    int32_t nextRule = 1;
    std::vector<int32_t> orders;
    for (const auto& var : vars) {
        if (var.layer == 0) continue;
        const int ruleCount = draw.Int(1, shape.maxRulesPerVar);
        for (int r = 0; r < ruleCount; ++r) {
            TJson premises = TJson::array();
            const int premiseCount = draw.Int(1, shape.maxPremises);
            for (int p = 0; p < premiseCount; ++p) {
                // Premises name lower layers; now and then the same layer or
                // one above, which makes some bases cyclic.
                const TGenVar* on = nullptr;
                for (int attempt = 0; attempt < 20 && on == nullptr; ++attempt) {
                    const TGenVar& candidate = vars[static_cast<std::size_t>(draw.Int(0, total - 1))];
                    if (candidate.layer < var.layer || draw.Chance(3)) on = &candidate;
                }
                if (on == nullptr) on = &vars.front();
                TJson premise;
                premise["variable"] = on->code;
                if (on->kind == TKind::Numeric) {
                    premise["operator"] = draw.Pick(numericOperators);
                    premise["value"] = numberFormula();
                } else {
                    premise["operator"] = draw.Chance(80) ? "=" : "<>";
                    premise["value"] = draw.Chance(5) ? -1 : draw.Pick(on->values);
                }
                premise["connective"] = p + 1 == premiseCount ? 2 : (draw.Chance(55) ? 0 : 1);
                premise["negated"] = draw.Chance(10);
                premises.push_back(premise);
            }
            TJson conclusions = TJson::array();
            const int conclusionCount = draw.Chance(25) ? 2 : 1;
            for (int c = 0; c < conclusionCount; ++c) {
                const TGenVar& about = c == 0 ? var : vars[static_cast<std::size_t>(draw.Int(shape.leaves, total - 1))];
                int32_t value = 0;
                if (about.kind == TKind::Numeric)
                    value = draw.Chance(10) ? -1 : numberFormula();
                else
                    value = draw.Chance(5) ? -1 : draw.Pick(about.values);
                conclusions.push_back({{"variable", about.code}, {"value", value}, {"cnf", draw.Pick(cnfs)}});
            }
            orders.push_back(nextRule);
            rules.push_back({{"code", nextRule},
                             {"name", "R" + std::to_string(nextRule)},
                             {"order", 0},
                             {"premises", premises},
                             {"conclusions", conclusions}});
            ++nextRule;
        }
    }
    // Order numbers differ from codes.
    for (std::size_t i = orders.size(); i > 1; --i)
        std::swap(orders[i - 1], orders[static_cast<std::size_t>(draw.Int(0, static_cast<int>(i) - 1))]);
    for (std::size_t i = 0; i < orders.size(); ++i) {
        rules[i]["order"] = orders[i];
    }

    TJson variables = TJson::array();
    TJson questions = TJson::array();
    std::ostringstream answers;
    std::vector<bool> usesCnf(vars.size(), true);
    for (const auto& var : vars) {
        variables.push_back({{"code", var.code},
                             {"name", var.name},
                             {"multivalued", var.kind == TKind::Multivalued},
                             {"numeric", var.kind == TKind::Numeric}});
        if (var.layer == 0 && draw.Chance(70)) {
            TJson reasons = TJson::array();
            if (draw.Chance(30)) reasons.push_back("Porque " + var.name + " importa.");
            const bool useCnf = draw.Chance(70);
            usesCnf[static_cast<std::size_t>(var.code - 1)] = useCnf;
            questions.push_back(
                {{"variable", var.code}, {"text", "Qual é " + var.name + "?"}, {"reasons", reasons}, {"useCnf", useCnf}});
        }
    }
    for (const auto& var : vars) {
        answers << var.name << " = ";
        const bool cnf = usesCnf[static_cast<std::size_t>(var.code - 1)] && var.kind != TKind::Numeric && draw.Chance(50);
        if (draw.Chance(8)) {
            answers << "?";
        } else if (var.kind == TKind::Numeric) {
            answers << draw.Int(0, 60) << (draw.Chance(30) ? ",5" : "");
        } else if (var.kind == TKind::Multivalued && draw.Chance(50)) {
            answers << var.valueNames[0] << ", " << var.valueNames[1] << (cnf ? " : 60" : "");
        } else {
            answers << draw.Pick(var.valueNames) << (cnf ? " : " + std::to_string(draw.Int(1, 10) * 10) : "");
        }
        answers << "\n";
    }
    out.answers = answers.str();

    std::ostringstream session;
    const std::vector<std::string> typed = {"1", "2", "1:70", "2:40", "1,2", "2:60,1", "?", "<", "", "3", "15", "2,5", "x"};
    for (int line = 0; line < 4 * total + 8; ++line) session << draw.Pick(typed) << "\n";
    out.session = session.str();

    TJson targets = TJson::array();
    const int targetCount = draw.Int(1, 3);
    for (int t = 0; t < targetCount; ++t) {
        const int from = draw.Chance(85) ? std::max(shape.leaves, total - 4) : 0;
        targets.push_back({{"variable", vars[static_cast<std::size_t>(draw.Int(from, total - 1))].code},
                           {"showResults", draw.Chance(85)}});
    }

    const auto cnfFormula = [&](const char* custom) {
        const bool useDefault = draw.Chance(75);
        return TJson{{"useDefault", useDefault}, {"text", useDefault ? "" : custom}};
    };
    TJson& base = out.base;
    base["version"] = "1.1";
    base["name"] = "Gerada " + std::to_string(seed);
    base["andFormula"] = cnfFormula("MIN(CNF1, CNF2) * 0.9");
    base["orFormula"] = cnfFormula("MAX(CNF1, CNF2)");
    base["conclusionFormula"] = cnfFormula("CNF1 * CNF2");
    base["precedence"] = draw.Int(0, 1);
    base["minimumCnf"] = draw.Pick(std::vector<double>{0.2, 0.5, 0.5, 0.7});
    base["evaluateAllPremises"] = draw.Chance(50);
    base["variables"] = variables;
    base["values"] = values;
    base["rules"] = rules;
    base["formulas"] = formulas;
    base["questions"] = questions;
    base["targets"] = targets;
    return out;
}

// Everything a consultation shows: exit status, standard output (the JSON
// document) and standard error (the dialogue and the statistics, but not
// the CPU time).
std::string Consult(const std::string& baseFile, const std::optional<std::string>& answersFile,
                    const std::string& session) {
    TConsultOptions options;
    options.BaseFile = baseFile;
    options.AnswersFile = answersFile;
    options.Json = true;
    options.Stats = true;
    std::istringstream in(session);
    std::ostringstream out, err;
    const int status = RunConsult(options, in, out, err);
    std::string errText;
    std::istringstream errLines(err.str());
    for (std::string line; std::getline(errLines, line);)
        if (line.rfind("tempo de CPU", 0) != 0) errText += line + "\n";
    std::string all = "status " + std::to_string(status) + "\n" + out.str() + "--\n" + errText;
    // Messages name the files; the scratch folder differs from run to run.
    const std::string folder = baseFile.substr(0, baseFile.rfind('/') + 1);
    for (auto at = all.find(folder); at != std::string::npos; at = all.find(folder, at))
        all.replace(at, folder.size(), "<pasta>/");
    return all;
}

void SaveBase(const TJson& document, const std::string& path) {
    TExpertSystem engine;
    std::vector<TKbProblem> problems;
    ASSERT_TRUE(JsonToBase(document, engine, problems)) << (problems.empty() ? "" : problems.front().Text());
    engine.SetNew(false);
    ASSERT_TRUE(engine.Save(path)) << engine.LastSaveError();
}

// Compares with (or, when updating, writes) one expected file.
void ExpectGolden(const std::string& name, const std::string& actual) {
    if (Updating()) {
        WriteText(GoldenPath(name), actual);
        return;
    }
    EXPECT_EQ(ReadText(GoldenPath(name)), actual) << name;
}

TEST(GoldenConsultations, ExampleBasesGiveTheRecordedOutput) {
    ScratchDir scratch;
    for (const std::string name : {"cuidados_plantas", "credito_pessoal"}) {
        const std::string source = std::string(QUORVEL_TEST_DATA) + "/../../examples/" + name;
        std::vector<TKbProblem> problems;
        const TJson document = ParseKbJson(ReadText(source + ".json"), problems);
        ASSERT_TRUE(problems.empty()) << name;
        const std::string base = scratch.File(name + ".bcm");
        SaveBase(document, base);
        ExpectGolden(name + ".answers.out", Consult(base, source + ".respostas.txt", ""));
        ExpectGolden(name + ".session.out", Consult(base, std::nullopt, "1\n?\n2\n<\n1:80\n2\n1,2\n\n1\n2\n1\n2\n1\n"));
    }
}

TEST(GoldenConsultations, GeneratedBasesGiveTheRecordedOutput) {
    struct TBatch {
        uint64_t firstSeed;
        int count;
        TShape shape;
    };
    const TBatch batches[] = {
        {1, 120, {3, 3, 3, 3}},       // small: every path of one rule is near the surface
        {1001, 120, {8, 14, 4, 4}},   // medium
        {2001, 40, {20, 60, 5, 5}},   // larger, deeper chains
        {3001, 4, {60, 400, 6, 5}},   // large
    };
    ScratchDir scratch;
    std::ostringstream hashes;
    for (const TBatch& batch : batches) {
        for (uint64_t seed = batch.firstSeed; seed < batch.firstSeed + static_cast<uint64_t>(batch.count); ++seed) {
            const TGenCase generated = Generate(seed, batch.shape);
            const std::string base = scratch.File("base.bcm");
            const std::string answers = scratch.File("answers.txt");
            SaveBase(generated.base, base);
            WriteText(answers, generated.answers);
hashes << seed << " answers " << Fnv1aHex(Consult(base, answers, "")) << "\n";
            hashes << seed << " session " << Fnv1aHex(Consult(base, std::nullopt, generated.session)) << "\n";
        }
    }
    if (Updating()) {
        WriteText(GoldenPath("generated.hashes"), hashes.str());
        return;
    }
    // Line by line, so that a difference names its seed.
    std::istringstream expected(ReadText(GoldenPath("generated.hashes")));
    std::istringstream actual(hashes.str());
    std::string want, got;
    int differences = 0;
    while (std::getline(actual, got)) {
        if (!std::getline(expected, want)) want.clear();
        if (want != got && ++differences <= 10) ADD_FAILURE() << "expected " << want << "\n     got " << got;
    }
    EXPECT_EQ(differences, 0);
    EXPECT_FALSE(std::getline(expected, want)) << "more recorded cases than generated";
}

}  // namespace
}  // namespace quorvel::cli::test
