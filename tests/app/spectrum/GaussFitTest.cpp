#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "spectrum/GaussianFit.h"
#include "spectrum/SpectrumStore.h"

namespace halden {
namespace {

// The instrument's default axis, 3653 points from 210.43 to 949.65 nm.
std::vector<double> defaultAxis() {
    auto store = std::make_unique<SpectrumStore>();
    return std::vector<double>(store->m_wavelength.begin(), store->m_wavelength.begin() + kSpectrumPoints);
}

std::vector<double> peak(const std::vector<double>& x, const GaussParams& p) {
    std::vector<double> y(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) y[i] = gaussModel(p, x[i]);
    return y;
}

TEST(GaussFit, ModelFallsToEMinus4AtHalfWidth) {
    const GaussParams p{1000, 500, 20, 10};
    EXPECT_DOUBLE_EQ(gaussModel(p, 500), 1010);
    EXPECT_NEAR(gaussModel(p, 510), 1000 * std::exp(-4.0) + 10, 1e-9);
    EXPECT_NEAR(gaussModel(p, 490), 1000 * std::exp(-4.0) + 10, 1e-9);
    // Far from the peak the model is the offset, exactly.
    EXPECT_EQ(gaussModel(p, 900), 10);
}

TEST(GaussFit, RecoversNoiselessPeak) {
    const std::vector<double> x = defaultAxis();
    const int n = kSpectrumPoints - 1;  // 3652 measured values, x has n + 1
    for (const GaussParams truth : {GaussParams{1000, 550.3, 20, 100}, GaussParams{30000, 420.77, 8, 2000},
                                    GaussParams{500, 800.05, 60, 0}}) {
        const std::vector<double> y = peak(x, truth);
        std::vector<double> curve(n + 1, -1);
        const GaussFitResult fit = fitGaussian(x.data(), y.data(), n, curve.data());
        SCOPED_TRACE(truth.center);
        EXPECT_NEAR(fit.params.center, truth.center, 0.01);
        EXPECT_NEAR(fit.params.width, truth.width, 0.05 * truth.width);
        EXPECT_NEAR(fit.params.amplitude, truth.amplitude, 0.02 * truth.amplitude);
        EXPECT_GE(fit.sweeps, kGaussMinSweeps);
        EXPECT_LE(fit.sweeps, kGaussMaxSweeps);
        // The curve holds the final model at all n + 1 points.
        for (int i : {0, 1000, n}) EXPECT_DOUBLE_EQ(curve[i], gaussModel(fit.params, x[i]));
    }
}

TEST(GaussFit, ConstantSpectrumStartingValues) {
    const std::vector<double> x = defaultAxis();
    const int n = kSpectrumPoints - 1;
    const std::vector<double> y(n, 101.0);
    const GaussStart start = gaussStartingValues(x.data(), y.data(), n);
    // The right-end value for the offset comes from the shifted data.
    EXPECT_EQ(start.peakIndex, 1);
    EXPECT_EQ(start.params.center, x[1]);
    EXPECT_EQ(start.params.offset, 1.5 * 101);
    EXPECT_EQ(start.params.amplitude, 50);
    EXPECT_EQ(start.params.width, 21);

    // A flat spectrum still ends, after at least four sweeps.
    const GaussFitResult fit = fitGaussian(x.data(), y.data(), n);
    EXPECT_GE(fit.sweeps, kGaussMinSweeps);
    EXPECT_LE(fit.sweeps, kGaussMaxSweeps);
    EXPECT_EQ(fit.start.amplitude, 50);
}

TEST(GaussFit, StartingCentreIgnoresPeaksAtTheEnds) {
    std::vector<double> x(200);
    for (int i = 0; i < 200; ++i) x[i] = 400 + i;
    const int n = 199;
    std::vector<double> y(n, 10.0);
    y[3] = 5000;       // inside the first 10 points: outside the smoothed range
    y[120] = 10 + 42;  // a small bump inside it
    const GaussStart start = gaussStartingValues(x.data(), y.data(), n);
    // y[3] is the first value but also enters the running means near the
    // start: the largest smoothed value lies at i = 10..13, the first wins.
    EXPECT_EQ(start.peakIndex, 10);
    EXPECT_EQ(start.params.center, 410);

    std::vector<double> plain(n, 10.0);
    plain[198] = 5000;  // the last value: only the last window (188) holds it
    plain[60] = 10 + 210;
    const GaussStart right = gaussStartingValues(x.data(), plain.data(), n);
    EXPECT_EQ(right.peakIndex, 188);
    EXPECT_EQ(right.params.center, 588);
}

TEST(GaussFit, AlwaysAtLeastFourSweeps) {
    // Start exactly at the answer: the first sweep already changes little.
    std::vector<double> x(101);
    for (int i = 0; i <= 100; ++i) x[i] = i;
    const int n = 100;
    const std::vector<double> y(n, 7.0);
    const GaussFitResult fit = fitGaussian(x.data(), y.data(), n);
    EXPECT_GE(fit.sweeps, kGaussMinSweeps);
}

TEST(GaussFit, TooFewPointsIsNoFit) {
    const std::vector<double> x(30, 1.0), y(30, 1.0);
    const GaussFitResult fit = fitGaussian(x.data(), y.data(), kGaussMinPoints - 1);
    EXPECT_EQ(fit.sweeps, 0);
    EXPECT_EQ(fit.params.center, 0);
}

TEST(GaussFit, NonFiniteDataEnds) {
    const std::vector<double> x = defaultAxis();
    const int n = kSpectrumPoints - 1;
    std::vector<double> y(n, 1.0);
    y[2000] = std::nan("");
    y[100] = INFINITY;
    const GaussFitResult fit = fitGaussian(x.data(), y.data(), n);
    EXPECT_LE(fit.sweeps, kGaussMaxSweeps);
}

}  // namespace
}  // namespace halden
