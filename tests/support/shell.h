#pragma once
// A shell command run as a test's subject: its standard output read whole and its status as
// pclose gives it (POSIX only).

#include <cstdio>
#include <string>

namespace sondrel::testing_support {

struct ShellRun {
    std::string out;
    int status = -1;  // as from waitpid; -1 when the shell could not be started
};

inline ShellRun RunShell(const std::string& command) {
    ShellRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) {
        run.out.append(buf, n);
    }
    run.status = ::pclose(pipe);
    return run;
}

}  // namespace sondrel::testing_support
