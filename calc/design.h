#pragma once
// A design: the five inputs as the window's boxes hold them (texts) and as numbers, and the
// boxes' labels, which name them in failure messages.

#include <string>
#include <string_view>

namespace sondrel {

// The five input boxes' texts, in the order they are read; the window's designed defaults.
struct InputTexts {
    std::string elevation = "0";
    std::string lo_baro = "28";
    std::string hi_baro = "31";
    std::string lo_volts = "1.25";
    std::string hi_volts = "8.25";
};

inline constexpr std::string_view kElevationBox = "Elevation, ft";
inline constexpr std::string_view kLoBaroBox = "LoBaro, inHg";
inline constexpr std::string_view kHiBaroBox = "HiBaro, inHg";
inline constexpr std::string_view kLoVoltsBox = "LoVolt";
inline constexpr std::string_view kHiVoltsBox = "HiVolt";

// The five inputs as numbers; the window's designed defaults.
struct Design {
    double elevation_ft = 0;
    double lo_baro_inhg = 28;  // sea-level pressure at the low end of the range
    double hi_baro_inhg = 31;  // sea-level pressure at the high end
    double lo_volts = 1.25;    // output wanted at lo_baro_inhg
    double hi_volts = 8.25;    // output wanted at hi_baro_inhg
};

}  // namespace sondrel
