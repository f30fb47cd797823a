// quorvel-cli report, codes and deps through the real binary: the texts,
// the output file, the access rules and the exit statuses.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CliCommon.h"
#include "CliTestSupport.h"
#include "CmdDeps.h"
#include "ExConsts.h"
#include "ExDepend.h"
#include "ExReport.h"
#include "ExSystem.h"
#include "KbJson.h"

namespace quorvel::cli {
namespace {

using test::Fixture;
using test::FixturePath;
using test::ReadText;
using test::RunCli;
using test::ScratchDir;
using test::TRun;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

std::vector<std::string> Lines(const std::string& text, std::string_view end = "\n") {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t next = text.find(end, at);
        lines.push_back(text.substr(at, next == std::string::npos ? std::string::npos : next - at));
        if (next == std::string::npos) break;
        at = next + end.size();
    }
    return lines;
}

// The expected file, naming the base's file as the tool does: by its full path.
std::vector<std::string> Expected(const std::string& name, const std::string& baseFile) {
    std::vector<std::string> lines = Lines(ReadText(FixturePath("report/" + name)));
    for (std::string& line : lines)
        if (line.starts_with("  Arquivo original: ")) line = "  Arquivo original: " + baseFile;
    return lines;
}

// Saves a fixture (or a JSON document) as a .bcm file in the scratch folder.
std::string SaveBase(const TJson& doc, const ScratchDir& scratch, const std::string& name) {
    TExpertSystem base;
    std::vector<TKbProblem> problems;
    EXPECT_TRUE(JsonToBase(doc, base, problems)) << (problems.empty() ? "" : problems.front().Text());
    const std::string file = scratch.File(name);
    EXPECT_TRUE(base.Save(file));
    return file;
}

TEST(CliReport, ReportAndCodesMatchTheExpectedFiles) {
    struct Case {
        const char* command;
        const char* fixture;
        const char* expected;
    };
    const Case cases[] = {
        {"report", "report/completa.json", "completa.relatorio.txt"},
        {"codes", "report/completa.json", "completa.codigos.txt"},
        {"report", "report/minima.json", "minima.relatorio.txt"},
        {"codes", "report/minima.json", "minima.codigos.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " " + c.expected);
        ScratchDir scratch;
        const std::string base = SaveBase(Fixture(c.fixture), scratch, "base.bcm");
        const std::vector<std::string> expected = Expected(c.expected, base);

        TRun run = RunCli({c.command, base}, scratch);
        EXPECT_EQ(run.Status, kExitOk) << run.Err;
        EXPECT_THAT(Lines(run.Out), ElementsAreArray(expected));
        EXPECT_EQ(run.Err, "");

        const std::string output = scratch.File("saída.txt");
        run = RunCli({c.command, base, "-o", output}, scratch);
        EXPECT_EQ(run.Status, kExitOk) << run.Err;
        EXPECT_EQ(run.Out, "");
        EXPECT_THAT(Lines(ReadText(output), kLineEnd), ElementsAreArray(expected));
    }
}

// A relative name is reported by its full path, as the workbench shows it.
TEST(CliReport, NamesTheBaseByItsFullPath) {
    ScratchDir scratch;
    const std::string base = SaveBase(Fixture("report/minima.json"), scratch, "minima.bcm");
    const std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(base).parent_path());
    const TRun run = RunCli({"report", "minima.bcm"}, scratch);
    std::filesystem::current_path(old);
    EXPECT_EQ(run.Status, kExitOk) << run.Err;
    EXPECT_THAT(run.Out, HasSubstr("\n  Arquivo original: " + base + "\n"));
}

// Report, codes and dependencies follow the access of the password, as the
// workbench does: refused for a base that may only be executed.
TEST(CliReport, AccessLevels) {
    struct Case {
        int restriction;
        const char* password;  // null: the empty entry
        int status;
    };
    const Case cases[] = {
        {2, nullptr, kExitCannotOpen},
        {3, nullptr, kExitOk},
        {2, "Segredo", kExitOk},
    };
    for (const Case& c : cases) {
        for (const char* command : {"report", "codes", "deps"}) {
            SCOPED_TRACE(std::string(command) + ", restriction " + std::to_string(c.restriction) +
                         (c.password ? ", with the password" : ""));
            ScratchDir scratch;
            TJson doc = Fixture("report/minima.json");
            doc["protection"] = {{"usePassword", true}, {"restriction", c.restriction}, {"password", "Segredo"}};
            const std::string base = SaveBase(doc, scratch, "protegida.bcm");
            const std::string output = scratch.File("saida.txt");
            std::vector<std::string> args = {command, base};
            if (std::string(command) != "deps") args.insert(args.end(), {"-o", output});
            if (c.password) args.insert(args.end(), {"--password", c.password});
            const TRun run = RunCli(args, scratch);
            EXPECT_EQ(run.Status, c.status) << run.Err;
            if (c.status == kExitOk) continue;
            EXPECT_THAT(run.Err, HasSubstr("permite somente a execução da base"));
            EXPECT_EQ(run.Out, "");
            EXPECT_FALSE(std::filesystem::exists(output));
        }
    }
}

TEST(CliReport, FailuresToOpenAndToWrite) {
    ScratchDir scratch;
    const std::string base = SaveBase(Fixture("report/minima.json"), scratch, "minima.bcm");
    for (const char* command : {"report", "codes"}) {
        SCOPED_TRACE(command);
        TRun run = RunCli({command, scratch.File("nao-existe.bcm")}, scratch);
        EXPECT_EQ(run.Status, kExitCannotOpen);
        EXPECT_THAT(run.Err, HasSubstr("arquivo não encontrado"));

        const std::string output = scratch.File("pasta/que/falta.txt");
        run = RunCli({command, base, "-o", output}, scratch);
        EXPECT_EQ(run.Status, kExitCannotWrite);
        EXPECT_THAT(run.Err, HasSubstr(output));
        EXPECT_EQ(run.Out, "");
    }
}

TEST(CliDeps, TreesConflictsAndStatus) {
    struct Case {
        const char* name;
        const char* rules;  // JSON
        const char* targets;
        int status;
        std::vector<std::string> out;
    };
    // Variables: 1 Estação, 2 Chuva, 3 Frio, 4 Casaco.
    const Case cases[] = {
        {"a sound base",
         R"([{"code": 1, "name": "R1", "order": 1,
              "premises": [{"variable": 2, "operator": "=", "value": -2, "connective": 0, "negated": false},
                           {"variable": 3, "operator": "=", "value": -2, "connective": 2, "negated": false}],
              "conclusions": [{"variable": 4, "value": -2, "cnf": 1.0}]},
             {"code": 2, "name": "R2", "order": 2,
              "premises": [{"variable": 1, "operator": "=", "value": -2, "connective": 2, "negated": false}],
              "conclusions": [{"variable": 3, "value": -2, "cnf": 0.8}]}])",
         R"([{"variable": 4, "showResults": true}])",
         kExitOk,
         {"Casaco", "  Chuva", "    Usuário", "  Frio", "    Estação", "      Usuário"}},
        {"Frio needs Casaco, Casaco needs Frio",
         R"([{"code": 1, "name": "R1", "order": 1,
              "premises": [{"variable": 3, "operator": "=", "value": -2, "connective": 2, "negated": false}],
              "conclusions": [{"variable": 4, "value": -2, "cnf": 1.0}]},
             {"code": 2, "name": "R2", "order": 2,
              "premises": [{"variable": 4, "operator": "=", "value": -3, "connective": 2, "negated": false}],
              "conclusions": [{"variable": 3, "value": -2, "cnf": 0.8}]}])",
         R"([{"variable": 4, "showResults": true}, {"variable": 2, "showResults": true}])",
         kExitCheckFailed,
         {"Casaco", "  Frio", "    Casaco", "      CONFLITO!", "Chuva", "  Usuário", "",
          "Dependência circular entre Frio e Casaco"}},
        {"no targets", "[]", "[]", kExitOk, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        TJson doc = Fixture("report/minima.json");
        doc["variables"] = TJson::parse(R"([{"code": 1, "name": "Estação", "multivalued": false, "numeric": false},
                                            {"code": 2, "name": "Chuva", "multivalued": false, "numeric": false},
                                            {"code": 3, "name": "Frio", "multivalued": false, "numeric": false},
                                            {"code": 4, "name": "Casaco", "multivalued": false, "numeric": false}])");
        doc["rules"] = TJson::parse(c.rules);
        doc["targets"] = TJson::parse(c.targets);
        doc["questions"] = TJson::array();
        const std::string base = SaveBase(doc, scratch, "base.bcm");
        const TRun run = RunCli({"deps", base}, scratch);
        EXPECT_EQ(run.Status, c.status) << run.Err;
        EXPECT_THAT(Lines(run.Out), ElementsAreArray(c.out));
        if (c.status == kExitCheckFailed)
            EXPECT_THAT(run.Err, HasSubstr(msg::DependencyConflict));
        else
            EXPECT_EQ(run.Err, "");
    }
}

}  // namespace
}  // namespace quorvel::cli
