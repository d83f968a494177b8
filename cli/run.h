#pragma once
// sondrel-calc: the window's calculation from a command line, as a function of its arguments
// so that tests can run it in-process. Exit codes: 0 done, 1 the calculation failed, 2 usage.

#include <string_view>
#include <vector>

#include "cli/output.h"

namespace sondrel::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// `args` excludes the program name.
int Run(const std::vector<std::string_view>& args, Output& out, Output& err);

std::string_view UsageText();

}  // namespace sondrel::cli
