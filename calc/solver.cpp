#include "calc/solver.h"

#include <cmath>
#include <string>

#include "calc/circuit_model.h"

namespace sondrel {
namespace {

// Where the pressure ratio reaches zero: 1 / kPressureLapse feet.
constexpr const char* kElevationLimitText = "145,491.8 ft";
constexpr const char* kSameSensorVoltage =
    "the low and high pressures give the same sensor voltage";

// The checks of one calculation: false, with the failure that stops it, when a value is unfit.
struct Checks {
    Failure& failure;

    bool Fail(FailureKind kind, std::string detail) {
        failure = Failure{kind, {}, std::move(detail)};
        return false;
    }
    bool Overflow(const char* what) {
        return Fail(FailureKind::Overflow, std::string(what) + " is too large (overflow)");
    }
    bool DivisionByZero(const char* why_zero) {
        return Fail(FailureKind::DivisionByZero, std::string(why_zero) + " (division by zero)");
    }
    // A result that is not finite stops the command as an overflow.
    bool Finite(double value, const char* what) {
        if (!std::isfinite(value)) [[unlikely]] {
            return Overflow(what);
        }
        return true;
    }
    // A checked value into its field; the field keeps its old value when the check fails.
    bool Store(double value, const char* what, double& field) {
        if (!Finite(value, what)) {
            return false;
        }
        field = value;
        return true;
    }
    bool Divide(double numerator, double denominator, const char* why_zero, const char* what,
                double& quotient) {
        if (denominator == 0.0) [[unlikely]] {
            return DivisionByZero(why_zero);
        }
        return Store(numerator / denominator, what, quotient);
    }
};

// Sensor output at a sea-level pressure in inHg, seen at the site's pressure ratio.
double SensorVolts(double baro_inhg, double press_ratio) {
    return ((baro_inhg * kSensorSlopePerKpa * press_ratio * kKpaPerInHg) - kSensorOffset) *
           kSensorSupplyVolts;
}

// How far a pass moved the estimate, as a part of the new one.
double RelativeChange(double guess, double next) {
    return std::fabs(next - guess) / next;
}

// Derives the sensor voltages, the span gain and the targets from the numbers loaded. Each
// field is written only once its value has passed its checks.
bool Derive(SolverState& s, Checks check) {
    s.wiper_guess = kFirstWiperGuess;

    const double base = 1 - s.loaded.elevation_ft * kPressureLapse;
    if (!(base > 0)) {
        return check.Fail(FailureKind::InvalidArgument,
                          std::string("the elevation must be below ") + kElevationLimitText +
                              " (logarithm of a non-positive number)");
    }
    const double log_ratio = std::log(base) * kPressureExponent;
    double press_ratio = 0;  // the site's pressure over sea level's
    if (!check.Finite(log_ratio, "the pressure ratio") ||
        !check.Store(std::exp(log_ratio), "the pressure ratio at this elevation", press_ratio) ||
        !check.Store(SensorVolts(s.loaded.lo_baro_inhg, press_ratio),
                     "the sensor voltage at LoBaro", s.lo_vin) ||
        !check.Store(SensorVolts(s.loaded.hi_baro_inhg, press_ratio),
                     "the sensor voltage at HiBaro", s.hi_vin)) {
        return false;
    }

    // The sensor span is checked before the output span.
    const double sensor_span = s.hi_vin - s.lo_vin;
    const double output_span = s.loaded.hi_volts - s.loaded.lo_volts;
    if (!check.Finite(sensor_span, "the sensor span") ||
        !check.Finite(output_span, "the output span")) {
        return false;
    }
    if (sensor_span == 0 &&
        SensorVolts(s.loaded.lo_baro_inhg, 1) != SensorVolts(s.loaded.hi_baro_inhg, 1)) {
        // Two pressures the sensor tells apart at sea level: the elevation hides the difference.
        return check.Fail(FailureKind::DivisionByZero,
                          std::string(kSameSensorVoltage) +
                              ": at this elevation the pressure ratio is too small to tell the two "
                              "pressures apart, falling to zero at " +
                              kElevationLimitText + ", the formula's limit (division by zero)");
    }
    return check.Divide(output_span, sensor_span, kSameSensorVoltage, "the span gain",
                        s.span_gain) &&
           check.Store(sensor_span * kSpanFraction + s.lo_vin, "the target input", s.vin_target) &&
           check.Store(output_span * kSpanFraction + s.loaded.lo_volts, "the target output",
                       s.vout_target);
}

// One pass from the estimate in wiper_guess: the next into wiper_new, its lines into `shown`.
bool Pass(SolverState& s, ResultLines& shown, Checks check) {
    const double x = s.wiper_guess;
    const double stage1_gain =
        1 + kStage1FeedbackKohm / (kStage1SeriesKohm + x * (1 - x) * kVr1StringKohm);
    double stage2_gain = 0;
    double vr2_factor = 0;  // fraction of VR2's 5K
    double vr2_shift = 0;   // volts, added to the output target
    if (!check.Store(s.span_gain / stage1_gain, "the second-stage gain", stage2_gain) ||
        !check.Store(((stage2_gain - 1) / kVr2FullScaleKohm) * kStage2GroundKohm, "the VR2 factor",
                     vr2_factor) ||
        !check.Store((kVr2ShiftScale * vr2_factor) / kVr2ShiftDivisor, "the VR2 shift",
                     vr2_shift)) {
        return false;
    }
    const double stage2_output = s.vout_target + vr2_shift;
    double stage2_input = 0;
    double wiper_error = 0;  // volts
    double b_term = 0;
    if (!check.Finite(stage2_output, "the second-stage output") ||
        !check.Divide(stage2_output, stage2_gain,
                      "the low and high volts give a second-stage gain of zero",
                      "the second-stage input", stage2_input) ||
        !check.Store(stage1_gain * s.vin_target - stage2_input, "the wiper error", wiper_error) ||
        !check.Divide(kQuadBErrorScale, std::fabs(wiper_error), "the wiper error is exactly zero",
                      "the quadratic's b coefficient", b_term)) {
        return false;
    }
    const double quad_b = 1 - b_term;
    const double b_squared = quad_b * quad_b;
    if (!check.Finite(b_squared, "the quadratic's b squared")) {
        return false;
    }
    const double discriminant = b_squared - 4 * kQuadA * kQuadC;
    s.wiper_new = (-quad_b - std::sqrt(discriminant)) / (2 * kQuadA);
    const double vr2 = vr2_factor * kVr2FullScaleOhms - kVr2OffsetOhms;
    if (!check.Finite(vr2, "VR2")) {
        return false;
    }

    shown.written = WrittenLines::Vr2Alone;
    shown.vr2_ohms = vr2;
    const double vr1 = s.wiper_new * kVr1StringOhms - kVr1WiperOffsetOhms;
    if (!check.Finite(vr1, "the VR1 wiper to GND resistance")) {
        return false;
    }
    shown = {WrittenLines::AllFour, vr2, vr1, s.lo_vin, s.hi_vin};
    return true;
}

// Passes until the estimate settles or the pass limit, first loading through `load` if need be.
template <typename Load>
bool Iterate(SolverState& s, const Load& load, ResultLines& shown, Checks check) {
    for (;;) {
        if (!s.initialized) {
            s.pass_count = 1;
            // Marked loaded only once the load is whole: never compute from a half-loaded state.
            if (std::optional<Failure> not_read = load(s.loaded)) {
                check.failure = *std::move(not_read);
                return false;
            }
            if (!Derive(s, check)) {
                return false;
            }
            s.initialized = true;
        }
        const double x = s.wiper_guess;
        if (!Pass(s, shown, check)) {
            return false;
        }
        // Both sides are evaluated, so a zero estimate fails even at the pass limit.
        const bool below_limit = s.pass_count < kPassLimit;
        if (s.wiper_new == 0.0) [[unlikely]] {
            return check.DivisionByZero("the new wiper estimate is exactly zero");
        }
        const double change = RelativeChange(x, s.wiper_new);
        if (!check.Finite(change, "the wiper's relative change")) {
            return false;
        }
        if (!(below_limit && change > kSettledChange)) {
            return true;
        }
        ++s.pass_count;  // at most the limit, so never beyond 16 bits
        s.wiper_guess = s.wiper_new;
    }
}

// A calculation into `outcome`: Iterate, then the results' texts and the design checks.
template <typename Load>
void Run(SolverState& s, const Load& load, Outcome& outcome, WarningText warning_text) {
    outcome.lines.written = WrittenLines::None;
    outcome.warnings.clear();
    outcome.solved = Iterate(s, load, outcome.lines, Checks{outcome.failure});
    outcome.passes = s.pass_count;
    outcome.loaded = s.loaded;
    FormatResultTexts(outcome.lines, outcome.texts);
    if (outcome.solved) {
        const bool still_moving = RelativeChange(s.wiper_guess, s.wiper_new) > kSettledChange;
        CheckDesign({outcome.lines, s.span_gain, s.pass_count, still_moving}, outcome.warnings,
                    warning_text);
    }
}

// ReadDesign field by field: a failure leaves the fields before the bad text loaded.
std::optional<Failure> LoadDesign(const InputTexts& texts, Design& design,
                                  const NumberSeparators& separators) {
    const struct {
        const std::string& text;
        std::string_view box;
        double& field;
    } boxes[] = {
        {texts.elevation, kElevationBox, design.elevation_ft},
        {texts.lo_baro, kLoBaroBox, design.lo_baro_inhg},
        {texts.hi_baro, kHiBaroBox, design.hi_baro_inhg},
        {texts.lo_volts, kLoVoltsBox, design.lo_volts},
        {texts.hi_volts, kHiVoltsBox, design.hi_volts},
    };
    for (const auto& box : boxes) {
        const Result<double> number = ReadNumber(box.text, box.box, separators);
        if (!number) [[unlikely]] {
            return number.failure();
        }
        box.field = *number;
    }
    return std::nullopt;
}

}  // namespace

Result<Design> ReadDesign(const InputTexts& texts, const NumberSeparators& separators) {
    Design design;
    if (auto failure = LoadDesign(texts, design, separators)) {
        return *std::move(failure);
    }
    return design;
}

std::optional<Failure> CalculatorSession::Initialize(const InputTexts& texts,
                                                     const NumberSeparators& separators) {
    if (std::optional<Failure> not_read = LoadDesign(texts, state_.loaded, separators)) {
        return not_read;
    }
    Failure failure;
    return Derive(state_, Checks{failure}) ? std::nullopt : std::optional<Failure>(failure);
}

void CalculatorSession::Calculate(const InputTexts& texts, Outcome& outcome,
                                  WarningText warning_text, const NumberSeparators& separators) {
    const auto load = [&](Design& loaded) { return LoadDesign(texts, loaded, separators); };
    Run(state_, load, outcome, warning_text);
}

Outcome CalculatorSession::Calculate(const InputTexts& texts, const NumberSeparators& separators) {
    Outcome outcome;
    Calculate(texts, outcome, WarningText::Messages, separators);
    return outcome;
}

void Solve(const Design& design, Outcome& outcome, WarningText warning_text) {
    const auto load = [&design](Design& loaded) {
        loaded = design;
        return std::optional<Failure>();
    };
    SolverState state;
    Run(state, load, outcome, warning_text);
}

}  // namespace sondrel
