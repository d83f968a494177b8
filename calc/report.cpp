#include "calc/report.h"

#include <cmath>

#include "calc/failure.h"
#include "calc/number_format.h"

namespace sondrel {
namespace {

std::string Metric(double value, double per_unit, const char* what) {
    const double converted = value / per_unit;
    if (!std::isfinite(converted)) {
        throw Failure(FailureKind::Overflow, std::string(what) + " is too large (overflow)");
    }
    return FormatNumber(converted, kMetricPattern);
}

}  // namespace

std::string ReportText(const LoadedInputs& loaded, const InputTexts& boxes,
                       std::string_view results_text, std::string_view header) {
    const std::string elev_m =
        Metric(loaded.elevation_ft, kFeetPerMetre, "the elevation in metres");
    const std::string lo_mb = Metric(loaded.lo_baro_inhg, kInHgPerMillibar, "LoBaro in millibars");
    const std::string hi_mb = Metric(loaded.hi_baro_inhg, kInHgPerMillibar, "HiBaro in millibars");

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
