#include "calc/read_double.h"

namespace sondrel {

std::from_chars_result ReadDouble(const char* first, const char* last, double& value) {
    return std::from_chars(first, last, value);
}

}  // namespace sondrel
