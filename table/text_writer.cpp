#include "table/text_writer.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

#include "calc/text_rules.h"

namespace sondrel {

TextWriter& TextWriter::Double(double value) {
    char buf[32];
    // Without a precision to_chars gives the shortest text that reads back exactly.
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    return *this << std::string_view(buf, static_cast<std::size_t>(result.ptr - buf));
}

TextWriter& TextWriter::DoubleFixed(double value) {
    if (value == std::trunc(value) && std::abs(value) < 1e15 && !std::signbit(value)) {
        return Int(static_cast<long long>(value));  // the same digits, sooner
    }
    // The longest is the smallest subnormal: "-0.", 323 zeros and its digit.
    char buf[400];
    const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    return *this << std::string_view(buf, static_cast<std::size_t>(result.ptr - buf));
}

TextWriter& TextWriter::Int(long long value) {
    char buf[24];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    return *this << std::string_view(buf, static_cast<std::size_t>(result.ptr - buf));
}

TextWriter& TextWriter::JsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    *this << '"';
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80 ? 1 : Utf8CharLength(text, i);  // 0: not UTF-8
        if (c == '"' || c == '\\') {
            *this << '\\' << static_cast<char>(c);
        } else if (c == '\n' || c == '\r' || c == '\t') {
            *this << '\\' << (c == '\n' ? 'n' : c == '\r' ? 'r' : 't');
        } else if (c < 0x20 || c == 0x7F || length == 0) {
            const bool byte = length == 0;  // a byte that is not UTF-8: \udcNN, else \u00NN
            const char escaped[] = {'\\',         'u',         byte ? 'd' : '0', byte ? 'c' : '0',
                                    kHex[c >> 4], kHex[c & 15]};
            *this << std::string_view(escaped, sizeof escaped);
        } else {
            *this << text.substr(i, length);
        }
        i += std::max<std::size_t>(length, 1);
    }
    return *this << '"';
}

TextWriter& TextWriter::CsvField(std::string_view text) {
    const auto special = [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; };
    if (std::none_of(text.begin(), text.end(), special)) {
        return *this << text;
    }
    *this << '"';
    for (std::size_t start = 0;;) {
        const std::size_t quote = text.find('"', start);
        if (quote == std::string_view::npos) {
            *this << text.substr(start);
            break;
        }
        *this << text.substr(start, quote + 1 - start) << '"';
        start = quote + 1;
    }
    return *this << '"';
}

const std::optional<Failure>& TextWriter::Flush() {
    if (!first_.empty() && !buffer_.empty()) {
        buffer_.insert(0, first_);
        first_.clear();
    }
    if (sink_ != nullptr) {
        *sink_ += buffer_;
    } else if (file_ != nullptr && !buffer_.empty()) {
        errno = 0;
        const bool written =
            std::fwrite(buffer_.data(), 1, buffer_.size(), file_) == buffer_.size() &&
            std::fflush(file_) == 0;
        if (!written && !failure_) {
            failure_ = Failure{FailureKind::File, {}, std::strerror(errno != 0 ? errno : EIO)};
        }
    }
    buffer_.clear();
    return failure_;
}

}  // namespace sondrel
