// quorvel-cli report BASE.bcm [-o FILE] [--password PW]: the report of the
// base, as the workbench prints and exports it.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "ExReport.h"

namespace quorvel::cli {

struct TReportOptions {
    // The base's file; "-": standard input.
    std::string BaseFile;
    // The text file to write; empty or "-": standard output.
    std::string Output;
    // What is typed in the password entry (UTF-8); absent is the empty entry.
    std::optional<std::string> Password;
};

// Opens the base as the workbench does and writes the report. The access
// must allow the rules to be seen (not 2); otherwise, and when the base
// cannot be opened, returns kExitCannotOpen with the reason on `err`.
// kExitCannotWrite when the output cannot be written (an older file of that
// name is then left as it was).
int RunReport(const TReportOptions& options, std::ostream& out, std::ostream& err);

// The same for either report (the codes command shares it).
int RunReportKind(TReportKind kind, const TReportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quorvel::cli
