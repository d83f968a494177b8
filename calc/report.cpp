#include "calc/report.h"

#include <cmath>

#include "calc/number_format.h"

namespace sondrel {
namespace {

// The value in metric units as the report shows it; an overflow when it is not finite.
Result<std::string> Metric(double value, double per_unit, std::string_view what) {
    const double converted = value / per_unit;
    if (!std::isfinite(converted)) {
        return Failure{FailureKind::Overflow, {}, std::string(what) + " is too large (overflow)"};
    }
    return FormatNumber(converted, kMetricPattern);
}

}  // namespace

Result<std::string> ReportText(const Design& loaded, const InputTexts& boxes,
                               std::string_view results_text, std::string_view header) {
    const Result<std::string> metric[] = {
        Metric(loaded.elevation_ft, kFeetPerMetre, "the elevation in metres"),
        Metric(loaded.lo_baro_inhg, kInHgPerMillibar, "LoBaro in millibars"),
        Metric(loaded.hi_baro_inhg, kInHgPerMillibar, "HiBaro in millibars")};
    for (const Result<std::string>& m : metric) {
        if (!m) {
            return m.failure();
        }
    }
    return std::string(header) + "Elev = " + boxes.elevation + " ft       Elev = " + *metric[0] +
           " m\r\nLoBaro = " + boxes.lo_baro + " inHg     LoBaro = " + *metric[1] +
           " mb\r\nHiBaro = " + boxes.hi_baro + " inHg     HiBaro = " + *metric[2] +
           " mb\r\nLoVolts = " + boxes.lo_volts + "\r\nHiVolts = " + boxes.hi_volts + "\r\n\r\n" +
           std::string(results_text) + "\r\n";
}

}  // namespace sondrel
