#include "calc/design.h"

namespace sondrel {

std::optional<Failure> LoadDesign(const InputTexts& texts, Design& design,
                                  const NumberSeparators& separators) {
    const struct {
        const std::string& text;
        std::string_view box;
        double& field;
    } boxes[] = {
        {texts.elevation, kElevationBox, design.elevation_ft},
        {texts.lo_baro, kLoBaroBox, design.lo_baro_inhg},
        {texts.hi_baro, kHiBaroBox, design.hi_baro_inhg},
        {texts.lo_volts, kLoVoltsBox, design.lo_volts},
        {texts.hi_volts, kHiVoltsBox, design.hi_volts},
    };
    for (const auto& box : boxes) {
        const Result<double> number = ReadNumber(box.text, box.box, separators);
        if (!number) [[unlikely]] {
            return number.failure();
        }
        box.field = *number;
    }
    return std::nullopt;
}

Result<Design> ReadDesign(const InputTexts& texts, const NumberSeparators& separators) {
    Design design;
    if (auto failure = LoadDesign(texts, design, separators)) {
        return *std::move(failure);
    }
    return design;
}

}  // namespace sondrel
