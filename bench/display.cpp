// One paint of the chart: the whole picture the window shows with every
// overlay on, and the plain chart (curves, grid, ticks) alone.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <memory>

#include "colour/PaintFigures.h"
#include "display/ChartDrawing.h"
#include "display/ViewRendering.h"
#include "spectrum/LiveView.h"
#include "spectrum/SpectrumStore.h"

namespace {

constexpr int kPoints = 3653;

double lamp(double nm) { return std::pow(nm, -5) / std::expm1(1.4388e7 / (nm * 2900)) * 1e15; }

// Curve 0 from the live buffer, five stored curves, a Gaussian result and its
// red curve, everything the full paint shows switched on.
std::unique_ptr<halden::SpectrumStore> busyStore() {
    using namespace halden;
    auto s = std::make_unique<SpectrumStore>();
    double* live = s->liveBuffer();
    for (int i = 0; i < kPoints; ++i) live[i] = 30000 * lamp(s->m_wavelength[i]) / 0.02 + 50 * std::sin(i);
    refreshLiveCurves(*s);
    for (int k = 1; k <= 5; ++k) {
        const int offset = k * kPoints;
        for (int i = 0; i < kPoints; ++i) {
            s->m_storedX[offset + i] = s->m_wavelength[i];
            s->m_storedY[offset + i] = live[i] * (1 - 0.1 * k) + 200 * k;
        }
        s->m_storedLength[k] = kPoints - 1;
        s->m_storedRed[k] = (k + 1) * 100;
        s->m_storedGreen[k] = (k + 2) * 100;
        s->m_storedBlue[k] = (k + 3) * 100;
    }
    const int g = 6 * kPoints;
    s->m_storedLength[6] = kPoints - 1;
    s->m_storedRed[6] = 255;
    s->m_storedGreen[6] = s->m_storedBlue[6] = 0;
    s->m_storedLength[7] = -1;
    for (int i = 0; i < kPoints; ++i) {
        s->m_storedX[g + i] = s->m_wavelength[i];
        s->m_gaussFit[i] = 20000 * std::exp(-std::pow((s->m_wavelength[i] - 600) / 80, 2));
    }
    s->m_gaussCleared = false;
    s->m_gaussCenter = 600;
    s->m_gaussWidth = 160;
    s->m_xMin = 300;
    s->m_xMax = 900;
    s->m_yMin = 0;
    s->m_yMax = 40000;
    s->m_colorBar2 = true;
    s->m_gridLines = true;
    s->m_chromaticityView = true;
    s->m_calcEnergy = true;
    s->m_irradianceCalibrated = true;
    return s;
}

void BM_PaintFull(benchmark::State& state) {
    auto s = busyStore();
    QImage image(1280, 800, QImage::Format_RGB32);
    const halden::ViewInteraction idle;
    halden::updateClientSize(*s, 1280, 800);
    halden::settleView(*s);
    // The figures are worked out when a spectrum arrives, not in the paint.
    const halden::PaintFigures figures = halden::computePaintFigures(*s);
    for (auto _ : state) {
        QPainter painter(&image);
        halden::renderView(painter, image.size(), *s, figures, idle);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PaintFull)->Unit(benchmark::kMillisecond);

// What each new spectrum costs the user-interface thread before the paint:
// the live curves and the derived view state, then every overlay figure
// (colorimetry with the colour rendering index, lumens, energy, irradiance).
void BM_SettleAndFigures(benchmark::State& state) {
    auto s = busyStore();
    halden::updateClientSize(*s, 1280, 800);
    for (auto _ : state) {
        halden::settleView(*s);
        const halden::PaintFigures figures = halden::computePaintFigures(*s);
        benchmark::DoNotOptimize(figures.lumen);
    }
}
BENCHMARK(BM_SettleAndFigures)->Unit(benchmark::kMillisecond);

void BM_PaintCurves(benchmark::State& state) {
    auto s = busyStore();
    s->m_colorBar2 = false;
    s->m_storedLength[6] = -1;  // curve 0 and the five stored curves
    QImage image(1280, 800, QImage::Format_RGB32);
    halden::ChartParams params = halden::chartParamsFromStore(*s, image.size());
    params.marker = false;
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        halden::drawChart(painter, params);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PaintCurves)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Fonts need a GUI application; no window is shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
