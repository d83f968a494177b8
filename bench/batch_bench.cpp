// Batches of 1,000,000 sites read from a file a row at a time and written to /dev/null
// through sondrel-calc's own reader and writer, and the time a wide header's names take.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/batch.h"
#include "table/text_writer.h"

namespace {

constexpr int kRows = 1'000'000;

// A file of kRows sites: the site's name, a quoted note, and the five inputs out of order.
// Kind 0: elevations 0 to 14,999 ft, every row succeeds; kind 1: 0 to 999,999 ft, as
// --sweep-elevation 0:999999:1, where 85% of the rows are beyond the elevation limit.
std::string MakeFile(int kind) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("sondrel-batch-bench-" + std::to_string(kind) + ".csv");
    std::ofstream file(path, std::ios::binary);
    file << "site,hi_volts,elevation_ft,note,lo_baro_inhg,hi_baro_inhg,lo_volts\r\n";
    for (int i = 0; i < kRows; ++i) {
        const int elevation = kind == 0 ? i % 15'000 : i;
        file << "Site " << i << ",8.25," << elevation << ",\"mast, north side\",28,31,1.25\r\n";
    }
    return path.string();
}

void BM_BatchToDevNull(benchmark::State& bench) {
    const auto kind = static_cast<int>(bench.range(0));
    const std::string path = MakeFile(kind);
    std::FILE* null = std::fopen("/dev/null", "w");
    if (null == nullptr) {
        bench.SkipWithError("cannot open /dev/null");
        return;
    }
    sondrel::TableCounts counts;
    for (auto _ : bench) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        sondrel::TextWriter out(null);
        const auto done = sondrel::cli::WriteBatch(
            path,
            [file](char* buffer, std::size_t size) {
                return sondrel::Result<std::size_t>(std::fread(buffer, 1, size, file));
            },
            sondrel::cli::TextEncoding::Guess, sondrel::cli::BatchFormat::Csv, out, out);
        std::fclose(file);
        if (!done) {
            bench.SkipWithError("the file does not read");
            break;
        }
        counts = *done;
    }
    std::fclose(null);
    std::filesystem::remove(path);
    if (counts.rows != kRows) {
        bench.SkipWithError("rows missing");
    }
    bench.SetLabel(kind == 0 ? "every row succeeds" : "85% of rows fail");
    bench.counters["rows"] = static_cast<double>(counts.rows);
    bench.counters["failed"] = static_cast<double>(counts.failed());
}
BENCHMARK(BM_BatchToDevNull)
    ->ArgName("kind")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// A header of 10,000 or 100,000 columns and no rows: its names are checked in time linear in
// their number (100,000 should take well under a second).
void BM_WideHeader(benchmark::State& bench) {
    const auto columns = static_cast<std::size_t>(bench.range(0));
    std::string text;
    for (std::size_t i = 5; i < columns; ++i) {
        // 100,000 of them stay under 1 MiB. Appended piece by piece: a literal before a
        // temporary string draws GCC 12's false -Wrestrict alarm in the release build.
        text += 'c';
        text += std::to_string(i);
        text += ',';
    }
    text += "elevation_ft,lo_baro_inhg,hi_baro_inhg,lo_volts,hi_volts\n";
    std::string written;
    for (auto _ : bench) {
        written.clear();
        sondrel::TextWriter out(&written);
        if (!sondrel::cli::WriteBatch("wide.csv", sondrel::cli::ReadFromText(text),
                                      sondrel::cli::TextEncoding::Guess,
                                      sondrel::cli::BatchFormat::Csv, out, out)) {
            bench.SkipWithError("the header does not read");
            break;
        }
    }
    bench.counters["columns"] = static_cast<double>(columns);
}
BENCHMARK(BM_WideHeader)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
