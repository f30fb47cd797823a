// quorvel-cli text and build with .bct sources: the text gives back the very
// file, a protected base's password stays out of the text unless asked for,
// errors come as "file:line:column: message" with nothing written, and a base
// written by hand consults like the same base built from JSON.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CliCommon.h"
#include "CliTestSupport.h"
#include "ExSystem.h"
#include "ExText.h"

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

// Builds a source with the real tool; the run must succeed.
void Build(const std::string& source, const std::string& output, const ScratchDir& scratch,
           std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"build", source, "-o", output};
    args.insert(args.end(), extra.begin(), extra.end());
    const TRun run = RunCli(args, scratch);
    ASSERT_EQ(run.Status, kExitOk) << run.Err;
}

TEST(CliText, TextThenBuildGivesTheSameFile) {
    struct Case {
        const char* title;
        TJson protection;
        std::vector<std::string> textArgs;
        test::TRunInput input;  // the password, from the environment
    };
    const Case cases[] = {
        {"open base", TJson(), {}, {}},
        {"protected base at full access, with its password",
         TJson{{"usePassword", true}, {"restriction", 3}, {"password", "Segredo"}},
         {"--incluir-senha"},
         {"", {{"QUORVEL_PASSWORD", "Segredo"}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        ScratchDir scratch;
        TJson doc = Fixture("orientacao_respiratoria.json");
        if (!c.protection.is_null()) doc["protection"] = c.protection;
        const std::string source = scratch.File("fonte.json");
        WriteText(source, JsonText(doc));
        Build(source, scratch.File("a.bcm"), scratch);

        std::vector<std::string> args = {"text", scratch.File("a.bcm"), "-o", scratch.File("a.bct")};
        args.insert(args.end(), c.textArgs.begin(), c.textArgs.end());
        TRun run = RunCli(args, scratch, c.input);
        ASSERT_EQ(run.Status, kExitOk) << run.Err;
        EXPECT_THAT(run.Err, IsEmpty());
        Build(scratch.File("a.bct"), scratch.File("b.bcm"), scratch);
        EXPECT_EQ(ReadBytes(scratch.File("b.bcm")), ReadBytes(scratch.File("a.bcm")));

        // The standard output carries the same text.
        args = {"text", scratch.File("b.bcm")};
        args.insert(args.end(), c.textArgs.begin(), c.textArgs.end());
        run = RunCli(args, scratch, c.input);
        ASSERT_EQ(run.Status, kExitOk) << run.Err;
        EXPECT_EQ(run.Out, ReadText(scratch.File("a.bct")));
    }
}

TEST(CliText, PasswordStaysOutOfTheTextUnlessAskedFor) {
    ScratchDir scratch;
    TJson doc = Fixture("orientacao_respiratoria.json");
    doc["protection"] = TJson{{"usePassword", true}, {"restriction", 3}, {"password", "Segredo"}};
    WriteText(scratch.File("fonte.json"), JsonText(doc));
    Build(scratch.File("fonte.json"), scratch.File("a.bcm"), scratch);

    TRun run = RunCli({"text", scratch.File("a.bcm"), "--password", "Segredo", "-o", scratch.File("a.bct")}, scratch);
    ASSERT_EQ(run.Status, kExitOk) << run.Err;
    const std::string text = ReadText(scratch.File("a.bct"));
    EXPECT_THAT(text, HasSubstr("UTILIZAR SENHA\n"));
    EXPECT_THAT(text, Not(HasSubstr("Segredo")));

    // The text alone cannot be built into a protected base; with the password it gives the same file.
    run = RunCli({"build", scratch.File("a.bct"), "-o", scratch.File("b.bcm")}, scratch);
    EXPECT_EQ(run.Status, kExitInvalid);
    EXPECT_THAT(run.Err, HasSubstr(scratch.File("a.bct") + ":" ));
    EXPECT_THAT(run.Err, HasSubstr("a base é protegida, mas o texto não traz a SENHA"));
    EXPECT_FALSE(std::filesystem::exists(scratch.File("b.bcm")));
    Build(scratch.File("a.bct"), scratch.File("b.bcm"), scratch, {"--password", "Segredo"});
    EXPECT_EQ(ReadBytes(scratch.File("b.bcm")), ReadBytes(scratch.File("a.bcm")));

    // Without the password the base may be viewed, but its password is not given away.
    run = RunCli({"text", scratch.File("a.bcm"), "--incluir-senha"}, scratch);
    EXPECT_EQ(run.Status, kExitCannotOpen);
    EXPECT_THAT(run.Err, HasSubstr("a senha só pode ser escrita no texto com acesso total"));
    EXPECT_THAT(run.Out, IsEmpty());
}

TEST(CliText, BuildListsEveryErrorWithItsPlaceAndWritesNothing) {
    ScratchDir scratch;
    const std::string source = scratch.File("erros.bct");
    WriteText(source, "VARIÁVEL A\n  VALOR x\nREGRA\n  SE A = y\n  ENTÃO B = x CNF 80%\nPALAVRA\n");
    const std::string output = scratch.File("base.bcm");
    WriteText(output, "conteúdo anterior");
    const TRun run = RunCli({"build", source, "-o", output}, scratch);
    EXPECT_EQ(run.Status, kExitInvalid);
    EXPECT_EQ(run.Err, source + ":4:10: a variável \"A\" não tem o valor \"y\"\n" + source +
                           ":5:9: variável \"B\" não declarada\n" + source +
                           ":6:1: linha não reconhecida: \"PALAVRA\" não é uma palavra-chave\n" +
                           "quorvel-cli: " + source + ": 3 erro(s); nada foi gravado\n");
    EXPECT_EQ(ReadText(output), "conteúdo anterior");

    const struct {
        std::vector<std::string> args;
        int status;
        std::string reason;
    } refusals[] = {
        {{"build", source, "-o", source}, kExitUsage, "o arquivo de saída não pode ser o próprio texto da base"},
        {{"build", source, "-o", output, "--password-file", scratch.File("falta.txt")}, kExitCannotOpen,
         "arquivo de senha: arquivo não encontrado"},
        {{"text", scratch.File("falta.bcm")}, kExitCannotOpen, "arquivo não encontrado"},
    };
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(::testing::PrintToString(refusal.args));
        const TRun refused = RunCli(refusal.args, scratch);
        EXPECT_EQ(refused.Status, refusal.status);
        EXPECT_THAT(refused.Err, HasSubstr(refusal.reason));
    }
    EXPECT_EQ(ReadText(output), "conteúdo anterior");
}

// A file whose records point at nothing still gets its text, with the status
// and the reasons saying that the text does not give it back.
TEST(CliText, RecordsTheTextCannotGiveBackAreReported) {
    ScratchDir scratch;
    TExpertSystem base;
    base.Vars().AddVariable(1, "Febre", false, false);
    base.Rules().AddRule(1, "R", 1);
    base.Tails().AddPremise(1, 9, "=", kCodeYes, 2, false);
    base.Heads().AddConclusion(1, 1, kCodeYes, 1.0f);
    base.Tails().AddPremise(5, 1, "=", kCodeYes, 2, false);
    ASSERT_TRUE(base.Save(scratch.File("a.bcm")));
    TRun run = RunCli({"text", scratch.File("a.bcm")}, scratch);
    EXPECT_EQ(run.Status, kExitIncomplete);
    EXPECT_THAT(run.Err, HasSubstr("aviso: 1 premissa(s) da regra 5, que não existe"));
    EXPECT_THAT(run.Out, HasSubstr("SE @9 = "));

    base.Tails().Find(5);
    base.Tails().DeleteCurrent();
    ASSERT_TRUE(base.Save(scratch.File("b.bcm")));
    run = RunCli({"text", scratch.File("b.bcm")}, scratch);
    EXPECT_EQ(run.Status, kExitIncomplete);
    EXPECT_THAT(run.Err, HasSubstr("aviso: o texto não compila: linha "));
    EXPECT_THAT(run.Err, HasSubstr("variável @9 não declarada"));
}

// The same base, written by hand as text and built from JSON, consults alike.
TEST(CliText, HandWrittenTextConsultsLikeTheSameBaseFromJson) {
    ScratchDir scratch;
    Build(FixturePath("orientacao_respiratoria.bct"), scratch.File("texto.bcm"), scratch);
    Build(FixturePath("orientacao_respiratoria.json"), scratch.File("json.bcm"), scratch);
    const char* const scripts[] = {
        "Febre = Não\nSintomas = coriza, dor de garganta : 80\nDuração = mais de uma semana\nIdade = 70\n",
        "Febre = Não\nSintomas = falta de ar\nDuração = mais de uma semana\nIdade = 40\n",
        // Ends in the formula error of the base's own "37,8".
        "Febre = Sim\nTemperatura = 38\nSintomas = tosse : 80\nIdade = 70\n",
    };
    for (const char* script : scripts) {
        SCOPED_TRACE(script);
        WriteText(scratch.File("respostas.txt"), script);
        const TRun fromText =
            RunCli({"consult", scratch.File("texto.bcm"), "--answers", scratch.File("respostas.txt"), "--json"}, scratch);
        const TRun fromJson =
            RunCli({"consult", scratch.File("json.bcm"), "--answers", scratch.File("respostas.txt"), "--json"}, scratch);
        EXPECT_EQ(fromText.Status, fromJson.Status);
        EXPECT_THAT(fromText.Out, HasSubstr("\"results\""));
        EXPECT_EQ(fromText.Out, fromJson.Out);
    }
}

}  // namespace
}  // namespace quorvel::cli
