#pragma once
// Results as CSV: the header row and one row per calculation, the single code path behind
// `--csv`, every row of an elevation sweep and every row of a batch.

#include <optional>
#include <string_view>

#include "calc/solver.h"
#include "cli/table.h"
#include "cli/text_writer.h"

namespace sondrel::cli {

// The column names, comma-separated, without the line end.
inline constexpr std::string_view kCsvColumns =
    "elevation_ft,passes,vr2_ohms,vr1_wiper_to_gnd_ohms,lo_vin_volts,hi_vin_volts,"
    "vr2_text,vr1_text,lo_vin_text,hi_vin_text,error,warnings";
// The columns after elevation_ft: what a calculation gives.
inline constexpr std::string_view kCsvResultColumns = kCsvColumns.substr(kCsvColumns.find(',') + 1);

void WriteCsvHeader(TextWriter& out);

// Writes the result columns of `outcome` and the line end: the elevation as a plain decimal
// that reads back exactly, the passes, the four result numbers as shortest round-trip
// doubles, the four numbers as the results box shows them, an empty error and the design
// warnings' codes joined by ";". When the calculation failed, as WriteCsvFailure.
RowOutcome WriteCsvResult(TextWriter& out, std::optional<double> elevation_ft,
                          const Outcome& outcome);

// A failed run's row: the elevation (empty when there is none: its text was not a number),
// every other column empty but `error`, which holds `message`.
void WriteCsvFailure(TextWriter& out, std::optional<double> elevation_ft, std::string_view message);

// The kCsvResultColumns of `outcome` and the line end, as WriteCsvResult writes them.
RowOutcome WriteCsvOutcome(TextWriter& out, const Outcome& outcome);

}  // namespace sondrel::cli
