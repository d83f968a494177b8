#pragma once
// The calculator state carried between the main window's commands, and the commands on it:
// Initialize (load the five inputs), ClearInitialized, and Calculate (the wiper solver).

#include <cstdint>
#include <string>
#include <string_view>

#include "calc/failure.h"
#include "calc/results_text.h"
#include "calc/text_to_number.h"

namespace sondrel {

// The five input boxes' texts, in the order they are read.
struct InputTexts {
    std::string elevation = "0";    // Text2, feet
    std::string lo_baro = "28";     // Text3, inHg
    std::string hi_baro = "31";     // Text4, inHg
    std::string lo_volts = "1.25";  // Text5
    std::string hi_volts = "8.25";  // Text6
};

// The input boxes' labels, which name them in failure messages.
inline constexpr std::string_view kElevationBox = "Elevation, ft";
inline constexpr std::string_view kLoBaroBox = "LoBaro, inHg";
inline constexpr std::string_view kHiBaroBox = "HiBaro, inHg";
inline constexpr std::string_view kLoVoltsBox = "LoVolt";
inline constexpr std::string_view kHiVoltsBox = "HiVolt";

// Every field starts at zero; the window owns one for its whole life.
struct CalculatorState {
    // Loaded by Initialize.
    double Elev = 0;          // feet
    double LoBaro = 0;        // inHg, sea-level value
    double HiBaro = 0;        // inHg, sea-level value
    double LoVolt = 0;        // volts, output wanted at LoBaro
    double HiVolt = 0;        // volts, output wanted at HiBaro
    double PressRatio = 0;    // no unit: the site's pressure over sea level's
    double LoVin = 0;         // volts, the sensor's output at LoBaro
    double HiVin = 0;         // volts, the sensor's output at HiBaro
    double SpanGain = 0;      // no unit: output span over sensor span
    double SpanFraction = 0;  // no unit: where on the span the targets are taken (1)
    double VinTarget = 0;     // volts, sensor output at SpanFraction of the span
    double VoutTarget = 0;    // volts, output wanted at SpanFraction of the span
    double WiperGuess = 0;    // fraction of VR1's travel; also advanced by the solver

    bool Initialized = false;
    std::int16_t PassCount = 0;  // passes since the solver last loaded the state

    // The solver's working values, kept between presses.
    double Stage1Gain = 0;   // no unit
    double Stage2Gain = 0;   // no unit
    double Vr2Factor = 0;    // fraction of VR2's 5K
    double Vr2Shift = 0;     // volts, added to the output target
    double Stage2Input = 0;  // volts
    double WiperError = 0;   // volts
    std::int16_t QuadA = 0;  // the wiper quadratic's a, b and c (no unit)
    double QuadB = 0;
    double QuadC = 0;
    double WiperNew = 0;  // fraction of VR1's travel, the pass's new estimate
};

// Reads the five texts in order (elevation first) and derives the sensor voltages and the
// span gain. Leaves Initialized and PassCount alone. On a failure (throws Failure) the fields
// read so far keep their new values and the rest their old ones.
void Initialize(CalculatorState& state, const InputTexts& inputs,
                const NumberSeparators& separators = {});

// Marks the state as no longer matching the inputs: the next Calculate reloads it.
inline void ClearInitialized(CalculatorState& state) {
    state.Initialized = false;
}

// The most passes one Calculate runs.
inline constexpr std::int16_t kPassLimit = 100;

// What the last pass showed and tested, from the state it left, by the solver's own
// expressions: VR2 from Vr2Factor, the VR1 wiper to GND value from WiperNew, and whether the
// step from WiperGuess to WiperNew moved by more than one part in 10,000 (the solver goes on
// while it does, up to kPassLimit passes).
double Vr2Ohms(const CalculatorState& state);
double Vr1WiperToGndOhms(const CalculatorState& state);
bool StillMoving(const CalculatorState& state);

// The wiper solver: reloads the state when Initialized is clear, then iterates until the
// estimate settles (strictly more than one part in 10,000 goes on) or PassCount reaches 100.
// Leaves the last pass's four result lines in `results` and returns them. On a failure
// `results` keeps what was last written (the previous pass's lines, or this pass's VR2 line
// alone), a failed load leaves Initialized false, and Failure is thrown.
ResultLines Calculate(CalculatorState& state, const InputTexts& inputs, TextHolder& results,
                      const NumberSeparators& separators = {});

// What went wrong in a calculation that did not throw.
struct CalculateFailure {
    FailureKind kind = FailureKind::TypeMismatch;
    std::string message;  // the same text Failure::what() gives
};

// Calculate without exceptions: on success returns true and the lines, on a failure returns
// false with `failure` filled in (and `lines` untouched), and leaves the state and `results`
// exactly as Calculate would.
bool TryCalculate(CalculatorState& state, const InputTexts& inputs, TextHolder& results,
                  ResultLines& lines, CalculateFailure& failure,
                  const NumberSeparators& separators = {});

}  // namespace sondrel
