// A knowledge base as readable text: the .bct source format.
//
// A .bct file is UTF-8 text, one declaration per line, whose rules read like
// the base's report:
//
//     BASE Cuidados com plantas
//     VERSÃO 1.1
//     VARIÁVEL Terra
//       VALOR encharcada
//       VALOR seca
//       PERGUNTA Como está a terra do vaso?
//     VARIÁVEL MULTIVALORADA Problema
//       VALOR excesso de rega
//     OBJETIVO Problema
//     REGRA Excesso de rega
//       SE Terra = encharcada
//       ENTÃO Problema = excesso de rega CNF 90%
//
// Keywords are written in capitals but read in any letter case, with or
// without accents. Texts are written bare, or between double quotes when
// they need it (blanks at their ends, a word that would read as something
// else, control characters); inside quotes \" \\ \t \n \r and \uXXXX are
// escapes. A word starting with # begins a comment. Codes that the order of
// declaration would not give are written as a final word @n (see the
// manual for the complete grammar).
//
// WriteBaseText gives the canonical text of a base; ReadBaseText compiles a
// text into a base. For every base that a .bcm file can validly hold, reading
// the written text gives back a base that saves to the same bytes, and
// writing it again gives the same text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ExSystem.h"

namespace quorvel {

// The extension of knowledge-base texts, with its dot.
inline constexpr std::string_view kBaseTextExtension = ".bct";
// Whether a file name ends in ".bct", in any letter case.
bool IsBaseTextFileName(std::string_view fileName);

struct TBaseTextWriteOptions {
    // The password is written (as plain text) only when asked for: a text
    // kept under version control must not carry it by default.
    bool IncludePassword = false;
};

// The canonical text of the base (UTF-8, lines ended by "\n"). `omitted`
// receives a description (Portuguese, UTF-8) of every record the text cannot
// show: premises and conclusions whose rule does not exist.
std::string WriteBaseText(TExpertSystem& base, const TBaseTextWriteOptions& options,
                          std::vector<std::string>& omitted);
std::string WriteBaseText(TExpertSystem& base, const TBaseTextWriteOptions& options = {});

// The lines of a text as WriteBaseText makes it, without their ends (for
// writing it with the platform's line ends).
std::vector<std::string> BaseTextLines(const std::string& text);

// One error of a text: 1-based line and column (columns count characters),
// and the message in Portuguese (UTF-8).
struct TBaseTextError {
    int Line = 0;
    int Column = 0;
    std::string Message;
    friend bool operator==(const TBaseTextError&, const TBaseTextError&) = default;
};

// "file:line:column: message", the form editors and terminals recognise.
std::string FormatBaseTextError(std::string_view fileName, const TBaseTextError& error);

// Where each record of a base was declared in its text, for tools that name
// lines of a .bct source (for instance when checking a base). Lines are
// 1-based; records that come from no line (there is none) are absent.
struct TBaseTextSourceMap {
    struct TRuleLines {
        int32_t Code = 0;
        int Line = 0;                    // the REGRA line
        std::vector<int> Premises;       // one line per premise, in order
        std::vector<int> Conclusions;    // one line per conclusion, in order
    };
    // Rules by number: Rules[n - 1] is rule n (its Order).
    std::vector<TRuleLines> Rules;
    std::map<int32_t, int32_t> RuleNumbers;  // rule code -> rule number
    std::map<int32_t, int> Variables;     // variable code -> VARIÁVEL line
    std::map<int32_t, int> Values;        // value code -> VALOR or INTERVALO line
    std::map<int32_t, int> Questions;     // variable code -> PERGUNTA line
    std::map<int32_t, int> HelpContexts;  // value code -> AJUDA line
    // Formula code -> the first line that writes it: a premise, a
    // conclusion or a FÓRMULA line.
    std::map<int32_t, int> Formulas;
    std::vector<int> Targets;             // one line per target, in order
    int AndFormula = 0;                   // the CNF DA CONJUNÇÃO line
    int OrFormula = 0;                    // the CNF DA DISJUNÇÃO line
    int ConclusionFormula = 0;            // the CNF DA CONCLUSÃO line

    // The REGRA line of the rule with this code; 0 when there is none.
    int RuleLineByCode(int32_t code) const;
    // The rule with this code; null when there is none.
    const TRuleLines* RuleByCode(int32_t code) const;
};

struct TBaseTextReadOptions {
    // The password of a protected base whose text does not carry it
    // (Windows-1252); a SENHA line of the text takes precedence.
    std::optional<std::string> Password;
    // Reading stops after this many errors.
    std::size_t MaxErrors = 50;
};

// Compiles the text into the base. With no error the base's content is
// replaced (access level 1, the base counts as new) and true is returned;
// with errors the base is left untouched, `errors` holds every error found
// (sorted by line and column, at most MaxErrors plus a last note when the
// reading stopped early) and false is returned. `map`, when given, receives
// the lines of the records on success.
bool ReadBaseText(std::string_view text, TExpertSystem& base, std::vector<TBaseTextError>& errors,
                  TBaseTextSourceMap* map = nullptr, const TBaseTextReadOptions& options = {});

}  // namespace quorvel
