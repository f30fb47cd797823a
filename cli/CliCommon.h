// Shared pieces of the command-line tool's commands.
#pragma once

#include <string>
#include <vector>

#include "ExMessages.h"

namespace quorvel::cli {

// Exit statuses shared by the commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitCannotOpen = 2;

// Collects the engine's messages; the commands decide what reaches stderr.
class TCollectingSink : public IMessageSink {
public:
    TMsgResult ShowMessage(TMsgKind kind, TMsgButtons buttons, const std::string& text) override;
    std::string Joined() const;
    const std::vector<std::string>& Texts() const { return texts_; }

private:
    std::vector<std::string> texts_;
};

}  // namespace quorvel::cli
