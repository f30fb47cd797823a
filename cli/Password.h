// Where the password of a protected base comes from. Never from the command
// line by choice: a file (--password-file), the QUORVEL_PASSWORD environment
// variable, or a prompt without echo on the controlling terminal. The old
// --password still works for the scripts that use it, with a warning.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "ExPasswd.h"

namespace quorvel::cli {

inline constexpr const char* kPasswordVariable = "QUORVEL_PASSWORD";

// What the command line says about the password.
struct TPasswordArgs {
    std::optional<std::string> File;   // --password-file FILE ("-": standard input)
    std::optional<std::string> Given;  // --password PW, kept for old scripts
};

// The entry to submit, UTF-8: the file's first line, else --password (with a
// warning on `err`), else QUORVEL_PASSWORD; absent when none is given (the
// terminal is then asked, if the base wants a password and there is one).
// kExitOk; kExitCannotOpen with the reason on `err` when the file cannot be
// read; kExitUsage when both the file and --password are given.
int ResolvePassword(const TPasswordArgs& args, std::optional<std::string>& entry, std::ostream& err);

// The tool's entry point turns the terminal prompt on; the tests that run
// the commands in-process leave it off.
void SetTerminalPromptEnabled(bool enabled);
bool TerminalPromptEnabled();

enum class TTerminalRead { Read, Cancelled, NoTerminal };

// Shows `prompt` on the controlling terminal (/dev/tty, never standard
// input) and reads one line without echo into `text`. End of input is Cancelled.
TTerminalRead ReadSecretOnTerminal(const std::string& prompt, std::string& text);
// Writes a line on the controlling terminal, when there is one.
void WriteOnTerminal(const std::string& line);

// The password entry of a base being opened, asked on the terminal: three
// tries, an empty entry accepting the base's restrictions, end of input
// cancelling. Without a terminal it submits the empty entry.
class TTerminalPasswordPrompt : public IPasswordPrompt {
public:
    explicit TTerminalPasswordPrompt(std::string baseName) : baseName_(std::move(baseName)) {}
    bool AskPassword(TPasswordCheck& check) override;

private:
    std::string baseName_;
};

}  // namespace quorvel::cli
