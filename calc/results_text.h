#pragma once
// The results box's lines: the four values a pass shows ("VR2 = 1813. Ohms", ...), their
// numbers as the box shows them, and the text they make together.

#include <string>

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

// Formats the written lines' numbers into `texts`, reusing its storage.
void FormatResultTexts(const ResultLines& lines, ResultTexts& texts);

// The lines' text, joined by "\r\n" with none after the last; empty when none were written.
std::string ResultsText(const ResultTexts& texts, WrittenLines written);
std::string FormatResultLines(const ResultLines& lines);

}  // namespace sondrel
