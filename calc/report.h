#pragma once
// The report's text: the header, the five inputs as typed with their metric equivalents, a
// blank line and the results box, "\r\n" between lines.

#include <string>
#include <string_view>

#include "calc/design.h"

namespace sondrel {

inline constexpr double kFeetPerMetre = 3.28084;
inline constexpr double kInHgPerMillibar = 0.02952999;
inline constexpr std::string_view kReportFileName = "Output.txt";

// The three inputs the report converts to metric, as the calculator last loaded them (all
// zero before the first load).
struct LoadedInputs {
    double elevation_ft = 0;
    double lo_baro_inhg = 0;
    double hi_baro_inhg = 0;

    static LoadedInputs From(const Design& loaded) {
        return {loaded.elevation_ft, loaded.lo_baro_inhg, loaded.hi_baro_inhg};
    }
};

// The whole report text. The metric values come from `loaded`; the texts are the boxes as
// they stand now, which may differ. Ends with "\r\n".
// Throws Failure (overflow) when a metric value is not finite.
std::string ReportText(const LoadedInputs& loaded, const InputTexts& boxes,
                       std::string_view results_text, std::string_view header);

}  // namespace sondrel
