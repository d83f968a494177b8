#pragma once
// The text rules the window and the command line share: reading UTF-8 strictly, and turning
// line breaks into the program's "\r\n" or a widget's or terminal's "\n".

#include <cstddef>
#include <string>
#include <string_view>

namespace sondrel {

inline constexpr std::string_view kCrLf = "\r\n";

// The length (1 to 4) of the well-formed UTF-8 character at text[pos], or 0 when the bytes
// there are not one: a stray continuation byte, an overlong form, a surrogate, a code point
// past U+10FFFF, or a sequence cut off by the end of the text.
std::size_t Utf8CharLength(std::string_view text, std::size_t pos);

// Every line break in `text` becomes `line_break`. A line break is "\r\n" or a lone "\n";
// a lone "\r" is not one and is kept as it is.
std::string ConvertLineBreaks(std::string_view text, std::string_view line_break);

}  // namespace sondrel
