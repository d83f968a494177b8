// A batch file from arbitrary bytes: it is refused with one line naming the file and a line,
// or it is indexed so that every row reads back with the header's number of fields, and its
// table writes one CSV record per row with the row's other columns and its inputs unchanged.

#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/csv.h"
#include "cli/csv_reader.h"
#include "fuzz/oracle.h"
#include "fuzz/targets.h"

namespace sondrel::fuzz {
namespace {

using cli::BatchFile;
using cli::CsvPosition;
using cli::CsvProblem;

// The problem is "fuzz.csv:LINE: what", on one line.
void CheckProblem(const std::string& problem, const std::string& input) {
    std::size_t at = std::string_view("fuzz.csv:").size();
    Check(problem.starts_with("fuzz.csv:"), "a problem does not name the file", input);
    const std::size_t digits = problem.find_first_not_of("0123456789", at);
    Check(digits != std::string::npos && digits > at && problem.compare(digits, 2, ": ") == 0,
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
                  cli::ReadCsvRecord(file.text, at, fields).problem == CsvProblem::None &&
                  fields.size() == columns,
              "a row does not read back with the header's number of fields", input);
        bool all_empty = true;
        for (const std::string& field : fields) {
            all_empty = all_empty && field.empty();
        }
        Check(!all_empty, "a row of empty fields was kept", input);
    }
}

// The table: a header, then per row the passed-through fields, the five inputs as typed and
// the result columns from `passes` on.
void CheckTable(const BatchFile& file, const std::string& input) {
    std::string table;
    {
        cli::TextWriter out(&table);
        const cli::TableCounts counts = cli::WriteBatch(out, file, cli::BatchFormat::Csv, 1);
        Check(counts.rows == file.rows.size() && counts.succeeded <= counts.rows &&
                  counts.warned <= counts.succeeded,
              "the counts do not add up", input);
    }
    const std::size_t result_columns = cli::kBatchInputColumns.size() + 11;
    CsvPosition at;
    std::vector<std::string> record;
    std::vector<std::string> fields;
    for (std::size_t r = 0; r <= file.rows.size(); ++r) {
        Check(at.offset < table.size() &&
                  cli::ReadCsvRecord(table, at, record).problem == CsvProblem::None &&
                  record.size() == file.pass_through.size() + result_columns,
              "the table's record is malformed or has a wrong number of fields", input);
        if (r == 0) {
            continue;
        }
        CsvPosition row = file.rows[r - 1];
        cli::ReadCsvRecord(file.text, row, fields);
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

}  // namespace

int FuzzBatch(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    BatchFile file;
    if (const auto problem = cli::ParseBatch("fuzz.csv", input, file)) {
        CheckProblem(*problem, input);
        return 0;
    }
    CheckIndex(file, input);
    CheckTable(file, input);
    return 0;
}

}  // namespace sondrel::fuzz

SONDREL_FUZZ_ENTRY_POINT(sondrel::fuzz::FuzzBatch)
