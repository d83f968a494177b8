#include "calc/design_checks.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/row_name.h"

namespace sondrel {
namespace {
using sondrel::testing_support::PrintTo;

// Keeps counting into the pass limit the way the window's hidden Initialize button does: each
// Initialize puts the estimate back to 0.34 without resetting the count.
void RunIntoThePassLimit(CalculatorState& state) {
    StringTextHolder box;
    for (int i = 0; i < 30 && state.PassCount < kPassLimit; ++i) {
        Initialize(state, {});
        Calculate(state, {}, box);
    }
    Initialize(state, {});
    Calculate(state, {}, box);  // one pass from 0.34, still far from settled
}

struct DesignCase {
    const char* name;
    InputTexts inputs;
    std::function<void(CalculatorState&)> after;  // changes made after Calculate, if any
    std::vector<std::string_view> codes;
    std::vector<std::string> message_parts;  // each found in one of the messages
};

class CheckDesignTest : public testing::TestWithParam<DesignCase> {};

TEST_P(CheckDesignTest, ListsTheExpectedWarnings) {
    const DesignCase& c = GetParam();
    CalculatorState state;
    StringTextHolder box;
    Calculate(state, c.inputs, box);
    if (c.after) {
        c.after(state);
    }
    const std::vector<DesignWarning> warnings = CheckDesign(state);

    std::vector<std::string_view> codes;
    std::string messages;
    for (const DesignWarning& warning : warnings) {
        codes.push_back(warning.code);
        messages += warning.message + "\n";
        EXPECT_EQ(warning.message.find_first_of("\r\n"), std::string::npos) << warning.message;
        EXPECT_EQ(warning.message.back(), '.') << warning.message;
    }
    EXPECT_EQ(codes, c.codes);
    for (const std::string& part : c.message_parts) {
        EXPECT_NE(messages.find(part), std::string::npos) << part << " not in:\n" << messages;
    }

    // The codes alone, as a table's rows ask for them, into storage an earlier row used.
    std::vector<DesignWarning> reused = {{"stale", "from an earlier row"}};
    CheckDesign(state, reused, WarningText::CodesOnly);
    std::vector<std::string_view> codes_only;
    for (const DesignWarning& warning : reused) {
        codes_only.push_back(warning.code);
        EXPECT_TRUE(warning.message.empty()) << warning.message;
    }
    EXPECT_EQ(codes_only, c.codes);
}

INSTANTIATE_TEST_SUITE_P(
    Designs, CheckDesignTest,
    testing::Values(
        DesignCase{"Defaults", {}, {}, {}, {}},
        DesignCase{"Elevation15000ft",
                   {"15000", "28", "31", "1.25", "8.25"},
                   {},
                   {"vr1-negative"},
                   {"VR1 wiper to GND side is -504 ohms, "}},
        DesignCase{"FallingPressures",
                   {"0", "31", "28", "1.25", "8.25"},
                   {},
                   {"vr2-negative"},
                   {"VR2 is -3256 ohms, which no setting gives: the range falls"}},
        DesignCase{"PressuresInHectopascals",
                   {"0", "2800", "3100", "1.25", "8.25"},
                   {},
                   {"vr2-negative", "sensor-range"},
                   {"VR2 is -719 ohms, which no setting gives: the gain needed is less",
                    "LoVin is 426.199 V and HiVin is 471.914 V, outside"}},
        DesignCase{"HighVoltsJustAboveFiveShowingFive",
                   {},
                   [](CalculatorState& s) { s.HiVin = 5.0004; },
                   {},
                   {}},
        DesignCase{"HighVoltsShowingAboveFive",
                   {},
                   [](CalculatorState& s) { s.HiVin = 5.0005; },
                   {"sensor-range"},
                   {"HiVin is 5.001 V, outside"}},
        DesignCase{"LowVoltsJustBelowZeroShowingZero",
                   {},
                   [](CalculatorState& s) { s.LoVin = -0.0004; },
                   {},
                   {}},
        DesignCase{"LowVoltsShowingBelowZero",
                   {},
                   [](CalculatorState& s) { s.LoVin = -0.0005; },
                   {"sensor-range"},
                   {"LoVin is -.001 V, outside"}},
        DesignCase{"Vr1JustBelowZeroShowingZero",
                   {},
                   [](CalculatorState& s) { s.WiperNew = (1877 - 0.4) / 9400; },
                   {},
                   {}},
        DesignCase{"Vr1ShowingMinusOne",
                   {},
                   [](CalculatorState& s) { s.WiperNew = (1877 - 0.5) / 9400; },
                   {"vr1-negative"},
                   {"VR1 wiper to GND side is -1 ohms"}},
        DesignCase{
            "StoppedAtThePassLimit", {}, RunIntoThePassLimit, {"pass-limit"}, {"100-pass limit"}},
        DesignCase{"SettledExactlyAtThePassLimit",
                   {},
                   [](CalculatorState& s) {
                       s.PassCount = kPassLimit;
                       s.WiperGuess = s.WiperNew;
                   },
                   {},
                   {}},
        DesignCase{"EveryWarningAtOnce",
                   {"0", "2", "31", "1.25", "8.25"},
                   [](CalculatorState& s) {
                       s.PassCount = kPassLimit;
                       s.WiperGuess = 0.34;
                   },
                   {"vr1-negative", "vr2-negative", "sensor-range", "pass-limit"},
                   {"VR1 wiper to GND side is -726 ohms", "VR2 is -510 ohms",
                    "LoVin is -.17 V, outside", "100-pass limit"}}),
    testing_support::RowName{});

}  // namespace
}  // namespace sondrel
