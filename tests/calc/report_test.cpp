#include "calc/report.h"

#include <gtest/gtest.h>

#include <string>

#include "calc/failure.h"
#include "calc/solver.h"

#include "tests/support/reference_designs.h"
#include "tests/support/row_name.h"

namespace sondrel {
namespace {
using sondrel::testing_support::PrintTo;

std::string ReportAfterCalculate(const InputTexts& inputs, std::string_view header = "") {
    CalculatorSession session;
    const std::string results_text = session.Calculate(inputs).Text();
    return ReportText(session.loaded(), inputs, results_text, header).value();
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find("\r\n"));
}

TEST(ReportText, DefaultsAfterOneCalculate) {
    EXPECT_EQ(ReportAfterCalculate({}), testing_support::kDefaultReport);
}

struct FirstLineCase {
    const char* name;
    const char* elevation;
    const char* header;
    const char* first_line;
};

class ReportFirstLineTest : public testing::TestWithParam<FirstLineCase> {};

TEST_P(ReportFirstLineTest, ShowsTheHeaderThenFeetAndMetres) {
    const FirstLineCase& c = GetParam();
    EXPECT_EQ(FirstLine(ReportAfterCalculate({c.elevation, "28", "31", "1.25", "8.25"}, c.header)),
              c.first_line);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ReportFirstLineTest,
    testing::Values(
        FirstLineCase{"Up1000", "1000", "", "Elev = 1000 ft       Elev = 304.8 m"},
        FirstLineCase{"TypedAsTyped", " 1,000 ", "", "Elev =  1,000  ft       Elev = 304.8 m"},
        // A header without a line break joins the first line.
        FirstLineCase{"HeaderJoinsTheLine", "0", "Site A", "Site AElev = 0 ft       Elev = . m"},
        FirstLineCase{"HeaderOnItsOwnLine", "0", "Site A\r\n", "Site A"},
        FirstLineCase{"HeaderKeptAsUtf8", "0", "H\xC3\xB6he \xF0\x9F\x98\x80\r\n",
                      "H\xC3\xB6he \xF0\x9F\x98\x80"}),
    testing_support::RowName{});

TEST(ReportText, BeforeAnyLoadTheMetricValuesAreBarePoints) {
    const CalculatorSession fresh;
    const std::string text = ReportText(fresh.loaded(), {}, "", "").value();
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
    EXPECT_EQ(FirstLine(ReportText(session.loaded(), edited, results_text, "").value()),
              "Elev = 5000 ft       Elev = . m");
}

TEST(ReportText, MetricOverflowIsAFailure) {
    Design loaded;
    loaded.lo_baro_inhg = 1e307;
    const Result<std::string> report = ReportText(loaded, {}, "", "");
    ASSERT_FALSE(report.ok());
    EXPECT_EQ(report.failure().kind, FailureKind::Overflow);
    EXPECT_EQ(report.failure().Message(), "LoBaro in millibars is too large (overflow)");
}

}  // namespace
}  // namespace sondrel
