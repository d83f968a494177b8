#include "calc/calculator_state.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "calc/failure.h"

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
    std::vector<std::string> lines;  // empty: not checked
};

class SolverTest : public testing::TestWithParam<SolverCase> {};

TEST_P(SolverTest, SettlesWithTheExpectedLinesAndPasses) {
    const SolverCase& c = GetParam();
    CalculatorState state;
    StringTextHolder box;
    Calculate(state, c.inputs, box);
    EXPECT_TRUE(state.Initialized);
    EXPECT_EQ(state.PassCount, c.passes);
    if (!c.lines.empty()) {
        EXPECT_EQ(Lines(box.Text()), c.lines);
    } else {
        EXPECT_EQ(Lines(box.Text()).size(), 4u);
    }

    // TryCalculate settles the same way and returns the lines the box shows.
    CalculatorState try_state;
    StringTextHolder try_box;
    ResultLines lines;
    lines.vr2_ohms = -1;
    CalculateFailure failure;
    ASSERT_TRUE(TryCalculate(try_state, c.inputs, try_box, lines, failure)) << failure.message;
    EXPECT_EQ(try_box.Text(), box.Text());
    EXPECT_EQ(FormatResultLines(lines), box.Text());
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, SolverTest,
    testing::Values(
        SolverCase{"Defaults",
                   {},
                   6,
                   {"VR2 = 1813. Ohms", "VR1 wiper to GND side = 1851. Ohms", "LoVin = 3.792 Volts",
                    "HiVin = 4.249 Volts"}},
        SolverCase{"Elevation1000ft",
                   {"1000", "28", "31", "1.25", "8.25"},
                   6,
                   {"VR2 = 1888. Ohms", "VR1 wiper to GND side = 1646. Ohms", "LoVin = 3.64 Volts",
                    "HiVin = 4.081 Volts"}},
        SolverCase{"Elevation5000ft",
                   {"5000", "28", "31", "1.25", "8.25"},
                   9,
                   {"VR2 = 2187. Ohms", "VR1 wiper to GND side = 901. Ohms", "LoVin = 3.075 Volts",
                    "HiVin = 3.456 Volts"}},
        SolverCase{"Elevation10000ft", {"10000", "28", "31", "1.25", "8.25"}, 13, {}},
        SolverCase{"Elevation15000ftNegativeVr1",
                   {"15000", "28", "31", "1.25", "8.25"},
                   15,
                   {"VR2 = 2991. Ohms", "VR1 wiper to GND side = -504. Ohms", "LoVin = 1.933 Volts",
                    "HiVin = 2.191 Volts"}},
        // The fifth pass moves by 1.0013E-04: just above the tolerance, so a sixth runs.
        SolverCase{"StrictToleranceSixthPass",
                   {"0", "28", "31", "0.5", "4.5"},
                   6,
                   {"VR2 = 739. Ohms", "VR1 wiper to GND side = 2163. Ohms", "LoVin = 3.792 Volts",
                    "HiVin = 4.249 Volts"}},
        SolverCase{"FallingVolts",
                   {"0", "28", "31", "8.25", "1.25"},
                   6,
                   {"VR2 = -3256. Ohms", "VR1 wiper to GND side = 1902. Ohms",
                    "LoVin = 3.792 Volts", "HiVin = 4.249 Volts"}},
        SolverCase{"FallingPressures", {"0", "31", "28", "1.25", "8.25"}, 6, {}},
        SolverCase{"BelowSeaLevel", {"-1000", "28", "31", "1.25", "8.25"}, 6, {}}),
    testing_support::RowName{});

TEST(Initialize, DerivesTheSensorVoltagesForTheDefaults) {
    CalculatorState state;
    state.PassCount = 7;
    Initialize(state, {});
    EXPECT_EQ(state.PressRatio, 1.0);
    EXPECT_NEAR(state.LoVin, 3.791738, 1e-12);
    EXPECT_NEAR(state.HiVin, 4.2488885, 1e-12);
    EXPECT_NEAR(state.SpanGain, 15.312244, 1e-6);
    EXPECT_EQ(state.VinTarget, state.HiVin);
    EXPECT_EQ(state.VoutTarget, state.HiVolt);
    EXPECT_EQ(state.WiperGuess, 0.34);
    EXPECT_FALSE(state.Initialized);  // untouched
    EXPECT_EQ(state.PassCount, 7);    // untouched
}

TEST(Initialize, StoresANegativeSpanGainAndARatioAboveOneBelowSeaLevel) {
    CalculatorState state;
    Initialize(state, {"-1000", "31", "28", "1.25", "8.25"});
    EXPECT_GT(state.PressRatio, 1.0);
    EXPECT_LT(state.SpanGain, 0.0);
}

TEST(Calculate, DefaultsEndAtTheWorkedWiperEstimate) {
    CalculatorState state;
    StringTextHolder box;
    Calculate(state, {}, box);
    EXPECT_NEAR(state.WiperGuess, 0.396581, 1e-6);
    EXPECT_NEAR(state.WiperNew, 0.3965588, 1e-7);
    const ResultLines* results = box.Results();
    ASSERT_NE(results, nullptr);
    EXPECT_NEAR(results->vr2_ohms, 1812.98, 0.01);
    EXPECT_NEAR(results->vr1_wiper_to_gnd_ohms, 1850.65, 0.01);
}

TEST(Calculate, RepeatedWithoutEditsRunsOnePassWithTheSameLines) {
    CalculatorState state;
    StringTextHolder box;
    Calculate(state, {}, box);
    const std::string first = box.Text();
    const double guess = state.WiperGuess;
    box.SetText("typed by the user");
    Calculate(state, {"999", "x", "x", "x", "x"}, box);  // not reloaded: inputs unread
    EXPECT_EQ(box.Text(), first);
    EXPECT_EQ(state.PassCount, 6);
    EXPECT_EQ(state.WiperGuess, guess);
}

TEST(Calculate, ClearingInitializedReloadsAndRestartsTheCount) {
    CalculatorState state;
    StringTextHolder box;
    Calculate(state, {}, box);
    ClearInitialized(state);
    Calculate(state, {"5000", "28", "31", "1.25", "8.25"}, box);
    EXPECT_EQ(state.PassCount, 9);
    EXPECT_EQ(state.Elev, 5000);
}

TEST(Calculate, InitializeOnItsOwnKeepsCountingUpToTheLimit) {
    CalculatorState state;
    StringTextHolder box;
    Calculate(state, {}, box);
    const std::string settled = box.Text();

    Initialize(state, {});  // WiperGuess back to 0.34, PassCount left at 6
    Calculate(state, {}, box);
    EXPECT_EQ(state.PassCount, 11);
    EXPECT_EQ(box.Text(), settled);

    for (int i = 0; i < 30 && state.PassCount < 100; ++i) {
        Initialize(state, {});
        Calculate(state, {}, box);
        EXPECT_LE(state.PassCount, 100);
    }
    ASSERT_EQ(state.PassCount, 100);
    // At the limit each Calculate runs a single pass from 0.34: its own lines, not settled ones.
    Initialize(state, {});
    Calculate(state, {}, box);
    EXPECT_EQ(state.PassCount, 100);
    EXPECT_NE(box.Text(), settled);
    EXPECT_EQ(state.WiperGuess, 0.34);
}

struct FailureCase {
    const char* name;
    InputTexts inputs;
    FailureKind kind;
    const char* message;  // expected substring
    bool initialized_after;
    int passes = 1;
    bool box_kept = true;  // failed in the first pass, before any line
};

class CalculateFailureTest : public testing::TestWithParam<FailureCase> {};

// And TryCalculate fails as Calculate throws, leaving the box alike and the lines untouched.
TEST_P(CalculateFailureTest, StopsWithTheKindAndKeepsTheBox) {
    const FailureCase& c = GetParam();
    CalculatorState state;
    StringTextHolder box("before");
    std::string thrown;
    FailureKind thrown_kind = FailureKind::File;
    try {
        Calculate(state, c.inputs, box);
        ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.kind(), c.kind);
        EXPECT_NE(std::string(failure.what()).find(c.message), std::string::npos) << failure.what();
        thrown = failure.what();
        thrown_kind = failure.kind();
    }
    EXPECT_EQ(state.Initialized, c.initialized_after);
    EXPECT_EQ(state.PassCount, c.passes);
    if (c.box_kept) {
        EXPECT_EQ(box.Text(), "before");
    } else {
        EXPECT_EQ(Lines(box.Text()).size(), 4u);
    }

    CalculatorState try_state;
    StringTextHolder try_box("before");
    ResultLines lines;
    lines.vr2_ohms = 123;
    CalculateFailure failure;
    EXPECT_FALSE(TryCalculate(try_state, c.inputs, try_box, lines, failure));
    EXPECT_EQ(failure.kind, thrown_kind);
    EXPECT_EQ(failure.message, thrown);
    EXPECT_EQ(try_box.Text(), box.Text());
    EXPECT_EQ(lines.vr2_ohms, 123);  // untouched
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, CalculateFailureTest,
    testing::Values(FailureCase{"ElevationNotANumber",
                                {"abc", "28", "31", "1.25", "8.25"},
                                FailureKind::TypeMismatch,
                                "Elevation, ft: \"abc\" is not a number",
                                false},
                    FailureCase{"LowPressureEmpty",
                                {"0", "", "31", "1.25", "8.25"},
                                FailureKind::TypeMismatch,
                                "LoBaro, inHg: \"\" is not a number",
                                false},
                    FailureCase{"HighPressureMisgrouped",
                                {"0", "28", "3,1", "1.25", "8.25"},
                                FailureKind::TypeMismatch,
                                "HiBaro, inHg",
                                false},
                    FailureCase{"LowVoltsNotANumber",
                                {"0", "28", "31", "abc", "8.25"},
                                FailureKind::TypeMismatch,
                                "LoVolt: \"abc\"",
                                false},
                    FailureCase{"HighVoltsTooLarge",
                                {"0", "28", "31", "1.25", "1e400"},
                                FailureKind::Overflow,
                                "HiVolt",
                                false},
                    FailureCase{"ElevationAboveTheFormula",
                                {"145492", "28", "31", "1.25", "8.25"},
                                FailureKind::InvalidArgument,
                                "logarithm",
                                false},
                    FailureCase{"ElevationJustBelowTheLimit",
                                {"145400", "28", "31", "1.25", "8.25"},
                                FailureKind::DivisionByZero,
                                "same sensor voltage",
                                false},
                    FailureCase{"EqualPressures",
                                {"0", "28", "28", "1.25", "8.25"},
                                FailureKind::DivisionByZero,
                                "same sensor voltage",
                                false},
                    FailureCase{"EqualPressuresAndVolts",
                                {"0", "28", "28", "5", "5"},
                                FailureKind::DivisionByZero,
                                "same sensor voltage",
                                false},
                    FailureCase{"ElevationFarBelowSeaLevel",
                                {"-1e300", "28", "31", "1.25", "8.25"},
                                FailureKind::Overflow,
                                "pressure ratio",
                                false},
                    FailureCase{"OutputSpanOverflows",
                                {"0", "28", "31", "-1e308", "1e308"},
                                FailureKind::Overflow,
                                "output span",
                                false},
                    // Both spans overflow: the sensor span is named.
                    FailureCase{"BothSpansOverflow",
                                {"-1e7", "-2.3e299", "2.3e299", "-1e308", "1e308"},
                                FailureKind::Overflow,
                                "the sensor span is too large (overflow)",
                                false},
                    // Loading worked; the solver's first pass divides by a zero second-stage gain.
                    FailureCase{"EqualVolts",
                                {"0", "28", "31", "1.25", "1.25"},
                                FailureKind::DivisionByZero,
                                "second-stage gain of zero",
                                true},
                    // VR2 fits a double on the first pass and overflows on the second.
                    FailureCase{"SecondPassVr2Overflows",
                                {"0", "28", "31", "1.25", "5.03e305"},
                                FailureKind::Overflow,
                                "VR2 is too large (overflow)",
                                true,
                                2,
                                false}),
    testing_support::RowName{});

TEST(CalculateFailure, HalfLoadedStateIsReloadedNextTime) {
    CalculatorState state;
    StringTextHolder box;
    Calculate(state, {}, box);
    const std::string settled = box.Text();
    ClearInitialized(state);

    EXPECT_THROW(Calculate(state, {"5000", "29", "abc", "1.25", "8.25"}, box), Failure);
    EXPECT_EQ(state.Elev, 5000);  // read before the failure
    EXPECT_EQ(state.LoBaro, 29);  // read before the failure
    EXPECT_EQ(state.HiBaro, 31);  // still the old value
    EXPECT_FALSE(state.Initialized);
    EXPECT_EQ(box.Text(), settled);

    Calculate(state, {}, box);  // a full reload, not the mixed state
    EXPECT_EQ(box.Text(), settled);
    EXPECT_EQ(state.PassCount, 6);
}

}  // namespace
}  // namespace sondrel

namespace sondrel {
namespace {

TEST(CalculateFailure, LaterPassFailureLeavesThePreviousPassLines) {
    // VR2 fits a double on the first pass and overflows on the second, whose first-stage
    // gain is smaller.
    CalculatorState state;
    StringTextHolder box("before");
    try {
        Calculate(state, {"0", "28", "31", "1.25", "5.03e305"}, box);
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.kind(), FailureKind::Overflow);
        EXPECT_STREQ(failure.what(), "VR2 is too large (overflow)");
    }
    EXPECT_EQ(state.PassCount, 2);
    EXPECT_TRUE(state.Initialized);
    const std::vector<std::string> lines = Lines(box.Text());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].substr(0, 10), "VR2 = 1780");
    EXPECT_EQ(lines[0].size(), std::string("VR2 = . Ohms").size() + 309);
    EXPECT_EQ(lines[1], "VR1 wiper to GND side = 1656. Ohms");
}

}  // namespace
}  // namespace sondrel
