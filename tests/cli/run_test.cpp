#include "cli/run.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#include <csignal>
#endif
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/run_capture.h"
#include "tests/support/process.h"
#include "tests/support/reference_designs.h"
#include "tests/support/row_name.h"
#include "tests/support/scratch_folder.h"

namespace sondrel::cli {
namespace {
using sondrel::testing_support::PrintTo;

using test_support::Result;
using test_support::RunWith;

using testing_support::JoinedLines;
using testing_support::kAt15000Ft;
using testing_support::kDefaultDesign;

// As sondrel-calc prints them, and as --json quotes them.
const std::string kDefaultLines = JoinedLines(kDefaultDesign, "\n") + "\n";
const std::string k15000FtLines = JoinedLines(kAt15000Ft, "\n") + "\n";
const std::string kDefaultJsonText =
    "\"results_text\": \"" + JoinedLines(kDefaultDesign, "\\r\\n") + "\", \"warnings\": []}\n";
const std::string k15000FtJsonText =
    "\"results_text\": \"" + JoinedLines(kAt15000Ft, "\\r\\n") +
    "\", \"warnings\": [{\"code\": \"vr1-negative\", \"message\": \"VR1 wiper to GND side is -504 "
    "ohms, which no setting gives: ";

struct ArgsCase {
    const char* name;
    std::vector<std::string_view> args;
    int code;
    const char* out;         // expected substring of stdout ("" when stdout must be empty)
    const char* err;         // expected substring of stderr ("" when stderr must be empty)
    bool err_whole = false;  // stderr must be exactly `err`
};

// Messages that spell a path whole: as given on POSIX systems, in the system's own absolute
// form (Z:\... under Wine) and with its own reasons on Windows, where only their start is
// compared.
#ifdef _WIN32
constexpr bool kPathsAsGiven = false;
#else
constexpr bool kPathsAsGiven = true;
#endif

class CliTest : public testing::TestWithParam<ArgsCase> {};

TEST_P(CliTest, ExitCodeAndOutput) {
    const ArgsCase& c = GetParam();
    const Result r = RunWith(c.args);
    EXPECT_EQ(r.code, c.code);
    if (*c.out == '\0') {
        EXPECT_EQ(r.out, "");
    } else {
        EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    }
    if (*c.err == '\0' || c.err_whole) {
        EXPECT_EQ(r.err, c.err);
    } else {
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CliTest,
    testing::Values(
        ArgsCase{"DefaultsPrintTheFourLines", {}, 0, kDefaultLines.c_str(), ""},
        ArgsCase{"NegativeElevationIsNotAnOption",
                 {"-1000", "28", "31", "1.25", "8.25"},
                 0,
                 "VR2 = ",
                 ""},
        ArgsCase{"JsonPasses",
                 {"--json", "5000", "28", "31", "1.25", "8.25"},
                 0,
                 "{\"passes\": 9, \"vr2_ohms\": 2186.746748492207, \"vr1_wiper_to_gnd_ohms\": "
                 "900.6216177486549, \"lo_vin_volts\": 3.0753425701723742",
                 ""},
        ArgsCase{"JsonResultsText", {"--json"}, 0, kDefaultJsonText.c_str(), ""},
        // Design warnings: the result lines stay as they are, one line per warning on stderr;
        // --strict turns a warning into exit 3.
        ArgsCase{
            "WarningLeavesTheLinesAlone",
            {"15000", "28", "31", "1.25", "8.25"},
            0,
            k15000FtLines.c_str(),
            "sondrel-calc: warning: VR1 wiper to GND side is -504 ohms, which no setting gives: "},
        ArgsCase{"JsonListsWarnings",
                 {"--json", "15000", "28", "31", "1.25", "8.25"},
                 0,
                 k15000FtJsonText.c_str(),
                 "sondrel-calc: warning: VR1"},
        ArgsCase{"StrictWarningExits3",
                 {"--strict", "15000", "28", "31", "1.25", "8.25"},
                 3,
                 "VR1 wiper to GND side = -504. Ohms\n",
                 "sondrel-calc: warning: VR1"},
        ArgsCase{"StrictWithoutWarningExits0", {"--strict"}, 0, kDefaultLines.c_str(), ""},
        ArgsCase{"StrictSweepAnyRowWarned",
                 {"--strict", "--sweep-elevation", "10000:12000:1000"},
                 3,
                 "\n10000,13,",
                 ""},
        ArgsCase{"StrictFailureStillExits1",
                 {"--strict", "0", "28", "28", "1.25", "8.25"},
                 1,
                 "",
                 "sondrel-calc: the low and high pressures"},
        ArgsCase{"NamesTheLowVoltsBox",
                 {"0", "28", "31", "abc", "8.25"},
                 1,
                 "",
                 "sondrel-calc: LoVolt: \"abc\" is not a number\n"},
        ArgsCase{"JsonError",
                 {"--json", "0", "28", "31", "abc", "8.25"},
                 1,
                 "{\"error\": {\"kind\": \"type-mismatch\", \"message\": \"LoVolt: \\\"abc\\\" is "
                 "not a number\"}}\n",
                 "LoVolt"},
        ArgsCase{"TooFewValues",
                 {"0", "28"},
                 2,
                 "",
                 "sondrel-calc: expected five values (ELEVATION LOW_PRESSURE HIGH_PRESSURE "
                 "LOW_VOLTS HIGH_VOLTS), got 2\nTry 'sondrel-calc --help'.\n",
                 true},
        ArgsCase{"UnknownOption",
                 {"--frobnicate"},
                 2,
                 "",
                 "sondrel-calc: unknown option '--frobnicate'\nTry 'sondrel-calc --help'.\n",
                 true},
        ArgsCase{"BatchWithoutFile",
                 {"--batch"},
                 2,
                 "",
                 "sondrel-calc: --batch needs a file name (or - for standard input)\n"
                 "Try 'sondrel-calc --help'.\n",
                 true},
        ArgsCase{"BomBeforeTheCsvHeader",
                 {"--bom", "--csv"},
                 0,
                 "\xEF\xBB\xBF"
                 "elevation_ft,passes,",
                 ""},
        ArgsCase{"BomWithoutCsv",
                 {"--bom", "--json", "--batch", "-"},
                 2,
                 "",
                 "sondrel-calc: --bom goes with CSV output (--csv, --sweep-elevation, or --batch "
                 "without --json)\n"},
        ArgsCase{
            "EncodingWithoutBatch", {"--encoding", "utf-8"}, 2, "", "--encoding goes with --batch"},
        ArgsCase{"UnknownEncoding",
                 {"--batch", "-", "--encoding=latin1"},
                 2,
                 "",
                 "sondrel-calc: --encoding takes utf-8 or windows-1252, not \"latin1\"\n"},
        ArgsCase{"ReportWithEmptyFile",
                 {"--report="},
                 2,
                 "",
                 "sondrel-calc: --report needs a file name (or - for standard output)\n"
                 "Try 'sondrel-calc --help'.\n",
                 true},
        ArgsCase{"ShortHelpListsDoubleDash", {"-h"}, 0, "\n  --               treat", ""},
        ArgsCase{"DashIsAValueNotAnOption", {"-"}, 2, "", "got 1\n"},
        ArgsCase{"NegativePointValue", {"0", "28", "31", "-.5", "8.25"}, 0, "VR2 = ", ""},
        ArgsCase{"OptionAfterDoubleDashIsAValue",
                 {"--", "--json", "28", "31", "1.25", "8.25"},
                 1,
                 "",
                 "sondrel-calc: Elevation, ft: \"--json\" is not a number\n",
                 true},
        ArgsCase{"HeaderWithoutReport",
                 {"--header", "Site A\n"},
                 2,
                 "",
                 "sondrel-calc: --header goes with --report (it is the report's header)\n"
                 "Try 'sondrel-calc --help'.\n",
                 true},
        // A name cannot start a second line of its own or colour the terminal.
        ArgsCase{"BatchFileNameEscapedInTheMessage",
                 {"--batch", "no\nsuch\x1b[31mred"},
                 1,
                 "",
                 kPathsAsGiven
                     ? "sondrel-calc: no\\x0Asuch\\x1B[31mred: No such file or directory\n"
                     : "sondrel-calc: no\\x0Asuch\\x1B[31mred: ",
                 kPathsAsGiven},
        ArgsCase{"RepeatedReport",
                 {"--report", "a.txt", "--report", "b.txt"},
                 2,
                 "",
                 "sondrel-calc: --report is given twice; give it once\n"
                 "Try 'sondrel-calc --help'.\n",
                 true},
        ArgsCase{"RepeatedEncoding",
                 {"--batch", "-", "--encoding", "utf-8", "--encoding=windows-1252"},
                 2,
                 "",
                 "sondrel-calc: --encoding is given twice; give it once\n"
                 "Try 'sondrel-calc --help'.\n",
                 true},
        // A switch takes no value, not even after "=".
        ArgsCase{"SwitchWithAValue",
                 {"--json=1"},
                 2,
                 "",
                 "sondrel-calc: unknown option '--json=1'\n"
                 "Try 'sondrel-calc --help'.\n",
                 true},
        // "--" ends the options only on its own.
        ArgsCase{"EndOfOptionsWithAValue",
                 {"--=x", "0", "28", "31", "1.25", "8.25"},
                 2,
                 "",
                 "sondrel-calc: unknown option '--=x'\nTry 'sondrel-calc --help'.\n",
                 true},
        // Named in any case: read, then refused for want of --batch.
        ArgsCase{"EncodingInCapitals",
                 {"--encoding", "UTF-8", "--csv"},
                 2,
                 "",
                 "sondrel-calc: --encoding goes with --batch"},
        // The argument after an option that takes a value is its value, whatever it looks like.
        ArgsCase{"HeaderThatLooksLikeAnOption",
                 {"--header", "--json", "--report", "-"},
                 0,
                 "--jsonElev = 0 ft",
                 ""},
        ArgsCase{"EmptyHeaderIsAHeader", {"--report", "-", "--header="}, 0, "Elev = 0 ft", ""},
        ArgsCase{"SwitchTwiceIsOnce", {"--json", "--json"}, 0, "{\"passes\": 6, ", ""},
        // An empty value after "=" is a value, not a missing one.
        ArgsCase{"EncodingEmptyAfterEquals",
                 {"--batch", "-", "--encoding="},
                 2,
                 "",
                 "sondrel-calc: --encoding takes utf-8 or windows-1252, not \"\"\n"},
        // Of two conflicts, one is told, and always the same one: --header's before --plot's.
        ArgsCase{"HeaderWithoutReportBeforePlotWithoutSweep",
                 {"--plot", "a.svg", "--header", "A"},
                 2,
                 "",
                 "sondrel-calc: --header goes with --report"},
        ArgsCase{"HelpOutranksOptionsThatConflict",
                 {"--help", "--json", "--csv"},
                 0,
                 "Usage: sondrel-calc ",
                 ""},
        // The count of values is told before the wish of two for standard output.
        ArgsCase{"WrongCountBeforeTwoForStandardOutput",
                 {"--json", "--report", "-", "1", "2"},
                 2,
                 "",
                 "expected five values (ELEVATION LOW_PRESSURE HIGH_PRESSURE LOW_VOLTS "
                 "HIGH_VOLTS), got 2\n"},
        ArgsCase{"BomAlone", {"--bom"}, 2, "", "sondrel-calc: --bom goes with CSV output"},
        ArgsCase{"BatchWithReport",
                 {"--batch", "-", "--report", "r.txt"},
                 2,
                 "",
                 "sondrel-calc: --report does not go with --batch\n"},
        ArgsCase{"BatchWithValues",
                 {"--batch", "-", "1"},
                 2,
                 "",
                 "sondrel-calc: --batch takes its values from the file, got 1 more\n"},
        ArgsCase{"PlotIsSvg",
                 {"--sweep-elevation", "0:1:1", "--plot", "chart.PNG"},
                 2,
                 "",
                 "--plot writes the chart as SVG: name the file with .svg, got \"chart.PNG\""},
        // Told before the first row is calculated or printed.
        ArgsCase{
            "PlotIntoAMissingFolder",
            {"--sweep-elevation", "0:100000:1", "--plot", "/nonexistent-dir/c.svg"},
            1,
            "",
            kPathsAsGiven
                ? "sondrel-calc: cannot write /nonexistent-dir/c.svg: No such file or directory\n"
                : "sondrel-calc: cannot write ",
            kPathsAsGiven},
        ArgsCase{
            "ReportIntoAMissingFolderBeforeTheWarnings",
            {"--report", "/nonexistent-dir/r.txt", "15000", "28", "31", "1.25", "8.25"},
            1,
            "",
            kPathsAsGiven
                ? "sondrel-calc: cannot write /nonexistent-dir/r.txt: No such file or directory\n"
                : "sondrel-calc: cannot write ",
            kPathsAsGiven},
        ArgsCase{"PlotWithoutSweep", {"--plot", "a.svg"}, 2, "", "--plot goes with --sweep"},
        ArgsCase{"PlotToStandardOutput",
                 {"--sweep-elevation", "0:1:1", "--plot", "-"},
                 2,
                 "",
                 "--plot needs a file name"},
        ArgsCase{"JsonAndReportToStdout",
                 {"--json", "--report", "-"},
                 2,
                 "",
                 "sondrel-calc: --json and --report - both want standard output\n"},
        ArgsCase{"Version", {"--version"}, 0, "sondrel-calc 1.", ""},
        ArgsCase{
            "ReportToStdout", {"--report", "-"}, 0, testing_support::kDefaultReport.data(), ""},
        ArgsCase{"HeaderCrLfKeptAndLoneCrKept",
                 {"--report", "-", "--header", "A\r\nB\rC\n"},
                 0,
                 "A\r\nB\rC\r\nElev = 0 ft",
                 ""},
        ArgsCase{"CsvRow",
                 {"--csv", "1,000", "28", "31", "1.25", "8.25"},
                 0,
                 "hi_vin_text,error,warnings\n1000,6,1887.8094340075622,1646.3438863916608,"
                 "3.6398366171667664,4.080711969006062,1888.,1646.,3.64,4.081,,\n",
                 ""},
        ArgsCase{
            "CsvFailureIsARowAndAMessage",
            {"--csv", "0", "28", "31", "abc", "8.25"},
            1,
            "hi_vin_text,error,warnings\n0,,,,,,,,,,\"LoVolt: \"\"abc\"\" is not a number\",\n",
            "sondrel-calc: LoVolt: \"abc\" is not a number\n"},
        ArgsCase{"CsvElevationNotANumber",
                 {"--csv", "x", "28", "31", "1", "2"},
                 1,
                 "warnings\n,,,,,,,,,,\"Elevation, ft: \"\"x\"\" is not a number\",\n",
                 "Elevation"},
        ArgsCase{"CsvWithReportFileFailingCarriesItsError",
                 {"--csv", "--report", "/nonexistent-dir/r.txt"},
                 1,
                 // The path follows in the system's own absolute form (Z:\... under Wine).
                 "warnings\n0,,,,,,,,,,cannot write ",
                 "cannot write"},
        ArgsCase{"CsvElevationInPlainDecimals",
                 {"--csv", "1e-5", "28", "31", "1.25", "8.25"},
                 0,
                 "warnings\n0.00001,6,",
                 ""},
        ArgsCase{"CsvAndJson", {"--csv", "--json"}, 2, "", "choose one"},
        ArgsCase{"CsvAndReportToStdout",
                 {"--csv", "--report", "-"},
                 2,
                 "",
                 "--csv and --report - both want standard output"},
        ArgsCase{"SweepAcceptsCsv",
                 {"--csv", "--sweep-elevation", "0:1000:1000"},
                 0,
                 "warnings\n0,6,1812.97964257354,1850.6531358149223,3.791738,4.2488885,1813.,"
                 "1851.,3.792,4.249,,\n1000,6,",
                 ""},
        ArgsCase{"SweepEqualsForm", {"--sweep-elevation=-1000:0:500"}, 0, "\n-500,", ""},
        ArgsCase{"StrictSweepFailedRowExits3",
                 {"--strict", "--sweep-elevation", "145300:145500:100"},
                 3,
                 "\n145400,",
                 "2 of 3 rows failed"},
        ArgsCase{"SweepNeedsRange", {"--sweep-elevation"}, 2, "", "needs START:STOP:STEP"},
        ArgsCase{"SweepRangeNotANumber",
                 {"--sweep-elevation", "0:1O0:1"},
                 2,
                 "",
                 "STOP: \"1O0\" is not a number"},
        ArgsCase{"SweepValueNotANumber",
                 {"--sweep-elevation", "0:1:1", "28", "31", "1,25", "8"},
                 1,
                 "",
                 "sondrel-calc: LoVolt: \"1,25\" is not a number\n",
                 true},
        ArgsCase{"SweepFiveValues",
                 {"--sweep-elevation", "0:1:1", "0", "28", "31", "1", "8"},
                 2,
                 "",
                 "expected four values"},
        ArgsCase{"SweepWithJson",
                 {"--json", "--sweep-elevation", "0:1:1"},
                 2,
                 "",
                 "--json does not go with --sweep-elevation"},
        ArgsCase{"SweepWithReport",
                 {"--sweep-elevation", "0:1:1", "--report", "r.txt"},
                 2,
                 "",
                 "--report does not go with --sweep-elevation"}),
    testing_support::RowName{});

#ifndef _WIN32
// Standard output that cannot be written: a full disk is told on stderr and exits 1 (or keeps
// the failure's own status); a pipe whose reader has gone stays quiet.
struct StdoutCase {
    const char* name;
    bool closed_pipe;  // else /dev/full
    std::vector<std::string_view> args;
    int code;
    const char* err;  // all of stderr; nullptr: not checked
};

class CliStdoutTest : public testing::TestWithParam<StdoutCase> {};

TEST_P(CliStdoutTest, ToldOnStderr) {
    const StdoutCase& c = GetParam();
    std::FILE* file = nullptr;
    int fds[2] = {-1, -1};
    if (c.closed_pipe) {
        std::signal(SIGPIPE, SIG_IGN);
        ASSERT_EQ(::pipe(fds), 0);
        ::close(fds[0]);
        file = ::fdopen(fds[1], "w");
    } else {
        file = std::fopen("/dev/full", "w");
    }
    ASSERT_NE(file, nullptr);
    std::string err_text;
    int code = -1;
    {
        TextWriter out(file);
        TextWriter err(&err_text);
        code = cli::Run(c.args, out, err);
    }
    std::fclose(file);
    EXPECT_EQ(code, c.code);
    if (c.err != nullptr) {
        EXPECT_EQ(err_text, c.err);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Stdout, CliStdoutTest,
    testing::Values(
        StdoutCase{"FullAfterAFailureKeepsItsStatus",
                   false,
                   {"--json", "0", "28", "28", "1", "2"},
                   1,
                   "sondrel-calc: the low and high pressures give the same sensor voltage "
                   "(division by zero)\n"
                   "sondrel-calc: cannot write standard output: No space left on device\n"},
        StdoutCase{"FullOutweighsAStrictWarning",
                   false,
                   {"--strict", "15000", "28", "31", "1.25", "8.25"},
                   1,
                   nullptr},
        StdoutCase{"ClosedPipeIsQuiet", true, {}, 1, ""}),
    testing_support::RowName());
#endif  // _WIN32

TEST(CliReport, WritesTheFileAndNamesItInJson) {
    const testing_support::ScratchFolder folder("sondrel-cli-report");
    ASSERT_FALSE(folder.path().empty());
#ifdef _WIN32
    const std::string name = "r.txt";
    const std::string json_name = name;
#else
    // A byte that is not UTF-8 reads back as itself (Python's "surrogateescape").
    const std::string name = "r\xff.txt";
    const std::string json_name = "r\\udcff.txt";
#endif
    const std::string file = (folder.path() / name).string();
    // The path as given steps out of a folder with ".."; the file written is beside it.
    std::filesystem::create_directory(folder.path() / "sub");
    const Result r =
        RunWith({"--json", "--report", (folder.path() / "sub" / ".." / name).string()});
    EXPECT_EQ(r.code, 0) << r.err;
    const std::string json_x =
        test_support::Written([&](TextWriter& o) { o.JsonString((folder.path() / "X").string()); });
    const std::string json_file = json_x.substr(0, json_x.size() - 2) + json_name + "\"";
    EXPECT_NE(r.out.find("\"report_path\": " + json_file), std::string::npos) << r.out;
    EXPECT_EQ(testing_support::ReadFile(file), testing_support::kDefaultReport);
}

// The real executable, through a shell: arguments, exit status and the bytes it prints
// (on Windows through cmd.exe, read in binary so that a stray "\r" shows).
TEST(CliExecutable, PrintsDefaultsAndFailsCleanly) {
    const auto run = [](const std::string& args) {
#ifdef _WIN32
        return testing_support::RunInShell("\"" + std::string(SONDREL_CALC_EXE) + "\" " + args);
#else
        return testing_support::RunInShell(std::string(SONDREL_CALC_EXE) + " " + args);
#endif
    };
    const Result defaults = run("");
    EXPECT_EQ(defaults.code, 0);
    EXPECT_EQ(defaults.out, kDefaultLines);
    const Result failed = run("0 28 28 1.25 8.25");
    EXPECT_EQ(failed.code, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(run("1 2").code, 2);
#ifndef _WIN32
    // Past `ulimit -f` (512-byte blocks) the report fails, leaving no temporary file; the
    // message, shorter than the limit, still reaches standard error.
    const testing_support::ScratchFolder folder("sondrel-cli-limit");
    const std::string report = (folder.path() / "Output.txt").string();
    const Result limited = testing_support::RunInShell(
        "ulimit -f 1; " + std::string(SONDREL_CALC_EXE) + " --report " + report + " --header " +
        std::string(600, 'h') + " 1000 28 31 1.25 8.25");
    EXPECT_EQ(limited.code, 1);
    EXPECT_EQ(limited.err, "sondrel-calc: cannot write " + report + ": File too large\n");
    EXPECT_EQ(testing_support::Temporaries(folder.path()), std::vector<std::string>{});
#endif
}

}  // namespace
}  // namespace sondrel::cli
