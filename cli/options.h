#pragma once
// sondrel-calc's arguments: what they ask for (Options), how they are read (Parse), and the
// five input texts they give the calculation (InputsFrom).

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
    std::vector<std::string_view> positional;
};

// Reads the arguments (without the program name), or fails with the usage error's message.
// The views in the options point into `args`.
Result<Options> Parse(const std::vector<std::string_view>& args);

// The input boxes' texts as the values Parse took stand for them: all five, or for a sweep
// the four after the elevation; the window's defaults for whatever was not given.
InputTexts InputsFrom(const Options& options);

}  // namespace sondrel::cli
