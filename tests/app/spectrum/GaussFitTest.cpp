#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
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

double parameter(const GaussParams& p, int j) {
    const double v[4] = {p.amplitude, p.center, p.width, p.offset};
    return v[j];
}
const char* const kNames[4] = {"amplitude", "center", "width", "offset"};

// Normal noise of standard deviation sigma, the same numbers on every
// standard library (Box-Muller on the fully specified mt19937_64).
std::vector<double> noise(std::size_t count, double sigma, std::uint64_t seed) {
    std::mt19937_64 gen(seed);
    auto uniform = [&] { return (static_cast<double>(gen() >> 11) + 0.5) * 0x1p-53; };
    std::vector<double> out(count);
    for (double& v : out) v = sigma * std::sqrt(-2 * std::log(uniform())) * std::cos(2 * M_PI * uniform());
    return out;
}

// The least-squares optimum found the plain way, independently of the fit:
// undamped Gauss-Newton from a given point (the truth), the Jacobian written
// out per point with std::exp, the normal equations solved by elimination.
struct Optimum {
    GaussParams params, standardError;
    double sumOfSquares = 0;
};

void solve4(double m[4][5]) {  // Gaussian elimination with partial pivoting, in place
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r)
            if (std::fabs(m[r][col]) > std::fabs(m[pivot][col])) pivot = r;
        for (int k = 0; k < 5; ++k) std::swap(m[col][k], m[pivot][k]);
        for (int r = 0; r < 4; ++r) {
            if (r == col) continue;
            const double f = m[r][col] / m[col][col];
            for (int k = col; k < 5; ++k) m[r][k] -= f * m[col][k];
        }
    }
    for (int r = 0; r < 4; ++r) m[r][4] /= m[r][r];
}

Optimum plainOptimum(const double* x, const double* y, int n, const GaussParams& from) {
    double th[4] = {from.amplitude, from.center, from.width, from.offset};
    double jtj[4][4] = {};
    double sse = 0;
    for (int iteration = 0; iteration < 60; ++iteration) {
        double m[4][5] = {};
        sse = 0;
        for (int i = 0; i < n; ++i) {
            const double q = th[2] / 4, d = x[i] - th[1];
            const double e = std::exp(-(d * d) / (q * q));
            const double r = y[i] - (th[0] * e + th[3]);
            // d/dw = d/dq * 1/4, dF/dq = a e 2 d^2 / q^3.
            const double j[4] = {e, th[0] * e * 2 * d / (q * q), th[0] * e * 2 * d * d / (q * q * q) / 4, 1};
            for (int a = 0; a < 4; ++a) {
                for (int b = 0; b < 4; ++b) m[a][b] += j[a] * j[b];
                m[a][4] += j[a] * r;
            }
            sse += r * r;
        }
        for (int a = 0; a < 4; ++a)
            for (int b = 0; b < 4; ++b) jtj[a][b] = m[a][b];
        solve4(m);
        bool small = true;
        for (int a = 0; a < 4; ++a) {
            th[a] += m[a][4];
            small = small && std::fabs(m[a][4]) <= 1e-13 * (std::fabs(th[a]) + 1);
        }
        if (small) break;
    }
    Optimum out;
    out.params = {th[0], th[1], th[2], th[3]};
    out.sumOfSquares = sse;
    double se[4];
    for (int j = 0; j < 4; ++j) {  // column j of the inverse
        double m[4][5];
        for (int a = 0; a < 4; ++a) {
            for (int b = 0; b < 4; ++b) m[a][b] = jtj[a][b];
            m[a][4] = a == j ? 1 : 0;
        }
        solve4(m);
        se[j] = std::sqrt(sse / (n - 4) * m[j][4]);
    }
    out.standardError = {se[0], se[1], se[2], se[3]};
    return out;
}

TEST(GaussFit, RecoversNoiselessPeaksAcrossWidthsAndPositions) {
    const std::vector<double> x = defaultAxis();
    const int n = kSpectrumPoints - 1;  // 3652 measured values, x has n + 1
    std::vector<double> curve(n + 1);
    for (const double width : {1.5, 4.0, 12.0, 40.0})
        for (const double center : {262.4, 546.07, 713.9, 905.31})
            for (const double offset : {0.0, 1500.0}) {
                const GaussParams truth{20000, center, width, offset};
                const std::vector<double> y = peak(x, truth);
                curve.assign(n + 1, -1);
                const GaussFitResult fit = fitGaussian(x.data(), y.data(), n, curve.data());
                SCOPED_TRACE(testing::Message() << "w " << width << " c " << center << " b " << offset);
                EXPECT_NEAR(fit.params.center, center, 1e-3);
                EXPECT_NEAR(fit.params.width, width, 1e-4 * width);
                EXPECT_NEAR(fit.params.amplitude, truth.amplitude, 1e-4 * truth.amplitude);
                // Relative to the peak's height where the true offset is 0.
                EXPECT_NEAR(fit.params.offset, offset, 1e-4 * std::max(offset, truth.amplitude));
                EXPECT_GE(fit.sweeps, kGaussMinSweeps);
                EXPECT_LE(fit.sweeps, kGaussMaxSweeps);
                // The curve holds the final model at all n + 1 points.
                for (int i : {0, 1000, 1600, n}) EXPECT_DOUBLE_EQ(curve[i], gaussModel(fit.params, x[i]));
            }
}

TEST(GaussFit, NoisyPeaksReachTheLeastSquaresOptimum) {
    const std::vector<double> x = defaultAxis();
    const int n = kSpectrumPoints - 1;
    struct Case {
        GaussParams truth;
        double sigma;
    };
    std::uint64_t seed = 14;
    for (const Case& c : {Case{{3000, 546.07, 25, 1000}, 150}, Case{{20000, 420.77, 4, 1500}, 200},
                          Case{{500, 700.2, 40, 300}, 100}, Case{{1000, 600, 200, 30}, 20},
                          Case{{800, 300.5, 2, 0}, 60}}) {
        std::vector<double> y = peak(x, c.truth);
        const std::vector<double> e = noise(y.size(), c.sigma, seed++);
        for (std::size_t i = 0; i < y.size(); ++i) y[i] += e[i];
        const Optimum best = plainOptimum(x.data(), y.data(), n, c.truth);
        const GaussFitResult fit = fitGaussian(x.data(), y.data(), n);
        SCOPED_TRACE(testing::Message() << "w " << c.truth.width << " c " << c.truth.center);
        for (int j = 0; j < 4; ++j) {
            const double se = parameter(best.standardError, j);
            EXPECT_NEAR(parameter(fit.params, j), parameter(best.params, j), 0.02 * se) << kNames[j];
            EXPECT_NEAR(parameter(fit.standardError, j), se, 0.01 * se) << kNames[j];
        }
        EXPECT_NEAR(fit.residualRms, std::sqrt(best.sumOfSquares / n), 1e-6 * c.sigma);
    }
}

// Residuals +d, -d, +d, ... on an even number of evenly spaced points are
// orthogonal to every smooth column of the Jacobian and to the offset's: the
// optimum is the truth, the residual RMS is d, and on a fine grid far from
// the ends the normal equations are integrals with closed forms.
TEST(GaussFit, FwhmAndStandardErrorsOfAKnownCase) {
    const int n = 3000;
    const double h = 0.1, a = 1000, c = 550, w = 20, b = 100, d = 2;
    std::vector<double> x(n + 1), y(n);
    for (int i = 0; i <= n; ++i) x[i] = 400 + h * i;
    for (int i = 0; i < n; ++i) y[i] = gaussModel({a, c, w, b}, x[i]) + (i % 2 == 0 ? d : -d);

    const GaussFitResult fit = fitGaussian(x.data(), y.data(), n);
    EXPECT_NEAR(fit.params.amplitude, a, 1e-9 * a);
    EXPECT_NEAR(fit.params.center, c, 1e-9);
    EXPECT_NEAR(fit.params.width, w, 1e-9 * w);
    EXPECT_NEAR(fit.params.offset, b, 1e-9 * b);
    EXPECT_NEAR(fit.residualRms, d, 1e-9 * d);

    // The model is half its height at c +/- FWHM / 2.
    const double fwhm = gaussFwhm(fit.params.width);
    EXPECT_NEAR(fwhm, 8.3255461, 1e-6);
    EXPECT_NEAR(gaussModel(fit.params, c + fwhm / 2) - fit.params.offset, fit.params.amplitude / 2, 1e-9 * a);
    EXPECT_NEAR(gaussModel(fit.params, c - fwhm / 2) - fit.params.offset, fit.params.amplitude / 2, 1e-9 * a);

    // With u = (x - c) / q, q = w / 4, the sums become (q / h) times integrals
    // of exp(-u^2) and exp(-2u^2) with powers of u. The centre's column is
    // odd in u, so its error decouples; amplitude, width and offset share a
    // 3x3 system.
    const double q = w / 4, k = q / h, r2 = std::sqrt(M_PI / 2), r1 = std::sqrt(M_PI);
    const double variance = n * d * d / (n - 4);
    const double centerSe = std::sqrt(variance / (k * a * a * 4 / (q * q) * r2 / 4));
    const double jw = a / (2 * q);  // dF/dw = a g u^2 / (2q)
    double m[3][3] = {{k * r2, k * jw * r2 / 4, k * r1},
                      {k * jw * r2 / 4, k * jw * jw * r2 * 3 / 16, k * jw * r1 / 2},
                      {k * r1, k * jw * r1 / 2, double(n)}};
    // Diagonal of the inverse through cofactors.
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    const double inverse[3] = {(m[1][1] * m[2][2] - m[1][2] * m[2][1]) / det,
                               (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det,
                               (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det};
    EXPECT_NEAR(fit.standardError.center, centerSe, 1e-6 * centerSe);
    EXPECT_NEAR(fit.standardError.amplitude, std::sqrt(variance * inverse[0]), 1e-6 * std::sqrt(variance * inverse[0]));
    EXPECT_NEAR(fit.standardError.width, std::sqrt(variance * inverse[1]), 1e-6 * std::sqrt(variance * inverse[1]));
    EXPECT_NEAR(fit.standardError.offset, std::sqrt(variance * inverse[2]), 1e-6 * std::sqrt(variance * inverse[2]));
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

bool finite(const GaussParams& p) {
    return std::isfinite(p.amplitude) && std::isfinite(p.center) && std::isfinite(p.width) && std::isfinite(p.offset);
}
bool noNaN(const GaussParams& p) {
    return !std::isnan(p.amplitude) && !std::isnan(p.center) && !std::isnan(p.width) && !std::isnan(p.offset);
}

TEST(GaussFit, FlatZeroAndPureNoiseSpectraEndWithoutNaN) {
    const std::vector<double> x = defaultAxis();
    const int n = kSpectrumPoints - 1;
    std::vector<std::vector<double>> spectra{std::vector<double>(n, 0.0), std::vector<double>(n, 1234.0),
                                             noise(n, 50, 7)};
    for (double& v : spectra[2]) v += 1000;
    for (const auto& y : spectra) {
        std::vector<double> curve(n + 1);
        const GaussFitResult fit = fitGaussian(x.data(), y.data(), n, curve.data());
        EXPECT_TRUE(finite(fit.params));
        // A flat spectrum leaves centre and width undetermined: +infinity, not NaN.
        EXPECT_TRUE(noNaN(fit.standardError));
        EXPECT_TRUE(std::isfinite(fit.residualRms));
        EXPECT_LE(fit.sweeps, kGaussMaxSweeps);
        for (double v : curve) ASSERT_TRUE(std::isfinite(v));
    }
    // The zero spectrum is fitted exactly by the offset.
    const GaussFitResult zero = fitGaussian(x.data(), spectra[0].data(), n);
    EXPECT_EQ(zero.residualRms, 0);
    EXPECT_EQ(gaussModel(zero.params, 500), 0);
    // Pure noise: the fitted level is the mean, give or take its error.
    const GaussFitResult flat = fitGaussian(x.data(), spectra[2].data(), n);
    EXPECT_NEAR(gaussModel(flat.params, x[0]), 1000, 10);
    EXPECT_NEAR(flat.residualRms, 50, 3);
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
