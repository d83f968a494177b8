// sondrel(1) against the window it describes: every caption, label, button and menu command
// is named with the window's own text, and the example results and report are what the
// window really shows and writes for the defaults.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QPlainTextEdit>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/row_name.h"
#include "tests/support/scratch_folder.h"
#include "ui/layout.h"
#include "ui/main_window.h"

namespace {
using sondrel::testing_support::PrintTo;

// The page's source with the escapes its texts use turned into what a reader sees.
std::string PageText() {
    std::string text = sondrel::testing_support::ReadFile(SONDREL_WINDOW_MAN_PAGE);
    EXPECT_FALSE(text.empty()) << SONDREL_WINDOW_MAN_PAGE;
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

struct WindowText {
    std::string name;  // window and control
    std::string text;
};
std::vector<WindowText> LayoutTexts() {
    std::vector<WindowText> texts;
    for (const auto& [window, layout] :
         {std::pair{"MainWindow", &sondrel::ui::MainWindowLayout()},
          {"ReportHeaderDialog", &sondrel::ui::ReportHeaderDialogLayout()}}) {
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

// The window, run in a scratch folder where its report goes.
class WindowManPageExamples : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::current_path(folder_.path()); }
    void TearDown() override { std::filesystem::current_path(previous_); }

    const sondrel::testing_support::ScratchFolder folder_{"sondrel-window-page"};
    const std::filesystem::path previous_ = std::filesystem::current_path();
    std::string header_;
    sondrel::ui::MainWindow window_{
        header_, [](const sondrel::Failure& failure) { ADD_FAILURE() << failure.Message(); }};
};

TEST_F(WindowManPageExamples, NamesEveryMenuCommandAndShowsTheDefaultsResultsAndReport) {
    const std::string page = PageText();
    const QList<QAction*> commands = window_.menuBar()->actions();
    ASSERT_FALSE(commands.empty());
    for (const QAction* command : commands) {
        const std::string text = command->text().toStdString();
        EXPECT_TRUE(HasLine(page, ".B " + text)) << "no entry for the menu's \"" << text << "\"";
    }
    window_.OnCalculate();
    const auto* results = window_.findChild<QPlainTextEdit*>(QStringLiteral("results_box"));
    ASSERT_NE(results, nullptr);
    const QStringList result_lines = results->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(result_lines.size(), 4);
    for (const QString& line : result_lines) {
        EXPECT_TRUE(HasLine(page, line.toStdString()))
            << "results: \"" << line.toStdString() << "\"";
    }

    header_ = "Site A\r\n";
    window_.OnGenerateReport();
    const std::string report = sondrel::testing_support::ReadFile(folder_.path() / "Output.txt");
    ASSERT_FALSE(report.empty());
    for (const QString& line : QString::fromStdString(report).split(QStringLiteral("\r\n"))) {
        EXPECT_TRUE(line.isEmpty() || HasLine(page, line.toStdString()))
            << "report: \"" << line.toStdString() << "\"";
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
