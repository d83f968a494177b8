#pragma once
// Results as CSV: the header row and one row per calculation, the single code path behind
// both `--csv` and every row of an elevation sweep.

#include <string>
#include <string_view>

#include "calc/calculator_state.h"
#include "cli/output.h"

namespace sondrel::cli {

// The column names, comma-separated, without the line end.
inline constexpr std::string_view kCsvColumns =
    "elevation_ft,passes,vr2_ohms,vr1_wiper_to_gnd_ohms,lo_vin_volts,hi_vin_volts,"
    "vr2_text,vr1_text,lo_vin_text,hi_vin_text,error";

void WriteCsvHeader(Output& out);

// Runs Calculate on a fresh state, as pressing Calculate in a newly opened window with these
// five texts would, and writes one row ending in "\n": the elevation read from its text, the
// passes, the four result numbers as shortest round-trip doubles, the four numbers as the
// results box shows them, and an empty error. When the calculation fails, every column but
// the elevation (empty too when its text is not a number) is empty and `error` holds the
// failure's message, also stored in `failure_message` when given. Returns whether the
// calculation succeeded.
bool WriteCsvRow(Output& out, const InputTexts& inputs, std::string* failure_message = nullptr);

}  // namespace sondrel::cli
