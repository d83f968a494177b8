// Display formats over arbitrary doubles: the text is -?[0-9]*\.[0-9]* without leading or
// trailing zeros, and it is the 15-digit value rounded half away from zero to the pattern.

#include <array>
#include <cmath>
#include <cstring>
#include <string>

#include "calc/number_format.h"
#include "fuzz/oracle.h"
#include "fuzz/targets.h"

namespace sondrel::fuzz {
namespace {

int DecimalsOf(std::string_view pattern) {
    const std::size_t dot = pattern.find('.');
    return dot == std::string_view::npos ? 0 : static_cast<int>(pattern.size() - dot - 1);
}

}  // namespace

int FuzzFormatNumber(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    static const std::array<std::string_view, 3> kPatterns = {kOhmsPattern, kVoltsPattern,
                                                              kMetricPattern};
    const unsigned char mode = data[0];
    const std::string_view pattern = kPatterns[(mode & 0x7f) % kPatterns.size()];
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);

    double value = 0;
    if ((mode & 0x80) == 0) {  // a decimal text, for hand-written seeds near the halves
        const std::string text = rest.substr(0, rest.find('\0'));
        char* end = nullptr;
        value = std::strtod(text.c_str(), &end);
    } else {
        std::array<char, sizeof(double)> bytes{};
        std::memcpy(bytes.data(), rest.data(), std::min(rest.size(), bytes.size()));
        std::memcpy(&value, bytes.data(), sizeof value);
    }
    if (!std::isfinite(value)) {
        return 0;  // the calculator never formats these: every result is checked first
    }

    const std::string shown = FormatNumber(value, pattern);
    char input[96];
    std::snprintf(input, sizeof input, "%.17g with \"%.*s\" shows \"%.40s\"", value,
                  static_cast<int>(pattern.size()), pattern.data(), shown.c_str());
    const int decimals = DecimalsOf(pattern);
    const std::optional<Decimal> read = ReadShownNumber(shown, decimals);
    Check(read.has_value(), "the shown number is malformed", input);

    const Decimal exact = FifteenDigits(value);
    const int distance = CompareDistanceToHalfUnit(exact, *read, decimals);
    Check(distance <= 0, "the shown number is more than half a unit away", input);
    if (distance == 0) {
        Check(FartherFromZero(exact, *read), "a half was not rounded away from zero", input);
    }
    if (read->digits != "0") {
        Check(read->negative == exact.negative, "the shown number has the wrong sign", input);
    }
    return 0;
}

}  // namespace sondrel::fuzz

SONDREL_FUZZ_ENTRY_POINT(sondrel::fuzz::FuzzFormatNumber)
