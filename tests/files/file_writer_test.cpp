// The file writer when the file system fights back: a full disk, no inodes left, a file-size
// limit, a folder that turns read-only between two reports, and links of every kind, folders
// reached through links too. Writes in place are in write_in_place_test.cpp.

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "calc/failure.h"
#include "files/file_writer.h"
#include "files/report_file.h"
#include "tests/support/failing_writer.h"
#include "tests/support/reference_designs.h"
#include "tests/support/row_name.h"
#include "tests/support/scratch_folder.h"

namespace sondrel {
namespace {
using sondrel::testing_support::PrintTo;
namespace fs = std::filesystem;

using testing_support::ReadFile;
using testing_support::ScratchFolder;
using testing_support::Temporaries;

// Writes the defaults' report, with `results` as the results box when given: the message of
// the failure it fails with (kind File), or why there was none.
std::string ReportFailure(const fs::path& file, const std::string& results = "") {
    const auto failure = GenerateReport(
        Design{}, {},
        results.empty() ? testing_support::JoinedLines(testing_support::kDefaultDesign, "\r\n")
                        : results,
        "Site A\r\n", file);
    if (!failure) {
        return "no failure";
    }
    if (failure->kind != FailureKind::File) {
        return "a failure of another kind: " + failure->Message();
    }
    return failure->Message();
}

// A tmpfs of its own, mounted for one test: root only (CI runs as root).
class SmallFileSystem {
public:
    ~SmallFileSystem() {
        LiftFileSizeLimit();
        if (mounted_) {
            ::umount2(dir_.c_str(), MNT_DETACH);
        }
    }
    // Empty when mounted, else why not.
    std::string Mount(const std::string& options) {
        if (::geteuid() != 0) {
            return "mounting a tmpfs needs root";
        }
        if (dir_.empty()) {
            return "no temporary folder";
        }
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
    // Limits the size of the files this process writes (ulimit -f) to `bytes`, with SIGXFSZ
    // ignored as sondrel-calc and the window ignore it: a write past the limit fails (EFBIG).
    bool LimitFileSize(rlim_t bytes) {
        if (limited_ || ::getrlimit(RLIMIT_FSIZE, &size_limit_) != 0) {
            return false;
        }
        on_size_signal_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = size_limit_;
        limit.rlim_cur = bytes;
        limited_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
        return limited_;
    }
    void LiftFileSizeLimit() {
        if (limited_) {
            ::setrlimit(RLIMIT_FSIZE, &size_limit_);
            std::signal(SIGXFSZ, on_size_signal_);
            limited_ = false;
        }
    }
    const fs::path& dir() const { return dir_; }

private:
    ScratchFolder folder_{"sondrel-fs"};  // the mount point
    fs::path dir_ = folder_.path();
    std::string options_;
    bool mounted_ = false;
    rlimit size_limit_{};
    void (*on_size_signal_)(int) = SIG_DFL;
    bool limited_ = false;
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

// The i-th of the empty files that take the inodes: "f0", "f1", ... (the number appended to
// the path, as GCC 12 takes "f" + a temporary string for an overlapping copy, -Wrestrict).
fs::path InodeFiller(const fs::path& dir, int i) {
    fs::path file = dir / "f";
    file += std::to_string(i);
    return file;
}

// Takes every inode left with empty files.
bool FillInodes(SmallFileSystem& small) {
    for (int i = 0; i < 100000; ++i) {
        std::FILE* file = std::fopen(InodeFiller(small.dir(), i).c_str(), "wb");
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
    const char* reason;  // nullptr: the report goes through, written in place
};

class ReportFaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(ReportFaultTest, EarlierReportStaysAndTheFailureSaysWhyOrItIsWrittenInPlace) {
    const FaultCase& c = GetParam();
    SmallFileSystem small;
    if (const std::string why = small.Mount(c.mount_options); !why.empty()) {
        GTEST_SKIP() << why;
    }
    const fs::path file = small.dir() / "Output.txt";
    ASSERT_EQ(ReportFailure(file), "no failure");
    const std::string earlier = ReadFile(file);
    ASSERT_FALSE(earlier.empty());
    ASSERT_TRUE(c.fault(small)) << "the fault could not be set up";

    const std::string results = c.results_size == 0 ? "" : std::string(c.results_size, 'r');
    if (c.reason == nullptr) {
        EXPECT_EQ(ReportFailure(file, results), "no failure");
        EXPECT_TRUE(ReadFile(file).ends_with(results + "\r\n")) << ReadFile(file);
    } else {
        EXPECT_EQ(ReportFailure(file, results), "cannot write " + file.string() + ": " + c.reason);
        EXPECT_EQ(ReadFile(file), earlier);
    }
    EXPECT_EQ(Temporaries(small.dir()), std::vector<std::string>{});

    // Once the fault is gone the next report goes through.
    ASSERT_TRUE(small.SetReadOnly(false));
    small.LiftFileSizeLimit();
    std::error_code ec;
    fs::remove(small.dir() / "filler", ec);
    for (int i = 0; fs::remove(InodeFiller(small.dir(), i), ec); ++i) {
    }
    EXPECT_EQ(ReportFailure(file), "no failure");
}

INSTANTIATE_TEST_SUITE_P(
    FileSystem, ReportFaultTest,
    testing::Values(FaultCase{"DiskFull", "size=64k", FillBlocks, 0, "No space left on device"},
                    // No temporary file can be made: Output.txt is written in place.
                    FaultCase{"NoInodesLeft", "size=1m,nr_inodes=8", FillInodes, 100, nullptr},
                    FaultCase{"ReadOnlyBetweenReports", "size=64k",
                              [](SmallFileSystem& small) { return small.SetReadOnly(true); }, 0,
                              "Read-only file system"},
                    FaultCase{"FileSizeLimit", "size=64k",
                              [](SmallFileSystem& small) { return small.LimitFileSize(0); }, 0,
                              "File too large"},
                    // In place, the limit is seen before the file is cut.
                    FaultCase{"FileSizeLimitInPlace", "size=1m,nr_inodes=8",
                              [](SmallFileSystem& small) {
                                  return FillInodes(small) && small.LimitFileSize(0);
                              },
                              0, "File too large"}),
    testing_support::RowName{});

// Output.txt as a symbolic link, followed as opening it for output would.
struct LinkCase {
    const char* name;
    const char* link;     // what Output.txt holds
    const char* next;     // what `link` holds, being a link too; nullptr: it is none
    const char* folder;   // a folder made first, if any
    const char* written;  // the file that holds the report, or nullptr: a failure
    const char* reason;   // after "cannot write <Output.txt> (a link to <target>): "
    const char* target;   // <target>, relative to the test folder; nullptr: no "(a link to ...)"
    const char* given;    // the path the writer is given, if not Output.txt
};

class ReportLinkTest : public testing::TestWithParam<LinkCase> {
protected:
    void SetUp() override { ASSERT_FALSE(dir_.empty()); }
    ScratchFolder folder_{"sondrel-links"};
    const fs::path dir_ = folder_.path();
};

TEST_P(ReportLinkTest, FollowsTheLinkOrSaysWhereItLeads) {
    const LinkCase& c = GetParam();
    if (c.folder != nullptr) {
        fs::create_directories(dir_ / c.folder);
    }
    const fs::path file = dir_ / "Output.txt";
    fs::create_symlink(c.link, file);
    if (c.next != nullptr) {
        fs::create_symlink(c.next, dir_ / c.link);
    }
    const std::string outcome = ReportFailure(c.given == nullptr ? file : dir_ / c.given);
    if (c.given != nullptr) {
        EXPECT_EQ(TargetPath(dir_ / c.given), dir_ / c.written);
    }
    if (c.written != nullptr) {
        EXPECT_EQ(outcome, "no failure");
        EXPECT_NE(ReadFile(dir_ / c.written).find("Elev = 0 ft"), std::string::npos);
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

// The longest name most file systems allow, so that the temporary file beside it needs a
// shorter one.
const std::string kLongestName = std::string(251, 'n') + ".txt";

INSTANTIATE_TEST_SUITE_P(
    Links, ReportLinkTest,
    testing::Values(
        LinkCase{"ChainEndingDangling", "a.txt", "b.txt", nullptr, "b.txt", nullptr, nullptr,
                 nullptr},
        LinkCase{"DanglingToA255ByteName", kLongestName.c_str(), nullptr, nullptr,
                 kLongestName.c_str(), nullptr, nullptr, nullptr},
        // ".." after a missing folder goes nowhere, as the system reads it.
        LinkCase{"DanglingIntoAMissingFolder", "missing/../missing/site.txt", nullptr, nullptr,
                 nullptr, "No such file or directory", "missing/../missing/site.txt", nullptr},
        LinkCase{"ToAFolder", "reports", nullptr, "reports", nullptr, "Is a directory", "reports",
                 nullptr},
        LinkCase{"ToItself", "Output.txt", nullptr, nullptr, nullptr,
                 "Too many levels of symbolic links", nullptr, nullptr},
        // Output.txt leads to the folder reports/sub: "Output.txt/.." is reports, as for touch.
        LinkCase{"ThroughALinkedFolder", "reports/sub", nullptr, "reports/sub", "reports/Site.txt",
                 nullptr, nullptr, "Output.txt/../Site.txt"}),
    testing_support::RowName{});

}  // namespace
}  // namespace sondrel
