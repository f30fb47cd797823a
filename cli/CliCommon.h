// Shared pieces of the command-line tool's commands.
#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "ExMessages.h"

namespace quorvel::cli {

// Exit statuses: one meaning each, the same for every command.
inline constexpr int kExitOk = 0;
// A check the command makes failed: a circular dependency, a failed test case, a lint error.
inline constexpr int kExitCheckFailed = 1;
// The input could not be opened, is not a base, is damaged, or access was refused.
inline constexpr int kExitCannotOpen = 2;
// A consultation was ended by an engine error (a formula error, say).
inline constexpr int kExitEngineError = 3;
// The answers did not fit the questions, or ran out.
inline constexpr int kExitAnswersProblem = 4;
// The output was produced but leaves out what it cannot show.
inline constexpr int kExitIncomplete = 5;
// The input was read but is not valid; nothing was written.
inline constexpr int kExitInvalid = 6;
// The output could not be written.
inline constexpr int kExitCannotWrite = 7;
// The command line itself is wrong.
inline constexpr int kExitUsage = 64;
// Out of memory, or an unexpected failure of the tool.
inline constexpr int kExitInternal = 70;

struct TExitStatus {
    int Status;
    const char* Meaning;  // Portuguese, as --help, the README and the manual page list it
};
// The table above with its meanings, in order of status.
std::span<const TExitStatus> ExitStatuses();
// The table as the footer of --help prints it.
std::string ExitStatusHelp();

// The name that stands for standard input or output wherever a file is read or written.
inline constexpr const char* kStandardStream = "-";
inline bool IsStandardStream(const std::string& name) { return name == kStandardStream; }
// How a file is named in messages: "-" is "entrada padrão" or "saída padrão".
std::string InputName(const std::string& name);
std::string OutputName(const std::string& name);

// Collects the engine's messages; the commands decide what reaches stderr.
class TCollectingSink : public IMessageSink {
public:
    TMsgResult ShowMessage(TMsgKind kind, TMsgButtons buttons, const std::string& text) override;
    std::string Joined() const;
    const std::vector<std::string>& Texts() const { return texts_; }

private:
    std::vector<std::string> texts_;
};

// Writes `count` blanks, the indent of a deep tree's line, without building it.
void WriteBlanks(std::ostream& out, std::size_t count);

// Writes "quorvel-cli: <subject>: <text>" on a line of its own.
void Report(std::ostream& err, const std::string& subject, const std::string& text);

// The whole content of a file, or of standard input for "-"; nullopt with
// the reason (in Portuguese) when it cannot be read.
std::optional<std::string> ReadFileText(const std::string& name, std::string& reason);

}  // namespace quorvel::cli
