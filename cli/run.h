#pragma once
// sondrel-calc: the window's calculation from a command line, as a function of its arguments
// so that tests can run it in-process. Exit codes: 0 done, 1 a failure, 2 usage, 3 warnings
// under --strict.

#include <string_view>
#include <vector>

#include "cli/output.h"

namespace sondrel::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitWarnings = 3;  // --strict, and the design drew a warning

// `args` excludes the program name. Flushes `out` before it returns; when standard output
// could not be written (a closed pipe aside) says so on `err`, and a run that was going to
// exit 0 exits 1.
int Run(const std::vector<std::string_view>& args, Output& out, Output& err);

std::string_view UsageText();

}  // namespace sondrel::cli
