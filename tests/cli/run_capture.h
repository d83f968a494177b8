#pragma once
// sondrel-calc run in-process with its standard output and error captured as strings,
// for the command-line tests.

#include <string>
#include <string_view>
#include <vector>

#include "cli/run.h"
#include "tests/support/process.h"
#include "tests/support/written.h"

namespace sondrel::cli::test_support {

// As a run of the executable gives it (tests/support/process.h).
using Result = testing_support::CommandRun;
using testing_support::Written;

inline Result RunWith(const std::vector<std::string_view>& args) {
    Result result;
    {
        TextWriter out(&result.out);
        TextWriter err(&result.err);
        result.code = Run(args, out, err);
    }
    return result;
}

}  // namespace sondrel::cli::test_support
