#pragma once
// Batches: a CSV file of sites read one row at a time, each row calculated afresh and written
// at once as a CSV row or a JSON line, with the file's other columns passed through.

#include <array>
#include <cstddef>
#include <string_view>

#include "calc/failure.h"
#include "cli/csv_reader.h"
#include "table/table.h"
#include "cli/text_encoding.h"
#include "table/text_writer.h"

namespace sondrel::cli {

// The columns every batch file has, in the order the window reads its boxes.
inline constexpr std::array<std::string_view, 5> kBatchInputColumns = {
    "elevation_ft", "lo_baro_inhg", "hi_baro_inhg", "lo_volts", "hi_volts"};

// How much a batch reads: at most max_rows rows, each at most max_row_bytes long without its
// line end; the encoding is guessed from the file's first guess_bytes.
struct BatchLimits {
    std::size_t max_rows = kMaxTableRows;
    std::size_t max_row_bytes = std::size_t{1} << 20;
    std::size_t guess_bytes = std::size_t{4} << 20;
};

// How a batch writes its rows.
enum class BatchFormat {
    // A header, then per row the pass-through fields, the five inputs as typed (named as
    // kBatchInputColumns) and kCsvResultColumns.
    Csv,
    // One JSON object per row: the pass-through fields and the five inputs as typed, as
    // strings, then the fields of WriteJsonOutcome.
    JsonLines,
};

// Reads a batch file from `read` and writes its header, then each row as soon as it is read:
// one fresh calculation of the row's five inputs, read as the window's boxes read them. A
// message about an input names its column as the file's header does, cut after 64 bytes.
//
// The first bytes decide how the file is read (TextDecoder, with `encoding`); read as UTF-8,
// bytes that are not are a problem naming the line and the column. The header's fields are
// separated by "," or, when it has no "," but a tab, by tabs. Blank lines and rows whose
// fields are all empty are skipped. Column names match the five inputs' names or their
// boxes' labels with case, blanks and underscores ignored ("LoBaro, inHg", "lo baro inhg");
// empty names at the header's end are no columns at all.
//
// Returns what the rows came to (the rows are named by their lines), or what stopped the
// batch after the rows before it: a failure of kind File when the file cannot be read, of
// kind InvalidArgument ("FILE:LINE: what") when it is malformed: no header, a header
// separated by ";", with an empty name, a name given twice, two names for one input or a
// result column's name; a required column missing; a malformed record; a row without the
// header's number of fields, longer than max_row_bytes, or past max_rows. When the guess
// reads the file as Windows-1252, says so on `err`, once the header is read.
Result<TableCounts> WriteBatch(std::string_view file_name, const ReadBytes& read,
                               TextEncoding encoding, BatchFormat format, TextWriter& out,
                               TextWriter& err, const BatchLimits& limits = {});

// sondrel-calc --batch FILE (- for standard input): WriteBatch, and its exit status:
// kExitFailure, with the system's reason on `err`, when the file cannot be read; kExitUsage,
// with the problem on `err`, when it is malformed; else as TableExitStatus, which names
// failed rows by their input line. What the rows came to goes to `counts` when given.
int RunBatch(std::string_view path, BatchFormat format, TextEncoding encoding, TextWriter& out,
             TextWriter& err, TableCounts* counts = nullptr, const BatchLimits& limits = {});

}  // namespace sondrel::cli
