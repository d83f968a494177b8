#include "calc/results_text.h"

#include "calc/number_format.h"

namespace sondrel {

std::string FormatResultLines(const ResultLines& lines) {
    std::string text = "VR2 = ";
    text += FormatNumber(lines.vr2_ohms, kOhmsPattern);
    text += " Ohms";
    if (lines.written == WrittenLines::Vr2Alone) {
        return text;
    }
    text += "\r\nVR1 wiper to GND side = ";
    text += FormatNumber(lines.vr1_wiper_to_gnd_ohms, kOhmsPattern);
    text += " Ohms\r\nLoVin = ";
    text += FormatNumber(lines.lo_vin_volts, kVoltsPattern);
    text += " Volts\r\nHiVin = ";
    text += FormatNumber(lines.hi_vin_volts, kVoltsPattern);
    text += " Volts";
    return text;
}

std::string StringTextHolder::Text() const {
    if (pending_) {
        text_ = FormatResultLines(results_);
        pending_ = false;
    }
    return text_;
}

void StringTextHolder::SetText(std::string text) {
    text_ = std::move(text);
    pending_ = false;
    has_results_ = false;
}

void StringTextHolder::SetResults(const ResultLines& lines) {
    results_ = lines;
    pending_ = true;
    has_results_ = true;
}

}  // namespace sondrel
