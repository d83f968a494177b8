#pragma once
// Independent references the fuzz targets compare the calculator against: a second reading of
// typed numbers (handed to the C library's strtod) and exact decimal arithmetic on shown numbers.

#include <optional>
#include <string>
#include <string_view>

#include "calc/text_to_number.h"

namespace sondrel::fuzz {

// Stops the process with a message on stderr when `condition` is false: libFuzzer then keeps
// the input as a crash, and a replaying test fails.
void Check(bool condition, std::string_view what, std::string_view input);

// The separator sets the fuzzers try, picked by one byte of the input.
const NumberSeparators& SeparatorsFor(unsigned char selector);

// The text of a typed number as strtod reads it: blanks around it trimmed, group separators
// removed (only where they are valid), the decimal separator turned into ".". Nothing when the
// text is not a number by the rules of these separators.
std::optional<std::string> CleanNumberText(std::string_view text,
                                           const NumberSeparators& separators);

// The C library's strtod in the "C" locale. `out_of_range` tells that it reported ERANGE.
double StrtodC(const std::string& text, bool& out_of_range);

// A decimal number held exactly: sign, digits and a power of ten (value = digits x 10^exponent).
struct Decimal {
    bool negative = false;
    std::string digits = "0";
    int exponent = 0;
};

// The double rounded to 15 significant digits, exactly as printf's "%.14e" gives them.
Decimal FifteenDigits(double value);

// Reads a number shown by a display pattern: -?[0-9]*\.[0-9]* with no leading zero, no
// trailing zero after the point, at most `decimals` digits after it, and no "-" on a zero.
// Nothing when the text breaks any of these.
std::optional<Decimal> ReadShownNumber(std::string_view text, int decimals);

// Compares |a - b| with half a unit in the `decimals`-th place: -1 below, 0 equal, 1 above.
int CompareDistanceToHalfUnit(const Decimal& a, const Decimal& b, int decimals);

// Whether |b| > |a|.
bool FartherFromZero(const Decimal& a, const Decimal& b);

// Whether the bytes are well-formed UTF-8.
bool IsUtf8(std::string_view text);

}  // namespace sondrel::fuzz
