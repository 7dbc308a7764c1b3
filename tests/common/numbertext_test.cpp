#include "common/numbertext.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

namespace {

using common::CInt;
using common::SignedNumberText;
using common::Val;

struct NumberCase {
    const char* name;
    std::string text;
    double value;
    std::optional<std::int16_t> whole;
};

void PrintTo(const NumberCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class NumberRule : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberRule, ReadsTheLeadingNumberAndRoundsItToSixteenBits) {
    const NumberCase& c = GetParam();
    const double v = Val(c.text);
    if (std::isinf(c.value)) {
        EXPECT_EQ(v, c.value) << '"' << c.text << '"';
    } else {
        EXPECT_DOUBLE_EQ(v, c.value) << '"' << c.text << '"';
    }
    EXPECT_EQ(CInt(v), c.whole) << '"' << c.text << '"';
}

const double Inf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Table, NumberRule,
    ::testing::Values(
        // The cases the number rule is known by.
        NumberCase{"BlanksThenTrailingText", "  12abc", 12, 12},
        NumberCase{"NegativeDecimal", "-3.5", -3.5, -4}, NumberCase{"Exponent", "1e2", 100, 100},
        NumberCase{"Hexadecimal", "&H1F", 31, 31}, NumberCase{"Octal", "&O17", 15, 15},
        NumberCase{"Empty", "", 0, 0}, NumberCase{"NoNumber", "abc", 0, 0},
        NumberCase{"HalfGoesDown", "2.5", 2.5, 2}, NumberCase{"HalfGoesUp", "3.5", 3.5, 4},
        NumberCase{"TooLargeForSixteenBits", "40000", 40000, std::nullopt},
        // Blanks, tabs and line feeds are removed everywhere, not only in front.
        NumberCase{"BlankInsideDigits", "1 2", 12, 12}, NumberCase{"TabAndLineFeed", "\t\n7", 7, 7},
        NumberCase{"CarriageReturnIsNotABlank", "\r7", 0, 0}, NumberCase{"PlusSign", "+5", 5, 5},
        NumberCase{"TwoSigns", "--5", 0, 0}, NumberCase{"SignAlone", "-", 0, 0},
        NumberCase{"LeadingPoint", ".5", 0.5, 0}, NumberCase{"TrailingPoint", "5.", 5, 5},
        NumberCase{"SecondPointEndsTheNumber", "1.2.3", 1.2, 1},
        NumberCase{"ExponentWithoutDigits", "1e", 1, 1},
        NumberCase{"ExponentSignWithoutDigits", "1e+", 1, 1},
        NumberCase{"NegativeExponent", "25e-1", 2.5, 2},
        NumberCase{"ExponentLetterD", "1D2", 100, 100},
        NumberCase{"PointWithoutDigits", ".e5", 0, 0},
        NumberCase{"CStyleHexIsNotANumber", "0x10", 0, 0},
        NumberCase{"DecimalOverflow", "1e400", Inf, std::nullopt},
        NumberCase{"NegativeDecimalOverflow", "-1e400", -Inf, std::nullopt},
        NumberCase{"LongDigitStringOverflow", "1" + std::string(400, '0'), Inf, std::nullopt},
        NumberCase{"DecimalUnderflow", "1e-400", 0, 0},
        // Radix prefixes: the width follows the value, as a literal of that width would.
        NumberCase{"HexLowerCase", "&h1f", 31, 31},
        NumberCase{"HexLargestPositive16", "&H7FFF", 32767, 32767},
        NumberCase{"HexFFFFIsMinusOne", "&HFFFF", -1, -1},
        NumberCase{"Hex8000IsMostNegative16", "&H8000", -32768, -32768},
        NumberCase{"HexLeadingZerosKeepTheWidth", "&H0000FFFF", -1, -1},
        NumberCase{"HexFiveDigitsIs32Bit", "&H10000", 65536, std::nullopt},
        NumberCase{"HexFFFFFFFFIsMinusOne", "&HFFFFFFFF", -1, -1},
        NumberCase{"Hex80000000IsMostNegative32", "&H80000000", -2147483648.0, std::nullopt},
        NumberCase{"HexBeyond32BitsStaysLarge", "&H100000000", 4294967296.0, std::nullopt},
        NumberCase{"HexStopsAtANonDigit", "&H1G", 1, 1},
        NumberCase{"HexBlankInside", "& H 1F", 31, 31},
        NumberCase{"OctalMinusOne", "&O177777", -1, -1},
        NumberCase{"OctalStopsAtEight", "&O78", 7, 7},
        NumberCase{"OctalWithoutDigits", "&O8", 0, 0},
        NumberCase{"PrefixWithoutDigits", "&H", 0, 0}, NumberCase{"AmpersandAlone", "&", 0, 0},
        NumberCase{"UnknownPrefix", "&X1", 0, 0}, NumberCase{"SignBeforePrefix", "-&H1", 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NumberRule, IgnoresTheProcessLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    // A locale with a decimal comma, where one is installed; the rule must not care.
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_DOUBLE_EQ(Val("0.125"), 0.125);
    EXPECT_DOUBLE_EQ(Val("0,125"), 0.0);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(SignedNumberText, PutsOneSpaceBeforeANonNegativeNumber) {
    EXPECT_EQ(SignedNumberText(2000), " 2000");
    EXPECT_EQ(SignedNumberText(0), " 0");
    EXPECT_EQ(SignedNumberText(-5), "-5");
}

} // namespace
