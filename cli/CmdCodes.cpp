#include "CmdCodes.h"

namespace quorvel::cli {

int RunCodes(const TReportOptions& options, std::ostream& out, std::ostream& err) {
    return RunReportKind(TReportKind::Codes, options, out, err);
}

}  // namespace quorvel::cli
