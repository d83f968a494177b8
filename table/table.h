#pragma once
// Tables of calculations (sweeps and batches): what their rows came to, and the tables'
// limits.

#include <cstddef>
#include <vector>

#include "calc/solver.h"

namespace sondrel {

// The most rows a sweep or a batch may have.
inline constexpr std::size_t kMaxTableRows = 10'000'000;

// How many failed rows a table's message names.
inline constexpr std::size_t kListedFailures = 10;

// What a table's rows came to.
struct TableCounts {
    std::size_t rows = 0;                  // rows written
    std::size_t succeeded = 0;             // rows whose calculation succeeded
    std::size_t warned = 0;                // of those, rows with at least one design warning
    std::vector<std::size_t> failed_rows;  // the first kListedFailures failed rows, in order

    std::size_t failed() const { return rows - succeeded; }
    // Counts row `row` (rows are added in order), which came out as `outcome`.
    void Add(std::size_t row, const Outcome& outcome) {
        ++rows;
        succeeded += outcome.solved ? 1u : 0u;
        warned += outcome.solved && !outcome.warnings.empty() ? 1u : 0u;
        if (!outcome.solved && failed_rows.size() < kListedFailures) {
            failed_rows.push_back(row);
        }
    }
};

}  // namespace sondrel
