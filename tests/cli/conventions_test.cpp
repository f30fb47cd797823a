// The tool as a shell user meets it: where the password comes from (a file,
// the environment, a prompt without echo on the terminal), "-" for standard
// input and output, and one meaning per exit status.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <sstream>
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
using test::ReadBytes;
using test::ReadText;
using test::RunCli;
using test::ScratchDir;
using test::TRun;
using test::TRunInput;
using test::WriteText;
using ::testing::HasSubstr;
using ::testing::Not;

const std::string kPassword = "Segredo";

// The respiratory fixture protected by kPassword with this restriction.
std::string SaveProtected(const ScratchDir& scratch, int restriction, const std::string& name = "protegida.bcm") {
    TJson doc = Fixture("orientacao_respiratoria.json");
    doc["protection"] = {{"usePassword", true}, {"restriction", restriction}, {"password", kPassword}};
    TExpertSystem base;
    std::vector<TKbProblem> problems;
    EXPECT_TRUE(JsonToBase(doc, base, problems));
    const std::string file = scratch.File(name);
    EXPECT_TRUE(base.Save(file));
    return file;
}

int DumpedAccessLevel(const TRun& run) {
    if (run.Status != kExitOk) return -100;
    std::vector<TKbProblem> problems;
    const TJson doc = ParseKbJson(run.Out, problems);
    return problems.empty() ? doc["accessLevel"].get<int>() : -100;
}

TEST(CliPassword, EverySourceGivesTheEntryAndOnlyTheOldOptionWarns) {
    ScratchDir scratch;
    const std::string base = SaveProtected(scratch, 3);
    const std::string right = scratch.File("senha.txt");
    const std::string wrong = scratch.File("errada.txt");
    WriteText(right, kPassword + "\r\n");
    WriteText(wrong, "segredo\n");
    struct Case {
        const char* name;
        std::vector<std::string> args;
        TRunInput input;
        int status;
        int accessLevel;
        bool warns;
    };
    const Case cases[] = {
        {"file", {"--password-file", right}, {}, kExitOk, kAccessFull, false},
        {"file on standard input", {"--password-file", "-"}, {kPassword + "\n", {}}, kExitOk, kAccessFull, false},
        {"environment", {}, {"", {{"QUORVEL_PASSWORD", kPassword}}}, kExitOk, kAccessFull, false},
        {"empty environment accepts the restrictions", {}, {"", {{"QUORVEL_PASSWORD", ""}}}, kExitOk,
         kAccessConsultAndView, false},
        {"file wins over the environment", {"--password-file", right}, {"", {{"QUORVEL_PASSWORD", "outra"}}}, kExitOk,
         kAccessFull, false},
        {"old option", {"--password", kPassword}, {}, kExitOk, kAccessFull, true},
        {"no source and no terminal: the empty entry", {}, {}, kExitOk, kAccessConsultAndView, false},
        {"wrong password in the file", {"--password-file", wrong}, {}, kExitCannotOpen, 0, false},
        {"missing file", {"--password-file", scratch.File("nenhum.txt")}, {}, kExitCannotOpen, 0, false},
        {"file and old option together", {"--password-file", right, "--password", kPassword}, {}, kExitUsage, 0,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"dump", base};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const TRun run = RunCli(args, scratch, c.input);
        EXPECT_EQ(run.Status, c.status) << run.Err;
        if (c.status == kExitOk) {
            EXPECT_EQ(DumpedAccessLevel(run), c.accessLevel);
        }
        EXPECT_EQ(run.Err.find("--password deixa a senha visível") != std::string::npos, c.warns) << run.Err;
    }
}

// Runs the tool on a new pseudo-terminal, which becomes its controlling
// terminal, typing each of `typed` after the terminal shows `prompt`.
struct TTerminalRun {
    int Status = -1;
    std::string Screen;  // everything the terminal showed
    std::string Out;     // standard output, redirected to a file
};

TTerminalRun RunOnTerminal(const std::vector<std::string>& args, const std::vector<std::string>& typed,
                           const std::string& prompt, const ScratchDir& scratch) {
    const std::string outFile = scratch.File("tty.stdout");
    std::vector<std::string> argv = {QUORVEL_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (auto& arg : argv) raw.push_back(arg.data());
    raw.push_back(nullptr);

    int master = -1;
    const pid_t child = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (child == 0) {
        // Standard output to a file, standard input from nothing: the
        // password must come from the terminal itself.
        (void)!std::freopen(outFile.c_str(), "w", stdout);
        (void)!std::freopen("/dev/null", "r", stdin);
        ::unsetenv("QUORVEL_PASSWORD");
        ::execv(raw[0], raw.data());
        ::_exit(127);
    }
    TTerminalRun run;
    if (child < 0) {
        ADD_FAILURE() << "forkpty failed";
        return run;
    }
    std::size_t answered = 0;
    std::size_t promptsSeen = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
        pollfd fd{master, POLLIN, 0};
        if (::poll(&fd, 1, 200) > 0) {
            char buffer[512];
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0) break;  // the child closed the terminal
            run.Screen.append(buffer, static_cast<std::size_t>(n));
        }
        std::size_t at = 0;
        promptsSeen = 0;
        while ((at = run.Screen.find(prompt, at)) != std::string::npos) {
            ++promptsSeen;
            at += prompt.size();
        }
        if (answered < typed.size() && promptsSeen > answered) {
            const std::string line = typed[answered++];
            (void)!::write(master, line.data(), line.size());
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ADD_FAILURE() << "the tool did not finish; the terminal shows: " << run.Screen;
            break;
        }
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(master);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.Out = ReadText(outFile);
    return run;
}

TEST(CliPassword, TheTerminalIsAskedWithoutEcho) {
    ScratchDir scratch;
    const std::string base = SaveProtected(scratch, 3);
    const std::string prompt = "Senha de " + base;
    struct Case {
        const char* name;
        std::vector<std::string> typed;
        int status;
        int accessLevel;
        std::size_t prompts;
    };
    const Case cases[] = {
        {"right password", {kPassword + "\n"}, kExitOk, kAccessFull, 1},
        {"wrong, then right", {"segredo\n", kPassword + "\n"}, kExitOk, kAccessFull, 2},
        {"empty entry accepts the restrictions", {"\n"}, kExitOk, kAccessConsultAndView, 1},
        {"three wrong entries refuse the base", {"a\n", "b\n", "c\n"}, kExitCannotOpen, 0, 3},
        {"end of input cancels", {"\x04"}, kExitCannotOpen, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TTerminalRun run = RunOnTerminal({"dump", base}, c.typed, prompt, scratch);
        EXPECT_EQ(run.Status, c.status) << run.Screen;
        TRun dumped;
        dumped.Status = run.Status;
        dumped.Out = run.Out;
        if (c.status == kExitOk) {
            EXPECT_EQ(DumpedAccessLevel(dumped), c.accessLevel);
        }
        std::size_t prompts = 0;
        for (std::size_t at = 0; (at = run.Screen.find(prompt, at)) != std::string::npos; at += prompt.size())
            ++prompts;
        EXPECT_EQ(prompts, c.prompts) << run.Screen;
        // Nothing typed shows on the screen.
        EXPECT_THAT(run.Screen, Not(HasSubstr(kPassword)));
        EXPECT_THAT(run.Screen, Not(HasSubstr("segredo")));
    }
}

TEST(CliPassword, AnUnprotectedBaseNeverAsks) {
    ScratchDir scratch;
    TExpertSystem base;
    const std::string file = scratch.File("aberta.bcm");
    ASSERT_TRUE(base.Save(file));
    const TTerminalRun run = RunOnTerminal({"dump", file}, {}, "Senha", scratch);
    EXPECT_EQ(run.Status, kExitOk);
    EXPECT_THAT(run.Screen, Not(HasSubstr("Senha")));
}

// A protected base dumped without --with-password is rebuilt protected,
// with the password the user gives, or not at all.
TEST(CliPassword, BuildTakesTheMissingPasswordOrRefuses) {
    ScratchDir scratch;
    const std::string original = SaveProtected(scratch, 2);
    const TRun dump = RunCli({"dump", original, "--password-file", "-"}, scratch, {kPassword + "\n", {}});
    ASSERT_EQ(dump.Status, kExitOk) << dump.Err;
    EXPECT_THAT(dump.Out, Not(HasSubstr("scrambled")));
    const std::string json = scratch.File("sem-senha.json");
    WriteText(json, dump.Out);

    const std::string refused = scratch.File("recusada.bcm");
    const TRun without = RunCli({"build", json, "-o", refused}, scratch);
    EXPECT_EQ(without.Status, kExitInvalid);
    EXPECT_THAT(without.Err, HasSubstr("dump sem --with-password"));
    EXPECT_FALSE(std::filesystem::exists(refused));

    // A document that carries its password keeps it, whatever password is given.
    const std::string withOwn = scratch.File("com-senha.json");
    const TRun dumpWith = RunCli({"dump", original, "--with-password"}, scratch, {"", {{"QUORVEL_PASSWORD", kPassword}}});
    ASSERT_EQ(dumpWith.Status, kExitOk) << dumpWith.Err;
    WriteText(withOwn, dumpWith.Out);
    const std::string kept = scratch.File("mantida.bcm");
    ASSERT_EQ(RunCli({"build", withOwn, "-o", kept}, scratch, {"", {{"QUORVEL_PASSWORD", "outra"}}}).Status, kExitOk);
    EXPECT_EQ(ReadBytes(kept), ReadBytes(original));

    const std::string rebuilt = scratch.File("refeita.bcm");
    const TRun with = RunCli({"build", json, "-o", rebuilt}, scratch, {"", {{"QUORVEL_PASSWORD", kPassword}}});
    ASSERT_EQ(with.Status, kExitOk) << with.Err;
    EXPECT_EQ(ReadBytes(rebuilt), ReadBytes(original));
}

TEST(CliStandardStreams, DashReadsStandardInputAndWritesStandardOutput) {
    ScratchDir scratch;
    const std::string json = test::FixturePath("orientacao_respiratoria.json");
    const std::string file = scratch.File("base.bcm");
    ASSERT_EQ(RunCli({"build", json, "-o", file}, scratch).Status, kExitOk);
    const std::string bytes = ReadText(file);

    // JSON from standard input, base to standard output.
    const TRun built = RunCli({"build", "-", "-o", "-"}, scratch, {ReadText(json), {}});
    EXPECT_EQ(built.Status, kExitOk) << built.Err;
    EXPECT_EQ(built.Out, bytes);

    // A base from standard input for every reading command.
    const TRun dumped = RunCli({"dump", "-"}, scratch, {bytes, {}});
    EXPECT_EQ(dumped.Status, kExitOk) << dumped.Err;
    EXPECT_EQ(dumped.Out, RunCli({"dump", file}, scratch).Out);
    const TRun report = RunCli({"report", "-", "-o", "-"}, scratch, {bytes, {}});
    EXPECT_EQ(report.Status, kExitOk) << report.Err;
    EXPECT_THAT(report.Out, HasSubstr("  Arquivo original: \n"));
    const TRun deps = RunCli({"deps", "-"}, scratch, {bytes, {}});
    const TRun depsOfFile = RunCli({"deps", file}, scratch);
    EXPECT_EQ(deps.Status, depsOfFile.Status) << deps.Err;
    EXPECT_EQ(deps.Out, depsOfFile.Out);

    // Answers from standard input; the base may come from there only when the answers do not.
    const std::string example = std::string(QUORVEL_SOURCE_DIR) + "/examples/credito_pessoal";
    const std::string credit = scratch.File("credito.bcm");
    ASSERT_EQ(RunCli({"build", example + ".bct", "-o", credit}, scratch).Status, kExitOk);
    const std::string answers = example + ".respostas.txt";
    const TRun consult = RunCli({"consult", credit, "--answers", "-", "--json"}, scratch, {ReadText(answers), {}});
    EXPECT_EQ(consult.Status, kExitOk) << consult.Err;
    // The text of a base from standard input builds the same base as its file.
    const TRun fromText = RunCli({"build", "-", "-o", "-"}, scratch, {ReadText(example + ".bct"), {}});
    EXPECT_EQ(fromText.Status, kExitOk) << fromText.Err;
    EXPECT_EQ(fromText.Out, ReadText(credit));
    const TRun fromInput = RunCli({"consult", "-", "--answers", answers, "--json"}, scratch, {ReadText(credit), {}});
    EXPECT_EQ(fromInput.Status, kExitOk) << fromInput.Err;
    EXPECT_EQ(fromInput.Out, consult.Out);
    const TRun twice = RunCli({"consult", "-"}, scratch, {bytes, {}});
    EXPECT_EQ(twice.Status, kExitUsage);
    EXPECT_THAT(twice.Err, HasSubstr("arquivo de respostas"));

    // Garbage on standard input is no base.
    const TRun garbage = RunCli({"dump", "-"}, scratch, {"nada", {}});
    EXPECT_EQ(garbage.Status, kExitCannotOpen);
    EXPECT_THAT(garbage.Err, HasSubstr("entrada padrão: " + std::string(msg::NotABaseFile)));
}

TEST(CliExitStatuses, OneMeaningEachListedInTheHelpTheReadmeAndTheManual) {
    std::set<int> seen;
    for (const TExitStatus& status : ExitStatuses()) {
        EXPECT_TRUE(seen.insert(status.Status).second) << status.Status;
    }
    EXPECT_EQ(seen, (std::set<int>{kExitOk, kExitCheckFailed, kExitCannotOpen, kExitEngineError, kExitAnswersProblem,
                                   kExitIncomplete, kExitInvalid, kExitCannotWrite, kExitUsage, kExitInternal}));

    ScratchDir scratch;
    const std::string help = RunCli({"--help"}, scratch).Out;
    const std::string subcommandHelp = RunCli({"deps", "--help"}, scratch).Out;
    const std::string readme = ReadText(std::string(QUORVEL_SOURCE_DIR) + "/README.md");
    const std::string manual = ReadText(std::string(QUORVEL_SOURCE_DIR) + "/docs/quorvel-cli.1.in");
    for (const TExitStatus& status : ExitStatuses()) {
        const std::string number = std::to_string(status.Status);
        SCOPED_TRACE(number);
        EXPECT_THAT(help, HasSubstr("  " + number + std::string(4 - number.size(), ' ') + status.Meaning));
        EXPECT_THAT(subcommandHelp, HasSubstr(status.Meaning));
        EXPECT_THAT(readme, HasSubstr("| " + number + " | " + status.Meaning + " |"));
        EXPECT_THAT(manual, HasSubstr(".IP " + number + "\n" + status.Meaning + "\n"));
    }
}

// The manual page describes every command the tool lists.
TEST(CliManual, DescribesEveryCommand) {
    ScratchDir scratch;
    const std::string help = RunCli({"--help"}, scratch).Out;
    const std::string manual = ReadText(std::string(QUORVEL_SOURCE_DIR) + "/docs/quorvel-cli.1.in");
    std::istringstream lines(help.substr(help.find("Comandos:")));
    std::string line;
    std::getline(lines, line);
    int commands = 0;
    while (std::getline(lines, line) && line.starts_with("  ")) {
        const std::string command = line.substr(2, line.find(' ', 2) - 2);
        ++commands;
        EXPECT_THAT(manual, HasSubstr(".BI \"" + command + " \"")) << command;
    }
    EXPECT_GT(commands, 0) << help;
}

// Each status from the command that gives it (the checks of a base, an
// engine error and the answers have their own tests beside their commands).
TEST(CliExitStatuses, CommandsGiveTheStatusOfTheirOutcome) {
    ScratchDir scratch;
    TExpertSystem empty;
    const std::string file = scratch.File("nova.bcm");
    ASSERT_TRUE(empty.Save(file));
    const std::string invalid = scratch.File("invalida.json");
    WriteText(invalid, R"({"precedence": 7})");
    TExpertSystem orphan;
    orphan.Vars().AddVariable(1, "Febre", false, false);
    orphan.Tails().AddPremise(4, 1, "=", -2, 2, false);
    const std::string orphanFile = scratch.File("orfa.bcm");
    ASSERT_TRUE(orphan.Save(orphanFile));
    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const Case cases[] = {
        {{"report", file}, kExitOk},
        {{"--version"}, kExitOk},
        {{"report", scratch.File("nenhuma.bcm")}, kExitCannotOpen},
        {{"dump", orphanFile}, kExitIncomplete},
        {{"build", invalid, "-o", scratch.File("x.bcm")}, kExitInvalid},
        {{"report", file, "-o", scratch.File("sem-pasta/r.txt")}, kExitCannotWrite},
        {{"report"}, kExitUsage},
        {{"report", file, "--nada"}, kExitUsage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        EXPECT_EQ(RunCli(c.args, scratch).Status, c.status);
    }
    EXPECT_EQ(RunCli({"--version"}, scratch).Out, std::string("quorvel-cli ") + QUORVEL_VERSION + "\n");
}

TEST(CliMessages, SystemErrorsAndParseErrorsAreInPortuguese) {
    ScratchDir scratch;
    TExpertSystem empty;
    const std::string file = scratch.File("nova.bcm");
    ASSERT_TRUE(empty.Save(file));
    struct Case {
        std::vector<std::string> args;
        const char* text;
    };
    const Case cases[] = {
        {{"report", file, "-o", scratch.File("sem-pasta/r.txt")}, "arquivo ou pasta inexistente"},
        {{"build", test::FixturePath("orientacao_respiratoria.json"), "-o", "/proc/quorvel.bcm"}, "não foi possível"},
        {{"report", file, "--nada"}, "argumento inesperado: --nada"},
        {{"consult", file, "--answers"}, "--answers precisa de um valor"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const TRun run = RunCli(c.args, scratch);
        EXPECT_THAT(run.Err, HasSubstr(c.text));
        for (const char* english : {"No such file", "Permission denied", "not expected", "required", "Run with"})
            EXPECT_THAT(run.Err, Not(HasSubstr(english)));
    }
}

}  // namespace
}  // namespace quorvel::cli
