#pragma once
// The wiper solver: a design's VR1 wiper and VR2 settings, as one calculation on fresh state
// (Solve) or as the window's calculator session, which carries its state between commands;
// and what a calculation shows: the results box's lines and the design checks' warnings.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calc/design.h"
#include "calc/failure.h"
#include "calc/text_to_number.h"

namespace sondrel {

// Which lines the solver wrote: none, VR2's alone when the pass failed after it, or all four.
enum class WrittenLines { None, Vr2Alone, AllFour };

struct ResultLines {
    WrittenLines written = WrittenLines::AllFour;
    double vr2_ohms = 0;
    double vr1_wiper_to_gnd_ohms = 0;
    double lo_vin_volts = 0;
    double hi_vin_volts = 0;
};

// The four numbers as the results box shows them ("1813.", ...); empty for lines not written.
struct ResultTexts {
    std::string vr2_ohms;
    std::string vr1_wiper_to_gnd_ohms;
    std::string lo_vin_volts;
    std::string hi_vin_volts;
};

// Formats the written lines' numbers into `texts`, reusing its storage; their text, joined by
// "\r\n" with none after the last, empty when none were written.
void FormatResultTexts(const ResultLines& lines, ResultTexts& texts);
std::string ResultsText(const ResultTexts& texts, WrittenLines written);
std::string FormatResultLines(const ResultLines& lines);

struct DesignWarning {
    std::string_view code;  // "sensor-range", "vr1-negative", ... "pass-limit"
    std::string message;    // one sentence for people, saying what to change
};

// What a calculation that succeeded settled on, as far as the checks look at it.
struct SettledDesign {
    ResultLines lines;     // the last pass's four values
    double span_gain = 0;  // output span over sensor span: below zero when the range falls
    std::int16_t passes = 0;
    bool still_moving = false;  // the last pass moved the estimate by more than the tolerance
};

// Whether the warnings get their messages, or their codes alone (no text built at all).
enum class WarningText { Messages, CodesOnly };

// The design's warnings, in the order of their codes, into `warnings`, which keeps its storage
// for a table's next row.
void CheckDesign(const SettledDesign& design, std::vector<DesignWarning>& warnings,
                 WarningText text);

// Reads the texts in order (elevation first): the design, or the failure of the first text
// that is not a number, naming its box.
Result<Design> ReadDesign(const InputTexts& texts, const NumberSeparators& separators = {});

// How one calculation came out.
struct Outcome {
    bool solved = false;
    Failure failure;          // when not solved
    std::int16_t passes = 0;  // the session's pass count at the end
    // The numbers loaded: after a text that is not a number, those read before it.
    Design loaded{0, 0, 0, 0, 0};
    // What the results box shows: the last lines this calculation wrote (after a failure the
    // previous pass's four, or the failing pass's VR2 line alone), `written` None when it
    // wrote none and the box keeps what it held.
    ResultLines lines;
    ResultTexts texts;                    // the lines' numbers as the box shows them
    std::vector<DesignWarning> warnings;  // after a success

    std::string Text() const { return ResultsText(texts, lines.written); }
};

// One calculation on fresh state, as the window's first Calculate gives it, into `outcome`,
// whose storage is reused.
void Solve(const Design& design, Outcome& outcome, WarningText warning_text);

// What a calculation works on, and whether it is loaded and how many passes ran since.
struct SolverState {
    bool initialized = false;
    std::int16_t pass_count = 0;
    Design loaded{0, 0, 0, 0, 0};
    double lo_vin = 0;       // volts, the sensor's output at LoBaro
    double hi_vin = 0;       // volts, the sensor's output at HiBaro
    double span_gain = 0;    // output span over sensor span
    double vin_target = 0;   // volts, sensor output at the top of the span
    double vout_target = 0;  // volts, output wanted there
    double wiper_guess = 0;  // fraction of VR1's travel the last pass started from
    double wiper_new = 0;    // fraction of VR1's travel the last pass found
};

// The window's calculator: what is loaded, the estimate and the pass count, kept from one
// command to the next. Its designed behaviour, kept on purpose though it may look a slip:
// - The pass count carries over: a second Calculate with no edit goes on from the last
//   estimate and count, and so shows the same lines after one pass.
// - The hidden Initialize reloads and puts the estimate back without resetting the count,
//   so after it every Calculate runs one pass at the limit.
// - A load that fails part-way leaves the numbers read before the bad box loaded, the rest
//   as they were, and the session unloaded.
// - VR2's factor uses the decimal 0.666667, not two thirds, and the wiper quadratic's a is
//   the integer -1: the results are the circuit's fitted values, kept term for term.
// - The pass count is a 16-bit integer; the pass limit keeps it far from overflow.
// - A report pairs the boxes' texts as they stand with the numbers last loaded.
class CalculatorSession {
public:
    // An input changed: the next Calculate reloads.
    void ClearInitialized() { state_.initialized = false; }

    // The hidden Initialize: loads the texts, derives the sensor voltages and the span gain
    // and puts the estimate back; the pass count and whether the session is loaded stay.
    std::optional<Failure> Initialize(const InputTexts& texts,
                                      const NumberSeparators& separators = {});

    // Reloads when not loaded (the pass count back to 1), then iterates until the estimate
    // moves by no more than one part in 10,000 or the pass count reaches kPassLimit.
    void Calculate(const InputTexts& texts, Outcome& outcome, WarningText warning_text,
                   const NumberSeparators& separators = {});
    Outcome Calculate(const InputTexts& texts, const NumberSeparators& separators = {});

    bool initialized() const { return state_.initialized; }
    std::int16_t passes() const { return state_.pass_count; }
    // The numbers last loaded (all zero before the first load).
    const Design& loaded() const { return state_.loaded; }

private:
    SolverState state_;
};

}  // namespace sondrel
