#pragma once
// Designs worked out beforehand, for the tests of every layer: the five texts typed, the
// passes a first Calculate takes, the four result lines and the report of the defaults.

#include <array>
#include <string>
#include <string_view>

namespace sondrel::testing_support {

struct ReferenceDesign {
    const char* name;
    // Elevation, LoBaro, HiBaro, LoVolt, HiVolt, as typed with "." decimals.
    std::array<const char*, 5> texts;
    int passes;
    std::array<const char*, 4> lines;   // VR2, VR1 wiper to GND side, LoVin, HiVin
    std::array<const char*, 3> metric;  // the report's elevation in m, LoBaro and HiBaro in mb
};

inline constexpr ReferenceDesign kDefaultDesign{
    "Defaults",
    {"0", "28", "31", "1.25", "8.25"},
    6,
    {"VR2 = 1813. Ohms", "VR1 wiper to GND side = 1851. Ohms", "LoVin = 3.792 Volts",
     "HiVin = 4.249 Volts"},
    {".", "948.2", "1049.8"}};
inline constexpr ReferenceDesign kAt1000Ft{
    "Elevation1000ft",
    {"1000", "28", "31", "1.25", "8.25"},
    6,
    {"VR2 = 1888. Ohms", "VR1 wiper to GND side = 1646. Ohms", "LoVin = 3.64 Volts",
     "HiVin = 4.081 Volts"},
    {"304.8", "948.2", "1049.8"}};
inline constexpr ReferenceDesign kAt5000Ft{"Elevation5000ft",
                                           {"5000", "28", "31", "1.25", "8.25"},
                                           9,
                                           {"VR2 = 2187. Ohms", "VR1 wiper to GND side = 901. Ohms",
                                            "LoVin = 3.075 Volts", "HiVin = 3.456 Volts"},
                                           {"1524.", "948.2", "1049.8"}};
// VR1's wiper would have to go below GND: a design warning.
inline constexpr ReferenceDesign kAt15000Ft{
    "Elevation15000ftNegativeVr1",
    {"15000", "28", "31", "1.25", "8.25"},
    15,
    {"VR2 = 2991. Ohms", "VR1 wiper to GND side = -504. Ohms", "LoVin = 1.933 Volts",
     "HiVin = 2.191 Volts"},
    {"4572.", "948.2", "1049.8"}};
// The fifth pass moves by 1.0013E-04: just above the tolerance, so a sixth runs.
inline constexpr ReferenceDesign kHalfToFourAndAHalfVolts{
    "StrictToleranceSixthPass",
    {"0", "28", "31", "0.5", "4.5"},
    6,
    {"VR2 = 739. Ohms", "VR1 wiper to GND side = 2163. Ohms", "LoVin = 3.792 Volts",
     "HiVin = 4.249 Volts"},
    {".", "948.2", "1049.8"}};
inline constexpr ReferenceDesign kFallingVolts{
    "FallingVolts",
    {"0", "28", "31", "8.25", "1.25"},
    6,
    {"VR2 = -3256. Ohms", "VR1 wiper to GND side = 1902. Ohms", "LoVin = 3.792 Volts",
     "HiVin = 4.249 Volts"},
    {".", "948.2", "1049.8"}};

inline constexpr std::array kReferenceDesigns = {
    kDefaultDesign, kAt1000Ft, kAt5000Ft, kAt15000Ft, kHalfToFourAndAHalfVolts, kFallingVolts};

// The four lines between `separator`s: "\r\n" as the calculator and the report write them,
// "\n" as the results box and sondrel-calc show them. No break after the last.
inline std::string JoinedLines(const ReferenceDesign& design, std::string_view separator) {
    std::string text = design.lines[0];
    for (std::size_t i = 1; i < design.lines.size(); ++i) {
        text.append(separator).append(design.lines[i]);
    }
    return text;
}

// The report of the defaults after one Calculate, without a header.
inline constexpr std::string_view kDefaultReport =
    "Elev = 0 ft       Elev = . m\r\n"
    "LoBaro = 28 inHg     LoBaro = 948.2 mb\r\n"
    "HiBaro = 31 inHg     HiBaro = 1049.8 mb\r\n"
    "LoVolts = 1.25\r\n"
    "HiVolts = 8.25\r\n"
    "\r\n"
    "VR2 = 1813. Ohms\r\nVR1 wiper to GND side = 1851. Ohms\r\nLoVin = 3.792 Volts\r\n"
    "HiVin = 4.249 Volts\r\n";

}  // namespace sondrel::testing_support
