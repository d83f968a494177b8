#pragma once
// Text to number: the strict, locale-parameterised reading of what the user typed.
// The result never depends on the process's C locale.

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

enum class ParseStatus { Ok, NotANumber, Overflow };

struct ParseResult {
    ParseStatus status = ParseStatus::NotANumber;
    double value = 0.0;
};

// Reads an optional sign, digits (grouped in threes or not) with an optional decimal
// separator and fraction, and an optional exponent ("1e3"), with blanks around it ignored.
// Anything else, including an empty text, "nan", "inf" and hexadecimal, is NotANumber;
// a magnitude beyond the largest double is Overflow; one below the smallest reads as zero.
ParseResult ParseNumber(std::string_view text, const NumberSeparators& separators = {});

// The failure of reading `text` for `input` (`status` not Ok): type mismatch or overflow,
// e.g. `Elevation, ft: "abc" is not a number`.
Failure ParseFailure(ParseStatus status, std::string_view text, std::string_view input);

// ParseNumber for one input: its number, or the failure naming `input`.
Result<double> ReadNumber(std::string_view text, std::string_view input,
                          const NumberSeparators& separators = {});

}  // namespace sondrel
