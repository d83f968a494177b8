#pragma once
// sondrel-calc: the window's calculation from a command line, as a function of its arguments
// so that tests can run it in-process, and its exit statuses.

#include <string_view>
#include <vector>

#include "table/text_writer.h"

namespace sondrel::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitWarnings = 3;  // --strict, and the design drew a warning

// `args` excludes the program name. Flushes `out` before it returns; when standard output
// could not be written (a closed pipe aside) says so on `err`, and a run that was going to
// exit 0 exits 1.
int Run(const std::vector<std::string_view>& args, TextWriter& out, TextWriter& err);

}  // namespace sondrel::cli
