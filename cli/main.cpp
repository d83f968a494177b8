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

// Held for the program's life: standard streams that pass the bytes read and written through
// unchanged, and a console that shows UTF-8 until its earlier code page comes back.
class Utf8Console {
public:
    Utf8Console() {
        // "\n" stays "\n" in files and pipes; a batch on standard input keeps its CR LF, its
        // Ctrl-Z and its UTF-16. Nothing is written yet, so nothing is buffered in text mode.
        ::_setmode(::_fileno(stdin), _O_BINARY);
        ::_setmode(::_fileno(stdout), _O_BINARY);
        ::_setmode(::_fileno(stderr), _O_BINARY);
        // Messages hold UTF-8 (file names, the header); 0 means there is no console.
        const UINT code_page = ::GetConsoleOutputCP();
        if (code_page != 0 && code_page != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8)) {
            earlier_code_page_ = code_page;
        }
    }
    // After main's writers, which flush everything they write.
    ~Utf8Console() {
        if (earlier_code_page_ != 0) {
            ::SetConsoleOutputCP(earlier_code_page_);
        }
    }
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    UINT earlier_code_page_ = 0;  // 0: the console's code page was not changed
};

}  // namespace
#endif

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);  // past `ulimit -f` a report's write fails: "File too large"
#endif
#ifdef _WIN32
    const Utf8Console console;
    const std::vector<std::string> utf8 = Utf8Arguments(argc, argv);
    const std::vector<std::string_view> args(utf8.begin(), utf8.end());
#else
    // The bytes typed (UTF-8 in a UTF-8 locale); the streams pass bytes through already.
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
#endif
    // Run flushes standard output and tells whether it arrived; standard error is flushed
    // before the console is given back.
    sondrel::TextWriter out(stdout);
    sondrel::TextWriter err(stderr);
    return sondrel::cli::Run(args, out, err);
}
