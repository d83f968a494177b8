#pragma once
// Batches: a CSV file of sites read one row at a time, each row calculated afresh and written
// at once as a CSV row or a JSON line, with the file's other columns passed through.

#include <cstddef>
#include <string_view>

#include "calc/failure.h"
#include "cli/csv_reader.h"
#include "cli/text_encoding.h"
#include "table/table.h"
#include "table/text_writer.h"

namespace sondrel::cli {

// How much a batch reads: at most max_rows rows, each at most max_row_bytes long without its
// line end; the encoding is guessed from the file's first guess_bytes.
struct BatchLimits {
    std::size_t max_rows = kMaxTableRows;
    std::size_t max_row_bytes = std::size_t{1} << 20;
    std::size_t guess_bytes = std::size_t{4} << 20;
};

enum class BatchFormat { Csv, JsonLines };

// Reads a batch file from `read` and writes its header, then each row as soon as it is read:
// the pass-through fields, the five inputs as typed, then one fresh calculation of them, read
// as the window's boxes read them (CSV: kCsvResultColumnList; JSON: WriteJsonOutcome's fields).
// A message about an input names its column as the file's header does, cut after 64 bytes.
//
// The header's fields are separated by "," or, when it has no "," but a tab, by tabs. Column
// names match the five inputs' names or their boxes' labels with case, blanks and
// underscores ignored ("LoBaro, inHg", "lo baro inhg"); empty names at the header's end are
// no columns at all.
//
// Returns what the rows came to (the rows are named by their lines), or what stopped the
// batch after the rows before it: a failure of kind File when the file cannot be read, of
// kind InvalidArgument ("FILE:LINE: what") when it is malformed. When the guess reads the
// file as Windows-1252, says so on `err`, once the header is read.
Result<TableCounts> WriteBatch(std::string_view file_name, const ReadBytes& read,
                               TextEncoding encoding, BatchFormat format, TextWriter& out,
                               TextWriter& err, const BatchLimits& limits = {});

// WriteBatch of the file at `path`, "-" for standard input.
Result<TableCounts> WriteBatchFile(std::string_view path, TextEncoding encoding, BatchFormat format,
                                   TextWriter& out, TextWriter& err);

}  // namespace sondrel::cli
