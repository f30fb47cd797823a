// quorvel-cli lint BASE [--password PW] [--json]: the static checks of a
// base (.bcm, or a .bct source whose lines the findings name), one finding per
// line ("QL006 erro REGRA 3, premissa 1: ...", after "BASE.bct:12: " for a
// source), or as a JSON document. The exit status gates a base's own checks: kExitCheckFailed
// when there is an error, kExitOk with warnings only.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace quorvel::cli {

struct TLintOptions {
    std::string BaseFile;
    std::optional<std::string> Password;  // UTF-8; absent is the empty entry
    bool Json = false;
};

int RunLint(const TLintOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quorvel::cli
