#include "table/json.h"

#include <cmath>

namespace sondrel {

TextWriter& JsonObject::Member(std::string_view name) {
    out_ << (first_ ? "" : ", ");
    first_ = false;
    return out_.JsonString(name) << ": ";
}

void WriteJsonNumber(TextWriter& out, double value) {
    if (std::isfinite(value)) {
        out.Double(value);
    } else {
        out << "null";
    }
}

void WriteJsonWarnings(TextWriter& out, const std::vector<DesignWarning>& warnings) {
    out << '[';
    for (std::size_t i = 0; i < warnings.size(); ++i) {
        out << (i == 0 ? "" : ", ");
        JsonObject warning(out);
        warning.Member("code").JsonString(warnings[i].code);
        warning.Member("message").JsonString(warnings[i].message);
        warning.Close();
    }
    out << ']';
}

void WriteJsonOutcome(TextWriter& out, const Outcome& outcome, std::string_view report_path,
                      JsonLeadingFields leading) {
    JsonObject object(out);
    for (const auto& [name, value] : leading) {
        object.Member(name).JsonString(value);
    }
    if (!outcome.solved) {
        JsonObject error(object.Member("error"));
        error.Member("kind") << '"' << FailureKindId(outcome.failure.kind) << '"';
        error.Member("message").JsonString(outcome.failure.Message());
        error.Close();
    } else {
        object.Member("passes").Int(outcome.passes);
        const ResultLines& lines = outcome.lines;
        const std::pair<std::string_view, double> numbers[] = {
            {"vr2_ohms", lines.vr2_ohms},
            {"vr1_wiper_to_gnd_ohms", lines.vr1_wiper_to_gnd_ohms},
            {"lo_vin_volts", lines.lo_vin_volts},
            {"hi_vin_volts", lines.hi_vin_volts}};
        for (const auto& [name, value] : numbers) {
            WriteJsonNumber(object.Member(name), value);
        }
        object.Member("results_text").JsonString(outcome.Text());
        if (!report_path.empty()) {
            object.Member("report_path").JsonString(report_path);
        }
        WriteJsonWarnings(object.Member("warnings"), outcome.warnings);
    }
    object.Close();
    out << '\n';
}

}  // namespace sondrel
