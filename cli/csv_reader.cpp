#include "cli/csv_reader.h"

#include <algorithm>
#include <cstring>

namespace sondrel::cli {
namespace {

// The field `index` of `fields`, emptied, growing the vector only when it is short.
std::string& FreshField(std::vector<std::string>& fields, std::size_t index) {
    if (index == fields.size()) {
        fields.emplace_back();
    }
    std::string& field = fields[index];
    field.clear();
    return field;
}

}  // namespace

CsvError ReadCsvRecord(std::string_view text, CsvPosition& at, std::vector<std::string>& fields,
                       char separator) {
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* p = begin + at.offset;
    std::size_t line = at.line;
    std::size_t count = 0;
    const auto line_end = [](char c) { return c == '\n' || c == '\r'; };
    // A byte above these is none of them, nor a line end: most of a field's bytes.
    const auto highest = static_cast<unsigned char>(std::max(separator, '"'));
    for (;;) {
        std::string& field = FreshField(fields, count++);
        if (p < end && *p == '"') {
            const std::size_t quote_line = line;
            ++p;
            for (;;) {
                const char* quote = static_cast<const char*>(
                    std::memchr(p, '"', static_cast<std::size_t>(end - p)));
                if (quote == nullptr) {
                    return {CsvProblem::UnclosedQuote, quote_line};
                }
                for (const char* c = p; c < quote; ++c) {
                    // A CR LF is one line end; the LF counts it.
                    line += *c == '\n' || (*c == '\r' && c[1] != '\n') ? 1 : 0;
                }
                field.append(p, quote);
                p = quote + 1;
                if (p < end && *p == '"') {  // a doubled quote stands for one
                    field.push_back('"');
                    ++p;
                    continue;
                }
                break;
            }
            if (p < end && *p != separator && !line_end(*p)) {
                return {CsvProblem::TextAfterQuote, line};
            }
        } else {
            const char* start = p;
            while (p < end && (static_cast<unsigned char>(*p) > highest ||
                               (*p != separator && !line_end(*p) && *p != '"'))) {
                ++p;
            }
            if (p < end && *p == '"') {
                return {CsvProblem::QuoteInField, line};
            }
            field.append(start, p);
        }
        if (p < end && *p == separator) {
            ++p;
            continue;
        }
        if (p < end) {  // a line end
            p += *p == '\r' && p + 1 < end && p[1] == '\n' ? 2 : 1;
            ++line;
        }
        break;
    }
    fields.resize(count);
    at.offset = static_cast<std::size_t>(p - begin);
    at.line = line;
    return {};
}

std::string_view CsvProblemText(CsvProblem problem) {
    switch (problem) {
        case CsvProblem::None:
            break;
        case CsvProblem::UnclosedQuote:
            return "a quoted field is not closed";
        case CsvProblem::QuoteInField:
            return "a quote inside a field that does not start with one";
        case CsvProblem::TextAfterQuote:
            return "text after a closing quote";
    }
    return "";
}

}  // namespace sondrel::cli
