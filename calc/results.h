#pragma once
// What a calculation shows: the results box's lines ("VR2 = 1813. Ohms", ...) and their text,
// and the design checks' warnings (a trimmer below zero or past its track, a sensor outside
// its output, a stopped solver).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sondrel {

// Which of a pass's lines the solver wrote: none, the VR2 line alone when the pass failed
// after it, or all four.
enum class WrittenLines { None, Vr2Alone, AllFour };

// What the solver last wrote.
struct ResultLines {
    WrittenLines written = WrittenLines::AllFour;
    double vr2_ohms = 0;
    double vr1_wiper_to_gnd_ohms = 0;
    double lo_vin_volts = 0;
    double hi_vin_volts = 0;
};

// The four numbers as the results box shows them ("1813.", "1851.", "3.792", "4.249"); the
// lines not written are left empty.
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

}  // namespace sondrel
