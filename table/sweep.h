#pragma once
// Elevation sweeps: a range read from its three texts, the elevations it stands for, and the
// sweep itself, one fresh calculation per elevation written as a CSV row (and kept for its
// chart).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "calc/design.h"
#include "calc/failure.h"
#include "calc/text_to_number.h"
#include "chart/sweep_chart.h"
#include "table/table.h"
#include "table/text_writer.h"

namespace sondrel {

// kMaxTableRows as people read it, with its thousands grouped: "10,000,000".
std::string MaxRowsText();

struct SweepRange {
    double start = 0;
    double stop = 0;
    double step = 0;
    std::size_t rows = 0;  // at least 1 once read
    // The decimals START and STEP have between them, as typed: "7.3" has 1, "2.5e-3" 4,
    // "1e3" none.
    int decimals = 0;
};

// Reads START, STOP and STEP, each as the elevation box reads it with `separators`. Rows are
// START + i*STEP for i = 0, 1, ... up to STOP inclusive, where a row that passes STOP by no
// more than a billionth of STEP (rounding, as in 0:0.3:0.1) still counts; START equal to STOP
// is one row. The failure when a text is not a number names it as its `input` ("START",
// "STOP" or "STEP"); when STEP is zero, points away from STOP or there would be more than
// kMaxTableRows rows, its `input` is empty.
Result<SweepRange> ReadSweepRange(std::string_view start, std::string_view stop,
                                  std::string_view step, const NumberSeparators& separators);

// sondrel-calc's form, "START:STOP:STEP" after the option `option`, read with "." for
// decimals and "," grouping thousands. Its failures name `option` as their input
// ("--sweep-elevation START", "--sweep-elevation").
Result<SweepRange> ParseSweepRange(std::string_view text, std::string_view option);

// Row i's elevation: START + i*STEP (one product and one sum, so rounding never accumulates)
// rounded to the range's decimals, so that -50:50:7.3 gives 37.6, not 37.599999999999994. It
// is the double the row calculates with and the text that names the row.
double SweepElevation(const SweepRange& range, std::size_t i);

// Writes the CSV header and one row per elevation of `range`: the elevation as a plain decimal
// that reads back exactly, then WriteCsvOutcome of `design` calculated at it; stops once a
// write to `out` has failed. With `chart`, also keeps the rows of ChartRowIndices there (and
// calculates those the table did not reach).
TableCounts WriteSweep(TextWriter& out, const SweepRange& range, Design design,
                       std::vector<chart::ChartRow>* chart = nullptr);

}  // namespace sondrel
