#include "CmdBuild.h"

#include <filesystem>
#include <sstream>

#include "CliCommon.h"
#include "ExBaseText.h"
#include "ExSystem.h"
#include "ExText.h"
#include "KbJson.h"

namespace quorvel::cli {

namespace {

// Compiles a .bct text; the errors as "file:line:column: message".
bool CompileText(const TBuildOptions& options, const std::string& text, TExpertSystem& base, std::ostream& err,
                 int& status) {
    const std::string& file = options.SourceFile;
    TBaseTextReadOptions readOptions;
    if (options.Password) {
        readOptions.Password = Utf8ToCp1252(*options.Password);
        if (!readOptions.Password) {
            Report(err, file, "a senha tem caracteres que não existem em Windows-1252");
            status = kExitUsage;
            return false;
        }
    }
    std::vector<TBaseTextError> errors;
    if (ReadBaseText(text, base, errors, nullptr, readOptions)) return true;
    for (const auto& error : errors) err << FormatBaseTextError(file, error) << '\n';
    Report(err, file, std::to_string(errors.size()) + " erro(s); nada foi gravado");
    status = kExitInvalid;
    return false;
}

bool CompileJson(const TBuildOptions& options, const std::string& text, TExpertSystem& base, std::ostream& err,
                 int& status) {
    const std::string& file = options.SourceFile;
    if (options.Password) {
        Report(err, file, "--password só vale para textos .bct; no JSON a senha fica em \"protection\"");
        status = kExitUsage;
        return false;
    }
    std::vector<TKbProblem> problems;
    const TJson document = ParseKbJson(text, problems);
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

}  // namespace

int RunBuild(const TBuildOptions& options, std::ostream&, std::ostream& err) {
    const std::string& file = options.SourceFile;
    const bool isText = IsBaseTextFileName(file);
    std::string reason;
    const auto text = ReadFileText(file, reason);
    if (!text) {
        Report(err, file, reason);
        return kExitCannotOpen;
    }
    std::error_code error;
    if (std::filesystem::equivalent(file, options.Output, error)) {
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

    if (!base.Save(options.Output)) {
        Report(err, options.Output, base.LastSaveError());
        return kExitCannotWrite;
    }
    return kExitOk;
}

}  // namespace quorvel::cli
