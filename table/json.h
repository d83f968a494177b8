#pragma once
// JSON through TextWriter: an object written member by member, and one calculation's results,
// or its failure, as sondrel-calc --json prints them on a line of their own.

#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "calc/failure.h"
#include "calc/solver.h"
#include "table/text_writer.h"

namespace sondrel {

// {"name": value, ...}: each Member writes its name and the separator before it; the caller
// writes the value (TextWriter::JsonString, Int, WriteJsonNumber, another object...).
class JsonObject {
public:
    explicit JsonObject(TextWriter& out) : out_(out) { out_ << '{'; }
    TextWriter& Member(std::string_view name);
    void Close() { out_ << '}'; }

private:
    TextWriter& out_;
    bool first_ = true;
};

// The shortest text that reads back as exactly `value`; null when it is not finite.
void WriteJsonNumber(TextWriter& out, double value);

// [{"code": ..., "message": ...}, ...], empty when there are none.
void WriteJsonWarnings(TextWriter& out, const std::vector<DesignWarning>& warnings);

// String members put at the front of an object, as name and value.
using JsonLeadingFields = std::span<const std::pair<std::string_view, std::string_view>>;

// The `leading` members, then {"passes": ..., "vr2_ohms": ..., ..., "results_text": ...[,
// "report_path": ...], "warnings": [...]} and the line end; the numbers as WriteJsonNumber
// writes them, as the CSV does. `report_path` is left out when empty; `warnings` is always
// there. When the calculation failed, {"error": {"kind": ..., "message": ...}} after the
// `leading` members.
void WriteJsonOutcome(TextWriter& out, const Outcome& outcome, std::string_view report_path = {},
                      JsonLeadingFields leading = {});

}  // namespace sondrel
