#include "cli/run.h"

#include <filesystem>
#include <string>

#include "calc/calculator_state.h"
#include "calc/failure.h"
#include "calc/report.h"
#include "calc/version.h"
#include "cli/batch.h"
#include "cli/console.h"
#include "cli/csv.h"
#include "cli/json.h"
#include "cli/options.h"
#include "cli/sweep.h"

namespace sondrel::cli {
namespace {

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
int RunSweep(const Options& options, const InputTexts& inputs, Output& out, Output& err) {
    return TableExitStatus(WriteSweep(out, *options.sweep, inputs), err);
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
           "       sondrel-calc --batch FILE [--json]\n"
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
           "  --batch FILE     print a CSV table, one fresh calculation per row of the CSV\n"
           "                   file FILE (- for standard input) with the columns\n"
           "                   elevation_ft, lo_baro_inhg, hi_baro_inhg, lo_volts and\n"
           "                   hi_volts; its other columns are passed through; with\n"
           "                   --json, one JSON object per row\n"
           "  --report FILE    also write the report (FILE - writes it to standard output)\n"
           "  --header TEXT    the report's header; each newline is written as CR LF\n"
           "  --help           print this help\n"
           "  --version        print the version\n"
           "\n"
           "Exit status: 0 done (a sweep or batch: at least one row succeeded, or none\n"
           "given), 1 the calculation or the report failed (a sweep or batch: every row\n"
           "failed), 2 bad arguments or a malformed batch file.\n"
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

    const InputTexts inputs = InputsFrom(options);
    if (options.sweep) {
        return RunSweep(options, inputs, out, err);
    }
    if (options.batch_file) {
        return RunBatch(*options.batch_file,
                        options.json ? BatchFormat::JsonLines : BatchFormat::Csv, out, err);
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
                out << ReportText(LoadedInputs::From(state), inputs, results.Text(), header);
                return out.Flush() ? kExitOk : kExitFailure;
            }
            const std::filesystem::path file = PathFromUtf8(*options.report_file);
            GenerateReport(LoadedInputs::From(state), inputs, results.Text(), header, file);
            report_path = PathToUtf8(std::filesystem::absolute(file));
        }
    } catch (const Failure& failure) {
        err << "sondrel-calc: " << failure.what() << '\n';
        if (options.json) {
            WriteJsonFailure(out, failure);
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
    WriteJsonResults(out, state, *results.Results(), text, report_path);
    return kExitOk;
}

}  // namespace sondrel::cli
