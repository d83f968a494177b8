#pragma once
// sondrel-calc --json: one calculation's results, or its failure, as one JSON object on a
// line of its own.

#include <string_view>

#include "calc/calculator_state.h"
#include "calc/failure.h"
#include "cli/output.h"

namespace sondrel::cli {

// {"passes": ..., "vr2_ohms": ..., ..., "results_text": ...[, "report_path": ...]}; the
// numbers with 17 significant digits. `report_path` is left out when empty.
void WriteJsonResults(Output& out, const CalculatorState& state, const ResultLines& lines,
                      std::string_view results_text, std::string_view report_path);

// {"error": {"kind": ..., "message": ...}}
void WriteJsonFailure(Output& out, const Failure& failure);

}  // namespace sondrel::cli
