#include "CmdReport.h"

#include <filesystem>

#include "CliCommon.h"
#include "ExSystem.h"
#include "OpenBase.h"

namespace quorvel::cli {

int RunReportKind(TReportKind kind, const TReportOptions& options, std::ostream& out, std::ostream& err) {
    const std::string& file = options.BaseFile;
    TCollectingSink sink;
    TExpertSystem base(&sink);
    if (!OpenBase(base, file, options.Password, sink.Texts(), err)) return kExitCannotOpen;

    // The report names the base's file by its full path, as the workbench does.
    std::error_code ignored;
    const std::string currentFile =
        IsStandardStream(file) ? std::string() : std::filesystem::absolute(file, ignored).lexically_normal().string();
    const std::size_t before = sink.Texts().size();
    TReportLines lines;
    const TReportStatus status = WriteReport(kind, base, currentFile, lines);
    for (std::size_t i = before; i < sink.Texts().size(); ++i) Report(err, file, sink.Texts()[i]);
    if (status == TReportStatus::NotAllowed) {
        ReportExecuteOnly(err, file, base, kind == TReportKind::Base ? "o relatório" : "a lista de códigos");
        return kExitCannotOpen;
    }

    if (!options.Output.empty() && !IsStandardStream(options.Output)) {
        std::string error;
        if (!WriteTextFile(options.Output, lines.Lines, error)) {
            Report(err, options.Output, error);
            return kExitCannotWrite;
        }
        return kExitOk;
    }
    for (const std::string& line : lines.Lines) out << line << '\n';
    out.flush();
    if (!out) {
        Report(err, file, "não foi possível escrever na saída padrão");
        return kExitCannotWrite;
    }
    return kExitOk;
}

int RunReport(const TReportOptions& options, std::ostream& out, std::ostream& err) {
    return RunReportKind(TReportKind::Base, options, out, err);
}

}  // namespace quorvel::cli
