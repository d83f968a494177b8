#pragma once
// Batches: a CSV file of sites, read and checked whole, then one fresh calculation per row,
// written as CSV rows or JSON lines with the file's other columns passed through.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/csv_reader.h"
#include "cli/table.h"
#include "cli/text_writer.h"

namespace sondrel::cli {

// The columns every batch file has, in the order the window reads its boxes.
inline constexpr std::array<std::string_view, 5> kBatchInputColumns = {
    "elevation_ft", "lo_baro_inhg", "hi_baro_inhg", "lo_volts", "hi_volts"};

// A batch file checked and indexed: every record has the header's number of fields.
struct BatchFile {
    std::string text;                            // the file's bytes, without a UTF-8 BOM
    std::vector<std::string> names;              // the header's column names, as written
    std::array<std::size_t, 5> input_columns{};  // where each of kBatchInputColumns is
    std::vector<std::size_t> pass_through;       // the other columns, in the file's order
    std::vector<CsvPosition> rows;               // where each data row starts
};

// Reads the file at `path` ("-" for standard input) into `text`. Returns the problem,
// "FILE: why", when it cannot be read.
std::optional<std::string> ReadBatchFile(std::string_view path, std::string& text);

// Checks and indexes `text`, the whole file; blank lines and rows whose fields are all empty
// are skipped. Column names match with blanks around them trimmed and ASCII case ignored.
// Returns the problem as "FILE:LINE: what" when the file is malformed: no header, a header
// separated by ";", a header column without a name, a name given twice or clashing with a
// result column, a required column missing, a malformed record, a record without the
// header's number of fields, or more than kMaxTableRows rows. `file_name` names the file in
// messages.
std::optional<std::string> ParseBatch(std::string_view file_name, std::string text,
                                      BatchFile& file);

// How a batch writes its rows.
enum class BatchFormat {
    // A header, then per row the pass-through fields, the five inputs as typed (named as
    // kBatchInputColumns) and kCsvResultColumns.
    Csv,
    // One JSON object per row: the pass-through fields and the five inputs as typed, as
    // strings, then the fields of WriteJsonOutcome.
    JsonLines,
};

// One fresh calculation per row of `file`, each reading its five inputs as the window's
// boxes read them, on up to `threads` threads as WriteTableRows does.
TableCounts WriteBatch(TextWriter& out, const BatchFile& file, BatchFormat format,
                       unsigned threads = TableThreads());

// sondrel-calc --batch FILE: reads and checks the file, then writes its rows. Returns the exit
// status: kExitFailure, with the system's reason on `err`, when the file cannot be read;
// kExitUsage, with the problem on `err`, when it is malformed; else as TableExitStatus, which
// names failed rows by their input line. What the rows came to goes to `counts` when given.
int RunBatch(std::string_view path, BatchFormat format, TextWriter& out, TextWriter& err,
             TableCounts* counts = nullptr);

}  // namespace sondrel::cli
