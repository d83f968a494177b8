#include "app/start_up.h"

#if defined(__unix__) && !defined(__APPLE__) && !defined(__ANDROID__)
#include <cstdlib>
#include <string_view>

#include <dlfcn.h>

namespace sondrel::app {
namespace {

const char* Value(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

// Whether the X display `name` can be opened, asked the way Qt's xcb platform asks: through
// libxcb, loaded only for the question. True when libxcb is not there (Qt then says why).
bool XDisplayOpens(const char* name) {
    void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (xcb == nullptr) {
        return true;
    }
    const auto connect = reinterpret_cast<void* (*)(const char*, int*)>(dlsym(xcb, "xcb_connect"));
    const auto has_error = reinterpret_cast<int (*)(void*)>(dlsym(xcb, "xcb_connection_has_error"));
    const auto disconnect = reinterpret_cast<void (*)(void*)>(dlsym(xcb, "xcb_disconnect"));
    bool opens = true;
    if (connect != nullptr && has_error != nullptr && disconnect != nullptr) {
        void* connection = connect(name, nullptr);
        opens = has_error(connection) == 0;
        disconnect(connection);  // also frees a connection that failed
    }
    dlclose(xcb);
    return opens;
}

}  // namespace

std::string MissingDisplayMessage(int argc, char** argv) {
    const char* display = Value("DISPLAY");
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "-platform" || argument == "--platform") {
            return {};
        }
        if ((argument == "-display" || argument == "--display") && i + 1 < argc) {
            display = argv[i + 1];
        }
    }
    if (Value("WAYLAND_DISPLAY") != nullptr || Value("QT_QPA_PLATFORM") != nullptr) {
        return {};
    }
    if (display == nullptr) {
        return "sondrel: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are "
               "unset); run it on a desktop, or headless with xvfb-run or "
               "QT_QPA_PLATFORM=offscreen";
    }
    if (!XDisplayOpens(display)) {
        return "sondrel: cannot open the display \"" + std::string(display) +
               "\": no X server answers there, or it does not let this user in; run it on a "
               "desktop, or headless with xvfb-run or QT_QPA_PLATFORM=offscreen";
    }
    return {};
}

}  // namespace sondrel::app

#else
// Elsewhere there is nothing to check before Qt starts.
std::string sondrel::app::MissingDisplayMessage(int, char**) {
    return {};
}
#endif
