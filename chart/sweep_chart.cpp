#include "chart/sweep_chart.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <utility>

#include "calc/text_rules.h"

namespace sondrel::chart {

std::vector<std::size_t> ChartRowIndices(std::size_t rows) {
    constexpr std::size_t kMaxChartRows = 1001;
    std::vector<std::size_t> indices(std::min(rows, kMaxChartRows));
    constexpr std::uint64_t kSpan = kMaxChartRows - 1;
    for (std::size_t k = 0; k < indices.size(); ++k) {
        // Past kMaxChartRows, k * (rows - 1) / kSpan rounded to nearest, in exact integers.
        const std::uint64_t spread = (std::uint64_t{k} * (rows - 1) + kSpan / 2) / kSpan;
        indices[k] = rows <= kMaxChartRows ? k : static_cast<std::size_t>(spread);
    }
    return indices;
}

ChartRow ChartRowOf(double elevation_ft, const Outcome& outcome) {
    ChartRow row{elevation_ft, outcome.solved, outcome.lines.vr2_ohms,
                 outcome.lines.vr1_wiper_to_gnd_ohms, ""};
    for (const DesignWarning& warning : outcome.warnings) {
        row.warnings += row.warnings.empty() ? "" : ";";
        row.warnings += warning.code;
    }
    return row;
}

namespace {

// The chart's size in pixels; its height grows by a line for each legend line past the first.
constexpr int kChartWidth = 800;
constexpr int kChartHeight = 500;
// Where the plotting area sits in the chart.
constexpr double kLeft = 90;
constexpr double kRight = kChartWidth - 36;
constexpr double kTop = 64;
constexpr double kBottom = kChartHeight - 116;
constexpr double kLegendTop = kChartHeight - 48;
constexpr double kLegendLine = 22;

constexpr std::string_view kVr2Colour = "#1f5fbf";
constexpr std::string_view kVr1Colour = "#c2410c";

// Each warning's own colour, the same in every chart whatever else it shows.
constexpr std::pair<std::string_view, std::string_view> kWarningColours[] = {
    {"vr1-negative", "#f5b800"}, {"vr2-negative", "#e8505b"},     {"sensor-range", "#9c6ade"},
    {"pass-limit", "#2fa88a"},   {"vr1-beyond-track", "#d97706"}, {"vr2-beyond-track", "#0e7490"},
};

// The colour of a set of warnings (codes joined by ";"): a lone code's own, else a hue from
// the FNV-1a hash of the set's text, so that a set has the same colour in every chart.
std::string WarningSetColour(std::string_view codes) {
    for (const auto& [code, colour] : kWarningColours) {
        if (code == codes) {
            return std::string(colour);
        }
    }
    std::uint32_t hash = 2166136261u;
    for (const char c : codes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    // HSL (hue, 70%, 45%) to RGB in whole numbers: chroma 0.63, lightest channel 0.765.
    const int hue = static_cast<int>(hash % 360u);
    constexpr int kLow = 42, kHigh = 195;  // of 255
    const int rising = kLow + (kHigh - kLow) * (hue % 60) / 60;
    const int falling = kHigh - (kHigh - kLow) * (hue % 60) / 60;
    const int levels[] = {kHigh, rising, falling, kLow};
    // For each 60-degree sector of hue, which of `levels` red, green and blue take.
    constexpr int kSectors[6][3] = {{0, 1, 3}, {2, 0, 3}, {3, 0, 1},
                                    {3, 2, 0}, {1, 3, 0}, {0, 3, 2}};
    const int* sector = kSectors[hue / 60];
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", levels[sector[0]], levels[sector[1]],
                  levels[sector[2]]);
    return text;
}

// An axis running from `low` to `high`, with ticks at round numbers `step` apart.
struct Axis {
    double low = 0;
    double high = 1;
    double step = 1;
    double first = 0;  // the first tick's multiple of `step`: low / step, rounded up
    int ticks = 1;     // from the first, `step` apart, up to high

    // A multiple of the step times the step, never a sum: first * step + t * step can
    // overflow where the tick itself is a double.
    double Tick(int t) const { return (first + t) * step; }
    // Where `value` lies between low (0) and high (1). The span is halved first when it
    // overflows, and only then: halving a subnormal span would lose it.
    double Fraction(double value) const {
        const double span = high - low;
        return std::isfinite(span) ? (value - low) / span
                                   : (value / 2 - low / 2) / (high / 2 - low / 2);
    }
};

// The axis over [min, max] (finite): a step of 1, 2 or 5 times a power of ten giving about
// six intervals, and ends on multiples of it. An empty or tiny span is widened first. Where
// the numbers run out, the step is the smallest double (a subnormal span) and the ends are
// min and max themselves (a multiple beyond the largest double).
Axis RoundAxis(double min, double max) {
    constexpr double kLargest = std::numeric_limits<double>::max();
    if (!(max - min > std::max(std::abs(min), std::abs(max)) * 1e-9)) {
        const double pad = std::max(std::abs(min) * 0.05, 1.0);
        min = std::max(min - pad, -kLargest);
        max = std::min(max + pad, kLargest);
    }
    const double span = max - min;
    const double raw = std::isfinite(span) ? span / 6 : max / 6 - min / 6;
    double step = std::numeric_limits<double>::denorm_min();
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    if (magnitude > 0 && std::isfinite(magnitude)) {
        const double fraction = raw / magnitude;
        const double multiple = fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 5 ? 5 : 10;
        step = std::max(step, multiple * magnitude);
    }
    const double low = std::floor(min / step) * step;
    const double high = std::ceil(max / step) * step;
    Axis axis{std::isfinite(low) ? low : min, std::isfinite(high) ? high : max, step};
    axis.first = std::ceil(axis.low / step);
    const double intervals = std::floor(axis.high / step) - axis.first;
    axis.ticks =
        static_cast<int>(std::isfinite(intervals) ? std::clamp(intervals, 0.0, 100.0) : 0) + 1;
    return axis;
}

// About how wide a tick's text is at 12 pixels.
double TickTextWidth(std::string_view text) {
    double width = 0;
    for (const char c : text) {
        width += c == ',' || c == '.' ? 3.8 : c == '-' ? 4.4 : 7.6;
    }
    return width;
}

// `value` as std::to_chars writes it, the same in every locale.
std::string Chars(double value, std::chars_format format, int precision) {
    char buf[400];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, value, format, precision).ptr);
}

// The power of ten of a number's leading digit: 302 for 3e302, -5 for 2.5e-5.
int DecimalExponent(double value) {
    return static_cast<int>(std::floor(std::log10(std::abs(value)) + 1e-9));
}

// `value` as digits and a power of ten, with as many digits as a multiple of `step` needs and
// no trailing zeros: "3e302", "1.5e302", "-5e-324".
std::string PowerOfTenText(double value, double step) {
    const int digits = std::clamp(DecimalExponent(value) - DecimalExponent(step), 0, 16);
    const std::string text = Chars(value, std::chars_format::scientific, digits);
    const std::size_t e = text.find('e');
    std::string mantissa = text.substr(0, e);
    // Without a point the mantissa is one digit, never 0.
    mantissa.erase(mantissa.find_last_not_of('0') + 1);  // "1.50" to "1.5", "3.0" to "3."
    mantissa.erase(mantissa.find_last_not_of('.') + 1);  // "3." to "3"
    const std::size_t exponent_digits = text.find_first_not_of('0', e + 2);
    if (exponent_digits == std::string::npos) {
        return mantissa;  // "5e+00"
    }
    return mantissa + 'e' + (text[e + 1] == '-' ? "-" : "") + text.substr(exponent_digits);
}

// A tick's value as people read it: thousands grouped with ",", as many decimals as the step
// needs; where that is wider than `max_width` pixels, a power of ten ("3e302", "1.5e-323").
std::string TickText(double value, double step, double max_width) {
    if (value == 0 || std::abs(value) < step * 1e-9) {
        return "0";  // not "-0" or 1e-17 from the arithmetic
    }
    if (std::abs(value) >= 1e15 || step < 1e-12) {
        return PowerOfTenText(value, step);
    }
    const int decimals = std::clamp(-DecimalExponent(step), 0, 12);
    std::string grouped = GroupThousands(Chars(value, std::chars_format::fixed, decimals));
    return TickTextWidth(grouped) <= max_width ? grouped : PowerOfTenText(value, step);
}

// A coordinate with one decimal; one far off the chart (or not a number, from a value
// beyond the axes' arithmetic) is kept just outside it.
std::string Number(double value) {
    value = std::isnan(value) ? 0 : std::clamp(value, -10.0 * kChartWidth, 10.0 * kChartWidth);
    return Chars(std::round(value * 10) / 10, std::chars_format::fixed, 1);
}

// A user's text as SVG character data: markup characters escaped, anything but printable
// ASCII shown as "?" so that the document stays well-formed whatever was typed.
std::string XmlText(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        escaped += c == '&'   ? "&amp;"
                   : c == '<' ? "&lt;"
                   : c == '>' ? "&gt;"
                   : c == '"' ? "&quot;"
                              : std::string(1, c >= 0x20 && c < 0x7f ? c : '?');
    }
    return escaped;
}

// Builds the document.
class ChartWriter {
public:
    ChartWriter(const std::vector<ChartRow>& rows, const InputTexts& inputs)
        : rows_(rows), inputs_(inputs) {}

    std::string Svg() {
        FindAxes();
        FindShading();
        Title();
        Shading();
        Grid();
        Series("vr2", kVr2Colour, &ChartRow::vr2_ohms);
        Series("vr1", kVr1Colour, &ChartRow::vr1_wiper_to_gnd_ohms);
        svg_ += "<rect id=\"plot-area\"" + Box(kLeft, kTop, kRight - kLeft, kBottom - kTop) +
                " fill=\"none\" stroke=\"#333333\"/>\n";
        const int height = kChartHeight + static_cast<int>(kLegendLine) * (Legend() - 1);
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
               std::to_string(kChartWidth) + "\" height=\"" + std::to_string(height) +
               "\" viewBox=\"0 0 " + std::to_string(kChartWidth) + " " + std::to_string(height) +
               "\" font-family=\"DejaVu Sans, Verdana, Arial, sans-serif\" font-size=\"12\">\n"
               "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n" +
               svg_ + "</svg>\n";
    }

private:
    // A legend entry: a series' line, or the shading of a set of warning codes or of failures.
    struct Key {
        std::string id;  // "vr2", "warned-vr1-negative", "failed"
        std::string label;
        std::string colour;
        bool line = false;  // a line sample, else a shaded box
    };
    struct Band {
        std::size_t shade;
        double from, to;  // elevations
    };

    // A rectangle's place: ` x="..." y="..." width="..." height="..."`.
    static std::string Box(double x, double y, double width, double height) {
        return " x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" width=\"" + Number(width) +
               "\" height=\"" + Number(height) + "\"";
    }

    static bool Drawn(const ChartRow& row) {
        return row.succeeded && std::isfinite(row.vr2_ohms) &&
               std::isfinite(row.vr1_wiper_to_gnd_ohms);
    }

    double X(double elevation) const { return kLeft + x_.Fraction(elevation) * (kRight - kLeft); }
    double Y(double ohms) const { return kBottom - y_.Fraction(ohms) * (kBottom - kTop); }

    void FindAxes() {
        constexpr double kNone = std::numeric_limits<double>::infinity();
        double x_min = kNone, x_max = -kNone, y_min = kNone, y_max = -kNone;
        for (const ChartRow& row : rows_) {
            if (std::isfinite(row.elevation_ft)) {
                x_min = std::min(x_min, row.elevation_ft);
                x_max = std::max(x_max, row.elevation_ft);
            }
            if (Drawn(row)) {
                y_min = std::min({y_min, row.vr2_ohms, row.vr1_wiper_to_gnd_ohms});
                y_max = std::max({y_max, row.vr2_ohms, row.vr1_wiper_to_gnd_ohms});
            }
        }
        x_ = x_min <= x_max ? RoundAxis(x_min, x_max) : RoundAxis(0, 0);
        // With every row failed, an empty chart of 0 to 5,000 ohms.
        y_ = y_min <= y_max ? RoundAxis(y_min, y_max) : RoundAxis(0, 5000);
    }

    // Each row's stretch of elevation: halfway to its neighbours, and no further out than
    // the first and the last row, where nothing was calculated; a sliver when alone.
    std::pair<double, double> Stretch(std::size_t i) const {
        const double e = rows_[i].elevation_ft;
        if (rows_.size() == 1) {
            const double alone = (x_.high / 2 - x_.low / 2) / 100;
            return {e - alone, e + alone};
        }
        // Halved first, so that no difference overflows.
        const double before = i > 0 ? rows_[i - 1].elevation_ft / 2 - e / 2 : 0;
        const double after = i + 1 < rows_.size() ? rows_[i + 1].elevation_ft / 2 - e / 2 : 0;
        return {e + std::min({before, after, 0.0}), e + std::max({before, after, 0.0})};
    }

    void FindShading() {
        std::size_t last_band_row = 0;
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            const ChartRow& row = rows_[i];
            if (Drawn(row) && row.warnings.empty()) {
                continue;
            }
            // A set's codes joined by ";", as in the CSV's warnings column; by "+" in its id.
            Key key = Drawn(row) ? Key{"warned-" + row.warnings, "warning: " + row.warnings,
                                       WarningSetColour(row.warnings)}
                                 : Key{"failed", "no result: calculation failed", "#9e9e9e"};
            std::replace(key.id.begin(), key.id.end(), ';', '+');
            const auto shade = static_cast<std::size_t>(
                std::ranges::find(shades_, key.id, &Key::id) - shades_.begin());
            if (shade == shades_.size()) {
                shades_.push_back(key);
            }
            const auto [from, to] = Stretch(i);
            if (!bands_.empty() && bands_.back().shade == shade && last_band_row + 1 == i) {
                bands_.back().from = std::min(bands_.back().from, from);
                bands_.back().to = std::max(bands_.back().to, to);
            } else {
                bands_.push_back({shade, std::min(from, to), std::max(from, to)});
            }
            last_band_row = i;
        }
    }

    // Writes the legend, in lines across the chart; returns how many lines.
    int Legend() {
        std::vector<Key> entries = {{"vr2", "VR2", std::string(kVr2Colour), true},
                                    {"vr1", "VR1 wiper to GND", std::string(kVr1Colour), true}};
        entries.insert(entries.end(), shades_.begin(), shades_.end());
        svg_ += "<g id=\"legend\">\n";
        int lines = 1;
        double x = kLeft;
        for (const Key& entry : entries) {
            // About 7 pixels a character at 12 pixels, after a 30-pixel sample and a gap.
            const double width = 30 + 7.0 * static_cast<double>(entry.label.size()) + 24;
            if (x > kLeft && x + width > kRight) {
                x = kLeft;
                ++lines;
            }
            const double y = kLegendTop + kLegendLine * (lines - 1);
            svg_ += "<g id=\"legend-" + entry.id + "\">\n";
            if (entry.line) {
                svg_ += "<line x1=\"" + Number(x) + "\" y1=\"" + Number(y - 4) + "\" x2=\"" +
                        Number(x + 24) + "\" y2=\"" + Number(y - 4) + "\" stroke=\"" +
                        entry.colour + "\" stroke-width=\"2\"/>\n";
            } else {
                svg_ += "<rect x=\"" + Number(x) + "\" y=\"" + Number(y - 11) +
                        "\" width=\"24\" height=\"14\" fill=\"" + entry.colour +
                        "\" fill-opacity=\"0.35\" stroke=\"" + entry.colour + "\"/>\n";
            }
            svg_ += "<text x=\"" + Number(x + 30) + "\" y=\"" + Number(y) + "\">" +
                    XmlText(entry.label) + "</text>\n</g>\n";
            x += width;
        }
        svg_ += "</g>\n";
        return lines;
    }

    // An input as the title shows it: cut to its first few characters when long, so that the
    // four fit across the chart whatever was typed.
    static std::string TitleText(std::string_view text) {
        constexpr std::size_t kMostShown = 24;
        return text.size() <= kMostShown ? XmlText(text)
                                         : XmlText(text.substr(0, kMostShown - 3)) + "...";
    }

    void Title() {
        svg_ += "<text id=\"title\" x=\"" + Number(kChartWidth / 2.0) +
                "\" y=\"24\" text-anchor=\"middle\" font-size=\"16\" font-weight=\"bold\">"
                "VR2 and VR1 wiper to GND against elevation</text>\n";
        svg_ += "<text id=\"inputs\" x=\"" + Number(kChartWidth / 2.0) +
                "\" y=\"46\" text-anchor=\"middle\" font-size=\"13\">LoBaro " +
                TitleText(inputs_.lo_baro) + " inHg, HiBaro " + TitleText(inputs_.hi_baro) +
                " inHg, LoVolts " + TitleText(inputs_.lo_volts) + " V, HiVolts " +
                TitleText(inputs_.hi_volts) + " V</text>\n";
    }

    void Shading() {
        for (std::size_t s = 0; s < shades_.size(); ++s) {
            svg_ += "<g id=\"" + shades_[s].id + "\" fill=\"" + shades_[s].colour +
                    "\" fill-opacity=\"0.35\">\n";
            for (const Band& band : bands_) {
                const double left = std::clamp(X(band.from), kLeft, kRight);
                const double right = std::clamp(X(band.to), kLeft, kRight);
                if (band.shade == s) {
                    svg_ += "<rect" + Box(left, kTop, std::max(right - left, 1.0), kBottom - kTop) +
                            "/>\n";
                }
            }
            svg_ += "</g>\n";
        }
    }

    // A tick's text element at (x, y): its text as TickText gives it for `max_width`, and a
    // smaller font where even that is wider.
    static std::string TickLabel(const std::string& x, const std::string& y, double value,
                                 double step, double max_width) {
        const std::string text = TickText(value, step, max_width);
        std::string label = "<text x=\"" + x + "\" y=\"" + y + "\"";
        if (const double width = TickTextWidth(text); width > max_width) {
            label += " font-size=\"" + Number(12 * max_width / width) + "\"";
        }
        return label + ">" + text + "</text>\n";
    }

    void Grid() {
        // A label is centred under its tick, and the last one sits 36 pixels from the edge.
        const double x_spacing = x_.ticks > 1 ? (kRight - kLeft) / (x_.ticks - 1) : kRight - kLeft;
        const double x_label_width = std::min(x_spacing - 10, 2 * (kChartWidth - kRight));
        std::string labels;
        svg_ += "<g id=\"x-axis\" text-anchor=\"middle\">\n<g id=\"x-grid\" stroke=\"#dddddd\">\n";
        for (int t = 0; t < x_.ticks; ++t) {
            const double value = x_.Tick(t);
            const std::string x = Number(X(value));
            svg_ += "<line x1=\"" + x + "\" y1=\"" + Number(kTop) + "\" x2=\"" + x + "\" y2=\"" +
                    Number(kBottom + 5) + "\"/>\n";
            labels += TickLabel(x, Number(kBottom + 20), value, x_.step, x_label_width);
        }
        svg_ += "</g>\n" + labels;
        svg_ += "<text x=\"" + Number((kLeft + kRight) / 2) + "\" y=\"" + Number(kBottom + 42) +
                "\" font-size=\"13\">elevation, ft</text>\n</g>\n";
        // Between the tick and the axis's own label ("ohms", up to x = 25).
        constexpr double kYLabelWidth = kLeft - 8 - 27;
        labels.clear();
        svg_ += "<g id=\"y-axis\" text-anchor=\"end\">\n<g id=\"y-grid\">\n";
        for (int t = 0; t < y_.ticks; ++t) {
            const double value = y_.Tick(t);
            const std::string y = Number(Y(value));
            const bool zero = std::abs(value) < y_.step * 1e-9;
            svg_ += "<line x1=\"" + Number(kLeft - 5) + "\" y1=\"" + y + "\" x2=\"" +
                    Number(kRight) + "\" y2=\"" + y + "\" stroke=\"" +
                    (zero ? "#777777" : "#dddddd") + "\"/>\n";
            labels +=
                TickLabel(Number(kLeft - 8), Number(Y(value) + 4), value, y_.step, kYLabelWidth);
        }
        svg_ += "</g>\n" + labels;
        svg_ += "<text transform=\"translate(18 " + Number((kTop + kBottom) / 2) +
                ") rotate(-90)\" text-anchor=\"middle\" font-size=\"13\">ohms</text>\n</g>\n";
    }

    // One line through the rows that have a result, broken at each row that has none; a row
    // with no drawn neighbour gets a dot, as a line through one point shows nothing.
    void Series(std::string_view id, std::string_view colour, double ChartRow::*value) {
        std::string path, dots;
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            const ChartRow& row = rows_[i];
            if (!Drawn(row)) {
                continue;
            }
            const bool joined = i > 0 && Drawn(rows_[i - 1]);
            const bool followed = i + 1 < rows_.size() && Drawn(rows_[i + 1]);
            path += joined ? " L" : (path.empty() ? "M" : " M");
            path += Number(X(row.elevation_ft)) + ' ' + Number(Y(row.*value));
            if (!joined && !followed) {
                dots += "<circle cx=\"" + Number(X(row.elevation_ft)) + "\" cy=\"" +
                        Number(Y(row.*value)) + "\" r=\"3\"/>\n";
            }
        }
        svg_ += "<g id=\"" + std::string(id) + "\" fill=\"" + std::string(colour) + "\" stroke=\"" +
                std::string(colour) + "\">\n";
        if (!path.empty()) {
            svg_ += "<path fill=\"none\" stroke-width=\"2\" d=\"" + path + "\"/>\n";
        }
        svg_ += dots + "</g>\n";
    }

    const std::vector<ChartRow>& rows_;
    const InputTexts& inputs_;
    Axis x_, y_;
    std::vector<Key> shades_;
    std::vector<Band> bands_;
    std::string svg_;
};

}  // namespace

std::string SweepChartSvg(const std::vector<ChartRow>& rows, const InputTexts& inputs) {
    return ChartWriter(rows, inputs).Svg();
}

}  // namespace sondrel::chart
