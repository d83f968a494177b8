#include "cli/csv_reader.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "calc/text_rules.h"

namespace sondrel::cli {
namespace {

// "1 MiB (1,048,576 bytes)", or "100 bytes" for a size that is not whole MiB.
std::string SizeText(std::size_t bytes) {
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    return bytes % kMiB == 0 ? std::to_string(bytes / kMiB) + " MiB (" +
                                   GroupThousands(std::to_string(bytes)) + " bytes)"
                             : GroupThousands(std::to_string(bytes)) + " bytes";
}

constexpr std::size_t kReadChunk = std::size_t{1} << 16;

// A record's problems, in words for messages.
constexpr std::string_view kUnclosedQuote = "a quoted field is not closed";
constexpr std::string_view kQuoteInField = "a quote inside a field that does not start with one";
constexpr std::string_view kTextAfterQuote = "text after a closing quote";

}  // namespace

struct CsvFileReader::Record {
    Position next;             // past the record's line end; where it started when it is malformed
    std::size_t row_end = 0;   // before its line end; all that is held for an unclosed quote
    std::string_view problem;  // none when empty
    std::size_t problem_line = 0;  // of the opening quote for an unclosed one
};

// Reads the record at `at` into `fields` (resized to its field count): LF, CR LF or CR,
// whichever comes first outside quotes, ends it (a quoted field keeps the line ends inside it
// as they are). `at.offset` must be below text.size().
CsvFileReader::Record CsvFileReader::Read(std::string_view text, Position at,
                                          std::vector<std::string>& fields, char separator) {
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* p = begin + at.offset;
    std::size_t line = at.line;
    std::size_t count = 0;
    const auto line_end = [](char c) { return c == '\n' || c == '\r'; };
    // A byte above these is none of them, nor a line end: most of a field's bytes.
    const auto highest = static_cast<unsigned char>(std::max(separator, '"'));
    for (;;) {
        if (count == fields.size()) {
            fields.emplace_back();  // else the field's string is reused, with its capacity
        }
        std::string& field = fields[count++];
        field.clear();
        if (p < end && *p == '"') {
            const std::size_t quote_line = line;
            ++p;
            for (;;) {
                const char* quote = static_cast<const char*>(
                    std::memchr(p, '"', static_cast<std::size_t>(end - p)));
                if (quote == nullptr) {
                    return {at, text.size(), kUnclosedQuote, quote_line};
                }
                for (const char* c = p; c < quote; ++c) {
                    // A CR LF is one line end; the LF counts it.
                    line += *c == '\n' || (*c == '\r' && c[1] != '\n') ? 1 : 0;
                }
                field.append(p, static_cast<std::size_t>(quote - p));
                p = quote + 1;
                if (p < end && *p == '"') {  // a doubled quote stands for one
                    field.push_back('"');
                    ++p;
                    continue;
                }
                break;
            }
            if (p < end && *p != separator && !line_end(*p)) {
                return {at, 0, kTextAfterQuote, line};
            }
        } else {
            const char* start = p;
            while (p < end && (static_cast<unsigned char>(*p) > highest ||
                               (*p != separator && !line_end(*p) && *p != '"'))) {
                ++p;
            }
            if (p < end && *p == '"') {
                return {at, 0, kQuoteInField, line};
            }
            field.append(start, static_cast<std::size_t>(p - start));
        }
        if (p < end && *p == separator) {
            ++p;
            continue;
        }
        const auto row_end = static_cast<std::size_t>(p - begin);
        if (p < end) {  // a line end
            p += *p == '\r' && p + 1 < end && p[1] == '\n' ? 2 : 1;
            ++line;
        }
        fields.resize(count);
        return {{static_cast<std::size_t>(p - begin), line}, row_end, {}, 0};
    }
}

ReadBytes ReadFromText(std::string_view bytes) {
    return [bytes, at = std::size_t{0}](char* buffer, std::size_t size) mutable {
        const std::size_t count = std::min(size, bytes.size() - at);
        std::memcpy(buffer, bytes.data() + at, count);
        at += count;
        return Result<std::size_t>(count);
    };
}

Failure CsvFileReader::Malformed(std::size_t line, std::string_view what) const {
    return {FailureKind::InvalidArgument, file_name_ + ":" + std::to_string(line),
            std::string(what)};
}

Result<std::size_t> CsvFileReader::Next(std::vector<std::string>& fields, char separator) {
    for (;;) {
        // Blank lines, of which a file may hold millions, skipped without reading records
        // (text_[size()] is a null character).
        while (at_.offset < text_.size() &&
               (text_[at_.offset] == '\n' ||
                (text_[at_.offset] == '\r' && text_[at_.offset + 1] == '\n'))) {
            at_.offset += text_[at_.offset] == '\r' ? 2u : 1u;
            ++at_.line;
        }
        if (at_.offset == text_.size()) {
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
            std::string_view(text_).substr(0, at_.offset + max_row_bytes_ + 2);
        const Record record = Read(held, at_, fields, separator);
        // A record that reaches the end of what is held may go on past it.
        const bool open_end =
            record.problem == kUnclosedQuote ||
            (record.problem.empty() && record.next.offset == held.size() && held.back() != '\n');
        if (open_end && !at_end_ && held.size() == text_.size()) {
            if (auto failure = Fill()) {
                return *std::move(failure);
            }
            continue;
        }
        // A row is too long past the limit without its line end, as is a record still open here.
        const bool unclosed = record.problem == kUnclosedQuote;
        if (record.row_end - at_.offset > max_row_bytes_ && (unclosed || record.problem.empty())) {
            return Malformed(unclosed ? record.problem_line : at_.line,
                             (unclosed ? std::string(kUnclosedQuote) + " within "
                                       : std::string("a row longer than ")) +
                                 SizeText(max_row_bytes_) + ", the most a row may hold");
        }
        if (!record.problem.empty()) {
            return Malformed(record.problem_line, record.problem);
        }
        if (auto failure = CheckUtf8(record.next.offset)) {
            return *std::move(failure);
        }
        at_ = record.next;
        // A blank line, or a record of empty fields as spreadsheets write the rows they leave
        // blank.
        if (std::any_of(fields.begin(), fields.end(),
                        [](const std::string& field) { return !field.empty(); })) {
            return start_.line;
        }
    }
}

std::optional<Failure> CsvFileReader::CheckUtf8(std::size_t end) const {
    const std::string_view text = text_;
    const std::size_t bad =
        decoder_.PassesUtf8() ? FirstNonUtf8(text.substr(start_.offset, end - start_.offset), false)
                              : std::string_view::npos;
    if (bad == std::string_view::npos) {
        return std::nullopt;
    }
    // The line of the byte, and its column: 1 and the characters before it on its line, which
    // are well-formed UTF-8, by the bytes that start them.
    const std::size_t at = start_.offset + bad;
    std::size_t line = start_.line;
    std::size_t line_start = start_.offset;
    for (std::size_t i = start_.offset; i < at; ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && text[i + 1] != '\n')) {
            ++line;
            line_start = i + 1;
        }
    }
    const std::string_view before = text.substr(line_start, at - line_start);
    const auto column =
        1 + std::count_if(before.begin(), before.end(), [](char c) { return (c & 0xC0) != 0x80; });
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(text[at]);
    // Appended piece by piece: a literal before a temporary string draws GCC 12's false
    // -Wrestrict alarm in the release build.
    Failure failure = Malformed(
        line, std::string("byte 0x") + kHex[byte >> 4] + kHex[byte & 15] + " is not UTF-8");
    failure.input.append(":").append(std::to_string(column));
    if (decoder_.Guessed()) {
        failure.detail.append(", though the file's first ")
            .append(SizeText(decoder_.guess_bytes()))
            .append(" are; to read it all as Windows-1252, give --encoding windows-1252");
    } else {
        failure.detail += " (--encoding utf-8 was given)";
    }
    return failure;
}

std::optional<Failure> CsvFileReader::Fill() {
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

}  // namespace sondrel::cli
