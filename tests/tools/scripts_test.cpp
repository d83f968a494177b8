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

    // A stand-in program on PATH: prints `output` and ends with `status`.
    void Fake(const std::string& name, const std::string& output, int status) {
        Write(root_ / "data" / name, output);
        Script(name, "cat '" + (root_ / "data" / name).string() + "'\nexit " +
                         std::to_string(status) + "\n");
    }
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
    box.Fake("cmake-build", c.build_output, c.status);
    box.Script("cmake", "[ \"$1\" = --build ] && exec cmake-build\necho configured\n");

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

// --- tools/run-tests.sh: ctest's summary and failures, passing tests left out; a private
// runtime folder for Qt where the environment names none --------------------------------------

struct TestRunCase {
    const char* name;
    const char* ctest_output;
    int ctest_status;
    const char* want_out;
    const char* runtime_dir;       // XDG_RUNTIME_DIR before the run; nullptr: unset
    const char* want_runtime_dir;  // what ctest sees, below the project folder, and its mode
};
class RunTests : public ::testing::TestWithParam<TestRunCase> {};

TEST_P(RunTests, KeepsFailuresAndTheStatus) {
    const TestRunCase& c = GetParam();
    Sandbox box;
    Write(box.root() / "data/ctest", c.ctest_output);
    box.Script("ctest",
               "d=${XDG_RUNTIME_DIR#\"$PWD/\"}\n"
               "echo \"$d $(stat -c %a \"$XDG_RUNTIME_DIR\" 2>/dev/null || echo none)\""
               " >data/runtime\ncat data/ctest\nexit " +
                   std::to_string(c.ctest_status) + "\n");
    const std::string runtime = c.runtime_dir == nullptr
                                    ? "env -u XDG_RUNTIME_DIR "
                                    : std::string("XDG_RUNTIME_DIR=") + c.runtime_dir + " ";
    const CommandRun result = box.Run(runtime + "tools/run-tests.sh dev");
    EXPECT_EQ(result.code, c.ctest_status);
    EXPECT_EQ(result.out, c.want_out);
    EXPECT_EQ(ReadFile(box.root() / "data/runtime"), c.want_runtime_dir);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, RunTests,
    ::testing::Values(TestRunCase{"AllPass",
                                  "Test project /b\n        Start   1: A.B\n"
                                  "  1/2 Test   #1: A.B ..........   Passed    0.01 sec\n"
                                  "        Start   2: A.Skipped\n"
                                  "  2/2 Test   #2: A.Skipped ....***Skipped   0.00 sec\n"
                                  "\n100% tests passed, 0 tests failed out of 2\n",
                                  0,
                                  "Test project /b\n\n100% tests passed, 0 tests failed out of 2\n",
                                  nullptr, "build/dev/runtime 700\n"},
                      TestRunCase{"OneFails",
                                  "        Start   1: A.B\n"
                                  "  1/1 Test   #1: A.B ..........***Failed    0.01 sec\n"
                                  "t.cpp:5: Failure\nExpected equality\n"
                                  "\n0% tests passed, 1 tests failed out of 1\n",
                                  8,
                                  "  1/1 Test   #1: A.B ..........***Failed    0.01 sec\n"
                                  "t.cpp:5: Failure\nExpected equality\n"
                                  "\n0% tests passed, 1 tests failed out of 1\n",
                                  nullptr, "build/dev/runtime 700\n"},
                      TestRunCase{"KeepsTheUsersRuntimeFolder", "", 0, "",
                                  "/nonexistent/run/user/1000",
                                  "/nonexistent/run/user/1000 none\n"}),
    sondrel::testing_support::RowName{});

// --- tools/install-deps.sh: one line, apt's output only when it fails; the named package
// sets alone; apt's lock waited for, up to a limit -------------------------------------------

struct InstallCase {
    const char* name;
    const char* arguments;
    bool installed;
    int locked_runs;  // apt-get's first runs that find its lock held
    int lock_wait;    // SONDREL_APT_LOCK_WAIT
    int apt_status;
    int want_status;
    const char* want_installing;  // the packages its line names; nullptr: no line
    bool want_waiting_line;
    const char* want_on_stderr;  // apt's output shown on a failure; nullptr: nothing
};
class InstallDeps : public ::testing::TestWithParam<InstallCase> {};

TEST_P(InstallDeps, SaysWhatItInstalls) {
    const InstallCase& c = GetParam();
    Sandbox box;
    box.Script("dpkg-query", c.installed ? "printf 'install ok installed'\n"
                                         : "echo 'no packages' >&2\nexit 1\n");
    box.Script("apt-get",
               "n=$(cat data/apt-runs 2>/dev/null || echo 0)\necho $((n + 1)) >data/apt-runs\n"
               "if [ \"$n\" -lt " +
                   std::to_string(c.locked_runs) +
                   " ]; then\n  echo 'E: Could not get lock /var/lib/apt/lists/lock. It is held"
                   " by process 7 (apt-get)' >&2\n  exit 100\nfi\n"
                   "echo 'Reading package lists...'\necho 'E: no such package' >&2\nexit " +
                   std::to_string(c.apt_status) + "\n");
    box.Script("sudo", "exec \"$@\"\n");
    fs::create_directories(box.root() / "data");

    const CommandRun result = box.Run("SONDREL_APT_LOCK_WAIT=" + std::to_string(c.lock_wait) +
                                      " tools/install-deps.sh " + c.arguments);

    EXPECT_EQ(result.code, c.want_status) << result.err;
    std::string want_out;
    if (c.want_installing != nullptr) {
        want_out = std::string("sondrel: installing ") + c.want_installing +
                   " (apt's output: " + (box.root() / "build/install-deps.log").string() + ")\n";
    }
    if (c.want_waiting_line) {
        want_out += "sondrel: waiting for apt's lock, held by another apt or dpkg (up to " +
                    std::to_string(c.lock_wait) + " s)\n";
    }
    EXPECT_EQ(result.out, want_out);
    if (c.want_on_stderr == nullptr) {
        EXPECT_EQ(result.err, "");
    } else {
        EXPECT_NE(result.err.find(c.want_on_stderr), std::string::npos) << result.err;
    }
}

constexpr const char* kEverything =
    "cmake make g++ pkg-config locales qt6-base-dev libgl-dev qt6-svg-dev fonts-dejavu-core "
    "libgtest-dev libgmock-dev xvfb xauth libbenchmark-dev lintian";

INSTANTIATE_TEST_SUITE_P(
    Tools, InstallDeps,
    ::testing::Values(
        InstallCase{"AllThere", "lintian", true, 0, 300, 0, 0, nullptr, false, nullptr},
        InstallCase{"Installs", "lintian", false, 0, 300, 0, 0, kEverything, false, nullptr},
        InstallCase{"AptFails", "lintian", false, 0, 300, 100, 1, kEverything, false,
                    "E: no such package"},
        InstallCase{"OnlyTheNamedSets", "@build @bench lintian", false, 0, 300, 0, 0,
                    "cmake make libbenchmark-dev lintian", false, nullptr},
        InstallCase{"UnknownSet", "@qt", false, 0, 300, 0, 2, nullptr, false, "no package set @qt"},
        InstallCase{"WaitsForTheLockOnce", "@build", false, 3, 300, 0, 0, "cmake make", true,
                    nullptr},
        InstallCase{"LockHeldPastTheWait", "@build", false, 1000, 1, 0, 1, "cmake make", true,
                    "E: Could not get lock /var/lib/apt/lists/lock"}),
    sondrel::testing_support::RowName{});

}  // namespace
