// quorvel-cli dump BASE.bcm [--with-password]: the base as one JSON document.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace quorvel::cli {

struct TDumpOptions {
    std::string BaseFile;
    // What is typed in the password entry (UTF-8); absent is the empty entry.
    std::optional<std::string> Password;
    // Put the stored (scrambled) password in the document, at full access only.
    bool WithPassword = false;
};

// Opens the base as the workbench does ("-": from standard input) and prints it on `out`. The access
// must be full (1) or consult and view (3); otherwise, and when the file
// cannot be opened, is not a base or is damaged, returns kExitCannotOpen with
// the reason on `err`. kExitCannotWrite when `out` fails, kExitIncomplete
// when the base holds records the document cannot show (listed on `err`).
int RunDump(const TDumpOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quorvel::cli
