// Elevation sweeps and CSV output: the rows of a sweep, the range arithmetic, the quoting,
// and the writer's behaviour with threads and failing output.

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

// ---------------------------------------------------------------------------------------------
// A sweep's rows: each elevation once, in order, each row as a single --csv run of its
// elevation prints it (run_test.cpp has the 1000 ft one), failed rows told on stderr.

struct SweepCase {
    const char* name;
    std::vector<std::string_view> args;  // START:STOP:STEP, then the four values or none
    int code;
    std::string err;                // all of standard error
    std::string elevations;         // the first column, the rows' joined by " "
    std::vector<std::string> rows;  // whole rows among them
};

class SweepRows : public testing::TestWithParam<SweepCase> {};

TEST_P(SweepRows, OneRowPerElevation) {
    const SweepCase& c = GetParam();
    std::vector<std::string_view> args = {"--sweep-elevation"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Result sweep = RunWith(args);
    EXPECT_EQ(sweep.code, c.code);
    EXPECT_EQ(sweep.err, c.err);
    ASSERT_TRUE(sweep.out.starts_with(kHeader + "\n")) << sweep.out;
    ASSERT_TRUE(sweep.out.ends_with("\n"));

    std::string elevations;
    for (std::size_t at = kHeader.size() + 1; at < sweep.out.size();
         at = sweep.out.find('\n', at) + 1) {
        if (!elevations.empty()) {
            elevations += ' ';
        }
        elevations.append(sweep.out, at, sweep.out.find(',', at) - at);
    }
    EXPECT_EQ(elevations, c.elevations);
    for (const std::string& row : c.rows) {
        EXPECT_NE(sweep.out.find("\n" + row + "\n"), std::string::npos) << row;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sweeps, SweepRows,
    testing::Values(
        SweepCase{"Every1000FtTo20000",
                  {"0:20000:1000"},
                  0,
                  "",
                  "0 1000 2000 3000 4000 5000 6000 7000 8000 9000 10000 11000 12000 13000 14000 "
                  "15000 16000 17000 18000 19000 20000",
                  {"0,6,1812.97964257354,1850.6531358149223,3.791738,4.2488885,1813.,1851.,3.792,"
                   "4.249,,",
                   "1000,6,1887.8094340075622,1646.3438863916608,3.6398366171667664,"
                   "4.080711969006062,1888.,1646.,3.64,4.081,,",
                   "5000,9,2186.746748492207,900.6216177486549,3.0753425701723742,"
                   "3.4557364169765563,2187.,901.,3.075,3.456,,",
                   "11000,14,2651.9972668802266,-13.945800742402525,2.3475515113041423,"
                   "2.649967744658157,2652.,-14.,2.348,2.65,,vr1-negative",
                   "15000,15,2991.4042648283266,-503.75704534348483,1.9333640123223832,"
                   "2.1914030136426383,2991.,-504.,1.933,2.191,,vr1-negative"}},
        SweepCase{"DownThroughSeaLevel",
                  {"500:-500:-125"},
                  0,
                  "",
                  "500 375 250 125 0 -125 -250 -375 -500",
                  {"-500,6,1775.4593441380548,1955.4763851734651,3.8693732797308797,"
                   "4.3348418454163316,1775.,1955.,3.869,4.335,,"}},
        SweepCase{"StepNotDividingTheRange", {"0:10000:3000"}, 0, "", "0 3000 6000 9000", {}},
        // START + i*STEP, rounded to the decimals START and STEP have between them.
        SweepCase{"RoundedStepStillReachesStop", {"0:0.3:0.1"}, 0, "", "0 0.1 0.2 0.3", {}},
        SweepCase{"DecimalStep",
                  {"-50:50:7.3"},
                  0,
                  "",
                  "-50 -42.7 -35.4 -28.1 -20.8 -13.5 -6.2 1.1 8.4 15.7 23 30.3 37.6 44.9",
                  {}},
        SweepCase{
            "ThroughZeroWithAnExponent", {"-3e-1:0.1:1e-1"}, 0, "", "-0.3 -0.2 -0.1 0 0.1", {}},
        SweepCase{"SingleRow", {"7:7:-1"}, 0, "", "7", {}},
        // The first-pass wiper error crosses zero near 26,521.1608 ft.
        SweepCase{"FailingMiddleRow",
                  {"26521.158:26521.163:0.001"},
                  0,
                  "sondrel-calc: 1 of 6 rows failed (elevation 26521.161)\n",
                  "26521.158 26521.159 26521.16 26521.161 26521.162 26521.163",
                  {"26521.161,,,,,,,,,,the new wiper estimate is exactly zero (division by zero),",
                   "26521.162,12,4257.9505455634435,-1504.769788703704,1.0065906879614788,"
                   "1.1653325473859226,4258.,-1505.,1.007,1.165,,vr1-negative"}},
        SweepCase{
            "PastTheElevationLimit",
            {"145300:145600:100"},
            0,
            "sondrel-calc: 3 of 4 rows failed (elevations 145400, 145500, 145600)\n",
            "145300 145400 145500 145600",
            {"145300,5,3024233012563227648,-119.68302668580691,-0.47499999999999687,"
             "-0.47499999999999654,3024233012563230000.,-120.,-.475,-.475,,"
             "sensor-range;vr1-negative;vr2-beyond-track",
             "145400,,,,,,,,,,\"the low and high pressures give the same sensor voltage: at "
             "this elevation the pressure ratio is too small to tell the two pressures apart, "
             "falling to zero at 145,491.8 ft, the formula's limit (division by zero)\",",
             "145500,,,,,,,,,,\"the elevation must be below 145,491.8 ft (logarithm of a "
             "non-positive number)\","}},
        SweepCase{"FallingVolts",
                  {"-1000:3000:2000", "28", "31", "8.25", "1.25"},
                  0,
                  "",
                  "-1000 1000 3000",
                  {"1000,6,-3331.9758722332003,1695.5907568906414,3.6398366171667664,"
                   "4.080711969006062,-3332.,1696.,3.64,4.081,,vr2-negative"}},
        SweepCase{"Hectopascals",
                  {"0:1000:1000", "2800", "3100", "1.25", "8.25"},
                  0,
                  "",
                  "0 1000",
                  {"0,4,-718.5478230910385,9598.50849284769,426.19879999999995,471.91384999999997,"
                   "-719.,9599.,426.199,471.914,,sensor-range;vr1-beyond-track;vr2-negative"}},
        SweepCase{"EqualPressuresFailEveryRow",
                  {"0:2000:1000", "28", "28", "1.25", "8.25"},
                  1,
                  "sondrel-calc: every row failed\n",
                  "0 1000 2000",
                  {"2000,,,,,,,,,,the low and high pressures give the same sensor voltage "
                   "(division by zero),"}}),
    testing_support::RowName{});

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
    // Bit for bit, so that -0 and 0 differ and nothing is compared with a tolerance.
    double back = 1;
    const auto [end, ec] = std::from_chars(sink.data(), sink.data() + sink.size(), back);
    EXPECT_TRUE(ec == std::errc{} && end == sink.data() + sink.size());
    EXPECT_EQ(std::bit_cast<std::uint64_t>(back), std::bit_cast<std::uint64_t>(GetParam().value));
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
