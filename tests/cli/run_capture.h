#pragma once
// sondrel-calc run in-process with its standard output and error captured as strings,
// for the command-line tests.

#include <string>
#include <string_view>
#include <vector>

#include "cli/run.h"
#include "tests/support/process.h"

namespace sondrel::cli::test_support {

// As a run of the executable gives it (tests/support/process.h).
using Result = testing_support::CommandRun;

inline Result RunWith(const std::vector<std::string_view>& args) {
    Result result;
    {
        TextWriter out(&result.out);
        TextWriter err(&result.err);
        result.code = Run(args, out, err);
    }
    return result;
}

// What one use of a writer leaves in its output, e.g. Written([](TextWriter& o) { o.Double(0.1);
// }).
template <typename Write>
std::string Written(Write write) {
    std::string sink;
    {
        TextWriter out(&sink);
        write(out);
    }
    return sink;
}

}  // namespace sondrel::cli::test_support
