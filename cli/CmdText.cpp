#include "CmdText.h"

#include "CliCommon.h"
#include "ExBaseText.h"
#include "ExReport.h"
#include "ExSystem.h"
#include "OpenBase.h"

namespace quorvel::cli {

namespace {

// Why the text would not give back the base, if it would not.
std::vector<std::string> Differences(TExpertSystem& base, const std::string& text) {
    TCollectingSink sink;
    TExpertSystem rebuilt(&sink);
    std::vector<TBaseTextError> errors;
    TBaseTextReadOptions options;
    options.Password = UnscrambleText(base.PasswordBlock.Password);
    std::vector<std::string> differences;
    if (!ReadBaseText(text, rebuilt, errors, nullptr, options)) {
        for (const auto& error : errors)
            differences.push_back("o texto não compila: linha " + std::to_string(error.Line) + ", coluna " +
                                  std::to_string(error.Column) + ": " + error.Message);
        return differences;
    }
    std::vector<uint8_t> original;
    std::vector<uint8_t> again;
    if (base.SaveBytes(original) && rebuilt.SaveBytes(again) && original != again)
        differences.push_back("o texto não dá de volta exatamente a mesma base");
    return differences;
}

}  // namespace

int RunText(const TTextOptions& options, std::ostream& out, std::ostream& err) {
    const std::string& file = options.BaseFile;
    TCollectingSink sink;
    TExpertSystem base(&sink);
    if (!OpenBaseToView(base, file, options.Password, sink.Texts(), err)) return kExitCannotOpen;
    if (options.IncludePassword && base.AccessLevel != kAccessFull) {
        Report(err, file, "a senha só pode ser escrita no texto com acesso total; informe-a com --password-file ou QUORVEL_PASSWORD");
        return kExitCannotOpen;
    }

    std::vector<std::string> omitted;
    const std::string text = WriteBaseText(base, {options.IncludePassword}, omitted);
    if (options.Output.empty() || IsStandardStream(options.Output)) {
        out << text;
        out.flush();
        if (!out) {
            Report(err, file, "não foi possível escrever o texto na saída padrão");
            return kExitCannotWrite;
        }
    } else {
        std::string error;
        if (!WriteTextFile(options.Output, BaseTextLines(text), error)) {
            Report(err, options.Output, error);
            return kExitCannotWrite;
        }
    }
    for (const auto& what : omitted) Report(err, file, "aviso: " + what + " não aparece(m) no texto");
    const auto differences = omitted.empty() ? Differences(base, text) : std::vector<std::string>();
    for (const auto& difference : differences) Report(err, file, "aviso: " + difference);
    return omitted.empty() && differences.empty() ? kExitOk : kExitIncomplete;
}

}  // namespace quorvel::cli
