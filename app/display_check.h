#pragma once
// Before Qt starts: on X11/Wayland systems, whether there is a display to open the window on
// and, for X, whether it opens, so that a headless start says what to do in one line instead
// of Qt's abort.

#include <string>

namespace sondrel::app {

// Empty when the window can open (an X display that opens, a Wayland display, or a platform
// named by QT_QPA_PLATFORM or "-platform"); otherwise the one-line message to print.
std::string MissingDisplayMessage(int argc, char** argv);

}  // namespace sondrel::app
