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

// Kept out of line so that the checks below stay cheap on the path that does not fail.
[[noreturn]] void ThrowOverflow(const char* what);
[[noreturn]] void ThrowDivisionByZero(const char* why_zero);

// A result that is not finite stops the command as an overflow.
inline double Finite(double value, const char* what) {
    if (!std::isfinite(value)) [[unlikely]] {
        ThrowOverflow(what);
    }
    return value;
}

inline double Divide(double numerator, double denominator, const char* why_zero, const char* what) {
    if (denominator == 0.0) [[unlikely]] {
        ThrowDivisionByZero(why_zero);
    }
    return Finite(numerator / denominator, what);
}

void ThrowOverflow(const char* what) {
    throw Failure(FailureKind::Overflow, std::string(what) + " is too large (overflow)");
}

void ThrowDivisionByZero(const char* why_zero) {
    throw Failure(FailureKind::DivisionByZero, std::string(why_zero) + " (division by zero)");
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

void Initialize(CalculatorState& state, const InputTexts& inputs,
                const NumberSeparators& separators) {
    state.Elev = TextToNumber(inputs.elevation, kElevationBox, separators);
    state.LoBaro = TextToNumber(inputs.lo_baro, kLoBaroBox, separators);
    state.HiBaro = TextToNumber(inputs.hi_baro, kHiBaroBox, separators);
    state.LoVolt = TextToNumber(inputs.lo_volts, kLoVoltsBox, separators);
    state.HiVolt = TextToNumber(inputs.hi_volts, kHiVoltsBox, separators);

    state.WiperGuess = kFirstWiperGuess;

    const double base = 1 - state.Elev * kPressureLapse;
    if (!(base > 0)) {
        throw Failure(FailureKind::InvalidArgument,
                      "the elevation must be below 145,491.8 ft "
                      "(logarithm of a non-positive number)");
    }
    const double log_ratio = Finite(std::log(base) * kPressureExponent, "the pressure ratio");
    state.PressRatio = Finite(std::exp(log_ratio), "the pressure ratio at this elevation");

    state.LoVin =
        Finite(SensorVolts(state.LoBaro, state.PressRatio), "the sensor voltage at LoBaro");
    state.HiVin =
        Finite(SensorVolts(state.HiBaro, state.PressRatio), "the sensor voltage at HiBaro");
    state.SpanGain =
        Divide(Finite(state.HiVolt - state.LoVolt, "the output span"),
               Finite(state.HiVin - state.LoVin, "the sensor span"),
               "the low and high pressures give the same sensor voltage", "the span gain");
    state.SpanFraction = 1;
    state.VinTarget =
        Finite((state.HiVin - state.LoVin) * state.SpanFraction + state.LoVin, "the target input");
    state.VoutTarget = Finite((state.HiVolt - state.LoVolt) * state.SpanFraction + state.LoVolt,
                              "the target output");
}

ResultLines Calculate(CalculatorState& state, const InputTexts& inputs, TextHolder& results,
                      const NumberSeparators& separators) {
    // What the box holds is written once, at the end or at a failure.
    ResultLines shown;
    bool written = false;
    try {
        for (;;) {
            if (!state.Initialized) {
                state.PassCount = 1;
                state.Initialized = true;
                try {
                    Initialize(state, inputs, separators);
                } catch (...) {
                    state.Initialized = false;  // never compute from a half-loaded state
                    throw;
                }
            }
            const double x = state.WiperGuess;
            state.Stage1Gain =
                1 + kStage1FeedbackKohm / (kStage1SeriesKohm + x * (1 - x) * kVr1StringKohm);
            state.Stage2Gain = Finite(state.SpanGain / state.Stage1Gain, "the second-stage gain");
            state.Vr2Factor = Finite(
                ((state.Stage2Gain - 1) / kVr2FullScaleKohm) * kStage2GroundKohm, "the VR2 factor");
            state.Vr2Shift =
                Finite((kVr2ShiftScale * state.Vr2Factor) / kVr2ShiftDivisor, "the VR2 shift");
            state.Stage2Input =
                Divide(Finite(state.VoutTarget + state.Vr2Shift, "the second-stage output"),
                       state.Stage2Gain, "the low and high volts give a second-stage gain of zero",
                       "the second-stage input");
            state.WiperError =
                Finite(state.Stage1Gain * state.VinTarget - state.Stage2Input, "the wiper error");
            state.QuadA = kQuadA;
            state.QuadB =
                1 - Divide(kQuadBErrorScale, std::fabs(state.WiperError),
                           "the wiper error is exactly zero", "the quadratic's b coefficient");
            state.QuadC = kQuadC;
            const double discriminant =
                Finite(state.QuadB * state.QuadB, "the quadratic's b squared") -
                4 * kQuadA * kQuadC;
            state.WiperNew = (-state.QuadB - std::sqrt(discriminant)) / (2 * kQuadA);
            const double vr2 = Finite(Vr2Ohms(state), "VR2");

            shown.written = WrittenLines::Vr2Alone;
            shown.vr2_ohms = vr2;
            written = true;
            shown.vr1_wiper_to_gnd_ohms =
                Finite(Vr1WiperToGndOhms(state), "the VR1 wiper to GND resistance");
            shown.lo_vin_volts = state.LoVin;
            shown.hi_vin_volts = state.HiVin;
            shown.written = WrittenLines::AllFour;

            // Both sides are evaluated, so a zero estimate fails even at the pass limit.
            const bool below_limit = state.PassCount < kPassLimit;
            if (state.WiperNew == 0.0) [[unlikely]] {
                ThrowDivisionByZero("the new wiper estimate is exactly zero");
            }
            const bool moving = Finite(RelativeChange(x, state.WiperNew),
                                       "the wiper's relative change") > kSettledChange;
            if (!(below_limit && moving)) {
                break;
            }
            ++state.PassCount;  // at most the limit, so never beyond 16 bits
            state.WiperGuess = state.WiperNew;
        }
    } catch (...) {
        if (written) {
            results.SetResults(shown);
        }
        throw;
    }
    results.SetResults(shown);
    return shown;
}

}  // namespace sondrel
