// A batch file from arbitrary bytes, read with small limits so that rounds, long rows and the
// row limit are met: it is refused with one line naming the file and a line, or its rounds
// are indexed so that every row reads back with the header's number of fields, and its table
// writes one CSV record per row, valid UTF-8, with the row's other columns and its inputs
// unchanged. Read a few bytes at a time, it comes to the same.

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "calc/text_rules.h"
#include "cli/batch.h"
#include "cli/csv_reader.h"
#include "cli/text_encoding.h"
#include "fuzz/oracle.h"
#include "fuzz/targets.h"
#include "table/csv.h"

namespace sondrel::fuzz {
namespace {

using cli::BatchFile;
using cli::CsvPosition;
using cli::CsvProblem;

constexpr cli::BatchLimits kLimits{
    .max_rows = 40, .max_row_bytes = 300, .round_rows = 4, .round_bytes = 200};

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

void CheckIndex(const BatchFile& file, const std::string& input) {
    const std::size_t columns = file.names.size();
    Check(file.pass_through.size() + cli::kBatchInputColumns.size() == columns,
          "the columns are not the five inputs and the passed-through ones", input);
    std::vector<bool> used(columns, false);
    for (const std::size_t column : file.input_columns) {
        Check(column < columns && !used[column], "an input column is missing or taken twice",
              input);
        used[column] = true;
    }
    for (const std::size_t column : file.pass_through) {
        Check(column < columns && !used[column], "a passed-through column is also an input", input);
        used[column] = true;
    }
    std::vector<std::string> fields;
    for (const CsvPosition& row : file.rows) {
        CsvPosition at = row;
        Check(row.offset < file.text.size() &&
                  cli::ReadCsvRecord(file.text, at, fields, file.separator).problem ==
                      CsvProblem::None &&
                  fields.size() >= columns,
              "a row does not read back with the header's number of fields", input);
        Check(std::any_of(fields.begin(), fields.end(),
                          [](const std::string& field) { return !field.empty(); }),
              "a row of empty fields was kept", input);
        Check(std::all_of(fields.begin() + static_cast<std::ptrdiff_t>(columns), fields.end(),
                          [](const std::string& field) { return field.empty(); }),
              "a row has a field past the header's columns", input);
    }
}

// The round's rows: per row the passed-through fields, the five inputs as typed and the
// result columns from `passes` on.
void CheckRound(const BatchFile& file, const std::string& table, const std::string& input) {
    const std::size_t result_columns = cli::kBatchInputColumns.size() + 11;
    CsvPosition at;
    std::vector<std::string> record;
    std::vector<std::string> fields;
    for (const CsvPosition& start : file.rows) {
        Check(at.offset < table.size() &&
                  cli::ReadCsvRecord(table, at, record).problem == CsvProblem::None &&
                  record.size() == file.pass_through.size() + result_columns,
              "the table's record is malformed or has a wrong number of fields", input);
        CsvPosition row = start;
        cli::ReadCsvRecord(file.text, row, fields, file.separator);
        for (std::size_t k = 0; k < file.pass_through.size(); ++k) {
            Check(record[k] == fields[file.pass_through[k]],
                  "a passed-through field changed on its way", input);
        }
        for (std::size_t k = 0; k < cli::kBatchInputColumns.size(); ++k) {
            Check(record[file.pass_through.size() + k] == fields[file.input_columns[k]],
                  "an input field changed on its way", input);
        }
    }
    Check(at.offset == table.size(), "the table has more than its rows", input);
}

// What reading `input` with `read` comes to: the header, the tables of the rounds and the
// problem, as one text.
std::string ReadAll(const std::string& input, cli::ReadBytes read, bool check) {
    cli::BatchReader reader("fuzz.csv", std::move(read), cli::TextEncoding::Guess, kLimits);
    std::string all;
    if (const auto problem = reader.ReadHeader()) {
        CheckProblem(problem->message, input);
        return problem->message;
    }
    std::size_t rows = 0;
    while (reader.NextRound()) {
        const BatchFile& file = reader.file();
        rows += file.rows.size();
        Check(rows <= kLimits.max_rows && file.rows.size() <= kLimits.round_rows,
              "a round or the file has too many rows", input);
        std::string table;
        {
            TextWriter out(&table);
            const TableCounts counts = cli::WriteBatchRows(out, file, cli::BatchFormat::Csv);
            Check(counts.rows == file.rows.size() && counts.succeeded <= counts.rows &&
                      counts.warned <= counts.succeeded,
                  "the counts do not add up", input);
        }
        if (check) {
            CheckIndex(file, input);
            CheckRound(file, table, input);
            Check(cli::FirstNonUtf8(table, false) == std::string::npos, "the table is not UTF-8",
                  input);
        }
        all += table;
    }
    if (reader.problem()) {
        CheckProblem(reader.problem()->message, input);
        all += reader.problem()->message;
    }
    return all;
}

}  // namespace

int FuzzBatch(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string whole = ReadAll(input, cli::ReadFromText(input), true);
    // One to seven bytes a read: records, CR LF and UTF-16 units cut anywhere.
    std::size_t at = 0;
    const std::string pieces = ReadAll(
        input,
        [&](char* buffer, std::size_t most, int&) {
            const std::size_t count = std::min({most, input.size() - at, 1 + at % 7});
            std::memcpy(buffer, input.data() + at, count);
            at += count;
            return count;
        },
        false);
    Check(whole == pieces, "read a few bytes at a time, the file comes to something else", input);
    return 0;
}

}  // namespace sondrel::fuzz

SONDREL_FUZZ_ENTRY_POINT(sondrel::fuzz::FuzzBatch)
