#include "cli/console.h"

namespace sondrel::cli {

// Arguments arrive as the bytes typed (UTF-8 in a UTF-8 locale) and streams are binary already.
Console::Console(int argc, char** argv) : arguments_(argv + (argc > 0 ? 1 : 0), argv + argc) {}

Console::~Console() = default;

}  // namespace sondrel::cli
