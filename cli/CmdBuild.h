// quorvel-cli build BASE.json -o BASE.bcm: the inverse of dump.
#pragma once

#include <ostream>
#include <string>

namespace quorvel::cli {

struct TBuildOptions {
    std::string JsonFile;
    std::string Output;
};

// Reads and checks the JSON document and writes the base. Every problem is
// reported on `err` as "place: reason" and then nothing is written
// (kExitInvalid); kExitCannotOpen when the JSON cannot be read,
// kExitCannotWrite when the base cannot be written.
int RunBuild(const TBuildOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quorvel::cli
