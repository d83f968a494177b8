#include "app/display_check.h"

#include <cstdlib>
#include <cstring>

namespace sondrel::app {
namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

}  // namespace

std::string MissingDisplayMessage(int argc, char** argv) {
#if defined(__unix__) && !defined(__APPLE__) && !defined(__ANDROID__)
    if (IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM")) {
        return {};
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) {
            return {};
        }
    }
    return "sondrel: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset); "
           "run it on a desktop, or headless with xvfb-run or QT_QPA_PLATFORM=offscreen";
#else
    (void)argc;
    (void)argv;
    return {};
#endif
}

}  // namespace sondrel::app
