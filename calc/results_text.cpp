#include "calc/results_text.h"

#include "calc/number_format.h"

namespace sondrel {

void FormatResultTexts(const ResultLines& lines, ResultTexts& texts) {
    const bool all_four = lines.written == WrittenLines::AllFour;
    if (lines.written == WrittenLines::None) {
        texts.vr2_ohms.clear();
    } else {
        texts.vr2_ohms = FormatNumber(lines.vr2_ohms, kOhmsPattern);
    }
    if (!all_four) {
        texts.vr1_wiper_to_gnd_ohms.clear();
        texts.lo_vin_volts.clear();
        texts.hi_vin_volts.clear();
        return;
    }
    texts.vr1_wiper_to_gnd_ohms = FormatNumber(lines.vr1_wiper_to_gnd_ohms, kOhmsPattern);
    texts.lo_vin_volts = FormatNumber(lines.lo_vin_volts, kVoltsPattern);
    texts.hi_vin_volts = FormatNumber(lines.hi_vin_volts, kVoltsPattern);
}

std::string ResultsText(const ResultTexts& texts, WrittenLines written) {
    if (written == WrittenLines::None) {
        return {};
    }
    std::string text = "VR2 = ";
    text += texts.vr2_ohms;
    text += " Ohms";
    if (written == WrittenLines::Vr2Alone) {
        return text;
    }
    text += "\r\nVR1 wiper to GND side = ";
    text += texts.vr1_wiper_to_gnd_ohms;
    text += " Ohms\r\nLoVin = ";
    text += texts.lo_vin_volts;
    text += " Volts\r\nHiVin = ";
    text += texts.hi_vin_volts;
    text += " Volts";
    return text;
}

std::string FormatResultLines(const ResultLines& lines) {
    ResultTexts texts;
    FormatResultTexts(lines, texts);
    return ResultsText(texts, lines.written);
}

}  // namespace sondrel
