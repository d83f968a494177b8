#include "calc/calculator_state.h"

#include <cmath>
#include <string>

#include "calc/failure.h"

namespace sondrel {
namespace {

// The standard atmosphere: pressure ratio = (1 - lapse x feet) ^ exponent.
constexpr double kPressureLapse = 6.87324E-06;  // per foot
constexpr double kPressureExponent = 5.256;

// The sensor: supply x (slope x kPa - offset) volts, fed with the pressure in kPa.
constexpr double kKpaPerInHg = 3.3863;
constexpr double kSensorSlopePerKpa = 0.009;  // fraction of the supply per kPa
constexpr double kSensorOffset = 0.095;       // fraction of the supply
constexpr int kSensorSupplyVolts = 5;

// The first stage's gain, 1 + feedback / (series + the VR1 wiper's share of the string),
// in kilohms: the wiper at fraction x of the 9.4K string (R4 + R9 + R8) adds x (1 - x) 9.4K.
constexpr int kStage1FeedbackKohm = 15;
constexpr double kStage1SeriesKohm = 2.7;
constexpr double kVr1StringKohm = 9.4;
// The VR1 wiper to GND value: the wiper's place on the same 9.4K string, less a fixed 1877
// ohms that fits the formula to the built circuit.
constexpr int kVr1StringOhms = 9400;
constexpr int kVr1WiperOffsetOhms = 1877;

// The second stage: VR2 as a fraction of its 5K, from the stage's gain over the 2/3 K it
// works against (the decimal 0.666667, not two thirds), then in ohms less a fixed 53 ohms
// that fits the formula to the built circuit.
constexpr int kVr2FullScaleKohm = 5;
constexpr double kStage2GroundKohm = 0.666667;
constexpr int kVr2FullScaleOhms = 5000;
constexpr int kVr2OffsetOhms = 53;
// The offset VR2's setting adds to the output target: 50 x (VR2's fraction) / 1.5 volts.
constexpr int kVr2ShiftScale = 50;
constexpr double kVr2ShiftDivisor = 1.5;

// The wiper estimate every load starts from.
constexpr double kFirstWiperGuess = 0.34;
// The wiper quadratic -x^2 + b x + 0.27 = 0, b = 1 - 15 / |error|; its fixed coefficients
// a and c are known here, so the compiler can fold them.
constexpr std::int16_t kQuadA = -1;
constexpr double kQuadC = 0.27;
constexpr int kQuadBErrorScale = 15;
// The solver stops when a pass moves the estimate by no more than this part of it, or at
// the pass limit.
constexpr double kSettledChange = 0.0001;

// The checks: each returns true when the value may be used, and otherwise fills in `failure`
// with what Calculate throws and returns false. The messages are built out of line, so the
// checks stay cheap on the path that does not fail.
bool Overflow(const char* what, CalculateFailure& failure);
bool DivisionByZero(const char* why_zero, CalculateFailure& failure);

// A result that is not finite stops the command as an overflow.
inline bool Finite(double value, const char* what, CalculateFailure& failure) {
    if (!std::isfinite(value)) [[unlikely]] {
        return Overflow(what, failure);
    }
    return true;
}

// A checked value into its field; the field keeps its old value when the check fails.
inline bool Store(double value, const char* what, double& field, CalculateFailure& failure) {
    if (!Finite(value, what, failure)) {
        return false;
    }
    field = value;
    return true;
}

inline bool Divide(double numerator, double denominator, const char* why_zero, const char* what,
                   double& quotient, CalculateFailure& failure) {
    if (denominator == 0.0) [[unlikely]] {
        return DivisionByZero(why_zero, failure);
    }
    quotient = numerator / denominator;
    return Finite(quotient, what, failure);
}

bool Overflow(const char* what, CalculateFailure& failure) {
    failure.kind = FailureKind::Overflow;
    failure.message = std::string(what) + " is too large (overflow)";
    return false;
}

bool DivisionByZero(const char* why_zero, CalculateFailure& failure) {
    failure.kind = FailureKind::DivisionByZero;
    failure.message = std::string(why_zero) + " (division by zero)";
    return false;
}

// One box's number into `value`, which keeps its old value when the text is not a number.
inline bool ReadBox(std::string_view text, std::string_view box_name,
                    const NumberSeparators& separators, double& value, CalculateFailure& failure) {
    const ParseResult result = ParseNumber(text, separators);
    if (result.status != ParseStatus::Ok) [[unlikely]] {
        failure.kind = ParseFailureKind(result.status);
        failure.message = ParseFailureMessage(result.status, text, box_name);
        return false;
    }
    value = result.value;
    return true;
}

// Sensor output at a sea-level pressure in inHg, seen at the site's pressure ratio.
double SensorVolts(double baro_inhg, double press_ratio) {
    return ((baro_inhg * kSensorSlopePerKpa * press_ratio * kKpaPerInHg) - kSensorOffset) *
           kSensorSupplyVolts;
}

// How far a pass moved the estimate, as a part of the new one.
double RelativeChange(double guess, double next) {
    return std::fabs(next - guess) / next;
}

}  // namespace

double Vr2Ohms(const CalculatorState& state) {
    return state.Vr2Factor * kVr2FullScaleOhms - kVr2OffsetOhms;
}

double Vr1WiperToGndOhms(const CalculatorState& state) {
    return state.WiperNew * kVr1StringOhms - kVr1WiperOffsetOhms;
}

bool StillMoving(const CalculatorState& state) {
    return RelativeChange(state.WiperGuess, state.WiperNew) > kSettledChange;
}

namespace {

// Initialize without exceptions. Each field is written only once its value has passed its
// checks, so a failure leaves the fields it did not reach as they were.
bool TryInitialize(CalculatorState& state, const InputTexts& inputs,
                   const NumberSeparators& separators, CalculateFailure& failure) {
    if (!ReadBox(inputs.elevation, kElevationBox, separators, state.Elev, failure) ||
        !ReadBox(inputs.lo_baro, kLoBaroBox, separators, state.LoBaro, failure) ||
        !ReadBox(inputs.hi_baro, kHiBaroBox, separators, state.HiBaro, failure) ||
        !ReadBox(inputs.lo_volts, kLoVoltsBox, separators, state.LoVolt, failure) ||
        !ReadBox(inputs.hi_volts, kHiVoltsBox, separators, state.HiVolt, failure)) {
        return false;
    }

    state.WiperGuess = kFirstWiperGuess;

    const double base = 1 - state.Elev * kPressureLapse;
    if (!(base > 0)) {
        failure.kind = FailureKind::InvalidArgument;
        failure.message =
            "the elevation must be below 145,491.8 ft (logarithm of a non-positive number)";
        return false;
    }
    const double log_ratio = std::log(base) * kPressureExponent;
    if (!Finite(log_ratio, "the pressure ratio", failure) ||
        !Store(std::exp(log_ratio), "the pressure ratio at this elevation", state.PressRatio,
               failure) ||
        !Store(SensorVolts(state.LoBaro, state.PressRatio), "the sensor voltage at LoBaro",
               state.LoVin, failure) ||
        !Store(SensorVolts(state.HiBaro, state.PressRatio), "the sensor voltage at HiBaro",
               state.HiVin, failure)) {
        return false;
    }

    // The sensor span is checked before the output span.
    const double sensor_span = state.HiVin - state.LoVin;
    const double output_span = state.HiVolt - state.LoVolt;
    double span_gain = 0;
    if (!Finite(sensor_span, "the sensor span", failure) ||
        !Finite(output_span, "the output span", failure) ||
        !Divide(output_span, sensor_span, "the low and high pressures give the same sensor voltage",
                "the span gain", span_gain, failure)) {
        return false;
    }
    state.SpanGain = span_gain;
    state.SpanFraction = 1;
    return Store((state.HiVin - state.LoVin) * state.SpanFraction + state.LoVin, "the target input",
                 state.VinTarget, failure) &&
           Store((state.HiVolt - state.LoVolt) * state.SpanFraction + state.LoVolt,
                 "the target output", state.VoutTarget, failure);
}

// One pass of the solver from the estimate in WiperGuess: the working values into the state,
// and the lines it shows into `shown`, `written` set once the VR2 line is there.
bool Pass(CalculatorState& state, ResultLines& shown, bool& written, CalculateFailure& failure) {
    const double x = state.WiperGuess;
    state.Stage1Gain = 1 + kStage1FeedbackKohm / (kStage1SeriesKohm + x * (1 - x) * kVr1StringKohm);
    if (!Store(state.SpanGain / state.Stage1Gain, "the second-stage gain", state.Stage2Gain,
               failure) ||
        !Store(((state.Stage2Gain - 1) / kVr2FullScaleKohm) * kStage2GroundKohm, "the VR2 factor",
               state.Vr2Factor, failure) ||
        !Store((kVr2ShiftScale * state.Vr2Factor) / kVr2ShiftDivisor, "the VR2 shift",
               state.Vr2Shift, failure)) {
        return false;
    }
    const double stage2_output = state.VoutTarget + state.Vr2Shift;
    double stage2_input = 0;
    if (!Finite(stage2_output, "the second-stage output", failure) ||
        !Divide(stage2_output, state.Stage2Gain,
                "the low and high volts give a second-stage gain of zero", "the second-stage input",
                stage2_input, failure)) {
        return false;
    }
    state.Stage2Input = stage2_input;
    if (!Store(state.Stage1Gain * state.VinTarget - state.Stage2Input, "the wiper error",
               state.WiperError, failure)) {
        return false;
    }
    state.QuadA = kQuadA;
    double b_term = 0;
    if (!Divide(kQuadBErrorScale, std::fabs(state.WiperError), "the wiper error is exactly zero",
                "the quadratic's b coefficient", b_term, failure)) {
        return false;
    }
    state.QuadB = 1 - b_term;
    state.QuadC = kQuadC;
    const double b_squared = state.QuadB * state.QuadB;
    if (!Finite(b_squared, "the quadratic's b squared", failure)) {
        return false;
    }
    const double discriminant = b_squared - 4 * kQuadA * kQuadC;
    state.WiperNew = (-state.QuadB - std::sqrt(discriminant)) / (2 * kQuadA);
    const double vr2 = Vr2Ohms(state);
    if (!Finite(vr2, "VR2", failure)) {
        return false;
    }

    shown.written = WrittenLines::Vr2Alone;
    shown.vr2_ohms = vr2;
    written = true;
    const double vr1 = Vr1WiperToGndOhms(state);
    if (!Finite(vr1, "the VR1 wiper to GND resistance", failure)) {
        return false;
    }
    shown.vr1_wiper_to_gnd_ohms = vr1;
    shown.lo_vin_volts = state.LoVin;
    shown.hi_vin_volts = state.HiVin;
    shown.written = WrittenLines::AllFour;
    return true;
}

// The solver without exceptions; `shown` and `written` as Pass leaves them.
bool Solve(CalculatorState& state, const InputTexts& inputs, const NumberSeparators& separators,
           ResultLines& shown, bool& written, CalculateFailure& failure) {
    for (;;) {
        if (!state.Initialized) {
            state.PassCount = 1;
            // Marked loaded only once the load is whole: never compute from a half-loaded state.
            if (!TryInitialize(state, inputs, separators, failure)) {
                return false;
            }
            state.Initialized = true;
        }
        const double x = state.WiperGuess;
        if (!Pass(state, shown, written, failure)) {
            return false;
        }
        // Both sides are evaluated, so a zero estimate fails even at the pass limit.
        const bool below_limit = state.PassCount < kPassLimit;
        if (state.WiperNew == 0.0) [[unlikely]] {
            return DivisionByZero("the new wiper estimate is exactly zero", failure);
        }
        const double change = RelativeChange(x, state.WiperNew);
        if (!Finite(change, "the wiper's relative change", failure)) {
            return false;
        }
        if (!(below_limit && change > kSettledChange)) {
            return true;
        }
        ++state.PassCount;  // at most the limit, so never beyond 16 bits
        state.WiperGuess = state.WiperNew;
    }
}

}  // namespace

void Initialize(CalculatorState& state, const InputTexts& inputs,
                const NumberSeparators& separators) {
    CalculateFailure failure;
    if (!TryInitialize(state, inputs, separators, failure)) {
        throw Failure(failure.kind, failure.message);
    }
}

bool TryCalculate(CalculatorState& state, const InputTexts& inputs, TextHolder& results,
                  ResultLines& lines, CalculateFailure& failure,
                  const NumberSeparators& separators) {
    // What the box holds is written once, at the end or at a failure.
    ResultLines shown;
    bool written = false;
    const bool solved = Solve(state, inputs, separators, shown, written, failure);
    if (solved || written) {
        results.SetResults(shown);
    }
    if (solved) {
        lines = shown;
    }
    return solved;
}

ResultLines Calculate(CalculatorState& state, const InputTexts& inputs, TextHolder& results,
                      const NumberSeparators& separators) {
    ResultLines lines;
    CalculateFailure failure;
    if (!TryCalculate(state, inputs, results, lines, failure, separators)) [[unlikely]] {
        throw Failure(failure.kind, failure.message);
    }
    return lines;
}

}  // namespace sondrel
