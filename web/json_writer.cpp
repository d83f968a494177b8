#include "web/json_writer.h"

#include <charconv>
#include <cmath>

namespace sondrel::web {

void JsonWriter::Separate() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (!first_) {
        text_ += ',';
    }
    first_ = false;
}

JsonWriter& JsonWriter::Open(char bracket) {
    Separate();
    text_ += bracket;
    first_ = true;
    return *this;
}

JsonWriter& JsonWriter::Close(char bracket) {
    text_ += bracket;
    first_ = false;
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
    String(key);
    text_ += ':';
    after_key_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view text) {
    Separate();
    text_ += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            text_ += '\\';
            text_ += c;
        } else if (byte < 0x20 || byte == 0x7f) {
            static constexpr char kHex[] = "0123456789abcdef";
            text_ += "\\u00";
            text_ += kHex[byte >> 4];
            text_ += kHex[byte & 15];
        } else {
            text_ += c;  // UTF-8 passes through; the page decodes it
        }
    }
    text_ += '"';
    return *this;
}

JsonWriter& JsonWriter::Int(long long value) {
    char buf[24];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    return Raw(std::string_view(buf, static_cast<std::size_t>(result.ptr - buf)));
}

JsonWriter& JsonWriter::Double(double value) {
    if (!std::isfinite(value)) {
        return Raw("null");
    }
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    return Raw(std::string_view(buf, static_cast<std::size_t>(result.ptr - buf)));
}

JsonWriter& JsonWriter::Bool(bool value) {
    return Raw(value ? "true" : "false");
}

JsonWriter& JsonWriter::Raw(std::string_view number) {
    Separate();
    text_ += number;
    return *this;
}

}  // namespace sondrel::web
