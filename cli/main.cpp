#include <csignal>
#include <cstdio>
#include <string_view>
#include <vector>

#include "cli/console.h"
#include "cli/run.h"

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);  // past `ulimit -f` a report's write fails: "File too large"
#endif
    const sondrel::cli::Console console(argc, argv);
    const std::vector<std::string_view> args(console.Arguments().begin(),
                                             console.Arguments().end());
    // Run flushes standard output and tells whether it arrived; standard error is flushed
    // before the console is given back.
    sondrel::TextWriter out(stdout);
    sondrel::TextWriter err(stderr);
    return sondrel::cli::Run(args, out, err);
}
