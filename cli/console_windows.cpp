#include "cli/console.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>

namespace sondrel::cli {
namespace {

// A lone surrogate becomes U+FFFD. The sizes count the terminating null (length -1).
std::string Utf8FromWide(const wchar_t* wide) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return {};
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
    text.pop_back();
    return text;
}

}  // namespace

Console::Console(int argc, char** argv) {
    int count = 0;
    if (wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i) {
            arguments_.push_back(Utf8FromWide(wide[i]));
        }
        ::LocalFree(wide);
    } else {
        arguments_.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
    }

    // Bytes written are bytes received: "\n" stays "\n" in files and pipes. Bytes read are
    // the file's: a batch on standard input keeps its CR LF, its Ctrl-Z and its UTF-16.
    ::_setmode(::_fileno(stdin), _O_BINARY);
    std::fflush(stdout);
    std::fflush(stderr);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);

    // Messages hold UTF-8 (file names, the header); 0 means there is no console.
    const UINT code_page = ::GetConsoleOutputCP();
    if (code_page != 0 && code_page != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8)) {
        earlier_code_page_ = code_page;
    }
}

Console::~Console() {
    if (earlier_code_page_ != 0) {
        std::fflush(stdout);
        std::fflush(stderr);
        ::SetConsoleOutputCP(earlier_code_page_);
    }
}

}  // namespace sondrel::cli
