#include "cli/batch.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "calc/design.h"
#include "calc/failure.h"
#include "calc/solver.h"
#include "calc/text_rules.h"
#include "cli/exit_status.h"
#include "cli/table_status.h"
#include "files/file_writer.h"
#include "table/csv.h"
#include "table/json.h"

namespace sondrel::cli {
namespace {

constexpr std::size_t kReadChunk = std::size_t{1} << 16;
constexpr std::size_t kMissing = static_cast<std::size_t>(-1);

// The window's labels of the five inputs' boxes, which also name the columns.
constexpr std::array<std::string_view, 5> kInputBoxes = {kElevationBox, kLoBaroBox, kHiBaroBox,
                                                         kLoVoltsBox, kHiVoltsBox};

// What a file is called in messages: escaped, so that no name can break the message.
std::string DisplayName(std::string_view path) {
    return path == "-" ? std::string("(standard input)") : EscapeForMessage(path);
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

// A column name as names are compared: ASCII letters in lower case, without blanks and
// underscores ("LoBaro_inHg" and "lo baro inhg" are "lobaroinhg").
std::string NameKey(std::string_view name) {
    std::string key;
    key.reserve(name.size());
    for (const char c : name) {
        if (c == ' ' || c == '\t' || c == '_') {
            continue;
        }
        key.push_back(AsciiLower(c));
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
    if (key == NameKey("results_text") || key == NameKey("report_path")) {
        return true;
    }
    std::string_view columns = kCsvColumns;
    for (;;) {
        const std::size_t comma = columns.find(',');
        if (NameKey(columns.substr(0, comma)) == key) {
            return true;
        }
        if (comma == std::string_view::npos) {
            return false;
        }
        columns.remove_prefix(comma + 1);
    }
}

// Whether every field of a record is empty, as spreadsheets write the rows they leave blank.
bool AllEmpty(const std::vector<std::string>& fields, std::size_t from = 0) {
    return std::all_of(fields.begin() + static_cast<std::ptrdiff_t>(from), fields.end(),
                       [](const std::string& f) { return f.empty(); });
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

// "1 MiB (1,048,576 bytes)", or "100 bytes" for a size that is not whole MiB.
std::string SizeText(std::size_t bytes) {
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    return bytes % kMiB == 0 ? std::to_string(bytes / kMiB) + " MiB (" +
                                   GroupThousands(std::to_string(bytes)) + " bytes)"
                             : GroupThousands(std::to_string(bytes)) + " bytes";
}

// A batch's row: the pass-through fields, the five inputs as typed, then the calculation of
// those inputs.
class BatchRowWriter {
public:
    BatchRowWriter(const BatchFile& file, BatchFormat format)
        : file_(file),
          format_(format),
          warning_text_(format == BatchFormat::JsonLines ? WarningText::Messages
                                                         : WarningText::CodesOnly) {}

    RowOutcome WriteRow(TextWriter& out, std::size_t row) {
        CsvPosition at = file_.rows[row];
        // Checked when the round was read.
        ReadCsvRecord(file_.text, at, fields_, file_.separator);
        // The inputs take the fields' texts; the fields take the inputs' old capacity.
        std::swap(inputs_.elevation, fields_[file_.input_columns[0]]);
        std::swap(inputs_.lo_baro, fields_[file_.input_columns[1]]);
        std::swap(inputs_.hi_baro, fields_[file_.input_columns[2]]);
        std::swap(inputs_.lo_volts, fields_[file_.input_columns[3]]);
        std::swap(inputs_.hi_volts, fields_[file_.input_columns[4]]);
        Solve(inputs_, outcome_, warning_text_);
        if (!outcome_.solved) {
            NameTheColumn();
        }
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
    // A failure about an input names its box ("LoBaro, inHg"), which here is the file's
    // column ("lo_baro_inhg").
    void NameTheColumn() {
        std::string& input = outcome_.failure.input;
        for (std::size_t k = 0; k < kInputBoxes.size(); ++k) {
            if (input == kInputBoxes[k]) {
                input = TrimBlanks(file_.names[file_.input_columns[k]]);
                return;
            }
        }
    }

    const BatchFile& file_;
    BatchFormat format_;
    WarningText warning_text_;
    std::vector<std::string> fields_;
    InputTexts inputs_;
    Outcome outcome_;
    std::vector<std::pair<std::string_view, std::string_view>> leading_;
};

}  // namespace

BatchReader::BatchReader(std::string file_name, ReadBytes read, TextEncoding encoding,
                         const BatchLimits& limits)
    : file_name_(std::move(file_name)),
      read_(std::move(read)),
      encoding_(encoding),
      limits_(limits) {}

std::optional<std::string> BatchReader::EncodingNotice() const {
    if (guessed_ && encoding_ == TextEncoding::Windows1252) {
        return file_name_ + " is not UTF-8; read as Windows-1252";
    }
    return std::nullopt;
}

BatchReader::Next BatchReader::Malformed(std::size_t line, std::string_view what) {
    problem_ = BatchProblem{0, file_name_ + ":" + std::to_string(line) + ": " + std::string(what)};
    return Next::Problem;
}

void BatchReader::Decode(std::string_view bytes) {
    if (utf16_) {
        utf16_decoder_.Append(bytes, file_.text);
    } else if (encoding_ == TextEncoding::Windows1252) {
        AppendWindows1252(bytes, file_.text);
    } else {
        file_.text += bytes;
    }
}

bool BatchReader::Fill() {
    // Text before the reading point is kept only for the round's rows.
    if (file_.rows.empty() && at_.offset > 0) {
        file_.text.erase(0, at_.offset);
        at_.offset = 0;
    }
    const std::size_t old_size = raw_.size();
    raw_.resize(old_size + kReadChunk);
    int error = 0;
    const std::size_t got = read_(raw_.data() + old_size, kReadChunk, error);
    raw_.resize(old_size + got);
    if (error != 0) {
        problem_ = BatchProblem{error, file_name_ + ": " + std::generic_category().message(error)};
        return false;
    }
    if (got == 0) {
        at_end_ = true;
    }
    if (!guessed_ && !utf16_ && encoding_ == TextEncoding::Guess) {
        // The first round's bytes decide; nothing is decoded before.
        if (!at_end_ && raw_.size() < limits_.round_bytes) {
            return true;
        }
        std::string_view bytes = raw_;
        if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
            utf16_ = true;
            utf16_decoder_ = Utf16Decoder(bytes[0] == '\xFE');
            Decode(bytes.substr(2));
        } else {
            bytes.remove_prefix(bytes.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0);
            // Exactly the first round_bytes, however the reads came, so that the guess is
            // the same for the same file.
            const std::size_t guess_end = limits_.round_bytes - (raw_.size() - bytes.size());
            guessed_ = true;
            encoding_ = FirstNonUtf8(bytes.substr(0, guess_end),
                                     !at_end_ || bytes.size() > guess_end) == std::string_view::npos
                            ? TextEncoding::Utf8
                            : TextEncoding::Windows1252;
            Decode(bytes);
        }
    } else if (!started_) {
        // An encoding given: only the byte-order marks at the start are looked at.
        if (!at_end_ && raw_.size() < 3) {
            return true;
        }
        std::string_view bytes = raw_;
        if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
            utf16_ = true;
            utf16_decoder_ = Utf16Decoder(bytes[0] == '\xFE');
            bytes.remove_prefix(2);
        } else if (bytes.starts_with(kUtf8Bom)) {
            bytes.remove_prefix(kUtf8Bom.size());
        }
        Decode(bytes);
    } else {
        Decode(raw_);
    }
    started_ = true;
    raw_.clear();
    if (at_end_ && utf16_) {
        utf16_decoder_.Finish(file_.text);
    }
    return true;
}

bool BatchReader::CheckUtf8(const CsvPosition& start, std::size_t end) {
    if (utf16_ || encoding_ != TextEncoding::Utf8) {
        return true;
    }
    const std::string_view text = file_.text;
    const std::size_t bad = FirstNonUtf8(text.substr(start.offset, end - start.offset), false);
    if (bad == std::string_view::npos) {
        return true;
    }
    // The line and the column (in characters) of the byte.
    std::size_t line = start.line;
    std::size_t column = 1;
    for (std::size_t i = start.offset; i < start.offset + bad;) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
            ++line;
            column = 1;
            ++i;
        } else if (text[i] == '\r') {
            ++i;
        } else {
            ++column;
            i += std::max<std::size_t>(1, Utf8CharLength(text, i));
        }
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(text[start.offset + bad]);
    const std::string what =
        std::string("byte 0x") + kHex[byte >> 4] + kHex[byte & 15] + " is not UTF-8";
    problem_ = BatchProblem{
        0, file_name_ + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + what +
               (guessed_ ? ", though the file's first " + SizeText(limits_.round_bytes) +
                               " are; to read it all as Windows-1252, give --encoding "
                               "windows-1252"
                         : " (--encoding utf-8 was given)")};
    return false;
}

BatchReader::Next BatchReader::NextRecord(std::vector<std::string>& fields, CsvPosition& start) {
    const std::string& text = file_.text;
    for (;;) {
        // Blank lines; a CR at the end of what is read may be the start of a CR LF.
        while (at_.offset < text.size()) {
            const char c = text[at_.offset];
            if (c == '\n') {
                ++at_.offset;
            } else if (c == '\r' && (at_.offset + 1 < text.size() || at_end_)) {
                at_.offset +=
                    at_.offset + 1 < text.size() && text[at_.offset + 1] == '\n' ? 2u : 1u;
            } else {
                break;
            }
            ++at_.line;
        }
        if (at_.offset == text.size() || text[at_.offset] == '\r') {
            if (at_end_) {
                return Next::End;
            }
            if (!Fill()) {
                return Next::Problem;
            }
            continue;
        }
        start = at_;
        // A record is read no further than one byte past the longest a row may be, so that
        // what is found does not depend on how much of the file has been read.
        const std::size_t limit_end = start.offset + limits_.max_row_bytes + 1;
        const std::string_view held = std::string_view(text).substr(0, limit_end);
        CsvPosition next = at_;
        const CsvError error = ReadCsvRecord(held, next, fields, file_.separator);
        // A record that reaches the end of what is held may go on past it.
        const bool open_end = error.problem == CsvProblem::UnclosedQuote ||
                              (error.problem == CsvProblem::None && next.offset == held.size() &&
                               held.back() != '\n');
        if ((open_end && held.size() == limit_end) ||
            (error.problem == CsvProblem::None &&
             next.offset - start.offset > limits_.max_row_bytes)) {
            const std::string limit = SizeText(limits_.max_row_bytes);
            return error.problem == CsvProblem::UnclosedQuote
                       ? Malformed(error.line, "a quoted field is not closed within " + limit +
                                                   ", the most a row may hold")
                       : Malformed(start.line,
                                   "a row longer than " + limit + ", the most a row may hold");
        }
        if (open_end && !at_end_) {
            if (!Fill()) {
                return Next::Problem;
            }
            continue;
        }
        if (error.problem != CsvProblem::None) {
            return Malformed(error.line, CsvProblemText(error.problem));
        }
        if (!CheckUtf8(start, next.offset)) {
            return Next::Problem;
        }
        at_ = next;
        if (!AllEmpty(fields)) {
            return Next::Record;
        }
    }
}

std::optional<std::string> BatchReader::ReadNames() {
    std::vector<std::string>& names = file_.names;
    trailing_empty_ = 0;
    while (names.size() > 1 && TrimBlanks(names.back()).empty()) {
        names.pop_back();  // a spreadsheet's empty column at the end: no column at all
        ++trailing_empty_;
    }
    file_.input_columns.fill(kMissing);
    file_.pass_through.clear();
    std::unordered_map<std::string, std::size_t> seen;
    seen.reserve(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string_view name = TrimBlanks(names[i]);
        const std::string column = "column " + std::to_string(i + 1);
        if (name.empty()) {
            return column + " has no name";
        }
        const auto [earlier, first] = seen.emplace(NameKey(name), i);
        if (!first) {
            return column + " repeats the name " + QuoteForMessage(name) + " of column " +
                   std::to_string(earlier->second + 1);
        }
        if (const std::size_t k = InputFor(earlier->first); k != kMissing) {
            if (file_.input_columns[k] != kMissing) {
                return column + ", " + QuoteForMessage(name) + ", names " +
                       std::string(kBatchInputColumns[k]) + " as column " +
                       std::to_string(file_.input_columns[k] + 1) + " does";
            }
            file_.input_columns[k] = i;
            continue;
        }
        if (IsResultColumn(earlier->first)) {
            return column + ", " + QuoteForMessage(name) +
                   ", has the name of a result column; rename it";
        }
        file_.pass_through.push_back(i);
    }
    std::string missing;
    std::size_t missing_count = 0;
    for (std::size_t k = 0; k < kBatchInputColumns.size(); ++k) {
        if (file_.input_columns[k] == kMissing) {
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

std::optional<BatchProblem> BatchReader::ReadHeader() {
    CsvPosition start;
    Next next = NextRecord(file_.names, start);
    if (next == Next::Record && file_.names.size() == 1 &&
        file_.names[0].find('\t') != std::string::npos) {
        // No "," but tabs, as a spreadsheet's "Unicode Text" or "Tab delimited" has.
        file_.separator = '\t';
        at_ = start;
        next = NextRecord(file_.names, start);
    }
    if (next == Next::End) {
        Malformed(at_.line, "no header row (the first line names the columns)");
    } else if (next == Next::Record && file_.names.size() == 1 &&
               file_.names[0].find(';') != std::string::npos) {
        Malformed(start.line,
                  "the header has no \",\" but has \";\": this file is separated by \";\", and "
                  "sondrel-calc reads files separated by \",\" (save it as CSV with commas)");
    } else if (next == Next::Record) {
        if (auto header_problem = ReadNames()) {
            Malformed(start.line, *header_problem);
        }
    }
    return problem_;
}

bool BatchReader::NextRound() {
    file_.rows.clear();
    if (problem_) {
        return false;
    }
    // The text of the rounds before is let go.
    file_.text.erase(0, at_.offset);
    at_.offset = 0;
    const std::size_t columns = file_.names.size();
    CsvPosition start;
    while (file_.rows.size() < limits_.round_rows &&
           (file_.rows.empty() ||
            at_.offset - file_.rows.front().offset + file_.rows.size() * row_overhead_ <
                limits_.round_bytes)) {
        if (rows_read_ == limits_.max_rows && !file_.rows.empty()) {
            break;  // the next round tells whether the file has more
        }
        const Next next = NextRecord(fields_, start);
        if (next == Next::End) {
            break;
        }
        if (next == Next::Record && rows_read_ == limits_.max_rows) {
            Malformed(start.line,
                      "more than " + GroupThousands(std::to_string(limits_.max_rows)) + " rows");
        } else if (next == Next::Record &&
                   (fields_.size() < columns || fields_.size() > columns + trailing_empty_ ||
                    !AllEmpty(fields_, columns))) {
            Malformed(start.line, std::to_string(fields_.size()) + " fields where the header has " +
                                      std::to_string(columns));
        }
        if (problem_) {
            file_.rows.clear();
            return false;
        }
        file_.rows.push_back(start);
        ++rows_read_;
    }
    return !file_.rows.empty();
}

ReadBytes ReadFromText(std::string_view bytes) {
    return [bytes, at = std::size_t{0}](char* buffer, std::size_t size, int&) mutable {
        const std::size_t count = std::min(size, bytes.size() - at);
        std::memcpy(buffer, bytes.data() + at, count);
        at += count;
        return count;
    };
}

void WriteBatchHeader(TextWriter& out, const BatchFile& file, BatchFormat format) {
    if (format != BatchFormat::Csv) {
        return;
    }
    for (const std::size_t column : file.pass_through) {
        out.CsvField(file.names[column]);
        out << ',';
    }
    for (const std::string_view name : kBatchInputColumns) {
        out << name << ',';
    }
    out << kCsvResultColumns << '\n';
}

TableCounts WriteBatchRows(TextWriter& out, const BatchFile& file, BatchFormat format) {
    BatchRowWriter writer(file, format);
    TableCounts counts;
    for (std::size_t row = 0; row < file.rows.size() && out.Good(); ++row) {
        counts.Add(row, writer.WriteRow(out, row));
    }
    return counts;
}

int RunBatch(std::string_view path, BatchFormat format, TextEncoding encoding, TextWriter& out,
             TextWriter& err, TableCounts* counts, const BatchLimits& limits) {
    const std::string name = DisplayName(path);
    std::FILE* stream = stdin;
    ReadStream owned(nullptr, &std::fclose);
    if (path != "-") {
        Result<ReadStream> opened = OpenToRead(PathFromUtf8(path));
        if (!opened) {
            // A file that is missing or unreadable is a failure, not a misuse of the options.
            err << "sondrel-calc: " << name << ": " << opened.failure().Message() << '\n';
            return kExitFailure;
        }
        owned = std::move(opened).value();
        stream = owned.get();
    }
    BatchReader reader(
        name,
        [stream](char* buffer, std::size_t size, int& error) {
            errno = 0;
            const std::size_t got = std::fread(buffer, 1, size, stream);
            if (got == 0 && std::ferror(stream) != 0) {
                error = errno != 0 ? errno : EIO;
            }
            return got;
        },
        encoding, limits);

    TableCounts total;
    const auto stopped = [&](const BatchProblem& problem) {
        if (counts != nullptr) {
            *counts = total;
        }
        err << "sondrel-calc: " << problem.message << '\n';
        if (problem.error_number != 0) {
            return kExitFailure;
        }
        err << "Try 'sondrel-calc --help'.\n";
        return kExitUsage;
    };
    const std::optional<BatchProblem> header_problem = reader.ReadHeader();
    // Said first: a problem with the header shows its names as read.
    if (const auto notice = reader.EncodingNotice()) {
        err << "sondrel-calc: " << *notice << '\n';
    }
    if (header_problem) {
        return stopped(*header_problem);
    }
    if (format == BatchFormat::JsonLines) {
        // Every JSON line repeats the names.
        std::size_t names = 0;
        for (const std::string& column : reader.file().names) {
            names += column.size();
        }
        reader.WeighRows(names);
    }
    // The header goes out with the first round that reads, or alone when there is none.
    bool header_written = false;
    while (out.Good() && reader.NextRound()) {
        if (!header_written) {
            WriteBatchHeader(out, reader.file(), format);
            header_written = true;
        }
        const TableCounts round = WriteBatchRows(out, reader.file(), format);
        total.rows += round.rows;
        total.succeeded += round.succeeded;
        total.warned += round.warned;
        for (const std::size_t row : round.failed_rows) {
            if (total.failed_rows.size() < kListedFailures) {
                total.failed_rows.push_back(reader.file().rows[row].line);
            }
        }
    }
    if (reader.problem()) {
        return stopped(*reader.problem());
    }
    if (!header_written) {
        WriteBatchHeader(out, reader.file(), format);
    }
    if (counts != nullptr) {
        *counts = total;
    }
    // The failed rows are held by their lines.
    const RowNames names{
        "input line", [](TextWriter& o, std::size_t line) { o.Int(static_cast<long long>(line)); }};
    return TableExitStatus(total, names, err);
}

}  // namespace sondrel::cli
