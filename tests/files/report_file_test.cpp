// The report written over its file: replacing an earlier report, failures that leave it as
// it was, links followed, and the current folder by default.

#include "files/report_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "calc/failure.h"
#include "calc/solver.h"
#include "tests/files/scratch_folder.h"

namespace sondrel {
namespace {
namespace fs = std::filesystem;

// A fresh folder per test, removed afterwards; the tests write Output.txt inside it.
constexpr Design kNothingLoaded{0, 0, 0, 0, 0};

class ReportFileTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(folder_.path().empty());
        dir_ = folder_.path();
        file_ = dir_ / "Output.txt";
    }
    static std::string Read(const fs::path& path) { return test::ReadFile(path); }
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
        CalculatorSession session;
        const std::string results_text = session.Calculate({}).Text();
        ASSERT_FALSE(GenerateReport(session.loaded(), {}, results_text, "Earlier\r\n", file_));
        earlier_ = Read(file_);
        ASSERT_FALSE(earlier_.empty());
    }
    void ExpectFileFailure(const ChunkWriter& write = {}) {
        const auto failure =
            GenerateReport(Design{}, {"1", "2", "3", "4", "5"}, "new", "New\r\n", file_, write);
        ASSERT_TRUE(failure) << "no failure";
        EXPECT_EQ(failure->kind, FailureKind::File);
        EXPECT_EQ(failure->Message().rfind("cannot write " + file_.string() + ": ", 0), 0u)
            << failure->Message();
    }

    test::ScratchFolder folder_{"sondrel-report"};
    fs::path dir_;
    fs::path file_;
    std::string earlier_;
};

TEST_F(ReportFileTest, SecondReportReplacesTheFirst) {
    WriteEarlierReport();
    ASSERT_FALSE(GenerateReport(kNothingLoaded, {}, "second", "", file_));
    EXPECT_EQ(Read(file_), ReportText(kNothingLoaded, {}, "second", "").value());
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(ReportFileTest, FailurePartWayLeavesTheEarlierReport) {
    WriteEarlierReport();
    const ChunkWriter half_then_disk_full = [](std::FILE* file, std::string_view bytes) {
        const std::size_t written = std::fwrite(bytes.data(), 1, bytes.size() / 2, file);
        std::fflush(file);
        errno = ENOSPC;
        return written;
    };
    ExpectFileFailure(half_then_disk_full);
    EXPECT_EQ(Read(file_), earlier_);
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
    const fs::path real = dir_ / "real.txt";
    fs::create_symlink("real.txt", file_);
    ASSERT_FALSE(GenerateReport(kNothingLoaded, {}, "", "", file_));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(file_)));
    EXPECT_EQ(Read(real), ReportText(kNothingLoaded, {}, "", "").value());
}

TEST_F(ReportFileTest, WritesIntoTheCurrentFolderByDefault) {
    const fs::path old = fs::current_path();
    fs::current_path(dir_);
    const auto failure = GenerateReport(kNothingLoaded, {}, "here", "");
    fs::current_path(old);
    ASSERT_FALSE(failure);
    EXPECT_EQ(Read(file_), ReportText(kNothingLoaded, {}, "here", "").value());
}

}  // namespace
}  // namespace sondrel
