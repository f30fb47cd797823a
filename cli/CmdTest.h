// quorvel-cli test BASE.bcm CASES... [--password PW] [--junit FILE] [--json]:
// runs the test cases of the case files (see CaseFile.h) against the base,
// one consultation per case, and prints one line per case ("ok" or "FALHOU"
// with what differed, expected against obtained), a summary and the rule
// coverage over all the cases: rules fired, evaluated but never fired, never
// evaluated. --junit also writes the results as JUnit XML; --json prints the
// same facts as a JSON document instead of the text.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quorvel::cli {

struct TTestOptions {
    std::string BaseFile;
    std::vector<std::string> CaseFiles;
    std::optional<std::string> Password;  // UTF-8; absent is the empty entry
    std::optional<std::string> JUnitFile;
    bool Json = false;
};

// kExitOk when every case passed, kExitCheckFailed when one failed;
// kExitCannotOpen, kExitInvalid (a case file that cannot be read as cases)
// or kExitCannotWrite otherwise.
int RunTest(const TTestOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quorvel::cli
