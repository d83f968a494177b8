#include "cli/batch.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include "calc/design.h"
#include "calc/solver.h"
#include "calc/text_rules.h"
#include "files/file_writer.h"
#include "table/csv.h"
#include "table/json.h"

namespace sondrel::cli {
namespace {

constexpr std::size_t kMissing = static_cast<std::size_t>(-1);
// The most of a column's name that a message about one of its rows shows.
constexpr std::size_t kMessageNameBytes = 64;

// The columns every batch file has, in the order the window reads its boxes, and the labels of
// those boxes, which also name the columns.
constexpr std::array<std::string_view, 5> kBatchInputColumns = {
    "elevation_ft", "lo_baro_inhg", "hi_baro_inhg", "lo_volts", "hi_volts"};
constexpr std::array<std::string_view, 5> kInputBoxes = {kElevationBox, kLoBaroBox, kHiBaroBox,
                                                         kLoVoltsBox, kHiVoltsBox};

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    return first == std::string_view::npos
               ? std::string_view()
               : text.substr(first, text.find_last_not_of(" \t") + 1 - first);
}

// An input column's name as messages about its rows show it: without the blanks around it,
// and cut after kMessageNameBytes with "...". Such a name is ASCII (NameKey matches no other),
// so the cut falls between characters.
std::string MessageName(std::string_view name) {
    name = TrimBlanks(name);
    return name.size() <= kMessageNameBytes
               ? std::string(name)
               : std::string(name.substr(0, kMessageNameBytes)) + "...";
}

// A column name as names are compared: ASCII letters in lower case, without blanks and
// underscores ("LoBaro_inHg" and "lo baro inhg" are "lobaroinhg").
std::string NameKey(std::string_view name) {
    std::string key;
    key.reserve(name.size());
    for (const char c : name) {
        if (c != ' ' && c != '\t' && c != '_') {
            key.push_back(AsciiLower(c));
        }
    }
    return key;
}

// Which of kBatchInputColumns a name's key stands for, by its name or its box's label.
std::size_t InputFor(std::string_view key) {
    for (std::size_t k = 0; k < kBatchInputColumns.size(); ++k) {
        if (key == NameKey(kBatchInputColumns[k]) || key == NameKey(kInputBoxes[k])) {
            return k;
        }
    }
    return kMissing;
}

// Whether a pass-through column of this key would clash with a result's column or, with
// --json, its field.
bool IsResultColumn(std::string_view key) {
    const auto named = [key](std::string_view name) { return NameKey(name) == key; };
    return named("results_text") || named("report_path") ||
           std::any_of(std::begin(kCsvResultColumnList), std::end(kCsvResultColumnList),
                       [&named](const CsvColumn& column) { return named(column.name); });
}

// The header's columns.
struct Columns {
    char separator = ',';                   // "\t" when the header is separated by tabs
    std::vector<std::string> names;         // as written
    std::array<std::size_t, 5> inputs{};    // where each of kBatchInputColumns is
    std::vector<std::size_t> pass_through;  // the other columns, in the file's order
    std::size_t trailing_empty = 0;         // empty names dropped from the header's end
};

// Finds the columns of the names read into `columns`; what is wrong with them, in words.
std::optional<std::string> FindColumns(Columns& columns) {
    std::vector<std::string>& names = columns.names;
    while (names.size() > 1 && TrimBlanks(names.back()).empty()) {
        names.pop_back();  // a spreadsheet's empty column at the end: no column at all
        ++columns.trailing_empty;
    }
    columns.inputs.fill(kMissing);
    std::unordered_map<std::string, std::size_t> seen;
    seen.reserve(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string_view name = TrimBlanks(names[i]);
        const std::string column = "column " + std::to_string(i + 1);
        if (name.empty()) {
            return column + " has no name";
        }
        const auto [earlier, first] = seen.emplace(NameKey(name), i);
        const std::size_t k = InputFor(earlier->first);
        if (!first) {
            return column + " repeats the name " + QuoteForMessage(name) + " of column " +
                   std::to_string(earlier->second + 1);
        } else if (k != kMissing && columns.inputs[k] != kMissing) {
            return column + ", " + QuoteForMessage(name) + ", names " +
                   std::string(kBatchInputColumns[k]) + " as column " +
                   std::to_string(columns.inputs[k] + 1) + " does";
        } else if (k != kMissing) {
            columns.inputs[k] = i;
        } else if (IsResultColumn(earlier->first)) {
            return column + ", " + QuoteForMessage(name) +
                   ", has the name of a result column; rename it";
        } else {
            columns.pass_through.push_back(i);
        }
    }
    std::string missing;
    std::string needed;
    for (std::size_t k = 0; k < kBatchInputColumns.size(); ++k) {
        needed += k == 0 ? "" : k + 1 < kBatchInputColumns.size() ? ", " : " and ";
        needed += kBatchInputColumns[k];
        if (columns.inputs[k] == kMissing) {
            missing += (missing.empty() ? "" : ", ") + std::string(kBatchInputColumns[k]);
        }
    }
    if (missing.empty()) {
        return std::nullopt;
    }
    const bool one = missing.find(',') == std::string::npos;
    return (one ? "no column " : "no columns ") + missing + " (a batch needs " + needed + ")";
}

// The header's columns, from the first record that holds something.
Result<Columns> ReadHeader(CsvFileReader& reader) {
    Columns columns;
    Result<std::size_t> line = reader.Next(columns.names, ',');
    if (line && *line != 0 && columns.names.size() == 1 &&
        columns.names[0].find('\t') != std::string::npos) {
        // No "," but tabs, as a spreadsheet's "Unicode Text" or "Tab delimited" has.
        columns.separator = '\t';
        reader.Again();
        line = reader.Next(columns.names, '\t');
    }
    if (!line) {
        return line.failure();
    }
    if (*line == 0) {
        return reader.Malformed(reader.line(), "no header row (the first line names the columns)");
    }
    if (columns.names.size() == 1 && columns.names[0].find(';') != std::string::npos) {
        return reader.Malformed(
            *line,
            "the header has no \",\" but has \";\": this file is separated by \";\", and "
            "sondrel-calc reads files separated by \",\" (save it as CSV with commas)");
    }
    if (auto problem = FindColumns(columns)) {
        return reader.Malformed(*line, *problem);
    }
    return columns;
}

// A batch's rows: the pass-through fields, the five inputs as typed, then the calculation
// of those inputs.
class RowWriter {
public:
    RowWriter(const Columns& columns, BatchFormat format)
        : json_(format == BatchFormat::JsonLines), sources_(columns.pass_through) {
        sources_.insert(sources_.end(), columns.inputs.begin(), columns.inputs.end());
        for (const std::size_t column : columns.pass_through) {
            leading_.emplace_back(columns.names[column], std::string_view());
        }
        for (std::size_t k = 0; k < kBatchInputColumns.size(); ++k) {
            leading_.emplace_back(kBatchInputColumns[k], std::string_view());
            message_names_[k] = MessageName(columns.names[columns.inputs[k]]);
        }
    }

    void WriteHeader(TextWriter& out) const {
        if (!json_) {
            for (const auto& [name, field] : leading_) {
                out.CsvField(name) << ',';
            }
            WriteCsvResultHeader(out);
        }
    }

    const Outcome& Write(TextWriter& out, const std::vector<std::string>& fields) {
        for (std::size_t i = 0; i < sources_.size(); ++i) {
            leading_[i].second = fields[sources_[i]];
        }
        // Read in order, as the window reads its boxes; a failure names the file's column.
        const std::size_t inputs = leading_.size() - kBatchInputColumns.size();
        Design design;
        double* const numbers[] = {&design.elevation_ft, &design.lo_baro_inhg, &design.hi_baro_inhg,
                                   &design.lo_volts, &design.hi_volts};
        outcome_.solved = false;
        for (std::size_t k = 0; k < kBatchInputColumns.size(); ++k) {
            const Result<double> number =
                ReadNumber(leading_[inputs + k].second, message_names_[k], separators_);
            if (!number) {
                outcome_.failure = number.failure();
                break;
            }
            *numbers[k] = *number;
            if (k + 1 == kBatchInputColumns.size()) {
                Solve(design, outcome_, json_ ? WarningText::Messages : WarningText::CodesOnly);
            }
        }
        if (json_) {
            WriteJsonOutcome(out, outcome_, {}, leading_);
        } else {
            for (const auto& [name, field] : leading_) {
                out.CsvField(field) << ',';
            }
            WriteCsvOutcome(out, outcome_);
        }
        return outcome_;
    }

private:
    bool json_;
    std::vector<std::size_t> sources_;  // the columns of leading_'s fields
    std::array<std::string, 5> message_names_;
    NumberSeparators separators_;
    Outcome outcome_;
    // The fields a row starts with, named as the header or JSON names them.
    std::vector<std::pair<std::string_view, std::string_view>> leading_;
};

}  // namespace

Result<TableCounts> WriteBatch(std::string_view file_name, const ReadBytes& read,
                               TextEncoding encoding, BatchFormat format, TextWriter& out,
                               TextWriter& err, const BatchLimits& limits) {
    CsvFileReader reader(std::string(file_name), read, TextDecoder(encoding, limits.guess_bytes),
                         limits.max_row_bytes);
    const Result<Columns> columns = ReadHeader(reader);
    // Said first: a problem with the header shows its names as read.
    if (reader.decoder().Guessed() && reader.decoder().encoding() == TextEncoding::Windows1252) {
        err << "sondrel-calc: " << file_name << " is not UTF-8; read as Windows-1252\n";
    }
    if (!columns) {
        return columns.failure();
    }
    RowWriter rows(*columns, format);
    rows.WriteHeader(out);
    TableCounts counts;
    std::vector<std::string> fields;
    const std::size_t width = columns->names.size();
    while (out.Good()) {
        const Result<std::size_t> line = reader.Next(fields, columns->separator);
        if (!line || *line == 0) {
            return line ? Result<TableCounts>(counts) : line.failure();
        }
        if (counts.rows == limits.max_rows) {
            return reader.Malformed(
                *line, "more than " + GroupThousands(std::to_string(limits.max_rows)) + " rows");
        }
        // Past the header's names, only empty fields under its empty ones.
        const auto past =
            fields.begin() + static_cast<std::ptrdiff_t>(std::min(width, fields.size()));
        if (fields.size() < width || fields.size() > width + columns->trailing_empty ||
            std::any_of(past, fields.end(), [](const std::string& f) { return !f.empty(); })) {
            return reader.Malformed(*line, std::to_string(fields.size()) +
                                               " fields where the header has " +
                                               std::to_string(width));
        }
        counts.Add(*line, rows.Write(out, fields));
    }
    return counts;
}

Result<TableCounts> WriteBatchFile(std::string_view path, TextEncoding encoding, BatchFormat format,
                                   TextWriter& out, TextWriter& err) {
    const std::string name = path == "-" ? std::string("(standard input)") : EscapeForMessage(path);
    ReadStream opened(nullptr, &std::fclose);
    if (path != "-") {
        Result<ReadStream> result = OpenToRead(PathFromUtf8(path));
        if (!result) {
            return Failure{FailureKind::File, name, result.failure().detail};
        }
        opened = std::move(result).value();
    }
    std::FILE* const file = opened ? opened.get() : stdin;
    const ReadBytes read = [file, &name](char* buffer, std::size_t size) -> Result<std::size_t> {
        errno = 0;
        const std::size_t got = std::fread(buffer, 1, size, file);
        if (got == 0 && std::ferror(file) != 0) {
            const int error = errno != 0 ? errno : EIO;
            return Failure{FailureKind::File, name, std::generic_category().message(error)};
        }
        return got;
    };
    return WriteBatch(name, read, encoding, format, out, err);
}

}  // namespace sondrel::cli
