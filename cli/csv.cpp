#include "cli/csv.h"

#include "calc/number_format.h"
#include "calc/text_to_number.h"

namespace sondrel::cli {

bool RowCalculation::Run(const InputTexts& inputs) {
    state_ = CalculatorState{};
    warnings_.clear();
    succeeded_ = TryCalculate(state_, inputs, box_, lines_, failure_);
    if (succeeded_) {
        CheckDesign(state_, warnings_, warning_text_);
    }
    return succeeded_;
}

void WriteCsvHeader(Output& out) {
    out << kCsvColumns << '\n';
}

RowOutcome WriteCsvResult(Output& out, const RowCalculation& row, const InputTexts& inputs) {
    if (!row.Succeeded()) {
        // The elevation as Initialize reads it, when it can be read.
        if (const ParseResult elevation = ParseNumber(inputs.elevation);
            elevation.status == ParseStatus::Ok) {
            out.Double(elevation.value);
        }
        out << ",,,,,,,,,,";  // passes to hi_vin_text
        out.CsvField(row.FailureMessage());
        out << ",\n";
        return {};
    }

    // After a successful Calculate the state holds the elevation it read.
    const ResultLines& lines = row.Lines();
    out.Double(row.State().Elev);
    out << ',';
    out.Int(row.State().PassCount);
    for (const double value :
         {lines.vr2_ohms, lines.vr1_wiper_to_gnd_ohms, lines.lo_vin_volts, lines.hi_vin_volts}) {
        out << ',';
        out.Double(value);
    }
    // The numbers exactly as the results box formats them.
    out << ',';
    out.CsvField(FormatNumber(lines.vr2_ohms, kOhmsPattern));
    out << ',';
    out.CsvField(FormatNumber(lines.vr1_wiper_to_gnd_ohms, kOhmsPattern));
    out << ',';
    out.CsvField(FormatNumber(lines.lo_vin_volts, kVoltsPattern));
    out << ',';
    out.CsvField(FormatNumber(lines.hi_vin_volts, kVoltsPattern));
    out << ",,";
    for (std::size_t i = 0; i < row.Warnings().size(); ++i) {
        out << (i == 0 ? "" : ";") << row.Warnings()[i].code;
    }
    out << '\n';
    return {true, !row.Warnings().empty()};
}

}  // namespace sondrel::cli
