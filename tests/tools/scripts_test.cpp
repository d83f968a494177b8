// The scripts behind `make test`: each runs in a scratch copy of tools/ with stand-ins for
// cmake, ctest and apt on PATH, and must print its short summary and keep the exit status.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/process.h"
#include "tests/support/row_name.h"
#include "tests/support/scratch_folder.h"

namespace {
using sondrel::testing_support::CommandRun;
using sondrel::testing_support::PrintTo;
using sondrel::testing_support::ReadFile;

namespace fs = std::filesystem;

void Write(const fs::path& path, const std::string& text, bool executable = false) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
    if (executable) {
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add);
    }
}

long CountLines(const std::string& text) {
    return std::count(text.begin(), text.end(), '\n');
}

// A scratch project folder holding a copy of tools/ and a bin/ of stand-in programs.
class Sandbox {
public:
    Sandbox() { fs::copy(SONDREL_TOOLS_DIR, root_ / "tools"); }

    const fs::path& root() const { return root_; }

    // A stand-in program on PATH.
    void Script(const std::string& name, const std::string& body) {
        Write(root_ / "bin" / name, "#!/bin/sh\n" + body, true);
    }

    CommandRun Run(const std::string& command) const {
        return sondrel::testing_support::RunInShell("cd '" + root_.string() + "' && PATH='" +
                                                    (root_ / "bin").string() + ":'\"$PATH\" " +
                                                    command + " </dev/null");
    }

private:
    const sondrel::testing_support::ScratchFolder folder_{"sondrel-tools"};
    const fs::path root_ = folder_.path();
};

// --- tools/build.sh: one line on success, the whole log on a failure or a warning --------

struct BuildCase {
    const char* name;
    const char* build_output;    // what `cmake --build` prints
    int status;                  // of the build and of the script
    const char* want_last_line;  // its start, on stdout (stderr on failure)
    bool want_log_shown;
};
class BuildScript : public ::testing::TestWithParam<BuildCase> {};

TEST_P(BuildScript, SummarisesTheBuild) {
    const BuildCase& c = GetParam();
    Sandbox box;
    Write(box.root() / "build.out", c.build_output);
    box.Script("cmake", "[ \"$1\" = --build ] && { cat build.out; exit " +
                            std::to_string(c.status) + "; }\necho configured\n");

    const CommandRun result = box.Run("tools/build.sh dev");

    EXPECT_EQ(result.code, c.status);
    const std::string& shown = c.status == 0 ? result.out : result.err;
    const std::string last_line = shown.substr(shown.rfind('\n', shown.size() - 2) + 1);
    EXPECT_EQ(last_line.rfind(c.want_last_line, 0), 0u) << shown;
    EXPECT_EQ(shown.find("configured") != std::string::npos, c.want_log_shown) << shown;
    if (!c.want_log_shown) {
        EXPECT_EQ(CountLines(result.out + result.err), 1) << result.out << result.err;
    }
    EXPECT_EQ(ReadFile(box.root() / "build/dev/build.log"),
              std::string("configured\n") + c.build_output);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, BuildScript,
    ::testing::Values(
        BuildCase{"NothingToDo", "[100%] Built target sondrel_calc\n", 0, "build (dev): up to date",
                  false},
        BuildCase{"Compiles",
                  "[ 10%] Building CXX object calc/CMakeFiles/x.dir/a.cpp.o\n"
                  "[ 20%] Building CXX object calc/CMakeFiles/x.dir/b.cpp.o\n"
                  "[ 30%] Linking CXX static library libsondrel_calc.a\n",
                  0, "build (dev): compiled 2 files, linked 1 target, no warnings, ", false},
        BuildCase{
            "Warns",
            "[ 10%] Building CXX object calc/CMakeFiles/x.dir/a.cpp.o\n"
            "/src/calc/a.cpp:3:9: warning: unused variable 'x' [-Wunused-variable]\n",
            0,
            "build (dev): 1 warning (output above, kept in build/dev/build.log); compiled 1 file,",
            true},
        BuildCase{"FailsWithItsStatus",
                  "/src/calc/a.cpp:3:9: error: 'x' was not declared in this scope\n"
                  "gmake: *** [Makefile:146: all] Error 2\n",
                  2, "build (dev) FAILED after", true}),
    sondrel::testing_support::RowName{});

// --- tools/list-skips.sh: each skipped test once, with its reason --------------------------

struct SkipCase {
    const char* name;
    const char* log;
    const char* want;
};
class ListSkips : public ::testing::TestWithParam<SkipCase> {};

TEST_P(ListSkips, NamesEachSkipWithItsReason) {
    Sandbox box;
    Write(box.root() / "LastTest.log", GetParam().log);
    const CommandRun result = box.Run("tools/list-skips.sh LastTest.log");
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.out, GetParam().want);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, ListSkips,
    ::testing::Values(
        SkipCase{
            "NoneSkipped",
            "[ RUN      ] A.B\n[       OK ] A.B (0 ms)\nPASS   : MainWindowTest::Calculate()\n",
            ""},
        SkipCase{"GoogleTestReasonOverTwoLines",
                 "[ RUN      ] Locale.Comma\n/src/t.cpp:94: Skipped\nde_DE.UTF-8\n  not installed\n"
                 "\n[  SKIPPED ] Locale.Comma (0 ms)\n[==========] 1 test ran.\n"
                 "[  SKIPPED ] 1 test, listed below:\n[  SKIPPED ] Locale.Comma\n",
                 "\nSkipped tests, with their reasons (1):\n"
                 "  Locale.Comma: de_DE.UTF-8 not installed\n"},
        SkipCase{"GoogleTestWithoutReasonAndCrLf",
                 "[ RUN      ] A.B\r\n/src/t.cpp:9: Skipped\r\n\r\n[  SKIPPED ] A.B (0 ms)\r\n",
                 "\nSkipped tests, with their reasons (1):\n  A.B: (no reason given)\n"},
        SkipCase{"QtTestRowAndAPassAfterIt",
                 "SKIP   : MainWindowTest::Report(read-only folder) root writes anywhere\n"
                 "   Loc: [/src/main_window_test.cpp(120)]\nPASS   : MainWindowTest::Help()\n"
                 "[ RUN      ] A.Skipped\n[       OK ] A.Skipped (0 ms)\n",
                 "\nSkipped tests, with their reasons (1):\n"
                 "  MainWindowTest::Report(read-only folder): root writes anywhere\n"},
        SkipCase{"CountsEverySkip",
                 "[ RUN      ] A.One\nx.cpp:1: Skipped\nwhy\n\n[  SKIPPED ] A.One (0 ms)\n"
                 "[ RUN      ] B.Two\nx.cpp:1: Skipped\nso\n\n[  SKIPPED ] B.Two (0 ms)\n",
                 "\nSkipped tests, with their reasons (2):\n  A.One: why\n  B.Two: so\n"}),
    sondrel::testing_support::RowName{});

// --- tools/run-tests.sh: ctest's summary and failures, passing tests left out; Qt's runtime folder

struct TestRunCase {
    const char* name;
    const char* ctest_output;
    int ctest_status;
    const char* want_out;
    const char* runtime_dir;       // XDG_RUNTIME_DIR before; "" unsets it
    const char* want_runtime_dir;  // and as ctest sees it, below the project folder, with its mode
};
class RunTests : public ::testing::TestWithParam<TestRunCase> {};

TEST_P(RunTests, KeepsFailuresAndTheStatus) {
    const TestRunCase& c = GetParam();
    Sandbox box;
    Write(box.root() / "ctest.out", c.ctest_output);
    box.Script("ctest",
               "d=$XDG_RUNTIME_DIR; echo \"${d#$PWD/} $(stat -c %a \"$d\")\" >runtime\n"
               "cat ctest.out\nexit " +
                   std::to_string(c.ctest_status) + "\n");
    const CommandRun result =
        box.Run(std::string("XDG_RUNTIME_DIR=") + c.runtime_dir + " tools/run-tests.sh dev");
    EXPECT_EQ(result.code, c.ctest_status);
    EXPECT_EQ(result.out, c.want_out);
    EXPECT_EQ(ReadFile(box.root() / "runtime"), c.want_runtime_dir);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, RunTests,
    ::testing::Values(
        TestRunCase{"AllPass",
                    "Test project /b\n        Start   1: A.B\n"
                    "  1/2 Test   #1: A.B ..........   Passed    0.01 sec\n"
                    "        Start   2: A.Skipped\n"
                    "  2/2 Test   #2: A.Skipped ....***Skipped   0.00 sec\n"
                    "\n100% tests passed, 0 tests failed out of 2\n",
                    0, "Test project /b\n\n100% tests passed, 0 tests failed out of 2\n", "",
                    "build/dev/runtime 700\n"},
        TestRunCase{"OneFails",
                    "        Start   1: A.B\n"
                    "  1/1 Test   #1: A.B ..........***Failed    0.01 sec\n"
                    "t.cpp:5: Failure\nExpected equality\n"
                    "\n0% tests passed, 1 tests failed out of 1\n",
                    8,
                    "  1/1 Test   #1: A.B ..........***Failed    0.01 sec\n"
                    "t.cpp:5: Failure\nExpected equality\n"
                    "\n0% tests passed, 1 tests failed out of 1\n",
                    "", "build/dev/runtime 700\n"},
        TestRunCase{"KeepsTheUsersRuntimeFolder", "100% tests passed, 0 tests failed out of 1\n", 0,
                    "100% tests passed, 0 tests failed out of 1\n", "/tmp", "/tmp 1777\n"}),
    sondrel::testing_support::RowName{});

// --- tools/install-deps.sh: one line, apt's output on a failure; package sets; apt's lock --

struct InstallCase {
    const char* name;
    const char* arguments;
    bool installed;
    int locked_runs;  // apt-get's first runs that find its lock held
    int lock_wait;
    int apt_status;
    int want_status;
    const char* want_installing;  // what its first line names
    int want_out_lines;           // 2: it says it waits for the lock
    bool want_apt_output_on_stderr;
};
class InstallDeps : public ::testing::TestWithParam<InstallCase> {};

TEST_P(InstallDeps, SaysWhatItInstalls) {
    const InstallCase& c = GetParam();
    Sandbox box;
    box.Script("dpkg-query", c.installed ? "printf 'install ok installed'\n"
                                         : "echo 'no packages' >&2\nexit 1\n");
    box.Script("apt-get",
               "n=$(cat runs || echo 0); echo $((n + 1)) >runs; [ $n -ge " +
                   std::to_string(c.locked_runs) +
                   " ] || { echo 'E: Could not get lock /x/lock' >&2; exit 100; }\n"
                   "echo 'Reading package lists...'\necho 'E: no such package' >&2\nexit " +
                   std::to_string(c.apt_status) + "\n");
    box.Script("sudo", "exec \"$@\"\n");

    const CommandRun result = box.Run("SONDREL_APT_LOCK_WAIT=" + std::to_string(c.lock_wait) +
                                      " tools/install-deps.sh " + c.arguments);

    EXPECT_EQ(result.code, c.want_status);
    EXPECT_EQ(CountLines(result.out), c.want_out_lines) << result.out;
    if (c.want_out_lines > 0) {
        EXPECT_EQ(
            result.out.rfind(std::string("sondrel: installing ") + c.want_installing + " (", 0), 0u)
            << result.out;
    }
    EXPECT_EQ(result.out.find("waiting for apt's lock") != std::string::npos,
              c.want_out_lines == 2);
    EXPECT_EQ(result.err.find("E: ") != std::string::npos, c.want_apt_output_on_stderr)
        << result.err;
    EXPECT_EQ(result.out.find("Reading package lists"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, InstallDeps,
    ::testing::Values(
        InstallCase{"AllThere", "lintian", true, 0, 9, 0, 0, "", 0, false},
        InstallCase{
            "Installs", "lintian", false, 0, 9, 0, 0,
            "cmake make g++ pkg-config locales qt6-base-dev libgl-dev qt6-svg-dev "
            "fonts-dejavu-core libgtest-dev libgmock-dev xvfb xauth libbenchmark-dev lintian",
            1, false},
        InstallCase{"AptFails", "@build", false, 0, 9, 100, 1, "cmake make", 1, true},
        InstallCase{"OnlyTheNamedSets", "@build @bench lintian", false, 0, 9, 0, 0,
                    "cmake make libbenchmark-dev lintian", 1, false},
        InstallCase{"WaitsForTheLock", "@build", false, 2, 300, 0, 0, "cmake make", 2, false},
        InstallCase{"LockHeldPastTheWait", "@build", false, 99, 1, 0, 1, "cmake make", 2, true}),
    sondrel::testing_support::RowName{});

}  // namespace
