#include "CmdDump.h"

#include "CliCommon.h"
#include "ExConsts.h"
#include "ExSystem.h"
#include "ExText.h"
#include "KbJson.h"

namespace quorvel::cli {

int RunDump(const TDumpOptions& options, std::ostream& out, std::ostream& err) {
    const std::string& file = options.BaseFile;
    std::string entry;
    if (options.Password) {
        auto converted = Utf8ToCp1252(*options.Password);
        if (!converted) {
            Report(err, file, "a senha tem caracteres que não existem em Windows-1252");
            return kExitCannotOpen;
        }
        entry = *converted;
    }

    TCollectingSink sink;
    TExpertSystem base(&sink);
    TFixedPasswordPrompt prompt(entry);
    base.SetPasswordPrompt(&prompt);
    const bool loaded = base.Load(file);
    // The engine's own messages: the wrong password, the refusal, the damaged file...
    for (const auto& text : sink.Texts()) Report(err, file, text);

    if (!loaded) {
        switch (base.LastLoadStatus()) {
            case TLoadStatus::CannotOpen: {
                std::string reason;
                ReadFileText(file, reason);
                Report(err, file, reason.empty() ? "não foi possível abrir o arquivo" : reason);
                break;
            }
            case TLoadStatus::NotABase:
                Report(err, file, msg::NotABaseFile);
                break;
            case TLoadStatus::Refused:
                Report(err, file, "acesso recusado");
                break;
            case TLoadStatus::NewerVersion:
            case TLoadStatus::Damaged:
            case TLoadStatus::Ok:
                if (sink.Texts().empty()) Report(err, file, "não foi possível ler a base");
                break;
        }
        return kExitCannotOpen;
    }
    if (base.AccessLevel != kAccessFull && base.AccessLevel != kAccessConsultAndView) {
        Report(err, file,
               "o acesso concedido (" + std::to_string(base.AccessLevel) +
                   ") permite somente a execução da base; ver seu conteúdo exige a senha");
        return kExitCannotOpen;
    }

    std::vector<std::string> omitted;
    out << JsonText(BaseToJson(base, omitted));
    out.flush();
    if (!out) {
        Report(err, file, "não foi possível escrever o documento na saída padrão");
        return kExitCannotWrite;
    }
    for (const auto& what : omitted) Report(err, file, "aviso: " + what + " não aparece(m) no documento");
    return omitted.empty() ? kExitOk : kExitIncomplete;
}

}  // namespace quorvel::cli
