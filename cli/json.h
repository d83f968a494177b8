#pragma once
// sondrel-calc --json: one calculation's results, or its failure, as one JSON object on a
// line of its own.

#include <span>
#include <string_view>
#include <utility>

#include "calc/failure.h"
#include "calc/solver.h"
#include "cli/text_writer.h"

namespace sondrel::cli {

// String fields put at the front of an object, as name and value.
using JsonLeadingFields = std::span<const std::pair<std::string_view, std::string_view>>;

// {"passes": ..., "vr2_ohms": ..., ..., "results_text": ...[, "report_path": ...],
// "warnings": [{"code": ..., "message": ...}, ...]}; the numbers as the shortest text that
// reads back as exactly the same double, as the CSV writes them. `report_path` (its bytes
// that are not UTF-8 as TextWriter::JsonFileName writes them) is left out when empty;
// `warnings` is always there, empty when none. When the calculation failed, as
// WriteJsonFailure. `leading` fields come first.
void WriteJsonOutcome(TextWriter& out, const Outcome& outcome, std::string_view report_path = {},
                      JsonLeadingFields leading = {});

// {"error": {"kind": ..., "message": ...}}, after the `leading` fields.
void WriteJsonFailure(TextWriter& out, FailureKind kind, std::string_view message,
                      JsonLeadingFields leading = {});

}  // namespace sondrel::cli
