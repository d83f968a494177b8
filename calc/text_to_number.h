#pragma once
// Text to number: the strict, locale-parameterised reading of what the user typed.
// The result never depends on the process's C locale.

#include <optional>
#include <string>
#include <string_view>

#include "calc/failure.h"

namespace sondrel {

// The separators of the user's locale, each of any length; no group separator, no grouping.
struct NumberSeparators {
    std::string decimal = ".";
    std::string group = ",";
};

// Reads a sign, digits (grouped in threes or not), a decimal separator and fraction and an
// exponent ("1e3"), each optional, blanks around ignored: the correctly rounded number (zero
// below the smallest double). Anything else ("", "nan", "inf", hexadecimal) fails as a type
// mismatch and a magnitude beyond the largest double as an overflow, naming `input`.
Result<double> ReadNumber(std::string_view text, std::string_view input,
                          const NumberSeparators& separators = {});

// Reads [-]digits[.digits][e[-]digits] as std::from_chars does (through strtod where the C++
// library lacks it): nullopt beyond the largest double, or when nonzero but rounding to zero.
std::optional<double> ReadDouble(std::string_view text);

}  // namespace sondrel
