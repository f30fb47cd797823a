// quorvel-cli deps BASE.bcm [--password PW]: the dependency trees of the
// targets as indented text, then the circular dependencies found. The exit
// status tells whether there is one, so a base's own checks can gate on it.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace quorvel::cli {

struct TDepsOptions {
    std::string BaseFile;
    // What is typed in the password entry (UTF-8); absent is the empty entry.
    std::optional<std::string> Password;
};

// Prints every target's tree (two blanks per level; "Usuário" under the
// variables only the user supplies, "CONFLITO!" under a variable that closes
// a circle), then, when there are circles, an empty line and one
// "Dependência circular entre A e B" line per circle found. Returns kExitOk,
// kExitCheckFailed (a circle), kExitCannotOpen (also for a base that may only be executed,
// access 2), kExitCannotWrite, or kExitIncomplete when memory ran out before
// the analysis found a circle.
int RunDeps(const TDepsOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quorvel::cli
