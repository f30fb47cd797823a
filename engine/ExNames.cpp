#include "ExNames.h"

#include "ExEditing.h"
#include "ExText.h"

namespace quorvel {

namespace {

bool IsBlank(std::string_view name) { return name.find_first_not_of(" \t") == std::string_view::npos; }

bool HasQuote(std::string_view name) { return name.find('"') != std::string_view::npos; }

}  // namespace

TNameProblem CheckVariableName(std::string_view name) {
    if (HasQuote(name)) return TNameProblem::Quote;
    if (IsBlank(name)) return TNameProblem::Blank;
    return TNameProblem::None;
}

TNameProblem CheckValueName(std::string_view name) {
    if (HasQuote(name)) return TNameProblem::Quote;
    if (IsBlank(name)) return TNameProblem::Blank;
    if (AnsiSameText(name, kTextUnknown)) return TNameProblem::Unknown;
    return TNameProblem::None;
}

std::string VariableNameMessage(TNameProblem problem) {
    switch (problem) {
        case TNameProblem::Quote:
            return msg::QuoteInVariableName;
        case TNameProblem::Blank:
            return msg::BlankVariableName;
        case TNameProblem::Unknown:
        case TNameProblem::None:
            break;
    }
    return {};
}

std::string ValueNameMessage(TNameProblem problem) {
    switch (problem) {
        case TNameProblem::Quote:
            return msg::QuoteInValueName;
        case TNameProblem::Blank:
            return msg::BlankValueName;
        case TNameProblem::Unknown:
            return msg::UnknownAsValueName;
        case TNameProblem::None:
            break;
    }
    return {};
}

bool IsYesNoName(std::string_view name) { return AnsiSameText(name, kTextYes) || AnsiSameText(name, kTextNo); }

std::string NameKey(std::string_view name) { return AnsiUpperCase(name); }

namespace {

// The fraction a percentage text gives, as the box converts it.
std::optional<float> PercentText(std::string_view typed) {
    const std::optional<long double> number = TextToNumber(typed);
    if (!number) return std::nullopt;
    return static_cast<float>(*number * 0.01L);
}

}  // namespace

bool IsConclusionCnf(float cnf) {
    static const float lowest = *PercentText(kLowestTypedCnf);
    static const float highest = *PercentText(kHighestTypedCnf);
    return cnf >= lowest && cnf <= highest;
}

std::optional<float> ConclusionCnfFromTyped(std::string_view typed) {
    if (typed.find_first_not_of(' ') == std::string_view::npos) return 1.0f;
    const std::optional<float> cnf = PercentText(typed);
    if (!cnf || !IsConclusionCnf(*cnf)) return std::nullopt;
    return cnf;
}

}  // namespace quorvel
