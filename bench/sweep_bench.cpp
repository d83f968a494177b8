// Elevation sweeps of 1,000,000 rows written to /dev/null through sondrel-calc's own writer,
// on every core and on one, and the cost of one CSV row, good or failing, to set beside
// Calculate's floor.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "calc/solver.h"
#include "cli/csv.h"
#include "cli/sweep.h"
#include "cli/text_writer.h"

namespace {

// 0 to 99,999.9 ft in tenths, and the range where the default circuit works, 0 to about
// 15,000 ft (more solver passes per row): 1,000,000 rows each, every one succeeding. Then
// 0 to 999,999 ft, where the 85% of rows beyond the elevation limit fail.
constexpr const char* kRanges[] = {"0:99999.9:0.1", "0:14999.985:0.015", "0:999999:1"};
constexpr std::size_t kSucceedingRows[] = {1'000'000, 1'000'000, 145'371};

void BM_SweepToDevNull(benchmark::State& bench) {
    const char* text = kRanges[bench.range(0)];
    const auto threads = static_cast<unsigned>(bench.range(1));
    sondrel::cli::SweepRange range;
    if (sondrel::cli::ParseSweepRange(text, range)) {
        bench.SkipWithError("bad range");
        return;
    }
    std::FILE* null = std::fopen("/dev/null", "w");
    if (null == nullptr) {
        bench.SkipWithError("cannot open /dev/null");
        return;
    }
    std::size_t succeeded = 0;
    for (auto _ : bench) {
        sondrel::cli::TextWriter out(null);
        succeeded = sondrel::cli::WriteSweep(out, range, sondrel::Design{}, nullptr,
                                             threads == 0 ? sondrel::cli::TableThreads() : threads)
                        .succeeded;
        out.Flush();
    }
    std::fclose(null);
    if (succeeded != kSucceedingRows[bench.range(0)]) {
        bench.SkipWithError("not the rows expected to succeed");
    }
    bench.SetLabel(std::string(text) + (threads == 0 ? " all cores" : " one thread"));
    bench.counters["rows"] = static_cast<double>(range.rows);
}
BENCHMARK(BM_SweepToDevNull)
    ->ArgNames({"range", "threads"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({2, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// One row of the sweep: a fresh Solve at 15,000 ft (15 passes) and its CSV line, and a row
// beyond the elevation limit.
void BM_CsvRow(benchmark::State& bench) {
    sondrel::Design design;
    design.elevation_ft = bench.range(0) == 0 ? 15000 : 150000;
    std::string sink;
    sondrel::Outcome outcome;
    for (auto _ : bench) {
        sink.clear();
        sondrel::cli::TextWriter out(&sink);
        sondrel::Solve(design, outcome, sondrel::WarningText::CodesOnly);
        sondrel::cli::WriteCsvResult(out, design.elevation_ft, outcome);
        out.Flush();
        benchmark::DoNotOptimize(sink);
    }
}
BENCHMARK(BM_CsvRow)->ArgName("failing")->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
