#pragma once
// Reading CSV (RFC 4180, with LF, CR LF or CR line ends, "," or another separator) one record
// at a time, each field unquoted into a string reused from record to record: from a text
// held whole, or from a file read and decoded a piece at a time.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "calc/failure.h"
#include "cli/text_encoding.h"

namespace sondrel::cli {

enum class CsvProblem {
    None,
    UnclosedQuote,  // the text ends inside a quoted field
    QuoteInField,   // a quote inside a field that did not start with one
    TextAfterQuote  // something other than a comma or a line end after a closing quote
};

// Where reading stands in a text: the offset of the next record and the line it is on,
// counted from 1; LF, CR LF and a lone CR each end a line.
struct CsvPosition {
    std::size_t offset = 0;
    std::size_t line = 1;
};

// What went wrong, and on which line (the line of the opening quote for an unclosed one).
struct CsvError {
    CsvProblem problem = CsvProblem::None;
    std::size_t line = 0;
};

// Reads the record at `at` into `fields` (resized to its field count; their strings keep
// their capacity) and moves `at` past its line end: LF, CR LF or CR, whichever comes first
// outside quotes (a quoted field keeps the line ends inside it as they are). Fields are
// separated by `separator`. Returns the problem, with `at` unchanged, when the record is
// malformed. `at.offset` must be below text.size().
CsvError ReadCsvRecord(std::string_view text, CsvPosition& at, std::vector<std::string>& fields,
                       char separator = ',');

// The problem in words, for messages: "unclosed quote", ...
std::string_view CsvProblemText(CsvProblem problem);

// Reads up to `size` bytes into `buffer`: how many were read, 0 at the end of the file, or
// why the file could not be read.
using ReadBytes = std::function<Result<std::size_t>(char* buffer, std::size_t size)>;

// The bytes of `bytes`, a ReadBytes for tests and fuzzing; `bytes` must outlive it.
ReadBytes ReadFromText(std::string_view bytes);

// A CSV file's records, read one at a time from `read` through `decoder`. The text is let go
// once read: the reader holds the record being read, at most max_row_bytes without its line
// end, and what the decoder holds. Blank lines and records whose fields are all empty are
// skipped. A problem is a failure of kind InvalidArgument, "FILE:LINE: what": a record
// malformed or longer than max_row_bytes; read as UTF-8, a byte that is not UTF-8
// ("FILE:LINE:COLUMN: ..."). A file that cannot be read fails as `read` does.
class CsvFileReader {
public:
    // `file_name` names the file in messages; `read` must outlive the reader.
    CsvFileReader(std::string file_name, const ReadBytes& read, TextDecoder decoder,
                  std::size_t max_row_bytes)
        : file_name_(std::move(file_name)),
          read_(read),
          decoder_(std::move(decoder)),
          max_row_bytes_(max_row_bytes) {}

    // The next record that holds something, into `fields`: its line, 0 at the end of the
    // file, or the failure that stops the reading.
    Result<std::size_t> Next(std::vector<std::string>& fields, char separator);
    // The record Next read last is read again by the next Next.
    void Again() { at_ = start_; }
    // A problem found at a line: "FILE:LINE: what".
    Failure Malformed(std::size_t line, std::string_view what) const;
    // The line reading stands at.
    std::size_t line() const { return at_.line; }
    const TextDecoder& decoder() const { return decoder_; }

private:
    // Reads and decodes more of the file, letting go of the text before the reading point.
    std::optional<Failure> Fill();
    void SkipBlankLines();
    // The problem with the record from start_, when it is too long, malformed or not UTF-8:
    // `end` is its end past its line end, npos when it is not complete.
    std::optional<Failure> CheckRecord(std::string_view held, const CsvError& error,
                                       std::size_t end) const;
    // The UTF-8 check of the text from start_ to `end`.
    std::optional<Failure> CheckUtf8(std::size_t end) const;

    std::string file_name_;
    const ReadBytes& read_;
    TextDecoder decoder_;
    std::size_t max_row_bytes_;
    std::string chunk_;
    std::string text_;     // the file's text as UTF-8, from the record being read on
    bool at_end_ = false;  // the whole file is read
    CsvPosition at_;       // the next record
    CsvPosition start_;    // the record read last
};

}  // namespace sondrel::cli
