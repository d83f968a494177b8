#include "cli/json.h"

namespace sondrel::cli {

void WriteJsonResults(Output& out, const CalculatorState& state, const ResultLines& lines,
                      std::string_view results_text, std::string_view report_path) {
    out << "{\"passes\": ";
    out.Int(state.PassCount);
    out << ", \"vr2_ohms\": ";
    out.Double17(lines.vr2_ohms);
    out << ", \"vr1_wiper_to_gnd_ohms\": ";
    out.Double17(lines.vr1_wiper_to_gnd_ohms);
    out << ", \"lo_vin_volts\": ";
    out.Double17(lines.lo_vin_volts);
    out << ", \"hi_vin_volts\": ";
    out.Double17(lines.hi_vin_volts);
    out << ", \"results_text\": ";
    out.JsonString(results_text);
    if (!report_path.empty()) {
        out << ", \"report_path\": ";
        out.JsonString(report_path);
    }
    out << "}\n";
}

void WriteJsonFailure(Output& out, const Failure& failure) {
    out << "{\"error\": {\"kind\": \"" << FailureKindId(failure.kind()) << "\", \"message\": ";
    out.JsonString(failure.what());
    out << "}}\n";
}

}  // namespace sondrel::cli
