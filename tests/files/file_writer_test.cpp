// The file writer when the file system fights back: a full disk, no inodes left, a file-size
// limit, a folder that turns read-only between two reports, links of every kind, folders and
// files of other owners, hard links, failures half-way through a write in place.

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
#include <grp.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "calc/failure.h"
#include "files/file_writer.h"
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

// Writes a report, with `results` as its results box when given: the message of the failure
// it fails with (kind File), or why there was none.
std::string ReportFailure(const fs::path& file, const std::string& results = "") {
    const auto failure = WriteFileReplacing(
        file, "Site A\r\n" + (results.empty() ? std::string(testing_support::kDefaultReport)
                                              : results + "\r\n"));
    if (!failure) {
        return "no failure";
    }
    return failure->kind == FailureKind::File ? failure->Message()
                                              : "a failure of another kind: " + failure->Message();
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
    // ulimit -f `bytes` for this process, SIGXFSZ ignored as sondrel-calc and the window do.
    bool LimitFileSize(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        limited_ = ::getrlimit(RLIMIT_FSIZE, &size_limit_) == 0;
        const rlimit limit{bytes, size_limit_.rlim_max};
        return limited_ && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    void LiftFileSizeLimit() {
        limited_ = limited_ && ::setrlimit(RLIMIT_FSIZE, &size_limit_) != 0;
    }
    const fs::path& dir() const { return dir_; }

private:
    ScratchFolder folder_{"sondrel-fs"};  // the mount point
    fs::path dir_ = folder_.path();
    std::string options_;
    bool mounted_ = false;
    rlimit size_limit_{};
    bool limited_ = false;
};

// The folder of the files that fill a file system, removed whole when the fault is gone.
fs::path FillFolder(SmallFileSystem& small) {
    std::error_code ec;
    fs::create_directory(small.dir() / "fill", ec);
    return small.dir() / "fill";
}

// Fills the file system's blocks with one file, 4 KiB at a time, until it is full.
bool FillBlocks(SmallFileSystem& small) {
    std::FILE* filler = std::fopen((FillFolder(small) / "blocks").c_str(), "wb");
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
    const fs::path folder = FillFolder(small);
    for (int i = 0; i < 100000; ++i) {
        std::FILE* file = std::fopen((folder / std::to_string(i)).c_str(), "wb");
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
    fs::remove_all(small.dir() / "fill", ec);
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
                    // In place (no inode for a temporary file) the limit is seen before a cut.
                    FaultCase{
                        "FileSizeLimitInPlace", "size=1m,nr_inodes=8",
                        [](SmallFileSystem& s) { return FillInodes(s) && s.LimitFileSize(0); }, 0,
                        "File too large"}),
    testing_support::RowName{});

// Output.txt as a symbolic link, followed as opening it for output would, or as no link.
struct LinkCase {
    const char* name;
    const char* link;     // what Output.txt holds; nullptr: it is no link
    const char* next;     // what `link` holds, being a link too; nullptr: it is none
    const char* folder;   // a folder made first, if any
    const char* written;  // the file that holds the report, or nullptr: a failure
    const char* reason;   // after "cannot write <Output.txt> (a link to <target>): "
    const char* target;   // <target>, relative to the test folder; nullptr: no "(a link to ...)"
    const char* given = nullptr;  // the path the writer is given, if not Output.txt
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
    const fs::path given = c.given == nullptr ? file : dir_ / c.given;
    if (c.link != nullptr) {
        fs::create_symlink(c.link, file);
    }
    if (c.next != nullptr) {
        fs::create_symlink(c.next, dir_ / c.link);
    }
    const std::string outcome = ReportFailure(given);
    if (c.written != nullptr) {
        EXPECT_EQ(outcome, "no failure");
        EXPECT_NE(ReadFile(dir_ / c.written).find("Elev = 0 ft"), std::string::npos);
    } else {
        const std::string leads =
            c.target == nullptr ? "" : " (a link to " + (dir_ / c.target).string() + ")";
        EXPECT_EQ(outcome, "cannot write " + given.string() + leads + ": " + c.reason);
    }
    EXPECT_EQ(fs::is_symlink(fs::symlink_status(file)), c.link != nullptr);
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
        LinkCase{"ChainEndingDangling", "a.txt", "b.txt", nullptr, "b.txt", nullptr, nullptr},
        LinkCase{"DanglingToA255ByteName", kLongestName.c_str(), nullptr, nullptr,
                 kLongestName.c_str(), nullptr, nullptr},
        LinkCase{"DanglingIntoAMissingFolder", "missing/../missing/site.txt", nullptr, nullptr,
                 nullptr, "No such file or directory", "missing/../missing/site.txt"},
        LinkCase{"ToAFolder", "reports", nullptr, "reports", nullptr, "Is a directory", "reports"},
        LinkCase{"AFolder", nullptr, nullptr, "Output.txt", nullptr, "Is a directory", nullptr},
        LinkCase{"IntoAMissingFolder", nullptr, nullptr, nullptr, nullptr,
                 "No such file or directory", nullptr, "missing/Output.txt"},
        LinkCase{"ToItself", "Output.txt", nullptr, nullptr, nullptr,
                 "Too many levels of symbolic links", nullptr},
        // Output.txt leads to the folder reports/sub: "Output.txt/.." is reports, as for touch.
        LinkCase{"ThroughALinkedFolder", "reports/sub", nullptr, "reports/sub", "reports/Site.txt",
                 nullptr, nullptr, "Output.txt/../Site.txt"}),
    testing_support::RowName{});

constexpr unsigned kNobody = 65534;

// "no failure", or the message of the writer's failure.
std::string WriteOutcome(const fs::path& file, std::string_view bytes, const ChunkWriter& write) {
    const auto failure = WriteFileReplacing(file, bytes, write);
    return failure ? failure->Message() : "no failure";
}

// The same, run as nobody (user and group 65534) in a child process when `as_nobody`.
std::string WriteOutcomeAs(bool as_nobody, const fs::path& file, std::string_view bytes,
                           const ChunkWriter& write) {
    if (!as_nobody) {
        return WriteOutcome(file, bytes, write);
    }
    int ends[2];
    if (::pipe(ends) != 0) {
        return "no pipe";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        const bool nobody =
            ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
        const std::string outcome =
            nobody ? WriteOutcome(file, bytes, write) : "cannot become nobody";
        const bool sent = ::write(ends[1], outcome.data(), outcome.size()) ==
                          static_cast<ssize_t>(outcome.size());
        ::_exit(sent ? 0 : 1);
    }
    ::close(ends[1]);
    // Read to its end, which comes when the child has exited.
    const std::string outcome = ReadFile("/proc/self/fd/" + std::to_string(ends[0]));
    ::close(ends[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || status != 0) {
        return "the writer's process failed";
    }
    return outcome;
}

// Who may write Output.txt, and who may create files beside it. The report is written
// whenever opening Output.txt for output would succeed, by a rename where that changes
// nothing but the contents, else in place; owner, group, mode and hard links stay.
struct OwnerCase {
    const char* name;
    fs::perms folder;    // the folder's mode; root owns it
    unsigned uid, gid;   // Output.txt's owner and group
    fs::perms mode;      // and its mode
    bool hard_link;      // Output.txt has a second name, Copy.txt
    bool as_nobody;      // the writer runs as nobody, else as root
    bool half_way;       // the write fails half-way through, as on a full disk
    const char* reason;  // nullptr: written; else after "cannot write <Output.txt>: "
    bool in_place;       // the same file afterwards: not replaced by a rename
};

class OwnerTest : public testing::TestWithParam<OwnerCase> {};

TEST_P(OwnerTest, WritesWhereOpeningForOutputWouldAndKeepsOwnerModeAndLinks) {
    const OwnerCase& c = GetParam();
    if (::geteuid() != 0) {
        GTEST_SKIP() << "giving files to nobody and writing as nobody needs root";
    }
    ScratchFolder folder("sondrel-owner");
    const fs::path dir = folder.path();
    ASSERT_FALSE(dir.empty());
    const fs::path file = dir / "Output.txt";
    const std::string earlier = "earlier report\r\n";
    std::ofstream(file, std::ios::binary) << earlier;
    ASSERT_EQ(::chown(file.c_str(), c.uid, c.gid), 0);
    fs::permissions(file, c.mode);
    if (c.hard_link) {
        fs::create_hard_link(file, dir / "Copy.txt");
    }
    fs::permissions(dir, c.folder);
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);

    const std::string text = "the new report, a little longer\r\n";
    const ChunkWriter write =
        c.half_way ? ChunkWriter(testing_support::HalfThenDiskFull) : ChunkWriter();
    EXPECT_EQ(
        WriteOutcomeAs(c.as_nobody, file, text, write),
        c.reason == nullptr ? "no failure" : "cannot write " + file.string() + ": " + c.reason);

    const std::string kept = c.reason == nullptr ? text : earlier;
    EXPECT_EQ(ReadFile(file), kept);
    if (c.hard_link) {
        EXPECT_EQ(ReadFile(dir / "Copy.txt"), kept);
        EXPECT_EQ(fs::hard_link_count(file), 2u);
    }
    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode & 07777, before.st_mode & 07777);
    EXPECT_EQ(after.st_ino == before.st_ino, c.in_place);
    EXPECT_EQ(Temporaries(dir), std::vector<std::string>{});
}

constexpr const char* kPutBack = "No space left on device; its earlier contents were put back";

INSTANTIATE_TEST_SUITE_P(
    Owners, OwnerTest,
    testing::Values(OwnerCase{"ReadOnlyFolderWritableFile", fs::perms{0755}, kNobody, kNobody,
                              fs::perms{0644}, false, true, false, nullptr, true},
                    OwnerCase{"ReadOnlyFolderFailsHalfWay", fs::perms{0755}, kNobody, kNobody,
                              fs::perms{0644}, false, true, true, kPutBack, true},
                    OwnerCase{"WritableFolderFileOfAnotherOwner", fs::perms{0777}, 0, kNobody,
                              fs::perms{0664}, false, true, false, nullptr, true},
                    OwnerCase{"ReadOnlyFileInWritableFolder", fs::perms{0777}, 0, 0,
                              fs::perms{0644}, false, true, false, "Permission denied", true},
                    OwnerCase{"ReadOnlyFileRefusedToRootToo", fs::perms{0755}, 0, 0,
                              fs::perms{0444}, false, false, false, "Permission denied", true},
                    OwnerCase{"RootKeepsOwnerModeAndSetGroupBit", fs::perms{0755}, kNobody, kNobody,
                              fs::perms{02750}, false, false, false, nullptr, false},
                    OwnerCase{"HardLink", fs::perms{0755}, 0, 0, fs::perms{0644}, true, false,
                              false, nullptr, true}),
    testing_support::RowName{});

}  // namespace
}  // namespace sondrel
