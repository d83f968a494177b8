#include "calc/solver.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "calc/circuit_model.h"
#include "calc/failure.h"

#include "tests/support/reference_designs.h"
#include "tests/support/row_name.h"

namespace sondrel {
namespace {
using sondrel::testing_support::PrintTo;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    return lines;
}

struct SolverCase {
    const char* name;
    InputTexts inputs;
    int passes;
    std::vector<std::string> lines;
};

SolverCase Reference(const testing_support::ReferenceDesign& design) {
    const auto& [elevation, lo_baro, hi_baro, lo_volts, hi_volts] = design.texts;
    return {design.name,
            {elevation, lo_baro, hi_baro, lo_volts, hi_volts},
            design.passes,
            {design.lines.begin(), design.lines.end()}};
}

class SolverTest : public testing::TestWithParam<SolverCase> {};

TEST_P(SolverTest, SettlesWithTheExpectedLinesAndPasses) {
    const SolverCase& c = GetParam();
    CalculatorSession session;
    const Outcome outcome = session.Calculate(c.inputs);
    ASSERT_TRUE(outcome.solved) << outcome.failure.Message();
    EXPECT_TRUE(session.initialized());
    EXPECT_EQ(outcome.passes, c.passes);
    EXPECT_EQ(Lines(outcome.Text()), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, SolverTest,
    testing::Values(Reference(testing_support::kDefaultDesign),
                    Reference(testing_support::kAt1000Ft), Reference(testing_support::kAt5000Ft),
                    Reference(testing_support::kAt15000Ft),
                    Reference(testing_support::kHalfToFourAndAHalfVolts),
                    Reference(testing_support::kFallingVolts),
                    // Below sea level the sensor sees more than at sea level (3.792, 4.249).
                    SolverCase{"BelowSeaLevel",
                               {"-1000", "28", "31", "1.25", "8.25"},
                               6,
                               {"VR2 = 1738. Ohms", "VR1 wiper to GND side = 2062. Ohms",
                                "LoVin = 3.948 Volts", "HiVin = 4.422 Volts"}}),
    testing_support::RowName{});

TEST(Initialize, LoadsTheNumbersAndLeavesTheCountAndTheFlag) {
    CalculatorSession session;
    EXPECT_FALSE(session.Initialize({"-1000", "31", "28", "1.25", "8.25"}).has_value());
    EXPECT_EQ(session.loaded().elevation_ft, -1000);
    EXPECT_EQ(session.loaded().lo_baro_inhg, 31);
    EXPECT_EQ(session.loaded().hi_volts, 8.25);
    EXPECT_FALSE(session.initialized());
    EXPECT_EQ(session.passes(), 0);
}

TEST(Calculate, RepeatedWithoutEditsRunsOnePassWithTheSameLines) {
    CalculatorSession session;
    const std::string first = session.Calculate({}).Text();
    const Outcome again = session.Calculate({"999", "x", "x", "x", "x"});  // inputs unread
    EXPECT_EQ(again.Text(), first);
    EXPECT_EQ(again.passes, 6);
}

TEST(Calculate, ClearingInitializedReloadsAndRestartsTheCount) {
    CalculatorSession session;
    session.Calculate({});
    session.ClearInitialized();
    EXPECT_EQ(session.Calculate({"5000", "28", "31", "1.25", "8.25"}).passes, 9);
    EXPECT_EQ(session.loaded().elevation_ft, 5000);
}

TEST(Calculate, InitializeOnItsOwnKeepsCountingUpToTheLimit) {
    CalculatorSession session;
    const std::string settled = session.Calculate({}).Text();

    session.Initialize({});  // the estimate back to 0.34, the count left at 6
    Outcome outcome = session.Calculate({});
    EXPECT_EQ(outcome.passes, 11);
    EXPECT_EQ(outcome.Text(), settled);

    for (int i = 0; i < 30 && session.passes() < kPassLimit; ++i) {
        session.Initialize({});
        EXPECT_LE(session.Calculate({}).passes, 100);
    }
    ASSERT_EQ(session.passes(), 100);
    // At the limit each Calculate runs a single pass from 0.34: its own lines, not settled ones,
    // and the design says so.
    session.Initialize({});
    outcome = session.Calculate({});
    EXPECT_EQ(outcome.passes, 100);
    EXPECT_NE(outcome.Text(), settled);
    ASSERT_EQ(outcome.warnings.size(), 1u);
    EXPECT_EQ(outcome.warnings[0].code, "pass-limit");
}

struct FailureCase {
    const char* name;
    InputTexts inputs;
    FailureKind kind;
    const char* message;  // expected substring
    bool initialized_after = false;
};

constexpr FailureKind kMismatch = FailureKind::TypeMismatch;
constexpr FailureKind kOverflow = FailureKind::Overflow;
constexpr FailureKind kByZero = FailureKind::DivisionByZero;

class CalculateFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(CalculateFailureTest, StopsWithTheKindAndKeepsTheBox) {
    const FailureCase& c = GetParam();
    CalculatorSession session;
    const Outcome outcome = session.Calculate(c.inputs);
    ASSERT_FALSE(outcome.solved);
    EXPECT_EQ(outcome.failure.kind, c.kind);
    EXPECT_NE(outcome.failure.Message().find(c.message), std::string::npos)
        << outcome.failure.Message();
    EXPECT_EQ(session.initialized(), c.initialized_after);
    EXPECT_EQ(outcome.passes, 1);
    EXPECT_EQ(outcome.lines.written, WrittenLines::None);  // failed before any line
    EXPECT_EQ(outcome.Text(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, CalculateFailureTest,
    testing::Values(
        FailureCase{"ElevationNotANumber",
                    {"abc", "28", "31", "1.25", "8.25"},
                    kMismatch,
                    "Elevation, ft: \"abc\" is not a number"},
        FailureCase{"LowPressureEmpty",
                    {"0", "", "31", "1.25", "8.25"},
                    kMismatch,
                    "LoBaro, inHg: \"\" is not a number"},
        FailureCase{"HighPressureMisgrouped",
                    {"0", "28", "3,1", "1.25", "8.25"},
                    kMismatch,
                    "HiBaro, inHg"},
        FailureCase{
            "LowVoltsNotANumber", {"0", "28", "31", "abc", "8.25"}, kMismatch, "LoVolt: \"abc\""},
        FailureCase{"HighVoltsTooLarge", {"0", "28", "31", "1.25", "1e400"}, kOverflow, "HiVolt"},
        FailureCase{"ElevationAboveTheFormula",
                    {"145492", "28", "31", "1.25", "8.25"},
                    FailureKind::InvalidArgument,
                    "logarithm"},
        FailureCase{"ElevationJustBelowTheLimit",
                    {"145450", "28", "31", "1.25", "8.25"},
                    kByZero,
                    "same sensor voltage: at this elevation the pressure ratio is "
                    "too small to tell the two pressures apart, falling to zero at "
                    "145,491.8 ft, the formula's limit (division by zero)"},
        FailureCase{
            "EqualPressures", {"0", "28", "28", "1.25", "8.25"}, kByZero, "same sensor voltage"},
        FailureCase{
            "EqualPressuresAndVolts", {"0", "28", "28", "5", "5"}, kByZero, "same sensor voltage"},
        FailureCase{"ElevationFarBelowSeaLevel",
                    {"-1e300", "28", "31", "1.25", "8.25"},
                    kOverflow,
                    "pressure ratio"},
        FailureCase{
            "OutputSpanOverflows", {"0", "28", "31", "-1e308", "1e308"}, kOverflow, "output span"},
        // Both spans overflow: the sensor span is named.
        FailureCase{"BothSpansOverflow",
                    {"-1e7", "-2.3e299", "2.3e299", "-1e308", "1e308"},
                    kOverflow,
                    "the sensor span is too large (overflow)"},
        // Loading worked; the solver's first pass divides by a zero second-stage gain.
        FailureCase{"EqualVolts",
                    {"0", "28", "31", "1.25", "1.25"},
                    kByZero,
                    "second-stage gain of zero",
                    true}),
    testing_support::RowName{});

TEST(CalculateFailure, HalfLoadedStateIsReloadedNextTime) {
    CalculatorSession session;
    const std::string settled = session.Calculate({}).Text();
    session.ClearInitialized();

    const Outcome failed = session.Calculate({"5000", "29", "abc", "1.25", "8.25"});
    EXPECT_FALSE(failed.solved);
    EXPECT_EQ(session.loaded().elevation_ft, 5000);  // read before the failure
    EXPECT_EQ(session.loaded().lo_baro_inhg, 29);    // read before the failure
    EXPECT_EQ(session.loaded().hi_baro_inhg, 31);    // still the old value
    EXPECT_FALSE(session.initialized());
    EXPECT_EQ(failed.lines.written, WrittenLines::None);

    const Outcome again = session.Calculate({});  // a full reload, not the mixed state
    EXPECT_EQ(again.Text(), settled);
    EXPECT_EQ(again.passes, 6);
}

TEST(CalculateFailure, LaterPassFailureLeavesThePreviousPassLines) {
    // VR2 fits a double on the first pass and overflows on the second, whose first-stage
    // gain is smaller.
    CalculatorSession session;
    const Outcome outcome = session.Calculate({"0", "28", "31", "1.25", "5.03e305"});
    ASSERT_FALSE(outcome.solved);
    EXPECT_EQ(outcome.failure.kind, FailureKind::Overflow);
    EXPECT_EQ(outcome.failure.Message(), "VR2 is too large (overflow)");
    EXPECT_EQ(outcome.passes, 2);
    EXPECT_TRUE(session.initialized());
    const std::vector<std::string> lines = Lines(outcome.Text());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].substr(0, 10), "VR2 = 1780");
    EXPECT_EQ(lines[0].size(), std::string("VR2 = . Ohms").size() + 309);
    EXPECT_EQ(lines[1], "VR1 wiper to GND side = 1656. Ohms");
}

TEST(ResultsText, TheWrittenLinesAsTheBoxShowsThem) {
    EXPECT_EQ(FormatResultLines({WrittenLines::Vr2Alone, 1812.98}), "VR2 = 1813. Ohms");
    EXPECT_EQ(FormatResultLines({WrittenLines::AllFour, 739.4, 2163.2, 0.5, 2}),
              "VR2 = 739. Ohms\r\nVR1 wiper to GND side = 2163. Ohms\r\nLoVin = .5 Volts\r\n"
              "HiVin = 2. Volts");
    EXPECT_EQ(FormatResultLines({WrittenLines::None, 1}), "");
}

}  // namespace
}  // namespace sondrel
