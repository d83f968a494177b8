#include "calc/design.h"

namespace sondrel {
namespace {

// One box's number into `value`, which keeps its old value when the text is not a number.
bool ReadBox(std::string_view text, std::string_view box_name, const NumberSeparators& separators,
             double& value, CalculateFailure& failure) {
    const ParseResult result = ParseNumber(text, separators);
    if (result.status != ParseStatus::Ok) [[unlikely]] {
        failure.kind = ParseFailureKind(result.status);
        failure.message = ParseFailureMessage(result.status, text, box_name);
        return false;
    }
    value = result.value;
    return true;
}

}  // namespace

int ReadDesign(const InputTexts& texts, Design& design, CalculateFailure& failure,
               const NumberSeparators& separators) {
    if (!ReadBox(texts.elevation, kElevationBox, separators, design.elevation_ft, failure)) {
        return 0;
    }
    if (!ReadBox(texts.lo_baro, kLoBaroBox, separators, design.lo_baro_inhg, failure)) {
        return 1;
    }
    if (!ReadBox(texts.hi_baro, kHiBaroBox, separators, design.hi_baro_inhg, failure)) {
        return 2;
    }
    if (!ReadBox(texts.lo_volts, kLoVoltsBox, separators, design.lo_volts, failure)) {
        return 3;
    }
    if (!ReadBox(texts.hi_volts, kHiVoltsBox, separators, design.hi_volts, failure)) {
        return 4;
    }
    return 5;
}

}  // namespace sondrel
