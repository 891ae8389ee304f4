// Conditioning of one raw frame into a spectrum row, as the worker runs it
// for every acquired frame.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "spectrum/AcquisitionExchange.h"
#include "spectrum/Conditioning.h"
#include "spectrum/SpectrumStore.h"

namespace {

using namespace halden;

std::vector<double> makeFrame() {
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> counts(1500, 40000);
    std::vector<double> frame(kPointCapacity);
    for (int p = 0; p < kFramePixels; ++p) frame[p] = static_cast<double>(static_cast<int>(counts(rng)));
    return frame;
}

void run(benchmark::State& state, void (*configure)(SpectrumStore&)) {
    auto store = std::make_unique<SpectrumStore>();
    configure(*store);
    auto weights = std::make_unique<DarkWeights>();
    fillDarkWeights(*weights);
    auto scratch = std::make_unique<ConditionScratch>();
    const std::vector<double> frame = makeFrame();
    const ConditioningParams params = currentConditioning(*store);
    std::vector<double> row(kPointCapacity);
    for (auto _ : state) {
        std::copy(frame.begin(), frame.end(), row.begin());  // the worker's frame conversion
        conditionSpectrum(params, *weights, *scratch, row.data());
        benchmark::DoNotOptimize(row.data());
        benchmark::ClobberMemory();
    }
}

void BM_ConditionDefault(benchmark::State& state) {
    run(state, [](SpectrumStore&) {});
}

void BM_ConditionBoxcar50Background(benchmark::State& state) {
    run(state, [](SpectrumStore& s) {
        s.m_boxcar = 50;
        s.m_subtractBackground = true;
    });
}

void BM_ConditionEverything(benchmark::State& state) {
    run(state, [](SpectrumStore& s) {
        s.m_boxcar = 10;
        s.m_subtractBackground = true;
        s.m_reference.fill(20000);
        s.m_ratioMode = 3;
        s.m_logScale = true;
    });
}

BENCHMARK(BM_ConditionDefault);
BENCHMARK(BM_ConditionBoxcar50Background);
BENCHMARK(BM_ConditionEverything);

}  // namespace

BENCHMARK_MAIN();
