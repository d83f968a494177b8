#include "table/sweep.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <utility>

#include "calc/failure.h"
#include "calc/number_format.h"
#include "calc/solver.h"
#include "calc/text_rules.h"
#include "calc/text_to_number.h"
#include "table/csv.h"

namespace sondrel {
namespace {

// How far past STOP (in units of STEP) a row may land through rounding and still count.
constexpr double kEndTolerance = 1e-9;

// The decimals a number's text gives it: those after its point, less its exponent's power of
// ten ("1.25" 2, "2.5e-3" 4, "1e3" 0), at most kMaxDecimals, beyond which no double has digits.
constexpr int kMaxDecimals = 1100;

int DecimalsOf(std::string_view text, std::string_view decimal_separator) {
    std::size_t at = text.find(decimal_separator);
    long fraction = 0;
    if (at != std::string_view::npos) {
        for (at += decimal_separator.size(); at < text.size() && text[at] >= '0' && text[at] <= '9';
             ++at) {
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

Failure RangeFailure(std::string detail) {
    return {FailureKind::InvalidArgument, {}, std::move(detail)};
}

// The rows from START to STOP, or nullopt when there are more than kMaxTableRows. When the
// span STOP - START overflows, START and STOP are divided by STEP first.
std::optional<std::size_t> CountRows(const SweepRange& r) {
    if (r.start == r.stop) {
        return 1;  // even when START + STEP rounds back to START
    }
    const bool huge = !std::isfinite(r.stop - r.start);
    const double quotient =
        huge ? r.stop / r.step - r.start / r.step : (r.stop - r.start) / r.step;  // >= 0
    if (!(quotient < static_cast<double>(kMaxTableRows) + 1)) {
        return std::nullopt;
    }
    // How far row i lands past STOP, in units of STEP (negative while before it).
    const auto past_stop = [&r, huge](double i) {
        return huge ? r.start / r.step + i - r.stop / r.step
                    : (r.start + i * r.step - r.stop) / r.step;
    };
    double last = std::floor(quotient);
    if (past_stop(last + 1) <= kEndTolerance) {
        last += 1;
    }
    while (last > 0 && past_stop(last) > kEndTolerance) {
        last -= 1;
    }
    if (last + 1 > static_cast<double>(kMaxTableRows)) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(last) + 1;
}

}  // namespace

std::string MaxRowsText() {
    return GroupThousands(std::to_string(kMaxTableRows));
}

Result<SweepRange> ReadSweepRange(std::string_view start, std::string_view stop,
                                  std::string_view step, const NumberSeparators& separators) {
    SweepRange r;
    const std::string_view texts[] = {start, stop, step};
    constexpr std::string_view kNames[] = {"START", "STOP", "STEP"};
    double* const values[] = {&r.start, &r.stop, &r.step};
    for (std::size_t k = 0; k < 3; ++k) {
        const Result<double> number = ReadNumber(texts[k], kNames[k], separators);
        if (!number) {
            return number.failure();
        }
        *values[k] = *number;
    }
    r.decimals =
        std::max(DecimalsOf(start, separators.decimal), DecimalsOf(step, separators.decimal));
    if (r.step == 0) {
        return RangeFailure("STEP must not be zero");
    }
    const double span = r.stop - r.start;
    if (span != 0 && (span > 0) != (r.step > 0)) {
        return RangeFailure(std::string("STEP points away from STOP (use a ") +
                            (span > 0 ? "positive" : "negative") + " STEP)");
    }
    const std::optional<std::size_t> rows = CountRows(r);
    if (!rows) {
        return RangeFailure("more than " + MaxRowsText() + " rows");
    }
    r.rows = *rows;
    return r;
}

Result<SweepRange> ParseSweepRange(std::string_view text, std::string_view option) {
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos || text.find(':', second + 1) != std::string_view::npos) {
        return RangeFailure(std::string(option) + " wants START:STOP:STEP, got " +
                            QuoteForMessage(text));
    }
    Result<SweepRange> range =
        ReadSweepRange(text.substr(0, first), text.substr(first + 1, second - first - 1),
                       text.substr(second + 1), NumberSeparators{});
    if (range) {
        return range;
    }
    Failure failure = range.failure();
    failure.input = std::string(option) + (failure.input.empty() ? "" : " ") + failure.input;
    return failure;
}

double SweepElevation(const SweepRange& range, std::size_t i) {
    double exact = range.start + static_cast<double>(i) * range.step;
    if (!std::isfinite(exact)) {  // i*STEP overflows though the row does not: -1e308:1e308:1e308
        exact = std::fma(static_cast<double>(i), range.step, range.start);
    }
    if (exact == std::floor(exact)) {
        return exact == 0 ? 0.0 : exact;  // a whole number rounds to itself
    }
    if (range.decimals <= 22) {
        // The text's digits as an integer, exact unless the product is near a half; then the
        // text's value, correctly rounded, is one division of two exact doubles.
        const double scale = kExactPowersOfTen[range.decimals];
        const double digits = std::nearbyint(exact * scale);
        if (std::fabs(std::fma(exact, scale, -digits)) < 0.49) {
            const double rounded = digits / scale;
            return rounded == 0 ? 0.0 : rounded;
        }
    }
    // Rounded through its text: "-0." to 309 digits, the point and the decimals.
    char text[320 + kMaxDecimals];
    const auto written =
        std::to_chars(text, text + sizeof text, exact, std::chars_format::fixed, range.decimals);
    const double rounded = ReadDouble({text, written.ptr}).value_or(exact);  // from_chars
    return rounded == 0 ? 0.0 : rounded;  // not "-0" for a row that rounds to zero
}

TableCounts WriteSweep(TextWriter& out, const SweepRange& range, Design design,
                       std::vector<chart::ChartRow>* chart) {
    const std::vector<std::size_t> picks =
        chart != nullptr ? chart::ChartRowIndices(range.rows) : std::vector<std::size_t>();
    if (chart != nullptr) {
        chart->clear();
        chart->reserve(picks.size());
    }
    std::size_t next_pick = 0;
    Outcome outcome;
    TableCounts counts;
    WriteCsvResultHeader(out << "elevation_ft,");
    for (std::size_t row = 0; row < range.rows; ++row) {
        if (!out.Good()) {  // from here on, only the chart's rows the table did not reach
            if (next_pick == picks.size()) {
                break;
            }
            row = picks[next_pick];
        }
        design.elevation_ft = SweepElevation(range, row);
        Solve(design, outcome, WarningText::CodesOnly);
        if (next_pick < picks.size() && picks[next_pick] == row) {
            chart->push_back(chart::ChartRowOf(design.elevation_ft, outcome));
            ++next_pick;
        }
        if (out.Good()) {
            out.DoubleFixed(design.elevation_ft) << ',';
            WriteCsvOutcome(out, outcome);
            counts.Add(row, outcome);
        }
    }
    return counts;
}

}  // namespace sondrel
