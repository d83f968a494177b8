#pragma once
// Reading CSV text (RFC 4180, with LF, CR LF or CR line ends, "," or another separator) one
// record at a time, each field unquoted into a string that is reused from record to record.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

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

}  // namespace sondrel::cli
