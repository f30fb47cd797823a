// The command line in Portuguese: CLI11's headings, help texts and parse
// errors, the exit statuses listed under every --help, and --version.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace quorvel::cli {

// Sets up `app` (before its options and subcommands are added, which inherit
// the settings): Portuguese headings, -h/--help and --version, the footer
// with the exit statuses, parse errors in Portuguese.
void SetUpPortuguese(CLI::App& app);

// After the subcommands are added: their own -h/--help in Portuguese too.
void FinishPortuguese(CLI::App& app);

// A parse error's message in Portuguese.
std::string PortugueseParseError(const CLI::Error& error);

// The status for a parse error: kExitOk for --help and --version, else kExitUsage.
int ParseErrorStatus(const CLI::ParseError& error);

}  // namespace quorvel::cli
