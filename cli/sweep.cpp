#include "cli/sweep.h"

#include <cmath>

#include "calc/failure.h"
#include "calc/solver.h"
#include "calc/text_to_number.h"
#include "cli/csv.h"

namespace sondrel::cli {
namespace {

// How far past STOP (in units of STEP) a row may land through rounding and still count.
constexpr double kEndTolerance = 1e-9;

// One of the three numbers, read as the elevation box reads it; a problem is told as the
// box's would be, e.g. `--sweep-elevation START: "abc" is not a number`.
std::optional<std::string> ReadPart(std::string_view text, const char* name, double& value) {
    const ParseResult result = ParseNumber(text);
    if (result.status != ParseStatus::Ok) {
        return ParseFailureMessage(result.status, text, std::string("--sweep-elevation ") + name);
    }
    value = result.value;
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
    if (!(quotient < static_cast<double>(kMaxSweepRows) + 1)) {
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
    if (last + 1 > static_cast<double>(kMaxSweepRows)) {
        return too_many;
    }
    r.rows = static_cast<std::size_t>(last) + 1;
    range = r;
    return std::nullopt;
}

namespace {

// A sweep's row i: the calculation of `design` with row i's elevation.
class SweepRowWriter final : public TableRowWriter {
public:
    SweepRowWriter(const SweepRange& range, const Design& design, int inputs_read,
                   const CalculateFailure& read_failure)
        : range_(range), design_(design), inputs_read_(inputs_read) {
        outcome_.failure = read_failure;
    }

    RowOutcome WriteRow(Output& out, std::size_t row) override {
        design_.elevation_ft = SweepElevation(range_, row);
        if (inputs_read_ < 5) {
            // One of the other four values is not a number: every row fails with it.
            return WriteCsvResult(out, design_.elevation_ft, outcome_);
        }
        Solve(design_, outcome_, WarningText::CodesOnly);
        return WriteCsvResult(out, design_.elevation_ft, outcome_);
    }

private:
    const SweepRange& range_;
    Design design_;
    int inputs_read_;
    Outcome outcome_;
};

}  // namespace

TableCounts WriteSweep(Output& out, const SweepRange& range, const InputTexts& inputs,
                       unsigned threads) {
    // The four other values are read once; each row puts its own elevation beside them.
    InputTexts values = inputs;
    values.elevation = "0";
    Design design;
    CalculateFailure read_failure;
    const int read = ReadDesign(values, design, read_failure);
    WriteCsvHeader(out);
    return WriteTableRows(
        out, range.rows,
        [&] { return std::make_unique<SweepRowWriter>(range, design, read, read_failure); },
        threads);
}

}  // namespace sondrel::cli
