#include "cli/batch.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <system_error>
#include <utility>

#include "calc/failure.h"
#include "calc/solver.h"
#include "cli/csv.h"
#include "cli/exit_status.h"
#include "cli/json.h"
#include "files/file_writer.h"

namespace sondrel::cli {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// What a file is called in messages: escaped, so that no name can break the message.
std::string DisplayName(std::string_view path) {
    return path == "-" ? std::string("(standard input)") : EscapeForMessage(path);
}

// A line with nothing on it, which holds no record.
bool BlankLineAt(std::string_view text, std::size_t offset) {
    return text[offset] == '\n' ||
           (text[offset] == '\r' && offset + 1 < text.size() && text[offset + 1] == '\n');
}

// Moves `at` past blank lines; false when the text ends first.
bool SkipBlankLines(std::string_view text, CsvPosition& at) {
    while (at.offset < text.size() && BlankLineAt(text, at.offset)) {
        at.offset = text.find('\n', at.offset) + 1;
        ++at.line;
    }
    return at.offset < text.size();
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// Whether two column names are the same name: blanks around them and the case of ASCII
// letters do not count ("Elevation_ft " is elevation_ft).
bool SameName(std::string_view a, std::string_view b) {
    a = TrimBlanks(a);
    b = TrimBlanks(b);
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

// Whether every field of a record is empty, as spreadsheets write the rows they leave blank.
bool AllEmpty(const std::vector<std::string>& fields) {
    return std::all_of(fields.begin(), fields.end(),
                       [](const std::string& f) { return f.empty(); });
}

// Reads the next record that holds something into `fields`, past blank lines and rows whose
// fields are all empty; `start` is where it begins. False when the text ends first; `error`
// tells of a malformed record (and `at` stays at its start).
bool NextRecord(std::string_view text, CsvPosition& at, std::vector<std::string>& fields,
                CsvPosition& start, CsvError& error) {
    while (SkipBlankLines(text, at)) {
        start = at;
        error = ReadCsvRecord(text, at, fields);
        if (error.problem != CsvProblem::None || !AllEmpty(fields)) {
            return true;
        }
    }
    return false;
}

// Whether a pass-through column of this name would clash with a result's column or, with
// --json, its field.
bool IsResultColumn(std::string_view name) {
    if (SameName(name, "results_text") || SameName(name, "report_path")) {
        return true;
    }
    std::string_view columns = kCsvColumns;
    for (;;) {
        const std::size_t comma = columns.find(',');
        if (SameName(columns.substr(0, comma), name)) {
            return true;
        }
        if (comma == std::string_view::npos) {
            return false;
        }
        columns.remove_prefix(comma + 1);
    }
}

// "elevation_ft, lo_baro_inhg, hi_baro_inhg, lo_volts and hi_volts".
std::string RequiredColumnsText() {
    std::string text;
    for (std::size_t k = 0; k < kBatchInputColumns.size(); ++k) {
        text += k == 0 ? "" : k + 1 < kBatchInputColumns.size() ? ", " : " and ";
        text += kBatchInputColumns[k];
    }
    return text;
}

// Checks the header's names and finds the required columns; returns the problem.
std::optional<std::string> ReadHeader(const std::vector<std::string>& names, BatchFile& file) {
    constexpr std::size_t kMissing = static_cast<std::size_t>(-1);
    file.input_columns.fill(kMissing);
    file.pass_through.clear();
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string_view name = TrimBlanks(names[i]);
        const std::string column = "column " + std::to_string(i + 1);
        if (name.empty()) {
            return column + " has no name";
        }
        for (std::size_t k = 0; k < i; ++k) {
            if (SameName(names[k], name)) {
                return column + " repeats the name " + QuoteForMessage(name) + " of column " +
                       std::to_string(k + 1);
            }
        }
        bool required = false;
        for (std::size_t k = 0; k < kBatchInputColumns.size(); ++k) {
            if (SameName(name, kBatchInputColumns[k])) {
                file.input_columns[k] = i;
                required = true;
            }
        }
        if (required) {
            continue;
        }
        if (IsResultColumn(name)) {
            return column + ", " + QuoteForMessage(name) +
                   ", has the name of a result column; rename it";
        }
        file.pass_through.push_back(i);
    }
    std::string missing;
    std::size_t missing_count = 0;
    for (std::size_t k = 0; k < kBatchInputColumns.size(); ++k) {
        if (file.input_columns[k] == kMissing) {
            missing += (missing.empty() ? "" : ", ") + std::string(kBatchInputColumns[k]);
            ++missing_count;
        }
    }
    if (missing_count > 0) {
        return (missing_count == 1 ? "no column " : "no columns ") + missing + " (a batch needs " +
               RequiredColumnsText() + ")";
    }
    return std::nullopt;
}

// A batch's row: the pass-through fields, the five inputs as typed, then the calculation of
// those inputs.
class BatchRowWriter final : public TableRowWriter {
public:
    BatchRowWriter(const BatchFile& file, BatchFormat format)
        : file_(file),
          format_(format),
          warning_text_(format == BatchFormat::JsonLines ? WarningText::Messages
                                                         : WarningText::CodesOnly) {}

    RowOutcome WriteRow(TextWriter& out, std::size_t row) override {
        CsvPosition at = file_.rows[row];
        ReadCsvRecord(file_.text, at, fields_);  // checked when the file was parsed
        // The inputs take the fields' texts; the fields take the inputs' old capacity.
        std::swap(inputs_.elevation, fields_[file_.input_columns[0]]);
        std::swap(inputs_.lo_baro, fields_[file_.input_columns[1]]);
        std::swap(inputs_.hi_baro, fields_[file_.input_columns[2]]);
        std::swap(inputs_.lo_volts, fields_[file_.input_columns[3]]);
        std::swap(inputs_.hi_volts, fields_[file_.input_columns[4]]);
        Solve(inputs_, outcome_, warning_text_);
        const std::array<const std::string*, 5> typed = {&inputs_.elevation, &inputs_.lo_baro,
                                                         &inputs_.hi_baro, &inputs_.lo_volts,
                                                         &inputs_.hi_volts};
        if (format_ == BatchFormat::JsonLines) {
            leading_.clear();
            for (const std::size_t column : file_.pass_through) {
                leading_.emplace_back(file_.names[column], fields_[column]);
            }
            for (std::size_t k = 0; k < typed.size(); ++k) {
                leading_.emplace_back(kBatchInputColumns[k], *typed[k]);
            }
            WriteJsonOutcome(out, outcome_, {}, leading_);
            return {outcome_.solved, outcome_.solved && !outcome_.warnings.empty()};
        }
        for (const std::size_t column : file_.pass_through) {
            out.CsvField(fields_[column]);
            out << ',';
        }
        for (const std::string* text : typed) {
            out.CsvField(*text);
            out << ',';
        }
        return WriteCsvOutcome(out, outcome_);
    }

private:
    const BatchFile& file_;
    BatchFormat format_;
    WarningText warning_text_;
    std::vector<std::string> fields_;
    InputTexts inputs_;
    Outcome outcome_;
    std::vector<std::pair<std::string_view, std::string_view>> leading_;
};

}  // namespace

std::optional<std::string> ReadBatchFile(std::string_view path, std::string& text) {
    const int error =
        path == "-" ? ReadWholeStream(stdin, text) : ReadWholeFile(PathFromUtf8(path), text);
    if (error != 0) {
        return DisplayName(path) + ": " + std::generic_category().message(error);
    }
    return std::nullopt;
}

std::optional<std::string> ParseBatch(std::string_view file_name, std::string text,
                                      BatchFile& file) {
    if (std::string_view(text).starts_with(kUtf8Bom)) {
        text.erase(0, kUtf8Bom.size());
    }
    file.text = std::move(text);
    file.rows.clear();
    const std::string_view all = file.text;
    const std::string name = DisplayName(file_name);
    const auto problem = [&name](std::size_t line, std::string_view what) {
        return name + ":" + std::to_string(line) + ": " + std::string(what);
    };

    CsvPosition at;
    CsvPosition start;
    CsvError error;
    if (!NextRecord(all, at, file.names, start, error)) {
        return problem(at.line, "no header row (the first line names the columns)");
    }
    if (error.problem != CsvProblem::None) {
        return problem(error.line, CsvProblemText(error.problem));
    }
    const std::size_t header_line = start.line;
    if (file.names.size() == 1 && file.names[0].find(';') != std::string::npos) {
        return problem(header_line,
                       "the header has no \",\" but has \";\": this file is separated by "
                       "\";\", and sondrel-calc reads files separated by \",\" (save it as "
                       "CSV with commas)");
    }
    if (auto header_problem = ReadHeader(file.names, file)) {
        return problem(header_line, *header_problem);
    }

    std::vector<std::string> fields;
    while (NextRecord(all, at, fields, start, error)) {
        if (error.problem != CsvProblem::None) {
            return problem(error.line, CsvProblemText(error.problem));
        }
        if (fields.size() != file.names.size()) {
            return problem(start.line, std::to_string(fields.size()) +
                                           " fields where the header has " +
                                           std::to_string(file.names.size()));
        }
        if (file.rows.size() == kMaxTableRows) {
            return problem(start.line, "more than " + MaxRowsText() + " rows");
        }
        file.rows.push_back(start);
    }
    return std::nullopt;
}

int RunBatch(std::string_view path, BatchFormat format, TextWriter& out, TextWriter& err,
             TableCounts* counts) {
    std::string text;
    if (const auto unreadable = ReadBatchFile(path, text)) {
        // A file that is missing or unreadable is a failure, not a misuse of the options.
        err << "sondrel-calc: " << *unreadable << '\n';
        return kExitFailure;
    }
    BatchFile file;
    if (const auto problem = ParseBatch(path, std::move(text), file)) {
        err << "sondrel-calc: " << *problem << "\nTry 'sondrel-calc --help'.\n";
        return kExitUsage;
    }
    const TableCounts written = WriteBatch(out, file, format);
    if (counts != nullptr) {
        *counts = written;
    }
    const RowNames names{"input line", [&file](TextWriter& o, std::size_t row) {
                             o.Int(static_cast<long long>(file.rows[row].line));
                         }};
    return TableExitStatus(written, names, err);
}

TableCounts WriteBatch(TextWriter& out, const BatchFile& file, BatchFormat format,
                       unsigned threads) {
    if (format == BatchFormat::Csv) {
        for (const std::size_t column : file.pass_through) {
            out.CsvField(file.names[column]);
            out << ',';
        }
        for (const std::string_view name : kBatchInputColumns) {
            out << name << ',';
        }
        out << kCsvResultColumns << '\n';
    }
    return WriteTableRows(
        out, file.rows.size(), [&] { return std::make_unique<BatchRowWriter>(file, format); },
        threads);
}

}  // namespace sondrel::cli
