// Checking a knowledge base before any consultation: formulas parsed without
// being evaluated, variables and values nothing uses, premises that can never
// hold, duplicated or self-contradicting rules, targets that will be asked,
// odd confidences, numeric questions without a usable range and circular
// dependencies. Each finding has a stable code, a severity and a message in
// Portuguese naming the rule, variable or formula concerned. Errors are what
// would break or mislead a consultation; the rest are warnings.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ExSystem.h"

namespace quorvel {

enum class TLintSeverity { Error, Warning };

// What a finding is about, so a window can open the editor concerned.
enum class TLintSubject { Rule, Variable, Target, Question, Formula, Settings };

// The stable codes of the checks.
namespace lint_code {
inline constexpr const char* FormulaSyntax = "QL001";         // a formula does not parse
inline constexpr const char* UndeclaredVariable = "QL002";    // a formula names an undeclared variable
inline constexpr const char* FormulaMissing = "QL003";        // a premise or conclusion names no formula
inline constexpr const char* UnusedVariable = "QL004";        // used by no rule and not a target
inline constexpr const char* UnusedValue = "QL005";           // neither concluded, tested nor answerable
inline constexpr const char* PremiseNeverHolds = "QL006";     // its value can never be taken
inline constexpr const char* DuplicateRule = "QL007";         // same premises and conclusions as another rule
inline constexpr const char* RepeatedPremise = "QL008";       // a premise repeated in its rule
inline constexpr const char* ContradictoryPremises = "QL009"; // X = a E X <> a
inline constexpr const char* TargetAsked = "QL010";           // no rule concludes a target
inline constexpr const char* ConclusionCnf = "QL011";         // a conclusion's confidence is 0 or above 100 %
inline constexpr const char* NumericRange = "QL012";          // a numeric question without a usable range
inline constexpr const char* CircularDependency = "QL013";    // as the dependency analysis finds
}  // namespace lint_code

struct TLintFinding {
    std::string Code;
    TLintSeverity Severity = TLintSeverity::Warning;
    TLintSubject Subject = TLintSubject::Rule;
    int32_t RuleCode = 0;     // the rule concerned, 0 for none
    int32_t VarCode = 0;      // the variable concerned, 0 for none
    int32_t ValueCode = 0;    // the value concerned, 0 for none
    int Premise = 0;          // the premise of the rule concerned (from 1), 0 for none
    int Conclusion = 0;       // the conclusion of the rule concerned (from 1), 0 for none
    int Setting = 0;          // the confidence formula concerned: 1 E, 2 OU, 3 conclusion; 0 for none
    std::string Message;      // Windows-1252
    std::optional<int> Line;  // the line of a text source, when the base came from one
};

// The line of a text source where the subject of a finding stands; nullopt
// when it is not known.
using TLintLineLookup = std::function<std::optional<int>(const TLintFinding&)>;

// Checks the whole base; the engine's containers and cursors are left as they
// were. Findings come grouped by check, in the order of the codes.
std::vector<TLintFinding> LintBase(TExpertSystem& engine, const TLintLineLookup& lines = nullptr);

// Whether the formula text can be read: nullopt when it parses, else the
// message the consultation would show. Names are looked up among the base's
// variables; nothing is evaluated that could ask or derive anything.
std::optional<std::string> CheckFormula(TExpertSystem& engine, const std::string& text, bool& undeclared);

struct TBaseTextSourceMap;  // ExBaseText.h

// The lines of the .bct source the base was read from, for LintBase.
TLintLineLookup SourceLines(TExpertSystem& engine, const TBaseTextSourceMap& map);

bool HasLintErrors(const std::vector<TLintFinding>& findings);

}  // namespace quorvel
