// The window program's own command line, through the real executable with no display: what it
// prints, where, and its exit status.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "tests/support/row_name.h"
#include "tests/support/shell.h"

namespace {
namespace testing_support = sondrel::testing_support;
using sondrel::testing_support::PrintTo;

struct CommandCase {
    const char* name;
    const char* display;  // DISPLAY's value, nullptr to unset it
    const char* args;
    int code;
    const char* out;  // expected part of standard output, "" for none
    const char* err;  // expected part of standard error, "" for none
};

class WindowCommandLine : public testing::TestWithParam<CommandCase> {};

TEST_P(WindowCommandLine, PrintsAndExits) {
    const CommandCase& c = GetParam();
    const std::string err_file = testing::TempDir() + "sondrel_window_" + c.name + ".err";
    std::string command = "env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";
    command += c.display == nullptr ? "-u DISPLAY " : std::string("DISPLAY=") + c.display + " ";
    command += std::string(SONDREL_WINDOW_EXE) + " " + c.args + " 2>" + err_file;
    const auto [out, status] = testing_support::RunShell(command);
    ASSERT_NE(status, -1);
    std::string err;
    if (FILE* file = std::fopen(err_file.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, file)) > 0;) {
            err.append(buf, n);
        }
        std::fclose(file);
    }
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal: " << err;
    EXPECT_EQ(WEXITSTATUS(status), c.code) << err;
    if (*c.out == '\0') {
        EXPECT_EQ(out, "");
    } else {
        EXPECT_NE(out.find(c.out), std::string::npos) << out;
    }
    if (*c.err == '\0') {
        EXPECT_EQ(err, "");
    } else {
        // The message alone: no Qt abort, no lines after "Try ...".
        EXPECT_TRUE(err.starts_with(c.err)) << err;
        EXPECT_LE(std::count(err.begin(), err.end(), '\n'), 2) << err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, WindowCommandLine,
    testing::Values(
        CommandCase{"HelpWithoutADisplay", nullptr, "--help", 0, "  --version ", ""},
        CommandCase{"ShortHelp", ":7357", "-h", 0, "Opens the Sondrel window", ""},
        CommandCase{"VersionWithoutADisplay", nullptr, "--version", 0, "sondrel 1.", ""},
        CommandCase{"UnknownOption", nullptr, "--bogus", 2, "",
                    "sondrel: Unknown option '--bogus'.\nTry 'sondrel --help'.\n"},
        CommandCase{"StrayValue", nullptr, "site.csv", 2, "",
                    "sondrel: unexpected argument 'site.csv'"},
        CommandCase{"NoDisplay", nullptr, "", 1, "", "sondrel: no display to open the window on"},
        CommandCase{"DisplayThatDoesNotOpen", ":7357", "-style fusion", 1, "",
                    "sondrel: cannot open the display \":7357\": "}),
    sondrel::testing_support::RowName{});

}  // namespace
