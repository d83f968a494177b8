#include "calc/report.h"

#include <cmath>

#include "calc/failure.h"
#include "calc/number_format.h"

namespace sondrel {
namespace {

// The value in metric units, formatted; false, with `failure` filled in, when not finite.
bool Metric(double value, double per_unit, const char* what, std::string& text, Failure& failure) {
    const double converted = value / per_unit;
    if (!std::isfinite(converted)) {
        failure = {FailureKind::Overflow, {}, std::string(what) + " is too large (overflow)"};
        return false;
    }
    text = FormatNumber(converted, kMetricPattern);
    return true;
}

}  // namespace

Result<std::string> ReportText(const Design& loaded, const InputTexts& boxes,
                               std::string_view results_text, std::string_view header) {
    std::string elev_m;
    std::string lo_mb;
    std::string hi_mb;
    Failure failure;
    if (!Metric(loaded.elevation_ft, kFeetPerMetre, "the elevation in metres", elev_m, failure) ||
        !Metric(loaded.lo_baro_inhg, kInHgPerMillibar, "LoBaro in millibars", lo_mb, failure) ||
        !Metric(loaded.hi_baro_inhg, kInHgPerMillibar, "HiBaro in millibars", hi_mb, failure)) {
        return failure;
    }

    std::string text;
    text.reserve(header.size() + results_text.size() + 200 + boxes.elevation.size() +
                 boxes.lo_baro.size() + boxes.hi_baro.size() + boxes.lo_volts.size() +
                 boxes.hi_volts.size());
    text += header;
    text += "Elev = ";
    text += boxes.elevation;
    text += " ft       Elev = ";
    text += elev_m;
    text += " m\r\nLoBaro = ";
    text += boxes.lo_baro;
    text += " inHg     LoBaro = ";
    text += lo_mb;
    text += " mb\r\nHiBaro = ";
    text += boxes.hi_baro;
    text += " inHg     HiBaro = ";
    text += hi_mb;
    text += " mb\r\nLoVolts = ";
    text += boxes.lo_volts;
    text += "\r\nHiVolts = ";
    text += boxes.hi_volts;
    text += "\r\n\r\n";
    text += results_text;
    text += "\r\n";
    return text;
}

}  // namespace sondrel
