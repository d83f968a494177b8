#pragma once
// Results as CSV: the header row and one row per calculation, the single code path behind
// `--csv`, every row of an elevation sweep and every row of a batch.

#include <optional>
#include <string_view>

#include "calc/solver.h"
#include "cli/output.h"
#include "cli/table.h"

namespace sondrel::cli {

// The column names, comma-separated, without the line end.
inline constexpr std::string_view kCsvColumns =
    "elevation_ft,passes,vr2_ohms,vr1_wiper_to_gnd_ohms,lo_vin_volts,hi_vin_volts,"
    "vr2_text,vr1_text,lo_vin_text,hi_vin_text,error,warnings";

void WriteCsvHeader(Output& out);

// Writes the result columns of `outcome` and the line end: the elevation, the passes, the
// four result numbers as shortest round-trip doubles, the four numbers as the results box
// shows them, an empty error and the design warnings' codes joined by ";". When the
// calculation failed, every column but the elevation (empty when there is none: its text
// was not a number) and `error` is empty, and `error` holds the failure's message.
RowOutcome WriteCsvResult(Output& out, std::optional<double> elevation_ft, const Outcome& outcome);

}  // namespace sondrel::cli
