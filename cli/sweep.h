#pragma once
// Elevation sweeps: reading START:STOP:STEP, the elevations it stands for, and the sweep
// itself, one fresh calculation per elevation written as a CSV row (and kept for its chart).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calc/design.h"
#include "chart/sweep_chart.h"
#include "cli/table.h"
#include "cli/text_writer.h"

namespace sondrel::cli {

struct SweepRange {
    double start = 0;
    double stop = 0;
    double step = 0;
    std::size_t rows = 0;  // at least 1 once parsed
    // The decimals START and STEP have between them, as typed: "7.3" has 1, "2.5e-3" 4,
    // "1e3" none.
    int decimals = 0;
};

// Reads "START:STOP:STEP", each number read as the elevation box reads it ("." for decimals,
// "," grouping thousands). Rows are START + i*STEP for i = 0, 1, ... up to STOP inclusive,
// where a row that passes STOP by no more than a billionth of STEP (rounding, as in
// 0:0.3:0.1) still counts. Returns the problem when the text is not three numbers, STEP is
// zero or points away from STOP, or there would be more than kMaxTableRows rows.
std::optional<std::string> ParseSweepRange(std::string_view text, SweepRange& range);

// Row i's elevation: START + i*STEP (one product and one sum, so rounding never accumulates)
// rounded to the range's decimals, so that -50:50:7.3 gives 37.6, not 37.599999999999994. It
// is the double the row calculates with and the text that names the row.
double SweepElevation(const SweepRange& range, std::size_t i);

// Writes the CSV header and one row per elevation of `range`, each as WriteCsvResult writes
// the calculation of `design` with that row's elevation, on up to `threads` threads as
// WriteTableRows does. With `chart`, also keeps the rows of ChartRowIndices there, as the
// table calculated them (and calculates those the table did not reach when a write failed).
TableCounts WriteSweep(TextWriter& out, const SweepRange& range, const Design& design,
                       std::vector<chart::ChartRow>* chart = nullptr,
                       unsigned threads = TableThreads());

}  // namespace sondrel::cli
