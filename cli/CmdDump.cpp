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
    if (!OpenBaseToView(base, file, options.Password, sink.Texts(), err)) return kExitCannotOpen;

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
