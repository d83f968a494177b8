#pragma once
// Display formats: the three digit-placeholder patterns every shown number goes through.
// "#####." for ohms, "#.###" for volts, "####.#" for metres and millibars.

#include <string>
#include <string_view>

namespace sondrel {

inline constexpr std::string_view kOhmsPattern = "#####.";
inline constexpr std::string_view kVoltsPattern = "#.###";
inline constexpr std::string_view kMetricPattern = "####.#";

// The finite value's text of at most 15 significant digits ("1812.98", 1E+20 as digits) laid
// out by the pattern: no leading or trailing zeros, the "." always shown, rounded half away
// from zero on the 15-digit text; a value that rounds to zero prints as "." without a sign.
std::string FormatNumber(double value, std::string_view pattern);

}  // namespace sondrel
