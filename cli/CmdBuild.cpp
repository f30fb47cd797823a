#include "CmdBuild.h"

#include <filesystem>

#include "CliCommon.h"
#include "ExSystem.h"
#include "KbJson.h"
#include "Password.h"

namespace quorvel::cli {

namespace {

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
    Report(err, options.JsonFile, "a senha tem caracteres que não existem em Windows-1252");
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

int RunBuild(const TBuildOptions& options, std::ostream& out, std::ostream& err) {
    const std::string& file = options.JsonFile;
    std::string reason;
    const auto text = ReadFileText(file, reason);
    if (!text) {
        Report(err, file, reason);
        return kExitCannotOpen;
    }
    std::error_code error;
    if (!IsStandardStream(file) && !IsStandardStream(options.Output) &&
        std::filesystem::equivalent(file, options.Output, error)) {
        Report(err, options.Output, "o arquivo de saída não pode ser o próprio documento JSON");
        return kExitUsage;
    }

    std::vector<TKbProblem> problems;
    TCollectingSink sink;
    TExpertSystem base(&sink);
    TJson document = ParseKbJson(*text, problems);
    if (problems.empty() && LacksPassword(document) && !SupplyMissingPassword(document, options, err))
        return kExitInvalid;
    if (problems.empty()) JsonToBase(document, base, problems);
    if (!problems.empty()) {
        for (const auto& problem : problems) Report(err, file, problem.Text());
        Report(err, file, std::to_string(problems.size()) + " problema(s); nada foi gravado");
        return kExitInvalid;
    }
    for (const auto& message : sink.Texts()) Report(err, file, message);
    return WriteBase(base, options.Output, out, err) ? kExitOk : kExitCannotWrite;
}

}  // namespace quorvel::cli
