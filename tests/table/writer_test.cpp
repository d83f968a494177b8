// The row writer's pieces: CSV fields, shortest doubles, and JSON strings, numbers and
// objects, each byte of which sondrel-calc and the page print.

#include "table/text_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "table/json.h"
#include "tests/support/row_name.h"
#include "tests/support/written.h"

namespace sondrel {
namespace {
using sondrel::testing_support::PrintTo;
using sondrel::testing_support::Written;

struct FieldCase {
    const char* name;
    std::string text;
    std::string field;
};

class CsvFieldQuoting : public testing::TestWithParam<FieldCase> {};

TEST_P(CsvFieldQuoting, QuotesOnlyWhenNeeded) {
    EXPECT_EQ(Written([](TextWriter& out) { out.CsvField(GetParam().text); }), GetParam().field);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, CsvFieldQuoting,
    testing::Values(FieldCase{"Plain", "1813.", "1813."}, FieldCase{"Empty", "", ""},
                    FieldCase{"Comma", "145,491.8 ft", "\"145,491.8 ft\""},
                    FieldCase{"Quotes", "LoVolt: \"abc\"", "\"LoVolt: \"\"abc\"\"\""},
                    FieldCase{"OnlyAQuote", "\"", "\"\"\"\""},
                    FieldCase{"LineFeed", "a\nb", "\"a\nb\""},
                    FieldCase{"CarriageReturn", "a\rb", "\"a\rb\""}),
    testing_support::RowName{});

struct DoubleCase {
    const char* name;
    double value;
    const char* text;
};

class ShortestDouble : public testing::TestWithParam<DoubleCase> {};

TEST_P(ShortestDouble, ReadsBackExactly) {
    EXPECT_EQ(Written([](TextWriter& out) { out.Double(GetParam().value); }), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Doubles, ShortestDouble,
    testing::Values(DoubleCase{"Tenth", 0.1, "0.1"}, DoubleCase{"Integer", 1000, "1000"},
                    DoubleCase{"SumOfTenths", 0.1 + 0.2, "0.30000000000000004"},
                    DoubleCase{"Negative", -0.475, "-0.475"},
                    DoubleCase{"NegativeZero", -0.0, "-0"}, DoubleCase{"Small", 1e-05, "1e-05"},
                    DoubleCase{"Large", 1e16, "1e+16"},
                    DoubleCase{"SeventeenDigits", 1850.6531358149223, "1850.6531358149223"}),
    testing_support::RowName{});

// Plain decimals, never an exponent: whole numbers up to 10^15 take a shorter path than the
// rest, with the same digits.
class FixedDouble : public testing::TestWithParam<DoubleCase> {};

TEST_P(FixedDouble, PlainDecimals) {
    EXPECT_EQ(Written([](TextWriter& out) { out.DoubleFixed(GetParam().value); }), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Doubles, FixedDouble,
    testing::Values(DoubleCase{"Whole", 100000, "100000"}, DoubleCase{"NegativeWhole", -42, "-42"},
                    DoubleCase{"NegativeZero", -0.0, "-0"}, DoubleCase{"Small", 1e-05, "0.00001"},
                    DoubleCase{"LargestShortPath", 999999999999999, "999999999999999"},
                    DoubleCase{"PastTheShortPath", -1e16, "-10000000000000000"}),
    testing_support::RowName{});

// One rule for every JSON string: control characters escaped, UTF-8 as it is, and a byte
// that is not UTF-8 as the lone surrogate "\udcNN", so that the bytes read back.
struct JsonCase {
    const char* name;
    std::string text;
    std::string json;
};

class JsonStrings : public testing::TestWithParam<JsonCase> {};

TEST_P(JsonStrings, EscapedByOneRule) {
    EXPECT_EQ(Written([](TextWriter& out) { out.JsonString(GetParam().text); }), GetParam().json);
}

INSTANTIATE_TEST_SUITE_P(
    Strings, JsonStrings,
    testing::Values(
        JsonCase{"Plain", "1813.", "\"1813.\""},
        JsonCase{"QuoteAndBackslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
        JsonCase{"LineBreaksAndTab", "a\r\n\tb", "\"a\\r\\n\\tb\""},
        JsonCase{"Controls", std::string("\x01\x1f\x7f\0", 4), "\"\\u0001\\u001f\\u007f\\u0000\""},
        JsonCase{"Utf8", "Z\xC3\xBCrich \xE2\x9C\x93", "\"Z\xC3\xBCrich \xE2\x9C\x93\""},
        JsonCase{"ByteNotUtf8", "r\xFF.txt", "\"r\\udcff.txt\""},
        JsonCase{"CutSequence", "\xE2\x9C", "\"\\udce2\\udc9c\""},
        JsonCase{"Windows1252Byte", "\x80", "\"\\udc80\""}),
    testing_support::RowName{});

// Numbers and objects as the page's answers and sondrel-calc --json write them.
TEST(JsonObject, MembersNumbersAndNull) {
    const std::string json = Written([](TextWriter& out) {
        JsonObject object(out);
        WriteJsonNumber(object.Member("tenth"), 0.1);
        WriteJsonNumber(object.Member("none"), std::numeric_limits<double>::quiet_NaN());
        WriteJsonNumber(object.Member("far"), -std::numeric_limits<double>::infinity());
        JsonObject inner(object.Member("in"));
        inner.Member("k").JsonString("v");
        inner.Close();
        object.Close();
    });
    EXPECT_EQ(json, "{\"tenth\": 0.1, \"none\": null, \"far\": null, \"in\": {\"k\": \"v\"}}");
}

}  // namespace
}  // namespace sondrel
