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
    int code = 0;
    {
        sondrel::cli::TextWriter out(stdout);
        sondrel::cli::TextWriter err(stderr);
        code = sondrel::cli::Run(args, out, err);
        if (!out.Flush() && code == 0) {
            code = 1;  // e.g. standard output is a full disk
        }
    }
    return code;
}
