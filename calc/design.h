#pragma once
// A design: the five inputs as the window's boxes hold them (texts) and as numbers, and
// their reading, which names the box whose text is not a number.

#include <optional>
#include <string>
#include <string_view>

#include "calc/failure.h"
#include "calc/text_to_number.h"

namespace sondrel {

// The five input boxes' texts, in the order they are read; the window's designed defaults.
struct InputTexts {
    std::string elevation = "0";
    std::string lo_baro = "28";
    std::string hi_baro = "31";
    std::string lo_volts = "1.25";
    std::string hi_volts = "8.25";
};

// The input boxes' labels, which name them in failure messages.
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

// Reads the texts in order (elevation first): the design, or the failure of the first text
// that is not a number, naming its box.
Result<Design> ReadDesign(const InputTexts& texts, const NumberSeparators& separators = {});

// ReadDesign into `design`, field by field: on a failure the fields before the bad text
// hold their new values, the rest their old.
std::optional<Failure> LoadDesign(const InputTexts& texts, Design& design,
                                  const NumberSeparators& separators = {});

}  // namespace sondrel
