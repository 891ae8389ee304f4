// Calibration text parse and format, spectrum-file loading throughput, and
// the row reader on one database file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "files/CalibrationText.h"
#include "files/LineGrammar.h"
#include "files/SpectrumText.h"
#include "spectrum/SpectrumStore.h"

namespace {

struct Tables {
    std::vector<double> wl, sens, irr;
    Tables() : wl(halden::kCalibrationPoints), sens(halden::kCalibrationPoints), irr(halden::kCalibrationPoints) {
        for (int i = 0; i < halden::kCalibrationPoints; ++i) {
            wl[i] = 1100.437 - i * 0.2487;
            sens[i] = 0.25 + (i % 97) * 0.0131;
            irr[i] = 1234.5 + (i % 13) * 17.25;
        }
    }
};

halden::CalibrationSource source(const Tables& t) {
    halden::CalibrationSource s;
    const char h[17] = "S0001.2345Y67890";
    std::copy(h, h + 16, s.header.begin());
    s.wavelength = t.wl;
    s.sensitivity = t.sens;
    s.irradianceCal = t.irr;
    s.increasing = false;
    return s;
}

void BM_CalibrationFormat(benchmark::State& state) {
    const Tables t;
    const halden::CalibrationSource s = source(t);
    for (auto _ : state) {
        auto out = halden::formatCalibrationText(s, halden::CalibrationLayout::File);
        benchmark::DoNotOptimize(out.text.data());
    }
}
BENCHMARK(BM_CalibrationFormat)->Unit(benchmark::kMillisecond);

void BM_CalibrationParse(benchmark::State& state) {
    const Tables t;
    const std::string text = halden::formatCalibrationText(source(t), halden::CalibrationLayout::File).text;
    for (auto _ : state) {
        auto p = halden::parseCalibrationText(text, halden::CalibrationLayout::File);
        benchmark::DoNotOptimize(p.wavelength.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_CalibrationParse)->Unit(benchmark::kMillisecond);

void BM_CalibrationParseFlash(benchmark::State& state) {
    const Tables t;
    std::string text = halden::formatCalibrationText(source(t), halden::CalibrationLayout::Flash).text;
    text.resize(halden::kFlashAreaSize, '\xff');
    for (auto _ : state) {
        auto p = halden::parseCalibrationText(text, halden::CalibrationLayout::Flash);
        benchmark::DoNotOptimize(p.wavelength.data());
    }
}
BENCHMARK(BM_CalibrationParseFlash)->Unit(benchmark::kMillisecond);

// A spectrum file as the application writes it (three columns), repeated to
// a few MB so the figure is a throughput.
void BM_SpectrumFileLoad(benchmark::State& state) {
    auto store = std::make_unique<halden::SpectrumStore>();
    store->m_average = false;
    store->m_scans = static_cast<int>(state.range(0));
    double* live = store->liveBuffer();
    for (int j = 0; j < halden::kBufferSize; ++j) live[j] = 1000.0 + (j % 60000) * 0.731;
    const std::string one = halden::spectrumFileText(*store);
    std::string text;
    while (text.size() < 8u * 1024 * 1024) text += one;
    for (auto _ : state) {
        auto d = halden::readDataLines(text, text.size());
        benchmark::DoNotOptimize(d.x.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_SpectrumFileLoad)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);

// One database file (3653 rows "%.3f %.3f" CR LF).
void BM_DatabaseRows(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < 3653; ++i) {
        char row[64];
        const int n = std::snprintf(row, sizeof row, "%.3f %.3f\r\n", 339.0 + i * 0.2, 500.0 + (i * 7919 % 39500));
        text.append(row, static_cast<std::size_t>(n));
    }
    std::vector<double> x(halden::kMaxDataLines), y(halden::kMaxDataLines);
    for (auto _ : state) {
        bool overflow = false;
        benchmark::DoNotOptimize(halden::readDataRows(text, halden::kMaxDataLines, x.data(), y.data(), overflow));
        benchmark::ClobberMemory();
    }
    state.counters["ns_per_row"] = benchmark::Counter(static_cast<double>(state.iterations()) * 3653,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DatabaseRows)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
