#include "calc/results_text.h"

#include <string_view>

#include "calc/number_format.h"

namespace sondrel {
namespace {

// The number as the results box shows it when its line was written, else empty.
std::string Shown(bool written, double value, std::string_view pattern) {
    return written ? FormatNumber(value, pattern) : std::string();
}

}  // namespace

void FormatResultTexts(const ResultLines& lines, ResultTexts& texts) {
    const bool all_four = lines.written == WrittenLines::AllFour;
    texts.vr2_ohms = Shown(lines.written != WrittenLines::None, lines.vr2_ohms, kOhmsPattern);
    texts.vr1_wiper_to_gnd_ohms = Shown(all_four, lines.vr1_wiper_to_gnd_ohms, kOhmsPattern);
    texts.lo_vin_volts = Shown(all_four, lines.lo_vin_volts, kVoltsPattern);
    texts.hi_vin_volts = Shown(all_four, lines.hi_vin_volts, kVoltsPattern);
}

std::string ResultsText(const ResultTexts& texts, WrittenLines written) {
    if (written == WrittenLines::None) {
        return {};
    }
    std::string text = "VR2 = " + texts.vr2_ohms + " Ohms";
    if (written == WrittenLines::AllFour) {
        text += "\r\nVR1 wiper to GND side = " + texts.vr1_wiper_to_gnd_ohms +
                " Ohms\r\nLoVin = " + texts.lo_vin_volts +
                " Volts\r\nHiVin = " + texts.hi_vin_volts + " Volts";
    }
    return text;
}

std::string FormatResultLines(const ResultLines& lines) {
    ResultTexts texts;
    FormatResultTexts(lines, texts);
    return ResultsText(texts, lines.written);
}

}  // namespace sondrel
