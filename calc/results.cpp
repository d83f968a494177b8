#include "calc/solver.h"

#include "calc/circuit_model.h"
#include "calc/number_format.h"

namespace sondrel {
namespace {

// The last place each display pattern shows: farther than that from an edge, no text is needed.
constexpr double kOhmsPlace = 1;
constexpr double kVoltsPlace = 0.001;

// A number as the results box shows it, without the trailing point ("-504." gives "-504").
std::string Shown(double value, std::string_view pattern) {
    std::string text = FormatNumber(value, pattern);
    if (text.size() > 1 && text.back() == '.') {
        text.pop_back();
    }
    return text;
}

// Whether a value shows as negative: below zero and not rounded to zero on the way.
bool ShowsNegative(double value, std::string_view pattern, double rounding) {
    return value < 0 && (value <= -rounding || FormatNumber(value, pattern).front() == '-');
}

// Whether a value shows above `highest`: beyond it and not rounded to it on the way.
bool ShowsAbove(double value, double highest, std::string_view pattern, double rounding) {
    return value > highest && (value >= highest + rounding ||
                               FormatNumber(value, pattern) != FormatNumber(highest, pattern));
}

// Whether a sensor voltage shows below ground or above its 5 V supply (5.0004 V shows "5.").
bool ShowsOutsideSensor(double volts) {
    return ShowsNegative(volts, kVoltsPattern, kVoltsPlace) ||
           ShowsAbove(volts, kSensorSupplyVolts, kVoltsPattern, kVoltsPlace);
}

std::string SensorRangeMessage(const ResultLines& lines, bool lo_outside, bool hi_outside) {
    const std::string lo = "LoVin is " + Shown(lines.lo_vin_volts, kVoltsPattern) + " V";
    const std::string hi = "HiVin is " + Shown(lines.hi_vin_volts, kVoltsPattern) + " V";
    return (lo_outside && hi_outside ? lo + " and " + hi
            : lo_outside             ? lo
                                     : hi) +
           ", outside the sensor's 0 to 5 V output: give the pressures as sea-level "
           "values in inHg (about 28 to 31), not in hPa, kPa or mbar.";
}

}  // namespace

void FormatResultTexts(const ResultLines& lines, ResultTexts& texts) {
    const auto shown = [](bool written, double value, std::string_view pattern) {
        return written ? FormatNumber(value, pattern) : std::string();
    };
    const bool all_four = lines.written == WrittenLines::AllFour;
    texts.vr2_ohms = shown(lines.written != WrittenLines::None, lines.vr2_ohms, kOhmsPattern);
    texts.vr1_wiper_to_gnd_ohms = shown(all_four, lines.vr1_wiper_to_gnd_ohms, kOhmsPattern);
    texts.lo_vin_volts = shown(all_four, lines.lo_vin_volts, kVoltsPattern);
    texts.hi_vin_volts = shown(all_four, lines.hi_vin_volts, kVoltsPattern);
}

std::string ResultsText(const ResultTexts& texts, WrittenLines written) {
    if (written == WrittenLines::None) {
        return {};
    }
    std::string text = "VR2 = " + texts.vr2_ohms + " Ohms";
    if (written == WrittenLines::AllFour) {
        text += "\r\nVR1 wiper to GND side = " + texts.vr1_wiper_to_gnd_ohms +
                " Ohms\r\nLoVin = " + texts.lo_vin_volts +
                " Volts\r\nHiVin = " + texts.hi_vin_volts + " Volts";
    }
    return text;
}

std::string FormatResultLines(const ResultLines& lines) {
    ResultTexts texts;
    FormatResultTexts(lines, texts);
    return ResultsText(texts, lines.written);
}

void CheckDesign(const SettledDesign& design, std::vector<DesignWarning>& warnings,
                 WarningText text) {
    warnings.clear();
    const auto warn = [&](std::string_view code, const auto& message) {
        warnings.push_back({code, text == WarningText::Messages ? message() : std::string()});
    };
    const ResultLines& lines = design.lines;
    // Pressures outside the sensor's range cause the others that come with them: named first.
    const bool lo_outside = ShowsOutsideSensor(lines.lo_vin_volts);
    const bool hi_outside = ShowsOutsideSensor(lines.hi_vin_volts);
    if (lo_outside || hi_outside) {
        warn("sensor-range", [&] { return SensorRangeMessage(lines, lo_outside, hi_outside); });
    }
    const double vr1 = lines.vr1_wiper_to_gnd_ohms;
    if (ShowsNegative(vr1, kOhmsPattern, kOhmsPlace)) {
        warn("vr1-negative", [&] {
            return "VR1 wiper to GND side is " + Shown(vr1, kOhmsPattern) +
                   " ohms, which no setting gives: the sensor's voltages at this elevation are "
                   "too low for the output asked for, so ask for lower volts (LoVolt, HiVolt) or "
                   "check the elevation.";
        });
    }
    if (ShowsAbove(vr1, kVr1TrackEndOhms, kOhmsPattern, kOhmsPlace)) {
        warn("vr1-beyond-track", [&] {
            return "VR1 wiper to GND side is " + Shown(vr1, kOhmsPattern) + " ohms, beyond the " +
                   std::to_string(kVr1TrackEndOhms) +
                   " ohms of the wiper at the end of its track: the output span asked for is "
                   "far narrower than the sensor's, so ask for a wider output span (LoVolt to "
                   "HiVolt) or a narrower pressure range (LoBaro to HiBaro).";
        });
    }
    const double vr2 = lines.vr2_ohms;
    if (ShowsNegative(vr2, kOhmsPattern, kOhmsPlace)) {
        warn("vr2-negative", [&] {
            return "VR2 is " + Shown(vr2, kOhmsPattern) + " ohms, which no setting gives: " +
                   (design.span_gain < 0
                        ? "the range falls (LoVolt above HiVolt, or LoBaro above HiBaro), which "
                          "the circuit cannot give, so enter the low values first."
                        : "the gain needed is less than the circuit's second stage gives, so ask "
                          "for a larger output span (LoVolt to HiVolt) or a narrower pressure "
                          "range (LoBaro to HiBaro).");
        });
    }
    if (ShowsAbove(vr2, kVr2TrackEndOhms, kOhmsPattern, kOhmsPlace)) {
        warn("vr2-beyond-track", [&] {
            return "VR2 is " + Shown(vr2, kOhmsPattern) + " ohms, beyond the " +
                   std::to_string(kVr2TrackEndOhms) + " ohms of its " +
                   std::to_string(kVr2FullScaleOhms) +
                   " ohm trimmer turned to its end: the gain needed is more than the circuit's "
                   "second stage gives, so ask for a smaller output span (LoVolt to HiVolt) or a "
                   "wider pressure range (LoBaro to HiBaro).";
        });
    }
    if (design.passes >= kPassLimit && design.still_moving) {
        warn("pass-limit", [] {
            return "The solver stopped at its " + std::to_string(kPassLimit) +
                   "-pass limit with the wiper estimate still moving, so these lines are not "
                   "settled: edit an input and calculate again to start from a fresh estimate.";
        });
    }
}

}  // namespace sondrel
