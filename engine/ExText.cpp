#include "ExText.h"

#include <array>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace quorvel {

namespace {

// Code points of bytes 0x80..0x9F; the undefined ones keep their own number.
constexpr std::array<char32_t, 32> kHighTable = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t ByteToCodePoint(unsigned char c) {
    if (c >= 0x80 && c <= 0x9F) return kHighTable[c - 0x80];
    return c;
}

std::optional<unsigned char> CodePointToByte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
    for (std::size_t i = 0; i < kHighTable.size(); ++i)
        if (kHighTable[i] == cp) return static_cast<unsigned char>(0x80 + i);
    return std::nullopt;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

unsigned char AnsiUpperChar(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
    switch (c) {
        case 0x9A: return 0x8A;  // š
        case 0x9C: return 0x8C;  // œ
        case 0x9E: return 0x8E;  // ž
        case 0xFF: return 0x9F;  // ÿ
        default: return c;
    }
}

std::string AnsiUpperCase(std::string_view text) {
    std::string out(text);
    for (char& ch : out) ch = static_cast<char>(AnsiUpperChar(static_cast<unsigned char>(ch)));
    return out;
}

bool AnsiSameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AnsiUpperChar(static_cast<unsigned char>(a[i])) != AnsiUpperChar(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string Cp1252ToUtf8(std::string_view text) {
    // Most texts are plain ASCII, which UTF-8 keeps as it is: copy runs of it whole.
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto ch = static_cast<unsigned char>(text[i]);
        if (ch < 0x80) continue;
        out.append(text.substr(run, i - run));
        AppendUtf8(out, ByteToCodePoint(ch));
        run = i + 1;
    }
    out.append(text.substr(run));
    return out;
}

std::optional<std::string> Utf8ToCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        char32_t cp = 0;
        std::size_t extra = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            cp = lead & 0x1F;
            extra = 1;
        } else if ((lead & 0xF0) == 0xE0) {
            cp = lead & 0x0F;
            extra = 2;
        } else if ((lead & 0xF8) == 0xF0) {
            cp = lead & 0x07;
            extra = 3;
        } else {
            return std::nullopt;
        }
        if (i + extra >= text.size() && extra > 0) return std::nullopt;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto cont = static_cast<unsigned char>(text[i + k]);
            if ((cont & 0xC0) != 0x80) return std::nullopt;
            cp = (cp << 6) | (cont & 0x3F);
        }
        // Overlong forms are not valid UTF-8.
        if ((extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000))
            return std::nullopt;
        const auto byte = CodePointToByte(cp);
        if (!byte) return std::nullopt;
        out += static_cast<char>(*byte);
        i += extra + 1;
    }
    return out;
}

std::string CutShort(std::string_view text) {
    return std::string(text.substr(0, std::min(text.size(), kShortStringMax)));
}

std::string JoinText(std::initializer_list<std::string_view> pieces) {
    std::size_t size = 0;
    for (std::string_view piece : pieces) size += piece.size();
    std::string text;
    text.reserve(size);
    for (std::string_view piece : pieces) text.append(piece);
    return text;
}

namespace {

// The first `digits` significant digits of |value| rounded half away from
// zero, with the decimal exponent of the first one. printf rounds a tie to
// even; a decimal tie (57.8125 to 5 digits) must go up, so the digits come
// from an expansion long enough to be exact for every long double tie, and
// the first dropped digit decides.
std::pair<std::string, int> RoundHalfAway(long double value, int digits) {
    constexpr int kGuardDigits = 30;
    char buf[128];
    const int precision = digits - 1 + kGuardDigits;
    const long double magnitude = std::fabs(value);
    std::string_view text;
    // Both conversions are exact and correctly rounded; the one for doubles
    // (every confidence and every number a float holds) is much the faster.
    if (const auto asDouble = static_cast<double>(magnitude); static_cast<long double>(asDouble) == magnitude) {
        const auto result = std::to_chars(buf, buf + sizeof buf, asDouble, std::chars_format::scientific, precision);
        text = std::string_view(buf, static_cast<std::size_t>(result.ptr - buf));
    } else {
        std::snprintf(buf, sizeof buf, "%.*Le", precision, magnitude);
        text = std::string_view(buf);
    }
    const auto ePos = text.find('e');
    int exponent = 0;
    std::from_chars(text.data() + ePos + 1 + (text[ePos + 1] == '+' ? 1 : 0), text.data() + text.size(), exponent);
    std::string expanded;
    for (char ch : text.substr(0, ePos))
        if (ch != '.') expanded += ch;
    std::string kept = expanded.substr(0, static_cast<std::size_t>(digits));
    if (expanded[static_cast<std::size_t>(digits)] >= '5') {
        std::size_t at = kept.size();
        while (at > 0 && kept[at - 1] == '9') kept[--at] = '0';
        if (at == 0) {
            kept.insert(kept.begin(), '1');
            kept.pop_back();
            ++exponent;
        } else {
            ++kept[at - 1];
        }
    }
    return {kept, exponent};
}

}  // namespace

std::string FormatGeneral(long double value, int digits) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";
    // Round to `digits` significant digits first: the rounded value decides the notation.
    const auto [rounded, exponent] = RoundHalfAway(value, digits);
    std::string significant = rounded;
    const bool negative = value < 0;
    while (significant.size() > 1 && significant.back() == '0') significant.pop_back();

    std::string out = negative ? "-" : "";
    const long double magnitude = std::fabs(value);
    if (exponent >= digits || magnitude < 0.00001L) {
        out += significant[0];
        if (significant.size() > 1) {
            out += '.';
            out += significant.substr(1);
        }
        out += 'E';
        out += std::to_string(exponent);
        return out;
    }
    if (exponent < 0) {
        out += "0.";
        out += std::string(static_cast<std::size_t>(-exponent - 1), '0');
        out += significant;
        return out;
    }
    const auto intDigits = static_cast<std::size_t>(exponent + 1);
    if (significant.size() <= intDigits) {
        out += significant;
        out += std::string(intDigits - significant.size(), '0');
    } else {
        out += significant.substr(0, intDigits);
        out += '.';
        out += significant.substr(intDigits);
    }
    return out;
}

std::string CnfText(double value) {
    // A consultation writes the same few confidences over and over (the
    // answers' 100, 80, 50 ...): each distinct value is formatted once and
    // then found in a small table, keyed by the value's exact bits.
    struct TEntry {
        uint64_t bits = 0;
        bool used = false;
        std::string text;
    };
    thread_local std::array<TEntry, 256> recent;
    const auto bits = std::bit_cast<uint64_t>(value);
    TEntry& entry = recent[(bits ^ (bits >> 29) ^ (bits >> 47)) & 0xFF];
    if (!entry.used || entry.bits != bits) {
        entry.text = FormatGeneral(value, 5);
        entry.bits = bits;
        entry.used = true;
    }
    return entry.text;
}

std::optional<long double> TextToNumber(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && text[begin] == ' ') ++begin;
    while (end > begin && text[end - 1] == ' ') --end;
    if (begin == end) return std::nullopt;
    std::string s(text.substr(begin, end - begin));
    for (char& ch : s) {
        if (ch == ',') ch = '.';
        const bool allowed = (ch >= '0' && ch <= '9') || ch == '.' || ch == '-' || ch == '+' || ch == 'e' || ch == 'E';
        if (!allowed) return std::nullopt;
    }
    errno = 0;
    char* stop = nullptr;
    const long double value = std::strtold(s.c_str(), &stop);
    if (stop != s.c_str() + s.size() || errno == ERANGE || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string FloatRoundTripText(float value) {
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, result.ptr);
}

}  // namespace quorvel
