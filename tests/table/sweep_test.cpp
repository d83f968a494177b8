// Sweep ranges and the sweep writer: how many rows START:STOP:STEP gives, which texts are
// refused, the elevations of texts as typed, and the table and chart when the output fails.

#include "table/sweep.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "calc/design.h"
#include "tests/support/row_name.h"
#include "tests/support/written.h"

namespace sondrel {
namespace {
using sondrel::testing_support::PrintTo;

struct RangeCase {
    const char* name;
    const char* text;
    std::size_t rows;     // 0 when the text is refused
    const char* problem;  // expected part of the message when refused
};

class SweepRangeText : public testing::TestWithParam<RangeCase> {};

TEST_P(SweepRangeText, RowsOrProblem) {
    const RangeCase& c = GetParam();
    const Result<SweepRange> range = ParseSweepRange(c.text, "--sweep-elevation");
    if (c.rows == 0) {
        ASSERT_FALSE(range.ok()) << "rows " << range->rows;
        EXPECT_NE(range.failure().Message().find(c.problem), std::string::npos)
            << range.failure().Message();
        return;
    }
    ASSERT_TRUE(range.ok()) << range.failure().Message();
    EXPECT_EQ(range->rows, c.rows);
    // The last row is at or (by rounding only) just past STOP; the next one, unless STEP is
    // lost in rounding, clearly past it.
    const double direction = range->step > 0 ? 1 : -1;
    const double last = SweepElevation(*range, range->rows - 1);
    const double next = SweepElevation(*range, range->rows);
    EXPECT_LE((last - range->stop) * direction, 1e-9 * std::abs(range->step)) << last;
    if (next != last) {
        EXPECT_GT((next - range->stop) * direction, 1e-9 * std::abs(range->step)) << next;
    }
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
        RangeCase{"SpanOverflowsInThreeRows", "-1e308:1e308:1e308", 3, ""},
        RangeCase{"StartIsStopStepLostInRounding", "0.1:0.1:1e-18", 1, ""},
        RangeCase{"StartIsStopBeyondWholeDoubles", "1e20:1e20:1", 1, ""},
        RangeCase{"ZeroStep", "0:100:0", 0, "--sweep-elevation: STEP must not be zero"},
        RangeCase{"StepAwayFromStop", "0:100:-10", 0, "use a positive STEP"},
        RangeCase{"StepAwayWhenCountingDown", "100:0:10", 0, "use a negative STEP"},
        RangeCase{"StartNotANumber", "abc:100:10", 0,
                  "--sweep-elevation START: \"abc\" is not a number"},
        RangeCase{"EmptyStop", "0::10", 0, "--sweep-elevation STOP: \"\" is not a number"},
        RangeCase{"StepTooLarge", "0:1:1e400", 0, "--sweep-elevation STEP: \"1e400\" is too large"},
        RangeCase{"TwoParts", "0:100", 0,
                  "--sweep-elevation wants START:STOP:STEP, got \"0:100\""}),
    testing_support::RowName{});

// The page's boxes: the three texts as typed, read with the browser's separators.
struct TypedCase {
    const char* name;
    const char* start;
    const char* stop;
    const char* step;
    NumberSeparators separators;
    const char* elevations;  // joined by " ", or the failure's message
};

class SweepTexts : public testing::TestWithParam<TypedCase> {};

TEST_P(SweepTexts, ElevationsAsTyped) {
    const TypedCase& c = GetParam();
    const Result<SweepRange> range = ReadSweepRange(c.start, c.stop, c.step, c.separators);
    std::string elevations;
    if (!range) {
        elevations = range.failure().Message();
    }
    for (std::size_t i = 0; range && i < range->rows; ++i) {
        elevations += (i == 0 ? "" : " ") + testing_support::Written([&](TextWriter& o) {
                          o.Double(SweepElevation(*range, i));
                      });
    }
    EXPECT_EQ(elevations, c.elevations);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SweepTexts,
    testing::Values(
        // 19 decimals typed: as --sweep-elevation 0:1:0.1000000000000000000 gives them.
        TypedCase{"LongStepKeepsItsDecimals",
                  "0",
                  "1",
                  "0.1000000000000000000",
                  {},
                  "0 0.1 0.2 0.30000000000000004 0.4 0.5 0.6000000000000001 0.7000000000000001 "
                  "0.8 0.9 1"},
        // Past 1e15, a row's digits are more than a double holds as an integer.
        TypedCase{"HalvesPastWholeDoubles",
                  "1000000000000000",
                  "1000000000000001",
                  "0.5",
                  {},
                  "1e+15 1000000000000000.5 1000000000000001"},
        TypedCase{"CommaDecimals", "-0,5", "1.000", "250,25", {",", "."}, "-0.5 249.75 500 750.25"},
        TypedCase{"StartNamed", "abc", "1", "1", {}, "START: \"abc\" is not a number"},
        TypedCase{"RangeProblemNamesNoInput", "0", "1", "0", {}, "STEP must not be zero"}),
    testing_support::RowName{});

// A closed output stops the table, and the chart still gets every one of its rows, as a
// sweep that writes the whole table gives them.
TEST(SweepWriter, ChartWholeWhenOutputFails) {
    std::FILE* full = std::fopen("/dev/full", "w");
    if (full == nullptr) {
        GTEST_SKIP() << "no /dev/full here";
    }
    const Result<SweepRange> range = ParseSweepRange("0:19999:1", "--sweep-elevation");
    ASSERT_TRUE(range.ok());
    std::vector<chart::ChartRow> cut;
    TableCounts counts;
    {
        TextWriter out(full);
        counts = WriteSweep(out, *range, Design{}, &cut);
        const std::optional<Failure>& failure = out.Flush();
        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(failure->Message(), "No space left on device");
    }
    std::fclose(full);
    EXPECT_LT(counts.rows, 2'000u);
    std::string table;
    std::vector<chart::ChartRow> whole;
    {
        TextWriter out(&table);
        EXPECT_EQ(WriteSweep(out, *range, Design{}, &whole).rows, 20'000u);
    }
    ASSERT_EQ(cut.size(), 1001u);
    ASSERT_EQ(whole.size(), 1001u);
    for (std::size_t i = 0; i < cut.size(); ++i) {
        EXPECT_TRUE(cut[i].elevation_ft == whole[i].elevation_ft &&
                    cut[i].vr2_ohms == whole[i].vr2_ohms && cut[i].warnings == whole[i].warnings)
            << i;
    }
    EXPECT_EQ(whole[1000].elevation_ft, 19999);
}

}  // namespace
}  // namespace sondrel
