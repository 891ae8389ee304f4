// Fit of one 3652-point peak on the instrument's default axis: the search,
// the Gauss-Newton finish and the standard errors. Target: at most 2.3 ms.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "spectrum/GaussianFit.h"
#include "spectrum/SpectrumStore.h"

namespace {

using halden::GaussParams;

struct Peak {
    std::vector<double> x, y;
};

// Noise of standard deviation sigma (Box-Muller), 0 for a noiseless peak.
Peak makePeak(const GaussParams& p, double sigma) {
    auto store = std::make_unique<halden::SpectrumStore>();
    Peak peak;
    peak.x.assign(store->m_wavelength.begin(), store->m_wavelength.begin() + halden::kSpectrumPoints);
    std::mt19937_64 gen(14);
    auto uniform = [&] { return (static_cast<double>(gen() >> 11) + 0.5) * 0x1p-53; };
    for (double x : peak.x) {
        const double e = std::sqrt(-2 * std::log(uniform())) * std::cos(2 * M_PI * uniform());
        peak.y.push_back(halden::gaussModel(p, x) + sigma * e);
    }
    return peak;
}

void fit(benchmark::State& state, GaussParams truth, double sigma = 0) {
    const Peak peak = makePeak(truth, sigma);
    std::vector<double> curve(peak.x.size());
    const int n = halden::kSpectrumPoints - 1;
    int sweeps = 0, refinements = 0;
    for (auto _ : state) {
        const auto r = halden::fitGaussian(peak.x.data(), peak.y.data(), n, curve.data());
        sweeps = r.sweeps;
        refinements = r.refinements;
        benchmark::DoNotOptimize(r);
    }
    state.counters["sweeps"] = sweeps;
    state.counters["gauss_newton"] = refinements;
}

void BM_GaussFitNarrowPeak(benchmark::State& s) { fit(s, {1000, 550.3, 20, 100}); }
void BM_GaussFitWidePeak(benchmark::State& s) { fit(s, {500, 600, 200, 30}); }
void BM_GaussFitFlat(benchmark::State& s) { fit(s, {0, 500, 20, 1000}); }
void BM_GaussFitNoisyPeak(benchmark::State& s) { fit(s, {3000, 546.07, 25, 1000}, 150); }
void BM_GaussFitNarrowNoisyPeak(benchmark::State& s) { fit(s, {20000, 546.07, 4, 1500}, 100); }

BENCHMARK(BM_GaussFitNarrowPeak)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GaussFitWidePeak)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GaussFitFlat)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GaussFitNoisyPeak)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GaussFitNarrowNoisyPeak)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
