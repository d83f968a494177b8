#include "cli/table.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "calc/text_rules.h"
#include "cli/exit_status.h"
#include "cli/threads.h"

namespace sondrel::cli {

std::string MaxRowsText() {
    return GroupThousands(std::to_string(kMaxTableRows));
}

namespace {

// Rows are shared out in blocks; a round is as many blocks as are held in memory at once.
constexpr std::size_t kBlockRows = 1024;
constexpr std::size_t kRoundBlocks = 64;

// Rows [first, end) of a table, added to `counts`.
void WriteRange(TextWriter& out, TableRowWriter& writer, std::size_t first, std::size_t end,
                TableCounts& counts) {
    for (std::size_t i = first; i < end && out.Good(); ++i) {
        const RowOutcome outcome = writer.WriteRow(out, i);
        ++counts.rows;
        counts.succeeded += outcome.succeeded ? 1 : 0;
        counts.warned += outcome.warned ? 1 : 0;
        if (!outcome.succeeded && counts.failed_rows.size() < kListedFailures) {
            counts.failed_rows.push_back(i);
        }
    }
}

}  // namespace

void TableCounts::Add(std::size_t row, RowOutcome outcome) {
    ++rows;
    succeeded += outcome.succeeded ? 1 : 0;
    warned += outcome.warned ? 1 : 0;
    if (!outcome.succeeded && failed_rows.size() < kListedFailures) {
        failed_rows.push_back(row);
    }
}

unsigned TableThreads() {
    return std::clamp(CoreCount(), 1u, 8u);
}

TableCounts WriteTableRows(TextWriter& out, std::size_t rows,
                           const TableRowWriterMaker& make_writer, unsigned threads) {
    TableCounts counts;
    if (threads <= 1 || rows <= kBlockRows) {
        const std::unique_ptr<TableRowWriter> writer = make_writer();
        WriteRange(out, *writer, 0, rows, counts);
        return counts;
    }

    // Each round the threads take blocks in turn and write them into their own texts, which
    // then go to `out` in row order: the output is the same for any number of threads.
    std::vector<std::string> blocks(kRoundBlocks);
    std::vector<TableCounts> block_counts(kRoundBlocks);
    std::vector<std::unique_ptr<TableRowWriter>> writers(threads);
    for (std::size_t round_first = 0; round_first < rows && out.Good();
         round_first += kBlockRows * kRoundBlocks) {
        const std::size_t round_end = std::min(rows, round_first + kBlockRows * kRoundBlocks);
        const std::size_t block_count = (round_end - round_first + kBlockRows - 1) / kBlockRows;
        std::atomic<std::size_t> next_block = 0;
        const auto work = [&](unsigned thread) {
            std::unique_ptr<TableRowWriter>& writer = writers[thread];
            if (!writer) {
                writer = make_writer();
            }
            for (std::size_t b; (b = next_block++) < block_count;) {
                const std::size_t first = round_first + b * kBlockRows;
                blocks[b].clear();
                // Counted here and stored once: the threads' counts share cache lines.
                TableCounts mine;
                TextWriter block(&blocks[b]);
                WriteRange(block, *writer, first, std::min(round_end, first + kBlockRows), mine);
                block_counts[b] = mine;
            }
        };
        RunOnThreads(threads, work);
        // Only what reached `out` counts.
        for (std::size_t b = 0; b < block_count && out.Good(); ++b) {
            out << blocks[b];
            counts.rows += block_counts[b].rows;
            counts.succeeded += block_counts[b].succeeded;
            counts.warned += block_counts[b].warned;
            for (const std::size_t row : block_counts[b].failed_rows) {
                if (counts.failed_rows.size() < kListedFailures) {
                    counts.failed_rows.push_back(row);
                }
            }
        }
    }
    return counts;
}

int TableExitStatus(const TableCounts& counts, const RowNames& names, TextWriter& err) {
    if (counts.rows > 0 && counts.succeeded == 0) {
        err << "sondrel-calc: every row failed\n";
        return kExitFailure;
    }
    if (counts.failed() > 0) {
        err << "sondrel-calc: ";
        err.Int(static_cast<long long>(counts.failed())) << " of ";
        err.Int(static_cast<long long>(counts.rows)) << " rows failed (" << names.what;
        if (counts.failed() > 1) {
            err << 's';
        }
        for (std::size_t k = 0; k < counts.failed_rows.size(); ++k) {
            err << (k == 0 ? " " : ", ");
            names.write_name(err, counts.failed_rows[k]);
        }
        err << (counts.failed() > counts.failed_rows.size() ? ", ...)\n" : ")\n");
    }
    return kExitOk;
}

}  // namespace sondrel::cli
