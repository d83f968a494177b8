#include "cli/options.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "calc/text_rules.h"

namespace sondrel::cli {
namespace {

// Each option as a bit of the set given, against which the conflicts are read.
enum Given : unsigned {
    kJson = 1U << 0,
    kCsv = 1U << 1,
    kStrict = 1U << 2,
    kSweep = 1U << 3,
    kPlot = 1U << 4,
    kBatch = 1U << 5,
    kEncoding = 1U << 6,
    kBom = 1U << 7,
    kReport = 1U << 8,
    kHeader = 1U << 9,
    kHelp = 1U << 10,
    kVersion = 1U << 11,
    kReportToStdout = 1U << 12,  // --report -
};

Failure Usage(std::string message) {
    return Failure{FailureKind::InvalidArgument, {}, std::move(message)};
}

// An option's value: what follows its "=", else the next argument; none at the end.
using Value = std::optional<std::string_view>;
// Reads an option's value into the options, or tells why it cannot.
using ReadValue = std::optional<Failure> (*)(Value value, Options& options);

std::optional<Failure> ReadSweep(Value range, Options& options) {
    if (!range) {
        return Usage("--sweep-elevation needs START:STOP:STEP");
    }
    SweepRange parsed;
    if (auto problem = ParseSweepRange(*range, parsed)) {
        return Usage(std::move(*problem));
    }
    options.sweep = parsed;
    return std::nullopt;
}

// A file to read (--batch) or write (--report); - is the standard stream.
std::optional<Failure> ReadFileName(Value file, std::string_view option, std::string_view stream,
                                    std::optional<std::string>& name) {
    if (!file || file->empty()) {
        return Usage(std::string(option) + " needs a file name (or - for standard " +
                     std::string(stream) + ")");
    }
    name = std::string(*file);
    return std::nullopt;
}

// Whether the file name ends in an extension other than ".svg" (any case): "x.png" does.
bool HasOtherExtensionThanSvg(std::string_view file) {
    const std::size_t slash = file.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? file : file.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) {
        return false;
    }
    std::string extension(name.substr(dot));
    std::transform(extension.begin(), extension.end(), extension.begin(), AsciiLower);
    return extension != ".svg";
}

std::optional<Failure> ReadPlot(Value file, Options& options) {
    if (!file || file->empty() || *file == "-") {
        return Usage("--plot needs a file name for the SVG chart (standard output has the table)");
    }
    if (HasOtherExtensionThanSvg(*file)) {
        return Usage("--plot writes the chart as SVG: name the file with .svg, got " +
                     QuoteForMessage(*file));
    }
    options.plot_file = std::string(*file);
    return std::nullopt;
}

std::optional<Failure> ReadEncoding(Value name, Options& options) {
    const auto is = [&name](std::string_view known) {
        return name && std::equal(name->begin(), name->end(), known.begin(), known.end(),
                                  [](char a, char b) { return AsciiLower(a) == b; });
    };
    if (!is("utf-8") && !is("windows-1252")) {
        return Usage("--encoding takes utf-8 or windows-1252" +
                     (name ? ", not " + QuoteForMessage(*name) : std::string()));
    }
    options.encoding = is("utf-8") ? TextEncoding::Utf8 : TextEncoding::Windows1252;
    return std::nullopt;
}

std::optional<Failure> ReadHeader(Value text, Options& options) {
    if (!text) {
        return Usage("--header needs a text");
    }
    options.header = std::string(*text);
    return std::nullopt;
}

// An option: a switch sets its member, an option with a value reads it. An option with a
// value may be given once, as two of them would leave the user guessing which one counts.
struct OptionRow {
    std::string_view name;
    Given bit;
    bool Options::*on;  // a switch's member
    ReadValue read;     // an option with a value's reader
};

constexpr OptionRow kOptions[] = {
    {"--json", kJson, &Options::json, nullptr},
    {"--csv", kCsv, &Options::csv, nullptr},
    {"--strict", kStrict, &Options::strict, nullptr},
    {"--sweep-elevation", kSweep, nullptr, ReadSweep},
    {"--plot", kPlot, nullptr, ReadPlot},
    {"--batch", kBatch, nullptr,
     [](Value file, Options& o) { return ReadFileName(file, "--batch", "input", o.batch_file); }},
    {"--encoding", kEncoding, nullptr, ReadEncoding},
    {"--bom", kBom, &Options::bom, nullptr},
    {"--report", kReport, nullptr,
     [](Value file, Options& o) {
         return ReadFileName(file, "--report", "output", o.report_file);
     }},
    {"--header", kHeader, nullptr, ReadHeader},
    {"--help", kHelp, &Options::help, nullptr},
    {"-h", kHelp, &Options::help, nullptr},
    {"--version", kVersion, &Options::version, nullptr},
};

// Options that do not go together: all of `given` and none of `absent`. The first that
// applies is told.
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

// Told after a wrong count of values, which outranks them.
constexpr Conflict kStdoutConflicts[] = {
    {kJson | kReportToStdout, 0, "--json and --report - both want standard output"},
    {kCsv | kReportToStdout, 0, "--csv and --report - both want standard output"},
};

template <std::size_t N>
std::optional<Failure> FirstConflict(unsigned given, const Conflict (&conflicts)[N]) {
    for (const Conflict& c : conflicts) {
        if ((given & c.given) == c.given && (given & c.absent) == 0) {
            return Usage(std::string(c.message));
        }
    }
    return std::nullopt;
}

// The values after the options: none, for the defaults, or all that the run takes.
std::optional<Failure> CheckValueCount(unsigned given, std::size_t count) {
    const std::size_t takes = (given & kBatch) ? 0 : (given & kSweep) ? 4 : 5;
    if (count == 0 || count == takes) {
        return std::nullopt;
    }
    const std::string got = ", got " + std::to_string(count);
    if (given & kBatch) {
        return Usage("--batch takes its values from the file" + got + " more");
    }
    if (given & kSweep) {
        return Usage(
            "with --sweep-elevation expected four values (LOW_PRESSURE HIGH_PRESSURE "
            "LOW_VOLTS HIGH_VOLTS)" +
            got);
    }
    return Usage(
        "expected five values (ELEVATION LOW_PRESSURE HIGH_PRESSURE LOW_VOLTS "
        "HIGH_VOLTS)" +
        got);
}

// Whether the options given go together, with each other and with the count of values.
std::optional<Failure> CheckTogether(unsigned given, const Options& options) {
    if (given & (kHelp | kVersion)) {
        return std::nullopt;
    }
    if (options.report_file == "-") {
        given |= kReportToStdout;
    }
    if (auto failure = FirstConflict(given, kConflicts)) {
        return failure;
    }
    if (auto failure = CheckValueCount(given, options.positional.size())) {
        return failure;
    }
    return FirstConflict(given, kStdoutConflicts);
}

}  // namespace

bool LooksLikeOption(std::string_view arg) {
    if (arg.size() < 2 || arg[0] != '-') {
        return false;
    }
    const char c = arg[1];
    return !((c >= '0' && c <= '9') || c == '.');
}

Result<Options> Parse(const std::vector<std::string_view>& args) {
    Options options;
    unsigned given = 0;
    bool only_values = false;  // after "--"
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (only_values || !LooksLikeOption(arg)) {
            options.positional.push_back(arg);
            continue;
        }
        const std::size_t eq = arg.starts_with("--") ? arg.find('=') : std::string_view::npos;
        const std::string_view name = arg.substr(0, eq);
        Value value = eq == std::string_view::npos ? Value() : arg.substr(eq + 1);
        if (name == "--") {
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
        if (auto failure = row->read(value, options)) {
            return *failure;
        }
    }
    if (auto failure = CheckTogether(given, options)) {
        return *failure;
    }
    return options;
}

InputTexts InputsFrom(const Options& options) {
    InputTexts inputs;
    const auto& values = options.positional;
    if (values.size() == 5) {
        inputs.elevation = std::string(values[0]);
    }
    if (values.size() == 5 || (options.sweep && values.size() == 4)) {
        const std::size_t first = values.size() - 4;
        inputs.lo_baro = std::string(values[first]);
        inputs.hi_baro = std::string(values[first + 1]);
        inputs.lo_volts = std::string(values[first + 2]);
        inputs.hi_volts = std::string(values[first + 3]);
    }
    return inputs;
}

}  // namespace sondrel::cli
