#include "calc/text_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/row_name.h"

namespace sondrel {
namespace {
using sondrel::testing_support::PrintTo;

struct BreakCase {
    const char* name;
    std::string text;
    std::string crlf;  // with every line break as "\r\n"
    std::string lf;    // with every line break as "\n"
};

class ConvertLineBreaksTest : public testing::TestWithParam<BreakCase> {};

TEST_P(ConvertLineBreaksTest, EveryBreakBecomesTheOneAsked) {
    EXPECT_EQ(ConvertLineBreaks(GetParam().text, kCrLf), GetParam().crlf);
    EXPECT_EQ(ConvertLineBreaks(GetParam().text, "\n"), GetParam().lf);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ConvertLineBreaksTest,
    testing::Values(BreakCase{"Empty", "", "", ""},
                    BreakCase{"LoneLf", "a\nb\n", "a\r\nb\r\n", "a\nb\n"},
                    BreakCase{"MixedBreaks", "\na\r\n\nb", "\r\na\r\n\r\nb", "\na\n\nb"},
                    BreakCase{"LoneCrIsNoBreak", "a\rb\r", "a\rb\r", "a\rb\r"},
                    BreakCase{"CrBeforeCrLf", "a\r\r\nb", "a\r\r\nb", "a\r\nb"}),
    testing_support::RowName{});

struct GroupCase {
    const char* name;
    std::string text;
    std::string grouped;
};

class GroupThousandsTest : public testing::TestWithParam<GroupCase> {};

TEST_P(GroupThousandsTest, GroupsTheDigitsBeforeThePoint) {
    EXPECT_EQ(GroupThousands(GetParam().text), GetParam().grouped);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, GroupThousandsTest,
    testing::Values(GroupCase{"ThreeDigits", "999", "999"}, GroupCase{"Four", "1000", "1,000"},
                    GroupCase{"Seven", "1048576", "1,048,576"},
                    GroupCase{"NegativeThreeDigits", "-100", "-100"},
                    GroupCase{"NegativeWithDecimals", "-12345.678", "-12,345.678"},
                    GroupCase{"DecimalsUngrouped", "0.12345", "0.12345"}),
    testing_support::RowName{});

}  // namespace
}  // namespace sondrel
