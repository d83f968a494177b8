// Elevation sweeps of 1,000,000 rows written to /dev/null through sondrel-calc's own writer,
// and the cost of one CSV row, good or failing, to set beside Calculate's floor.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "calc/solver.h"
#include "table/csv.h"
#include "table/sweep.h"
#include "table/text_writer.h"

namespace {

// 0 to 99,999.9 ft in tenths, and the range where the default circuit works, 0 to about
// 15,000 ft (more solver passes per row): 1,000,000 rows each, every one succeeding. Then
// 0 to 999,999 ft, where the 85% of rows beyond the elevation limit fail.
constexpr const char* kRanges[] = {"0:99999.9:0.1", "0:14999.985:0.015", "0:999999:1"};
constexpr std::size_t kSucceedingRows[] = {1'000'000, 1'000'000, 145'371};

void BM_SweepToDevNull(benchmark::State& bench) {
    const char* text = kRanges[bench.range(0)];
    const sondrel::Result<sondrel::SweepRange> range =
        sondrel::ParseSweepRange(text, "--sweep-elevation");
    if (!range) {
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
        sondrel::TextWriter out(null);
        succeeded = sondrel::WriteSweep(out, *range, sondrel::Design{}).succeeded;
        out.Flush();
    }
    std::fclose(null);
    if (succeeded != kSucceedingRows[bench.range(0)]) {
        bench.SkipWithError("not the rows expected to succeed");
    }
    bench.SetLabel(text);
    bench.counters["rows"] = static_cast<double>(range->rows);
}
BENCHMARK(BM_SweepToDevNull)
    ->ArgName("range")
    ->DenseRange(0, 2)
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
        sondrel::TextWriter out(&sink);
        sondrel::Solve(design, outcome, sondrel::WarningText::CodesOnly);
        out.DoubleFixed(design.elevation_ft) << ',';
        sondrel::WriteCsvOutcome(out, outcome);
        out.Flush();
        benchmark::DoNotOptimize(sink);
    }
}
BENCHMARK(BM_CsvRow)->ArgName("failing")->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
