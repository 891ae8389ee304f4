#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "spectrum/GaussSums.h"

namespace halden {
namespace {

TEST(GaussSums, ExponentialMatchesTheLibrary) {
    // Across the whole range the sums use, by fine steps and at the ends.
    for (double t = 0; t <= 708; t += 0.0137) {
        const double want = std::exp(-t);
        ASSERT_NEAR(gaussExpNegative(t), want, 4 * std::numeric_limits<double>::epsilon() * want) << t;
    }
    EXPECT_EQ(gaussExpNegative(0), 1);
    EXPECT_EQ(gaussExpNegative(709), 0);
    EXPECT_EQ(gaussExpNegative(std::numeric_limits<double>::infinity()), 0);
    EXPECT_TRUE(std::isnan(gaussExpNegative(std::nan(""))));
}

// Sums written plainly with std::exp, every length from empty to a few
// lanes past a multiple of eight (the tail is handled apart).
TEST(GaussSums, SquaredResidualsMatchAPlainSum) {
    const GaussParams p{700, 13.3, 9, 40};
    std::vector<double> x(40), y(40);
    for (int i = 0; i < 40; ++i) {
        x[i] = 0.5 * i;
        y[i] = 40 + 0.3 * i * (i % 3);
    }
    for (int n = 0; n <= 40; ++n) {
        double want = 0;
        for (int i = 0; i < n; ++i) {
            const double r = y[i] - gaussModel(p, x[i]);
            want += r * r;
        }
        EXPECT_NEAR(gaussSquaredResiduals(p, x.data(), y.data(), n), want, 1e-12 * want) << n;
    }
}

// J^T J and J^T r against central differences of the model itself.
TEST(GaussSums, NormalEquationsMatchNumericalDerivatives) {
    const GaussParams p{1200, 21.7, 6.5, 80};
    const int n = 83;
    std::vector<double> x(n), y(n);
    for (int i = 0; i < n; ++i) {
        x[i] = 0.4 * i;
        y[i] = gaussModel({1150, 21.5, 7, 90}, x[i]) + (i % 5) - 2;
    }
    std::vector<std::array<double, 4>> jac(n);
    const double step[4] = {1e-3, 1e-6, 1e-6, 1e-3};
    for (int j = 0; j < 4; ++j) {
        GaussParams up = p, down = p;
        double* fu[4] = {&up.amplitude, &up.center, &up.width, &up.offset};
        double* fd[4] = {&down.amplitude, &down.center, &down.width, &down.offset};
        *fu[j] += step[j];
        *fd[j] -= step[j];
        for (int i = 0; i < n; ++i) jac[i][j] = (gaussModel(up, x[i]) - gaussModel(down, x[i])) / (2 * step[j]);
    }
    const GaussNormalEquations ne = gaussNormalEquations(p, x.data(), y.data(), n);
    double sse = 0;
    for (int i = 0; i < n; ++i) {
        const double r = y[i] - gaussModel(p, x[i]);
        sse += r * r;
    }
    for (int a = 0; a < 4; ++a) {
        double jtr = 0;
        for (int i = 0; i < n; ++i) jtr += jac[i][a] * (y[i] - gaussModel(p, x[i]));
        EXPECT_NEAR(ne.jtr[a], jtr, 1e-6 * (std::fabs(jtr) + 1)) << a;
        for (int b = 0; b < 4; ++b) {
            double jtj = 0;
            for (int i = 0; i < n; ++i) jtj += jac[i][a] * jac[i][b];
            EXPECT_NEAR(ne.jtj[a][b], jtj, 1e-6 * std::sqrt(ne.jtj[a][a] * ne.jtj[b][b])) << a << " " << b;
        }
    }
    EXPECT_NEAR(ne.sumOfSquares, sse, 1e-12 * sse);
}

}  // namespace
}  // namespace halden
