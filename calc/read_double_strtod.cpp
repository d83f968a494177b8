#include "calc/read_double.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

namespace sondrel {

// For C libraries whose strtod is correctly rounded and whose locale stays "C" (wasi-libc: the
// module never calls setlocale), so that "." is the decimal point.
std::optional<double> ReadDouble(std::string_view text) {
    const std::string terminated(text);  // strtod wants a terminator
    errno = 0;
    const double value = std::strtod(terminated.c_str(), nullptr);
    // strtod also flags subnormal results; from_chars only those that became 0 or infinite.
    if (errno == ERANGE && (value == 0 || std::isinf(value))) {
        return std::nullopt;
    }
    return value;
}

}  // namespace sondrel
