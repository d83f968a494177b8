// Batches: malformed files, sondrel-calc --batch runs, and rows against single --csv runs.

#include "cli/batch.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/run_capture.h"
#include "tests/support/row_name.h"

namespace sondrel::cli {
namespace {
using sondrel::testing_support::PrintTo;

using test_support::RunWith;

const std::string kHeader = "elevation_ft,lo_baro_inhg,hi_baro_inhg,lo_volts,hi_volts";

struct MalformedCase {
    const char* name;
    std::string text;
    std::string problem;
};

class MalformedBatch : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedBatch, NamesTheLine) {
    BatchFile file;
    EXPECT_EQ(ParseBatch("sites.csv", GetParam().text, file).value_or(""), GetParam().problem);
}

INSTANTIATE_TEST_SUITE_P(
    Files, MalformedBatch,
    testing::Values(
        MalformedCase{"Empty", "", "sites.csv:1: no header row (the first line names the columns)"},
        MalformedCase{"MissingTwoColumns", "\nelevation_ft,lo_baro_inhg,hi_baro_inhg\n",
                      "sites.csv:2: no columns lo_volts, hi_volts (a batch needs elevation_ft, "
                      "lo_baro_inhg, hi_baro_inhg, lo_volts and hi_volts)"},
        MalformedCase{"PassThroughTwice", "site," + kHeader + ", site\n",
                      "sites.csv:1: column 7 repeats the name \"site\" of column 1"},
        MalformedCase{"NameTwiceInAnotherCase", "site," + kHeader + ",SITE\n",
                      "sites.csv:1: column 7 repeats the name \"SITE\" of column 1"},
        MalformedCase{"SemicolonSeparated",
                      ",,\nsite;elevation_ft;lo_baro_inhg;hi_baro_inhg;lo_volts;hi_volts\n",
                      "sites.csv:2: the header has no \",\" but has \";\": this file is separated "
                      "by \";\", and sondrel-calc reads files separated by \",\" (save it as "
                      "CSV with commas)"},
        MalformedCase{"EmptyName", kHeader + ",,site\n", "sites.csv:1: column 6 has no name"},
        MalformedCase{"ResultColumnName", "passes," + kHeader + "\n",
                      "sites.csv:1: column 1, \"passes\", has the name of a result column; "
                      "rename it"},
        MalformedCase{"JsonFieldName", kHeader + ",results_text\n",
                      "sites.csv:1: column 6, \"results_text\", has the name of a result column; "
                      "rename it"},
        MalformedCase{
            "TooManyFieldsAfterAQuotedLineBreak",
            "site," + kHeader + "\n\"a\nb\",0,28,31,1.25,8.25\n\"c\",0,28,31,1.25,8.25,\n",
            "sites.csv:4: 7 fields where the header has 6"},
        MalformedCase{"UnclosedQuote", "site," + kHeader + "\nA,0,28,31,1,2\n\"B,0,28,31,1,2\n\n",
                      "sites.csv:3: a quoted field is not closed"},
        MalformedCase{"QuoteInsideAField", "site," + kHeader + "\r\nA \"B\",0,28,31,1,2\r\n",
                      "sites.csv:2: a quote inside a field that does not start with one"},
        MalformedCase{"TextAfterClosingQuote", "site," + kHeader + "\n\"A\nB\"C,0,28,31,1,2\n",
                      "sites.csv:3: text after a closing quote"}),
    testing_support::RowName());

// sondrel-calc --batch FILE: output, messages and exit status.

struct CommandCase {
    const char* name;
    std::string text;  // what FILE holds
    std::string out;   // expected start of standard output
    int code = 0;
    std::string err = "";  // expected part of standard error, "FILE" as in `args`; "" for none
    std::string args = "--batch FILE";  // separated by spaces; FILE stands for the file's path
};

std::string WithPath(std::string text, const std::string& path) {
    for (std::size_t at; (at = text.find("FILE")) != std::string::npos;) {
        text.replace(at, 4, path);
    }
    return text;
}

class BatchCommand : public testing::TestWithParam<CommandCase> {};

TEST_P(BatchCommand, OutputAndStatus) {
    const CommandCase& c = GetParam();
    const std::string path = testing::TempDir() + "sondrel_batch_" + c.name + ".csv";
    std::ofstream(path, std::ios::binary) << c.text;
    std::vector<std::string> texts;
    std::istringstream words(c.args);
    for (std::string word; words >> word;) {
        texts.push_back(WithPath(word, path));
    }
    const auto result = RunWith(std::vector<std::string_view>(texts.begin(), texts.end()));
    EXPECT_EQ(result.code, c.code);
    EXPECT_EQ(result.out.substr(0, c.out.size()), c.out);
    if (result.code == 2) {
        EXPECT_EQ(result.out, "");
    }
    if (c.err.empty()) {
        EXPECT_EQ(result.err, "");
    } else {
        EXPECT_NE(result.err.find(WithPath(c.err, path)), std::string::npos) << result.err;
    }
}

const std::string kResultHeader =
    "elevation_ft,passes,vr2_ohms,vr1_wiper_to_gnd_ohms,lo_vin_volts,hi_vin_volts,vr2_text,"
    "vr1_text,lo_vin_text,hi_vin_text,error,warnings\n";
const std::string kDefaultsRow =
    "0,6,1812.97964257354,1850.6531358149223,3.791738,4.2488885,1813.,1851.,3.792,4.249,,\n";
// Pass draws a warning (VR1 negative).
const std::string kThreeSites = "site," + kHeader +
                                "\nHarbour,0,28,31,1.25,8.25\n\"Ridge, north\",5000,28,31,"
                                "0.5,4.5\nPass,15000,28,31,1.25,8.25\n";

INSTANTIATE_TEST_SUITE_P(
    Runs, BatchCommand,
    testing::Values(
        CommandCase{"ThreeSites", kThreeSites,
                    "site," + kResultHeader + "Harbour," + kDefaultsRow +
                        "\"Ridge, north\",5000,7,967.1287395632927,"},
        CommandCase{"ColumnsInAnyOrderCrLfAndBom",
                    "\xEF\xBB\xBFhi_volts,lo_volts,site,hi_baro_inhg,elevation_ft,lo_baro_inhg\r\n"
                    "8.25,1.25,Roof,31,0,28\r\n",
                    "site," + kResultHeader + "Roof," + kDefaultsRow},
        CommandCase{"QuotedPassThroughKeepsItsText",
                    "\"site, name\"," + kHeader +
                        ",note\n\"Mast \"\"A\"\"\",0,28,31,1.25,8.25,\"2\r\nlines\"",
                    "\"site, name\",note," + kResultHeader + "\"Mast \"\"A\"\"\",\"2\r\nlines\"," +
                        kDefaultsRow},
        CommandCase{"QuotedNumbersAndBlankLines",
                    "\n" + kHeader + "\n\n\"1,000\",\" 28 \",31,1.25,8.25\n\r\n",
                    kResultHeader + "1000,6,1887.8094340075622,"},
        CommandCase{"BlanksAroundRequiredNames",
                    "site , elevation_ft,lo_baro_inhg ,hi_baro_inhg,lo_volts,hi_volts\n"
                    "A,0,28,31,1.25,8.25\n",
                    "site ," + kResultHeader + "A," + kDefaultsRow},
        CommandCase{
            "SpreadsheetExport",
            "Site,Elevation_ft,LO_BARO_INHG, Hi_Baro_InHg ,lo_volts,hi_volts\r\n"
            "A,0,28,31,1.25,8.25\r\n,,,,,\r\n\"\",,,,,\r\nB,1000,28,31,1.25,8.25\r\n,,,,,\r\n",
            "Site," + kResultHeader + "A," + kDefaultsRow + "B,1000,6,"},
        CommandCase{"JsonFailingRow",
                    "elevation_ft,lo_baro_inhg,hi_baro_inhg,lo_volts,site,hi_volts\n"
                    "0,28,31,1.25,\"\"\"A\"\"\",x\n0,28,31,1.25,B,8.25\n",
                    "{\"site\": \"\\\"A\\\"\", \"error\": {\"kind\": \"type-mismatch\", "
                    "\"message\": \"HiVolt: \\\"x\\\" is not a number\"}}\n{\"site\": \"B\", "
                    "\"passes\": 6, ",
                    0, "", "--json --batch FILE"},
        CommandCase{"EveryRowFails", kHeader + "\n0,28,28,1.25,8.25\n0,28,31,1,1\n",
                    kResultHeader + "0,,,,,,,,,,the low and high pressures", 1,
                    "sondrel-calc: every row failed\n"},
        CommandCase{"NoRowsIsNotAFailure", kHeader + "\r\n", kResultHeader},
        CommandCase{"StrictWarnedRowExits3", kThreeSites, "site," + kResultHeader, 3, "",
                    "--strict --batch FILE"},
        CommandCase{"JsonStrictWarnedRowExits3", kThreeSites,
                    "{\"site\": \"Harbour\", \"passes\": 6, \"vr2_ohms\": 1812.9796425735401, ", 3,
                    "", "--batch FILE --json --strict"},
        CommandCase{"StrictFailedRowIsNoWarning", kHeader + "\n0,28,31,1.25,8.25\n0,28,28,1,2\n",
                    kResultHeader + kDefaultsRow, 0, "", "--strict --batch FILE"},
        CommandCase{"MalformedFile", kThreeSites + "Mast,1,2\n", "", 2,
                    "sondrel-calc: FILE:5: 3 fields where the header has 6\n"
                    "Try 'sondrel-calc --help'.\n"},
        CommandCase{"MissingFile", "", "", 1,
                    "sondrel-calc: FILE/none.csv: ", "--batch FILE/none.csv"},
        CommandCase{"NotWithASweep", kThreeSites, "", 2,
                    "--sweep-elevation does not go with --batch",
                    "--batch FILE --sweep-elevation 0:1:1"}),
    testing_support::RowName());

// Every row is the pass-through fields, then exactly what --csv prints for the row's inputs.

struct Site {
    std::string name, elevation, lo_baro, hi_baro, lo_volts, hi_volts;
};

TEST(BatchRows, MatchSingleCsvCalculations) {
    const std::vector<Site> sites = {
        {"Harbour", "0", "28", "31", "1.25", "8.25"},
        {"Pass", "15000", "28", "31", "1.25", "8.25"},  // a warning, then rows without one
        {"Ridge", "5,000", "28", "31", "0.5", "4.5"},
        {"Typo", "1000", "28", "3l", "1.25", "8.25"},  // not a number
        {"Empty", "", "28", "31", "1.25", "8.25"},
    };
    std::string text = "hi_volts,site,lo_volts,elevation_ft,hi_baro_inhg,lo_baro_inhg\n";
    for (const Site& s : sites) {
        text += s.hi_volts + "," + s.name + "," + s.lo_volts + ",\"" + s.elevation + "\"," +
                s.hi_baro + "," + s.lo_baro + "\n";
    }
    BatchFile file;
    ASSERT_FALSE(ParseBatch("sites.csv", text, file).has_value());
    TableCounts counts;
    const std::string out = test_support::Written(
        [&](Output& o) { counts = WriteBatch(o, file, BatchFormat::Csv, 1); });

    std::string expected;
    std::size_t succeeded = 0;
    for (const Site& s : sites) {
        const auto single =
            RunWith({"--csv", s.elevation, s.lo_baro, s.hi_baro, s.lo_volts, s.hi_volts});
        succeeded += single.code == 0 ? 1 : 0;
        const std::string row = single.out.substr(single.out.find('\n') + 1);
        expected += (expected.empty() ? "site," + single.out.substr(0, single.out.find('\n') + 1)
                                      : std::string()) +
                    s.name + "," + row;
    }
    EXPECT_EQ(out, expected);
    EXPECT_EQ(counts.rows, sites.size());
    EXPECT_EQ(counts.succeeded, succeeded);
    EXPECT_EQ(succeeded, 3u);
}

}  // namespace
}  // namespace sondrel::cli
