// Shared pieces of the command-line tool's commands.
#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "ExMessages.h"

namespace quorvel::cli {

// Exit statuses shared by the commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
// The input could not be opened, is not a base, is damaged, or access was refused.
inline constexpr int kExitCannotOpen = 2;
// The input was read but has problems; nothing was written.
inline constexpr int kExitInvalid = 3;
// The output could not be written.
inline constexpr int kExitCannotWrite = 4;
// The output was produced but leaves out records it cannot show.
inline constexpr int kExitIncomplete = 5;
// A consultation ended by an engine error (a formula that cannot be worked out...).
inline constexpr int kExitEngineError = 3;
// The answers file, or the terminal's input, could not answer the consultation.
inline constexpr int kExitAnswersProblem = 4;
// Memory ran out, or something happened that the tool did not foresee.
inline constexpr int kExitInternal = 70;

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

// The whole content of a file; nullopt with the reason (in Portuguese) when it cannot be read.
std::optional<std::string> ReadFileText(const std::string& name, std::string& reason);

}  // namespace quorvel::cli
