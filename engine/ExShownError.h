// What the user is told when a consultation ends by an error. A formula
// error names the formula ("Divisão por zero. Função: X/(X-5)"); a base
// that may only be executed (access level 2) does not show its formulas,
// so there the message stops before the formula.
#pragma once

#include <exception>
#include <string>

#include "ExSystem.h"

namespace quorvel {

// The error's message (UTF-8) as the user of this engine may read it.
std::string ShownErrorText(const TExpertSystem& engine, const std::exception& error);

}  // namespace quorvel
