// quorvel-cli build BASE.bct -o BASE.bcm: compiles the text of a base (the
// inverse of text); a source that does not end in .bct is a JSON document
// (the inverse of dump).
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace quorvel::cli {

struct TBuildOptions {
    std::string SourceFile;  // "-": a JSON document on standard input
    std::string Output;      // "-": standard output
    // The password of a protected base whose source does not carry it
    // (UTF-8): a .bct text, or a JSON document dumped without
    // --with-password. For such a document, when absent, the terminal is
    // asked if the tool turned that on; with no password at all the document
    // is invalid, so that protection is never dropped in silence.
    std::optional<std::string> Password;
};

// Reads and checks the source and writes the base. Every problem is
// reported on `err`, for a text as "file:line:column: message", for JSON as
// "place: reason", and then nothing is written (kExitInvalid);
// kExitCannotOpen when the source cannot be read, kExitCannotWrite when the
// base cannot be written.
int RunBuild(const TBuildOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quorvel::cli
