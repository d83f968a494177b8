// sondrel-calc --sweep-elevation: the rows of a sweep as the command prints them, and what it
// says of failed rows.

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
                  {"1000,6,1887.8094340075622,1646.3438863916608,3.6398366171667664,"
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
        // START + i*STEP, rounded to the decimals START and STEP have between them.
        SweepCase{"DecimalStep",
                  {"-50:50:7.3"},
                  0,
                  "",
                  "-50 -42.7 -35.4 -28.1 -20.8 -13.5 -6.2 1.1 8.4 15.7 23 30.3 37.6 44.9",
                  {}},
        SweepCase{
            "ThroughZeroWithAnExponent", {"-3e-1:0.1:1e-1"}, 0, "", "-0.3 -0.2 -0.1 0 0.1", {}},
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
        SweepCase{"EqualPressuresFailEveryRow",
                  {"0:2000:1000", "28", "28", "1.25", "8.25"},
                  1,
                  "sondrel-calc: every row failed\n",
                  "0 1000 2000",
                  {"2000,,,,,,,,,,the low and high pressures give the same sensor voltage "
                   "(division by zero),"}}),
    testing_support::RowName{});

}  // namespace
}  // namespace sondrel::cli
