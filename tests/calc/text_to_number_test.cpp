#include "calc/text_to_number.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <optional>
#include <string>

#include "calc/failure.h"

#include "tests/support/row_name.h"

namespace sondrel {
namespace {
using sondrel::testing_support::PrintTo;

const NumberSeparators kDot{".", ","};
const NumberSeparators kComma{",", "."};
const NumberSeparators kCommaNarrowSpace{",", "\u202f"};

struct ParseCase {
    const char* name;
    std::string text;
    NumberSeparators separators;
    std::optional<FailureKind> failure;  // none: the text reads as `value`
    double value;
    const char* message = nullptr;  // when given, the failure's whole message
};

class ReadNumberTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ReadNumberTest, ReadsOrRejects) {
    const ParseCase& c = GetParam();
    const Result<double> number = ReadNumber(c.text, "LoVolt", c.separators);
    ASSERT_EQ(number.ok(), !c.failure) << '"' << c.text << '"';
    if (c.failure) {
        EXPECT_EQ(number.failure().kind, *c.failure);
        EXPECT_EQ(number.failure().input, "LoVolt");
        if (c.message != nullptr) {
            EXPECT_EQ(number.failure().Message(), c.message);
        }
    } else {
        EXPECT_EQ(*number, c.value);
        EXPECT_EQ(std::signbit(*number), std::signbit(c.value));
    }
}

constexpr std::optional<FailureKind> kOk;
constexpr std::optional<FailureKind> kBad = FailureKind::TypeMismatch;
constexpr std::optional<FailureKind> kOver = FailureKind::Overflow;

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadNumberTest,
    testing::Values(
        ParseCase{"Integer", "28", kDot, kOk, 28}, ParseCase{"Decimal", "1.25", kDot, kOk, 1.25},
        ParseCase{"BlanksAround", "  \t8.25 ", kDot, kOk, 8.25},
        ParseCase{"Negative", "-1000", kDot, kOk, -1000}, ParseCase{"PlusSign", "+3", kDot, kOk, 3},
        ParseCase{"LeadingPoint", ".5", kDot, kOk, 0.5},
        ParseCase{"TrailingPoint", "5.", kDot, kOk, 5},
        ParseCase{"Exponent", "1e3", kDot, kOk, 1000},
        ParseCase{"ExponentSignedUpper", "2.5E-2", kDot, kOk, 0.025},
        ParseCase{"MinusZero", "-0", kDot, kOk, -0.0},
        ParseCase{"GroupedThousands", "10,000", kDot, kOk, 10000},
        ParseCase{"GroupedMillionsWithFraction", "1,234,567.5", kDot, kOk, 1234567.5},
        ParseCase{"CorrectlyRounded", "0.1", kDot, kOk, 0.1},
        ParseCase{"UnderflowReadsAsZero", "1e-400", kDot, kOk, 0.0},
        ParseCase{"NegativeUnderflowKeepsSign", "-1e-400", kDot, kOk, -0.0},
        ParseCase{"Denormal", "4e-320", kDot, kOk, 4e-320},
        ParseCase{"CommaDecimal", "1,25", kComma, kOk, 1.25},
        ParseCase{"CommaLocaleGroups", "1.000,5", kComma, kOk, 1000.5},
        ParseCase{"MultiByteGroup", "12\u202f345,5", kCommaNarrowSpace, kOk, 12345.5},
        ParseCase{"Empty", "", kDot, kBad, 0}, ParseCase{"OnlyBlanks", "   ", kDot, kBad, 0},
        ParseCase{"Letters", "abc", kDot, kBad, 0, "LoVolt: \"abc\" is not a number"},
        ParseCase{"TrailingLetter", "12a", kDot, kBad, 0},
        ParseCase{"TwoPoints", "1.2.3", kDot, kBad, 0}, ParseCase{"NaN", "nan", kDot, kBad, 0},
        ParseCase{"Infinity", "inf", kDot, kBad, 0},
        ParseCase{"Hexadecimal", "0x10", kDot, kBad, 0},
        ParseCase{"MisplacedGroup", "1,2", kDot, kBad, 0},
        ParseCase{"GroupOfFour", "1,0000", kDot, kBad, 0},
        ParseCase{"FirstGroupTooLong", "1000,000", kDot, kBad, 0},
        ParseCase{"LeadingGroup", ",100", kDot, kBad, 0},
        ParseCase{"DoubleGroup", "1,,000", kDot, kBad, 0},
        ParseCase{"GroupInFraction", "1.000,5", kDot, kBad, 0},
        ParseCase{"DotIsGroupInCommaLocale", "1.25", kComma, kBad, 0},
        ParseCase{"BareSign", "-", kDot, kBad, 0}, ParseCase{"BarePoint", ".", kDot, kBad, 0},
        ParseCase{"ExponentWithoutDigits", "1e", kDot, kBad, 0},
        ParseCase{"InnerBlank", "1 000", kDot, kBad, 0},
        ParseCase{"TwoSigns", "--1", kDot, kBad, 0},
        ParseCase{"TooLarge", "1e309", kDot, kOver, 0,
                  "LoVolt: \"1e309\" is too large for a number"},
        ParseCase{"TooLargeNegative", "-2e308", kDot, kOver, 0},
        ParseCase{"HugeExponentDigits", "1e99999999999999999999", kDot, kOver, 0}),
    testing_support::RowName{});

TEST(ReadNumberLocale, IgnoresTheProcessLocale) {
    // A C locale with "," decimals must not change how "1.25" reads.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old != nullptr ? old : "C";
    // The glibc name, then the MSVCRT/UCRT ones (Windows, Wine).
    const char* const kNames[] = {"de_DE.UTF-8", "German_Germany.1252", "de-DE"};
    bool comma = false;
    for (const char* name : kNames) {
        if (!comma && std::setlocale(LC_NUMERIC, name) != nullptr) {
            comma = *std::localeconv()->decimal_point == ',';
        }
    }
    if (!comma) {
        std::setlocale(LC_NUMERIC, saved.c_str());
        GTEST_SKIP() << "no German locale installed";
    }
    const Result<double> number = ReadNumber("1.25", "LoVolt", kDot);
    std::setlocale(LC_NUMERIC, saved.c_str());
    ASSERT_TRUE(number.ok());
    EXPECT_EQ(*number, 1.25);
}

}  // namespace
}  // namespace sondrel
