#pragma once
// Text to number: the strict, locale-parameterised reading of what the user typed.
// The result never depends on the process's C locale.

#include <optional>
#include <string>
#include <string_view>

#include "calc/failure.h"

namespace sondrel {

// The separators of the user's locale. Either may be several bytes (UTF-8);
// an empty group separator means digits may not be grouped.
struct NumberSeparators {
    std::string decimal = ".";
    std::string group = ",";
};

// Reads an optional sign, digits (grouped in threes or not) with an optional decimal
// separator and fraction, and an optional exponent ("1e3"), with blanks around it ignored: the
// correctly rounded number, one below the smallest double reading as zero. Anything else,
// including an empty text, "nan", "inf" and hexadecimal, fails as a type mismatch, and a
// magnitude beyond the largest double as an overflow, naming `input`:
// `Elevation, ft: "abc" is not a number`.
Result<double> ReadNumber(std::string_view text, std::string_view input,
                          const NumberSeparators& separators = {});

// Reads a text already checked to be [-]digits[.digits][e[-]digits] as std::from_chars does
// (a fallback through strtod where the C++ library lacks it): the correctly rounded double, or
// nullopt when the text is beyond the largest double or nonzero but rounds to zero.
std::optional<double> ReadDouble(std::string_view text);

}  // namespace sondrel
