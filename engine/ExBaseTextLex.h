// The words of the .bct format, shared by its writer and its reader: the
// keywords, splitting a line into words and quoted texts, quoting, codes and
// percentages. Lines are handled as Windows-1252 bytes, one byte per
// character, so a byte's index is its column.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::bct {

// Every declaration a line can start with.
enum class TKeyword {
    Base,
    Version,
    Authors,
    Opening,
    ShowOpening,
    HelpFile,
    AndFormula,
    OrFormula,
    ConclusionFormula,
    MinimumCnf,
    Precedence,
    AllPremises,
    UsePassword,
    Restriction,
    Password,
    Variable,
    Value,
    Interval,
    Help,
    Question,
    Reason,
    NoCnf,
    Target,
    Rule,
    If,
    And,
    Or,
    Then,
    Formula,
};

// How the keyword is written (UTF-8), e.g. "VARIÁVEL".
const char* KeywordText(TKeyword keyword);

// Words that have a meaning after a keyword (normalised, see Normalized).
inline constexpr std::string_view kWordNot = "NAO";
inline constexpr std::string_view kWordHidden = "OCULTO";
inline constexpr std::string_view kWordInactive = "INATIVA";
inline constexpr std::string_view kWordCnf = "CNF";
inline constexpr std::string_view kWordUnknown = "DESCONHECIDO";
inline constexpr std::string_view kWordYes = "SIM";

// A word in capitals without accents, for comparing keywords: "Variável"
// and "VARIAVEL" both give "VARIAVEL".
std::string Normalized(std::string_view word);

// One word of a line, or one quoted text. Start and End are byte indexes in
// the line (End past the last byte, closing quote included).
struct TToken {
    std::size_t Start = 0;
    std::size_t End = 0;
    bool Quoted = false;
    std::string Text;  // a quoted text without its quotes and escapes; a word as written
};

struct TLexError {
    std::size_t Position = 0;  // byte index in the line
    std::string Message;       // UTF-8
};

// Splits line[from, to) into tokens. A word starts after a blank (or at
// `from`); a word starting with # begins a comment, which ends the tokens
// (`end` is then where it starts, else `to`); a word starting with a double
// quote is a quoted text. Returns false at the first malformed quoted text.
bool Tokenize(std::string_view line, std::size_t from, std::size_t to, std::vector<TToken>& tokens,
              std::size_t& end, TLexError& error);

// The text of tokens [first, last): a single quoted text gives its content;
// anything else gives the line's bytes from the first token to the last.
std::string FieldText(std::string_view line, const std::vector<TToken>& tokens, std::size_t first,
                      std::size_t last);

// Whether a field of these tokens reads back as this very text when written
// without quotes: no blank at its ends, no control character, no word that
// starts a comment or a code, not one quoted text.
bool ReadsBackBare(std::string_view text);

// The text between double quotes, with escapes where needed.
std::string Quoted(std::string_view text);

// The text as written in a field: bare when ReadsBackBare and the field's
// place (`bareAllowed`) allow it, else quoted. Windows-1252.
std::string Field(std::string_view text, bool bareAllowed = true);

// The first word of a text, normalised; empty when it starts with a quoted text.
std::string FirstWord(std::string_view text);

// Codes of the formulas written in rules. A formula takes the code of the
// first formula already written with the same text, or else the lowest code
// not yet taken; the writer and the reader follow the same steps, so the
// writer knows when a code must be written.
class TFormulaCodes {
public:
    // The code a formula of this text gets when none is written.
    int32_t Default(const std::string& text) const;
    // The code a FÓRMULA line gets when none is written.
    int32_t LowestFree() const { return lowestFree_; }
    bool Known(int32_t code) const { return texts_.count(code) > 0; }
    const std::string& TextOf(int32_t code) const { return texts_.at(code); }
    // Every formula recorded, by code.
    const std::map<int32_t, std::string>& Texts() const { return texts_; }
    // Records a formula; a code already known keeps its first text.
    void Declare(int32_t code, const std::string& text);

private:
    std::map<std::string, int32_t> byText_;
    std::map<int32_t, std::string> texts_;
    int32_t lowestFree_ = 1;
};

// A code written as "@n" (n may be negative); nullopt when the token is not one.
std::optional<int64_t> CodeToken(const TToken& token);
std::string CodeText(int32_t code);

// A percentage: "80", "33.333334", "-25", "1e-28"; "," is read as ".".
std::optional<double> ParseNumber(std::string_view text);
// The confidence a percentage stands for, in single precision.
float PercentToCnf(double percent);
// The shortest percentage that reads back as exactly this confidence.
std::string CnfPercentText(float cnf);

// Converts a UTF-8 line to Windows-1252. A character that Windows-1252
// cannot hold, or a malformed sequence, becomes '?' and its byte index is
// kept in `bad` (with its description for a message).
struct TBadCharacter {
    std::size_t Position = 0;
    std::string Message;
};
std::string LineToAnsi(std::string_view utf8, std::vector<TBadCharacter>& bad);

}  // namespace quorvel::bct
