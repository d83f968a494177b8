#include "cli/run.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "calc/design.h"
#include "calc/failure.h"
#include "calc/report.h"
#include "calc/solver.h"
#include "calc/text_rules.h"
#include "calc/version.h"
#include "chart/sweep_chart.h"
#include "cli/batch.h"
#include "cli/options.h"
#include "cli/usage_text.h"
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

// A usage error: its message on `err`, a pointer to --help, and exit status 2.
int TellUsage(TextWriter& err, const Failure& failure) {
    TellFailure(err, failure);
    err << "Try 'sondrel-calc --help'.\n";
    return kExitUsage;
}

// --strict: a run that drew warnings (`warned` of them, or rows with them or failed rows)
// exits kExitWarnings.
int StrictStatus(const Options& options, std::size_t warned) {
    return options.strict && warned > 0 ? kExitWarnings : kExitOk;
}

// A sweep's or a batch's exit status: kExitFailure when it has rows and every one failed, else
// as StrictStatus. When some but not all failed, says so on `err` in one line naming the first
// kListedFailures of them as `what`s, each written by `write_name`, e.g. "sondrel-calc: 2 of 5
// rows failed (input lines 3, 5)", with "..." after them when there are more.
template <typename WriteName>
int TableStatus(const Options& options, const TableCounts& counts, std::string_view what,
                WriteName write_name, TextWriter& err) {
    if (counts.rows > 0 && counts.succeeded == 0) {
        err << "sondrel-calc: every row failed\n";
        return kExitFailure;
    }
    if (counts.failed() > 0) {
        err << "sondrel-calc: ";
        err.Int(static_cast<long long>(counts.failed())) << " of ";
        err.Int(static_cast<long long>(counts.rows)) << " rows failed (" << what;
        if (counts.failed() > 1) {
            err << 's';
        }
        for (std::size_t k = 0; k < counts.failed_rows.size(); ++k) {
            err << (k == 0 ? " " : ", ");
            write_name(counts.failed_rows[k]);
        }
        err << (counts.failed() > counts.failed_rows.size() ? ", ...)\n" : ")\n");
    }
    return StrictStatus(options, counts.warned + counts.failed());
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
    const int code = TableStatus(
        options, counts, "elevation",
        [&range, &err](std::size_t row) { err.DoubleFixed(SweepElevation(range, row)); }, err);
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
    return StrictStatus(options, outcome.warnings.size());
}

// The batch's table; its failed rows are named by their lines.
int RunBatch(const Options& options, TextWriter& out, TextWriter& err) {
    const Result<TableCounts> done =
        WriteBatchFile(*options.batch_file, options.encoding,
                       options.json ? BatchFormat::JsonLines : BatchFormat::Csv, out, err);
    if (!done && done.failure().kind == FailureKind::File) {
        // A file that is missing or unreadable is a failure, not a misuse of the options.
        return TellFailure(err, done.failure());
    }
    if (!done) {
        return TellUsage(err, done.failure());
    }
    return TableStatus(
        options, *done, "input line",
        [&err](std::size_t line) { err.Int(static_cast<long long>(line)); }, err);
}

// Reads the arguments and does what they ask: everything but the final check of standard
// output.
int ParseAndRun(const std::vector<std::string_view>& args, TextWriter& out, TextWriter& err) {
    const Result<Options> parsed = Parse(args);
    if (!parsed) {
        return TellUsage(err, parsed.failure());
    }
    const Options& options = *parsed;
    if (options.help) {
        out << kUsageText;
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
        return RunBatch(options, out, err);
    }
    return RunOne(options, inputs, out, err);
}

}  // namespace

int Run(const std::vector<std::string_view>& args, TextWriter& out, TextWriter& err) {
    int code = ParseAndRun(args, out, err);
    // A closed pipe is the reader's choice and stays quiet; a full disk is not.
    if (const std::optional<Failure>& failure = out.Flush();
        failure && failure->detail != std::strerror(EPIPE)) {
        TellFailure(
            err,
            Failure{FailureKind::File, {}, "cannot write standard output: " + failure->detail});
    }
    // Output that did not arrive outweighs a warning: the run did not do its job.
    if (!out.Good() && (code == kExitOk || code == kExitWarnings)) {
        code = kExitFailure;
    }
    return code;
}

}  // namespace sondrel::cli
