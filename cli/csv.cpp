#include "cli/csv.h"

namespace sondrel::cli {

void WriteCsvHeader(Output& out) {
    out << kCsvColumns << '\n';
}

RowOutcome WriteCsvResult(Output& out, std::optional<double> elevation_ft, const Outcome& outcome) {
    if (elevation_ft) {
        out.Double(*elevation_ft);
    }
    if (!outcome.solved) {
        out << ",,,,,,,,,,";  // passes to hi_vin_text
        out.CsvField(outcome.failure.message);
        out << ",\n";
        return {};
    }

    const ResultLines& lines = outcome.lines;
    out << ',';
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
