#include "calc/report.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "calc/failure.h"
#include "calc/solver.h"
#include "tests/calc/scratch_folder.h"

#include "tests/support/row_name.h"

namespace sondrel {
namespace {
using sondrel::testing_support::PrintTo;
namespace fs = std::filesystem;

const std::string kDefaultResults =
    "VR2 = 1813. Ohms\r\nVR1 wiper to GND side = 1851. Ohms\r\nLoVin = 3.792 Volts\r\n"
    "HiVin = 4.249 Volts";

std::string ReportAfterCalculate(const InputTexts& inputs, std::string_view header = "") {
    CalculatorSession session;
    const std::string results_text = session.Calculate(inputs).Text();
    return ReportText(LoadedInputs::From(session.loaded()), inputs, results_text, header);
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find("\r\n"));
}

TEST(ReportText, DefaultsAfterOneCalculate) {
    EXPECT_EQ(ReportAfterCalculate({}),
              "Elev = 0 ft       Elev = . m\r\n"
              "LoBaro = 28 inHg     LoBaro = 948.2 mb\r\n"
              "HiBaro = 31 inHg     HiBaro = 1049.8 mb\r\n"
              "LoVolts = 1.25\r\n"
              "HiVolts = 8.25\r\n"
              "\r\n" +
                  kDefaultResults + "\r\n");
}

struct ElevationCase {
    const char* name;
    const char* elevation;
    const char* first_line;
};

class ReportElevationTest : public testing::TestWithParam<ElevationCase> {};

TEST_P(ReportElevationTest, FirstLineShowsFeetAndMetres) {
    const ElevationCase& c = GetParam();
    EXPECT_EQ(FirstLine(ReportAfterCalculate({c.elevation, "28", "31", "1.25", "8.25"})),
              c.first_line);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ReportElevationTest,
    testing::Values(ElevationCase{"Up1000", "1000", "Elev = 1000 ft       Elev = 304.8 m"},
                    ElevationCase{"Up5000", "5000", "Elev = 5000 ft       Elev = 1524. m"},
                    ElevationCase{"Down1000", "-1000", "Elev = -1000 ft       Elev = -304.8 m"},
                    ElevationCase{"TypedAsTyped", " 1,000 ",
                                  "Elev =  1,000  ft       Elev = 304.8 m"}),
    testing_support::RowName{});

TEST(ReportText, BeforeAnyLoadTheMetricValuesAreBarePoints) {
    const CalculatorSession fresh;
    const std::string text = ReportText(LoadedInputs::From(fresh.loaded()), {}, "", "");
    EXPECT_EQ(text,
              "Elev = 0 ft       Elev = . m\r\n"
              "LoBaro = 28 inHg     LoBaro = . mb\r\n"
              "HiBaro = 31 inHg     HiBaro = . mb\r\n"
              "LoVolts = 1.25\r\nHiVolts = 8.25\r\n\r\n\r\n");
}

TEST(ReportText, EditedBoxShowsNewTextWithTheOldMetricValue) {
    CalculatorSession session;
    const std::string results_text = session.Calculate({}).Text();
    InputTexts edited;
    edited.elevation = "5000";
    EXPECT_EQ(FirstLine(ReportText(LoadedInputs::From(session.loaded()), edited, results_text, "")),
              "Elev = 5000 ft       Elev = . m");
}

TEST(ReportText, HeaderWithoutLineBreakJoinsTheFirstLine) {
    EXPECT_EQ(FirstLine(ReportAfterCalculate({}, "Site A")), "Site AElev = 0 ft       Elev = . m");
    EXPECT_EQ(FirstLine(ReportAfterCalculate({}, "Site A\r\n")), "Site A");
}

TEST(ReportText, KeepsNonAsciiTextAsUtf8) {
    const std::string text = ReportAfterCalculate({}, "Höhe 😀\r\n");
    EXPECT_EQ(text.substr(0, 12), "H\xC3\xB6he \xF0\x9F\x98\x80\r\n");
}

TEST(ReportText, MetricOverflowIsAFailure) {
    Design loaded;
    loaded.lo_baro_inhg = 1e307;
    try {
        ReportText(LoadedInputs::From(loaded), {}, "", "");
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.kind(), FailureKind::Overflow);
    }
}

// A fresh folder per test, removed afterwards; the tests write Output.txt inside it.
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
        GenerateReport(LoadedInputs::From(session.loaded()), {}, results_text, "Earlier\r\n",
                       file_);
        earlier_ = Read(file_);
        ASSERT_FALSE(earlier_.empty());
    }
    void ExpectFileFailure(const ChunkWriter& write = {}) {
        try {
            GenerateReport(LoadedInputs{}, {"1", "2", "3", "4", "5"}, "new", "New\r\n", file_,
                           write);
            FAIL() << "no failure";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.kind(), FailureKind::File);
            EXPECT_EQ(std::string(failure.what()).rfind("cannot write " + file_.string() + ": ", 0),
                      0u)
                << failure.what();
        }
    }

    test::ScratchFolder folder_{"sondrel-report"};
    fs::path dir_;
    fs::path file_;
    std::string earlier_;
};

TEST_F(ReportFileTest, SecondReportReplacesTheFirst) {
    WriteEarlierReport();
    GenerateReport(LoadedInputs{}, {}, "second", "", file_);
    EXPECT_EQ(Read(file_), ReportText(LoadedInputs{}, {}, "second", ""));
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
    GenerateReport(LoadedInputs{}, {}, "", "", file_);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(file_)));
    EXPECT_EQ(Read(real), ReportText(LoadedInputs{}, {}, "", ""));
}

TEST_F(ReportFileTest, WritesIntoTheCurrentFolderByDefault) {
    const fs::path old = fs::current_path();
    fs::current_path(dir_);
    GenerateReport(LoadedInputs{}, {}, "here", "");
    fs::current_path(old);
    EXPECT_EQ(Read(file_), ReportText(LoadedInputs{}, {}, "here", ""));
}

}  // namespace
}  // namespace sondrel
