#pragma once
// ReadDouble: std::from_chars for double where the C++ library has it, and a fallback through
// strtod where it does not (the WebAssembly build); CMake picks the source file.

#include <charconv>

namespace sondrel {

// Reads [first, last), a decimal text already checked to be [-]digits[.digits][e[-]digits],
// as std::from_chars(first, last, value) does: the correctly rounded double; `ec` is
// result_out_of_range when the text is beyond the largest double or nonzero but rounds to zero.
std::from_chars_result ReadDouble(const char* first, const char* last, double& value);

}  // namespace sondrel
