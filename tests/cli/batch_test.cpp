// Batches: malformed files, sondrel-calc --batch runs, and the rows a batch writes.

#include "cli/batch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/run_capture.h"
#include "tests/support/row_name.h"
#include "tests/support/scratch_folder.h"

namespace sondrel::cli {
namespace {
using sondrel::testing_support::PrintTo;

using test_support::RunWith;

const std::string kHeader = "elevation_ft,lo_baro_inhg,hi_baro_inhg,lo_volts,hi_volts";

struct MalformedCase {
    const char* name;
    std::string text;
    std::string problem;
    TextEncoding encoding = TextEncoding::Guess;
    BatchLimits limits = {};
};

class MalformedBatch : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedBatch, NamesTheLine) {
    const MalformedCase& c = GetParam();
    std::string out;
    TextWriter writer(&out);
    const Result<TableCounts> done = WriteBatch("sites.csv", ReadFromText(c.text), c.encoding,
                                                BatchFormat::Csv, writer, writer, c.limits);
    ASSERT_FALSE(done.ok());
    EXPECT_EQ(done.failure().kind, FailureKind::InvalidArgument);
    EXPECT_EQ(done.failure().Message(), c.problem);
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
                      "sites.csv:3: text after a closing quote"},
        MalformedCase{"TwoNamesForOneInput", kHeader + ",\"LoBaro, inHg\"\n",
                      "sites.csv:1: column 6, \"LoBaro, inHg\", names lo_baro_inhg as column 2 "
                      "does"},
        MalformedCase{"NamesTwiceWithoutBlanksAndUnderscores",
                      "Site Name," + kHeader + ",site_name\n",
                      "sites.csv:1: column 7 repeats the name \"site_name\" of column 1"},
        MalformedCase{"RowWithAFieldPastTheTrailingEmptyColumn",
                      "site," + kHeader + ",\nA,0,28,31,1.25,8.25,\nB,0,28,31,1.25,8.25,x\n",
                      "sites.csv:3: 7 fields where the header has 6"},
        MalformedCase{"NotUtf8WhenUtf8IsGiven", "site," + kHeader + "\r\"Z\xFCrich\",0,28,31,1,2\n",
                      "sites.csv:2:3: byte 0xFC is not UTF-8 (--encoding utf-8 was given)",
                      TextEncoding::Utf8},
        MalformedCase{"NotUtf8PastTheGuess",
                      "site," + kHeader + "\nA,0,28,31,1,2\n\"\r\n\xC3\xA9\xFC\",0,28,31,1,2\n",
                      "sites.csv:4:2: byte 0xFC is not UTF-8, though the file's first 64 bytes "
                      "are; to read it all as Windows-1252, give --encoding windows-1252",
                      TextEncoding::Guess, BatchLimits{.guess_bytes = 64}},
        MalformedCase{"QuoteNotClosedWithinTheLimit",
                      "site," + kHeader + "\nA,0,28,31,1,2\n\"" + std::string(200, '\n'),
                      "sites.csv:3: a quoted field is not closed within 100 bytes, the most a row "
                      "may hold",
                      TextEncoding::Guess, BatchLimits{.max_row_bytes = 100}},
        MalformedCase{"LinesCountedPastBlankLinesLongerThanARead",
                      kHeader + "\n" + std::string(100'000, '\n') + "1,2\n",
                      "sites.csv:100002: 2 fields where the header has 5"},
        MalformedCase{
            "MoreRowsThanTheLimit", kHeader + "\n0,28,31,1,2\n\n0,28,31,1,2\n0,28,31,1,2\n",
            "sites.csv:5: more than 2 rows", TextEncoding::Guess, BatchLimits{.max_rows = 2}}),
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

// `text` as UTF-16 with its byte-order mark, little- or big-endian.
std::string Utf16(const std::u16string& text, bool big_endian) {
    std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += big_endian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

// An ASCII header with tabs for its commas.
std::u16string Tabbed(const std::string& header) {
    std::u16string text(header.begin(), header.end());
    std::replace(text.begin(), text.end(), u',', u'\t');
    return text;
}

class BatchCommand : public testing::TestWithParam<CommandCase> {};

TEST_P(BatchCommand, OutputAndStatus) {
    const CommandCase& c = GetParam();
    const testing_support::ScratchFolder folder("sondrel-batch");
    const std::string path = (folder.path() / "batch.csv").string();
    std::ofstream(path, std::ios::binary) << c.text;
    std::vector<std::string> texts;
    std::istringstream words(c.args);
    for (std::string word; words >> word;) {
        texts.push_back(WithPath(word, path));
    }
    const auto result = RunWith(std::vector<std::string_view>(texts.begin(), texts.end()));
    EXPECT_EQ(result.code, c.code);
    EXPECT_EQ(result.out.substr(0, c.out.size()), c.out);
    if (result.code == 2) {  // the rows before the problem, and nothing more
        EXPECT_EQ(result.out, c.out);
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
// A batch's header after the pass-through columns: the five inputs, then the results.
const std::string kBatchHeader = kHeader + "," + kResultHeader.substr(kResultHeader.find(',') + 1);
// The default design's results after its five inputs.
const std::string kDefaultsResult =
    "6,1812.97964257354,1850.6531358149223,3.791738,4.2488885,1813.,1851.,3.792,4.249,,\n";
const std::string kDefaultsRow = "0,28,31,1.25,8.25," + kDefaultsResult;
// A row of twelve in which every row but the first fails.
std::string ElevenFailingRows() {
    std::string text = kHeader + "\n0,28,31,1.25,8.25\n";
    for (int i = 0; i < 11; ++i) {
        text += "0,28,28,1.25,8.25\n";
    }
    return text;
}
// A file of one row of `bytes` bytes before `end`, its site a run of x's.
constexpr std::size_t kMiB = std::size_t{1} << 20;
std::string OneLongRow(std::size_t bytes, const std::string& end) {
    const std::string inputs = "0,28,31,1.25,8.25,";
    return kHeader + ",site\n" + inputs + std::string(bytes - inputs.size(), 'x') + end;
}
const std::string kRowTooLong =
    "sondrel-calc: FILE:2: a row longer than 1 MiB (1,048,576 bytes), the most a row may hold\n";
// Pass draws a warning (VR1 negative).
const std::string kThreeSites = "site," + kHeader +
                                "\nHarbour,0,28,31,1.25,8.25\n\"Ridge, north\",5000,28,31,"
                                "0.5,4.5\nPass,15000,28,31,1.25,8.25\n";

INSTANTIATE_TEST_SUITE_P(
    Runs, BatchCommand,
    testing::Values(
        CommandCase{"ThreeSites", kThreeSites,
                    "site," + kBatchHeader + "Harbour," + kDefaultsRow +
                        "\"Ridge, north\",5000,28,31,0.5,4.5,7,967.1287395632927,"},
        CommandCase{"ColumnsInAnyOrderCrLfAndBom",
                    "\xEF\xBB\xBFhi_volts,lo_volts,site,hi_baro_inhg,elevation_ft,lo_baro_inhg\r\n"
                    "8.25,1.25,Roof,31,0,28\r\n",
                    "site," + kBatchHeader + "Roof," + kDefaultsRow},
        CommandCase{"QuotedPassThroughKeepsItsText",
                    "\"site, name\"," + kHeader +
                        ",note\n\"Mast \"\"A\"\"\",0,28,31,1.25,8.25,\"2\r\nlines\"",
                    "\"site, name\",note," + kBatchHeader + "\"Mast \"\"A\"\"\",\"2\r\nlines\"," +
                        kDefaultsRow},
        CommandCase{"QuotedNumbersAndBlankLines",
                    "\n" + kHeader + "\n\n\"1,000\",\" 28 \",31,1.25,8.25\n\r\n",
                    kBatchHeader + "\"1,000\", 28 ,31,1.25,8.25,6,1887.8094340075622,"},
        CommandCase{"BlanksAroundRequiredNames",
                    "site , elevation_ft,lo_baro_inhg ,hi_baro_inhg,lo_volts,hi_volts\n"
                    "A,0,28,31,1.25,8.25\n",
                    "site ," + kBatchHeader + "A," + kDefaultsRow},
        CommandCase{
            "SpreadsheetExport",
            "Site,Elevation_ft,LO_BARO_INHG, Hi_Baro_InHg ,lo_volts,hi_volts\r\n"
            "A,0,28,31,1.25,8.25\r\n,,,,,\r\n\"\",,,,,\r\nB,1000,28,31,1.25,8.25\r\n,,,,,\r\n",
            "Site," + kBatchHeader + "A," + kDefaultsRow + "B,1000,28,31,1.25,8.25,6,"},
        CommandCase{
            "JsonFailingRow",
            "elevation_ft,lo_baro_inhg,hi_baro_inhg,lo_volts,site,hi_volts\n"
            "0,28,31,1.25,\"\"\"A\"\"\",x\n0,28,31,1.25,B,8.25\n",
            "{\"site\": \"\\\"A\\\"\", \"elevation_ft\": \"0\", \"lo_baro_inhg\": \"28\", "
            "\"hi_baro_inhg\": \"31\", \"lo_volts\": \"1.25\", \"hi_volts\": \"x\", "
            "\"error\": {\"kind\": \"type-mismatch\", \"message\": \"hi_volts: \\\"x\\\" is not a "
            "number\"}}\n{\"site\": \"B\", \"elevation_ft\": \"0\", ",
            0, "sondrel-calc: 1 of 2 rows failed (input line 2)\n", "--json --batch FILE"},
        CommandCase{"EveryRowFails", kHeader + "\n0,28,28,1.25,8.25\n0,28,31,1,1\n",
                    kBatchHeader + "0,28,28,1.25,8.25,,,,,,,,,,the low and high pressures", 1,
                    "sondrel-calc: every row failed\n"},
        CommandCase{"NoRowsIsNotAFailure", kHeader + "\r\n", kBatchHeader},
        CommandCase{"StrictWarnedRowExits3", kThreeSites, "site," + kBatchHeader, 3, "",
                    "--strict --batch FILE"},
        CommandCase{"StrictPartlyFailedExits3", kHeader + "\n0,28,31,1.25,8.25\n0,28,28,1,2\n",
                    kBatchHeader + kDefaultsRow, 3,
                    "sondrel-calc: 1 of 2 rows failed (input line 3)\n", "--strict --batch FILE"},
        CommandCase{"PartlyFailedNamesTenLines", ElevenFailingRows(), kBatchHeader + kDefaultsRow,
                    0,
                    "sondrel-calc: 11 of 12 rows failed (input lines 3, 4, 5, 6, 7, 8, 9, 10, 11, "
                    "12, ...)\n"},
        CommandCase{"MalformedRowAfterAWrittenOne", kHeader + "\n0,28,31,1.25,8.25\n\nMast,1,2\n",
                    kBatchHeader + kDefaultsRow, 2,
                    "sondrel-calc: FILE:4: 3 fields where the header has 5\n"
                    "Try 'sondrel-calc --help'.\n"},
        CommandCase{"MissingFile", "", "", 1,
                    "sondrel-calc: FILE/none.csv: ", "--batch FILE/none.csv"},
        // Opened, on POSIX systems, and then not read.
        CommandCase{"DirectoryIsAFailure", "", "", 1, "sondrel-calc: /: ", "--batch /"},
        CommandCase{"CrOnlyLineEnds",
                    "site," + kHeader +
                        "\r\"Mast\r\nA\",0,28,31,1.25,8.25\r\rPass,15000,28,31,"
                        "1.25,8.25\r",
                    "site," + kBatchHeader + "\"Mast\r\nA\"," + kDefaultsRow + "Pass,15000,", 3, "",
                    "--strict --batch FILE"},
        CommandCase{"Utf16LeTabSeparated",
                    Utf16(u"site\t" + Tabbed(kHeader) +
                              u"\r\nZ\u00FCrich \U0001F600\t0\t28\t31\t"
                              u"1.25\t8.25\r\n",
                          false),
                    "site," + kBatchHeader + "Z\u00FCrich \U0001F600," + kDefaultsRow},
        CommandCase{"Utf16BeCommaSeparated",
                    Utf16(u"\"Elevation, ft\",\"LoBaro, inHg\",\"HiBaro, inHg\",LoVolt,HiVolt\n"
                          u"0,28,31,1.25,8.25\n",
                          true),
                    kBatchHeader + kDefaultsRow},
        // Lone surrogates and a unit cut off by the end of the file, each U+FFFD.
        CommandCase{"Utf16LoneSurrogatesAndACutUnit",
                    Utf16(u"site," + std::u16string(kHeader.begin(), kHeader.end()) +
                              u"\r\nA\xD800"
                              u"B\xDC00,0,28,31,1.25,8.25\r\nC,0,28,31,1.25,8.25",
                          false) +
                        "x",
                    "site," + kBatchHeader + "A\uFFFDB\uFFFD," + kDefaultsRow +
                        "C,0,28,31,1.25,8.25\uFFFD,,,,,,,,,,",
                    0, "sondrel-calc: 1 of 2 rows failed (input line 3)\n"},
        // The five bytes Windows-1252 leaves undefined read as the C1 controls of their number.
        CommandCase{
            "Windows1252UndefinedBytes",
            "site," + kHeader + "\n\x81\x8D\x8F\x90\x9D,0,28,31,1.25,8.25\n",
            "site," + kBatchHeader + "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D," + kDefaultsRow, 0,
            "sondrel-calc: FILE is not UTF-8; read as Windows-1252\n"},
        CommandCase{"Windows1252", "site," + kHeader + "\nZ\xFCrich \x80\x96,0,28,31,1.25,8.25\n",
                    "site," + kBatchHeader + "Z\u00FCrich \u20AC\u2013," + kDefaultsRow, 0,
                    "sondrel-calc: FILE is not UTF-8; read as Windows-1252\n"},
        CommandCase{"MixedUtf8AndWindows1252IsWindows1252",
                    "site," + kHeader +
                        "\nGen\xC3\xA8ve,0,28,31,1.25,8.25\nZ\xFCrich,0,28,31,1.25,"
                        "8.25\n",
                    "site," + kBatchHeader + "Gen\u00C3\u00A8ve," + kDefaultsRow + "Z\u00FCrich,",
                    0, "sondrel-calc: FILE is not UTF-8; read as Windows-1252\n"},
        CommandCase{"Windows1252Given", "site," + kHeader + "\nGen\xC3\xA8ve,0,28,31,1.25,8.25\n",
                    "site," + kBatchHeader + "Gen\u00C3\u00A8ve,", 0, "",
                    "--encoding windows-1252 --batch FILE"},
        CommandCase{"BomBeforeTheCsvOfAWindows1252File",
                    "site," + kHeader + "\nZ\xFCrich,0,28,31,1.25,8.25\n",
                    "\xEF\xBB\xBFsite," + kBatchHeader + "Z\xC3\xBCrich,", 0,
                    "sondrel-calc: FILE is not UTF-8; read as Windows-1252\n",
                    "--bom --batch FILE"},
        CommandCase{"NamesWithoutCaseBlanksOrUnderscores",
                    "Elevation FT,lo baro inhg,HiBaro_InHg,LO_VOLTS,hiVolts\n0,28,31,1.25,8.25\n",
                    kBatchHeader + kDefaultsRow},
        CommandCase{"TrailingEmptyColumn", "site," + kHeader + ",\r\nA,0,28,31,1.25,8.25,\r\n",
                    "site," + kBatchHeader + "A," + kDefaultsRow},
        CommandCase{
            "MessageNamesTheFilesColumn",
            "LoBaro_inHg,elevation_ft,hi_baro_inhg,lo_volts,"
            "hi_volts\nx,0,31,1.25,8.25\n",
            kBatchHeader + "0,x,31,1.25,8.25,,,,,,,,,,\"LoBaro_inHg: \"\"x\"\" is not a number\"",
            1, "every row failed"},
        CommandCase{"NoLineEndsAtAll", std::string(std::size_t{3} << 20, '\0'), "", 2,
                    "sondrel-calc: FILE:1: a row longer than 1 MiB (1,048,576 bytes), the most a "
                    "row may hold\n"},
        CommandCase{"LongestRowBeforeLf", OneLongRow(kMiB, "\n"), "site," + kBatchHeader + "xx"},
        CommandCase{"LongestRowBeforeCrLf", OneLongRow(kMiB, "\r\n"),
                    "site," + kBatchHeader + "xx"},
        CommandCase{"LongestRowAtTheEnd", OneLongRow(kMiB, ""), "site," + kBatchHeader + "xx"},
        CommandCase{"RowTooLongBeforeLf", OneLongRow(kMiB + 1, "\n"), "site," + kBatchHeader, 2,
                    kRowTooLong},
        CommandCase{"RowTooLongBeforeCrLf", OneLongRow(kMiB + 1, "\r\n"), "site," + kBatchHeader, 2,
                    kRowTooLong},
        CommandCase{"RowTooLongAtTheEnd", OneLongRow(kMiB + 1, ""), "site," + kBatchHeader, 2,
                    kRowTooLong},
        CommandCase{"LongColumnNameCutInMessages",
                    "elevation" + std::string(100, '_') +
                        "ft,lo_baro_inhg,hi_baro_inhg,lo_volts,hi_volts\nx,28,31,1.25,8.25\n",
                    kBatchHeader + "x,28,31,1.25,8.25,,,,,,,,,,\"elevation" + std::string(55, '_') +
                        "...: \"\"x\"\" is not a number\",\n",
                    1, "every row failed"},
        // Every row is the pass-through fields, the five inputs as typed, then what --csv
        // prints for the row's inputs after the elevation, whatever the columns' order.
        CommandCase{
            "PassThroughFieldsInputsThenTheResults",
            "hi_volts,site,lo_volts,elevation_ft,hi_baro_inhg,lo_baro_inhg\n"
            "8.25,Harbour,1.25,\"0\",31,28\n"
            "8.25,Pass,1.25,\"15000\",31,28\n"  // a warning, then rows without one
            "4.5,Ridge,0.5,\"5,000\",31,28\n"
            "8.25,Typo,1.25,\"1000\",3l,28\n"  // not a number
            "8.25,Empty,1.25,\"\",31,28\n",
            "site," + kBatchHeader + "Harbour," + kDefaultsRow +
                "Pass,15000,28,31,1.25,8.25,15,2991.4042648283266,-503.75704534348483,"
                "1.9333640123223832,2.1914030136426383,2991.,-504.,1.933,2.191,,"
                "vr1-negative\n"
                "Ridge,\"5,000\",28,31,0.5,4.5,7,967.1287395632927,1151.566130387297,"
                "3.0753425701723742,3.4557364169765563,967.,1152.,3.075,3.456,,\n"
                "Typo,1000,28,3l,1.25,8.25,,,,,,,,,,\"hi_baro_inhg: \"\"3l\"\" is not a "
                "number\",\n"
                "Empty,,28,31,1.25,8.25,,,,,,,,,,\"elevation_ft: \"\"\"\" is not a number\",\n",
            0, "sondrel-calc: 2 of 5 rows failed (input lines 5, 6)\n"}),
    testing_support::RowName());

}  // namespace
}  // namespace sondrel::cli
