// window-watch: starts window programs one at a time on the current X display and measures,
// for each, the time from launch until its window is mapped and until it is first painted,
// and its resident memory once shown. Programs are run in turn, so both see the same machine.
//
//   window-watch [--runs N] [--settle-ms MS] NAME=PROGRAM...
//
// Run it under `xvfb-run -s -br` (a black root window): a window counts as painted when the
// pixel near its top-left corner is no longer black.

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Program {
    std::string name;
    std::string path;
    std::vector<double> map_ms, paint_ms, rss_mib;
};

struct Sample {
    double map_ms = 0, paint_ms = 0, rss_mib = 0;
};

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    auto reply = std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)>(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr),
        &std::free);
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

std::optional<pid_t> WindowPid(xcb_connection_t* c, xcb_window_t w, xcb_atom_t net_wm_pid) {
    auto reply = std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)>(
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, net_wm_pid, XCB_ATOM_CARDINAL, 0, 1),
                               nullptr),
        &std::free);
    if (!reply || xcb_get_property_value_length(reply.get()) < 4) {
        return std::nullopt;
    }
    return static_cast<pid_t>(*static_cast<std::uint32_t*>(xcb_get_property_value(reply.get())));
}

bool Painted(xcb_connection_t* c, xcb_window_t w) {
    auto reply = std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)>(
        xcb_get_image_reply(c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, w, 4, 4, 1, 1, ~0u),
                            nullptr),
        &std::free);
    if (!reply || xcb_get_image_data_length(reply.get()) < 3) {
        return false;
    }
    const std::uint8_t* p = xcb_get_image_data(reply.get());
    return (p[0] | p[1] | p[2]) != 0;
}

double RssMib(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;  // kB
        }
    }
    return 0;
}

std::optional<Sample> RunOnce(xcb_connection_t* c, xcb_atom_t net_wm_pid, const std::string& path,
                              int settle_ms) {
    // Drop whatever earlier runs left in the queue.
    while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
        std::free(e);
    }
    const auto start = Clock::now();
    pid_t pid = 0;
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0) {
        std::perror(path.c_str());
        return std::nullopt;
    }
    Sample sample;
    xcb_window_t window = XCB_WINDOW_NONE;
    const auto deadline = start + std::chrono::seconds(20);
    while (window == XCB_WINDOW_NONE && Clock::now() < deadline) {
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        poll(&fd, 1, 5);
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY && window == XCB_WINDOW_NONE) {
                const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(e);
                const auto now = Clock::now();
                if (WindowPid(c, map->window, net_wm_pid) == pid) {
                    window = map->window;
                    sample.map_ms = Ms(now - start);
                }
            }
            std::free(e);
        }
    }
    bool ok = window != XCB_WINDOW_NONE;
    while (ok && !Painted(c, window)) {
        if (Clock::now() > deadline) {
            ok = false;
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (ok) {
        sample.paint_ms = Ms(Clock::now() - start);
        std::this_thread::sleep_for(std::chrono::milliseconds(settle_ms));
        sample.rss_mib = RssMib(pid);
    }
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!ok) {
        std::fprintf(stderr, "window-watch: %s showed no window\n", path.c_str());
        return std::nullopt;
    }
    return sample;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 15;
    int settle_ms = 500;
    std::vector<Program> programs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else if (arg == "--settle-ms" && i + 1 < argc) {
            settle_ms = std::atoi(argv[++i]);
        } else if (const auto eq = arg.find('='); eq != std::string::npos) {
            programs.push_back({arg.substr(0, eq), arg.substr(eq + 1), {}, {}, {}});
        } else {
            std::fprintf(stderr,
                         "usage: window-watch [--runs N] [--settle-ms MS] NAME=PROGRAM...\n");
            return 2;
        }
    }
    if (programs.empty() || runs < 1) {
        std::fprintf(stderr, "usage: window-watch [--runs N] [--settle-ms MS] NAME=PROGRAM...\n");
        return 2;
    }

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "window-watch: cannot open the X display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t net_wm_pid = Atom(c, "_NET_WM_PID");
    xcb_flush(c);

    // One unmeasured start each, so every measured one finds the libraries in the page cache.
    for (Program& p : programs) {
        if (!RunOnce(c, net_wm_pid, p.path, 50)) {
            return 1;
        }
    }
    for (int run = 0; run < runs; ++run) {
        for (Program& p : programs) {
            const auto sample = RunOnce(c, net_wm_pid, p.path, settle_ms);
            if (!sample) {
                return 1;
            }
            p.map_ms.push_back(sample->map_ms);
            p.paint_ms.push_back(sample->paint_ms);
            p.rss_mib.push_back(sample->rss_mib);
        }
    }
    xcb_disconnect(c);

    std::printf("%d runs each, alternating; medians (min-max)\n", runs);
    std::printf("%-10s %22s %22s %18s\n", "program", "start to mapped, ms", "start to painted, ms",
                "RSS shown, MiB");
    for (const Program& p : programs) {
        const auto [map_min, map_max] = std::minmax_element(p.map_ms.begin(), p.map_ms.end());
        const auto [pnt_min, pnt_max] = std::minmax_element(p.paint_ms.begin(), p.paint_ms.end());
        std::printf("%-10s %8.1f (%5.1f-%5.1f) %8.1f (%5.1f-%5.1f) %18.1f\n", p.name.c_str(),
                    Median(p.map_ms), *map_min, *map_max, Median(p.paint_ms), *pnt_min, *pnt_max,
                    Median(p.rss_mib));
    }
    // Each program against each one named before it.
    for (std::size_t i = 1; i < programs.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            const Program& p = programs[i];
            const Program& base = programs[j];
            std::printf(
                "%s / %s: start-up to painted %.3fx, to mapped %.3fx, memory %.3fx\n",
                p.name.c_str(), base.name.c_str(), Median(p.paint_ms) / Median(base.paint_ms),
                Median(p.map_ms) / Median(base.map_ms), Median(p.rss_mib) / Median(base.rss_mib));
        }
    }
    return 0;
}
