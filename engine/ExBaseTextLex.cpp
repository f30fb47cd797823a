#include "ExBaseTextLex.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "ExText.h"

namespace quorvel::bct {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The five bytes Windows-1252 leaves undefined.
bool IsUndefinedByte(unsigned char c) { return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D; }

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F || IsUndefinedByte(c); }

char FoldAccent(unsigned char c) {
    if (c >= 0xC0 && c <= 0xC5) return 'A';
    if (c == 0xC7) return 'C';
    if (c >= 0xC8 && c <= 0xCB) return 'E';
    if (c >= 0xCC && c <= 0xCF) return 'I';
    if (c == 0xD1) return 'N';
    if (c >= 0xD2 && c <= 0xD6) return 'O';
    if (c >= 0xD9 && c <= 0xDC) return 'U';
    return static_cast<char>(c);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Utf8Of(char32_t cp) {
    std::string out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

std::string CodePointName(char32_t cp) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(cp));
    return hex;
}

// The byte of one escape's code point; nullopt when Windows-1252 lacks it.
std::optional<char> AnsiOf(char32_t cp) {
    const auto converted = Utf8ToCp1252(Utf8Of(cp));
    if (!converted || converted->size() != 1) return std::nullopt;
    return (*converted)[0];
}

// Reads the quoted text starting at line[pos] (the opening quote); pos ends
// past the closing quote.
bool ReadQuoted(std::string_view line, std::size_t& pos, std::size_t to, std::string& text, TLexError& error) {
    const std::size_t open = pos++;
    while (pos < to) {
        const char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c != '\\') {
            text += c;
            ++pos;
            continue;
        }
        const std::size_t escape = pos;
        if (pos + 1 >= to) break;
        const char kind = line[pos + 1];
        pos += 2;
        switch (kind) {
            case '"': text += '"'; break;
            case '\\': text += '\\'; break;
            case 't': text += '\t'; break;
            case 'n': text += '\n'; break;
            case 'r': text += '\r'; break;
            case 'u': {
                char32_t cp = 0;
                bool ok = pos + 4 <= to;
                for (int i = 0; ok && i < 4; ++i) {
                    const int digit = HexDigit(line[pos + static_cast<std::size_t>(i)]);
                    ok = digit >= 0;
                    cp = cp * 16 + static_cast<char32_t>(digit < 0 ? 0 : digit);
                }
                if (!ok) {
                    error = {escape, "\\u deve ser seguido de quatro dígitos hexadecimais"};
                    return false;
                }
                pos += 4;
                const auto byte = AnsiOf(cp);
                if (!byte) {
                    error = {escape, "o caractere " + CodePointName(cp) + " não existe em Windows-1252"};
                    return false;
                }
                text += *byte;
                break;
            }
            default:
                error = {escape, "sequência de escape inválida: \\" + Cp1252ToUtf8(std::string(1, kind)) +
                                     " (use \\\", \\\\, \\t, \\n, \\r ou \\uXXXX)"};
                return false;
        }
    }
    error = {open, "falta fechar as aspas"};
    return false;
}

struct TKeywordEntry {
    TKeyword keyword;
    const char* text;
};

const TKeywordEntry kKeywordTexts[] = {
    {TKeyword::Base, "BASE"},
    {TKeyword::Version, "VERSÃO"},
    {TKeyword::Authors, "AUTORES"},
    {TKeyword::Opening, "ABERTURA"},
    {TKeyword::ShowOpening, "MOSTRAR ABERTURA"},
    {TKeyword::HelpFile, "ARQUIVO DE AJUDA"},
    {TKeyword::AndFormula, "CNF DA CONJUNÇÃO"},
    {TKeyword::OrFormula, "CNF DA DISJUNÇÃO"},
    {TKeyword::ConclusionFormula, "CNF DA CONCLUSÃO"},
    {TKeyword::MinimumCnf, "CNF MÍNIMO"},
    {TKeyword::Precedence, "PRECEDÊNCIA"},
    {TKeyword::AllPremises, "AVALIAR TODAS AS PREMISSAS"},
    {TKeyword::UsePassword, "UTILIZAR SENHA"},
    {TKeyword::Restriction, "RESTRIÇÃO"},
    {TKeyword::Password, "SENHA"},
    {TKeyword::Variable, "VARIÁVEL"},
    {TKeyword::Value, "VALOR"},
    {TKeyword::Interval, "INTERVALO"},
    {TKeyword::Help, "AJUDA"},
    {TKeyword::Question, "PERGUNTA"},
    {TKeyword::Reason, "MOTIVO"},
    {TKeyword::NoCnf, "SEM CNF"},
    {TKeyword::Target, "OBJETIVO"},
    {TKeyword::Rule, "REGRA"},
    {TKeyword::If, "SE"},
    {TKeyword::And, "E"},
    {TKeyword::Or, "OU"},
    {TKeyword::Then, "ENTÃO"},
    {TKeyword::Formula, "FÓRMULA"},
};

}  // namespace

const char* KeywordText(TKeyword keyword) {
    for (const auto& entry : kKeywordTexts)
        if (entry.keyword == keyword) return entry.text;
    return "";
}

std::string Normalized(std::string_view word) {
    std::string out;
    out.reserve(word.size());
    for (char c : word) out += FoldAccent(AnsiUpperChar(static_cast<unsigned char>(c)));
    return out;
}

bool Tokenize(std::string_view line, std::size_t from, std::size_t to, std::vector<TToken>& tokens,
              std::size_t& end, TLexError& error) {
    tokens.clear();
    end = to;
    std::size_t pos = from;
    bool wordStart = true;
    while (true) {
        while (pos < to && IsBlank(line[pos])) {
            ++pos;
            wordStart = true;
        }
        if (pos >= to) return true;
        const char c = line[pos];
        if (wordStart && c == '#') {
            end = pos;
            return true;
        }
        TToken token;
        token.Start = pos;
        if (wordStart && c == '"') {
            token.Quoted = true;
            if (!ReadQuoted(line, pos, to, token.Text, error)) return false;
        } else {
            while (pos < to && !IsBlank(line[pos])) ++pos;
            token.Text = std::string(line.substr(token.Start, pos - token.Start));
        }
        token.End = pos;
        tokens.push_back(std::move(token));
        wordStart = false;
    }
}

std::string FieldText(std::string_view line, const std::vector<TToken>& tokens, std::size_t first,
                      std::size_t last) {
    if (first >= last) return {};
    if (last - first == 1 && tokens[first].Quoted) return tokens[first].Text;
    return std::string(line.substr(tokens[first].Start, tokens[last - 1].End - tokens[first].Start));
}

bool ReadsBackBare(std::string_view text) {
    if (text.empty() || IsBlank(text.front()) || IsBlank(text.back())) return false;
    for (char c : text)
        if (IsControl(static_cast<unsigned char>(c))) return false;
    std::vector<TToken> tokens;
    std::size_t end = 0;
    TLexError error;
    if (!Tokenize(text, 0, text.size(), tokens, end, error) || end != text.size() || tokens.empty()) return false;
    if (tokens.size() == 1 && tokens.front().Quoted) return false;
    for (const TToken& token : tokens)
        if (!token.Quoted && token.Text.front() == '@') return false;
    return FieldText(text, tokens, 0, tokens.size()) == text;
}

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default:
                if (IsControl(byte)) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(byte));
                    out += escape;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string Field(std::string_view text, bool bareAllowed) {
    return bareAllowed && ReadsBackBare(text) ? std::string(text) : Quoted(text);
}

std::string FirstWord(std::string_view text) {
    std::vector<TToken> tokens;
    std::size_t end = 0;
    TLexError error;
    Tokenize(text, 0, text.size(), tokens, end, error);
    if (tokens.empty() || tokens.front().Quoted) return {};
    return Normalized(tokens.front().Text);
}

int32_t TFormulaCodes::Default(const std::string& text) const {
    const auto it = byText_.find(text);
    return it != byText_.end() ? it->second : lowestFree_;
}

void TFormulaCodes::Declare(int32_t code, const std::string& text) {
    if (!texts_.emplace(code, text).second) return;
    byText_.emplace(text, code);
    while (texts_.count(lowestFree_)) ++lowestFree_;
}

std::optional<int64_t> CodeToken(const TToken& token) {
    const std::string& text = token.Text;
    if (token.Quoted || text.size() < 2 || text[0] != '@') return std::nullopt;
    std::size_t i = 1;
    const bool negative = text[i] == '-';
    if (negative) ++i;
    if (i >= text.size() || text.size() - i > 9) return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

std::string CodeText(int32_t code) { return "@" + std::to_string(code); }

std::optional<double> ParseNumber(std::string_view text) {
    std::string plain(text);
    for (char& c : plain)
        if (c == ',') c = '.';
    std::size_t start = 0;
    if (!plain.empty() && plain[0] == '+') start = 1;
    if (start >= plain.size()) return std::nullopt;
    double value = 0;
    const char* first = plain.data() + start;
    const char* last = plain.data() + plain.size();
    const auto result = std::from_chars(first, last, value);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value)) return std::nullopt;
    return value;
}

float PercentToCnf(double percent) { return static_cast<float>(percent / 100.0); }

std::string CnfPercentText(float cnf) {
    if (cnf == 0.0f) return "0";
    const double percent = static_cast<double>(cnf) * 100.0;
    char buffer[512];
    auto readsBack = [&](const char* end) {
        const auto value = ParseNumber(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
        return value && PercentToCnf(*value) == cnf;
    };
    if (std::fabs(percent) >= 1e-6 && std::fabs(percent) < 1e15) {
        for (int digits = 0; digits <= 17; ++digits) {
            const auto result = std::to_chars(buffer, buffer + sizeof buffer, percent, std::chars_format::fixed, digits);
            if (result.ec == std::errc() && readsBack(result.ptr)) return std::string(buffer, result.ptr);
        }
    }
    for (int digits = 0; digits <= 17; ++digits) {
        const auto result =
            std::to_chars(buffer, buffer + sizeof buffer, percent, std::chars_format::scientific, digits);
        if (result.ec == std::errc() && readsBack(result.ptr)) return std::string(buffer, result.ptr);
    }
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, percent);
    return std::string(buffer, result.ptr);
}

std::string LineToAnsi(std::string_view utf8, std::vector<TBadCharacter>& bad) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t cp = 0;
        char32_t minimum = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2, cp = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, cp = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, cp = lead & 0x07, minimum = 0x10000;
        }
        bool valid = length > 0 && i + length <= utf8.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            valid = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3F);
        }
        valid = valid && cp >= minimum && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
        if (!valid) {
            bad.push_back({out.size(), "sequência UTF-8 inválida (o arquivo deve estar em UTF-8)"});
            out += '?';
            ++i;
            continue;
        }
        const auto byte = Utf8ToCp1252(utf8.substr(i, length));
        if (byte && byte->size() == 1) {
            out += (*byte)[0];
        } else {
            bad.push_back({out.size(), "o caractere \"" + std::string(utf8.substr(i, length)) + "\" (" +
                                           CodePointName(cp) + ") não existe em Windows-1252"});
            out += '?';
        }
        i += length;
    }
    return out;
}

}  // namespace quorvel::bct
