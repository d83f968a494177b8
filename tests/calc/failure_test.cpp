#include "calc/failure.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "tests/support/row_name.h"

namespace sondrel {
namespace {
using sondrel::testing_support::PrintTo;

struct QuoteCase {
    const char* name;
    std::string text;
    std::string quoted;
};

class QuoteForMessageTest : public testing::TestWithParam<QuoteCase> {};

TEST_P(QuoteForMessageTest, QuotesOneShortPrintableLine) {
    EXPECT_EQ(QuoteForMessage(GetParam().text), GetParam().quoted);
}

const std::string kEmoji = "\xF0\x9F\x98\x80";

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

// A text quoted and cut: its kept part, then "...". Built by appending: GCC 12 takes a literal
// put before a temporary string (an insert at 0) for an overlapping copy (-Wrestrict).
std::string QuotedAndCut(const std::string& kept) {
    std::string quoted = "\"";
    quoted += kept;
    quoted += "...\"";
    return quoted;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, QuoteForMessageTest,
    testing::Values(
        QuoteCase{"Plain", "abc", "\"abc\""},
        QuoteCase{"QuoteAndBackslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
        QuoteCase{"ControlCharacters", "a\r\nb\x7f", "\"a\\x0D\\x0Ab\\x7F\""},
        // U+009B, a terminal's one-byte CSI, is a control too.
        QuoteCase{"C1ControlEscaped", "a\xC2\x9B[31m", "\"a\\xC2\\x9B[31m\""},
        QuoteCase{"Utf8Kept", "H\xC3\xB6he " + kEmoji, "\"H\xC3\xB6he " + kEmoji + "\""},
        QuoteCase{"CutAfterFortyCharacters", std::string(41, 'x'),
                  QuotedAndCut(std::string(40, 'x'))},
        QuoteCase{"CutCountsCharactersNotBytes", Repeat(kEmoji, 41),
                  QuotedAndCut(Repeat(kEmoji, 40))},
        // Stray continuation bytes count one character each, so a text of them is cut too.
        QuoteCase{"StrayContinuationBytesEscapedAndCut", std::string("\x01").append(75, '\x92'),
                  QuotedAndCut(std::string("\\x01").append(Repeat("\\x92", 39)))},
        QuoteCase{"CharacterCutShortByTheEnd", "ab\xE2\x82", "\"ab\\xE2\\x82\""},
        QuoteCase{"CharacterCutShortByAnother", "\xE2\x82z", "\"\\xE2\\x82z\""},
        QuoteCase{"ByteThatStartsNoCharacter", "\xFF\xC3\xB6", "\"\\xFF\xC3\xB6\""},
        // Well-formed UTF-8 only: an overlong slash and an encoded surrogate are escaped.
        QuoteCase{"OverlongFormEscaped", "\xC0\xAF", "\"\\xC0\\xAF\""},
        QuoteCase{"SurrogateEscaped", "\xED\xA0\x80", "\"\\xED\\xA0\\x80\""},
        QuoteCase{"PastU10FFFFEscaped", "\xF4\x90\x80\x80", "\"\\xF4\\x90\\x80\\x80\""}),
    testing_support::RowName{});

// People tell the kinds apart by their titles in the window (the man page test checks the ids).
TEST(FailureKindTitle, OneCapitalisedTitleForEachKind) {
    std::set<std::string_view> titles;
    std::size_t kinds = 0;
    for (; FailureKindId(static_cast<FailureKind>(kinds)) != "unknown"; ++kinds) {
        const std::string_view title = FailureKindTitle(static_cast<FailureKind>(kinds));
        EXPECT_TRUE(!title.empty() && title[0] >= 'A' && title[0] <= 'Z') << title;
        titles.insert(title);
    }
    EXPECT_GT(kinds, 1u);
    EXPECT_EQ(titles.size(), kinds);
}

}  // namespace
}  // namespace sondrel
