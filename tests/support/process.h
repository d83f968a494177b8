#pragma once
// A command run by the system's shell as a test's subject: its exit status and what it
// printed on standard output and standard error.

#include <cstdio>
#include <string>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "tests/support/scratch_folder.h"

namespace sondrel::testing_support {

struct CommandRun {
    int code = -1;  // the exit status; -1 when the shell did not start or a signal ended it
    std::string out;
    std::string err;
};

// By /bin/sh, or on Windows by cmd.exe (where standard output is read in binary, so that a
// stray "\r" shows).
inline CommandRun RunInShell(const std::string& command) {
    CommandRun run;
    const ScratchFolder folder("sondrel-run");
    const std::string err_file = (folder.path() / "stderr").string();
#ifdef _WIN32
    // cmd.exe drops the first and the last quote of its command line.
    const std::string line = "\"" + command + " 2>\"" + err_file + "\"\"";
    FILE* pipe = ::_popen(line.c_str(), "rb");
#else
    const std::string line = "(" + command + "\n) 2>'" + err_file + "'";
    FILE* pipe = ::popen(line.c_str(), "r");
#endif
    if (pipe == nullptr) {
        return run;
    }
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) {
        run.out.append(buf, n);
    }
#ifdef _WIN32
    run.code = ::_pclose(pipe);
#else
    const int status = ::pclose(pipe);
    run.code = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    run.err = ReadFile(err_file);
    return run;
}

}  // namespace sondrel::testing_support
