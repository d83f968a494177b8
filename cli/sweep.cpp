#include "cli/sweep.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "calc/failure.h"
#include "calc/text_to_number.h"
#include "cli/csv.h"
#include "cli/run.h"

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

std::string MaxRowsText() {
    std::string digits = std::to_string(kMaxSweepRows);
    for (std::size_t at = digits.size(); at > 3;) {
        at -= 3;
        digits.insert(at, 1, ',');
    }
    return digits;
}

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

// Rows are shared out in blocks; a round is as many blocks as are held in memory at once.
constexpr std::size_t kBlockRows = 1024;
constexpr std::size_t kRoundBlocks = 64;

// Rows [first, end) of a table, added to `counts`.
void WriteRange(Output& out, TableRowWriter& writer, std::size_t first, std::size_t end,
                TableCounts& counts) {
    for (std::size_t i = first; i < end && out.Good(); ++i) {
        const RowOutcome outcome = writer.WriteRow(out, i);
        ++counts.rows;
        counts.succeeded += outcome.succeeded ? 1 : 0;
        counts.warned += outcome.warned ? 1 : 0;
    }
}

// A sweep's row i: the calculation of `inputs` with row i's elevation.
class SweepRowWriter final : public TableRowWriter {
public:
    SweepRowWriter(const SweepRange& range, const InputTexts& inputs)
        : range_(range), inputs_(inputs) {}

    RowOutcome WriteRow(Output& out, std::size_t row) override {
        char buf[32];  // the shortest round-trip text of any double fits
        const auto text = std::to_chars(buf, buf + sizeof buf, SweepElevation(range_, row));
        inputs_.elevation.assign(buf, text.ptr);
        calculation_.Run(inputs_);
        return WriteCsvResult(out, calculation_, inputs_);
    }

private:
    const SweepRange& range_;
    InputTexts inputs_;
    RowCalculation calculation_;
};

}  // namespace

unsigned SweepThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp(cores, 1u, 8u);
}

TableCounts WriteTableRows(Output& out, std::size_t rows, const TableRowWriterMaker& make_writer,
                           unsigned threads) {
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
        std::mutex failure_mutex;
        std::exception_ptr failure;
        const auto work = [&](std::unique_ptr<TableRowWriter>& writer) {
            try {
                if (!writer) {
                    writer = make_writer();
                }
                for (std::size_t b; (b = next_block++) < block_count;) {
                    const std::size_t first = round_first + b * kBlockRows;
                    blocks[b].clear();
                    // Counted here and stored once: the threads' counts share cache lines.
                    TableCounts mine;
                    Output block(&blocks[b]);
                    WriteRange(block, *writer, first, std::min(round_end, first + kBlockRows),
                               mine);
                    block_counts[b] = mine;
                }
            } catch (...) {
                const std::lock_guard lock(failure_mutex);
                failure = std::current_exception();
                next_block = block_count;  // the others stop after their current block
            }
        };
        {
            std::vector<std::jthread> helpers;
            for (unsigned t = 1; t < threads; ++t) {
                helpers.emplace_back(work, std::ref(writers[t]));
            }
            work(writers[0]);
        }  // joined here
        if (failure) {
            std::rethrow_exception(failure);
        }
        // Only what reached `out` counts.
        for (std::size_t b = 0; b < block_count && out.Good(); ++b) {
            out << blocks[b];
            counts.rows += block_counts[b].rows;
            counts.succeeded += block_counts[b].succeeded;
            counts.warned += block_counts[b].warned;
        }
    }
    return counts;
}

int TableExitStatus(const TableCounts& counts, Output& err) {
    if (counts.rows > 0 && counts.succeeded == 0) {
        err << "sondrel-calc: every row failed\n";
        return kExitFailure;
    }
    return kExitOk;
}

TableCounts WriteSweep(Output& out, const SweepRange& range, const InputTexts& inputs,
                       unsigned threads) {
    WriteCsvHeader(out);
    return WriteTableRows(
        out, range.rows, [&] { return std::make_unique<SweepRowWriter>(range, inputs); }, threads);
}

}  // namespace sondrel::cli
