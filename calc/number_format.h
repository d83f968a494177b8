#pragma once
// Display formats: the three digit-placeholder patterns every shown number goes through.
// "#####." for ohms, "#.###" for volts, "####.#" for metres and millibars.

#include <string>
#include <string_view>

namespace sondrel {

inline constexpr std::string_view kOhmsPattern = "#####.";
inline constexpr std::string_view kVoltsPattern = "#.###";
inline constexpr std::string_view kMetricPattern = "####.#";

// The powers of ten a double holds exactly.
inline constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The finite value's text of at most 15 significant digits ("1812.98", 1E+20 as digits) laid
// out by the pattern: no leading or trailing zeros, the "." always shown, rounded half away
// from zero on the 15-digit text; a value that rounds to zero prints as "." without a sign.
std::string FormatNumber(double value, std::string_view pattern);

}  // namespace sondrel
