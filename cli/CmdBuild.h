// quorvel-cli build BASE.json -o BASE.bcm: the inverse of dump.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace quorvel::cli {

struct TBuildOptions {
    std::string JsonFile;  // "-": standard input
    std::string Output;    // "-": standard output
    // The password of a base dumped without it (UTF-8); when absent the
    // terminal is asked, if the tool turned that on.
    std::optional<std::string> Password;
};

// Reads and checks the JSON document and writes the base. Every problem is
// reported on `err` as "place: reason" and then nothing is written
// (kExitInvalid); kExitCannotOpen when the JSON cannot be read,
// kExitCannotWrite when the base cannot be written. A document that says
// its base has a password but leaves it out takes the given password; with
// none it is invalid, so that protection is never dropped in silence.
int RunBuild(const TBuildOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quorvel::cli
