#include "CmdBuild.h"

#include <filesystem>
#include <sstream>

#include "CliCommon.h"
#include "ExBaseText.h"
#include "ExSystem.h"
#include "ExText.h"
#include "KbJson.h"
#include "Password.h"

namespace quorvel::cli {

bool CompileBaseText(const std::string& file, const std::optional<std::string>& password, const std::string& text,
                     TExpertSystem& base, std::ostream& err, int& status, TBaseTextSourceMap* map,
                     const std::string& consequence) {
    TBaseTextReadOptions readOptions;
    if (password) {
        readOptions.Password = Utf8ToCp1252(*password);
        if (!readOptions.Password) {
            Report(err, file, "a senha tem caracteres que não existem em Windows-1252");
            status = kExitUsage;
            return false;
        }
    }
    std::vector<TBaseTextError> errors;
    if (ReadBaseText(text, base, errors, map, readOptions)) return true;
    for (const auto& error : errors) err << FormatBaseTextError(file, error) << '\n';
    Report(err, file, std::to_string(errors.size()) + " erro(s)" + consequence);
    status = kExitInvalid;
    return false;
}

namespace {

bool CompileText(const TBuildOptions& options, const std::string& text, TExpertSystem& base, std::ostream& err,
                 int& status) {
    return CompileBaseText(options.SourceFile, options.Password, text, base, err, status);
}


// The password for a document dumped without it: the one given, else the
// terminal's answer. False (after saying why) when it cannot be used.
bool SupplyMissingPassword(TJson& document, const TBuildOptions& options, std::ostream& err) {
    std::optional<std::string> password = options.Password;
    if (!password && TerminalPromptEnabled()) {
        std::string typed;
        if (ReadSecretOnTerminal("Senha da base " + OutputName(options.Output) + ": ", typed) == TTerminalRead::Read)
            password = typed;
    }
    if (!password) return true;  // the document's check tells what is missing
    if (SupplyPassword(document, *password)) return true;
    Report(err, options.SourceFile, "a senha tem caracteres que não existem em Windows-1252");
    return false;
}

// A JSON document; a password given is used only by a document that says its
// base has one but leaves it out (a dump made without --with-password).
bool CompileJson(const TBuildOptions& options, const std::string& text, TExpertSystem& base, std::ostream& err,
                 int& status) {
    const std::string& file = options.SourceFile;
    std::vector<TKbProblem> problems;
    TJson document = ParseKbJson(text, problems);
    if (problems.empty() && LacksPassword(document) && !SupplyMissingPassword(document, options, err)) {
        status = kExitInvalid;
        return false;
    }
    if (problems.empty()) JsonToBase(document, base, problems);
    if (problems.empty()) return true;
    // Gathered first: a hostile document may have hundreds of thousands of problems.
    std::ostringstream list;
    for (const auto& problem : problems) Report(list, file, problem.Text());
    Report(list, file, std::to_string(problems.size()) + " problema(s); nada foi gravado");
    err << list.str() << std::flush;
    status = kExitInvalid;
    return false;
}

bool WriteBase(TExpertSystem& base, const std::string& output, std::ostream& out, std::ostream& err) {
    if (!IsStandardStream(output)) {
        if (base.Save(output)) return true;
        Report(err, output, base.LastSaveError());
        return false;
    }
    std::vector<uint8_t> bytes;
    if (base.SaveBytes(bytes)) {
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (out) return true;
    }
    Report(err, output, base.LastSaveError().empty() ? "não foi possível escrever na saída padrão" : base.LastSaveError());
    return false;
}

}  // namespace

namespace {

// A file tells its format by its name; standard input has none, and is a
// JSON document when it starts with "{" (after blanks or a byte-order mark),
// the text of a base otherwise.
bool IsBaseTextSource(const std::string& file, const std::string& content) {
    if (!IsStandardStream(file)) return IsBaseTextFileName(file);
    std::string_view body(content);
    if (body.starts_with("\xEF\xBB\xBF")) body.remove_prefix(3);
    const auto first = body.find_first_not_of(" \t\r\n");
    return first == std::string_view::npos || body[first] != '{';
}

}  // namespace

int RunBuild(const TBuildOptions& options, std::ostream& out, std::ostream& err) {
    const std::string& file = options.SourceFile;
    std::string reason;
    const auto text = ReadFileText(file, reason);
    if (!text) {
        Report(err, file, reason);
        return kExitCannotOpen;
    }
    const bool isText = IsBaseTextSource(file, *text);
    std::error_code error;
    if (!IsStandardStream(file) && !IsStandardStream(options.Output) &&
        std::filesystem::equivalent(file, options.Output, error)) {
        Report(err, options.Output,
               isText ? "o arquivo de saída não pode ser o próprio texto da base"
                      : "o arquivo de saída não pode ser o próprio documento JSON");
        return kExitUsage;
    }

    TCollectingSink sink;
    TExpertSystem base(&sink);
    int status = kExitOk;
    if (!(isText ? CompileText(options, *text, base, err, status) : CompileJson(options, *text, base, err, status)))
        return status;
    for (const auto& message : sink.Texts()) Report(err, file, message);
    return WriteBase(base, options.Output, out, err) ? kExitOk : kExitCannotWrite;
}

}  // namespace quorvel::cli
