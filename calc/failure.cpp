#include "calc/failure.h"

#include <cstdio>

namespace sondrel {

std::string_view FailureKindId(FailureKind kind) noexcept {
    switch (kind) {
        case FailureKind::TypeMismatch: return "type-mismatch";
        case FailureKind::InvalidArgument: return "invalid-argument";
        case FailureKind::DivisionByZero: return "division-by-zero";
        case FailureKind::Overflow: return "overflow";
        case FailureKind::File: return "file";
    }
    return "unknown";
}

std::string_view FailureKindTitle(FailureKind kind) noexcept {
    switch (kind) {
        case FailureKind::TypeMismatch: return "Type mismatch";
        case FailureKind::InvalidArgument: return "Invalid argument";
        case FailureKind::DivisionByZero: return "Division by zero";
        case FailureKind::Overflow: return "Overflow";
        case FailureKind::File: return "File error";
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
        } else {
            out += static_cast<char>(c);
            // Finish a multi-byte UTF-8 sequence before counting the next character.
            while (i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
                out += text[++i];
            }
        }
        ++shown;
    }
    out += '"';
    return out;
}

}  // namespace sondrel
