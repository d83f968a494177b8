#pragma once
// What one use of a TextWriter leaves in its output, for the tests of what writes through one:
// Written([](TextWriter& o) { o.Double(0.1); }) is "0.1".

#include <string>

#include "table/text_writer.h"

namespace sondrel::testing_support {

template <typename Write>
std::string Written(Write write) {
    std::string sink;
    {
        TextWriter out(&sink);
        write(out);
    }
    return sink;
}

}  // namespace sondrel::testing_support
