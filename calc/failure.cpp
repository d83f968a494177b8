#include "calc/failure.h"

#include "calc/text_rules.h"

namespace sondrel {

namespace {

struct KindNames {
    FailureKind kind;
    std::string_view id;     // stable, for programs
    std::string_view title;  // for people
};

constexpr KindNames kKindNames[] = {
    {FailureKind::TypeMismatch, "type-mismatch", "Type mismatch"},
    {FailureKind::InvalidArgument, "invalid-argument", "Invalid argument"},
    {FailureKind::DivisionByZero, "division-by-zero", "Division by zero"},
    {FailureKind::Overflow, "overflow", "Overflow"},
    {FailureKind::File, "file", "File error"},
};

const KindNames* NamesOf(FailureKind kind) noexcept {
    for (const KindNames& names : kKindNames) {
        if (names.kind == kind) {
            return &names;
        }
    }
    return nullptr;
}

}  // namespace

std::string_view FailureKindId(FailureKind kind) noexcept {
    const KindNames* names = NamesOf(kind);
    return names != nullptr ? names->id : "unknown";
}

std::string_view FailureKindTitle(FailureKind kind) noexcept {
    const KindNames* names = NamesOf(kind);
    return names != nullptr ? names->title : "Failure";
}

std::string QuoteForMessage(std::string_view text) {
    constexpr std::size_t kMaxShown = 40;
    std::string out = "\"";
    const auto escape = [&out](unsigned char c) {
        constexpr std::string_view kHexDigits = "0123456789ABCDEF";
        out += "\\x";
        out += kHexDigits[c / 16u];
        out += kHexDigits[c % 16u];
    };
    std::size_t shown = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (shown == kMaxShown) {
            out += "...";
            break;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7f) {
            escape(c);
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (const std::size_t length = Utf8CharLength(text, i); length != 0) {
            out.append(text.substr(i, length));
            i += length - 1;
        } else {
            escape(c);  // a byte of broken UTF-8: escaped, so it cannot swallow what follows
        }
        ++shown;
    }
    out += '"';
    return out;
}

}  // namespace sondrel
