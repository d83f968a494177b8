#pragma once
// A sweep's or a batch's exit status, and the line on standard error that names its failed
// rows.

#include <cstddef>
#include <functional>
#include <string_view>

#include "table/table.h"
#include "table/text_writer.h"

namespace sondrel::cli {

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
