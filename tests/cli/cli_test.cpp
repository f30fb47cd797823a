// The real quorvel-cli binary: dump's access rules and refusals, build's
// reports, and the two commands undoing each other.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "CliCommon.h"
#include "CliTestSupport.h"
#include "ExConsts.h"
#include "ExSystem.h"
#include "KbJson.h"

namespace quorvel::cli {
namespace {

using test::Fixture;
using test::FixturePath;
using test::ReadBytes;
using test::ReadText;
using test::RunCli;
using test::ScratchDir;
using test::TRun;
using test::WriteText;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

const std::string kFixture = FixturePath("orientacao_respiratoria.json");

TJson Parsed(const std::string& text) {
    std::vector<TKbProblem> problems;
    TJson document = ParseKbJson(text, problems);
    EXPECT_TRUE(problems.empty()) << text;
    return document;
}

TEST(CliDump, NewBasePrintsTheDefaultDocument) {
    ScratchDir scratch;
    TExpertSystem base;
    const std::string file = scratch.File("nova.bcm");
    ASSERT_TRUE(base.Save(file));
    const TRun run = RunCli({"dump", file}, scratch);
    EXPECT_EQ(run.Status, kExitOk);
    EXPECT_EQ(run.Out, JsonText(BaseToJson(base)));
    EXPECT_EQ(Parsed(run.Out)["name"], "SEM NOME");
    EXPECT_EQ(run.Err, "");
}

TEST(CliRoundTrip, DumpThenBuildGivesTheSameFile) {
    struct Case {
        const char* name;
        const char* protection;  // JSON, or null for the fixture's own
        std::vector<std::string> dumpArgs;
    };
    const Case cases[] = {
        {"open base", nullptr, {}},
        {"protected base dumped with its password",
         R"({"usePassword": true, "restriction": 0, "password": "Ação-9"})",
         {"--with-password", "--password", "Ação-9"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        TJson doc = Fixture("orientacao_respiratoria.json");
        if (c.protection) doc["protection"] = Parsed(c.protection);
        const std::string source = scratch.File("fonte.json");
        WriteText(source, JsonText(doc));
        const std::string first = scratch.File("primeira.bcm");
        const std::string second = scratch.File("segunda.bcm");

        TRun run = RunCli({"build", source, "-o", first}, scratch);
        ASSERT_EQ(run.Status, kExitOk) << run.Err;
        std::vector<std::string> dumpArgs = {"dump", first};
        dumpArgs.insert(dumpArgs.end(), c.dumpArgs.begin(), c.dumpArgs.end());
        run = RunCli(dumpArgs, scratch);
        ASSERT_EQ(run.Status, kExitOk) << run.Err;
        const std::string dumped = scratch.File("dump.json");
        WriteText(dumped, run.Out);
        run = RunCli({"build", dumped, "-o", second}, scratch);
        ASSERT_EQ(run.Status, kExitOk) << run.Err;
        EXPECT_EQ(ReadBytes(first), ReadBytes(second));
        EXPECT_EQ(run.Out, "");
    }
}

// A protected base opened with the empty entry, the right password or a
// wrong one, for each restriction.
TEST(CliDump, AccessFollowsThePasswordAndTheRestriction) {
    const std::string password = "Segredo";
    struct Case {
        int restriction;
        std::optional<std::string> entry;
        int status;
        int accessLevel;  // of the printed document
        std::string message;
    };
    const Case cases[] = {
        {3, std::nullopt, kExitOk, 3, msg::ExecutionAndView},
        {3, "", kExitOk, 3, msg::ExecutionAndView},
        {2, std::nullopt, kExitCannotOpen, 0, msg::ExecutionOnly},
        {0, std::nullopt, kExitCannotOpen, 0, msg::NoPermission},
        {3, password, kExitOk, 1, ""},
        {2, password, kExitOk, 1, ""},
        {0, password, kExitOk, 1, ""},
        {3, "segredo", kExitCannotOpen, 0, msg::InvalidPassword},
        {0, "outra", kExitCannotOpen, 0, msg::InvalidPassword},
    };
    ScratchDir scratch;
    for (const Case& c : cases) {
        SCOPED_TRACE("restriction " + std::to_string(c.restriction) + ", entry " + c.entry.value_or("(none)"));
        TJson doc = Fixture("orientacao_respiratoria.json");
        doc["protection"] = {{"usePassword", true}, {"restriction", c.restriction}, {"password", password}};
        const std::string file = scratch.File("protegida.bcm");
        TExpertSystem base;
        std::vector<TKbProblem> problems;
        ASSERT_TRUE(JsonToBase(doc, base, problems));
        ASSERT_TRUE(base.Save(file));

        std::vector<std::string> args = {"dump", file};
        if (c.entry) args.insert(args.end(), {"--password", *c.entry});
        args.push_back("--with-password");
        const TRun run = RunCli(args, scratch);
        EXPECT_EQ(run.Status, c.status) << run.Err;
        if (!c.message.empty()) {
            EXPECT_THAT(run.Err, HasSubstr(c.message));
        }
        if (c.status != kExitOk) {
            EXPECT_EQ(run.Out, "");
            continue;
        }
        const TJson dumped = Parsed(run.Out);
        EXPECT_EQ(dumped["accessLevel"], c.accessLevel);
        EXPECT_EQ(dumped["protection"]["hasPassword"], true);
        // The scrambled password is for full access only.
        EXPECT_EQ(dumped["protection"].contains("scrambled"), c.accessLevel == 1);
        if (c.accessLevel == 1) {
            EXPECT_EQ(dumped["protection"]["scrambled"], "296B2BCF99395D");
        }
        EXPECT_EQ(dumped["rules"].size(), 7u);
    }
}

TEST(CliDump, FilesThatAreNotUsableBasesAreRefusedWithTheReason) {
    ScratchDir scratch;
    TExpertSystem base;
    const std::string good = scratch.File("boa.bcm");
    {
        TJson doc = Fixture("orientacao_respiratoria.json");
        std::vector<TKbProblem> problems;
        ASSERT_TRUE(JsonToBase(doc, base, problems));
        ASSERT_TRUE(base.Save(good));
    }
    const auto bytes = ReadBytes(good);
    auto write = [&](const std::string& name, std::vector<uint8_t> content) {
        const std::string path = scratch.File(name);
        WriteText(path, std::string(content.begin(), content.end()));
        return path;
    };
    std::vector<uint8_t> newer = bytes;
    newer[9] = 0x23;
    // Cut after the fifth premise: header, password block, general section,
    // variables, values and conclusions come first.
    const TJson doc = Fixture("orientacao_respiratoria.json");
    std::size_t conclusions = 0;
    for (const auto& rule : doc["rules"]) conclusions += rule["conclusions"].size();
    const std::size_t premisesStart = 10 + 259 + (2 * 256 + 2 + doc["openingText"].size() * 256 + 256 + 1 + 771) +
                                      (2 + doc["variables"].size() * 260) + (2 + doc["values"].size() * 262) +
                                      (2 + conclusions * 12);
    const std::vector<uint8_t> cut(bytes.begin(),
                                   bytes.begin() + static_cast<std::ptrdiff_t>(premisesStart + 2 + 5 * 12 + 7));

    struct Case {
        std::string path;
        std::string reason;
    };
    const Case cases[] = {
        {scratch.File("nao-existe.bcm"), "arquivo não encontrado"},
        {write("texto.bcm", {'o', 'l', 'a', '\n'}), msg::NotABaseFile},
        {write("vazio.bcm", {}), msg::NotABaseFile},
        {write("nova-versao.bcm", newer), msg::NeedsNewerVersion},
        {write("danificada.bcm", cut), msg::DamagedFile},
        {scratch.File(""), "é uma pasta, não um arquivo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const TRun run = RunCli({"dump", c.path}, scratch);
        EXPECT_EQ(run.Status, kExitCannotOpen);
        EXPECT_EQ(run.Out, "");
        EXPECT_THAT(run.Err, HasSubstr(c.reason));
    }
}

TEST(CliDump, AnOutputThatCannotBeWrittenIsAFailure) {
    ScratchDir scratch;
    TExpertSystem base;
    const std::string file = scratch.File("nova.bcm");
    ASSERT_TRUE(base.Save(file));
    const std::string command = test::ShellQuote(QUORVEL_CLI_PATH) + " dump " + test::ShellQuote(file) +
                                " >/dev/full 2>" + test::ShellQuote(scratch.File("err"));
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), kExitCannotWrite);
    EXPECT_THAT(ReadText(scratch.File("err")), HasSubstr("não foi possível escrever o documento"));
}

TEST(CliDump, RecordsTheDocumentCannotShowAreReportedAndTheStatusSaysSo) {
    ScratchDir scratch;
    TExpertSystem base;
    base.Vars().AddVariable(1, "Febre", false, false);
    base.Tails().AddPremise(4, 1, "=", -2, 2, false);
    const std::string file = scratch.File("orfa.bcm");
    ASSERT_TRUE(base.Save(file));
    const TRun run = RunCli({"dump", file}, scratch);
    EXPECT_EQ(run.Status, kExitIncomplete);
    EXPECT_EQ(Parsed(run.Out)["variables"].size(), 1u);
    EXPECT_THAT(run.Err, HasSubstr("1 premissa(s) da regra 4, que não existe"));
}

TEST(CliBuild, ProblemsAreListedAndNothingIsWritten) {
    ScratchDir scratch;
    TJson doc = Fixture("orientacao_respiratoria.json");
    doc["rules"][3]["premises"][0]["variable"] = 17;
    doc["variables"][0]["cor"] = "azul";
    const std::string source = scratch.File("errada.json");
    WriteText(source, JsonText(doc));
    const std::string malformed = scratch.File("malformada.json");
    WriteText(malformed, "{\"name\": }");
    // Once these ended the tool by a signal, or after minutes and gigabytes.
    const std::string huge = scratch.File("enorme.json");
    WriteText(huge, "{\"autor\": {\"precedence\": 1e400}}");
    const std::string deep = scratch.File("funda.json");
    WriteText(deep, std::string(40000, '[') + "1" + std::string(40000, ']'));

    const std::string fresh = scratch.File("nova.bcm");
    const std::string existing = scratch.File("existente.bcm");
    WriteText(existing, "conteúdo anterior");
    struct Case {
        std::string source;
        std::string output;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {source,
         fresh,
         {"variables[0].cor: campo desconhecido", "rules[3].premises[0].variable: variável 17 inexistente",
          "2 problema(s); nada foi gravado"}},
        {source, existing, {"rules[3].premises[0].variable: variável 17 inexistente"}},
        {malformed, fresh, {"linha 1, coluna 10: JSON malformado"}},
        {huge, fresh, {"linha 1, coluna 30: número grande demais"}},
        {deep, existing, {"[0][0][0][0][0][0][0][0][0][0][0][0][0][0][0][0]: aninhamento de mais de 16 níveis"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source + " -> " + c.output);
        const TRun run = RunCli({"build", c.source, "-o", c.output}, scratch);
        EXPECT_EQ(run.Status, kExitInvalid);
        for (const auto& line : c.lines) EXPECT_THAT(run.Err, HasSubstr(c.source + ": " + line));
    }
    EXPECT_FALSE(std::filesystem::exists(fresh));
    EXPECT_EQ(ReadText(existing), "conteúdo anterior");
}

TEST(CliBuild, UnreadableInputUnwritableOutputAndBadArguments) {
    ScratchDir scratch;
    const std::string source = scratch.File("base.json");
    WriteText(source, "{}");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string reason;
    };
    const Case cases[] = {
        {{"build", scratch.File("falta.json"), "-o", scratch.File("x.bcm")}, kExitCannotOpen, "arquivo não encontrado"},
        {{"build", source, "-o", scratch.File("sem-pasta/x.bcm")}, kExitCannotWrite, "sem-pasta"},
        {{"build", source, "-o", source}, kExitUsage, "o arquivo de saída não pode ser o próprio documento JSON"},
        {{"build", source}, kExitUsage, "falta --output"},
        {{"dump"}, kExitUsage, "falta base"},
        {{}, kExitUsage, "falta o comando"},
        {{"consultar"}, kExitUsage, "falta o comando"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const TRun run = RunCli(c.args, scratch);
        EXPECT_EQ(run.Status, c.status);
        EXPECT_THAT(run.Err, HasSubstr(c.reason));
    }
    EXPECT_EQ(ReadText(source), "{}");
}

}  // namespace
}  // namespace quorvel::cli
