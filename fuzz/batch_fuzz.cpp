// A batch file from arbitrary bytes, read with small limits so that long rows, the row limit
// and the encoding's guess are met: it is refused with one line naming the file and a line,
// after the rows before the problem, or its table is a CSV header and one record per row, each
// with the header's number of fields, all valid UTF-8. Read a few bytes at a time, it comes to
// the same.

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/csv_reader.h"
#include "fuzz/oracle.h"
#include "fuzz/targets.h"
#include "table/csv.h"

namespace sondrel::fuzz {
namespace {

constexpr cli::BatchLimits kLimits{.max_rows = 40, .max_row_bytes = 300, .guess_bytes = 200};

// The problem is "fuzz.csv:LINE: what" (or "fuzz.csv:LINE:COLUMN: what"), on one line.
void CheckProblem(const std::string& problem, const std::string& input) {
    std::size_t at = std::string_view("fuzz.csv:").size();
    Check(problem.starts_with("fuzz.csv:"), "a problem does not name the file", input);
    std::size_t digits = problem.find_first_not_of("0123456789", at);
    Check(digits != std::string::npos && digits > at, "a problem does not name a line", input);
    if (problem[digits] == ':' && digits + 1 < problem.size() && problem[digits + 1] >= '0' &&
        problem[digits + 1] <= '9') {
        digits = problem.find_first_not_of("0123456789", digits + 1);
    }
    Check(digits != std::string::npos && problem.compare(digits, 2, ": ") == 0,
          "a problem does not name a line", input);
    Check(problem.find_first_of("\r\n") == std::string::npos, "a problem is more than one line",
          input);
}

// The table's records, read back as UTF-8: a header ending in the five inputs and the result
// columns, then rows of as many fields. How many rows it holds.
std::size_t CheckTable(const std::string& table, const std::string& input) {
    std::string columns = "elevation_ft,lo_baro_inhg,hi_baro_inhg,lo_volts,hi_volts,";
    {
        TextWriter names(&columns);
        WriteCsvResultHeader(names);
    }
    columns.pop_back();  // the line end
    const auto width =
        static_cast<std::size_t>(std::count(columns.begin(), columns.end(), ',') + 1);
    const cli::ReadBytes read = cli::ReadFromText(table);
    cli::CsvFileReader reader("table.csv", read, cli::TextDecoder(cli::TextEncoding::Utf8, 0),
                              std::size_t{1} << 20);
    std::vector<std::string> record;
    std::size_t records = 0;
    std::size_t fields = 0;  // the header's
    for (;; ++records) {
        const Result<std::size_t> line = reader.Next(record, ',');
        Check(line.ok() && (*line == 0 || record.size() >= width),
              "the table has a malformed record or is not UTF-8", input);
        if (*line == 0) {
            break;
        }
        if (records == 0) {
            std::string header;
            for (std::size_t k = record.size() - width; k < record.size(); ++k) {
                header += record[k] + (k + 1 < record.size() ? "," : "");
            }
            Check(header == columns, "the table's header does not end in the batch's columns",
                  input);
            fields = record.size();
        }
        Check(record.size() == fields, "a row of the table has a wrong number of fields", input);
    }
    return records == 0 ? 0 : records - 1;
}

// What reading `input` with `read` comes to: the table, what went to stderr and the problem,
// as one text.
std::string ReadAll(const std::string& input, const cli::ReadBytes& read) {
    std::string table;
    std::string err;
    {
        TextWriter out(&table);
        TextWriter err_out(&err);
        const Result<TableCounts> done =
            cli::WriteBatch("fuzz.csv", read, cli::TextEncoding::Guess, cli::BatchFormat::Csv, out,
                            err_out, kLimits);
        out.Flush();
        const std::size_t rows = CheckTable(table, input);
        if (done) {
            Check(done->rows == rows && done->rows <= kLimits.max_rows &&
                      done->succeeded <= done->rows && done->warned <= done->succeeded,
                  "the counts do not add up", input);
        } else {
            CheckProblem(done.failure().Message(), input);
            err_out << done.failure().Message();
        }
    }
    return table + err;
}

}  // namespace

int FuzzBatch(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string whole = ReadAll(input, cli::ReadFromText(input));
    // One to seven bytes a read: records, CR LF and UTF-16 units cut anywhere.
    std::size_t at = 0;
    const std::string pieces = ReadAll(input, [&](char* buffer, std::size_t most) {
        const std::size_t count = std::min({most, input.size() - at, 1 + at % 7});
        std::memcpy(buffer, input.data() + at, count);
        at += count;
        return Result<std::size_t>(count);
    });
    Check(whole == pieces, "read a few bytes at a time, the file comes to something else", input);
    return 0;
}

}  // namespace sondrel::fuzz

SONDREL_FUZZ_ENTRY_POINT(sondrel::fuzz::FuzzBatch)
