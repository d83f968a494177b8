// The report when the file system fights back: a full disk, no inodes left, a folder that
// turns read-only between two reports, and Output.txt turned into a link of every kind.

#include <gtest/gtest.h>

#include <ostream>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <sys/mount.h>
#include <unistd.h>

#include "calc/failure.h"
#include "calc/report.h"

namespace sondrel {
namespace {
namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Names in `dir` that only a half-done report could have left: its temporary files.
std::vector<std::string> Temporaries(const fs::path& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".tmp-") != std::string::npos) {
            names.push_back(name);
        }
    }
    return names;
}

// Writes the defaults' report after one Calculate, with `results` as the results box.
void WriteReport(const fs::path& file, const std::string& results = "") {
    CalculatorState state;
    StringTextHolder box;
    Calculate(state, {}, box);
    GenerateReport(LoadedInputs::From(state), {}, results.empty() ? box.Text() : results,
                   "Site A\r\n", file);
}

// The message of the Failure the report fails with (kind File), or why there was none.
std::string ReportFailure(const fs::path& file, const std::string& results = "") {
    try {
        WriteReport(file, results);
    } catch (const Failure& failure) {
        if (failure.kind() != FailureKind::File) {
            return std::string("a failure of another kind: ") + failure.what();
        }
        return failure.what();
    }
    return "no failure";
}

// A tmpfs of its own, mounted for one test: root only (CI runs as root).
class SmallFileSystem {
public:
    ~SmallFileSystem() {
        if (mounted_) {
            ::umount2(dir_.c_str(), MNT_DETACH);
        }
        if (!dir_.empty()) {
            ::rmdir(dir_.c_str());
        }
    }
    // Empty when mounted, else why not.
    std::string Mount(const std::string& options) {
        if (::geteuid() != 0) {
            return "mounting a tmpfs needs root";
        }
        char pattern[] = "/tmp/sondrel-fs-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            return "no temporary folder";
        }
        dir_ = pattern;
        options_ = options;
        if (::mount("tmpfs", dir_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            return std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
        }
        mounted_ = true;
        return {};
    }
    bool SetReadOnly(bool read_only) {
        const unsigned long flags = MS_REMOUNT | (read_only ? MS_RDONLY : 0);
        return ::mount("tmpfs", dir_.c_str(), "tmpfs", flags, options_.c_str()) == 0;
    }
    const fs::path& dir() const { return dir_; }

private:
    fs::path dir_;
    std::string options_;
    bool mounted_ = false;
};

// Fills the file system's blocks with one file, 4 KiB at a time, until it is full.
bool FillBlocks(SmallFileSystem& small) {
    std::FILE* filler = std::fopen((small.dir() / "filler").c_str(), "wb");
    if (filler == nullptr) {
        return false;
    }
    std::setvbuf(filler, nullptr, _IONBF, 0);
    const std::string block(4096, 'x');
    while (std::fwrite(block.data(), 1, block.size(), filler) == block.size()) {
    }
    const bool full = errno == ENOSPC;
    std::fclose(filler);
    return full;
}

// Takes every inode left with empty files.
bool FillInodes(SmallFileSystem& small) {
    for (int i = 0; i < 100000; ++i) {
        std::FILE* file = std::fopen((small.dir() / ("f" + std::to_string(i))).c_str(), "wb");
        if (file == nullptr) {
            return errno == ENOSPC;
        }
        std::fclose(file);
    }
    return false;
}

struct FaultCase {
    const char* name;
    const char* mount_options;
    std::function<bool(SmallFileSystem&)> fault;  // false: the fault could not be set up
    std::size_t results_size;                     // 0: the real results lines
    const char* reason;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

class ReportFaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(ReportFaultTest, EarlierReportStaysAndTheFailureSaysWhy) {
    const FaultCase& c = GetParam();
    SmallFileSystem small;
    if (const std::string why = small.Mount(c.mount_options); !why.empty()) {
        GTEST_SKIP() << why;
    }
    const fs::path file = small.dir() / "Output.txt";
    WriteReport(file);
    const std::string earlier = Read(file);
    ASSERT_FALSE(earlier.empty());
    ASSERT_TRUE(c.fault(small)) << "the fault could not be set up";

    const std::string results = c.results_size == 0 ? "" : std::string(c.results_size, 'r');
    EXPECT_EQ(ReportFailure(file, results), "cannot write " + file.string() + ": " + c.reason);
    EXPECT_EQ(Read(file), earlier);
    EXPECT_EQ(Temporaries(small.dir()), std::vector<std::string>{});

    // Once the fault is gone the next report goes through.
    ASSERT_TRUE(small.SetReadOnly(false));
    std::error_code ec;
    fs::remove(small.dir() / "filler", ec);
    for (int i = 0; fs::remove(small.dir() / ("f" + std::to_string(i)), ec); ++i) {
    }
    EXPECT_EQ(ReportFailure(file), "no failure");
}

INSTANTIATE_TEST_SUITE_P(
    FileSystem, ReportFaultTest,
    testing::Values(FaultCase{"DiskFull", "size=64k", FillBlocks, 0, "No space left on device"},
                    FaultCase{"NoInodesLeft", "size=1m,nr_inodes=8", FillInodes, 0,
                              "No space left on device"},
                    FaultCase{"FullPartWay", "size=64k", [](SmallFileSystem&) { return true; },
                              256 * 1024, "No space left on device"},
                    FaultCase{"ReadOnlyBetweenReports", "size=64k",
                              [](SmallFileSystem& small) { return small.SetReadOnly(true); }, 0,
                              "Read-only file system"}),
    [](const testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

// Output.txt as a symbolic link. A link is followed, as opening it for output would: a
// dangling one creates the file it names when that file's folder exists. When the report
// cannot be written the message names Output.txt and where it leads.
struct LinkCase {
    const char* name;
    std::vector<std::pair<const char*, const char*>> links;  // link name -> what it holds
    const char* folder;                                      // a folder made first, if any
    const char* written;  // the file that holds the report, or nullptr: a failure
    const char* reason;   // after "cannot write <Output.txt> (a link to <target>): "
    const char* target;   // the <target> above, relative to the test folder; nullptr: no
                          // "(a link to ...)", as for a loop that leads nowhere
};

void PrintTo(const LinkCase& c, std::ostream* os) {
    *os << c.name;
}

class ReportLinkTest : public testing::TestWithParam<LinkCase> {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/sondrel-links-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path dir_;
};

TEST_P(ReportLinkTest, FollowsTheLinkOrSaysWhereItLeads) {
    const LinkCase& c = GetParam();
    if (c.folder != nullptr) {
        fs::create_directory(dir_ / c.folder);
    }
    for (const auto& [name, target] : c.links) {
        fs::create_symlink(target, dir_ / name);
    }
    const fs::path file = dir_ / "Output.txt";
    const std::string outcome = ReportFailure(file);
    if (c.written != nullptr) {
        EXPECT_EQ(outcome, "no failure");
        EXPECT_NE(Read(dir_ / c.written).find("Elev = 0 ft"), std::string::npos);
    } else {
        const std::string leads =
            c.target == nullptr ? "" : " (a link to " + (dir_ / c.target).string() + ")";
        EXPECT_EQ(outcome, "cannot write " + file.string() + leads + ": " + c.reason);
    }
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(file)));
    EXPECT_EQ(Temporaries(dir_), std::vector<std::string>{});
    if (c.folder != nullptr) {
        EXPECT_TRUE(fs::is_directory(fs::symlink_status(dir_ / c.folder)));
        EXPECT_EQ(Temporaries(dir_ / c.folder), std::vector<std::string>{});
    }
}

INSTANTIATE_TEST_SUITE_P(Links, ReportLinkTest,
                         testing::Values(LinkCase{"DanglingIntoAFolder",
                                                  {{"Output.txt", "reports/../reports/site.txt"}},
                                                  "reports",
                                                  "reports/site.txt",
                                                  nullptr,
                                                  nullptr},
                                         LinkCase{"ChainEndingDangling",
                                                  {{"Output.txt", "a.txt"}, {"a.txt", "b.txt"}},
                                                  nullptr,
                                                  "b.txt",
                                                  nullptr,
                                                  nullptr},
                                         LinkCase{"DanglingIntoAMissingFolder",
                                                  {{"Output.txt", "missing/../missing/site.txt"}},
                                                  nullptr,
                                                  nullptr,
                                                  "No such file or directory",
                                                  "missing/site.txt"},
                                         LinkCase{"ToAFolder",
                                                  {{"Output.txt", "reports"}},
                                                  "reports",
                                                  nullptr,
                                                  "Is a directory",
                                                  "reports"},
                                         LinkCase{"ToItself",
                                                  {{"Output.txt", "Output.txt"}},
                                                  nullptr,
                                                  nullptr,
                                                  "Too many levels of symbolic links",
                                                  nullptr}),
                         [](const testing::TestParamInfo<LinkCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace sondrel
