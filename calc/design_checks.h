#pragma once
// Design checks: what a settled design asks of the circuit that it cannot give (a negative
// trimmer value, a sensor driven outside its output), and a solver stopped at its limit.

#include <string>
#include <string_view>
#include <vector>

#include "calc/calculator_state.h"

namespace sondrel {

struct DesignWarning {
    std::string_view code;  // "vr1-negative", "vr2-negative", "sensor-range" or "pass-limit"
    std::string message;    // one sentence for people, saying what to change
};

// The design's warnings after a successful Calculate on `state`, in the order above; empty when
// there are none.
std::vector<DesignWarning> CheckDesign(const CalculatorState& state);

}  // namespace sondrel
