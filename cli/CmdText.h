// quorvel-cli text BASE.bcm [-o BASE.bct] [--password PW] [--incluir-senha]:
// the base as readable .bct text, the source that build compiles back.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace quorvel::cli {

struct TTextOptions {
    std::string BaseFile;
    // The text file to write; empty: standard output.
    std::string Output;
    // What is typed in the password entry (UTF-8); absent is the empty entry.
    std::optional<std::string> Password;
    // Writes the base's password into the text (full access only).
    bool IncludePassword = false;
};

// Opens the base as the workbench does and writes its text. The access must
// be full (1) or consult and view (3), and full to include the password;
// otherwise, and when the base cannot be opened, returns kExitCannotOpen.
// The text is compiled back at once: when it would not give the same base
// (records it cannot show, references to records that do not exist) the text
// is still written, the differences are listed on `err` and the status is
// kExitIncomplete. kExitCannotWrite when the output cannot be written.
int RunText(const TTextOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quorvel::cli
