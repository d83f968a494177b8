#include "cli/run.h"

#include <filesystem>
#include <optional>
#include <string>

#include "calc/calculator_state.h"
#include "calc/failure.h"
#include "calc/report.h"
#include "calc/version.h"
#include "cli/csv.h"
#include "cli/sweep.h"

namespace sondrel::cli {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct Options {
    bool json = false;
    bool csv = false;
    std::optional<SweepRange> sweep;
    bool help = false;
    bool version = false;
    std::optional<std::string> report_file;
    std::string header;
    std::vector<std::string_view> positional;
};

// "-1000" and "-.5" are numbers, not options.
bool LooksLikeOption(std::string_view arg) {
    if (arg.size() < 2 || arg[0] != '-') {
        return false;
    }
    const char c = arg[1];
    return !((c >= '0' && c <= '9') || c == '.');
}

// A sweep takes the four values after the elevation, or none for the defaults. They are
// checked here, read as the boxes read them, so that a typing slip is a usage error rather
// than a table of failed rows.
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
    static constexpr std::string_view kBoxes[] = {kLoBaroBox, kHiBaroBox, kLoVoltsBox, kHiVoltsBox};
    for (std::size_t i = 0; i < options.positional.size(); ++i) {
        try {
            TextToNumber(options.positional[i], kBoxes[i]);
        } catch (const Failure& failure) {
            return std::string(failure.what());
        }
    }
    return std::nullopt;
}

// Parses the arguments; on a usage error returns the message.
std::optional<std::string> Parse(const std::vector<std::string_view>& args, Options& options) {
    bool only_positional = false;
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
        if (name == "--") {
            only_positional = true;
        } else if (name == "--json" && !value) {
            options.json = true;
        } else if (name == "--csv" && !value) {
            options.csv = true;
        } else if (name == "--sweep-elevation") {
            const auto range = take_value();
            if (!range) {
                return std::string("--sweep-elevation needs START:STOP:STEP");
            }
            SweepRange parsed;
            if (auto problem = ParseSweepRange(*range, parsed)) {
                return problem;
            }
            options.sweep = parsed;
        } else if (name == "--help" && !value) {
            options.help = true;
        } else if (name == "--version" && !value) {
            options.version = true;
        } else if (name == "--report") {
            const auto file = take_value();
            if (!file || file->empty()) {
                return std::string("--report needs a file name (or - for standard output)");
            }
            options.report_file = std::string(*file);
        } else if (name == "--header") {
            const auto text = take_value();
            if (!text) {
                return std::string("--header needs a text");
            }
            options.header = std::string(*text);
        } else {
            return "unknown option " + std::string(arg);
        }
    }
    if (options.help || options.version) {
        return std::nullopt;
    }
    if (options.json && options.csv) {
        return std::string("--json and --csv are two output formats; choose one");
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

// A typed line break in the header becomes "\r\n", as the window's box gives it.
std::string HeaderWithCrLf(std::string_view header) {
    std::string out;
    out.reserve(header.size() + 8);
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (header[i] == '\n' && (i == 0 || header[i - 1] != '\r')) {
            out += '\r';
        }
        out += header[i];
    }
    return out;
}

void PrintLines(Output& out, std::string_view crlf_text) {
    for (std::size_t start = 0;;) {
        const std::size_t end = crlf_text.find("\r\n", start);
        out << crlf_text.substr(start, end - start) << '\n';
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 2;
    }
}

// The design table; the four values, when given, replace the defaults of the other boxes.
int RunSweep(const Options& options, Output& out) {
    InputTexts inputs;
    if (options.positional.size() == 4) {
        inputs.lo_baro = std::string(options.positional[0]);
        inputs.hi_baro = std::string(options.positional[1]);
        inputs.lo_volts = std::string(options.positional[2]);
        inputs.hi_volts = std::string(options.positional[3]);
    }
    return WriteSweep(out, *options.sweep, inputs).succeeded > 0 ? kExitOk : kExitFailure;
}

// --csv: the header and the row; a failure is also told on standard error.
int RunCsvRow(const InputTexts& inputs, Output& out, Output& err) {
    WriteCsvHeader(out);
    std::string message;
    if (!WriteCsvRow(out, inputs, &message)) {
        err << "sondrel-calc: " << message << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

std::string_view UsageText() {
    return "Usage: sondrel-calc [--json | --csv] [--report FILE [--header TEXT]]\n"
           "                    [ELEVATION LOW_PRESSURE HIGH_PRESSURE LOW_VOLTS HIGH_VOLTS]\n"
           "       sondrel-calc --sweep-elevation START:STOP:STEP\n"
           "                    [LOW_PRESSURE HIGH_PRESSURE LOW_VOLTS HIGH_VOLTS]\n"
           "\n"
           "Sets the VR1 wiper and VR2 of the barometric sensor scaling circuit for a site.\n"
           "Without values it uses the window's defaults: 0 28 31 1.25 8.25\n"
           "(elevation in ft, low and high sea-level pressure in inHg, low and high output\n"
           "volts). Numbers use \".\" for decimals and may group thousands with \",\".\n"
           "\n"
           "Options:\n"
           "  --json           print one JSON object instead of the four result lines\n"
           "  --csv            print a CSV header and one row instead of the four lines\n"
           "  --sweep-elevation START:STOP:STEP\n"
           "                   print a CSV table, one fresh calculation per elevation\n"
           "                   START, START+STEP, ... up to STOP inclusive (at most\n"
           "                   10,000,000 rows); a failing row carries its message\n"
           "  --report FILE    also write the report (FILE - writes it to standard output)\n"
           "  --header TEXT    the report's header; each newline is written as CR LF\n"
           "  --help           print this help\n"
           "  --version        print the version\n"
           "\n"
           "Exit status: 0 done (a sweep: at least one row succeeded), 1 the calculation or\n"
           "the report failed (a sweep: every row failed), 2 bad arguments.\n"
           "See sondrel-calc(1) for the CSV columns and examples.\n";
}

int Run(const std::vector<std::string_view>& args, Output& out, Output& err) {
    Options options;
    if (const auto problem = Parse(args, options)) {
        err << "sondrel-calc: " << *problem << '\n' << UsageText();
        return kExitUsage;
    }
    if (options.help) {
        out << UsageText();
        return kExitOk;
    }
    if (options.version) {
        out << "sondrel-calc " << kVersion << '\n';
        return kExitOk;
    }

    if (options.sweep) {
        return RunSweep(options, out);
    }
    InputTexts inputs;
    if (options.positional.size() == 5) {
        inputs = {std::string(options.positional[0]), std::string(options.positional[1]),
                  std::string(options.positional[2]), std::string(options.positional[3]),
                  std::string(options.positional[4])};
    }
    if (options.csv) {
        if (const int code = RunCsvRow(inputs, out, err); code != kExitOk || !options.report_file) {
            return code;
        }
        // The report is written by the calculation below, which prints nothing more.
    }

    CalculatorState state;
    StringTextHolder results;
    std::string report_path;
    try {
        Calculate(state, inputs, results);
        if (options.report_file) {
            const std::string header = HeaderWithCrLf(options.header);
            if (*options.report_file == "-") {
                out << ReportText(state, inputs, results.Text(), header);
                return out.Flush() ? kExitOk : kExitFailure;
            }
            const std::filesystem::path file(*options.report_file);
            GenerateReport(state, inputs, results.Text(), header, file);
            report_path = std::filesystem::absolute(file).string();
        }
    } catch (const Failure& failure) {
        err << "sondrel-calc: " << failure.what() << '\n';
        if (options.json) {
            out << "{\"error\": {\"kind\": \"" << FailureKindId(failure.kind())
                << "\", \"message\": ";
            out.JsonString(failure.what());
            out << "}}\n";
        }
        return kExitFailure;
    }

    if (options.csv) {
        return kExitOk;
    }
    const std::string text = results.Text();
    if (!options.json) {
        PrintLines(out, text);
        return kExitOk;
    }
    const ResultLines& lines = *results.Results();
    out << "{\"passes\": ";
    out.Int(state.PassCount);
    out << ", \"vr2_ohms\": ";
    out.Double17(lines.vr2_ohms);
    out << ", \"vr1_wiper_to_gnd_ohms\": ";
    out.Double17(lines.vr1_wiper_to_gnd_ohms);
    out << ", \"lo_vin_volts\": ";
    out.Double17(lines.lo_vin_volts);
    out << ", \"hi_vin_volts\": ";
    out.Double17(lines.hi_vin_volts);
    out << ", \"results_text\": ";
    out.JsonString(text);
    if (!report_path.empty()) {
        out << ", \"report_path\": ";
        out.JsonString(report_path);
    }
    out << "}\n";
    return kExitOk;
}

}  // namespace sondrel::cli
