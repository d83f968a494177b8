// Solve on the defaults, against the floor: the bare double arithmetic of the same load and
// six passes (relative-change test included), without text conversion, formatting or checks.
// Failing rows as a table meets them, and the window's session reading its five texts.

#include <benchmark/benchmark.h>

#include <cmath>

#include "calc/design_checks.h"
#include "calc/failure.h"
#include "calc/solver.h"

namespace {

// One fresh calculation from numbers, as a sweep's row (the four lines' texts included).
void BM_Solve(benchmark::State& bench) {
    const sondrel::Design design;
    sondrel::Outcome outcome;
    for (auto _ : bench) {
        sondrel::Solve(design, outcome, sondrel::WarningText::CodesOnly);
        benchmark::DoNotOptimize(outcome);
    }
}
BENCHMARK(BM_Solve);

// The window's Calculate on a fresh session: the texts read, and the box's text built.
void BM_SessionCalculate(benchmark::State& bench) {
    const sondrel::InputTexts inputs;
    for (auto _ : bench) {
        sondrel::CalculatorSession session;
        auto text = session.Calculate(inputs).Text();
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_SessionCalculate);

// Rows that fail, as a sweep or a batch meets them: where the reading stops, where the load
// does, and where the solver's first pass does.
const sondrel::InputTexts kFailingRows[] = {
    {"150000", "28", "31", "1.25", "8.25"},  // above the pressure formula's elevation
    {"0", "28", "31", "abc", "8.25"},        // not a number
    {"0", "28", "31", "1.25", "1.25"},       // equal volts: a second-stage gain of zero
};
const char* const kFailingRowNames[] = {"elevation-too-high", "not-a-number", "equal-volts"};

void BM_SolveFailing(benchmark::State& bench) {
    const auto row = static_cast<std::size_t>(bench.range(0));
    const sondrel::InputTexts& inputs = kFailingRows[row];
    sondrel::Outcome outcome;
    for (auto _ : bench) {
        sondrel::Solve(inputs, outcome, sondrel::WarningText::CodesOnly);
        benchmark::DoNotOptimize(outcome);
    }
    bench.SetLabel(kFailingRowNames[row]);
}
BENCHMARK(BM_SolveFailing)->DenseRange(0, 2);

void BM_CheckDesignWithoutWarnings(benchmark::State& bench) {
    const sondrel::Outcome outcome = sondrel::Solve(sondrel::Design{});
    const sondrel::SettledDesign state{outcome.lines, 15.3, outcome.passes, false};
    for (auto _ : bench) {
        benchmark::DoNotOptimize(state);
        auto warnings = sondrel::CheckDesign(state);
        benchmark::DoNotOptimize(warnings);
    }
}
BENCHMARK(BM_CheckDesignWithoutWarnings);

void BM_Floor(benchmark::State& bench) {
    double elev = 0, lo_baro = 28, hi_baro = 31, lo_volt = 1.25, hi_volt = 8.25;
    for (auto _ : bench) {
        benchmark::DoNotOptimize(elev);
        benchmark::DoNotOptimize(lo_baro);
        benchmark::DoNotOptimize(hi_baro);
        benchmark::DoNotOptimize(lo_volt);
        benchmark::DoNotOptimize(hi_volt);
        const double ratio = std::exp(std::log(1 - elev * 6.87324E-06) * 5.256);
        const double lo_vin = ((lo_baro * 0.009 * ratio * 3.3863) - 0.095) * 5;
        const double hi_vin = ((hi_baro * 0.009 * ratio * 3.3863) - 0.095) * 5;
        const double span_gain = (hi_volt - lo_volt) / (hi_vin - lo_vin);
        const double vin_target = (hi_vin - lo_vin) * 1 + lo_vin;
        const double vout_target = (hi_volt - lo_volt) * 1 + lo_volt;
        double x = 0.34, vr2 = 0, vr1 = 0, change = 0;
        for (int pass = 0; pass < 6; ++pass) {
            const double stage1 = 1 + 15 / (2.7 + x * (1 - x) * 9.4);
            const double stage2 = span_gain / stage1;
            const double factor = ((stage2 - 1) / 5) * 0.666667;
            const double shift = (50 * factor) / 1.5;
            const double input = (vout_target + shift) / stage2;
            const double error = stage1 * vin_target - input;
            const double b = 1 - 15 / std::fabs(error);
            const double wiper = (-b - std::sqrt(b * b - 4 * -1 * 0.27)) / (2 * -1);
            vr2 = factor * 5000 - 53;
            vr1 = wiper * 9400 - 1877;
            change = std::fabs(wiper - x) / wiper;  // the relative change each pass tests
            x = wiper;
        }
        benchmark::DoNotOptimize(vr2);
        benchmark::DoNotOptimize(vr1);
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(change);
    }
}
BENCHMARK(BM_Floor);

}  // namespace

BENCHMARK_MAIN();
