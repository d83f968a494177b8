#include "cli/options.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "calc/text_rules.h"

namespace sondrel::cli {
namespace {

// Each option as a bit of the set given, against which the conflicts are read.
constexpr unsigned kJson = 1 << 0, kCsv = 1 << 1, kStrict = 1 << 2, kSweep = 1 << 3, kPlot = 1 << 4,
                   kBatch = 1 << 5, kEncoding = 1 << 6, kBom = 1 << 7, kReport = 1 << 8,
                   kHeader = 1 << 9, kHelp = 1 << 10, kVersion = 1 << 11;

Failure Usage(std::string message) {
    return Failure{FailureKind::InvalidArgument, {}, std::move(message)};
}

// Reads an option's value into the options, or tells why it cannot; `needs` is what the
// option needs, told as well when no value follows it.
using ReadValue = std::optional<Failure> (*)(std::string_view value, std::string_view needs,
                                             Options& options);

std::optional<Failure> ReadSweep(std::string_view range, std::string_view, Options& options) {
    const Result<SweepRange> parsed = ParseSweepRange(range, "--sweep-elevation");
    if (!parsed) {
        return Usage(parsed.failure().Message());
    }
    options.sweep = *parsed;
    return std::nullopt;
}

// A file's name, which is not empty (--batch, --report, --plot), or a text (--header).
template <auto kMember, bool kEmptyIsNone = true>
std::optional<Failure> ReadText(std::string_view text, std::string_view needs, Options& options) {
    if (kEmptyIsNone && text.empty()) {
        return Usage(std::string(needs));
    }
    options.*kMember = std::string(text);
    return std::nullopt;
}

std::optional<Failure> ReadPlot(std::string_view file, std::string_view needs, Options& options) {
    if (file == "-") {
        return Usage(std::string(needs));
    }
    // The name after the last folder separator (npos + 1 is 0); ".x" has no extension.
    const std::string_view name = file.substr(file.find_last_of("/\\") + 1);
    const std::size_t dot = name.rfind('.');
    std::string extension(dot == std::string_view::npos || dot == 0 ? "" : name.substr(dot));
    std::transform(extension.begin(), extension.end(), extension.begin(), AsciiLower);
    if (!extension.empty() && extension != ".svg") {
        return Usage("--plot writes the chart as SVG: name the file with .svg, got " +
                     QuoteForMessage(file));
    }
    return ReadText<&Options::plot_file>(file, needs, options);
}

std::optional<Failure> ReadEncoding(std::string_view name, std::string_view needs,
                                    Options& options) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), AsciiLower);
    if (lower != "utf-8" && lower != "windows-1252") {
        return Usage(std::string(needs) + ", not " + QuoteForMessage(name));
    }
    options.encoding = lower == "utf-8" ? TextEncoding::Utf8 : TextEncoding::Windows1252;
    return std::nullopt;
}

// An option: a switch sets its member, an option with a value reads it. An option with a
// value may be given once, as two of them would leave the user guessing which one counts.
struct OptionRow {
    std::string_view name;
    unsigned bit;
    bool Options::*on;       // a switch's member
    ReadValue read;          // an option with a value: its reader
    std::string_view needs;  // and what it needs
};

constexpr OptionRow kOptions[] = {
    {"--json", kJson, &Options::json, nullptr, {}},
    {"--csv", kCsv, &Options::csv, nullptr, {}},
    {"--strict", kStrict, &Options::strict, nullptr, {}},
    {"--sweep-elevation", kSweep, nullptr, ReadSweep, "--sweep-elevation needs START:STOP:STEP"},
    {"--plot", kPlot, nullptr, ReadPlot,
     "--plot needs a file name for the SVG chart (standard output has the table)"},
    {"--batch", kBatch, nullptr, ReadText<&Options::batch_file>,
     "--batch needs a file name (or - for standard input)"},
    {"--encoding", kEncoding, nullptr, ReadEncoding, "--encoding takes utf-8 or windows-1252"},
    {"--bom", kBom, &Options::bom, nullptr, {}},
    {"--report", kReport, nullptr, ReadText<&Options::report_file>,
     "--report needs a file name (or - for standard output)"},
    {"--header", kHeader, nullptr, ReadText<&Options::header, false>, "--header needs a text"},
    {"--help", kHelp, &Options::help, nullptr, {}},
    {"-h", kHelp, &Options::help, nullptr, {}},
    {"--version", kVersion, &Options::version, nullptr, {}},
};

// Options that do not go together: all of `given` and none of `absent`; the first is told.
struct Conflict {
    unsigned given;
    unsigned absent;
    std::string_view message;
};

constexpr std::string_view kBomWithoutCsv =
    "--bom goes with CSV output (--csv, --sweep-elevation, or --batch without --json)";

constexpr Conflict kConflicts[] = {
    {kHeader, kReport, "--header goes with --report (it is the report's header)"},
    {kPlot, kSweep, "--plot goes with --sweep-elevation (it charts the sweep)"},
    {kJson | kCsv, 0, "--json and --csv are two output formats; choose one"},
    {kEncoding, kBatch, "--encoding goes with --batch (it tells how the file is read)"},
    {kBom, kCsv | kSweep | kBatch, kBomWithoutCsv},
    {kBom | kJson, kCsv | kSweep, kBomWithoutCsv},
    {kBatch | kSweep, 0, "--sweep-elevation does not go with --batch"},
    {kBatch | kReport, 0, "--report does not go with --batch"},
    {kSweep | kJson, 0, "--json does not go with --sweep-elevation, which writes CSV"},
    {kSweep | kReport, 0, "--report does not go with --sweep-elevation, which writes CSV"},
};

// Whether the options go together, with each other and with the count of values after them:
// none, for the defaults, or all that the run takes.
std::optional<Failure> CheckTogether(unsigned given, const Options& options, std::size_t count) {
    for (const Conflict& c : kConflicts) {
        if ((given & c.given) == c.given && (given & c.absent) == 0) {
            return Usage(std::string(c.message));
        }
    }
    const std::string got = std::to_string(count);
    if (count != 0 && (given & kBatch)) {
        return Usage("--batch takes its values from the file, got " + got + " more");
    }
    if (count != 0 && count != ((given & kSweep) ? 4u : 5u)) {
        const std::string_view expected =
            (given & kSweep) ? "with --sweep-elevation expected four values (LOW_PRESSURE"
                             : "expected five values (ELEVATION LOW_PRESSURE";
        return Usage(std::string(expected) + " HIGH_PRESSURE LOW_VOLTS HIGH_VOLTS), got " + got);
    }
    // Told after a wrong count, which outranks it; --json and --csv are not both given here.
    if (options.report_file == "-" && (options.json || options.csv)) {
        return Usage(std::string(options.json ? "--json" : "--csv") +
                     " and --report - both want standard output");
    }
    return std::nullopt;
}

}  // namespace

Result<Options> Parse(const std::vector<std::string_view>& args) {
    Options options;
    unsigned given = 0;
    bool only_values = false;  // after "--"
    std::vector<std::string_view> values;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        // "-1000" and "-.5" are numbers, not options.
        const bool option =
            arg.size() >= 2 && arg[0] == '-' && (arg[1] < '0' || arg[1] > '9') && arg[1] != '.';
        if (only_values || !option) {
            values.push_back(arg);
            continue;
        }
        const std::size_t eq = arg.starts_with("--") ? arg.find('=') : std::string_view::npos;
        const std::string_view name = arg.substr(0, eq);
        // After "=", else the next argument.
        std::optional<std::string_view> value =
            eq == std::string_view::npos ? std::nullopt : std::optional(arg.substr(eq + 1));
        if (arg == "--") {
            only_values = true;
            continue;
        }
        const auto row = std::find_if(std::begin(kOptions), std::end(kOptions),
                                      [name](const OptionRow& r) { return r.name == name; });
        if (row == std::end(kOptions) || (row->on && value)) {
            return Usage("unknown option '" + std::string(arg) + "'");
        }
        if (row->read && (given & row->bit)) {
            return Usage(std::string(name) + " is given twice; give it once");
        }
        given |= row->bit;
        if (row->on) {
            options.*row->on = true;
            continue;
        }
        if (!value && i + 1 < args.size()) {
            value = args[++i];
        }
        if (!value) {
            return Usage(std::string(row->needs));
        }
        if (auto failure = row->read(*value, row->needs, options)) {
            return *failure;
        }
    }
    // --help and --version outrank the conflicts and the count of values.
    if (given & (kHelp | kVersion)) {
        return options;
    }
    if (auto failure = CheckTogether(given, options, values.size())) {
        return *failure;
    }
    // The values stand for the boxes: all five, or for a sweep the four after the elevation.
    std::string* const boxes[] = {&options.inputs.elevation, &options.inputs.lo_baro,
                                  &options.inputs.hi_baro, &options.inputs.lo_volts,
                                  &options.inputs.hi_volts};
    for (std::size_t i = 0; i < values.size(); ++i) {
        *boxes[std::size(boxes) - values.size() + i] = std::string(values[i]);
    }
    return options;
}

}  // namespace sondrel::cli
