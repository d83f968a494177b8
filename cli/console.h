#pragma once
// The process's arguments and standard streams, the same on every platform: arguments as
// UTF-8, and standard streams that pass the bytes read and written through unchanged.

#include <string>
#include <string_view>
#include <vector>

namespace sondrel::cli {

// Held by main() for the program's life. On Windows the arguments are read from the wide
// command line (the char** ones are in the ANSI code page and lose what it cannot hold),
// standard input, output and error become binary (no "\r\n" to "\n" or back), and a
// console shows UTF-8; the console's earlier code page comes back on destruction. Elsewhere
// it changes nothing.
class Console {
public:
    Console(int argc, char** argv);
    ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    // The arguments after the program name, UTF-8.
    const std::vector<std::string>& Arguments() const { return arguments_; }

private:
    std::vector<std::string> arguments_;
#ifdef _WIN32
    unsigned earlier_code_page_ = 0;  // 0: the console's code page was not changed
#endif
};

}  // namespace sondrel::cli
