#include "cli/options.h"

#include <algorithm>

#include "calc/failure.h"
#include "calc/text_rules.h"

namespace sondrel::cli {
namespace {

// The options that take a value: each may be given once, as two of them would leave the user
// guessing which one counts.
constexpr std::string_view kValueOptions[] = {"--sweep-elevation", "--batch", "--report", "--plot",
                                              "--header"};

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

// A sweep takes the four values after the elevation, or none for the defaults.
std::optional<std::string> CheckSweepOptions(const Options& options) {
    if (options.json || options.report_file) {
        return std::string(options.json ? "--json" : "--report") +
               " does not go with --sweep-elevation, which writes CSV";
    }
    if (!options.positional.empty() && options.positional.size() != 4) {
        return "with --sweep-elevation expected four values (LOW_PRESSURE HIGH_PRESSURE "
               "LOW_VOLTS HIGH_VOLTS), got " +
               std::to_string(options.positional.size());
    }
    return std::nullopt;
}

// A batch file gives every row its five values.
std::optional<std::string> CheckBatchOptions(const Options& options) {
    if (options.sweep || options.report_file) {
        return std::string(options.sweep ? "--sweep-elevation" : "--report") +
               " does not go with --batch";
    }
    if (!options.positional.empty()) {
        return "--batch takes its values from the file, got " +
               std::to_string(options.positional.size()) + " more";
    }
    return std::nullopt;
}

}  // namespace

bool LooksLikeOption(std::string_view arg) {
    if (arg.size() < 2 || arg[0] != '-') {
        return false;
    }
    const char c = arg[1];
    return !((c >= '0' && c <= '9') || c == '.');
}

std::optional<std::string> Parse(const std::vector<std::string_view>& args, Options& options) {
    bool only_positional = false;
    bool header_given = false;
    std::vector<std::string_view> values_given;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (only_positional || !LooksLikeOption(arg)) {
            options.positional.push_back(arg);
            continue;
        }
        std::string_view name = arg;
        std::optional<std::string_view> value;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        const auto take_value = [&]() -> std::optional<std::string_view> {
            if (value) {
                return value;
            }
            if (i + 1 < args.size()) {
                return args[++i];
            }
            return std::nullopt;
        };
        if (std::find(std::begin(kValueOptions), std::end(kValueOptions), name) !=
            std::end(kValueOptions)) {
            if (std::find(values_given.begin(), values_given.end(), name) != values_given.end()) {
                return std::string(name) + " is given twice; give it once";
            }
            values_given.push_back(name);
        }
        if (name == "--") {
            only_positional = true;
        } else if (name == "--json" && !value) {
            options.json = true;
        } else if (name == "--csv" && !value) {
            options.csv = true;
        } else if (name == "--strict" && !value) {
            options.strict = true;
        } else if (name == "--sweep-elevation") {
            const auto range = take_value();
            if (!range) {
                return std::string("--sweep-elevation needs START:STOP:STEP");
            }
            const Result<SweepRange> parsed = ParseSweepRange(*range, "--sweep-elevation");
            if (!parsed) {
                return parsed.failure().Message();
            }
            options.sweep = *parsed;
        } else if (name == "--batch" || name == "--report") {
            // A file to read (--batch) or write (--report); - is the standard stream.
            const bool batch = name == "--batch";
            const auto file = take_value();
            if (!file || file->empty()) {
                return std::string(name) + " needs a file name (or - for standard " +
                       (batch ? "input" : "output") + ")";
            }
            (batch ? options.batch_file : options.report_file) = std::string(*file);
        } else if (name == "--plot") {
            const auto file = take_value();
            if (!file || file->empty() || *file == "-") {
                return std::string(
                    "--plot needs a file name for the SVG chart (standard output "
                    "has the table)");
            }
            if (HasOtherExtensionThanSvg(*file)) {
                return "--plot writes the chart as SVG: name the file with .svg, got " +
                       QuoteForMessage(*file);
            }
            options.plot_file = std::string(*file);
        } else if (name == "--encoding") {
            const auto encoding = take_value();
            const auto is = [&encoding](std::string_view known) {
                return encoding &&
                       std::equal(encoding->begin(), encoding->end(), known.begin(), known.end(),
                                  [](char a, char b) { return AsciiLower(a) == b; });
            };
            if (is("utf-8")) {
                options.encoding = TextEncoding::Utf8;
            } else if (is("windows-1252")) {
                options.encoding = TextEncoding::Windows1252;
            } else {
                return "--encoding takes utf-8 or windows-1252" +
                       (encoding ? ", not " + QuoteForMessage(*encoding) : std::string());
            }
        } else if (name == "--bom" && !value) {
            options.bom = true;
        } else if ((name == "--help" || name == "-h") && !value) {
            options.help = true;
        } else if (name == "--version" && !value) {
            options.version = true;
        } else if (name == "--header") {
            const auto text = take_value();
            if (!text) {
                return std::string("--header needs a text");
            }
            options.header = std::string(*text);
            header_given = true;
        } else {
            return "unknown option '" + std::string(arg) + "'";
        }
    }
    if (options.help || options.version) {
        return std::nullopt;
    }
    if (header_given && !options.report_file) {
        return std::string("--header goes with --report (it is the report's header)");
    }
    if (options.plot_file && !options.sweep) {
        return std::string("--plot goes with --sweep-elevation (it charts the sweep)");
    }
    if (options.json && options.csv) {
        return std::string("--json and --csv are two output formats; choose one");
    }
    if (options.encoding != TextEncoding::Guess && !options.batch_file) {
        return std::string("--encoding goes with --batch (it tells how the file is read)");
    }
    if (options.bom && !(options.csv || options.sweep || (options.batch_file && !options.json))) {
        return std::string(
            "--bom goes with CSV output (--csv, --sweep-elevation, or --batch without --json)");
    }
    if (options.batch_file) {
        return CheckBatchOptions(options);
    }
    if (options.sweep) {
        return CheckSweepOptions(options);
    }
    if (!options.positional.empty() && options.positional.size() != 5) {
        return "expected five values (ELEVATION LOW_PRESSURE HIGH_PRESSURE LOW_VOLTS "
               "HIGH_VOLTS), got " +
               std::to_string(options.positional.size());
    }
    if ((options.json || options.csv) && options.report_file == "-") {
        return std::string(options.json ? "--json" : "--csv") +
               " and --report - both want standard output";
    }
    return std::nullopt;
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
