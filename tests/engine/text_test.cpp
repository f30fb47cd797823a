#include <gtest/gtest.h>

#include "ExText.h"

namespace quorvel {
namespace {

TEST(GeneralFormat, FollowsTheClassicRules) {
    struct Case {
        long double value;
        int digits;
        const char* text;
    };
    const Case cases[] = {
        {72.0L, 5, "72"},          {0.5L, 5, "0.5"},           {100.0L, 5, "100"},
        {80.00000119L, 5, "80"},   {12345.6L, 5, "12346"},     {99999.5L, 5, "1E5"},
        {123456.0L, 5, "1.2346E5"}, {0.000001L, 5, "1E-6"},     {0.00001L, 5, "0.00001"},
        {-2.5L, 5, "-2.5"},        {0.0L, 5, "0"},             {2.0L / 3.0L, 15, "0.666666666666667"},
        {1e15L, 15, "1E15"},       {123456789012345.0L, 15, "123456789012345"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatGeneral(c.value, c.digits), c.text) << static_cast<double>(c.value);
}

TEST(GeneralFormat, RoundsADecimalTieAwayFromZero) {
    struct Case {
        long double value;
        int digits;
        const char* text;
    };
    const Case cases[] = {
        {57.8125L, 5, "57.813"},
        {-57.8125L, 5, "-57.813"},
        {static_cast<float>(-2751.05), 15, "-2751.05004882813"},
        {static_cast<float>(2751.05), 15, "2751.05004882813"},
        {0.125L, 2, "0.13"},
        {2.5L, 1, "3"},
        {-0.375L, 2, "-0.38"},
        {99.96L, 3, "100"},         // the carry reaches the first digit
        {9.5L, 1, "1E1"},           // the carry moves the exponent
        {12.34L, 3, "12.3"},        // below the half
        {0.0625L, 1, "0.06"},       // below the half
        {1.0L / 3.0L, 15, "0.333333333333333"},  // a long double no double holds
        {1e20L, 5, "1E20"},         // a positive exponent
        {0.000001L, 3, "1E-6"},     // a negative one
    };
    for (const auto& c : cases) EXPECT_EQ(FormatGeneral(c.value, c.digits), c.text) << static_cast<double>(c.value);
}

TEST(TextToNumber, AcceptsPointOrCommaAndRejectsJunk) {
    EXPECT_EQ(TextToNumber("2.5").value(), 2.5L);
    EXPECT_EQ(TextToNumber("2,5").value(), 2.5L);
    EXPECT_EQ(TextToNumber(" -3 ").value(), -3.0L);
    EXPECT_FALSE(TextToNumber("").has_value());
    EXPECT_FALSE(TextToNumber("abc").has_value());
    EXPECT_FALSE(TextToNumber("1.2.3").has_value());
    EXPECT_FALSE(TextToNumber("inf").has_value());
}

TEST(Cp1252, UpperCasesAccentedLettersAndComparesWithoutCase) {
    EXPECT_EQ(AnsiUpperCase("a\xE7\xE3o \xFF"), "A\xC7\xC3O \x9F");
    EXPECT_TRUE(AnsiSameText("febre", "FEBRE"));
    EXPECT_TRUE(AnsiSameText("\xE9", "\xC9"));
    EXPECT_FALSE(AnsiSameText("\xF7", "\xD7"));  // division sign is no letter
}

TEST(Cp1252, EveryByteSurvivesUtf8) {
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)).value(), all);
    EXPECT_EQ(Cp1252ToUtf8("N\xE3o \x80"), "Não €");
    EXPECT_FALSE(Utf8ToCp1252("日本").has_value());
    EXPECT_FALSE(Utf8ToCp1252("\xC3").has_value());      // cut sequence
    EXPECT_FALSE(Utf8ToCp1252("\xC0\xAF").has_value());  // overlong
}

TEST(FloatRoundTripText, ReadsBackAsTheSameFloat) {
    for (float f : {0.8f, 0.35f, 0.1f, 1.0f, 0.72f, 1e-7f}) {
        const std::string text = FloatRoundTripText(f);
        EXPECT_EQ(static_cast<float>(std::stod(text)), f) << text;
    }
    EXPECT_EQ(FloatRoundTripText(0.8f), "0.8");
}

}  // namespace
}  // namespace quorvel
