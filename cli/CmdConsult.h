// quorvel-cli consult BASE.bcm [--answers FILE] [--json] [--tree] [--stats]
// A consultation in the terminal, or scripted from an answers file.
#pragma once

#include <istream>
#include <map>
#include <optional>
#include <ostream>
#include <string>

namespace quorvel::cli {

struct TConsultOptions {
    std::string BaseFile;                    // "-": standard input (with an answers file only)
    std::optional<std::string> AnswersFile;  // "-": standard input
    std::optional<std::string> Password;  // UTF-8; absent is the empty entry
    bool Json = false;
    bool Tree = false;   // --tree: print the reasoning tree at the end
    bool Stats = false;  // --stats: what the consultation cost, on stderr
};

// One line of an answers file: what the user answers for a variable.
struct TScriptedAnswer {
    std::string Text;  // Windows-1252, trimmed
    int Line = 0;
};

// Reads an answers file ("name = answer" per line; blank lines and lines
// starting with "#" ignored), keyed by the upper-cased variable name
// (Windows-1252). nullopt with the reason when the file is not valid.
std::optional<std::map<std::string, TScriptedAnswer>> ParseAnswers(const std::string& text, std::string& reason);

// kExitOk when the consultation ran to its end, kExitCannotOpen, kExitEngineError,
// kExitAnswersProblem; kExitUsage when standard input would be read twice.
int RunConsult(const TConsultOptions& options, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace quorvel::cli
