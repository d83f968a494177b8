#pragma once
// Design checks: what a settled design asks of the circuit that it cannot give (a negative
// trimmer value, a sensor driven outside its output), and a solver stopped at its limit.

#include <string>
#include <string_view>
#include <vector>

#include <cstdint>

#include "calc/results_text.h"

namespace sondrel {

struct DesignWarning {
    std::string_view code;  // "sensor-range", "vr1-negative", "vr2-negative" or "pass-limit"
    std::string message;    // one sentence for people, saying what to change
};

// The most passes one calculation runs.
inline constexpr std::int16_t kPassLimit = 100;

// What a calculation that succeeded settled on, as far as the checks look at it.
struct SettledDesign {
    ResultLines lines;     // the last pass's four values
    double span_gain = 0;  // output span over sensor span: below zero when the range falls
    std::int16_t passes = 0;
    bool still_moving = false;  // the last pass moved the estimate by more than the tolerance
};

// The design's warnings, in the order above; empty when there are none.
std::vector<DesignWarning> CheckDesign(const SettledDesign& design);

// Whether the warnings get their messages, or their codes alone (a table that prints only the
// codes then builds no text at all).
enum class WarningText { Messages, CodesOnly };

// CheckDesign into `warnings`, which is cleared first and keeps its storage, so that a table's
// rows reuse it. With CodesOnly every message is left empty.
void CheckDesign(const SettledDesign& design, std::vector<DesignWarning>& warnings,
                 WarningText text);

}  // namespace sondrel
