#include "calc/design_checks.h"

#include "calc/number_format.h"

namespace sondrel {
namespace {

// The sensor's output lies between ground and its 5 V supply.
constexpr double kSensorHighestVolts = 5;

// A number as the results box shows it, without the trailing point ("-504." gives "-504").
std::string Shown(double value, std::string_view pattern) {
    std::string text = FormatNumber(value, pattern);
    if (text.size() > 1 && text.back() == '.') {
        text.pop_back();
    }
    return text;
}

// Whether a value shows as negative: below zero and not rounded to zero on the way.
bool ShowsNegative(double value, std::string_view pattern) {
    return value < 0 && FormatNumber(value, pattern).front() == '-';
}

// Whether a sensor voltage shows below ground or above the supply (5.0004 V shows as "5.").
bool ShowsOutsideSensor(double volts) {
    return ShowsNegative(volts, kVoltsPattern) ||
           (volts > kSensorHighestVolts && FormatNumber(volts, kVoltsPattern) != "5.");
}

std::string SensorRangeMessage(const CalculatorState& state, bool lo_outside, bool hi_outside) {
    std::string message;
    if (lo_outside) {
        message += "LoVin is " + Shown(state.LoVin, kVoltsPattern) + " V";
    }
    if (hi_outside) {
        message += lo_outside ? " and HiVin is " : "HiVin is ";
        message += Shown(state.HiVin, kVoltsPattern) + " V";
    }
    return message +
           ", outside the sensor's 0 to 5 V output: give the pressures as sea-level "
           "values in inHg (about 28 to 31), not in hPa, kPa or mbar.";
}

}  // namespace

std::vector<DesignWarning> CheckDesign(const CalculatorState& state) {
    std::vector<DesignWarning> warnings;

    if (const double vr1 = Vr1WiperToGndOhms(state); ShowsNegative(vr1, kOhmsPattern)) {
        warnings.push_back(
            {"vr1-negative",
             "VR1 wiper to GND side is " + Shown(vr1, kOhmsPattern) +
                 " ohms, which no setting gives: the sensor's voltages at this elevation are "
                 "too low for the output asked for, so ask for lower volts (LoVolt, HiVolt) or "
                 "check the elevation."});
    }
    if (const double vr2 = Vr2Ohms(state); ShowsNegative(vr2, kOhmsPattern)) {
        const std::string start =
            "VR2 is " + Shown(vr2, kOhmsPattern) + " ohms, which no setting gives: ";
        warnings.push_back(
            {"vr2-negative",
             state.SpanGain < 0
                 ? start + "the range falls (LoVolt above HiVolt, or LoBaro above HiBaro), which "
                           "the circuit cannot give, so enter the low values first."
                 : start + "the gain needed is less than the circuit's second stage gives, so ask "
                           "for a larger output span (LoVolt to HiVolt) or a narrower pressure "
                           "range (LoBaro to HiBaro)."});
    }
    const bool lo_outside = ShowsOutsideSensor(state.LoVin);
    const bool hi_outside = ShowsOutsideSensor(state.HiVin);
    if (lo_outside || hi_outside) {
        warnings.push_back({"sensor-range", SensorRangeMessage(state, lo_outside, hi_outside)});
    }
    if (state.PassCount >= kPassLimit && StillMoving(state)) {
        warnings.push_back(
            {"pass-limit", "The solver stopped at its " + std::to_string(kPassLimit) +
                               "-pass limit with the wiper estimate still moving, so these "
                               "lines are not settled: edit an input and calculate again to "
                               "start from a fresh estimate."});
    }
    return warnings;
}

}  // namespace sondrel
