#include "cli/json.h"

namespace sondrel::cli {
namespace {

// "{" and the leading fields, each followed by ", ".
void OpenObject(TextWriter& out, JsonLeadingFields leading) {
    out << '{';
    for (const auto& [name, value] : leading) {
        out.JsonString(name);
        out << ": ";
        out.JsonString(value);
        out << ", ";
    }
}

}  // namespace

void WriteJsonOutcome(TextWriter& out, const Outcome& outcome, std::string_view report_path,
                      JsonLeadingFields leading) {
    if (!outcome.solved) {
        WriteJsonFailure(out, outcome.failure.kind, outcome.failure.Message(), leading);
        return;
    }
    const ResultLines& lines = outcome.lines;
    OpenObject(out, leading);
    out << "\"passes\": ";
    out.Int(outcome.passes);
    out << ", \"vr2_ohms\": ";
    out.Double(lines.vr2_ohms);
    out << ", \"vr1_wiper_to_gnd_ohms\": ";
    out.Double(lines.vr1_wiper_to_gnd_ohms);
    out << ", \"lo_vin_volts\": ";
    out.Double(lines.lo_vin_volts);
    out << ", \"hi_vin_volts\": ";
    out.Double(lines.hi_vin_volts);
    out << ", \"results_text\": ";
    out.JsonString(outcome.Text());
    if (!report_path.empty()) {
        out << ", \"report_path\": ";
        out.JsonFileName(report_path);
    }
    out << ", \"warnings\": [";
    for (std::size_t i = 0; i < outcome.warnings.size(); ++i) {
        out << (i == 0 ? "{\"code\": " : ", {\"code\": ");
        out.JsonString(outcome.warnings[i].code);
        out << ", \"message\": ";
        out.JsonString(outcome.warnings[i].message);
        out << '}';
    }
    out << "]}\n";
}

void WriteJsonFailure(TextWriter& out, FailureKind kind, std::string_view message,
                      JsonLeadingFields leading) {
    OpenObject(out, leading);
    out << "\"error\": {\"kind\": \"" << FailureKindId(kind) << "\", \"message\": ";
    out.JsonString(message);
    out << "}}\n";
}

}  // namespace sondrel::cli
