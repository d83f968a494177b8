#pragma once
// sondrel-calc's arguments: what they ask for (Options) and how they are read (Parse).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calc/design.h"
#include "calc/failure.h"
#include "cli/text_encoding.h"
#include "table/sweep.h"

namespace sondrel::cli {

struct Options {
    bool json = false;
    bool csv = false;
    bool strict = false;  // a design warning fails the run (exit 3)
    std::optional<SweepRange> sweep;
    std::optional<std::string> batch_file;        // "-" for standard input
    TextEncoding encoding = TextEncoding::Guess;  // the batch file's
    bool bom = false;                             // a UTF-8 byte-order mark before CSV output
    std::optional<std::string> plot_file;         // a sweep's chart, SVG
    bool help = false;
    bool version = false;
    std::optional<std::string> report_file;
    std::string header;
    InputTexts inputs;  // the values given, the window's defaults for the rest
};

// Reads the arguments (without the program name), or fails with the usage error's message.
Result<Options> Parse(const std::vector<std::string_view>& args);

}  // namespace sondrel::cli
