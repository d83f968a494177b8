#include "calc/solver.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calc/circuit_model.h"

#include "tests/support/row_name.h"

namespace sondrel {
namespace {
using sondrel::testing_support::PrintTo;

struct DesignCase {
    const char* name;
    Design design;
    // When given, the checks run on this instead of what Solve settled on.
    std::optional<SettledDesign> settled;
    std::vector<std::string_view> codes;
    std::vector<std::string> message_parts;  // each found in one of the messages
};

// A settled design near the defaults' lines (VR2 1813, VR1 1851, LoVin 3.792, HiVin 4.249).
SettledDesign Settled(double vr2, double vr1, double lo_vin, double hi_vin, std::int16_t passes = 6,
                      bool still_moving = false) {
    return {{WrittenLines::AllFour, vr2, vr1, lo_vin, hi_vin}, 1, passes, still_moving};
}

class CheckDesignTest : public testing::TestWithParam<DesignCase> {};

TEST_P(CheckDesignTest, ListsTheExpectedWarnings) {
    const DesignCase& c = GetParam();
    Outcome outcome;
    Solve(c.design, outcome, WarningText::Messages);
    ASSERT_TRUE(outcome.solved) << outcome.failure.Message();
    std::vector<DesignWarning> warnings = outcome.warnings;
    if (c.settled) {
        CheckDesign(*c.settled, warnings, WarningText::Messages);
    }

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
    std::vector<DesignWarning>& reused = outcome.warnings;
    reused = {{"stale", "from an earlier row"}};
    if (c.settled) {
        CheckDesign(*c.settled, reused, WarningText::CodesOnly);
    } else {
        Solve(c.design, outcome, WarningText::CodesOnly);
    }
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
                   {15000, 28, 31, 1.25, 8.25},
                   {},
                   {"vr1-negative"},
                   {"VR1 wiper to GND side is -504 ohms, "}},
        DesignCase{"FallingPressures",
                   {0, 31, 28, 1.25, 8.25},
                   {},
                   {"vr2-negative"},
                   {"VR2 is -3256 ohms, which no setting gives: the range falls"}},
        DesignCase{"PressuresInHectopascals",
                   {0, 2800, 3100, 1.25, 8.25},
                   {},
                   {"sensor-range", "vr1-beyond-track", "vr2-negative"},
                   {"LoVin is 426.199 V and HiVin is 471.914 V, outside",
                    "VR2 is -719 ohms, which no setting gives: the gain needed is less"}},
        DesignCase{"HighVoltsJustAboveFiveShowingFive",
                   {},
                   Settled(1812.98, 1850.65, 3.791738, 5.0004),
                   {},
                   {}},
        DesignCase{"HighVoltsShowingAboveFive",
                   {},
                   Settled(1812.98, 1850.65, 3.791738, 5.0005),
                   {"sensor-range"},
                   {"HiVin is 5.001 V, outside"}},
        DesignCase{"LowVoltsJustBelowZeroShowingZero",
                   {},
                   Settled(1812.98, 1850.65, -0.0004, 4.2488885),
                   {},
                   {}},
        DesignCase{"LowVoltsShowingBelowZero",
                   {},
                   Settled(1812.98, 1850.65, -0.0005, 4.2488885),
                   {"sensor-range"},
                   {"LoVin is -.001 V, outside"}},
        DesignCase{
            "Vr1JustBelowZeroShowingZero", {}, Settled(1812.98, -0.4, 3.791738, 4.2488885), {}, {}},
        DesignCase{"Vr1ShowingMinusOne",
                   {},
                   Settled(1812.98, -0.5, 3.791738, 4.2488885),
                   {"vr1-negative"},
                   {"VR1 wiper to GND side is -1 ohms"}},
        DesignCase{"NarrowOutputSpan",
                   {0, 28, 31, 0.1, 0.2},
                   {},
                   {"vr1-beyond-track", "vr2-negative"},
                   {"VR1 wiper to GND side is 9499 ohms, beyond the 7523 ohms"}},
        DesignCase{
            "Vr1ShowingTheTrackEnd", {}, Settled(1812.98, 7523.4, 3.791738, 4.2488885), {}, {}},
        DesignCase{"Vr1ShowingPastTheTrackEnd",
                   {},
                   Settled(1812.98, 7523.5, 3.791738, 4.2488885),
                   {"vr1-beyond-track"},
                   {"VR1 wiper to GND side is 7524 ohms, beyond"}},
        DesignCase{"WideOutputSpanOverNarrowPressures",
                   {0, 28, 28.5, 0, 10},
                   {},
                   {"vr2-beyond-track"},
                   {"VR2 is 20818 ohms, beyond the 4947 ohms of its 5000 ohm trimmer"}},
        DesignCase{"Vr2ShowingPastTheTrackEnd",
                   {},
                   Settled(4947.5, 1850.65, 3.791738, 4.2488885),
                   {"vr2-beyond-track"},
                   {"VR2 is 4948 ohms, beyond"}},
        DesignCase{"StoppedAtThePassLimit",
                   {},
                   Settled(1812.98, 1850.65, 3.791738, 4.2488885, kPassLimit, true),
                   {"pass-limit"},
                   {"100-pass limit"}},
        DesignCase{"SettledExactlyAtThePassLimit",
                   {},
                   Settled(1812.98, 1850.65, 3.791738, 4.2488885, kPassLimit),
                   {},
                   {}},
        // What 0, 2, 31, 1.25 and 8.25 settle on, stopped at the limit.
        DesignCase{"EveryWarningAtOnce",
                   {},
                   Settled(-510.26, -725.71, -0.170233, 4.2488885, kPassLimit, true),
                   {"sensor-range", "vr1-negative", "vr2-negative", "pass-limit"},
                   {"LoVin is -.17 V, outside", "VR1 wiper to GND side is -726 ohms",
                    "VR2 is -510 ohms", "100-pass limit"}}),
    testing_support::RowName{});

}  // namespace
}  // namespace sondrel
