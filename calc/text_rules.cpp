#include "calc/text_rules.h"

#include <algorithm>

namespace sondrel {

std::size_t Utf8CharLength(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        return 1;
    }
    // C0, C1 and F5 to FF start no well-formed character, nor does a continuation byte.
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (lead < 0xC2 || lead > 0xF4 || text.size() - pos < length) {
        return 0;
    }
    char32_t code = lead & (0x3Fu >> (length - 1));
    for (std::size_t k = 1; k < length; ++k) {
        const auto c = static_cast<unsigned char>(text[pos + k]);
        if ((c & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (c & 0x3Fu);
    }
    // The smallest code point that needs this many bytes: below it the form is overlong.
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool well_formed =
        code >= kLeast[length] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    return well_formed ? length : 0;
}

std::string ConvertLineBreaks(std::string_view text, std::string_view line_break) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    std::size_t start = 0;
    for (std::size_t lf = text.find('\n'); lf != std::string_view::npos;
         lf = text.find('\n', start)) {
        const bool pair = lf > start && text[lf - 1] == '\r';
        out.append(text.substr(start, lf - start - (pair ? 1 : 0)));
        out.append(line_break);
        start = lf + 1;
    }
    out.append(text.substr(start));
    return out;
}

std::string GroupThousands(std::string text) {
    const std::size_t begin = text.starts_with('-') ? 1 : 0;
    std::size_t at = std::min(text.find('.'), text.size());
    while (at > begin + 3) {
        at -= 3;
        text.insert(at, 1, ',');
    }
    return text;
}

}  // namespace sondrel
