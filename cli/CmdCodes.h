// quorvel-cli codes BASE.bcm [-o FILE] [--password PW]: the listing of the
// base's internal codes (variables, values and rules by each of their keys),
// for programmers of front ends.
#pragma once

#include <ostream>

#include "CmdReport.h"

namespace quorvel::cli {

// Options, access rules and exit statuses as for the report.
int RunCodes(const TReportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quorvel::cli
