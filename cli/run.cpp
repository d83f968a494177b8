#include "cli/run.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "calc/design.h"
#include "calc/design_checks.h"
#include "calc/failure.h"
#include "calc/report.h"
#include "calc/solver.h"
#include "calc/text_rules.h"
#include "calc/version.h"
#include "chart/sweep_chart.h"
#include "cli/batch.h"
#include "cli/console.h"
#include "cli/options.h"
#include "cli/table_status.h"
#include "files/file_writer.h"
#include "table/csv.h"
#include "table/json.h"
#include "table/sweep.h"

namespace sondrel::cli {
namespace {

// The command line's one way to tell a failure: its message on `err`, and exit status 1.
int TellFailure(TextWriter& err, const Failure& failure) {
    err << "sondrel-calc: " << failure.Message() << '\n';
    return kExitFailure;
}

// --strict: a run that drew warnings (`warned` of them, or rows with them or failed rows)
// exits kExitWarnings, unless it failed already.
int StrictStatus(const Options& options, int code, std::size_t warned) {
    return code == kExitOk && options.strict && warned > 0 ? kExitWarnings : code;
}

// The design table; the four values, when given, replace the defaults of the other boxes.
// They are read once, before the first row, so that a typing slip stops the sweep there.
// Failed rows are named by their elevations.
int RunSweep(const Options& options, const InputTexts& inputs, TextWriter& out, TextWriter& err) {
    InputTexts fixed = inputs;
    fixed.elevation = std::string(1, '0');  // each row puts its own elevation here
    const Result<Design> design = ReadDesign(fixed);
    if (!design) {
        return TellFailure(err, design.failure());
    }
    // A chart that cannot be written is told before the first row, not after the table.
    if (options.plot_file) {
        if (const auto failure = CheckWritableTarget(PathFromUtf8(*options.plot_file))) {
            return TellFailure(err, *failure);
        }
    }
    const SweepRange& range = *options.sweep;
    std::vector<chart::ChartRow> chart;
    const TableCounts counts =
        WriteSweep(out, range, *design, options.plot_file ? &chart : nullptr);
    const RowNames names{"elevation", [&range](TextWriter& o, std::size_t row) {
                             o.DoubleFixed(SweepElevation(range, row));
                         }};
    const int code =
        StrictStatus(options, TableExitStatus(counts, names, err), counts.warned + counts.failed());
    // --plot FILE: the chart of the rows the sweep calculated, replacing FILE.
    if (options.plot_file) {
        const std::string svg = chart::SweepChartSvg(chart, inputs);
        if (const auto failure = WriteFileReplacing(PathFromUtf8(*options.plot_file), svg)) {
            return TellFailure(err, *failure);
        }
    }
    return code;
}

// A failure of one calculation or of its report: its message on stderr, and with --json or
// --csv in place of the results on stdout.
int TellCalculationFailure(const Options& options, std::optional<double> elevation,
                           const Failure& failure, TextWriter& out, TextWriter& err) {
    const int code = TellFailure(err, failure);
    if (options.json) {
        WriteJsonFailure(out, failure.kind, failure.Message());
    } else if (options.csv) {
        WriteCsvHeader(out);
        WriteCsvFailure(out, elevation, failure.Message());
    }
    return code;
}

// --report: the report written to its file, whose path comes back (as JSON names it), or to
// standard output (an empty path, as without --report).
Result<std::string> WriteReport(const Options& options, const Outcome& outcome,
                                const InputTexts& inputs, std::string_view text, TextWriter& out) {
    if (!options.report_file) {
        return std::string();
    }
    // A typed line break in the header becomes "\r\n", as the window's box gives it.
    const std::string header = ConvertLineBreaks(options.header, kCrLf);
    const Result<std::string> report = ReportText(outcome.loaded, inputs, text, header);
    if (!report) {
        return report.failure();
    }
    if (*options.report_file == "-") {
        out << *report;
        return std::string();
    }
    const std::filesystem::path file = PathFromUtf8(*options.report_file);
    if (const auto failure = WriteFileReplacing(file, *report)) {
        return *failure;
    }
    return PathToUtf8(TargetPath(file));
}

// One calculation, which serves the printed results, the JSON or CSV row, the warnings and
// the report.
int RunOne(const Options& options, const InputTexts& inputs, TextWriter& out, TextWriter& err) {
    Outcome outcome;
    Solve(inputs, outcome, WarningText::Messages);
    const bool elevation_read = outcome.solved || outcome.failure.input != kElevationBox;
    const std::optional<double> elevation =
        elevation_read ? std::optional(outcome.loaded.elevation_ft) : std::nullopt;
    if (!outcome.solved) {
        return TellCalculationFailure(options, elevation, outcome.failure, out, err);
    }
    // A report that cannot be written is told before anything is printed.
    if (options.report_file && *options.report_file != "-") {
        if (const auto failure = CheckWritableTarget(PathFromUtf8(*options.report_file))) {
            return TellCalculationFailure(options, elevation, *failure, out, err);
        }
    }
    for (const DesignWarning& warning : outcome.warnings) {
        err << "sondrel-calc: warning: " << warning.message << '\n';
    }
    const std::string text = outcome.Text();
    const Result<std::string> report_path = WriteReport(options, outcome, inputs, text, out);
    if (!report_path) {
        return TellCalculationFailure(options, elevation, report_path.failure(), out, err);
    }
    if (options.json) {
        WriteJsonOutcome(out, outcome, *report_path);
    } else if (options.csv) {
        WriteCsvHeader(out);
        WriteCsvResult(out, elevation, outcome);
    } else if (options.report_file != "-") {
        out << ConvertLineBreaks(text, "\n") << '\n';
    }
    return StrictStatus(options, kExitOk, outcome.warnings.size());
}

}  // namespace

std::string_view UsageText() {
    return "Usage: sondrel-calc [--json | --csv] [--strict] [--report FILE [--header TEXT]]\n"
           "                    [ELEVATION LOW_PRESSURE HIGH_PRESSURE LOW_VOLTS HIGH_VOLTS]\n"
           "       sondrel-calc [--strict] --sweep-elevation START:STOP:STEP [--plot FILE.svg]\n"
           "                    [LOW_PRESSURE HIGH_PRESSURE LOW_VOLTS HIGH_VOLTS]\n"
           "       sondrel-calc [--strict] --batch FILE [--json | --bom]\n"
           "                    [--encoding utf-8|windows-1252]\n"
           "\n"
           "Sets the VR1 wiper and VR2 of the barometric sensor scaling circuit for a site.\n"
           "Without values it uses the window's defaults: 0 28 31 1.25 8.25\n"
           "(elevation in ft, low and high sea-level pressure in inHg, low and high output\n"
           "volts). Numbers, here and in batch files, always use \".\" for decimals and may\n"
           "group thousands with \",\", whatever the locale: unlike the window, which reads\n"
           "the locale's format, \"1,25\" is not a number here.\n"
           "\n"
           "A design the circuit cannot be set to (VR1 or VR2 negative or beyond the end of\n"
           "its track, the sensor outside its range, the solver stopped at its pass limit)\n"
           "still prints its results, and one line per warning on standard error:\n"
           "\"sondrel-calc: warning: ...\".\n"
           "\n"
           "Options:\n"
           "  --json           print one JSON object instead of the four result lines\n"
           "  --csv            print a CSV header and one row instead of the four lines\n"
           "  --strict         exit 3 when the design draws a warning (a sweep or a batch:\n"
           "                   when any row warned or failed)\n"
           "  --sweep-elevation START:STOP:STEP\n"
           "                   print a CSV table, one fresh calculation per elevation\n"
           "                   START, START+STEP, ... up to STOP inclusive (at most\n"
           "                   10,000,000 rows); a failing row carries its message\n"
           "  --plot FILE.svg  with --sweep-elevation, also write the sweep's chart (SVG):\n"
           "                   VR2 and VR1 against elevation, warned rows shaded, failed\n"
           "                   rows as gaps; at most 1,001 rows of a longer sweep are drawn\n"
           "  --batch FILE     print a CSV table, one fresh calculation per row of the CSV\n"
           "                   file FILE (- for standard input) with the columns\n"
           "                   elevation_ft, lo_baro_inhg, hi_baro_inhg, lo_volts and\n"
           "                   hi_volts; each row is its other columns, those five as\n"
           "                   typed, then the results from passes on; with --json,\n"
           "                   one JSON object per row. Read as UTF-8 when it is, else as\n"
           "                   Windows-1252 (said on standard error); UTF-16 with a\n"
           "                   byte-order mark and tab-separated files are read too\n"
           "  --encoding utf-8|windows-1252\n"
           "                   with --batch, read the file so instead of guessing; with\n"
           "                   utf-8, a byte that is not UTF-8 is a usage error\n"
           "  --bom            start CSV output with a UTF-8 byte-order mark, by which\n"
           "                   Excel knows the text is UTF-8 (without it, Excel reads it\n"
           "                   in its own code page and accented letters come out wrong)\n"
           "  --report FILE    also write the report (FILE - writes it to standard output)\n"
           "  --header TEXT    with --report, the report's header; each newline is written\n"
           "                   as CR LF\n"
           "  -h, --help       print this help\n"
           "  --version        print the version\n"
           "  --               treat the arguments after it as values, even \"--json\"\n"
           "\n"
           "Exit status: 0 done (a sweep or batch: at least one row succeeded, or none\n"
           "given); 1 the calculation or the report failed (a sweep or batch: every row\n"
           "failed), the batch file or the chart could not be read or written, standard\n"
           "output could not be written, or a value is not a number (one calculation or a\n"
           "sweep's four values alike); 2 bad arguments: an unknown option, a wrong count\n"
           "of values, options that do not go together, a bad START:STOP:STEP, a malformed\n"
           "batch file; 3 --strict and a warning (a sweep or batch: any row's warning or\n"
           "failure), all written as without. A sweep or batch whose rows partly failed\n"
           "names them on standard error.\n"
           "See sondrel-calc(1) for the CSV columns and examples.\n";
}

namespace {

// Reads the arguments and does what they ask: everything but the final check of standard
// output.
int ParseAndRun(const std::vector<std::string_view>& args, TextWriter& out, TextWriter& err) {
    const Result<Options> parsed = Parse(args);
    if (!parsed) {
        TellFailure(err, parsed.failure());
        err << "Try 'sondrel-calc --help'.\n";
        return kExitUsage;
    }
    const Options& options = *parsed;
    if (options.help) {
        out << UsageText();
        return kExitOk;
    }
    if (options.version) {
        out << "sondrel-calc " << kVersion << '\n';
        return kExitOk;
    }
    if (options.bom) {
        out.WriteFirst(kUtf8Bom);  // before the CSV
    }
    const InputTexts inputs = InputsFrom(options);
    if (options.sweep) {
        return RunSweep(options, inputs, out, err);
    }
    if (options.batch_file) {
        TableCounts counts;
        const int code =
            RunBatch(*options.batch_file, options.json ? BatchFormat::JsonLines : BatchFormat::Csv,
                     options.encoding, out, err, &counts);
        return StrictStatus(options, code, counts.warned + counts.failed());
    }
    return RunOne(options, inputs, out, err);
}

}  // namespace

int Run(const std::vector<std::string_view>& args, TextWriter& out, TextWriter& err) {
    int code = ParseAndRun(args, out, err);
    if (!out.Flush() && out.ErrorNumber() != EPIPE) {
        // A closed pipe is the reader's choice and stays quiet; a full disk is not.
        TellFailure(err, Failure{FailureKind::File,
                                 {},
                                 "cannot write standard output: " +
                                     std::string(std::strerror(out.ErrorNumber()))});
    }
    // Output that did not arrive outweighs a warning: the run did not do its job.
    if (!out.Good() && (code == kExitOk || code == kExitWarnings)) {
        code = kExitFailure;
    }
    return code;
}

}  // namespace sondrel::cli
