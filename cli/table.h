#pragma once
// Tables of calculations (sweeps and batches): the writer that calculates a table's rows on
// several threads and writes them in order, what the rows came to, and the table's limits.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/text_writer.h"

namespace sondrel::cli {

// The most rows a sweep or a batch may have.
inline constexpr std::size_t kMaxTableRows = 10'000'000;

// kMaxTableRows as people read it, with its thousands grouped: "10,000,000".
std::string MaxRowsText();

// How one row of a table came out.
struct RowOutcome {
    bool succeeded = false;
    bool warned = false;  // succeeded with at least one design warning
};

// How many threads a sweep or batch uses by default: one per core, at most 8.
unsigned TableThreads();

// How many failed rows a table's message names.
inline constexpr std::size_t kListedFailures = 10;

// What a table's rows came to.
struct TableCounts {
    std::size_t rows = 0;                  // rows written
    std::size_t succeeded = 0;             // rows whose calculation succeeded
    std::size_t warned = 0;                // of those, rows with at least one design warning
    std::vector<std::size_t> failed_rows;  // the first kListedFailures failed rows, in order

    std::size_t failed() const { return rows - succeeded; }
    // Counts one more row, numbered `row`, that came out as `outcome`.
    void Add(std::size_t row, RowOutcome outcome);
};

// Writes rows of a table, one at a time. Each thread has its own, so it may keep whatever
// it reuses from row to row.
class TableRowWriter {
public:
    virtual ~TableRowWriter() = default;
    virtual RowOutcome WriteRow(TextWriter& out, std::size_t row) = 0;
};

using TableRowWriterMaker = std::function<std::unique_ptr<TableRowWriter>()>;

// Writes rows 0 to `rows` - 1, calculated on up to `threads` threads, each with a writer
// from `make_writer`, and written to `out` in order, so the bytes do not depend on
// `threads`. Stops early once a write to `out` has failed.
TableCounts WriteTableRows(TextWriter& out, std::size_t rows,
                           const TableRowWriterMaker& make_writer,
                           unsigned threads = TableThreads());

// How messages name a table's rows: "input line" and row i's line in the file, or
// "elevation" and row i's elevation.
struct RowNames {
    std::string_view what;  // singular; an "s" makes it plural
    std::function<void(TextWriter&, std::size_t)> write_name;
};

// The exit status of a table: kExitFailure, after saying so on `err`, when it has rows and
// every one failed; else kExitOk. When some but not all rows failed, says so on `err` in one
// line naming the first kListedFailures of them, e.g. "sondrel-calc: 2 of 5 rows failed
// (input lines 3, 5)", with "..." after them when there are more.
int TableExitStatus(const TableCounts& counts, const RowNames& names, TextWriter& err);

}  // namespace sondrel::cli
