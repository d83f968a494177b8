// The file writer's writes in place: files of other owners, hard links and read-only
// folders, failures half-way through, pipes and /proc, and writers in place taking turns.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "calc/failure.h"
#include "files/file_writer.h"
#include "tests/support/failing_writer.h"
#include "tests/support/row_name.h"
#include "tests/support/scratch_folder.h"

namespace sondrel {
namespace {
using sondrel::testing_support::PrintTo;
namespace fs = std::filesystem;

using testing_support::ReadFile;
using testing_support::ScratchFolder;
using testing_support::Temporaries;

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
    int pipe_ends[2];
    if (::pipe(pipe_ends) != 0) {
        return "no pipe";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe_ends[0]);
        const bool nobody =
            ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
        const std::string outcome =
            nobody ? WriteOutcome(file, bytes, write) : "cannot become nobody";
        const bool sent = ::write(pipe_ends[1], outcome.data(), outcome.size()) ==
                          static_cast<ssize_t>(outcome.size());
        ::_exit(sent ? 0 : 1);
    }
    ::close(pipe_ends[1]);
    std::string outcome;
    char chunk[512];
    ssize_t got = 0;
    while (child > 0 && (got = ::read(pipe_ends[0], chunk, sizeof chunk)) > 0) {
        outcome.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(pipe_ends[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
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

// Why writing to `path` fails, asked of the system directly; empty when it does not fail.
std::string ReasonWritingFails(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
    if (fd < 0) {
        return std::strerror(errno);
    }
    const bool wrote = ::write(fd, "x", 1) == 1;
    const int error = errno;
    ::close(fd);
    return wrote ? "" : std::strerror(error);
}

// Targets that are no plain file: /proc's files, pipes. They are written to as opening them
// for output would, never replaced, and a failure gives the reason writing to them gives.
struct SpecialCase {
    const char* name;
    // Makes the target in `dir`; `reader` gets the end where what is written arrives, when
    // anything can arrive; `keep_open` an end to close afterwards.
    std::function<fs::path(const fs::path& dir, int& reader, int& keep_open)> make;
};

class SpecialTargetTest : public testing::TestWithParam<SpecialCase> {};

TEST_P(SpecialTargetTest, WrittenToInPlaceOrFailingWithTheRealReason) {
    const SpecialCase& c = GetParam();
    ScratchFolder folder("sondrel-special");
    ASSERT_FALSE(folder.path().empty());
    int reader = -1;
    int keep_open = -1;
    const fs::path target = c.make(folder.path(), reader, keep_open);
    const std::string text = "the report\r\n";
    const std::string outcome = WriteOutcome(target, text, {});
    if (reader < 0) {
        const std::string reason = ReasonWritingFails(target);
        ASSERT_FALSE(reason.empty()) << target << " can be written";
        EXPECT_EQ(outcome, "cannot write " + target.string() + ": " + reason);
    } else {
        EXPECT_EQ(outcome, "no failure");
        char got[64] = {};
        const ssize_t size = ::read(reader, got, sizeof got);
        EXPECT_EQ(std::string(got, size > 0 ? static_cast<std::size_t>(size) : 0), text);
        ::close(reader);
    }
    if (keep_open >= 0) {
        ::close(keep_open);
    }
    EXPECT_EQ(Temporaries(folder.path()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    NoPlainFile, SpecialTargetTest,
    testing::Values(SpecialCase{"ProcSelfStatus",
                                [](const fs::path&, int&, int&) { return "/proc/self/status"; }},
                    SpecialCase{"NamedPipe",
                                [](const fs::path& dir, int& reader, int&) {
                                    const fs::path fifo = dir / "Output.txt";
                                    if (::mkfifo(fifo.c_str(), 0644) == 0) {
                                        reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
                                    }
                                    return fifo;
                                }},
                    // As /dev/stdout is: a link to /proc/self/fd/N, which reads "pipe:[...]".
                    SpecialCase{"LinkToAPipe",
                                [](const fs::path& dir, int& reader, int& keep_open) {
                                    int ends[2] = {-1, -1};
                                    if (::pipe2(ends, O_NONBLOCK) == 0) {
                                        reader = ends[0];
                                        keep_open = ends[1];
                                    }
                                    fs::create_symlink("/proc/self/fd/" + std::to_string(ends[1]),
                                                       dir / "Output.txt");
                                    return dir / "Output.txt";
                                }}),
    testing_support::RowName{});

// Writes in pieces of 512 bytes, each sent to the file at once, as a slow disk takes them: a
// write in place then spans long enough for another writer to come in between.
std::size_t InPieces(std::FILE* file, std::string_view bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const std::size_t piece = std::min<std::size_t>(512, bytes.size() - written);
        if (std::fwrite(bytes.data() + written, 1, piece, file) != piece ||
            std::fflush(file) != 0) {
            return written;
        }
        written += piece;
    }
    return written;
}

// A child process that waits for the pipe `gate` to close, then writes `text` over `file`:
// its pid.
pid_t StartWriter(const int (&gate)[2], const fs::path& file, const std::string& text) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(gate[1]);
        char byte = 0;
        const bool opened = ::read(gate[0], &byte, 1) == 0;
        ::_exit(opened && !WriteFileReplacing(file, text, InPieces) ? 0 : 1);
    }
    return child;
}

// Two writers at once on the path in place (Output.txt has a second name): the file always
// ends as one whole text, and both writers succeed.
TEST(WritersInPlace, TakeTurnsSoTheFileEndsAsOneWholeText) {
    ScratchFolder folder("sondrel-turns");
    ASSERT_FALSE(folder.path().empty());
    const fs::path file = folder.path() / "Output.txt";
    const std::string long_text(64 * 1024, 'A');
    const std::string short_text(2 * 1024, 'B');
    std::ofstream(file, std::ios::binary) << "earlier\r\n";
    fs::create_hard_link(file, folder.path() / "Copy.txt");
    int mixed = 0;
    int failed = 0;
    for (int trial = 0; trial < 40; ++trial) {
        int gate[2];
        ASSERT_EQ(::pipe(gate), 0);
        const pid_t writers[2] = {StartWriter(gate, file, long_text),
                                  StartWriter(gate, file, short_text)};
        ::close(gate[0]);
        ::close(gate[1]);  // both start
        for (const pid_t writer : writers) {
            int status = 0;
            failed += writer < 0 || ::waitpid(writer, &status, 0) != writer || !WIFEXITED(status) ||
                      WEXITSTATUS(status) != 0;
        }
        const std::string now = ReadFile(file);
        mixed += now != long_text && now != short_text;
    }
    EXPECT_EQ(mixed, 0);
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(fs::hard_link_count(file), 2u);
    EXPECT_EQ(Temporaries(folder.path()), std::vector<std::string>{});
}

}  // namespace
}  // namespace sondrel
