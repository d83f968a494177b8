#pragma once
// ReadDouble: std::from_chars for double where the C++ library has it, and a fallback through
// strtod where it does not (the WebAssembly build); CMake picks the source file.

#include <optional>
#include <string_view>

namespace sondrel {

// Reads a decimal text already checked to be [-]digits[.digits][e[-]digits] as
// std::from_chars does: the correctly rounded double, or nullopt when the text is beyond the
// largest double or nonzero but rounds to zero.
std::optional<double> ReadDouble(std::string_view text);

}  // namespace sondrel
