#pragma once
// Results as CSV: the header row and one row per calculation, the single code path behind
// `--csv`, every row of an elevation sweep and every row of a batch.

#include <string_view>

#include "calc/solver.h"
#include "table/text_writer.h"

namespace sondrel {

// A result column: its name and how a solved row's field is written; the error column's
// `field` is null (it holds a failed row's message, and nothing otherwise).
struct CsvColumn {
    std::string_view name;
    void (*field)(TextWriter& out, const Outcome& outcome);
};

// The design warnings' codes joined by ";".
void WriteWarningCodes(TextWriter& out, const Outcome& outcome);

// The columns after elevation_ft, in order: what a calculation gives. Adding a column here
// adds it to every CSV header and row.
inline constexpr CsvColumn kCsvResultColumnList[] = {
    {"passes", [](TextWriter& o, const Outcome& r) { o.Int(r.passes); }},
    {"vr2_ohms", [](TextWriter& o, const Outcome& r) { o.Double(r.lines.vr2_ohms); }},
    {"vr1_wiper_to_gnd_ohms",
     [](TextWriter& o, const Outcome& r) { o.Double(r.lines.vr1_wiper_to_gnd_ohms); }},
    {"lo_vin_volts", [](TextWriter& o, const Outcome& r) { o.Double(r.lines.lo_vin_volts); }},
    {"hi_vin_volts", [](TextWriter& o, const Outcome& r) { o.Double(r.lines.hi_vin_volts); }},
    {"vr2_text", [](TextWriter& o, const Outcome& r) { o.CsvField(r.texts.vr2_ohms); }},
    {"vr1_text",
     [](TextWriter& o, const Outcome& r) { o.CsvField(r.texts.vr1_wiper_to_gnd_ohms); }},
    {"lo_vin_text", [](TextWriter& o, const Outcome& r) { o.CsvField(r.texts.lo_vin_volts); }},
    {"hi_vin_text", [](TextWriter& o, const Outcome& r) { o.CsvField(r.texts.hi_vin_volts); }},
    {"error", nullptr},
    {"warnings", WriteWarningCodes},
};

// The result columns' names and the line end: a header's end, after elevation_ft or a
// batch's leading columns.
void WriteCsvResultHeader(TextWriter& out);

// The result columns of `outcome` and the line end, after its elevation or a batch's leading
// fields: kCsvResultColumnList's fields (the passes, the four result numbers as shortest
// round-trip doubles, the four numbers as the results box shows them, an empty error and the
// design warnings' codes), or when the calculation failed, every column empty but `error`,
// which holds the failure's message.
void WriteCsvOutcome(TextWriter& out, const Outcome& outcome);

}  // namespace sondrel
