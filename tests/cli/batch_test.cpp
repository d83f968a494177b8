// Batches: malformed files and the line their message names, the reading of good ones
// (quotes, line ends, BOM, column order), every row against a single --csv calculation, and
// the same bytes on any number of threads.

#include "cli/batch.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/cli/run_capture.h"
#include "tests/support/row_name.h"

namespace sondrel::cli {
namespace {
using sondrel::testing_support::PrintTo;

using test_support::RunWith;

const std::string kHeader = "elevation_ft,lo_baro_inhg,hi_baro_inhg,lo_volts,hi_volts";

// The problem ParseBatch finds in `text`, or "" when there is none.
std::string ProblemOf(const std::string& text) {
    BatchFile file;
    return ParseBatch("sites.csv", text, file).value_or("");
}

std::string BatchOutput(const BatchFile& file, BatchFormat format, unsigned threads,
                        TableCounts* counts = nullptr) {
    std::string sink;
    {
        Output out(&sink);
        const TableCounts written = WriteBatch(out, file, format, threads);
        if (counts != nullptr) {
            *counts = written;
        }
    }
    return sink;
}

// ---------------------------------------------------------------------------------------------
// Malformed files: the message and the line it names.

struct MalformedCase {
    const char* name;
    std::string text;
    std::string problem;
};

class MalformedBatch : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedBatch, NamesTheLine) {
    EXPECT_EQ(ProblemOf(GetParam().text), GetParam().problem);
}

INSTANTIATE_TEST_SUITE_P(
    Files, MalformedBatch,
    testing::Values(
        MalformedCase{"Empty", "", "sites.csv:1: no header row (the first line names the columns)"},
        MalformedCase{"MissingTwoColumns", "\nelevation_ft,lo_baro_inhg,hi_baro_inhg\n",
                      "sites.csv:2: no columns lo_volts, hi_volts (a batch needs elevation_ft, "
                      "lo_baro_inhg, hi_baro_inhg, lo_volts and hi_volts)"},
        MalformedCase{"RequiredColumnTwice", kHeader + ",lo_volts\n",
                      "sites.csv:1: column 6 repeats the name \"lo_volts\" of column 4"},
        MalformedCase{"PassThroughTwice", "site," + kHeader + ", site\n",
                      "sites.csv:1: column 7 repeats the name \"site\" of column 1"},
        MalformedCase{"EmptyName", kHeader + ",,site\n", "sites.csv:1: column 6 has no name"},
        MalformedCase{"ResultColumnName", "passes," + kHeader + "\n",
                      "sites.csv:1: column 1, \"passes\", has the name of a result column; "
                      "rename it"},
        MalformedCase{"JsonFieldName", kHeader + ",results_text\n",
                      "sites.csv:1: column 6, \"results_text\", has the name of a result column; "
                      "rename it"},
        MalformedCase{"TooFewFields", kHeader + "\n0,28,31,1.25,8.25\n0,28,31,1.25\n",
                      "sites.csv:3: 4 fields where the header has 5"},
        MalformedCase{
            "TooManyFieldsAfterAQuotedLineBreak",
            "site," + kHeader + "\n\"a\nb\",0,28,31,1.25,8.25\n\"c\",0,28,31,1.25,8.25,\n",
            "sites.csv:4: 7 fields where the header has 6"},
        MalformedCase{"UnclosedQuote", "site," + kHeader + "\nA,0,28,31,1,2\n\"B,0,28,31,1,2\n\n",
                      "sites.csv:3: a quoted field is not closed"},
        MalformedCase{"UnclosedQuoteInHeader", "\"site," + kHeader + "\n",
                      "sites.csv:1: a quoted field is not closed"},
        MalformedCase{"QuoteInsideAField", "site," + kHeader + "\r\nA \"B\",0,28,31,1,2\r\n",
                      "sites.csv:2: a quote inside a field that does not start with one"},
        MalformedCase{"TextAfterClosingQuote", "site," + kHeader + "\n\"A\nB\"C,0,28,31,1,2\n",
                      "sites.csv:3: text after a closing quote"}),
    testing_support::RowName());

// ---------------------------------------------------------------------------------------------
// Good files: what is read, whatever the spelling of the file.

struct ReadCase {
    const char* name;
    std::string text;
    std::vector<std::string> names;  // the header as read
    std::size_t rows;
    std::string output;  // expected start of the CSV output
};

class GoodBatch : public testing::TestWithParam<ReadCase> {};

TEST_P(GoodBatch, ReadsAsWritten) {
    const ReadCase& c = GetParam();
    BatchFile file;
    const auto problem = ParseBatch("sites.csv", c.text, file);
    ASSERT_FALSE(problem.has_value()) << *problem;
    EXPECT_EQ(file.names, c.names);
    EXPECT_EQ(file.rows.size(), c.rows);
    const std::string out = BatchOutput(file, BatchFormat::Csv, 1);
    EXPECT_EQ(out.substr(0, c.output.size()), c.output);
}

const std::string kResultHeader =
    "elevation_ft,passes,vr2_ohms,vr1_wiper_to_gnd_ohms,lo_vin_volts,hi_vin_volts,vr2_text,"
    "vr1_text,lo_vin_text,hi_vin_text,error,warnings\n";
const std::string kDefaultsRow =
    "0,6,1812.97964257354,1850.6531358149223,3.791738,4.2488885,1813.,1851.,3.792,4.249,,\n";

INSTANTIATE_TEST_SUITE_P(
    Files, GoodBatch,
    testing::Values(
        ReadCase{"ColumnsInAnyOrderCrLfAndBom",
                 "\xEF\xBB\xBFhi_volts,lo_volts,site,hi_baro_inhg,elevation_ft,lo_baro_inhg\r\n"
                 "8.25,1.25,Roof,31,0,28\r\n",
                 {"hi_volts", "lo_volts", "site", "hi_baro_inhg", "elevation_ft", "lo_baro_inhg"},
                 1,
                 "site," + kResultHeader + "Roof," + kDefaultsRow},
        ReadCase{"QuotedPassThroughKeepsItsText",
                 "\"site, name\"," + kHeader +
                     ",note\n\"Mast \"\"A\"\"\",0,28,31,1.25,8.25,\"2\r\nlines\"",
                 {"site, name", "elevation_ft", "lo_baro_inhg", "hi_baro_inhg", "lo_volts",
                  "hi_volts", "note"},
                 1,
                 "\"site, name\",note," + kResultHeader + "\"Mast \"\"A\"\"\",\"2\r\nlines\"," +
                     kDefaultsRow},
        ReadCase{"QuotedNumbersAndBlankLines",
                 "\n" + kHeader + "\n\n\"1,000\",\" 28 \",31,1.25,8.25\n\r\n",
                 {"elevation_ft", "lo_baro_inhg", "hi_baro_inhg", "lo_volts", "hi_volts"},
                 1,
                 kResultHeader + "1000,6,1887.8094340075622,"},
        ReadCase{
            "BlanksAroundRequiredNames",
            "site , elevation_ft,lo_baro_inhg ,hi_baro_inhg,lo_volts,hi_volts\nA,0,28,31,"
            "1.25,8.25\n",
            {"site ", " elevation_ft", "lo_baro_inhg ", "hi_baro_inhg", "lo_volts", "hi_volts"},
            1,
            "site ," + kResultHeader + "A," + kDefaultsRow}),
    testing_support::RowName());

// ---------------------------------------------------------------------------------------------
// sondrel-calc --batch FILE: output, messages and exit status.

struct CommandCase {
    const char* name;
    std::vector<std::string> args;  // "FILE" in them stands for a file holding `text`
    std::string text;
    int code;
    std::string out;  // expected start of standard output
    std::string err;  // expected part of standard error, "FILE" as in `args`; "" for none
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
    for (const std::string& arg : c.args) {
        texts.push_back(WithPath(arg, path));
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

const std::string kThreeSites = "site," + kHeader +
                                "\nHarbour,0,28,31,1.25,8.25\n\"Ridge, north\",5000,28,31,"
                                "0.5,4.5\nPass,15000,28,31,1.25,8.25\n";
const std::string kTryHelp = "\nTry 'sondrel-calc --help'.\n";

INSTANTIATE_TEST_SUITE_P(
    Runs, BatchCommand,
    testing::Values(
        CommandCase{"ThreeSites",
                    {"--batch", "FILE"},
                    kThreeSites,
                    0,
                    "site," + kResultHeader + "Harbour," + kDefaultsRow +
                        "\"Ridge, north\",5000,7,967.1287395632927,",
                    ""},
        CommandCase{"JsonLines",
                    {"--batch", "FILE", "--json"},
                    kThreeSites,
                    0,
                    "{\"site\": \"Harbour\", \"passes\": 6, \"vr2_ohms\": 1812.9796425735401, ",
                    ""},
        CommandCase{"JsonFailingRow",
                    {"--json", "--batch", "FILE"},
                    "elevation_ft,lo_baro_inhg,hi_baro_inhg,lo_volts,site,hi_volts\n"
                    "0,28,31,1.25,\"\"\"A\"\"\",x\n0,28,31,1.25,B,8.25\n",
                    0,
                    "{\"site\": \"\\\"A\\\"\", \"error\": {\"kind\": \"type-mismatch\", "
                    "\"message\": \"HiVolt: \\\"x\\\" is not a number\"}}\n{\"site\": \"B\", "
                    "\"passes\": 6, ",
                    ""},
        CommandCase{"EveryRowFails",
                    {"--batch", "FILE"},
                    kHeader + "\n0,28,28,1.25,8.25\n0,28,31,1,1\n",
                    1,
                    kResultHeader + "0,,,,,,,,,,the low and high pressures",
                    "sondrel-calc: every row failed\n"},
        CommandCase{
            "NoRowsIsNotAFailure", {"--batch", "FILE"}, kHeader + "\r\n", 0, kResultHeader, ""},
        CommandCase{"MalformedFile",
                    {"--batch", "FILE"},
                    kThreeSites + "Mast,1,2\n",
                    2,
                    "",
                    "sondrel-calc: FILE:5: 3 fields where the header has 6" + kTryHelp},
        CommandCase{"MissingFile",
                    {"--batch", "FILE/none.csv"},
                    "",
                    2,
                    "",
                    "sondrel-calc: FILE/none.csv: "},
        CommandCase{"NotWithASweep",
                    {"--batch", "FILE", "--sweep-elevation", "0:1:1"},
                    kThreeSites,
                    2,
                    "",
                    "--sweep-elevation does not go with --batch"}),
    testing_support::RowName());

// ---------------------------------------------------------------------------------------------
// The warnings column: the design's warning codes, joined by ";", and the rows that had any.

struct WarningsCase {
    const char* name;
    std::string inputs;  // elevation_ft to hi_volts, comma-separated
    std::string warnings;
};

class WarningsColumn : public testing::TestWithParam<WarningsCase> {};

TEST_P(WarningsColumn, ListsTheCodes) {
    const WarningsCase& c = GetParam();
    BatchFile file;
    // The same design twice, so that a writer reusing its state between rows shows too.
    ASSERT_FALSE(ParseBatch("sites.csv", kHeader + "\n" + c.inputs + "\n" + c.inputs, file));
    TableCounts counts;
    const std::string out = BatchOutput(file, BatchFormat::Csv, 1, &counts);
    const std::size_t first_row = out.find('\n') + 1;
    const std::size_t second_row = out.find('\n', first_row) + 1;
    ASSERT_EQ(out.find('\n', second_row), out.size() - 1) << out;
    for (const std::string_view row :
         {std::string_view(out).substr(first_row, second_row - first_row),
          std::string_view(out).substr(second_row)}) {
        EXPECT_TRUE(row.ends_with("," + c.warnings + "\n")) << row;
    }
    EXPECT_EQ(counts.warned, c.warnings.empty() ? 0u : 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Designs, WarningsColumn,
    testing::Values(
        WarningsCase{"None", "0,28,31,1.25,8.25", ""},
        WarningsCase{"Vr1Negative", "12000,28,31,1.25,8.25", "vr1-negative"},
        WarningsCase{"FallingRange", "0,31,28,1.25,8.25", "vr2-negative"},
        WarningsCase{"BothNegative", "15000,28,31,8.25,1.25", "vr1-negative;vr2-negative"},
        WarningsCase{"Hectopascals", "0,2800,3100,1.25,8.25", "vr2-negative;sensor-range"},
        WarningsCase{"FailedRowHasNone", "0,28,28,1.25,8.25", ""}),
    testing_support::RowName());

// ---------------------------------------------------------------------------------------------
// Every row is the pass-through fields, then exactly what --csv prints for the row's inputs.

struct Site {
    std::string name, elevation, lo_baro, hi_baro, lo_volts, hi_volts;
};

TEST(BatchRows, MatchSingleCsvCalculations) {
    const std::vector<Site> sites = {
        {"Harbour", "0", "28", "31", "1.25", "8.25"},
        {"Ridge", "5,000", "28", "31", "0.5", "4.5"},
        {"Pass", "15000", "28", "31", "1.25", "8.25"},     // VR1 negative
        {"Falling", "0", "31", "28", "1.25", "8.25"},      // VR2 negative
        {"Typo", "1000", "28", "3l", "1.25", "8.25"},      // not a number
        {"Same", "0", "28", "28", "1.25", "8.25"},         // division by zero
        {"Summit", "150000", "28", "31", "1.25", "8.25"},  // above the elevation limit
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
    const std::string out = BatchOutput(file, BatchFormat::Csv, 1, &counts);

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
    EXPECT_EQ(succeeded, 4u);
}

// Failures and successes mixed over more than one round of blocks: the same bytes and counts
// on one, two or three threads.
TEST(BatchRows, SameBytesOnAnyNumberOfThreads) {
    std::string text = "site," + kHeader + "\n";
    for (int i = 0; i < 70'000; ++i) {
        const int elevation = 145'000 + (i * 7) % 1'000;  // about half beyond the limit
        text += "s" + std::to_string(i) + "," + std::to_string(elevation) + ",28," +
                (i % 13 == 0 ? "x" : "31") + ",1.25,8.25\n";
    }
    BatchFile file;
    ASSERT_FALSE(ParseBatch("sites.csv", text, file).has_value());
    TableCounts one;
    const std::string one_out = BatchOutput(file, BatchFormat::Csv, 1, &one);
    EXPECT_EQ(one.rows, 70'000u);
    EXPECT_GT(one.succeeded, 0u);
    EXPECT_LT(one.succeeded, one.rows);
    for (const unsigned threads : {2u, 3u}) {
        TableCounts many;
        const std::string many_out = BatchOutput(file, BatchFormat::Csv, threads, &many);
        EXPECT_TRUE(many_out == one_out) << threads << " threads give different bytes";
        EXPECT_EQ(many.succeeded, one.succeeded) << threads;
        EXPECT_EQ(many.warned, one.warned) << threads;
    }
}

}  // namespace
}  // namespace sondrel::cli
