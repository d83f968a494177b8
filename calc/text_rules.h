#pragma once
// The text rules the window, the command line and the page share: reading UTF-8 strictly,
// line breaks, ASCII case, the byte-order mark and digits grouped in thousands.

#include <cstddef>
#include <string>
#include <string_view>

namespace sondrel {

inline constexpr std::string_view kCrLf = "\r\n";
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// 'A' to 'Z' lowered; every other byte as it is, whatever the locale.
constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The digits before the point of a decimal text grouped in thousands with ",":
// "1048576" -> "1,048,576", "-12345.678" -> "-12,345.678".
std::string GroupThousands(std::string text);

// The length (1 to 4) of the well-formed UTF-8 character at text[pos], or 0 when there is
// none: a stray continuation byte, an overlong form, a surrogate, past U+10FFFF, or cut off.
std::size_t Utf8CharLength(std::string_view text, std::size_t pos);

// Every line break in `text` becomes `line_break`. A line break is "\r\n" or a lone "\n";
// a lone "\r" is not one and is kept as it is.
std::string ConvertLineBreaks(std::string_view text, std::string_view line_break);

}  // namespace sondrel
