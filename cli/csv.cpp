#include "cli/csv.h"

namespace sondrel::cli {
namespace {

void WriteElevation(TextWriter& out, std::optional<double> elevation_ft) {
    if (elevation_ft) {
        out.DoubleFixed(*elevation_ft);
    }
    out << ',';
}

// The result columns of a failure: all empty but `error`.
void WriteFailureColumns(TextWriter& out, std::string_view message) {
    out << ",,,,,,,,,";  // passes to hi_vin_text
    out.CsvField(message);
    out << ",\n";
}

}  // namespace

void WriteCsvHeader(TextWriter& out) {
    out << kCsvColumns << '\n';
}

RowOutcome WriteCsvResult(TextWriter& out, std::optional<double> elevation_ft,
                          const Outcome& outcome) {
    WriteElevation(out, elevation_ft);
    return WriteCsvOutcome(out, outcome);
}

void WriteCsvFailure(TextWriter& out, std::optional<double> elevation_ft,
                     std::string_view message) {
    WriteElevation(out, elevation_ft);
    WriteFailureColumns(out, message);
}

RowOutcome WriteCsvOutcome(TextWriter& out, const Outcome& outcome) {
    if (!outcome.solved) {
        WriteFailureColumns(out, outcome.failure.Message());
        return {};
    }

    const ResultLines& lines = outcome.lines;
    out.Int(outcome.passes);
    for (const double value :
         {lines.vr2_ohms, lines.vr1_wiper_to_gnd_ohms, lines.lo_vin_volts, lines.hi_vin_volts}) {
        out << ',';
        out.Double(value);
    }
    const ResultTexts& texts = outcome.texts;
    for (const std::string* text : {&texts.vr2_ohms, &texts.vr1_wiper_to_gnd_ohms,
                                    &texts.lo_vin_volts, &texts.hi_vin_volts}) {
        out << ',';
        out.CsvField(*text);
    }
    out << ",,";
    for (std::size_t i = 0; i < outcome.warnings.size(); ++i) {
        out << (i == 0 ? "" : ";") << outcome.warnings[i].code;
    }
    out << '\n';
    return {true, !outcome.warnings.empty()};
}

}  // namespace sondrel::cli
