// Baseline correction of one full spectrum with the dialog defaults
// (window 50, 100 passes over 3652 points). Target: 2 ms or less.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "spectrum/Baseline.h"
#include "spectrum/SpectrumStore.h"

namespace {

std::vector<double> ramanLikeSpectrum() {
    std::vector<double> y(halden::kSpectrumPoints);
    for (int k = 0; k < halden::kSpectrumPoints; ++k)
        y[k] = 800 + 0.0001 * k * k + 3000 * std::exp(-(k - 1100.0) * (k - 1100.0) / 30.0) +
               40 * std::sin(k / 11.0);
    return y;
}

void BM_BaselineDefaults(benchmark::State& state) {
    const std::vector<double> input = ramanLikeSpectrum();
    std::vector<double> y(input.size());
    for (auto _ : state) {
        y = input;
        halden::estimateBaseline(y.data(), halden::kSpectrumPoints - 1, 50, 100);
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BaselineDefaults)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
