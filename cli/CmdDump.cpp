#include "CmdDump.h"

#include "CliCommon.h"
#include "ExSystem.h"
#include "KbJson.h"
#include "OpenBase.h"

namespace quorvel::cli {

int RunDump(const TDumpOptions& options, std::ostream& out, std::ostream& err) {
    const std::string& file = options.BaseFile;
    TCollectingSink sink;
    TExpertSystem base(&sink);
    if (!OpenBase(base, file, options.Password, sink.Texts(), err)) return kExitCannotOpen;
    if (base.AccessLevel != kAccessFull && base.AccessLevel != kAccessConsultAndView) {
        Report(err, file,
               "o acesso concedido (" + std::to_string(base.AccessLevel) +
                   ") permite somente a execução da base; ver seu conteúdo exige a senha");
        return kExitCannotOpen;
    }

    std::vector<std::string> omitted;
    out << JsonText(BaseToJson(base, omitted, options.WithPassword));
    out.flush();
    if (!out) {
        Report(err, file, "não foi possível escrever o documento na saída padrão");
        return kExitCannotWrite;
    }
    for (const auto& what : omitted) Report(err, file, "aviso: " + what + " não aparece(m) no documento");
    return omitted.empty() ? kExitOk : kExitIncomplete;
}

}  // namespace quorvel::cli
