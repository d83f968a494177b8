#pragma once
// The wiper solver: a design's VR1 wiper and VR2 settings, as one calculation on fresh state
// (Solve) or as the window's calculator session, which carries its state between commands.

#include <cstdint>
#include <optional>
#include <vector>

#include "calc/design.h"
#include "calc/design_checks.h"
#include "calc/failure.h"
#include "calc/results_text.h"
#include "calc/text_to_number.h"

namespace sondrel {

// How one calculation came out.
struct Outcome {
    bool solved = false;
    Failure failure;          // when not solved
    std::int16_t passes = 0;  // the session's pass count at the end
    // The numbers the calculation loaded: all five, or after a text that is not a number
    // those read before it (the others as they were).
    Design loaded{0, 0, 0, 0, 0};
    // What the results box shows afterwards: after a success the last pass's four lines;
    // after a failure the lines this calculation wrote last (the previous pass's four, or the
    // failing pass's VR2 line alone), `written` None when it wrote none and the box keeps
    // what it held.
    ResultLines lines;
    ResultTexts texts;                    // the lines' numbers as the box shows them
    std::vector<DesignWarning> warnings;  // after a success

    // The results box's text for `lines`.
    std::string Text() const { return ResultsText(texts, lines.written); }
};

// One calculation of `design` on fresh state, as the window's first Calculate gives it, into
// `outcome`, whose storage is reused. With WarningText::CodesOnly the warnings have no
// messages.
void Solve(const Design& design, Outcome& outcome, WarningText warning_text);

// Solve of the five texts, read as the window's boxes read them: a text that is not a number
// is the outcome's failure, and the numbers read before it are in `outcome.loaded`.
void Solve(const InputTexts& texts, Outcome& outcome, WarningText warning_text,
           const NumberSeparators& separators = {});

// What a calculation works on: the five numbers loaded, what they give the sensor and the
// span, and the wiper estimates.
struct SolverState {
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
// command to the next. A calculation reloads the inputs only when they have changed since
// the last load; Initialize on its own loads them without touching the pass count.
//
// The window's designed behaviour, kept on purpose though a reader may take it for a slip:
// - The pass count carries over between presses: a second Calculate with no edit goes on
//   from the last estimate and count, and so shows the same lines after one pass.
// - The hidden Initialize reloads and puts the estimate back without resetting the count,
//   so after it every Calculate runs one pass at the limit; the window keeps its button.
// - A load that fails part-way leaves the numbers read before the bad box loaded and the
//   rest as they were, and the session unloaded: the next Calculate loads again.
// - VR2's factor uses the decimal 0.666667, not two thirds: the results are the circuit's
//   fitted values, and two thirds would move printed digits.
// - The pass count is a 16-bit integer, checked as it counts; the pass limit keeps it far
//   from overflow, so the width never shows, and the check stays for safety.
// - The wiper quadratic's a is the integer -1: exact as an integer or a double, it changes
//   no result, and the formula is kept term for term.
// - A report pairs the boxes' texts as they stand with the numbers last loaded, so edits not
//   yet calculated show as typed beside the old metric values.
class CalculatorSession {
public:
    // An input changed: the next Calculate reloads.
    void ClearInitialized() { initialized_ = false; }

    // The hidden Initialize: reads the texts in order and derives the sensor voltages and the
    // span gain; puts the estimate back to its start. Leaves the pass count and whether the
    // session counts as loaded alone. A failure is returned; the fields loaded before it
    // keep their new values and the rest their old ones.
    std::optional<Failure> Initialize(const InputTexts& texts,
                                      const NumberSeparators& separators = {});

    // Calculate: reloads when not loaded (the pass count back to 1), then iterates until the
    // estimate settles (moves by no more than one part in 10,000) or the pass count reaches
    // kPassLimit. A failed load leaves the session unloaded.
    void Calculate(const InputTexts& texts, Outcome& outcome, WarningText warning_text,
                   const NumberSeparators& separators = {});
    Outcome Calculate(const InputTexts& texts, const NumberSeparators& separators = {});

    bool initialized() const { return initialized_; }
    std::int16_t passes() const { return pass_count_; }
    // The numbers last loaded (all zero before the first load).
    const Design& loaded() const { return state_.loaded; }

private:
    SolverState state_;
    bool initialized_ = false;
    std::int16_t pass_count_ = 0;  // passes since the last load
};

}  // namespace sondrel
