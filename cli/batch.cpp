#include "cli/batch.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include "calc/design.h"
#include "calc/solver.h"
#include "calc/text_rules.h"
#include "cli/csv.h"
#include "cli/csv_reader.h"
#include "cli/exit_status.h"
#include "cli/json.h"
#include "files/file_writer.h"
#include "files/platform_file.h"

namespace sondrel::cli {
namespace {

constexpr std::size_t kReadChunk = std::size_t{1} << 16;
constexpr std::size_t kMissing = static_cast<std::size_t>(-1);
// The most of a column's name that a message about one of its rows shows.
constexpr std::size_t kMessageNameBytes = 64;

// The window's labels of the five inputs' boxes, which also name the columns.
constexpr std::array<std::string_view, 5> kInputBoxes = {kElevationBox, kLoBaroBox, kHiBaroBox,
                                                         kLoVoltsBox, kHiVoltsBox};

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
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

// Whether every field of a record from `from` on is empty, as spreadsheets write the rows
// they leave blank.
bool AllEmpty(const std::vector<std::string>& fields, std::size_t from = 0) {
    return std::all_of(fields.begin() + static_cast<std::ptrdiff_t>(from), fields.end(),
                       [](const std::string& f) { return f.empty(); });
}

// "1 MiB (1,048,576 bytes)", or "100 bytes" for a size that is not whole MiB.
std::string SizeText(std::size_t bytes) {
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    return bytes % kMiB == 0 ? std::to_string(bytes / kMiB) + " MiB (" +
                                   GroupThousands(std::to_string(bytes)) + " bytes)"
                             : GroupThousands(std::to_string(bytes)) + " bytes";
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

// A batch file's records, read and decoded a piece at a time: the file's text is held from
// the record being read on, and no record further than max_row_bytes and a line end.
class RecordReader {
public:
    RecordReader(std::string_view file_name, const ReadBytes& read, TextEncoding encoding,
                 const BatchLimits& limits)
        : file_name_(file_name),
          read_(read),
          decoder_(encoding, limits.guess_bytes),
          limits_(limits) {}

    // The next record that holds something, into `fields`: its line, 0 at the end of the
    // file, or the failure that stops the reading.
    Result<std::size_t> Next(std::vector<std::string>& fields, char separator);
    // The record Next read last is read again by the next Next.
    void Again() { at_ = start_; }
    // A problem found at a line: "FILE:LINE: what".
    Failure Malformed(std::size_t line, std::string_view what) const {
        return {FailureKind::InvalidArgument, file_name_ + ":" + std::to_string(line),
                std::string(what)};
    }
    std::size_t line() const { return at_.line; }
    const TextDecoder& decoder() const { return decoder_; }

private:
    // Reads and decodes more of the file, letting go of the text before the reading point.
    std::optional<Failure> Fill();
    void SkipBlankLines();
    // The problem with the record from start_, when it is too long, malformed or not UTF-8:
    // `end` is its end past its line end, kMissing when it is not complete.
    std::optional<Failure> CheckRecord(std::string_view held, const CsvError& error,
                                       std::size_t end) const;
    // The UTF-8 check of the text from start_ to `end`.
    std::optional<Failure> CheckUtf8(std::size_t end) const;

    std::string file_name_;
    const ReadBytes& read_;
    TextDecoder decoder_;
    BatchLimits limits_;
    std::string chunk_;
    std::string text_;     // the file's text as UTF-8, from the record being read on
    bool at_end_ = false;  // the whole file is read
    CsvPosition at_;       // the next record
    CsvPosition start_;    // the record read last
};

Result<std::size_t> RecordReader::Next(std::vector<std::string>& fields, char separator) {
    for (;;) {
        SkipBlankLines();
        // A CR at the end of what is read may be the start of a CR LF.
        if (at_.offset == text_.size() || text_[at_.offset] == '\r') {
            if (at_end_) {
                return std::size_t{0};
            }
            if (auto failure = Fill()) {
                return *std::move(failure);
            }
            continue;
        }
        start_ = at_;
        // Read no further than the longest row and its line end, so that what is found
        // does not depend on how much of the file has been read.
        const std::string_view held =
            std::string_view(text_).substr(0, at_.offset + limits_.max_row_bytes + 2);
        CsvPosition next = at_;
        const CsvError error = ReadCsvRecord(held, next, fields, separator);
        // A record that reaches the end of what is held may go on past it.
        const bool open_end = error.problem == CsvProblem::UnclosedQuote ||
                              (error.problem == CsvProblem::None && next.offset == held.size() &&
                               held.back() != '\n');
        if (open_end && !at_end_ && held.size() == text_.size()) {
            if (auto failure = Fill()) {
                return *std::move(failure);
            }
            continue;
        }
        // Complete: at a line end, or at the end of the file.
        const bool complete = error.problem == CsvProblem::None &&
                              (!open_end || (at_end_ && held.size() == text_.size()));
        if (auto failure = CheckRecord(held, error, complete ? next.offset : kMissing)) {
            return *std::move(failure);
        }
        at_ = next;
        if (!AllEmpty(fields)) {
            return start_.line;
        }
    }
}

void RecordReader::SkipBlankLines() {
    while (at_.offset < text_.size()) {
        const char c = text_[at_.offset];
        if (c == '\n') {
            ++at_.offset;
        } else if (c == '\r' && (at_.offset + 1 < text_.size() || at_end_)) {
            at_.offset += at_.offset + 1 < text_.size() && text_[at_.offset + 1] == '\n' ? 2u : 1u;
        } else {
            return;
        }
        ++at_.line;
    }
}

std::optional<Failure> RecordReader::CheckRecord(std::string_view held, const CsvError& error,
                                                 std::size_t end) const {
    // The row's bytes without its line end; of a record not complete, all that is held.
    std::size_t row_end = std::min(end, held.size());
    if (end != kMissing && row_end > start_.offset && held[row_end - 1] == '\n') {
        --row_end;
    }
    if (end != kMissing && row_end > start_.offset && held[row_end - 1] == '\r') {
        --row_end;
    }
    const bool too_long = row_end - start_.offset > limits_.max_row_bytes;
    if (too_long && error.problem == CsvProblem::UnclosedQuote) {
        return Malformed(error.line, "a quoted field is not closed within " +
                                         SizeText(limits_.max_row_bytes) +
                                         ", the most a row may hold");
    }
    if (too_long && error.problem == CsvProblem::None) {
        return Malformed(start_.line, "a row longer than " + SizeText(limits_.max_row_bytes) +
                                          ", the most a row may hold");
    }
    if (error.problem != CsvProblem::None) {
        return Malformed(error.line, CsvProblemText(error.problem));
    }
    return CheckUtf8(end);
}

std::optional<Failure> RecordReader::CheckUtf8(std::size_t end) const {
    const std::string_view text = text_;
    const std::size_t bad =
        decoder_.PassesUtf8() ? FirstNonUtf8(text.substr(start_.offset, end - start_.offset), false)
                              : std::string_view::npos;
    if (bad == std::string_view::npos) {
        return std::nullopt;
    }
    // The line and the column (in characters) of the byte.
    std::size_t line = start_.line;
    std::size_t column = 1;
    for (std::size_t i = start_.offset; i < start_.offset + bad;) {
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
    const auto byte = static_cast<unsigned char>(text[start_.offset + bad]);
    Failure failure = Malformed(
        line, std::string("byte 0x") + kHex[byte >> 4] + kHex[byte & 15] + " is not UTF-8");
    failure.input += ":" + std::to_string(column);
    failure.detail += decoder_.Guessed()
                          ? ", though the file's first " + SizeText(limits_.guess_bytes) +
                                " are; to read it all as Windows-1252, give --encoding "
                                "windows-1252"
                          : " (--encoding utf-8 was given)";
    return failure;
}

std::optional<Failure> RecordReader::Fill() {
    text_.erase(0, at_.offset);
    at_.offset = 0;
    chunk_.resize(kReadChunk);
    const Result<std::size_t> got = read_(chunk_.data(), kReadChunk);
    if (!got) {
        return got.failure();
    }
    at_end_ = *got == 0;
    decoder_.Append(std::string_view(chunk_).substr(0, *got), at_end_, text_);
    return std::nullopt;
}

// The header's columns, from the first record that holds something.
Result<Columns> ReadHeader(RecordReader& reader) {
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
        : columns_(columns),
          json_(format == BatchFormat::JsonLines),
          warning_text_(json_ ? WarningText::Messages : WarningText::CodesOnly) {
        for (std::size_t k = 0; k < kInputBoxes.size(); ++k) {
            message_names_[k] = MessageName(columns.names[columns.inputs[k]]);
        }
    }

    void WriteHeader(TextWriter& out) const {
        if (json_) {
            return;
        }
        for (const std::size_t column : columns_.pass_through) {
            out.CsvField(columns_.names[column]);
            out << ',';
        }
        for (const std::string_view name : kBatchInputColumns) {
            out << name << ',';
        }
        out << kCsvResultColumns << '\n';
    }

    // The row of `fields`, which lend their inputs' texts to the calculation.
    RowOutcome Write(TextWriter& out, std::vector<std::string>& fields) {
        const std::array<std::string*, 5> typed = {&inputs_.elevation, &inputs_.lo_baro,
                                                   &inputs_.hi_baro, &inputs_.lo_volts,
                                                   &inputs_.hi_volts};
        for (std::size_t k = 0; k < typed.size(); ++k) {
            std::swap(*typed[k], fields[columns_.inputs[k]]);
        }
        Solve(inputs_, outcome_, warning_text_);
        // A failure about an input names its box ("LoBaro, inHg"), here the file's column.
        const auto box = std::find(kInputBoxes.begin(), kInputBoxes.end(), outcome_.failure.input);
        if (!outcome_.solved && box != kInputBoxes.end()) {
            outcome_.failure.input =
                message_names_[static_cast<std::size_t>(box - kInputBoxes.begin())];
        }
        if (json_) {
            leading_.clear();
            for (const std::size_t column : columns_.pass_through) {
                leading_.emplace_back(columns_.names[column], fields[column]);
            }
            for (std::size_t k = 0; k < typed.size(); ++k) {
                leading_.emplace_back(kBatchInputColumns[k], *typed[k]);
            }
            WriteJsonOutcome(out, outcome_, {}, leading_);
            return {outcome_.solved, outcome_.solved && !outcome_.warnings.empty()};
        }
        for (const std::size_t column : columns_.pass_through) {
            out.CsvField(fields[column]);
            out << ',';
        }
        for (const std::string* text : typed) {
            out.CsvField(*text);
            out << ',';
        }
        return WriteCsvOutcome(out, outcome_);
    }

private:
    const Columns& columns_;
    bool json_;
    WarningText warning_text_;
    std::array<std::string, 5> message_names_;
    InputTexts inputs_;
    Outcome outcome_;
    std::vector<std::pair<std::string_view, std::string_view>> leading_;
};

// The file at `path`, "-" for standard input, and what it is called in messages: escaped,
// so that no name can break the message.
Result<std::FILE*> OpenBatchFile(std::string_view path, const std::string& name) {
    if (path == "-") {
        return stdin;
    }
    errno = 0;
    const int fd = platform::OpenDescriptor(PathFromUtf8(path), platform::OpenFor::Read);
    std::FILE* stream = fd < 0 ? nullptr : platform::StreamFromDescriptor(fd, "rb");
    if (stream != nullptr) {
        return stream;
    }
    const int error = errno != 0 ? errno : EIO;
    if (fd >= 0) {
        platform::CloseDescriptor(fd);
    }
    return Failure{FailureKind::File, name, std::generic_category().message(error)};
}

}  // namespace

ReadBytes ReadFromText(std::string_view bytes) {
    return [bytes, at = std::size_t{0}](char* buffer, std::size_t size) mutable {
        const std::size_t count = std::min(size, bytes.size() - at);
        std::memcpy(buffer, bytes.data() + at, count);
        at += count;
        return Result<std::size_t>(count);
    };
}

Result<TableCounts> WriteBatch(std::string_view file_name, const ReadBytes& read,
                               TextEncoding encoding, BatchFormat format, TextWriter& out,
                               TextWriter& err, const BatchLimits& limits) {
    RecordReader reader(file_name, read, encoding, limits);
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
        if (fields.size() < width || fields.size() > width + columns->trailing_empty ||
            !AllEmpty(fields, width)) {
            return reader.Malformed(*line, std::to_string(fields.size()) +
                                               " fields where the header has " +
                                               std::to_string(width));
        }
        counts.Add(*line, rows.Write(out, fields));
    }
    return counts;
}

int RunBatch(std::string_view path, BatchFormat format, TextEncoding encoding, TextWriter& out,
             TextWriter& err, TableCounts* counts, const BatchLimits& limits) {
    const std::string name = path == "-" ? std::string("(standard input)") : EscapeForMessage(path);
    const Result<std::FILE*> stream = OpenBatchFile(path, name);
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> owned(
        stream && *stream != stdin ? *stream : nullptr, &std::fclose);
    const Result<TableCounts> done =
        !stream ? Result<TableCounts>(stream.failure())
                : WriteBatch(
                      name,
                      [file = *stream, &name](char* buffer, std::size_t size) {
                          errno = 0;
                          const std::size_t got = std::fread(buffer, 1, size, file);
                          if (got == 0 && std::ferror(file) != 0) {
                              const int error = errno != 0 ? errno : EIO;
                              return Result<std::size_t>(Failure{
                                  FailureKind::File, name, std::generic_category().message(error)});
                          }
                          return Result<std::size_t>(got);
                      },
                      encoding, format, out, err, limits);
    if (!done) {
        // A file that is missing or unreadable is a failure, not a misuse of the options.
        err << "sondrel-calc: " << done.failure().Message() << '\n';
        if (done.failure().kind == FailureKind::File) {
            return kExitFailure;
        }
        err << "Try 'sondrel-calc --help'.\n";
        return kExitUsage;
    }
    if (counts != nullptr) {
        *counts = *done;
    }
    // The failed rows are held by their lines.
    const RowNames names{
        "input line", [](TextWriter& o, std::size_t line) { o.Int(static_cast<long long>(line)); }};
    return TableExitStatus(*done, names, err);
}

}  // namespace sondrel::cli
