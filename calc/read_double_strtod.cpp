#include "calc/read_double.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

namespace sondrel {

// For C libraries whose strtod is correctly rounded and whose locale stays "C" (wasi-libc: the
// module never calls setlocale), so that "." is the decimal point.
std::from_chars_result ReadDouble(const char* first, const char* last, double& value) {
    const std::string text(first, last);  // strtod wants a terminator
    char* end = nullptr;
    errno = 0;
    const double read = std::strtod(text.c_str(), &end);
    const char* stop = first + (end - text.c_str());
    if (end == text.c_str()) {
        return {first, std::errc::invalid_argument};
    }
    // strtod also flags subnormal results; from_chars only those that became 0 or infinite.
    if (errno == ERANGE && (read == 0 || std::isinf(read))) {
        return {stop, std::errc::result_out_of_range};
    }
    value = read;
    return {stop, std::errc{}};
}

}  // namespace sondrel
