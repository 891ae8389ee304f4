// Per-repaint colour work: the colorimetry of a full spectrum, and the energy
// and lumen figures together.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "colour/Colorimetry.h"
#include "colour/ColourRendition.h"
#include "colour/LightFigures.h"
#include "colour/Radiometry.h"
#include "spectrum/SpectrumStore.h"

namespace {

double lamp(double nm) { return std::pow(nm, -5) / std::expm1(1.4388e7 / (nm * 2900)) * 1e15; }

void BM_ComputeColorimetry3653(benchmark::State& state) {
    auto store = std::make_unique<halden::SpectrumStore>();
    std::vector<double> wavelength(store->m_wavelength.begin(), store->m_wavelength.begin() + 3653);
    std::vector<double> spectrum(3653);
    for (int i = 0; i < 3653; ++i) spectrum[i] = lamp(wavelength[i]) * (1 + 0.01 * std::sin(i));
    std::vector<double> x(3653), y(3653);
    halden::ColorimetryResult result;
    for (auto _ : state) {
        // The caller's scratch copies are part of every repaint's cost.
        std::copy(spectrum.begin(), spectrum.end(), y.begin());
        std::copy(wavelength.begin(), wavelength.end(), x.begin());
        halden::computeColorimetry(y.data(), x.data(), 3652, result);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_ComputeColorimetry3653)->Unit(benchmark::kMicrosecond);

void BM_EnergyAndLumenFigures(benchmark::State& state) {
    auto store = std::make_unique<halden::SpectrumStore>();
    store->m_calcEnergy = true;
    double* row = store->liveBuffer();
    for (int i = 0; i < 3653; ++i) row[i] = lamp(store->m_wavelength[i]);
    for (auto _ : state) {
        const halden::EnergyFigures e = halden::energyFigures(*store);
        const double lumens = halden::lumenFigure(*store);
        benchmark::DoNotOptimize(e);
        benchmark::DoNotOptimize(lumens);
    }
}
BENCHMARK(BM_EnergyAndLumenFigures)->Unit(benchmark::kMicrosecond);

// The lumen figure alone: the nearest point of each nanometre 390..830, a
// few microseconds of a paint's milliseconds.
void BM_LumenFigure(benchmark::State& state) {
    auto store = std::make_unique<halden::SpectrumStore>();
    double* row = store->liveBuffer();
    for (int i = 0; i < 3653; ++i) row[i] = lamp(store->m_wavelength[i]);
    for (auto _ : state) benchmark::DoNotOptimize(halden::lumenFigure(*store));
}
BENCHMARK(BM_LumenFigure)->Unit(benchmark::kMicrosecond);

// Rf, Rg, the hue bins and Duv of one spectrum; the argument is the lamp's
// colour temperature (4500 K needs both Planckian and daylight references).
void BM_ColourRendition(benchmark::State& state) {
    auto store = std::make_unique<halden::SpectrumStore>();
    std::vector<double> wavelength(store->m_wavelength.begin(), store->m_wavelength.begin() + 3653);
    const double kelvin = static_cast<double>(state.range(0));
    std::vector<double> spectrum(3653);
    for (int i = 0; i < 3653; ++i) {
        const double nm = wavelength[i];
        spectrum[i] = std::pow(nm, -5) / std::expm1(1.4388e7 / (nm * kelvin)) * 1e15 * (1 + 0.05 * std::sin(nm / 7));
    }
    for (auto _ : state) {
        const halden::ColourRendition r = halden::computeColourRendition(spectrum.data(), wavelength.data(), 3652);
        if (!r.ok) {
            state.SkipWithError(r.error.c_str());
            break;
        }
        benchmark::DoNotOptimize(r.Rf);
    }
}
BENCHMARK(BM_ColourRendition)->Arg(2900)->Arg(4500)->Arg(6500)->Unit(benchmark::kMicrosecond);

// Every light figure of one live spectrum (u', v' and the dominant wavelength
// from the chromaticity view's colorimetry, alpha-opic, CQS, SSI, LED, photon
// fluxes), as the Light panel computes them after each acquisition: at most
// 200 us. The argument is a white LED's blue peak in nm.
void BM_LightFigures3653(benchmark::State& state) {
    auto store = std::make_unique<halden::SpectrumStore>();
    std::vector<double> wavelength(store->m_wavelength.begin(), store->m_wavelength.begin() + 3653);
    std::vector<double> spectrum(3653);
    const double blue = static_cast<double>(state.range(0));
    for (int i = 0; i < 3653; ++i) {
        const double nm = wavelength[i];
        spectrum[i] = 1000 * (std::exp(-0.5 * std::pow((nm - blue) / 10, 2)) +
                              0.6 * std::exp(-0.5 * std::pow((nm - 560) / 50, 2))) + 5 * std::sin(i);
    }
    for (auto _ : state) {
        const halden::LightFigures f = halden::computeLightFigures(wavelength.data(), spectrum.data(), 3652, 1e-4);
        if (!f.colourError.empty()) {
            state.SkipWithError(f.colourError.c_str());
            break;
        }
        benchmark::DoNotOptimize(f.cqs.Qa.value);
    }
}
BENCHMARK(BM_LightFigures3653)->Arg(450)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
