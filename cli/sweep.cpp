#include "cli/sweep.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <utility>

#include "calc/read_double.h"
#include "calc/solver.h"
#include "calc/text_to_number.h"
#include "cli/csv.h"

namespace sondrel::cli {
namespace {

// How far past STOP (in units of STEP) a row may land through rounding and still count.
constexpr double kEndTolerance = 1e-9;

// The decimals a number's text gives it: those after its point, less its exponent's power of
// ten ("1.25" 2, "2.5e-3" 4, "1e3" 0), at most kMaxDecimals, beyond which no double has digits.
constexpr int kMaxDecimals = 1100;

int DecimalsOf(std::string_view text) {
    std::size_t at = text.find('.');
    long fraction = 0;
    if (at != std::string_view::npos) {
        for (++at; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
            ++fraction;
        }
    }
    const std::size_t e = text.find_first_of("eE");
    long exponent = 0;
    if (e != std::string_view::npos) {
        std::size_t digit = e + 1;
        const bool negative = digit < text.size() && text[digit] == '-';
        if (digit < text.size() && (text[digit] == '-' || text[digit] == '+')) {
            ++digit;
        }
        for (; digit < text.size() && text[digit] >= '0' && text[digit] <= '9'; ++digit) {
            exponent = std::min(exponent * 10 + (text[digit] - '0'), 100'000L);
        }
        exponent = negative ? -exponent : exponent;
    }
    return static_cast<int>(std::clamp(fraction - exponent, 0L, long{kMaxDecimals}));
}

// One of the three numbers, read as the elevation box reads it; a problem is told as the
// box's would be, e.g. `--sweep-elevation START: "abc" is not a number`.
std::optional<std::string> ReadPart(std::string_view text, const char* name, double& value) {
    const Result<double> number = ReadNumber(text, std::string("--sweep-elevation ") + name);
    if (!number) {
        return number.failure().Message();
    }
    value = *number;
    return std::nullopt;
}

}  // namespace

std::optional<std::string> ParseSweepRange(std::string_view text, SweepRange& range) {
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos || text.find(':', second + 1) != std::string_view::npos) {
        return "--sweep-elevation wants START:STOP:STEP, got " + QuoteForMessage(text);
    }
    SweepRange r;
    if (auto problem = ReadPart(text.substr(0, first), "START", r.start)) {
        return problem;
    }
    if (auto problem = ReadPart(text.substr(first + 1, second - first - 1), "STOP", r.stop)) {
        return problem;
    }
    if (auto problem = ReadPart(text.substr(second + 1), "STEP", r.step)) {
        return problem;
    }
    r.decimals = std::max(DecimalsOf(text.substr(0, first)), DecimalsOf(text.substr(second + 1)));
    if (r.step == 0) {
        return std::string("--sweep-elevation: STEP must not be zero");
    }
    const double span = r.stop - r.start;
    if (span != 0 && (span > 0) != (r.step > 0)) {
        return std::string("--sweep-elevation: STEP points away from STOP (use a ") +
               (span > 0 ? "positive" : "negative") + " STEP)";
    }

    const std::string too_many = "--sweep-elevation: more than " + MaxRowsText() + " rows";
    const double quotient = span / r.step;  // >= 0; infinite when the span overflows
    if (!(quotient < static_cast<double>(kMaxTableRows) + 1)) {
        return too_many;
    }
    // How far row i lands past STOP, in units of STEP (negative while before it).
    const auto past_stop = [&r](double i) { return (r.start + i * r.step - r.stop) / r.step; };
    double last = std::floor(quotient);
    if (past_stop(last + 1) <= kEndTolerance) {
        last += 1;
    }
    while (last > 0 && past_stop(last) > kEndTolerance) {
        last -= 1;
    }
    if (last + 1 > static_cast<double>(kMaxTableRows)) {
        return too_many;
    }
    r.rows = static_cast<std::size_t>(last) + 1;
    range = r;
    return std::nullopt;
}

double SweepElevation(const SweepRange& range, std::size_t i) {
    const double exact = range.start + static_cast<double>(i) * range.step;
    // Rounded through its text: "-0." to 309 digits, the point and the decimals.
    char text[320 + kMaxDecimals];
    const auto written =
        std::to_chars(text, text + sizeof text, exact, std::chars_format::fixed, range.decimals);
    double rounded = exact;
    ReadDouble(text, written.ptr, rounded);  // std::from_chars where the library has it
    return rounded == 0 ? 0.0 : rounded;     // not "-0" for a row that rounds to zero
}

namespace {

// The chart's rows of a sweep, kept as the table's threads calculate them: each row has its
// own slot, so no two threads write the same one.
class SweepChart {
public:
    explicit SweepChart(std::size_t rows)
        : indices_(chart::ChartRowIndices(rows)),
          rows_(indices_.size()),
          kept_(indices_.size(), 0) {}

    void Keep(std::size_t row, double elevation_ft, const Outcome& outcome) {
        const auto at = std::lower_bound(indices_.begin(), indices_.end(), row);
        if (at != indices_.end() && *at == row) {
            const auto slot = static_cast<std::size_t>(at - indices_.begin());
            rows_[slot] = chart::ChartRowOf(elevation_ft, outcome);
            kept_[slot] = 1;
        }
    }

    // The rows, with those the table did not reach calculated now.
    std::vector<chart::ChartRow> Rows(const SweepRange& range, Design design) && {
        Outcome outcome;
        for (std::size_t slot = 0; slot < indices_.size(); ++slot) {
            if (kept_[slot] == 0) {
                design.elevation_ft = SweepElevation(range, indices_[slot]);
                Solve(design, outcome, WarningText::CodesOnly);
                rows_[slot] = chart::ChartRowOf(design.elevation_ft, outcome);
            }
        }
        return std::move(rows_);
    }

private:
    std::vector<std::size_t> indices_;
    std::vector<chart::ChartRow> rows_;
    std::vector<char> kept_;  // not vector<bool>: threads write neighbouring slots
};

// A sweep's row i: the calculation of `design` with row i's elevation, kept for the chart too
// when it is one of the chart's rows.
class SweepRowWriter final : public TableRowWriter {
public:
    SweepRowWriter(const SweepRange& range, const Design& design, SweepChart* chart)
        : range_(range), design_(design), chart_(chart) {}

    RowOutcome WriteRow(TextWriter& out, std::size_t row) override {
        design_.elevation_ft = SweepElevation(range_, row);
        Solve(design_, outcome_, WarningText::CodesOnly);
        if (chart_ != nullptr) {
            chart_->Keep(row, design_.elevation_ft, outcome_);
        }
        return WriteCsvResult(out, design_.elevation_ft, outcome_);
    }

private:
    const SweepRange& range_;
    Design design_;
    SweepChart* chart_;
    Outcome outcome_;
};

}  // namespace

TableCounts WriteSweep(TextWriter& out, const SweepRange& range, const Design& design,
                       std::vector<chart::ChartRow>* chart, unsigned threads) {
    std::optional<SweepChart> kept;
    if (chart != nullptr) {
        kept.emplace(range.rows);
    }
    WriteCsvHeader(out);
    const TableCounts counts = WriteTableRows(
        out, range.rows,
        [&] { return std::make_unique<SweepRowWriter>(range, design, kept ? &*kept : nullptr); },
        threads);
    if (chart != nullptr) {
        *chart = std::move(*kept).Rows(range, design);
    }
    return counts;
}

}  // namespace sondrel::cli
