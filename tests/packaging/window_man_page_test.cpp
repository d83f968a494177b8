// sondrel(1) against the window it describes: every caption, label, button and menu command
// is named with the window's own text, and the example results and report are what the
// window really shows and writes for the defaults.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QPlainTextEdit>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "ui/form1.h"
#include "ui/layout.h"

#include "tests/support/row_name.h"

namespace {
using sondrel::testing_support::PrintTo;

namespace fs = std::filesystem;

// The page's source with the escapes its texts use turned into what a reader sees.
std::string PageText() {
    std::ifstream in(SONDREL_WINDOW_MAN_PAGE, std::ios::binary);
    EXPECT_TRUE(in) << SONDREL_WINDOW_MAN_PAGE;
    std::string text{std::istreambuf_iterator<char>(in), {}};
    for (const auto& [escape, plain] :
         {std::pair{"\\-", "-"}, {"\\&", ""}, {"\\(lq", "\""}, {"\\(rq", "\""}, {"\\(aq", "'"}}) {
        for (std::size_t at; (at = text.find(escape)) != std::string::npos;) {
            text.replace(at, std::string_view(escape).size(), plain);
        }
    }
    return text;
}

bool HasLine(const std::string& page, const std::string& line) {
    return ("\n" + page).find("\n" + line + "\n") != std::string::npos;
}

std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2) {
        lines.push_back(text.substr(start, at - start));
    }
    lines.push_back(text.substr(start));
    return lines;
}

// --- each text the window shows, from its layout tables -------------------------------------

struct WindowText {
    std::string name;  // window and control
    std::string text;
};
std::vector<WindowText> LayoutTexts() {
    std::vector<WindowText> texts;
    for (const auto& [window, layout] : {std::pair{"Form1", &sondrel::ui::Form1Layout()},
                                         {"Form2", &sondrel::ui::Form2Layout()}}) {
        texts.push_back({std::string(window) + "_Caption", std::string(layout->caption)});
        for (const sondrel::ui::ControlLayout& control : layout->controls) {
            // The boxes' defaults are numbers ("0"); their labels and results are checked.
            if (control.visible && control.kind != sondrel::ui::ControlKind::TextBox &&
                !control.text.empty()) {
                texts.push_back({std::string(window) + "_" + std::string(control.name),
                                 std::string(control.text)});
            }
        }
    }
    return texts;
}

class WindowManPage : public ::testing::TestWithParam<WindowText> {};

// Named as a whole: in bold on a line of its own, in quotes, or as a word ("LoVolts" does
// not name "LoVolt").
TEST_P(WindowManPage, NamesTheText) {
    const std::string page = PageText();
    const std::string& text = GetParam().text;
    EXPECT_TRUE(HasLine(page, ".B " + text) || page.find('"' + text + '"') != std::string::npos ||
                page.find(' ' + text + ' ') != std::string::npos)
        << "\"" << text << "\" is not in " << SONDREL_WINDOW_MAN_PAGE;
}

INSTANTIATE_TEST_SUITE_P(Layout, WindowManPage, ::testing::ValuesIn(LayoutTexts()),
                         sondrel::testing_support::RowName{});

// --- the window itself ----------------------------------------------------------------------

class WindowManPageExamples : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ =
            fs::temp_directory_path() / ("sondrel-man-" + std::to_string(std::random_device{}()));
        fs::create_directories(folder_);
        previous_ = fs::current_path();
        fs::current_path(folder_);
    }
    void TearDown() override {
        fs::current_path(previous_);
        fs::remove_all(folder_);
    }

    std::string header_;
    sondrel::ui::Form1 window_{header_, [](const sondrel::ui::FailureNotice& notice) {
                                   ADD_FAILURE() << notice.title << ": " << notice.message;
                               }};

private:
    fs::path folder_;
    fs::path previous_;
};

TEST_F(WindowManPageExamples, NamesEveryMenuCommand) {
    const std::string page = PageText();
    const QList<QAction*> commands = window_.menuBar()->actions();
    ASSERT_FALSE(commands.empty());
    for (const QAction* command : commands) {
        const std::string text = command->text().toStdString();
        EXPECT_TRUE(HasLine(page, ".B " + text)) << "no entry for the menu's \"" << text << "\"";
    }
}

TEST_F(WindowManPageExamples, ShowsTheResultsAndReportOfTheDefaults) {
    const std::string page = PageText();
    window_.Command1_Click();
    const auto* results = window_.findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
    ASSERT_NE(results, nullptr);
    const std::vector<std::string> result_lines = SplitCrLf(
        results->toPlainText().replace(QStringLiteral("\n"), QStringLiteral("\r\n")).toStdString());
    ASSERT_EQ(result_lines.size(), 4u);
    for (const std::string& line : result_lines) {
        EXPECT_TRUE(HasLine(page, line)) << "results: \"" << line << "\"";
    }

    header_ = "Site A\r\n";
    window_.prtrpt_Click();
    std::ifstream report("Output.txt", std::ios::binary);
    ASSERT_TRUE(report);
    const std::string report_text{std::istreambuf_iterator<char>(report), {}};
    for (const std::string& line : SplitCrLf(report_text)) {
        EXPECT_TRUE(line.empty() || HasLine(page, line)) << "report: \"" << line << "\"";
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS();  // ctest's listing: no window, so no Qt messages
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
