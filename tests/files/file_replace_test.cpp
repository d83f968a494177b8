// A report written over its file: replacing an earlier report, failures that leave it as it
// was, two writers at once, and targets that are no plain file.

#include "files/file_writer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "calc/failure.h"
#include "tests/support/failing_writer.h"
#include "tests/support/reference_designs.h"
#include "tests/support/row_name.h"
#include "tests/support/scratch_folder.h"

namespace sondrel {
namespace {
namespace fs = std::filesystem;
using testing_support::kDefaultReport;
using testing_support::PrintTo;
using testing_support::ReadFile;
using testing_support::ScratchFolder;
using testing_support::Temporaries;

// A write that fails half-way, before the rename: the earlier report stays, no temporary file.
TEST(ReportFileTest, FailurePartWayLeavesTheEarlierReport) {
    const ScratchFolder folder("sondrel-report");
    const fs::path file = folder.path() / "Output.txt";
    ASSERT_FALSE(WriteFileReplacing(file, "Earlier\r\n"));
    const auto failure = WriteFileReplacing(file, "New\r\n", testing_support::HalfThenDiskFull);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->Message(), "cannot write " + file.string() + ": No space left on device");
    EXPECT_EQ(ReadFile(file), "Earlier\r\n");
    EXPECT_EQ(Temporaries(folder.path()), std::vector<std::string>{});
}

// Writes in pieces of 512 bytes, each sent to the file at once, as a slow disk takes them: a
// write in place then lasts long enough for another writer to come in between.
std::size_t InPieces(std::FILE* file, std::string_view bytes) {
    std::size_t written = 0;
    for (std::size_t piece = 0; written < bytes.size(); written += piece) {
        piece = bytes.size() - written < 512 ? bytes.size() - written : 512;
        if (std::fwrite(bytes.data() + written, 1, piece, file) != piece || std::fflush(file)) {
            break;
        }
    }
    return written;
}

// Two reports at once over a hard-linked Output.txt, which is written in place: the writers
// take turns, so the file always ends as one whole report and both succeed.
TEST(ReportFileTest, TwoWritersInPlaceLeaveOneWholeReport) {
    const ScratchFolder folder("sondrel-report");
    const fs::path file = folder.path() / "Output.txt";
    ASSERT_FALSE(WriteFileReplacing(file, "Earlier\r\n"));
    fs::create_hard_link(file, folder.path() / "Copy.txt");
    const std::string headers[2] = {std::string(64 * 1024, 'A') + "\r\n", "B\r\n"};
    const std::string report(kDefaultReport);
    int mixed = 0;
    int failed = 0;
    for (int trial = 0; trial < 40; ++trial) {
        int gate[2];
        ASSERT_EQ(::pipe(gate), 0);
        pid_t writers[2];
        for (int w = 0; w < 2; ++w) {
            if ((writers[w] = ::fork()) == 0) {
                ::close(gate[1]);
                char byte = 0;  // read returns when the gate closes: both start together
                const bool go = ::read(gate[0], &byte, 1) == 0;
                ::_exit(go && !WriteFileReplacing(file, headers[w] + report, InPieces) ? 0 : 1);
            }
        }
        ::close(gate[0]);
        ::close(gate[1]);
        for (const pid_t writer : writers) {
            int status = -1;
            failed += writer < 0 || ::waitpid(writer, &status, 0) != writer || status != 0;
        }
        const std::string now = ReadFile(file);
        mixed += now != headers[0] + report && now != headers[1] + report;
    }
    EXPECT_EQ(mixed, 0);
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(Temporaries(folder.path()), std::vector<std::string>{});
}

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
    const auto failure = WriteFileReplacing(target, text);
    const std::string outcome = failure ? failure->Message() : "no failure";
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

}  // namespace
}  // namespace sondrel
