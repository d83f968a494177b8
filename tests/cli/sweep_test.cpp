// Elevation sweeps and CSV output: every sweep row against a fresh single calculation, the
// range arithmetic, the quoting, and the writer's behaviour with threads and failing output.

#include "cli/sweep.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "calc/design.h"
#include "cli/run.h"
#include "tests/cli/run_capture.h"

#include "tests/support/row_name.h"

namespace sondrel::cli {
namespace {
using sondrel::testing_support::PrintTo;

const std::string kHeader =
    "elevation_ft,passes,vr2_ohms,vr1_wiper_to_gnd_ohms,lo_vin_volts,hi_vin_volts,vr2_text,"
    "vr1_text,lo_vin_text,hi_vin_text,error,warnings";

using test_support::Result;
using test_support::RunWith;
using test_support::Written;

using Record = std::vector<std::string>;

// A strict RFC 4180 reader for "\n"-terminated records; fails the test on malformed input.
std::vector<Record> ParseCsv(const std::string& text) {
    std::vector<Record> records;
    Record record;
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"') {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                quoted = false;
                const char next = i + 1 < text.size() ? text[i + 1] : '\0';
                EXPECT_TRUE(next == ',' || next == '\n') << "text after a closing quote at " << i;
            }
        } else if (c == '"') {
            EXPECT_TRUE(field.empty()) << "quote inside an unquoted field at " << i;
            quoted = true;
        } else if (c == ',') {
            record.push_back(std::move(field));
            field.clear();
        } else if (c == '\n') {
            record.push_back(std::move(field));
            field.clear();
            records.push_back(std::move(record));
            record.clear();
        } else {
            EXPECT_NE(c, '\r') << "bare CR at " << i;
            field += c;
        }
    }
    EXPECT_FALSE(quoted) << "unterminated quote";
    EXPECT_TRUE(field.empty() && record.empty()) << "last record without a line end";
    return records;
}

double ReadDouble(const std::string& text) {
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_TRUE(ec == std::errc{} && end == text.data() + text.size()) << '"' << text << '"';
    return value;
}

// Bit for bit, so that -0 and 0 differ and nothing is compared with a tolerance.
void ExpectSameDouble(const std::string& text, double expected, const std::string& what) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(ReadDouble(text)),
              std::bit_cast<std::uint64_t>(expected))
        << what << ": \"" << text << "\" vs " << expected;
}

// ---------------------------------------------------------------------------------------------
// Every row of a sweep is what a fresh single calculation of its elevation gives.

struct SweepCase {
    const char* name;
    std::string start, stop, step;
    std::vector<std::string> values;  // LOW_PRESSURE HIGH_PRESSURE LOW_VOLTS HIGH_VOLTS, or none
    std::size_t rows;
    std::vector<std::size_t> failing;  // row numbers, from 0
    int code;
    std::string err = "";  // all of standard error
    // The elevations as printed, when they are not START + i*STEP exactly.
    std::vector<std::string> elevations = {};
};

class SweepRows : public testing::TestWithParam<SweepCase> {};

TEST_P(SweepRows, MatchSingleCalculations) {
    const SweepCase& c = GetParam();
    const std::string range = c.start + ":" + c.stop + ":" + c.step;
    std::vector<std::string_view> args = {"--sweep-elevation", range};
    args.insert(args.end(), c.values.begin(), c.values.end());
    const Result sweep = RunWith(args);
    EXPECT_EQ(sweep.code, c.code);
    EXPECT_EQ(sweep.err, c.err);

    const std::vector<Record> records = ParseCsv(sweep.out);
    ASSERT_EQ(records.size(), c.rows + 1);
    EXPECT_EQ(sweep.out.substr(0, kHeader.size() + 1), kHeader + "\n");

    const InputTexts defaults;
    const std::vector<std::string> values =
        c.values.empty() ? std::vector<std::string>{defaults.lo_baro, defaults.hi_baro,
                                                    defaults.lo_volts, defaults.hi_volts}
                         : c.values;
    const double start = ReadDouble(c.start);
    const double step = ReadDouble(c.step);
    std::vector<std::size_t> failing;
    for (std::size_t i = 0; i < c.rows; ++i) {
        const Record& row = records[i + 1];
        ASSERT_EQ(row.size(), 12u) << "row " << i;
        const std::string& elevation = row[0];
        if (c.elevations.empty()) {
            ExpectSameDouble(elevation, start + static_cast<double>(i) * step, "elevation_ft");
        } else {
            EXPECT_EQ(elevation, c.elevations[i]);
        }

        // What `sondrel-calc --csv ELEV LOW HIGH LOW_VOLTS HIGH_VOLTS` prints for this
        // elevation: its texts read as a single calculation reads them.
        const Result single =
            RunWith({"--csv", elevation, values[0], values[1], values[2], values[3]});
        const std::vector<Record> single_records = ParseCsv(single.out);
        ASSERT_EQ(single_records.size(), 2u) << elevation;
        EXPECT_EQ(row, single_records[1]) << elevation;
        if (single.code != 0) {
            failing.push_back(i);
            EXPECT_EQ(single.code, 1);
            EXPECT_EQ(Record(row.begin() + 1, row.begin() + 10), Record(9, ""));
            EXPECT_EQ("sondrel-calc: " + row[10] + "\n", single.err) << elevation;
        }
    }
    EXPECT_EQ(failing, c.failing);
}

INSTANTIATE_TEST_SUITE_P(
    Sweeps, SweepRows,
    testing::Values(
        SweepCase{"Every1000FtTo20000", "0", "20000", "1000", {}, 21, {}, 0},
        SweepCase{"DownThroughSeaLevel", "500", "-500", "-125", {}, 9, {}, 0},
        SweepCase{"StepNotDividingTheRange", "0", "10000", "3000", {}, 4, {}, 0},
        // START + i*STEP is rounded to the decimals START and STEP have between them.
        SweepCase{"RoundedStepStillReachesStop",
                  "0",
                  "0.3",
                  "0.1",
                  {},
                  4,
                  {},
                  0,
                  "",
                  {"0", "0.1", "0.2", "0.3"}},
        SweepCase{"DecimalStep",
                  "-50",
                  "50",
                  "7.3",
                  {},
                  14,
                  {},
                  0,
                  "",
                  {"-50", "-42.7", "-35.4", "-28.1", "-20.8", "-13.5", "-6.2", "1.1", "8.4", "15.7",
                   "23", "30.3", "37.6", "44.9"}},
        SweepCase{"ThroughZeroWithAnExponent",
                  "-3e-1",
                  "0.1",
                  "1e-1",
                  {},
                  5,
                  {},
                  0,
                  "",
                  {"-0.3", "-0.2", "-0.1", "0", "0.1"}},
        SweepCase{"SingleRow", "7", "7", "-1", {}, 1, {}, 0},
        // The first-pass wiper error crosses zero near 26,521.1608 ft.
        SweepCase{"FailingMiddleRow",
                  "26521.158",
                  "26521.163",
                  "0.001",
                  {},
                  6,
                  {3},
                  0,
                  "sondrel-calc: 1 of 6 rows failed (elevation 26521.161)\n"},
        SweepCase{"PastTheElevationLimit",
                  "145300",
                  "145600",
                  "100",
                  {},
                  4,
                  {1, 2, 3},
                  0,
                  "sondrel-calc: 3 of 4 rows failed (elevations 145400, 145500, 145600)\n"},
        SweepCase{"FallingVolts", "-1000", "3000", "2000", {"28", "31", "8.25", "1.25"}, 3, {}, 0},
        SweepCase{"VrOneTurnsNegative", "10000", "16000", "2000", {}, 4, {}, 0},
        SweepCase{"Hectopascals", "0", "1000", "1000", {"2800", "3100", "1.25", "8.25"}, 2, {}, 0},
        SweepCase{"EqualPressuresFailEveryRow",
                  "0",
                  "2000",
                  "1000",
                  {"28", "28", "1.25", "8.25"},
                  3,
                  {0, 1, 2},
                  1,
                  "sondrel-calc: every row failed\n"}),
    testing_support::RowName{});

// The worked examples' texts, independently of the single-run path.
TEST(SweepRows, CarryTheWorkedExamples) {
    const Result sweep = RunWith({"--sweep-elevation", "0:20000:1000"});
    const std::vector<Record> records = ParseCsv(sweep.out);
    ASSERT_EQ(records.size(), 22u);
    EXPECT_EQ(Record(records[1].begin(), records[1].end()),
              (Record{"0", "6", "1812.97964257354", "1850.6531358149223", "3.791738", "4.2488885",
                      "1813.", "1851.", "3.792", "4.249", "", ""}));
    EXPECT_EQ(Record(records[2].begin() + 6, records[2].end()),
              (Record{"1888.", "1646.", "3.64", "4.081", "", ""}));
    EXPECT_EQ(records[6][0], "5000");
    EXPECT_EQ(records[6][1], "9");
    EXPECT_EQ(Record(records[6].begin() + 6, records[6].end()),
              (Record{"2187.", "901.", "3.075", "3.456", "", ""}));
    EXPECT_EQ(records[16][7], "-504.");  // 15000 ft
}

// ---------------------------------------------------------------------------------------------
// START:STOP:STEP: how many rows, and which texts are refused.

struct RangeCase {
    const char* name;
    const char* text;
    std::size_t rows;     // 0 when the text is refused
    const char* problem;  // expected part of the message when refused
};

class SweepRangeText : public testing::TestWithParam<RangeCase> {};

TEST_P(SweepRangeText, RowsOrProblem) {
    const RangeCase& c = GetParam();
    SweepRange range;
    const auto problem = ParseSweepRange(c.text, range);
    if (c.rows == 0) {
        ASSERT_TRUE(problem.has_value()) << "rows " << range.rows;
        EXPECT_NE(problem->find(c.problem), std::string::npos) << *problem;
        return;
    }
    ASSERT_FALSE(problem.has_value()) << *problem;
    EXPECT_EQ(range.rows, c.rows);
    // The last row is at or (by rounding only) just past STOP; the next one clearly past it.
    const double direction = range.step > 0 ? 1 : -1;
    const double last = SweepElevation(range, range.rows - 1);
    const double next = SweepElevation(range, range.rows);
    EXPECT_LE((last - range.stop) * direction, 1e-9 * std::abs(range.step)) << last;
    EXPECT_GT((next - range.stop) * direction, 1e-9 * std::abs(range.step)) << next;
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, SweepRangeText,
    testing::Values(
        RangeCase{"Inclusive", "0:20000:1000", 21, ""},
        RangeCase{"StepDoesNotDivide", "0:10:3", 4, ""},
        RangeCase{"StepDividesExactly", "0:9:3", 4, ""}, RangeCase{"CountsDown", "10:0:-3", 4, ""},
        RangeCase{"StartIsStop", "5:5:1", 1, ""},
        RangeCase{"StartIsStopNegativeStep", "5:5:-1", 1, ""},
        RangeCase{"RoundingBelowStop", "0:0.3:0.1", 4, ""},
        RangeCase{"SeventhsOfAFoot", "0:1:0.14285714285714285", 8, ""},
        RangeCase{"GroupedAndBlank", " -1,000 : 1,000 : 500 ", 5, ""},
        RangeCase{"TenMillionRows", "1:10000000:1", 10'000'000, ""},
        RangeCase{"OneRowTooMany", "0:10000000:1", 0, "more than 10,000,000 rows"},
        RangeCase{"TinyStep", "0:1:1e-300", 0, "more than 10,000,000 rows"},
        RangeCase{"SpanOverflows", "-1e308:1e308:1e300", 0, "more than 10,000,000 rows"},
        RangeCase{"ZeroStep", "0:100:0", 0, "STEP must not be zero"},
        RangeCase{"StepAwayFromStop", "0:100:-10", 0, "use a positive STEP"},
        RangeCase{"StepAwayWhenCountingDown", "100:0:10", 0, "use a negative STEP"},
        RangeCase{"StartNotANumber", "abc:100:10", 0,
                  "--sweep-elevation START: \"abc\" is not a number"},
        RangeCase{"EmptyStop", "0::10", 0, "--sweep-elevation STOP: \"\" is not a number"},
        RangeCase{"StepTooLarge", "0:1:1e400", 0, "--sweep-elevation STEP: \"1e400\" is too large"},
        RangeCase{"TwoParts", "0:100", 0, "wants START:STOP:STEP"}),
    testing_support::RowName{});

// ---------------------------------------------------------------------------------------------
// The writer.

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
    const std::string sink = Written([](TextWriter& out) { out.Double(GetParam().value); });
    EXPECT_EQ(sink, GetParam().text);
    ExpectSameDouble(sink, GetParam().value, "read back");
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

// More rows than one round of blocks, successes and failures mixed: the same bytes and counts
// on any number of threads.
TEST(SweepWriter, SameBytesOnAnyNumberOfThreads) {
    SweepRange range;
    ASSERT_FALSE(ParseSweepRange("145000:145700:0.01", range).has_value());
    ASSERT_EQ(range.rows, 70001u);
    std::string one;
    TableCounts one_counts;
    {
        TextWriter out(&one);
        one_counts = WriteSweep(out, range, Design{}, nullptr, 1);
    }
    const std::size_t one_ok = one_counts.succeeded;
    EXPECT_GT(one_ok, 0u);
    EXPECT_LT(one_ok, range.rows);
    for (const unsigned threads : {2u, 3u}) {
        std::string many;
        TableCounts many_counts;
        {
            TextWriter out(&many);
            many_counts = WriteSweep(out, range, Design{}, nullptr, threads);
        }
        EXPECT_EQ(many_counts.succeeded, one_ok) << threads;
        EXPECT_EQ(many_counts.warned, one_counts.warned) << threads;
        EXPECT_TRUE(many == one) << threads << " threads give different bytes";
    }
}

// A full disk stops the sweep instead of calculating the rest for nothing.
TEST(SweepWriter, StopsWhenOutputFails) {
    std::FILE* full = std::fopen("/dev/full", "w");
    if (full == nullptr) {
        GTEST_SKIP() << "no /dev/full here";
    }
    SweepRange range;
    ASSERT_FALSE(ParseSweepRange("0:99999.9:0.1", range).has_value());  // every row succeeds
    for (const unsigned threads : {1u, 2u}) {
        TextWriter out(full);
        const std::size_t succeeded = WriteSweep(out, range, Design{}, nullptr, threads).succeeded;
        EXPECT_FALSE(out.Flush());
        EXPECT_LT(succeeded, 200'000u) << threads;
    }
    std::fclose(full);
}

}  // namespace
}  // namespace sondrel::cli
