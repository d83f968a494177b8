#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/run.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

namespace {

// The arguments after the program name as UTF-8, read from the wide command line: the char**
// ones are in the ANSI code page and lose what it cannot hold.
std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    int count = 0;
    wchar_t** const wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
    }
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        // A lone surrogate becomes U+FFFD. The sizes count the terminating null (length -1),
        // which goes; 0 is a failure, which leaves the argument empty.
        const int size =
            ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string& text =
            arguments.emplace_back(static_cast<std::size_t>(std::max(size, 1)), '\0');
        ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), size, nullptr, nullptr);
        text.pop_back();
    }
    ::LocalFree(wide);
    return arguments;
}

}  // namespace
#endif

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);  // past `ulimit -f` a report's write fails: "File too large"
#endif
#ifdef _WIN32
    // "\n" stays "\n" in files and pipes; a batch on standard input keeps its CR LF, its Ctrl-Z
    // and its UTF-16. Nothing is written yet, so nothing is buffered in text mode.
    ::_setmode(::_fileno(stdin), _O_BINARY);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    // Messages hold UTF-8 (file names, the header); 0 means there is no console.
    const UINT code_page = ::GetConsoleOutputCP();
    const bool switched = code_page != 0 && code_page != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8);
    const std::vector<std::string> utf8 = Utf8Arguments(argc, argv);
    const std::vector<std::string_view> args(utf8.begin(), utf8.end());
#else
    // The bytes typed (UTF-8 in a UTF-8 locale); the streams pass bytes through already.
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
#endif
    sondrel::TextWriter out(stdout);
    sondrel::TextWriter err(stderr);
    const int code = sondrel::cli::Run(args, out, err);  // flushes standard output
#ifdef _WIN32
    // The console shows UTF-8 until the last message is out, then gets its code page back.
    err.Flush();
    if (switched) {
        ::SetConsoleOutputCP(code_page);
    }
#endif
    return code;
}
