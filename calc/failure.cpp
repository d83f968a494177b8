#include "calc/failure.h"

#include <cstdio>

namespace sondrel {

std::string_view FailureKindId(FailureKind kind) noexcept {
    switch (kind) {
        case FailureKind::TypeMismatch:
            return "type-mismatch";
        case FailureKind::InvalidArgument:
            return "invalid-argument";
        case FailureKind::DivisionByZero:
            return "division-by-zero";
        case FailureKind::Overflow:
            return "overflow";
        case FailureKind::File:
            return "file";
    }
    return "unknown";
}

std::string_view FailureKindTitle(FailureKind kind) noexcept {
    switch (kind) {
        case FailureKind::TypeMismatch:
            return "Type mismatch";
        case FailureKind::InvalidArgument:
            return "Invalid argument";
        case FailureKind::DivisionByZero:
            return "Division by zero";
        case FailureKind::Overflow:
            return "Overflow";
        case FailureKind::File:
            return "File error";
    }
    return "Failure";
}

Failure::Failure(FailureKind kind, const std::string& message)
    : std::runtime_error(message), kind_(kind) {}

std::string QuoteForMessage(std::string_view text) {
    constexpr std::size_t kMaxShown = 40;
    std::string out = "\"";
    std::size_t shown = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (shown == kMaxShown) {
            out += "...";
            break;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            // One UTF-8 character: its lead byte says how many continuation bytes follow. A
            // byte that starts no whole character is escaped, so invalid text stays short.
            const std::size_t length = c >= 0xF8   ? 0
                                       : c >= 0xF0 ? 4
                                       : c >= 0xE0 ? 3
                                       : c >= 0xC0 ? 2
                                                   : 0;
            std::size_t whole = length != 0 && i + length <= text.size() ? 1 : 0;
            while (whole != 0 && whole < length &&
                   (static_cast<unsigned char>(text[i + whole]) & 0xC0) == 0x80) {
                ++whole;
            }
            if (whole == length && length != 0) {
                out.append(text.substr(i, length));
                i += length - 1;
            } else {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02X", c);
                out += buf;
            }
        }
        ++shown;
    }
    out += '"';
    return out;
}

}  // namespace sondrel
