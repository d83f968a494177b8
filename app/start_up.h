#pragma once
// What the window programs do before Qt starts and as it does: the window's own command line,
// the display check, and the program's icon.

#include <optional>
#include <string>

#include <QIcon>

namespace sondrel::app {

struct CommandLine {
    std::optional<int> exit_code;  // set when the program prints `text` and ends (0: stdout)
    std::string text;
};

// Reads the arguments before Qt starts, so without a display: --help or -h gives the help
// (exit 0), --version the version (exit 0), an unknown option or a stray argument a usage
// message (exit 2); anything else opens the window, with the arguments (Qt's own options,
// -platform, -style, ...) left for QApplication.
CommandLine ReadCommandLine(int argc, char** argv);

// On X11/Wayland systems, so that a headless start says what to do in one line instead of
// Qt's abort: empty when the window can open (an X display that opens, a Wayland display, or
// a platform named by QT_QPA_PLATFORM or "-platform"); otherwise the message to print.
std::string MissingDisplayMessage(int argc, char** argv);

// The program's own icon (a dial over a trimmer-resistor symbol), from the compiled-in
// resources: 16, 32 and 48 pixel renderings of icons/sondrel.svg.
QIcon AppIcon();

}  // namespace sondrel::app
