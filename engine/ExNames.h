// The rules that names and confidences written into a base obey, whoever
// writes them: the variables editor and the rule editor as the user types,
// `quorvel-cli build` as it reads a document. Each rule lives here once so
// that every writer accepts exactly the same bases. Names are base texts
// (Windows-1252) and compare without regard to case.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

// The longest name the variables editor lets the user type.
inline constexpr std::size_t kMaxTypedNameLength = 100;

// What is wrong with a name, in the order the editors check it (a name
// repeated within its list is checked first, by the caller).
enum class TNameProblem {
    None,
    Quote,    // holds a double quote, which the rule texts use as a delimiter
    Blank,    // empty or blanks only
    Unknown,  // a value named DESCONHECIDO, the value of every undetermined variable
};

TNameProblem CheckVariableName(std::string_view name);
TNameProblem CheckValueName(std::string_view name);

// The editors' message for a problem (UTF-8); empty for None.
std::string VariableNameMessage(TNameProblem problem);
std::string ValueNameMessage(TNameProblem problem);

// "Sim" or "Não" in any letter case: the values of a yes/no variable, which
// a variable with values of its own does not need (the editor asks first).
bool IsYesNoName(std::string_view name);

// The key under which two names that differ only in letter case meet.
std::string NameKey(std::string_view name);

// ------------------------------------------------------------ confidences

// The rule editor's confidence box holds a percentage of at most three
// characters: from -99 % to 999 %, that is a fraction from -0.99 to 9.99.
// Finer steps inside that range (33.3 %) come from older files and are kept.
inline constexpr std::size_t kMaxTypedCnfLength = 3;
inline constexpr const char* kLowestTypedCnf = "-99";
inline constexpr const char* kHighestTypedCnf = "999";

// Whether a conclusion may carry this confidence (a fraction).
bool IsConclusionCnf(float cnf);

// A conclusion's confidence typed as a percentage ("90", "2.5"); empty
// means 100 %. nullopt when the text is not a number or the number lies
// outside the range above ("9e9" is three characters too).
std::optional<float> ConclusionCnfFromTyped(std::string_view typed);

}  // namespace quorvel
