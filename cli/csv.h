#pragma once
// Results as CSV: the header row and one row per calculation, the single code path behind
// `--csv`, every row of an elevation sweep and every row of a batch.

#include <string>
#include <string_view>
#include <vector>

#include "calc/calculator_state.h"
#include "calc/design_checks.h"
#include "calc/failure.h"
#include "cli/output.h"

namespace sondrel::cli {

// The column names, comma-separated, without the line end.
inline constexpr std::string_view kCsvColumns =
    "elevation_ft,passes,vr2_ohms,vr1_wiper_to_gnd_ohms,lo_vin_volts,hi_vin_volts,"
    "vr2_text,vr1_text,lo_vin_text,hi_vin_text,error,warnings";

// How one row of a table came out.
struct RowOutcome {
    bool succeeded = false;
    bool warned = false;  // succeeded with at least one design warning
};

// One fresh calculation after another, as pressing Calculate in a newly opened window with
// each row's texts would give, reusing its state, box and message texts from row to row.
class RowCalculation {
public:
    // CSV rows print the warnings' codes alone, so by default their messages are not built.
    explicit RowCalculation(WarningText warning_text = WarningText::CodesOnly)
        : warning_text_(warning_text) {}

    // Calculates these texts on a fresh state; returns whether that succeeded.
    bool Run(const InputTexts& inputs);
    bool Succeeded() const { return succeeded_; }

    // After a Run that succeeded: the state it left, the last pass's four lines and the
    // design's warnings (with their messages only when asked for).
    const CalculatorState& State() const { return state_; }
    const ResultLines& Lines() const { return lines_; }
    const std::vector<DesignWarning>& Warnings() const { return warnings_; }
    // After a Run that failed.
    FailureKind FailureKindOf() const { return failure_.kind; }
    const std::string& FailureMessage() const { return failure_.message; }

private:
    CalculatorState state_;
    StringTextHolder box_;
    ResultLines lines_;
    std::vector<DesignWarning> warnings_;
    CalculateFailure failure_;
    WarningText warning_text_;
    bool succeeded_ = false;
};

void WriteCsvHeader(Output& out);

// Writes the result columns of the last Run and the line end: the elevation read from its
// text, the passes, the four result numbers as shortest round-trip doubles, the four numbers
// as the results box shows them, an empty error and the design warnings' codes joined by
// ";". When the calculation failed, every column but the elevation (empty too when its text
// is not a number) and `error` is empty, and `error` holds the failure's message.
RowOutcome WriteCsvResult(Output& out, const RowCalculation& row, const InputTexts& inputs);

}  // namespace sondrel::cli
