// Calculate on the defaults from a fresh state, against the floor: the bare double arithmetic
// of the same load and six passes (relative-change test included), without text conversion,
// formatting or checks. Failing rows through Calculate (thrown) and TryCalculate (returned).

#include <benchmark/benchmark.h>

#include <cmath>

#include "calc/calculator_state.h"
#include "calc/design_checks.h"
#include "calc/failure.h"
#include "calc/results_text.h"

namespace {

void BM_Calculate(benchmark::State& bench) {
    const sondrel::InputTexts inputs;
    for (auto _ : bench) {
        sondrel::CalculatorState state;
        sondrel::StringTextHolder box;
        sondrel::Calculate(state, inputs, box);
        benchmark::DoNotOptimize(state);
        benchmark::DoNotOptimize(box);
    }
}
BENCHMARK(BM_Calculate);

// The same, and the results box read back as text (the four lines formatted).
void BM_CalculateAndReadText(benchmark::State& bench) {
    const sondrel::InputTexts inputs;
    for (auto _ : bench) {
        sondrel::CalculatorState state;
        sondrel::StringTextHolder box;
        sondrel::Calculate(state, inputs, box);
        auto text = box.Text();
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_CalculateAndReadText);

// Rows that fail, as a sweep or a batch meets them: where the load stops, and where the
// solver's first pass does.
const sondrel::InputTexts kFailingRows[] = {
    {"150000", "28", "31", "1.25", "8.25"},  // above the pressure formula's elevation
    {"0", "28", "31", "abc", "8.25"},        // not a number
    {"0", "28", "31", "1.25", "1.25"},       // equal volts: a second-stage gain of zero
};
const char* const kFailingRowNames[] = {"elevation-too-high", "not-a-number", "equal-volts"};

void BM_CalculateFailing(benchmark::State& bench) {
    const auto row = static_cast<std::size_t>(bench.range(0));
    const sondrel::InputTexts& inputs = kFailingRows[row];
    for (auto _ : bench) {
        sondrel::CalculatorState state;
        sondrel::StringTextHolder box;
        try {
            sondrel::Calculate(state, inputs, box);
        } catch (const sondrel::Failure& failure) {
            benchmark::DoNotOptimize(failure.what());
        }
        benchmark::DoNotOptimize(state);
    }
    bench.SetLabel(kFailingRowNames[row]);
}
BENCHMARK(BM_CalculateFailing)->DenseRange(0, 2);

// The same rows through TryCalculate, which reports the failure without throwing.
void BM_TryCalculateFailing(benchmark::State& bench) {
    const auto row = static_cast<std::size_t>(bench.range(0));
    const sondrel::InputTexts& inputs = kFailingRows[row];
    for (auto _ : bench) {
        sondrel::CalculatorState state;
        sondrel::StringTextHolder box;
        sondrel::ResultLines lines;
        sondrel::CalculateFailure failure;
        const bool solved = sondrel::TryCalculate(state, inputs, box, lines, failure);
        benchmark::DoNotOptimize(solved);
        benchmark::DoNotOptimize(failure);
        benchmark::DoNotOptimize(state);
    }
    bench.SetLabel(kFailingRowNames[row]);
}
BENCHMARK(BM_TryCalculateFailing)->DenseRange(0, 2);

// TryCalculate on the defaults, to set beside BM_Calculate.
void BM_TryCalculate(benchmark::State& bench) {
    const sondrel::InputTexts inputs;
    for (auto _ : bench) {
        sondrel::CalculatorState state;
        sondrel::StringTextHolder box;
        sondrel::ResultLines lines;
        sondrel::CalculateFailure failure;
        const bool solved = sondrel::TryCalculate(state, inputs, box, lines, failure);
        benchmark::DoNotOptimize(solved);
        benchmark::DoNotOptimize(lines);
        benchmark::DoNotOptimize(box);
    }
}
BENCHMARK(BM_TryCalculate);

// The design checks on a settled design without warnings (the defaults).
void BM_CheckDesignWithoutWarnings(benchmark::State& bench) {
    sondrel::CalculatorState state;
    sondrel::StringTextHolder box;
    sondrel::Calculate(state, {}, box);
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
