// Shared helpers of the command-line tool's tests: a scratch folder, the
// fixtures, byte-level file access and a way to run the real binary.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "KbJson.h"

namespace quorvel::cli::test {

inline std::string FixturePath(const std::string& name) { return std::string(QUORVEL_TEST_DATA) + "/" + name; }

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    const std::string text = ReadText(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

inline TJson Fixture(const std::string& name) {
    std::vector<TKbProblem> problems;
    TJson document = ParseKbJson(ReadText(FixturePath(name)), problems);
    EXPECT_TRUE(problems.empty()) << name << ": " << (problems.empty() ? "" : problems.front().Text());
    return document;
}

// A fresh folder per test, removed afterwards.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-cli-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot create a scratch folder";
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

struct TRun {
    int Status = -1;
    std::string Out;
    std::string Err;
};

inline std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// What a run of the tool gets besides its arguments.
struct TRunInput {
    std::string Stdin;
    std::vector<std::pair<std::string, std::string>> Environment;
};

// Runs quorvel-cli with these arguments, capturing its exit status and both
// outputs. It runs without a controlling terminal (so it never asks for a
// password there) and without a QUORVEL_PASSWORD of the caller's.
inline TRun RunCli(const std::vector<std::string>& args, const ScratchDir& scratch, const TRunInput& input = {}) {
    std::string command = "env -u QUORVEL_PASSWORD";
    for (const auto& [name, value] : input.Environment) command += " " + ShellQuote(name + "=" + value);
    command += " setsid -w " + ShellQuote(QUORVEL_CLI_PATH);
    for (const auto& arg : args) command += " " + ShellQuote(arg);
    const std::string in = scratch.File("run.stdin");
    const std::string out = scratch.File("run.stdout");
    const std::string err = scratch.File("run.stderr");
    WriteText(in, input.Stdin);
    command += " <" + ShellQuote(in) + " >" + ShellQuote(out) + " 2>" + ShellQuote(err);
    const int raw = std::system(command.c_str());
    TRun run;
    run.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.Out = ReadText(out);
    run.Err = ReadText(err);
    return run;
}

}  // namespace quorvel::cli::test
