// The manual page and --help describe the same options, each of them is one that
// sondrel-calc knows, and the page's examples do what it says they do.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "calc/circuit_model.h"
#include "calc/failure.h"
#include "calc/report.h"
#include "cli/run.h"
#include "cli/usage_text.h"
#include "tests/support/process.h"
#include "tests/support/reference_designs.h"
#include "tests/support/row_name.h"
#include "tests/support/scratch_folder.h"

namespace sondrel::cli {
namespace {
using sondrel::testing_support::PrintTo;
using testing_support::ReadFile;

std::set<std::string> LongOptions(const std::string& text) {
    static const std::regex kOption("--[a-z][a-z-]*[a-z]");
    std::set<std::string> options;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), kOption);
         it != std::sregex_iterator(); ++it) {
        options.insert(it->str());
    }
    return options;
}

// The page as a reader sees the option names: troff's "\-" is a plain "-".
std::string ManPageText(const char* page = SONDREL_MAN_PAGE) {
    std::string text = ReadFile(page);
    EXPECT_FALSE(text.empty()) << page;
    for (std::size_t at; (at = text.find("\\-")) != std::string::npos;) {
        text.erase(at, 1);
    }
    return text;
}

// A program's --help against its page: the same long options.
struct HelpCase {
    const char* name;
    std::string (*help)();
    const char* page;
    std::size_t least_options;
};

class ManPageHelp : public testing::TestWithParam<HelpCase> {};

TEST_P(ManPageHelp, ListsTheOptionsOfHelp) {
    const std::set<std::string> help = LongOptions(GetParam().help());
    const std::set<std::string> page = LongOptions(ManPageText(GetParam().page));
    EXPECT_GE(help.size(), GetParam().least_options);
    EXPECT_EQ(help, page);
}

std::string CalcHelp() {
    return std::string(kUsageText);
}
#ifdef SONDREL_WINDOW_EXE
std::string WindowHelp() {
    return testing_support::RunInShell("QT_QPA_PLATFORM=offscreen '" SONDREL_WINDOW_EXE "' --help")
        .out;
}
#endif

std::vector<HelpCase> HelpCases() {
    return {
        HelpCase{"Calc", CalcHelp, SONDREL_MAN_PAGE, 7},
#ifdef SONDREL_WINDOW_EXE
        HelpCase{"Window", WindowHelp, SONDREL_WINDOW_MAN_PAGE, 3},
#endif
    };
}

INSTANTIATE_TEST_SUITE_P(Programs, ManPageHelp, testing::ValuesIn(HelpCases()),
                         testing_support::RowName());

// Scripts read the kinds from --json: the page lists every kind's id, each one once.
TEST(ManPage, ListsTheFailureKindsOfJson) {
    const std::string page = ManPageText();
    const std::size_t from = page.find("where the kind is one of\n");
    ASSERT_NE(from, std::string::npos);
    std::multiset<std::string> listed;
    std::istringstream lines(page.substr(from, page.find("\n.TP\n", from) - from));
    static const std::regex kId(R"(^\.BR? ([a-z]+(-[a-z]+)*)( [.,])?$)");
    std::smatch id;
    for (std::string line; std::getline(lines, line);) {
        if (std::regex_match(line, id, kId)) {
            listed.insert(id[1]);
        }
    }
    std::multiset<std::string> ids;
    for (int kind = 0; FailureKindId(static_cast<FailureKind>(kind)) != "unknown"; ++kind) {
        ids.emplace(FailureKindId(static_cast<FailureKind>(kind)));
    }
    EXPECT_EQ(listed, ids);
}

TEST(ManPage, OptionsAreKnownToTheProgram) {
    for (const std::string& option : LongOptions(ManPageText())) {
        std::string out_text;
        std::string err_text;
        {
            TextWriter out(&out_text);
            TextWriter err(&err_text);
            cli::Run({option}, out, err);
        }
        EXPECT_EQ(err_text.find("unknown option"), std::string::npos) << option;
    }
}

// A constant of the circuit model where THE CIRCUIT MODEL states it: the page's text with "@"
// for the number, which must read as the constant (within `rounding` of it, for a value the
// page rounds).
struct ModelConstant {
    const char* name;
    double value;  // as calc/ has it
    const char* where;
    double rounding = 0;
};

class ManPageModel : public testing::TestWithParam<ModelConstant> {};

TEST_P(ManPageModel, StatesTheConstantOfTheCode) {
    const std::string text = ManPageText();
    const std::size_t start = text.find("\n.SH THE CIRCUIT MODEL\n");
    ASSERT_NE(start, std::string::npos);
    const std::string model = text.substr(start, text.find("\n.SH ", start + 1) - start);
    const std::string where = GetParam().where;
    const std::size_t at = where.find('@');
    ASSERT_NE(at, std::string::npos);
    // The text around "@" taken literally, the number as digits (grouped by "," or not), a
    // fraction and an exponent.
    const auto literal = [](const std::string& part) {
        static const std::regex kSpecial(R"([.^$|()\[\]{}*+?\\])");
        return std::regex_replace(part, kSpecial, R"(\$&)");
    };
    const std::regex pattern(literal(where.substr(0, at)) +
                             R"((-?([0-9]{1,3}(,[0-9]{3})+|[0-9]+)(\.[0-9]+)?(E-?[0-9]+)?))" +
                             literal(where.substr(at + 1)));
    std::smatch found;
    ASSERT_TRUE(std::regex_search(model, found, pattern)) << "not in the page: " << where;
    std::string number = found[1].str();
    number.erase(std::remove(number.begin(), number.end(), ','), number.end());
    EXPECT_NEAR(std::stod(number), GetParam().value, GetParam().rounding) << found[0];
}

INSTANTIATE_TEST_SUITE_P(
    Constants, ManPageModel,
    testing::Values(
        ModelConstant{"PressureLapse", kPressureLapse, "r = (1 - @ \\(mu E)"},
        ModelConstant{"PressureExponent", kPressureExponent, "\\(mu E) \\(ha @\n"},
        ModelConstant{"ElevationLimit", 1 / kPressureLapse, "= @ ft, and", 0.05},
        ModelConstant{"SensorSupply", kSensorSupplyVolts, "Vin(P) = @ \\(mu ("},
        ModelConstant{"SensorSlope", kSensorSlopePerKpa, "Vin(P) = 5 \\(mu (@ \\(mu"},
        ModelConstant{"KpaPerInHg", kKpaPerInHg, "(0.009 \\(mu @ \\(mu P"},
        ModelConstant{"SensorOffset", kSensorOffset, "\\(mu r - @)"},
        ModelConstant{"SpanFraction", kSpanFraction, "Vt = @ \\(mu (HiVin"},
        ModelConstant{"FirstWiperGuess", kFirstWiperGuess, "first pass starts from @."},
        ModelConstant{"Stage1Feedback", kStage1FeedbackKohm, "G1 = 1 + @ / ("},
        ModelConstant{"Stage1Series", kStage1SeriesKohm, "G1 = 1 + 15 / (@ + "},
        ModelConstant{"Vr1StringKohm", kVr1StringKohm, "(2.7 + @ \\(mu x \\(mu"},
        ModelConstant{"Vr2FullScaleKohm", kVr2FullScaleKohm, "f = ((G2 - 1) / @)"},
        ModelConstant{"Stage2Ground", kStage2GroundKohm, "/ 5) \\(mu @\n"},
        ModelConstant{"Vr2ShiftScale", kVr2ShiftScale, "S = @ \\(mu f"},
        ModelConstant{"Vr2ShiftDivisor", kVr2ShiftDivisor, "S = 50 \\(mu f / @\n"},
        ModelConstant{"QuadA", kQuadA, "\n@ \\(mu x\\(aq\\(S2 +"},
        ModelConstant{"QuadC", kQuadC, "+ b \\(mu x\\(aq + @ = 0"},
        ModelConstant{"QuadBErrorScale", kQuadBErrorScale, "b = 1 - @ / |e|"},
        ModelConstant{"Vr2FullScaleOhms", kVr2FullScaleOhms, "\nVR2 = @ \\(mu f"},
        ModelConstant{"Vr2OffsetOhms", kVr2OffsetOhms, "\nVR2 = 5000 \\(mu f - @\n"},
        ModelConstant{"Vr1StringOhms", kVr1StringOhms, "\nVR1 wiper to GND side = @ \\(mu"},
        ModelConstant{"Vr1WiperOffsetOhms", kVr1WiperOffsetOhms, "= 9400 \\(mu x\\(aq - @\n"},
        ModelConstant{"Vr1TrackEnd", kVr1TrackEndOhms, "9400 - 1877 = @ \\(*W"},
        ModelConstant{"Vr2TrackEnd", kVr2TrackEndOhms, "5000 - 53 = @ \\(*W"},
        ModelConstant{"SettledChange", kSettledChange, "x| / x\\(aq \\(<= @\n"},
        ModelConstant{"PassLimit", kPassLimit, "stops at its @th pass"},
        ModelConstant{"FeetPerMetre", kFeetPerMetre, "\nmetres = feet / @\n"},
        ModelConstant{"InHgPerMillibar", kInHgPerMillibar, "\nmillibars = inHg / @\n"}),
    testing_support::RowName());

// The two pages, each against the other: one release date, and each names the other.
struct PagePair {
    const char* name;
    const char* page;
    const char* other;
    const char* other_reference;  // as SEE ALSO names the other
};

class ManPagePair : public testing::TestWithParam<PagePair> {};

TEST_P(ManPagePair, SameDateAndSeeAlsoTheOther) {
    // ".TH NAME SECTION DATE ...": the third word after ".TH".
    const auto date = [](const std::string& page) {
        std::istringstream th(page.substr(page.find("\n.TH ") + 1));
        std::string word;
        for (int i = 0; i < 4; ++i) {
            th >> word;
        }
        return word;
    };
    const std::string page = ManPageText(GetParam().page);
    EXPECT_EQ(date(page), date(ManPageText(GetParam().other)));
    const std::size_t see_also = page.find("\n.SH SEE ALSO\n");
    ASSERT_NE(see_also, std::string::npos);
    EXPECT_NE(page.find(GetParam().other_reference, see_also), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Pages, ManPagePair,
                         testing::Values(PagePair{"Calc", SONDREL_MAN_PAGE, SONDREL_WINDOW_MAN_PAGE,
                                                  ".BR sondrel (1)"},
                                         PagePair{"Window", SONDREL_WINDOW_MAN_PAGE,
                                                  SONDREL_MAN_PAGE, ".BR sondrel-calc (1)"}),
                         testing_support::RowName());

#ifndef _WIN32
// The EXAMPLES section's lines as a reader sees them.
std::vector<std::string> ExampleLines() {
    std::string text = ManPageText();
    for (const auto& [escape, plain] :
         {std::pair{"\\(aq", "'"}, {"\\(ti", "~"}, {"\\&", ""}, {"\\e", "\\"}}) {
        for (std::size_t at; (at = text.find(escape)) != std::string::npos;) {
            text.replace(at, std::string_view(escape).size(), plain);
        }
    }
    std::vector<std::string> lines;
    const std::size_t start = text.find("\n.SH EXAMPLES\n");
    const std::size_t end = text.find("\n.SH ", start + 1);
    std::istringstream in(text.substr(start, end - start));
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The commands typed after "$ ", their continuation lines (after "\" or "|") joined on.
std::vector<std::string> ExampleCommands(const std::vector<std::string>& lines) {
    std::vector<std::string> commands;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i].starts_with("$ sondrel-calc")) {
            continue;
        }
        std::string command = lines[i].substr(2);
        while ((command.ends_with('\\') || command.ends_with('|')) && i + 1 < lines.size()) {
            if (command.ends_with('\\')) {
                command.pop_back();
            } else {
                command += ' ';
            }
            const std::string& next = lines[++i];
            command += next.substr(next.find_first_not_of(' '));
        }
        commands.push_back(command);
    }
    return commands;
}

struct ExampleCase {
    const char* name;
    std::string command;  // as the page shows it, continuation lines joined
    std::string then;     // a shell command run after it, to look at what it wrote
    std::string out;      // expected part of what the two print
};

class ManPageExample : public testing::TestWithParam<ExampleCase> {};

// Run by bash in a scratch folder holding the page's sites.csv, sondrel-calc on PATH.
TEST_P(ManPageExample, RunsAsShown) {
    const ExampleCase& c = GetParam();
    const std::vector<std::string> lines = ExampleLines();
    const std::vector<std::string> commands = ExampleCommands(lines);
    EXPECT_NE(std::find(commands.begin(), commands.end(), c.command), commands.end())
        << "not among the page's examples: " << c.command;

    const testing_support::ScratchFolder scratch("sondrel-example");
    const std::filesystem::path& folder = scratch.path();
    ASSERT_FALSE(folder.empty());
    std::ofstream sites(folder / "sites.csv", std::ios::binary);
    const auto cat = std::find(lines.begin(), lines.end(), "$ cat sites.csv");
    ASSERT_NE(cat, lines.end());
    for (auto line = cat + 1; line != lines.end() && !line->starts_with("$ "); ++line) {
        sites << *line << '\n';
    }
    sites.close();
    std::ofstream(folder / "example.sh", std::ios::binary)
        << "cd '" << folder.string() << "' || exit 99\nPATH='"
        << std::filesystem::path(SONDREL_CALC_EXE).parent_path().string() << "':$PATH\n"
        << c.command << "\n"
        << c.then << "\n";

    const auto [code, out, err] =
        testing_support::RunInShell("bash '" + (folder / "example.sh").string() + "'");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(err, "");
    EXPECT_NE(out.find(c.out), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ManPageExample,
    testing::Values(
        ExampleCase{"Defaults", "sondrel-calc", "",
                    JoinedLines(testing_support::kDefaultDesign, "\n") + "\n"},
        ExampleCase{"Json", "sondrel-calc --json 5,000 28 31 0.5 4.5", "",
                    "{\"passes\": 7, \"vr2_ohms\": 967.1287395632"},
        ExampleCase{
            "ReportHeaderOnLinesOfItsOwn",
            "sondrel-calc --report site.txt --header $'Site A\\nRoof\\n' 1000 28 31 1.25 8.25",
            "cat site.txt", "Site A\r\nRoof\r\nElev = 1000 ft"},
        ExampleCase{"Sweep", "sondrel-calc --sweep-elevation 0:20000:1000", "",
                    "\n1000,6,1887.8094340075622,1646.3438863916608,"},
        ExampleCase{"WhereVr1GoesNegative",
                    "sondrel-calc --sweep-elevation 12000:10000:-10 | awk -F, 'NR > 1 && $8 !~ "
                    "/-/' | head -n 3",
                    "", "10890,13,"},
        ExampleCase{"Vr1WarnsWhereItsTextTurnsNegative",
                    "sondrel-calc --sweep-elevation 10895:10899:0.5 | cut -d, -f1,4,8,12", "",
                    "\n10898.5,-0.4408712042497882,.,\n10899,-0.5079989418143214,-1.,"
                    "vr1-negative\n"},
        ExampleCase{"Chart",
                    "sondrel-calc --sweep-elevation 0:20000:1000 --plot sweep.svg >sweep.csv",
                    "head -c 5 sweep.svg; wc -l <sweep.csv", "<?xml22\n"},
        ExampleCase{"FallingRangeExits3",
                    "sondrel-calc --strict --sweep-elevation 0:20000:1000 28 31 8.25 1.25 "
                    ">falling.csv; echo $?",
                    "grep -c 'vr2-negative$' falling.csv", "3\n21\n"},
        ExampleCase{"Batch", "sondrel-calc --batch sites.csv", "",
                    "\nPass,15000,28,31,1.25,8.25,15,2991.4042648283266,"}),
    testing_support::RowName());

TEST(ManPageExamples, EachHasARow) {
    EXPECT_EQ(ExampleCommands(ExampleLines()).size(), 9u);
}
#endif  // _WIN32

}  // namespace
}  // namespace sondrel::cli
