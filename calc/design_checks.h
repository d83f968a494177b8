#pragma once
// Design checks: what a settled design asks of the circuit that it cannot give (a trimmer
// value below zero or past its track, a sensor outside its output), and a stopped solver.

#include <string>
#include <string_view>
#include <vector>

#include <cstdint>

#include "calc/circuit_model.h"
#include "calc/results_text.h"

namespace sondrel {

struct DesignWarning {
    // "sensor-range", "vr1-negative", "vr1-beyond-track", "vr2-negative", "vr2-beyond-track"
    // or "pass-limit"
    std::string_view code;
    std::string message;  // one sentence for people, saying what to change
};

// What a calculation that succeeded settled on, as far as the checks look at it.
struct SettledDesign {
    ResultLines lines;     // the last pass's four values
    double span_gain = 0;  // output span over sensor span: below zero when the range falls
    std::int16_t passes = 0;
    bool still_moving = false;  // the last pass moved the estimate by more than the tolerance
};

// Whether the warnings get their messages, or their codes alone (a table that prints only the
// codes then builds no text at all).
enum class WarningText { Messages, CodesOnly };

// The design's warnings, in the order above, into `warnings` (empty when there are none),
// which is cleared first and keeps its storage, so that a table's rows reuse it. With
// CodesOnly every message is left empty.
void CheckDesign(const SettledDesign& design, std::vector<DesignWarning>& warnings,
                 WarningText text);

}  // namespace sondrel
