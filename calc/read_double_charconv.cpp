#include "calc/read_double.h"

#include <charconv>

namespace sondrel {

std::optional<double> ReadDouble(std::string_view text) {
    double value = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc{}) {
        return std::nullopt;
    }
    return value;
}

}  // namespace sondrel
