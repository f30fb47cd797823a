#include "CmdBuild.h"

#include <filesystem>
#include <sstream>

#include "CliCommon.h"
#include "ExSystem.h"
#include "KbJson.h"

namespace quorvel::cli {

int RunBuild(const TBuildOptions& options, std::ostream&, std::ostream& err) {
    const std::string& file = options.JsonFile;
    std::string reason;
    const auto text = ReadFileText(file, reason);
    if (!text) {
        Report(err, file, reason);
        return kExitCannotOpen;
    }
    std::error_code error;
    if (std::filesystem::equivalent(file, options.Output, error)) {
        Report(err, options.Output, "o arquivo de saída não pode ser o próprio documento JSON");
        return kExitUsage;
    }

    std::vector<TKbProblem> problems;
    TCollectingSink sink;
    TExpertSystem base(&sink);
    const TJson document = ParseKbJson(*text, problems);
    if (problems.empty()) JsonToBase(document, base, problems);
    if (!problems.empty()) {
        // Gathered first: a hostile document may have hundreds of thousands of problems.
        std::ostringstream list;
        for (const auto& problem : problems) Report(list, file, problem.Text());
        Report(list, file, std::to_string(problems.size()) + " problema(s); nada foi gravado");
        err << list.str() << std::flush;
        return kExitInvalid;
    }
    for (const auto& message : sink.Texts()) Report(err, file, message);

    if (!base.Save(options.Output)) {
        Report(err, options.Output, base.LastSaveError());
        return kExitCannotWrite;
    }
    return kExitOk;
}

}  // namespace quorvel::cli
