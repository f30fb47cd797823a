// Opening a base as the workbench does, for the commands of the tool.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "ExSystem.h"

namespace quorvel::cli {

// Loads the base into `engine` from the file, or from standard input for
// "-". The password entry is `password` (UTF-8); when absent the terminal is
// asked if the tool turned that on (Password.h), else it is the empty entry. `messages` is where the engine's sink collects
// its texts: they are reported on `err` with the file name, as is the reason
// of a failure. False when the base could not be opened.
bool OpenBase(TExpertSystem& engine, const std::string& file, const std::optional<std::string>& password,
              const std::vector<std::string>& messages, std::ostream& err);

// OpenBase, for bytes already read from `file` (standard input, say).
bool OpenBaseBytes(TExpertSystem& engine, const std::string& file, const std::string& bytes,
                   const std::optional<std::string>& password, const std::vector<std::string>& messages,
                   std::ostream& err);

// Reports that the access granted lets the user only execute the base, so
// `what` (the command's work, "a verificação" say) needs the password.
void ReportExecuteOnly(std::ostream& err, const std::string& file, const TExpertSystem& engine,
                       std::string_view what);

// OpenBase, for a command that shows the base's contents: the access granted
// must let the user see them, else the refusal is reported on `err`.
bool OpenBaseToView(TExpertSystem& engine, const std::string& file, const std::optional<std::string>& password,
                    const std::vector<std::string>& messages, std::ostream& err);

}  // namespace quorvel::cli
