#include "ExShownError.h"

#include "ExExceptions.h"
#include "ExFormula.h"
#include "ExText.h"

namespace quorvel {

std::string ShownErrorText(const TExpertSystem& engine, const std::exception& error) {
    std::string text = error.what();
    const bool namesFormula = dynamic_cast<const EExpSyntaxError*>(&error) != nullptr ||
                              dynamic_cast<const EExpArithmeticError*>(&error) != nullptr;
    if (!namesFormula || engine.RulesMayBeShown()) return text;
    const std::string tail = Cp1252ToUtf8(formula_error::Tail);
    if (const auto at = text.find(tail); at != std::string::npos) text.erase(at);
    return text;
}

}  // namespace quorvel
