#pragma once
// Elevation sweeps: reading START:STOP:STEP, the elevations it stands for, and the sweep
// itself, one fresh calculation per elevation written as a CSV row; and the writer that
// calculates any table's rows on several threads and writes them in order.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "calc/calculator_state.h"
#include "cli/csv.h"
#include "cli/output.h"

namespace sondrel::cli {

// The most rows a sweep or a batch may have.
inline constexpr std::size_t kMaxSweepRows = 10'000'000;

// kMaxSweepRows as people read it, with its thousands grouped: "10,000,000".
std::string MaxRowsText();

struct SweepRange {
    double start = 0;
    double stop = 0;
    double step = 0;
    std::size_t rows = 0;  // at least 1 once parsed
};

// Reads "START:STOP:STEP", each number read as the elevation box reads it ("." for decimals,
// "," grouping thousands). Rows are START + i*STEP for i = 0, 1, ... up to STOP inclusive,
// where a row that passes STOP by no more than a billionth of STEP (rounding, as in
// 0:0.3:0.1) still counts. Returns the problem when the text is not three numbers, STEP is
// zero or points away from STOP, or there would be more than kMaxSweepRows rows.
std::optional<std::string> ParseSweepRange(std::string_view text, SweepRange& range);

// Row i's elevation, START + i*STEP: one product and one sum, so rounding never accumulates.
inline double SweepElevation(const SweepRange& range, std::size_t i) {
    return range.start + static_cast<double>(i) * range.step;
}

// How many threads a sweep or batch uses by default: one per core, at most 8.
unsigned SweepThreads();

// What a table's rows came to.
struct TableCounts {
    std::size_t rows = 0;       // rows written
    std::size_t succeeded = 0;  // rows whose calculation succeeded
    std::size_t warned = 0;     // of those, rows with at least one design warning
};

// Writes rows of a table, one at a time. Each thread has its own, so it may keep whatever
// it reuses from row to row.
class TableRowWriter {
public:
    virtual ~TableRowWriter() = default;
    virtual RowOutcome WriteRow(Output& out, std::size_t row) = 0;
};

using TableRowWriterMaker = std::function<std::unique_ptr<TableRowWriter>()>;

// Writes rows 0 to `rows` - 1, calculated on up to `threads` threads, each with a writer
// from `make_writer`, and written to `out` in order, so the bytes do not depend on
// `threads`. Stops early once a write to `out` has failed.
TableCounts WriteTableRows(Output& out, std::size_t rows, const TableRowWriterMaker& make_writer,
                           unsigned threads = SweepThreads());

// The exit status of a table: kExitFailure, after saying so on `err`, when it has rows and
// every one failed; else kExitOk.
int TableExitStatus(const TableCounts& counts, Output& err);

// Writes the CSV header and one row per elevation of `range`, each as WriteCsvResult writes
// the calculation of `inputs` with the elevation text replaced by the shortest text that
// reads back as exactly that row's elevation ("1000", "0.30000000000000004", "1e+16"), on up
// to `threads` threads as WriteTableRows does.
TableCounts WriteSweep(Output& out, const SweepRange& range, const InputTexts& inputs,
                       unsigned threads = SweepThreads());

}  // namespace sondrel::cli
