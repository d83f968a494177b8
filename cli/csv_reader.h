#pragma once
// Reading a CSV file (RFC 4180, with LF, CR LF or CR line ends, "," or another separator) one
// record at a time, read and decoded a piece at a time.

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

    // The next record that holds something, into `fields` (their strings keep their
    // capacity): its line, 0 at the end of the file, or the failure that stops the reading.
    Result<std::size_t> Next(std::vector<std::string>& fields, char separator);
    // The record Next read last is read again by the next Next.
    void Again() { at_ = start_; }
    // A problem found at a line: "FILE:LINE: what".
    Failure Malformed(std::size_t line, std::string_view what) const;
    // The line reading stands at.
    std::size_t line() const { return at_.line; }
    const TextDecoder& decoder() const { return decoder_; }

private:
    // Where reading stands in text_: the offset of a record and its line, counted from 1.
    struct Position {
        std::size_t offset = 0;
        std::size_t line = 1;
    };
    struct Record;  // what reading one record from the text held came to

    static Record Read(std::string_view text, Position at, std::vector<std::string>& fields,
                       char separator);
    // Reads and decodes more of the file, letting go of the text before the reading point.
    std::optional<Failure> Fill();
    // The UTF-8 check of the text from start_ to `end`.
    std::optional<Failure> CheckUtf8(std::size_t end) const;

    std::string file_name_;
    const ReadBytes& read_;
    TextDecoder decoder_;
    std::size_t max_row_bytes_;
    std::string chunk_;
    std::string text_;     // the file's text as UTF-8, from the record being read on
    bool at_end_ = false;  // the whole file is read
    Position at_;          // the next record
    Position start_;       // the record read last
};

}  // namespace sondrel::cli
