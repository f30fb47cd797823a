// quorvel-cli build BASE.bct -o BASE.bcm: compiles the text of a base (the
// inverse of text); a source that does not end in .bct is a JSON document
// (the inverse of dump).
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace quorvel::cli {

struct TBuildOptions {
    std::string SourceFile;
    std::string Output;
    // The password of a protected base whose text does not carry it (UTF-8;
    // .bct sources only).
    std::optional<std::string> Password;
};

// Reads and checks the source and writes the base. Every problem is
// reported on `err`, for a text as "file:line:column: message", for JSON as
// "place: reason", and then nothing is written (kExitInvalid);
// kExitCannotOpen when the source cannot be read, kExitCannotWrite when the
// base cannot be written.
int RunBuild(const TBuildOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quorvel::cli
