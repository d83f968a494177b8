#pragma once
// Batches: a CSV file of sites, read a round of rows at a time in bounded memory and checked,
// then one fresh calculation per row, written as CSV rows or JSON lines with the file's other
// columns passed through.

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/csv_reader.h"
#include "cli/text_encoding.h"
#include "table/table.h"
#include "table/text_writer.h"

namespace sondrel::cli {

// The columns every batch file has, in the order the window reads its boxes.
inline constexpr std::array<std::string_view, 5> kBatchInputColumns = {
    "elevation_ft", "lo_baro_inhg", "hi_baro_inhg", "lo_volts", "hi_volts"};

// The header of a batch file and the rows of one round, each of them with the header's
// number of fields (and no more than empty ones past them).
struct BatchFile {
    std::string text;                            // the round's rows as UTF-8, and what follows
    char separator = ',';                        // "\t" when the header is separated by tabs
    std::vector<std::string> names;              // the header's column names, as written
    std::array<std::size_t, 5> input_columns{};  // where each of kBatchInputColumns is
    std::vector<std::size_t> pass_through;       // the other columns, in the file's order
    std::vector<CsvPosition> rows;               // where each of the round's rows starts
};

// How much a batch reader holds. A row is refused when longer than max_row_bytes; a round
// ends after round_rows rows or once it holds round_bytes of text, whichever comes first; the
// encoding is guessed from the file's first round_bytes.
struct BatchLimits {
    std::size_t max_rows = kMaxTableRows;
    std::size_t max_row_bytes = std::size_t{1} << 20;
    std::size_t round_rows = 16'384;
    std::size_t round_bytes = std::size_t{4} << 20;
};

// Reads up to `size` bytes into `buffer`: how many were read, 0 at the end of the file; on a
// failure 0 with the errno value in `error`.
using ReadBytes = std::function<std::size_t(char* buffer, std::size_t size, int& error)>;

// What stopped a batch file's reading: the file could not be read (`error_number`, with
// "FILE: why") or it is malformed ("FILE:LINE: what").
struct BatchProblem {
    int error_number = 0;
    std::string message;
};

// A batch file read a round at a time.
//
// The first bytes decide how it is read: a UTF-16 byte-order mark (LE or BE) makes it UTF-16;
// otherwise a UTF-8 one is dropped and `encoding` applies to the rest, where Guess reads it as
// UTF-8 when its first round_bytes are well-formed UTF-8, else as Windows-1252 (one guess
// for the whole file). Read as UTF-8, bytes that are not are a problem naming the line and
// column. The header's fields are separated by "," or, when it has no "," but a tab, by tabs.
//
// Blank lines and rows whose fields are all empty are skipped. Column names match the five
// inputs' names or their boxes' labels with case, blanks and underscores ignored ("LoBaro,
// inHg", "lo baro inhg"); empty names at the header's end are no columns at all. A problem is
// a header missing, separated by ";", with an empty name, with a name given twice, two names
// for one input, or a name clashing with a result column; a required column missing; a
// malformed record; a row without the header's number of fields; a row longer than
// max_row_bytes; more than max_rows rows.
class BatchReader {
public:
    // `file_name` names the file in messages.
    BatchReader(std::string file_name, ReadBytes read, TextEncoding encoding,
                const BatchLimits& limits = {});

    // Reads the header; the problem when there is none or it is not one.
    std::optional<BatchProblem> ReadHeader();
    // After ReadHeader: reads the next round of rows into file().rows; false when there is
    // none, at the end or on a problem (problem() then says which).
    bool NextRound();

    // Counts `bytes` more for every row towards round_bytes: what the output adds to each
    // row beyond its own text, such as the names that every JSON line repeats.
    void WeighRows(std::size_t bytes) { row_overhead_ = bytes; }

    const BatchFile& file() const { return file_; }
    const std::optional<BatchProblem>& problem() const { return problem_; }
    // When the guess read the file as Windows-1252: "FILE is not UTF-8; read as Windows-1252".
    std::optional<std::string> EncodingNotice() const;

private:
    enum class Next { Record, End, Problem };
    // The next record that holds something, into `fields`, starting at `start`.
    Next NextRecord(std::vector<std::string>& fields, CsvPosition& start);
    // Reads and decodes more of the file into file_.text; false on a problem.
    bool Fill();
    void Decode(std::string_view bytes);
    // Problems found at a line, as "FILE:LINE: what".
    Next Malformed(std::size_t line, std::string_view what);
    // The UTF-8 check of the record's text from `start` to `end`.
    bool CheckUtf8(const CsvPosition& start, std::size_t end);
    std::optional<std::string> ReadNames();

    std::string file_name_;
    ReadBytes read_;
    TextEncoding encoding_;  // Guess until the first bytes are read
    bool guessed_ = false;   // the encoding was guessed
    bool utf16_ = false;
    Utf16Decoder utf16_decoder_{false};
    BatchLimits limits_;
    std::string raw_;       // bytes read but not yet decoded
    bool started_ = false;  // the first bytes are decoded
    bool at_end_ = false;   // the whole file is read
    BatchFile file_;
    CsvPosition at_;
    std::vector<std::string> fields_;
    std::size_t trailing_empty_ = 0;  // empty names dropped from the header's end
    std::size_t rows_read_ = 0;
    std::size_t row_overhead_ = 0;
    std::optional<BatchProblem> problem_;
};

// The bytes of `bytes`, a ReadBytes for tests and fuzzing; `bytes` must outlive it.
ReadBytes ReadFromText(std::string_view bytes);

// How a batch writes its rows.
enum class BatchFormat {
    // A header, then per row the pass-through fields, the five inputs as typed (named as
    // kBatchInputColumns) and kCsvResultColumns.
    Csv,
    // One JSON object per row: the pass-through fields and the five inputs as typed, as
    // strings, then the fields of WriteJsonOutcome.
    JsonLines,
};

// The CSV header of a batch (nothing for JsonLines).
void WriteBatchHeader(TextWriter& out, const BatchFile& file, BatchFormat format);

// One fresh calculation per row of the round in `file`, each reading its five inputs as the
// window's boxes read them. A message about an input names its column as the file's header
// does.
TableCounts WriteBatchRows(TextWriter& out, const BatchFile& file, BatchFormat format);

// sondrel-calc --batch FILE: reads the file a round at a time and writes its rows as they
// come. Returns the exit status: kExitFailure, with the system's reason on `err`, when the
// file cannot be read; kExitUsage, with the problem on `err`, when it is malformed (the
// rounds before the one with the problem are written already); else as TableExitStatus,
// which names failed rows by their input line. What the rows came to goes to `counts` when
// given.
int RunBatch(std::string_view path, BatchFormat format, TextEncoding encoding, TextWriter& out,
             TextWriter& err, TableCounts* counts = nullptr, const BatchLimits& limits = {});

}  // namespace sondrel::cli
