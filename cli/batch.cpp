#include "cli/batch.h"

#include <cstdio>
#include <memory>
#include <system_error>
#include <utility>

#include "calc/failure.h"
#include "cli/csv.h"
#include "cli/json.h"
#include "cli/run.h"
#include "files/file_writer.h"

namespace sondrel::cli {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// What a file is called in messages.
std::string DisplayName(std::string_view path) {
    return path == "-" ? std::string("(standard input)") : std::string(path);
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

// Whether a pass-through column of this name would clash with a result's column or, with
// --json, its field.
bool IsResultColumn(std::string_view name) {
    if (name == "results_text" || name == "report_path") {
        return true;
    }
    std::string_view columns = kCsvColumns;
    for (;;) {
        const std::size_t comma = columns.find(',');
        if (columns.substr(0, comma) == name) {
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
            if (TrimBlanks(names[k]) == name) {
                return column + " repeats the name " + QuoteForMessage(name) + " of column " +
                       std::to_string(k + 1);
            }
        }
        bool required = false;
        for (std::size_t k = 0; k < kBatchInputColumns.size(); ++k) {
            if (name == kBatchInputColumns[k]) {
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

// A batch's row: the pass-through fields, then the calculation of the row's five inputs.
class BatchRowWriter final : public TableRowWriter {
public:
    BatchRowWriter(const BatchFile& file, BatchFormat format)
        : file_(file),
          format_(format),
          calculation_(format == BatchFormat::JsonLines ? WarningText::Messages
                                                        : WarningText::CodesOnly) {}

    RowOutcome WriteRow(Output& out, std::size_t row) override {
        CsvPosition at = file_.rows[row];
        ReadCsvRecord(file_.text, at, fields_);  // checked when the file was parsed
        // The inputs take the fields' texts; the fields take the inputs' old capacity.
        std::swap(inputs_.elevation, fields_[file_.input_columns[0]]);
        std::swap(inputs_.lo_baro, fields_[file_.input_columns[1]]);
        std::swap(inputs_.hi_baro, fields_[file_.input_columns[2]]);
        std::swap(inputs_.lo_volts, fields_[file_.input_columns[3]]);
        std::swap(inputs_.hi_volts, fields_[file_.input_columns[4]]);
        calculation_.Run(inputs_);
        if (format_ == BatchFormat::JsonLines) {
            return WriteJsonRow(out);
        }
        for (const std::size_t column : file_.pass_through) {
            out.CsvField(fields_[column]);
            out << ',';
        }
        return WriteCsvResult(out, calculation_, inputs_);
    }

private:
    // The object --json prints for the calculation, with the pass-through fields put first.
    RowOutcome WriteJsonRow(Output& out) {
        object_.clear();
        RowOutcome outcome;
        if (calculation_.Succeeded()) {
            WriteJsonResults(json_, calculation_.State(), calculation_.Lines(),
                             FormatResultLines(calculation_.Lines()), {}, calculation_.Warnings());
            outcome.succeeded = true;
            outcome.warned = !calculation_.Warnings().empty();
        } else {
            WriteJsonFailure(json_,
                             Failure(calculation_.FailureKindOf(), calculation_.FailureMessage()));
        }
        json_.Flush();
        out << '{';
        for (const std::size_t column : file_.pass_through) {
            out.JsonString(file_.names[column]);
            out << ": ";
            out.JsonString(fields_[column]);
            out << ", ";
        }
        out << std::string_view(object_).substr(1);  // after its "{"
        return outcome;
    }

    const BatchFile& file_;
    BatchFormat format_;
    std::vector<std::string> fields_;
    InputTexts inputs_;
    RowCalculation calculation_;
    std::string object_;
    Output json_{&object_};
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
    if (!SkipBlankLines(all, at)) {
        return problem(at.line, "no header row (the first line names the columns)");
    }
    const std::size_t header_line = at.line;
    if (const CsvError error = ReadCsvRecord(all, at, file.names);
        error.problem != CsvProblem::None) {
        return problem(error.line, CsvProblemText(error.problem));
    }
    if (auto header_problem = ReadHeader(file.names, file)) {
        return problem(header_line, *header_problem);
    }

    std::vector<std::string> fields;
    while (SkipBlankLines(all, at)) {
        const CsvPosition start = at;
        if (const CsvError error = ReadCsvRecord(all, at, fields);
            error.problem != CsvProblem::None) {
            return problem(error.line, CsvProblemText(error.problem));
        }
        if (fields.size() != file.names.size()) {
            return problem(start.line, std::to_string(fields.size()) +
                                           " fields where the header has " +
                                           std::to_string(file.names.size()));
        }
        if (file.rows.size() == kMaxSweepRows) {
            return problem(start.line, "more than " + MaxRowsText() + " rows");
        }
        file.rows.push_back(start);
    }
    return std::nullopt;
}

int RunBatch(std::string_view path, BatchFormat format, Output& out, Output& err,
             TableCounts* counts) {
    std::string text;
    std::optional<std::string> problem = ReadBatchFile(path, text);
    BatchFile file;
    if (!problem) {
        problem = ParseBatch(path, std::move(text), file);
    }
    if (problem) {
        err << "sondrel-calc: " << *problem << "\nTry 'sondrel-calc --help'.\n";
        return kExitUsage;
    }
    const TableCounts written = WriteBatch(out, file, format);
    if (counts != nullptr) {
        *counts = written;
    }
    return TableExitStatus(written, err);
}

TableCounts WriteBatch(Output& out, const BatchFile& file, BatchFormat format, unsigned threads) {
    if (format == BatchFormat::Csv) {
        for (const std::size_t column : file.pass_through) {
            out.CsvField(file.names[column]);
            out << ',';
        }
        WriteCsvHeader(out);
    }
    return WriteTableRows(
        out, file.rows.size(), [&] { return std::make_unique<BatchRowWriter>(file, format); },
        threads);
}

}  // namespace sondrel::cli
