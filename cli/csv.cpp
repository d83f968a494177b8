#include "cli/csv.h"

#include "calc/failure.h"
#include "calc/number_format.h"
#include "calc/results_text.h"
#include "calc/text_to_number.h"

namespace sondrel::cli {

void WriteCsvHeader(Output& out) {
    out << kCsvColumns << '\n';
}

bool WriteCsvRow(Output& out, const InputTexts& inputs, std::string* failure_message) {
    CalculatorState state;
    StringTextHolder box;
    try {
        Calculate(state, inputs, box);
    } catch (const Failure& failure) {
        // The elevation as Initialize reads it, when it can be read.
        if (const ParseResult elevation = ParseNumber(inputs.elevation);
            elevation.status == ParseStatus::Ok) {
            out.Double(elevation.value);
        }
        out << ",,,,,,,,,,";  // passes to hi_vin_text
        out.CsvField(failure.what());
        out << '\n';
        if (failure_message != nullptr) {
            *failure_message = failure.what();
        }
        return false;
    }

    // After a successful Calculate the state holds the elevation it read and the box all four
    // lines.
    const ResultLines& lines = *box.Results();
    out.Double(state.Elev);
    out << ',';
    out.Int(state.PassCount);
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
    out << ",\n";
    return true;
}

}  // namespace sondrel::cli
