#include "cli/console.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <cwchar>

namespace sondrel::cli {
namespace {

std::string Utf8FromWide(const wchar_t* wide) {
    const std::size_t length = std::wcslen(wide);
    if (length == 0 || length > 0x7FFFFFFF / 4) {
        return {};
    }
    const int wide_length = static_cast<int>(length);
    // A lone surrogate becomes U+FFFD.
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, wide, wide_length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide, wide_length, text.data(), size, nullptr, nullptr);
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
