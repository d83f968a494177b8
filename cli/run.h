#pragma once
// sondrel-calc: the window's calculation from a command line, as a function of its arguments
// so that tests can run it in-process. It returns one of the statuses in cli/exit_status.h.

#include <string_view>
#include <vector>

#include "cli/exit_status.h"
#include "table/text_writer.h"

namespace sondrel::cli {

// `args` excludes the program name. Flushes `out` before it returns; when standard output
// could not be written (a closed pipe aside) says so on `err`, and a run that was going to
// exit 0 exits 1.
int Run(const std::vector<std::string_view>& args, TextWriter& out, TextWriter& err);

}  // namespace sondrel::cli
