// Fit of one 3652-point peak on the instrument's default axis.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "spectrum/GaussianFit.h"
#include "spectrum/SpectrumStore.h"

namespace {

using halden::GaussParams;

struct Peak {
    std::vector<double> x, y;
};

Peak makePeak(const GaussParams& p) {
    auto store = std::make_unique<halden::SpectrumStore>();
    Peak peak;
    peak.x.assign(store->m_wavelength.begin(), store->m_wavelength.begin() + halden::kSpectrumPoints);
    for (double x : peak.x) peak.y.push_back(halden::gaussModel(p, x));
    return peak;
}

void fit(benchmark::State& state, GaussParams truth) {
    const Peak peak = makePeak(truth);
    std::vector<double> curve(peak.x.size());
    const int n = halden::kSpectrumPoints - 1;
    int sweeps = 0;
    for (auto _ : state) {
        const auto r = halden::fitGaussian(peak.x.data(), peak.y.data(), n, curve.data());
        sweeps = r.sweeps;
        benchmark::DoNotOptimize(r);
    }
    state.counters["sweeps"] = sweeps;
}

void BM_GaussFitNarrowPeak(benchmark::State& s) { fit(s, {1000, 550.3, 20, 100}); }
void BM_GaussFitWidePeak(benchmark::State& s) { fit(s, {500, 600, 200, 30}); }
void BM_GaussFitFlat(benchmark::State& s) { fit(s, {0, 500, 20, 1000}); }

BENCHMARK(BM_GaussFitNarrowPeak)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GaussFitWidePeak)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GaussFitFlat)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
