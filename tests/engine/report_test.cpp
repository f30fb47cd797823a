// The base report and the codes listing compared line by line with expected
// files, how they stop (cancel, failed writes, access), the proposed export
// name, and text files written whole or not at all.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ExReport.h"
#include "ExSystem.h"
#include "ExText.h"
#include "KbJson.h"
#include "TestSupport.h"

namespace quorvel {
namespace {

using test::TTempDir;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> SplitLines(const std::string& text, std::string_view end = "\n") {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t next = text.find(end, at);
        if (next == std::string::npos) {
            lines.push_back(text.substr(at));
            break;
        }
        lines.push_back(text.substr(at, next - at));
        at = next + end.size();
    }
    return lines;
}

std::vector<std::string> Expected(const std::string& name) {
    return SplitLines(ReadAll(std::string(QUORVEL_TEST_DATA) + "/report/" + name));
}

// Loads a fixture the way the workbench meets a base: saved, then opened.
void LoadFixture(TExpertSystem& engine, const std::string& name, const TTempDir& dir) {
    std::vector<cli::TKbProblem> problems;
    const cli::TJson doc = cli::ParseKbJson(ReadAll(std::string(QUORVEL_TEST_DATA) + "/report/" + name), problems);
    TExpertSystem built;
    ASSERT_TRUE(cli::JsonToBase(doc, built, problems)) << (problems.empty() ? "" : problems.front().Text());
    const std::string file = dir.File("base.bcm");
    ASSERT_TRUE(built.Save(file));
    ASSERT_TRUE(engine.Load(file));
}

TEST(Reports, MatchTheExpectedFiles) {
    struct Case {
        const char* fixture;
        const char* currentFile;
        TReportKind kind;
        const char* expected;
    };
    // completa: custom formulas, disjunction first, all premises, opening
    // text, help file, every kind of variable, values entered out of order,
    // negated and OU premises, several conclusions and reason lines.
    // minima: a never-saved base with defaults and no values.
    const Case cases[] = {
        {"completa.json", "/bases/completa.bcm", TReportKind::Base, "completa.relatorio.txt"},
        {"completa.json", "/bases/completa.bcm", TReportKind::Codes, "completa.codigos.txt"},
        {"minima.json", "", TReportKind::Base, "minima.relatorio.txt"},
        {"minima.json", "", TReportKind::Codes, "minima.codigos.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        TTempDir dir;
        test::TCapturingSink sink;
        TExpertSystem engine(&sink);
        LoadFixture(engine, c.fixture, dir);
        TReportLines out;
        EXPECT_EQ(WriteReport(c.kind, engine, c.currentFile, out), TReportStatus::Done);
        EXPECT_THAT(out.Lines, ElementsAreArray(Expected(c.expected)));
        EXPECT_THAT(sink.Messages, IsEmpty());
    }
}

// completa.bcm is what the workbench's tests print: the same base as completa.json.
TEST(Reports, StoredFixtureIsTheJsonBase) {
    TTempDir dir;
    TExpertSystem engine;
    LoadFixture(engine, "completa.json", dir);
    EXPECT_EQ(ReadAll(dir.File("base.bcm")), ReadAll(std::string(QUORVEL_TEST_DATA) + "/report/completa.bcm"));
}

// Damaged rules: the premises after the one that closes them are not part of
// the rule (the engine never reads them), and a rule whose last premise
// does not close never borrows the premises of the next rule.
TEST(Reports, RulePremisesStayWithinTheirRule) {
    TExpertSystem engine;
    engine.Vars().AddVariable(1, "A", false, false);
    engine.Vars().AddVariable(2, "B", false, false);
    engine.Rules().AddRule(1, "primeira", 1);
    engine.Tails().AddPremise(1, 1, "=", kCodeYes, 0, false);
    engine.Tails().AddPremise(1, 2, "=", kCodeNo, 1, true);  // does not close
    engine.Heads().AddConclusion(1, 2, kCodeYes, 0.5f);
    engine.Rules().AddRule(2, "segunda", 2);
    engine.Tails().AddPremise(2, 2, "=", kCodeYes, 2, false);
    engine.Tails().AddPremise(2, 1, "=", kCodeNo, 2, false);  // after the closing one
    engine.Heads().AddConclusion(2, 1, kCodeNo, 1.0f);

    TReportLines out;
    ASSERT_EQ(WriteBaseReport(engine, "", out), TReportStatus::Done);
    const auto begin = std::find(out.Lines.begin(), out.Lines.end(), "REGRAS");
    ASSERT_NE(begin, out.Lines.end());
    EXPECT_THAT(
        std::vector<std::string>(begin, begin + 11),
        ElementsAre("REGRAS", "", "  Regra 1", "    SE A = Sim", "    E  NÃO B = Não", "    ENTÃO B = Sim CNF 50%", "",
                    "  Regra 2", "    SE B = Sim", "    ENTÃO A = Não CNF 100%", ""));
}

// Cancels at the n-th chance the report gives the host (1-based).
class TCancellingOutput : public TReportLines {
public:
    explicit TCancellingOutput(int cancelAt) : cancelAt_(cancelAt) {}
    bool CancelRequested() override { return ++polls_ >= cancelAt_; }
    int Polls() const { return polls_; }

private:
    int cancelAt_;
    int polls_ = 0;
};

TEST(Reports, CancelStopsAtTheNextItemWithoutFooter) {
    TTempDir dir;
    TExpertSystem engine;
    LoadFixture(engine, "completa.json", dir);
    const std::vector<std::string> full = Expected("completa.relatorio.txt");
    // The lines before `line`, looked for from the section `section` on.
    const auto upTo = [&](const std::string& line, const std::string& section = "VARIÁVEIS") {
        const auto it = std::find(std::find(full.begin(), full.end(), section), full.end(), line);
        return std::vector<std::string>(full.begin(), it);
    };
    struct Case {
        int cancelAt;
        std::vector<std::string> lines;
    };
    // Chances: after the general information (1), before each of the 7
    // variables (2-8), the 3 targets (9-11), the 4 rules (12-15) and the 3
    // questions (16-18).
    const Case cases[] = {
        {1, upTo("VARIÁVEIS", "SOBRE O SISTEMA ESPECIALISTA")},
        {2, upTo("  Acompanha peixe")},
        {3, upTo("  Cor")},
        {9, upTo("  Vinho", "OBJETIVOS")},
        {12, upTo("  Regra 1")},
        {18, upTo("  Variável:Álcool")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("cancel at " + std::to_string(c.cancelAt));
        TCancellingOutput out(c.cancelAt);
        EXPECT_EQ(WriteBaseReport(engine, "/bases/completa.bcm", out), TReportStatus::Cancelled);
        EXPECT_THAT(out.Lines, ElementsAreArray(c.lines));
        EXPECT_EQ(out.Polls(), c.cancelAt);
    }
    TCancellingOutput never(1000);
    EXPECT_EQ(WriteBaseReport(engine, "/bases/completa.bcm", never), TReportStatus::Done);
    EXPECT_EQ(never.Polls(), 18);
}

// Fails the n-th line (1-based) and counts the attempts.
class TFailingOutput : public IReportOutput {
public:
    explicit TFailingOutput(int failAt) : failAt_(failAt) {}
    bool WriteLine(const std::string&) override { return ++writes_ < failAt_; }
    int Writes() const { return writes_; }

private:
    int failAt_;
    int writes_ = 0;
};

TEST(Reports, WriteFailureStopsAtOnce) {
    TTempDir dir;
    TExpertSystem engine;
    LoadFixture(engine, "completa.json", dir);
    for (TReportKind kind : {TReportKind::Base, TReportKind::Codes}) {
        for (int failAt : {1, 5, 40}) {
            SCOPED_TRACE("fail at line " + std::to_string(failAt));
            TFailingOutput out(failAt);
            EXPECT_EQ(WriteReport(kind, engine, "", out), TReportStatus::WriteFailed);
            EXPECT_EQ(out.Writes(), failAt);
        }
    }
}

TEST(Reports, RefusedWhenTheBaseMayOnlyBeExecuted) {
    for (TReportKind kind : {TReportKind::Base, TReportKind::Codes}) {
        TTempDir dir;
        TExpertSystem engine;
        LoadFixture(engine, "minima.json", dir);
        engine.AccessLevel = kAccessConsultOnly;
        TReportLines out;
        EXPECT_EQ(WriteReport(kind, engine, "", out), TReportStatus::NotAllowed);
        EXPECT_THAT(out.Lines, IsEmpty());

        const std::string file = dir.File("saida.txt");
        std::string error;
        EXPECT_EQ(WriteReportFile(kind, engine, "", file, error), TReportStatus::NotAllowed);
        EXPECT_EQ(error, kReportNotAllowed);
        EXPECT_FALSE(std::filesystem::exists(file));

        engine.AccessLevel = kAccessConsultAndView;
        EXPECT_EQ(WriteReport(kind, engine, "", out), TReportStatus::Done);
    }
}

TEST(Reports, LeaveTheEnginesCursorsAlone) {
    TTempDir dir;
    TExpertSystem engine;
    LoadFixture(engine, "completa.json", dir);
    engine.Vars().FindName("Sabor");
    engine.Values().FindByVarCode(5);
    engine.Rules().Find(2);
    engine.Questions().Find(4);
    std::vector<TSingleIndexTree*> trees = {&engine.Vars(),      &engine.Values(), &engine.Rules(),
                                            &engine.Questions(), &engine.Tails(),  &engine.Heads()};
    std::vector<TSingleIndexTree::TCursorState> before;
    for (TSingleIndexTree* tree : trees) before.push_back(tree->SaveCursors());
    for (TReportKind kind : {TReportKind::Base, TReportKind::Codes}) {
        TReportLines out;
        ASSERT_EQ(WriteReport(kind, engine, "", out), TReportStatus::Done);
        for (std::size_t i = 0; i < trees.size(); ++i) {
            const auto after = trees[i]->SaveCursors();
            EXPECT_EQ(after.activeKey, before[i].activeKey) << i;
            for (int key = 0; key < 3; ++key) EXPECT_EQ(after.at[key], before[i].at[key]) << i << " key " << key;
        }
    }
}

TEST(Reports, ProposedExportName) {
    struct Case {
        const char* currentFile;
        const char* extension;
        const char* proposed;
    };
    const Case cases[] = {
        {"/home/ana/bases/Vinhos.bcm", ".txt", "Vinhos.txt"},
        {"/home/ana/bases/VINHOS.BCM", ".txt", "VINHOS.txt"},
        {"Vinhos.Bcm", ".txt", "Vinhos.txt"},
        {"/bases/Teste.kb", ".txt", "Teste.kb.txt"},
        {"/bases/semextensao", ".txt", "semextensao.txt"},
        {"/bases/vinhos.bcm.bak", ".txt", "vinhos.bcm.bak.txt"},
        {"/pasta.bcm/Base.bcm", ".txt", "Base.txt"},
        {"/bases/.bcm", ".txt", ""},
        {"", ".txt", ""},
        {"/bases/Vinhos.bcm", ".pdf", "Vinhos.pdf"},
    };
    for (const Case& c : cases) EXPECT_EQ(ProposedExportName(c.currentFile, c.extension), c.proposed) << c.currentFile;
}

TEST(TextFiles, WrittenInUtf8WithThePlatformsLineEnds) {
    TTempDir dir;
    const std::string file = dir.File("saída.txt");
    std::string error;
    ASSERT_TRUE(WriteTextFile(file, {"VARIÁVEIS", "", "  Ação"}, error)) << error;
    const std::string end(kLineEnd);
    EXPECT_EQ(ReadAll(file), "VARI\xC3\x81VEIS" + end + end + "  A\xC3\xA7\xC3\xA3o" + end);
    EXPECT_EQ(error, "");
    // Nothing but the file is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(TextFiles, ReplacingKeepsPermissionsAndLinks) {
    TTempDir dir;
    const std::string real = dir.File("real.txt");
    const std::string link = dir.File("link.txt");
    std::string error;
    ASSERT_TRUE(WriteTextFile(real, {"velho"}, error));
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    std::filesystem::create_symlink(real, link);

    ASSERT_TRUE(WriteTextFile(link, {"novo"}, error)) << error;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadAll(real), "novo" + std::string(kLineEnd));
    struct stat info {};
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(TextFiles, FailureLeavesWhatWasThere) {
    TTempDir dir;
    std::string error;
    // A folder that does not exist.
    const std::string missing = dir.File("nao/existe.txt");
    EXPECT_FALSE(WriteTextFile(missing, {"x"}, error));
    EXPECT_THAT(error, HasSubstr(missing));
    // A name taken by a folder holding a file: the folder stays as it was,
    // and no temporary file is left behind.
    const std::string taken = dir.File("ocupado");
    std::filesystem::create_directory(taken);
    { std::ofstream(taken + "/dentro.txt") << "dado"; }
    EXPECT_FALSE(WriteTextFile(taken, {"x"}, error));
    EXPECT_THAT(error, HasSubstr(taken));
    EXPECT_EQ(ReadAll(taken + "/dentro.txt"), "dado");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(TextFiles, ReportFileHoldsTheWholeReport) {
    TTempDir dir;
    TExpertSystem engine;
    LoadFixture(engine, "minima.json", dir);
    const std::string file = dir.File("minima.txt");
    std::string error;
    ASSERT_EQ(WriteReportFile(TReportKind::Codes, engine, "", file, error), TReportStatus::Done) << error;
    EXPECT_THAT(SplitLines(ReadAll(file), kLineEnd), ElementsAreArray(Expected("minima.codigos.txt")));
    EXPECT_EQ(WriteReportFile(TReportKind::Base, engine, "", dir.File("nao/existe.txt"), error),
              TReportStatus::WriteFailed);
    EXPECT_THAT(error, HasSubstr("nao/existe.txt"));
}

}  // namespace
}  // namespace quorvel
