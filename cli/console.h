#pragma once
// The process's arguments and standard streams, the same on every platform: arguments as
// UTF-8, and standard streams that pass the bytes read and written through unchanged.

#include <string>
#include <vector>

namespace sondrel::cli {

// Held by main() for the program's life. On Windows the arguments come from the wide command
// line (the char** ones lose what the ANSI code page cannot hold), the standard streams become
// binary, and a console shows UTF-8 until its earlier code page comes back on destruction.
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
