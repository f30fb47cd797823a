// Texts of a knowledge base are short strings of Windows-1252 bytes (at most
// 255), exactly as they stand in a .bcm file. They are converted to and from
// UTF-8 only at the edges: JSON, the screen and text files.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

inline constexpr std::size_t kShortStringMax = 255;

// The implicit values of a yes/no variable and the unknown value, as base texts.
inline constexpr const char* kTextUnknown = "DESCONHECIDO";
inline constexpr const char* kTextYes = "Sim";
inline constexpr const char* kTextNo = "N\xE3o";

inline constexpr int32_t kCodeUnknown = -1;
inline constexpr int32_t kCodeYes = -2;
inline constexpr int32_t kCodeNo = -3;

// Windows-1252 upper-case mapping of one byte (accented letters included).
unsigned char AnsiUpperChar(unsigned char c);
std::string AnsiUpperCase(std::string_view text);
// Case-insensitive equality under the Windows-1252 mapping.
bool AnsiSameText(std::string_view a, std::string_view b);

// Every byte maps to one code point (the five bytes Windows-1252 leaves
// undefined map to the C1 controls of the same number), so any stored text
// survives a trip through UTF-8.
std::string Cp1252ToUtf8(std::string_view text);
// nullopt when the text is not valid UTF-8 or holds a character that
// Windows-1252 cannot represent.
std::optional<std::string> Utf8ToCp1252(std::string_view text);

// The first 255 bytes of a text.
std::string CutShort(std::string_view text);

// The pieces end to end, in one allocation.
std::string JoinText(std::initializer_list<std::string_view> pieces);

// The classic "general" number format: fixed notation with at most `digits`
// significant digits and trailing zeros removed while the number is at least
// 0.00001 and has at most `digits` digits before the point, otherwise
// scientific as 1.2346E5 or 1E-6.
std::string FormatGeneral(long double value, int digits);
// A confidence shown as a percentage: callers pass CNF x 100.
std::string CnfText(double value);

// Reads a number written with "." or "," as the decimal separator, with an
// optional sign and exponent; blanks around it are allowed. nullopt when the
// whole text is not a number.
std::optional<long double> TextToNumber(std::string_view text);

// Shortest decimal text that reads back as the same single-precision float.
std::string FloatRoundTripText(float value);

}  // namespace quorvel
