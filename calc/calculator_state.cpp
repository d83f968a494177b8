#include "calc/calculator_state.h"

#include <cmath>
#include <string>

#include "calc/failure.h"

namespace sondrel {
namespace {

constexpr double kPressureLapse = 6.87324E-06;  // per foot, standard atmosphere
constexpr double kPressureExponent = 5.256;
constexpr std::int16_t kPassLimit = 100;
// The wiper quadratic's fixed coefficients a and c; known here, so the compiler can fold them.
constexpr std::int16_t kQuadA = -1;
constexpr double kQuadC = 0.27;

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

// Sensor output at a sea-level pressure in inHg: 5 x (0.009 x kPa - 0.095) volts.
double SensorVolts(double baro_inhg, double press_ratio) {
    return ((baro_inhg * 0.009 * press_ratio * 3.3863) - 0.095) * 5;
}

}  // namespace

void Initialize(CalculatorState& s, const InputTexts& in, const NumberSeparators& seps) {
    s.Elev = TextToNumber(in.elevation, kElevationBox, seps);
    s.LoBaro = TextToNumber(in.lo_baro, kLoBaroBox, seps);
    s.HiBaro = TextToNumber(in.hi_baro, kHiBaroBox, seps);
    s.LoVolt = TextToNumber(in.lo_volts, kLoVoltsBox, seps);
    s.HiVolt = TextToNumber(in.hi_volts, kHiVoltsBox, seps);

    s.WiperGuess = 0.34;

    const double base = 1 - s.Elev * kPressureLapse;
    if (!(base > 0)) {
        throw Failure(FailureKind::InvalidArgument,
                      "the elevation must be below 145,491.8 ft "
                      "(logarithm of a non-positive number)");
    }
    const double log_ratio = Finite(std::log(base) * kPressureExponent, "the pressure ratio");
    s.PressRatio = Finite(std::exp(log_ratio), "the pressure ratio at this elevation");

    s.LoVin = Finite(SensorVolts(s.LoBaro, s.PressRatio), "the sensor voltage at LoBaro");
    s.HiVin = Finite(SensorVolts(s.HiBaro, s.PressRatio), "the sensor voltage at HiBaro");
    s.SpanGain = Divide(Finite(s.HiVolt - s.LoVolt, "the output span"),
                        Finite(s.HiVin - s.LoVin, "the sensor span"),
                        "the low and high pressures give the same sensor voltage", "the span gain");
    s.SpanFraction = 1;
    s.VinTarget = Finite((s.HiVin - s.LoVin) * s.SpanFraction + s.LoVin, "the target input");
    s.VoutTarget = Finite((s.HiVolt - s.LoVolt) * s.SpanFraction + s.LoVolt, "the target output");
}

void Calculate(CalculatorState& s, const InputTexts& in, TextHolder& results,
               const NumberSeparators& seps) {
    // What the box holds is written once, at the end or at a failure.
    ResultLines shown;
    bool written = false;
    try {
        for (;;) {
            if (!s.Initialized) {
                s.PassCount = 1;
                s.Initialized = true;
                try {
                    Initialize(s, in, seps);
                } catch (...) {
                    s.Initialized = false;  // never compute from a half-loaded state
                    throw;
                }
            }
            const double x = s.WiperGuess;
            s.Stage1Gain = 1 + 15 / (2.7 + x * (1 - x) * 9.4);
            s.Stage2Gain = Finite(s.SpanGain / s.Stage1Gain, "the second-stage gain");
            s.Vr2Factor = Finite(((s.Stage2Gain - 1) / 5) * 0.666667, "the VR2 factor");
            s.Vr2Shift = Finite((50 * s.Vr2Factor) / 1.5, "the VR2 shift");
            s.Stage2Input =
                Divide(Finite(s.VoutTarget + s.Vr2Shift, "the second-stage output"), s.Stage2Gain,
                       "the low and high volts give a second-stage gain of zero",
                       "the second-stage input");
            s.WiperError = Finite(s.Stage1Gain * s.VinTarget - s.Stage2Input, "the wiper error");
            s.QuadA = kQuadA;
            s.QuadB = 1 - Divide(15, std::fabs(s.WiperError), "the wiper error is exactly zero",
                                 "the quadratic's b coefficient");
            s.QuadC = kQuadC;
            const double discriminant =
                Finite(s.QuadB * s.QuadB, "the quadratic's b squared") - 4 * kQuadA * kQuadC;
            s.WiperNew = (-s.QuadB - std::sqrt(discriminant)) / (2 * kQuadA);
            const double vr2 = Finite(s.Vr2Factor * 5000 - 53, "VR2");

            shown.count = 1;
            shown.vr2_ohms = vr2;
            written = true;
            shown.vr1_wiper_to_gnd_ohms =
                Finite(s.WiperNew * 9400 - 1877, "the VR1 wiper to GND resistance");
            shown.lo_vin_volts = s.LoVin;
            shown.hi_vin_volts = s.HiVin;
            shown.count = 4;

            // Both sides are evaluated, so a zero estimate fails even at the pass limit.
            const bool below_limit = s.PassCount < kPassLimit;
            const bool moving = Divide(std::fabs(s.WiperNew - x), s.WiperNew,
                                       "the new wiper estimate is exactly zero",
                                       "the wiper's relative change") > 0.0001;
            if (!(below_limit && moving)) {
                break;
            }
            ++s.PassCount;  // at most the limit, so never beyond 16 bits
            s.WiperGuess = s.WiperNew;
        }
    } catch (...) {
        if (written) {
            results.SetResults(shown);
        }
        throw;
    }
    results.SetResults(shown);
}

}  // namespace sondrel
