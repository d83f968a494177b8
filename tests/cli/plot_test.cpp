// Sweep charts: sondrel-calc --sweep-elevation ... --plot FILE, the file rendered by Qt's SVG
// renderer, its size, its elements and what they show.

#include <gtest/gtest.h>

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <string>
#include <vector>

#include "chart/sweep_chart.h"
#include "tests/cli/run_capture.h"
#include "tests/support/row_name.h"
#include "tests/support/scratch_folder.h"

namespace sondrel::cli {
namespace {
using sondrel::testing_support::PrintTo;

struct ChartCase {
    const char* name;
    std::vector<std::string_view> values;  // after --sweep-elevation
    int code;
    std::vector<std::string> shown;   // element ids that must be drawn and shaded or inked
    std::vector<std::string> absent;  // element ids that must not be there
    std::vector<std::string> texts;   // parts of the document's text
    int height = 500;
    std::size_t max_bytes = 40'000;
    // When given, the chart of these rows, drawn without a sweep (and `values` and `code` unused).
    std::vector<chart::ChartRow> rows = {};
};

class SweepChart : public testing::TestWithParam<ChartCase> {};

TEST_P(SweepChart, RendersWithItsElements) {
    const ChartCase& c = GetParam();
    std::string svg;
    if (!c.rows.empty()) {
        svg = chart::SweepChartSvg(c.rows, InputTexts{});
    } else {
        const testing_support::ScratchFolder folder("sondrel-chart");
        const std::string path = (folder.path() / "chart.svg").string();
        std::vector<std::string_view> args = {"--plot", path, "--sweep-elevation"};
        args.insert(args.end(), c.values.begin(), c.values.end());
        const auto result = test_support::RunWith(args);
        EXPECT_EQ(result.code, c.code) << result.err;
        svg = testing_support::ReadFile(path);
        ASSERT_FALSE(svg.empty()) << path;
    }
    EXPECT_LE(svg.size(), c.max_bytes);
    for (const std::string& text : c.texts) {
        EXPECT_NE(svg.find(text), std::string::npos) << text;
    }
    for (const char* unlabelled : {"inf", "nan"}) {  // every tick a finite number
        EXPECT_EQ(svg.find(unlabelled), std::string::npos) << unlabelled;
    }

    QSvgRenderer renderer(QByteArray(svg.data(), static_cast<qsizetype>(svg.size())));
    ASSERT_TRUE(renderer.isValid());
    EXPECT_EQ(renderer.defaultSize(), QSize(800, c.height));
    QImage image(renderer.defaultSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        renderer.render(&painter);
    }
    for (const std::string& id : c.shown) {
        const QString element = QString::fromStdString(id);
        ASSERT_TRUE(renderer.elementExists(element)) << id;
        const QRectF bounds = renderer.boundsOnElement(element);
        EXPECT_TRUE(QRectF(0, 0, 800, c.height).contains(bounds)) << id;
        // The renderer paints something inside its bounds.
        const QRect area = bounds.toAlignedRect().intersected(image.rect());
        bool inked = false;
        for (int y = area.top(); y <= area.bottom() && !inked; ++y) {
            for (int x = area.left(); x <= area.right() && !inked; ++x) {
                inked = image.pixelColor(x, y) != QColor(Qt::white);
            }
        }
        EXPECT_TRUE(inked) << id;
    }
    for (const std::string& id : c.absent) {
        EXPECT_FALSE(renderer.elementExists(QString::fromStdString(id))) << id;
    }

    // Whatever the range, the ticks (two at least) and the lines lie inside the plotting area.
    ASSERT_TRUE(renderer.elementExists("plot-area"));
    const QRectF area = renderer.boundsOnElement("plot-area").adjusted(-0.5, -0.5, 0.5, 0.5);
    const QRectF x_grid = renderer.boundsOnElement("x-grid");
    const QRectF y_grid = renderer.boundsOnElement("y-grid");
    EXPECT_TRUE(x_grid.width() > 0 && x_grid.left() >= area.left() &&
                x_grid.right() <= area.right())
        << x_grid.left() << " to " << x_grid.right();
    EXPECT_TRUE(y_grid.height() > 0 && y_grid.top() >= area.top() &&
                y_grid.bottom() <= area.bottom())
        << y_grid.top() << " to " << y_grid.bottom();
    for (const char* line : {"vr2", "vr1"}) {
        if (renderer.elementExists(line) && svg.find("<path fill") != std::string::npos) {
            // Half the line's width may lie outside.
            EXPECT_TRUE(area.adjusted(-1, -1, 1, 1).contains(renderer.boundsOnElement(line)))
                << line;
        }
    }
}

// An input of 5,000 characters: "28." and zeros.
const std::string kLongInput = "28." + std::string(4997, '0');

INSTANTIATE_TEST_SUITE_P(
    Charts, SweepChart,
    testing::Values(
        ChartCase{
            "DefaultsEvery1000Ft",
            {"0:20000:1000"},
            0,
            {"vr2", "vr1", "warned-vr1-negative", "legend-warned-vr1-negative", "legend-vr2",
             "legend-vr1"},
            {"failed", "legend-failed"},
            {"LoBaro 28 inHg, HiBaro 31 inHg, LoVolts 1.25 V, HiVolts 8.25 V", ">20,000</text>",
             ">elevation, ft</text>", ">ohms</text>", ">warning: vr1-negative</text>",
             "<g id=\"warned-vr1-negative\" fill=\"#f5b800\""}},
        // The same colour for vr1-negative after another warning's stretch.
        ChartCase{"ColourPerWarningNotPerOrder",
                  {"-20000:30000:2000"},
                  0,
                  {"warned-sensor-range", "warned-vr1-negative"},
                  {},
                  {"<g id=\"warned-vr1-negative\" fill=\"#f5b800\""}},
        ChartCase{"FailedRowsAreGaps",
                  {"145000:145800:100", "28", "31", "0.5", "4.5"},
                  0,
                  {"failed", "legend-failed", "vr2"},
                  {},
                  {"LoVolts 0.5 V, HiVolts 4.5 V", ">145,800</text>",
                   ">no result: calculation failed</text>"},
                  522},  // a second line of legend
        ChartCase{"EveryRowFails",
                  {"0:2000:1000", "28", "28", "1.25", "8.25"},
                  1,
                  {"failed", "legend-failed"},
                  {"warned-vr1-negative"},
                  {">5,000</text>"}},
        ChartCase{"SingleRow", {"5000:5000:1"}, 0, {"vr2", "vr1"}, {"failed"}, {"<circle "}},
        ChartCase{"HectopascalsWarnThrice",
                  {"0:3000:1000", "950", "1050", "1.25", "8.25"},
                  0,
                  {"legend-warned-sensor-range+vr1-beyond-track+vr2-negative"},
                  {},
                  {">warning: sensor-range;vr1-beyond-track;vr2-negative</text>"}},
        // The axis reaches past the first and the last row (x 146.2 and 707.8); the shading
        // does not.
        ChartCase{"ShadingEndsAtTheEndRows",
                  {"14500:19500:1000"},
                  0,
                  {"warned-vr1-negative"},
                  {},
                  {">20,000</text>", "<rect x=\"146.2\" y=\"64.0\" width=\"561.7\""}},
        ChartCase{"SubnormalRange", {"0:5e-324:5e-324"}, 0, {"vr2", "vr1"}, {}, {">5e-324</text>"}},
        ChartCase{"HugeOhms",
                  {"0:1000:1000", "28", "31", "1.25", "1e300"},
                  0,
                  {"vr2", "vr1"},
                  {},
                  {">3e302</text>", ">1e302</text>"}},
        ChartCase{"OhmsPastTheLargestDouble",
                  {"0:133540:133540", "28", "31", "0", "1e300"},
                  0,
                  {"vr2", "vr1"},
                  {},
                  {">-5e307</text>", ">1.5e308</text>", ">150,000</text>"},
                  522},
        ChartCase{"ElevationsPastTheLargestDouble",
                  {},
                  0,
                  {"failed"},
                  {},
                  {">-5e307</text>", ">1.5e308</text>"},
                  500,
                  40'000,
                  {{-5e306, false, 0, 0, ""}, {1.7e308, false, 0, 0, ""}}},
        ChartCase{"OneRowAtTheLargestDouble",
                  {"1.7976931348623157e308:1.7976931348623157e308:1"},
                  1,
                  {"failed"},
                  {},
                  {}},
        ChartCase{"LongInputShortenedInTheTitle",
                  {"0:1000:1000", kLongInput, "31", "1.25", "8.25"},
                  0,
                  {"vr2"},
                  {},
                  {"LoBaro 28." + std::string(18, '0') + "... inHg, HiBaro 31"},
                  500,
                  10'000},
        ChartCase{"LongSweepDrawsAtMost1001Rows",
                  {"0:50000:1"},
                  0,
                  {"warned-vr1-negative", "warned-vr1-negative+vr2-beyond-track"},
                  {},
                  {">50,000</text>"},
                  544,  // VR2 past its track too, above about 31,000 ft
                  60'000}),
    testing_support::RowName{});

TEST(ChartRows, SpreadEvenlyOverAHugeSweep) {
    EXPECT_EQ(chart::ChartRowIndices(3), (std::vector<std::size_t>{0, 1, 2}));
    const std::vector<std::size_t> rows = chart::ChartRowIndices(10'000'000);
    ASSERT_EQ(rows.size(), 1001u);
    EXPECT_EQ(rows.front(), 0u);
    EXPECT_EQ(rows[500], 5'000'000u);  // 4,999,999.5 rounded up
    EXPECT_EQ(rows.back(), 9'999'999u);
}

}  // namespace
}  // namespace sondrel::cli

// Rendering text needs an application object; "offscreen" needs no display.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
