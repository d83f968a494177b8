#include "calc/number_format.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "tests/support/row_name.h"

namespace sondrel {
namespace {
using sondrel::testing_support::PrintTo;

struct FormatCase {
    const char* name;
    double value;
    std::string_view pattern;
    const char* expected;
};

class FormatNumberTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatNumberTest, LaysOutTheFifteenDigitText) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(FormatNumber(c.value, c.pattern), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    DisplayTable, FormatNumberTest,
    testing::Values(
        FormatCase{"OhmsRoundsUp", 1812.98, kOhmsPattern, "1813."},
        FormatCase{"OhmsVr1", 1850.65, kOhmsPattern, "1851."},
        FormatCase{"OhmsHalfUp", 0.5, kOhmsPattern, "1."},
        FormatCase{"OhmsHalfAwayFromZero", 2.5, kOhmsPattern, "3."},
        FormatCase{"OhmsNegativeHalf", -2.5, kOhmsPattern, "-3."},
        FormatCase{"OhmsNegative", -53, kOhmsPattern, "-53."},
        FormatCase{"OhmsSixDigits", 123456.7, kOhmsPattern, "123457."},
        FormatCase{"OhmsZero", 0, kOhmsPattern, "."},
        FormatCase{"VoltsThreeDecimals", 3.791738, kVoltsPattern, "3.792"},
        FormatCase{"VoltsHalfAtFourthDecimal", 4.2488885, kVoltsPattern, "4.249"},
        FormatCase{"VoltsTrailingZeroDropped", 3.6398366, kVoltsPattern, "3.64"},
        FormatCase{"VoltsWhole", 2, kVoltsPattern, "2."},
        FormatCase{"VoltsNoLeadingZero", 0.5, kVoltsPattern, ".5"},
        FormatCase{"VoltsCarryIntoNewDigit", 9.9996, kVoltsPattern, "10."},
        FormatCase{"VoltsZero", 0, kVoltsPattern, "."},
        FormatCase{"MetricMillibars", 948.1886, kMetricPattern, "948.2"},
        FormatCase{"MetricHighMillibars", 1049.7802, kMetricPattern, "1049.8"},
        FormatCase{"MetricCarryDropsFraction", 1523.99995, kMetricPattern, "1524."},
        FormatCase{"MetricNegative", -304.79999, kMetricPattern, "-304.8"},
        FormatCase{"MetricSmallHalf", 0.05, kMetricPattern, ".1"},
        FormatCase{"MetricBelowHalf", 0.04, kMetricPattern, "."},
        FormatCase{"MetricZero", 0, kMetricPattern, "."},
        // The binary value of 1.0005 lies just below the half; the 15-digit text does not.
        FormatCase{"RoundsTheDecimalTextNotTheBinary", 1.0005, kVoltsPattern, "1.001"},
        FormatCase{"NegativeBinaryBelowHalf", -1.0005, kVoltsPattern, "-1.001"},
        // 0.1 + 0.2 is 0.30000000000000004: the 15-digit text is "0.3".
        FormatCase{"FifteenDigitsFirst", 0.1 + 0.2, kMetricPattern, ".3"},
        FormatCase{"NegativeZero", -0.0, kOhmsPattern, "."},
        FormatCase{"NegativeRoundingToZeroHasNoSign", -0.04, kMetricPattern, "."},
        FormatCase{"SmallFractionKeepsZeros", 0.005, kVoltsPattern, ".005"},
        FormatCase{"TinyValueIsZero", 1e-300, kVoltsPattern, "."},
        FormatCase{"SmallestDenormalIsZero", std::numeric_limits<double>::denorm_min(),
                   kMetricPattern, "."},
        FormatCase{"LargeIntegerAllDigits", 1e20, kOhmsPattern, "100000000000000000000."},
        FormatCase{"SixteenDigitsRoundToFifteen", 1234567890123456.0, kOhmsPattern,
                   "1234567890123460."},
        FormatCase{"NinesCarryAtFifteenDigits", 999999999999999.9, kOhmsPattern,
                   "1000000000000000."},
        // x 1000 just above 929892250638726.5; the product as a double is that half, rounding down.
        FormatCase{"FifteenDigitsNearAHalf", 929892250638.72656, kVoltsPattern,
                   "929892250638.727"}),
    testing_support::RowName{});

TEST(FormatNumberExtremes, LargestDoublePrintsEveryIntegerDigit) {
    const std::string text = FormatNumber(std::numeric_limits<double>::max(), kOhmsPattern);
    ASSERT_EQ(text.size(), 309u + 1u);
    EXPECT_EQ(text.substr(0, 15), "179769313486232");
    EXPECT_EQ(text.find_first_not_of('0', 15), text.size() - 1);
    EXPECT_EQ(text.back(), '.');
}

// A pattern is read to its view's end, not to a terminator: the characters past it here
// would ask for more decimals.
TEST(FormatNumberPattern, EndsWhereItsViewEnds) {
    constexpr std::string_view kLonger = "#.###########";
    EXPECT_EQ(FormatNumber(3.791738, kLonger.substr(0, 5)), "3.792");
    EXPECT_EQ(FormatNumber(1812.98, kLonger.substr(0, 2)), "1813.");
    EXPECT_EQ(FormatNumber(948.1886, kLonger.substr(0, 3)), "948.2");
}

}  // namespace
}  // namespace sondrel
