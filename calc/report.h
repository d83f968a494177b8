#pragma once
// The report's text: the header, the five inputs as typed with their metric equivalents, a
// blank line and the results box, "\r\n" between lines.

#include <string>
#include <string_view>

#include "calc/design.h"
#include "calc/failure.h"

namespace sondrel {

inline constexpr double kFeetPerMetre = 3.28084;
inline constexpr double kInHgPerMillibar = 0.02952999;
inline constexpr std::string_view kReportFileName = "Output.txt";

// The whole report text, ending with "\r\n": the metric values from `loaded`, the numbers
// last loaded (all zero before the first), beside the boxes as they stand now, which may
// differ. A metric value that is not finite fails (overflow).
Result<std::string> ReportText(const Design& loaded, const InputTexts& boxes,
                               std::string_view results_text, std::string_view header);

}  // namespace sondrel
