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

// A sweep's or a batch's exit status: kExitFailure when it has rows and every one failed.
// When some failed, says so on `err`, naming the first few by their elevations or input lines:
// "sondrel-calc: 2 of 5 rows failed (input lines 3, 5)", "..." after them when there are more.
int TableStatus(const Options& options, const TableCounts& counts, TextWriter& err) {
    if (counts.rows > 0 && counts.succeeded == 0) {
        err << "sondrel-calc: every row failed\n";
        return kExitFailure;
    }
    if (counts.failed() > 0) {
        err << "sondrel-calc: ";
        err.Int(static_cast<long long>(counts.failed())) << " of ";
        err.Int(static_cast<long long>(counts.rows))
            << " rows failed (" << (options.sweep ? "elevation" : "input line")
            << (counts.failed() > 1 ? "s" : "");
        for (std::size_t k = 0; k < counts.failed_rows.size(); ++k) {
            err << (k == 0 ? " " : ", ");
            if (options.sweep) {
                err.DoubleFixed(SweepElevation(*options.sweep, counts.failed_rows[k]));
            } else {
                err.Int(static_cast<long long>(counts.failed_rows[k]));
            }
        }
        err << (counts.failed() > counts.failed_rows.size() ? ", ...)\n" : ")\n");
    }
    return options.strict && counts.warned + counts.failed() > 0 ? kExitWarnings : kExitOk;
}

// The design table. The four values are read once, before the first row, so that a typing slip
// stops the sweep there.
int RunSweep(const Options& options, TextWriter& out, TextWriter& err) {
    // The elevation is the default's: each row puts its own in its place.
    const Result<Design> design = ReadDesign(options.inputs);
    if (!design) {
        return TellFailure(err, design.failure());
    }
    // A chart that cannot be written is told before the first row, not after the table.
    if (options.plot_file) {
        if (const auto failure = CheckWritableTarget(PathFromUtf8(*options.plot_file))) {
            return TellFailure(err, *failure);
        }
    }
    std::vector<chart::ChartRow> chart;
    const TableCounts counts =
        WriteSweep(out, *options.sweep, *design, options.plot_file ? &chart : nullptr);
    const int code = TableStatus(options, counts, err);
    if (options.plot_file) {
        const std::string svg = chart::SweepChartSvg(chart, options.inputs);
        if (const auto failure = WriteFileReplacing(PathFromUtf8(*options.plot_file), svg)) {
            return TellFailure(err, *failure);
        }
    }
    return code;
}

// The design's warnings on `err`, then --report: the report written to its file, whose path
// comes back (as JSON names it), or to standard output (an empty path, as without --report).
// A report that cannot be written is told before the warnings.
Result<std::string> TellWarningsAndReport(const Options& options, const Outcome& outcome,
                                          TextWriter& out, TextWriter& err) {
    const bool to_file = options.report_file && *options.report_file != "-";
    const std::filesystem::path file = PathFromUtf8(options.report_file.value_or(""));
    if (to_file) {
        if (const auto failure = CheckWritableTarget(file)) {
            return *failure;
        }
    }
    for (const DesignWarning& warning : outcome.warnings) {
        err << "sondrel-calc: warning: " << warning.message << '\n';
    }
    if (!options.report_file) {
        return std::string();
    }
    // A typed line break in the header becomes "\r\n", as the window's box gives it.
    const std::string header = ConvertLineBreaks(options.header, kCrLf);
    const Result<std::string> report =
        ReportText(outcome.loaded, options.inputs, outcome.Text(), header);
    if (!report) {
        return report.failure();
    }
    if (!to_file) {
        out << *report;
        return std::string();
    }
    if (const auto failure = WriteFileReplacing(file, *report)) {
        return *failure;
    }
    return PathToUtf8(TargetPath(file));
}

// One calculation, for the printed results, the JSON or CSV row, the warnings and the report.
// A failure of the calculation or of its report is told on `err`, and with --json or --csv
// in place of the results on stdout (with no elevation when its box failed).
int RunOne(const Options& options, TextWriter& out, TextWriter& err) {
    Outcome outcome;
    CalculatorSession().Calculate(options.inputs, outcome, WarningText::Messages);
    const bool elevation_read = outcome.failure.input != kElevationBox;
    Result<std::string> report_path = std::string();
    if (outcome.solved) {
        report_path = TellWarningsAndReport(options, outcome, out, err);
        if (!report_path) {
            outcome.solved = false;
            outcome.failure = report_path.failure();
        }
    }
    if (options.json) {
        WriteJsonOutcome(out, outcome, report_path ? *report_path : "");
    } else if (options.csv) {
        WriteCsvResultHeader(out << "elevation_ft,");
        if (elevation_read) {
            out.DoubleFixed(outcome.loaded.elevation_ft);
        }
        WriteCsvOutcome(out << ',', outcome);
    } else if (outcome.solved && options.report_file != "-") {
        out << ConvertLineBreaks(outcome.Text(), "\n") << '\n';
    }
    if (!outcome.solved) {
        return TellFailure(err, outcome.failure);
    }
    return options.strict && !outcome.warnings.empty() ? kExitWarnings : kExitOk;
}

// Does what the arguments ask: everything but the final check of standard output.
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
    if (options.sweep) {
        return RunSweep(options, out, err);
    }
    if (!options.batch_file) {
        return RunOne(options, out, err);
    }
    const Result<TableCounts> done =
        WriteBatchFile(*options.batch_file, options.encoding,
                       options.json ? BatchFormat::JsonLines : BatchFormat::Csv, out, err);
    if (!done) {
        // A file that is missing or unreadable is a failure, not a misuse of the options.
        return done.failure().kind == FailureKind::File ? TellFailure(err, done.failure())
                                                        : TellUsage(err, done.failure());
    }
    return TableStatus(options, *done, err);
}

}  // namespace

int Run(const std::vector<std::string_view>& args, TextWriter& out, TextWriter& err) {
    const int code = ParseAndRun(args, out, err);
    // A closed pipe is the reader's choice and stays quiet; a full disk is not.
    if (const std::optional<Failure>& failure = out.Flush();
        failure && failure->detail != std::strerror(EPIPE)) {
        TellFailure(err, {FailureKind::File, "cannot write standard output", failure->detail});
    }
    // Output that did not arrive outweighs a warning: the run did not do its job.
    return !out.Good() && (code == kExitOk || code == kExitWarnings) ? kExitFailure : code;
}

}  // namespace sondrel::cli
