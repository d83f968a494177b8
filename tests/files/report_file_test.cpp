// The report written over its file: replacing an earlier report, failures that leave it as
// it was, links followed, and the current folder by default.

#include "files/report_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "calc/failure.h"
#include "tests/support/failing_writer.h"
#include "tests/support/reference_designs.h"
#include "tests/support/scratch_folder.h"

namespace sondrel {
namespace {
namespace fs = std::filesystem;
using testing_support::kDefaultReport;
using testing_support::ReadFile;
const std::string kDefaultLines =
    testing_support::JoinedLines(testing_support::kDefaultDesign, "\r\n");

// A fresh folder per test, removed afterwards; the tests write Output.txt inside it.
class ReportFileTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(dir_.empty()); }
    // The defaults' report, as after one Calculate.
    static std::optional<Failure> WriteDefaultReport(const fs::path& file) {
        return GenerateReport(Design{}, {}, kDefaultLines, "", file);
    }
    // Everything in the folder but Output.txt: temporary files left behind.
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            if (entry.path().filename() != "Output.txt") {
                names.push_back(entry.path().filename().string());
            }
        }
        return names;
    }
    void WriteEarlierReport() {
        ASSERT_FALSE(GenerateReport(Design{}, {}, "earlier", "Earlier\r\n", file_));
        ASSERT_TRUE(ReadFile(file_).starts_with("Earlier\r\nElev = 0 ft"));
    }
    void ExpectFileFailure(const ChunkWriter& write = {}) {
        const auto failure =
            GenerateReport(Design{}, {"1", "2", "3", "4", "5"}, "new", "New\r\n", file_, write);
        ASSERT_TRUE(failure) << "no failure";
        EXPECT_EQ(failure->kind, FailureKind::File);
        EXPECT_EQ(failure->Message().rfind("cannot write " + file_.string() + ": ", 0), 0u)
            << failure->Message();
    }

    testing_support::ScratchFolder folder_{"sondrel-report"};
    const fs::path dir_ = folder_.path();
    fs::path file_ = dir_ / "Output.txt";
};

TEST_F(ReportFileTest, SecondReportReplacesTheFirst) {
    WriteEarlierReport();
    ASSERT_FALSE(WriteDefaultReport(file_));
    EXPECT_EQ(ReadFile(file_), kDefaultReport);
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(ReportFileTest, FailurePartWayLeavesTheEarlierReport) {
    WriteEarlierReport();
    const std::string earlier = ReadFile(file_);
    ExpectFileFailure(testing_support::HalfThenDiskFull);
    EXPECT_EQ(ReadFile(file_), earlier);
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(ReportFileTest, OutputTxtAsAFolderIsAFailure) {
    fs::create_directory(file_);
    ExpectFileFailure();
    EXPECT_TRUE(fs::is_directory(file_));
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(ReportFileTest, MissingFolderIsAFailure) {
    file_ = dir_ / "missing" / "Output.txt";
    ExpectFileFailure();
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(ReportFileTest, SymbolicLinkIsFollowed) {
    fs::create_symlink("real.txt", file_);
    ASSERT_FALSE(WriteDefaultReport(file_));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(file_)));
    EXPECT_EQ(ReadFile(dir_ / "real.txt"), kDefaultReport);
}

TEST_F(ReportFileTest, WritesIntoTheCurrentFolderByDefault) {
    const fs::path old = fs::current_path();
    fs::current_path(dir_);
    const auto failure = GenerateReport(Design{}, {}, kDefaultLines, "");
    fs::current_path(old);
    ASSERT_FALSE(failure);
    EXPECT_EQ(ReadFile(file_), kDefaultReport);
}

}  // namespace
}  // namespace sondrel
