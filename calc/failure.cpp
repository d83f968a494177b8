#include "calc/failure.h"

#include <iterator>

#include "calc/text_rules.h"

namespace sondrel {

namespace {

// Each kind's stable id, for programs, and its title, for people, in FailureKind's order.
constexpr std::string_view kKinds[][2] = {{"type-mismatch", "Type mismatch"},
                                          {"invalid-argument", "Invalid argument"},
                                          {"division-by-zero", "Division by zero"},
                                          {"overflow", "Overflow"},
                                          {"file", "File error"}};
static_assert(std::size(kKinds) == static_cast<std::size_t>(FailureKind::File) + 1);

// Appends `text` with controls (C1 too) and bytes that are not UTF-8 as "\xNN"; with `quoted`,
// '"' and '\\' get a backslash, and the text is cut after `max_shown` characters ("...").
void AppendEscaped(std::string& out, std::string_view text, bool quoted, std::size_t max_shown) {
    const auto escape = [&out](unsigned char c) {
        constexpr std::string_view kHexDigits = "0123456789ABCDEF";
        out += "\\x";
        out += kHexDigits[c / 16u];
        out += kHexDigits[c % 16u];
    };
    std::size_t shown = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (shown == max_shown) {
            out += "...";
            break;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7f) {
            escape(c);
        } else if (quoted && (c == '"' || c == '\\')) {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (const std::size_t length = Utf8CharLength(text, i); length != 0) {
            // U+0080 to U+009F (C2 80 to C2 9F) are controls too: some terminals take U+009B
            // for the start of an escape.
            if (length == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
                escape(c);
                escape(static_cast<unsigned char>(text[i + 1]));
            } else {
                out.append(text.substr(i, length));
            }
            i += length - 1;
        } else {
            escape(c);  // a byte of broken UTF-8: escaped, so it cannot swallow what follows
        }
        ++shown;
    }
}

}  // namespace

// A value past the last kind reads "unknown": a loop over the kinds stops there.
std::string_view FailureKindId(FailureKind kind) noexcept {
    const auto k = static_cast<std::size_t>(kind);
    return k < std::size(kKinds) ? kKinds[k][0] : "unknown";
}

std::string_view FailureKindTitle(FailureKind kind) noexcept {
    const auto k = static_cast<std::size_t>(kind);
    return k < std::size(kKinds) ? kKinds[k][1] : "Failure";
}

std::string QuoteForMessage(std::string_view text) {
    std::string out = "\"";
    AppendEscaped(out, text, true, 40);
    out += '"';
    return out;
}

std::string EscapeForMessage(std::string_view text) {
    std::string out;
    AppendEscaped(out, text, false, std::string_view::npos);
    return out;
}

}  // namespace sondrel
