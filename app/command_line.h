#pragma once
// The window program's own command line, read before Qt starts: --help, --version and
// mistakes are answered without a display; Qt's own options (-platform, -style, ...) pass.

#include <optional>
#include <string>

namespace sondrel::app {

struct CommandLine {
    std::optional<int> exit_code;  // set when the program prints `text` and ends (0: stdout)
    std::string text;
};

// Reads the arguments: --help or -h gives the help (exit 0), --version the version (exit 0),
// an unknown option or a stray argument a usage message (exit 2); anything else opens the
// window, with the arguments left for QApplication.
CommandLine ReadCommandLine(int argc, char** argv);

}  // namespace sondrel::app
