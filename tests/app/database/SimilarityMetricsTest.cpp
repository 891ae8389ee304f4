// The metrics on the pairs of one file, against plain computations of their
// formulas, and the Savitzky-Golay derivative against a least-squares fit.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "database/SimilarityMetrics.h"
#include "database/SimilarityPairs.h"

namespace halden {
namespace {

double metric(const std::vector<double>& s, const std::vector<double>& d, SimilarityMetric m, bool normalize = false) {
    PairScratch p{s, d, {}, {}};
    return scorePairs(p, {m, normalize});
}

long double sum(const std::vector<double>& v) {
    long double t = 0;
    for (double a : v) t += a;
    return t;
}

double plainHqi(const std::vector<double>& s, const std::vector<double>& d) {
    long double sd = 0, ss = 0, dd = 0;
    for (std::size_t k = 0; k < s.size(); ++k) {
        sd += static_cast<long double>(s[k]) * d[k];
        ss += static_cast<long double>(s[k]) * s[k];
        dd += static_cast<long double>(d[k]) * d[k];
    }
    return static_cast<double>(100 * sd * sd / (ss * dd));
}

double plainPearson(const std::vector<double>& s, const std::vector<double>& d) {
    const long double n = static_cast<long double>(s.size());
    const long double ms = sum(s) / n, md = sum(d) / n;
    long double sd = 0, ss = 0, dd = 0;
    for (std::size_t k = 0; k < s.size(); ++k) {
        sd += (s[k] - ms) * (d[k] - md);
        ss += (s[k] - ms) * (s[k] - ms);
        dd += (d[k] - md) * (d[k] - md);
    }
    return static_cast<double>(100 * sd / std::sqrt(ss * dd));
}

// The derivative at every index from a least-squares quadratic over the 21
// values around it (the first or last 21 near the ends), times 770.
std::vector<double> plainDerivative(const std::vector<double>& y) {
    const int n = static_cast<int>(y.size());
    std::vector<double> out(n);
    for (int i = 0; i < n; ++i) {
        const int c = std::clamp(i, 10, n - 11);
        // Normal equations of y = a + b t + q t^2 over t = -10..10.
        long double m[3][4] = {};
        for (int t = -10; t <= 10; ++t) {
            const long double basis[3] = {1, static_cast<long double>(t), static_cast<long double>(t) * t};
            for (int r = 0; r < 3; ++r) {
                for (int k = 0; k < 3; ++k) m[r][k] += basis[r] * basis[k];
                m[r][3] += basis[r] * y[c + t];
            }
        }
        for (int r = 0; r < 3; ++r)  // Gauss-Jordan
            for (int k = 0; k < 3; ++k) {
                if (k == r) continue;
                const long double f = m[k][r] / m[r][r];
                for (int j = 0; j < 4; ++j) m[k][j] -= f * m[r][j];
            }
        const long double b = m[1][3] / m[1][1], q = m[2][3] / m[2][2];
        out[i] = static_cast<double>(770 * (b + 2 * q * (i - c)));
    }
    return out;
}

std::vector<double> randomValues(std::mt19937& rng, std::size_t n, double offset, double spread) {
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<double> v(n);
    for (double& a : v) a = offset + spread * unit(rng);
    return v;
}

TEST(SimilarityMetrics, HqiAndPearsonAsTheirFormulas) {
    std::mt19937 rng(31);
    for (std::size_t n : {2u, 3u, 5u, 8u, 33u, 1000u, 3653u}) {
        const std::vector<double> s = randomValues(rng, n, 1000, 30000), d = randomValues(rng, n, -200, 500);
        EXPECT_NEAR(metric(s, d, SimilarityMetric::Hqi), plainHqi(s, d), 1e-9) << n;
        EXPECT_NEAR(metric(s, d, SimilarityMetric::Pearson), plainPearson(s, d), 1e-9) << n;
    }
    // A large common offset does not cost the correlation its digits.
    std::vector<double> s(500), d(500);
    for (int k = 0; k < 500; ++k) {
        s[k] = 1e9 + std::sin(k * 0.1);
        d[k] = 1e9 + std::sin(k * 0.1 + 0.3);
    }
    EXPECT_NEAR(metric(s, d, SimilarityMetric::Pearson), plainPearson(s, d), 1e-6);

    // Same shape: exactly 100 for identical sides; scale and offset.
    const std::vector<double> a = randomValues(rng, 101, 500, 2000);
    std::vector<double> scaled(a), shifted(a), negated(a);
    for (double& v : scaled) v *= 3;
    for (double& v : shifted) v += 700;
    for (double& v : negated) v = -v;
    EXPECT_EQ(metric(a, a, SimilarityMetric::Hqi), 100);
    EXPECT_EQ(metric(a, a, SimilarityMetric::Pearson), 100);
    EXPECT_NEAR(metric(a, scaled, SimilarityMetric::Hqi), 100, 1e-12);
    EXPECT_LT(metric(a, shifted, SimilarityMetric::Hqi), 99);
    EXPECT_NEAR(metric(a, shifted, SimilarityMetric::Pearson), 100, 1e-12);
    EXPECT_NEAR(metric(a, negated, SimilarityMetric::Pearson), -100, 1e-12);
}

TEST(SimilarityMetrics, UndefinedIsZeroAndNormalisingTurnsOnlyTheSign) {
    const std::vector<double> flat(30, 5.0), zero(30, 0.0);
    std::vector<double> ramp(30), bump(30);
    for (int k = 0; k < 30; ++k) {
        ramp[k] = k;
        bump[k] = (k - 15) * (k - 15);
    }
    EXPECT_EQ(metric(flat, ramp, SimilarityMetric::Pearson), 0);
    EXPECT_EQ(metric(zero, ramp, SimilarityMetric::Hqi), 0);
    EXPECT_EQ(metric({1}, {2}, SimilarityMetric::Pearson), 0);
    EXPECT_EQ(metric(ramp, ramp, SimilarityMetric::Derivative), 0);  // a constant derivative has no spread
    const std::vector<double> short20(ramp.begin(), ramp.begin() + 20);
    EXPECT_EQ(metric(short20, short20, SimilarityMetric::Derivative), 0);  // fewer pairs than the window

    // Normalising divides by the largest value: a negative one turns the
    // side around; positive scales change nothing.
    std::vector<double> below(bump);
    for (double& v : below) v = -v - 1;
    for (SimilarityMetric m : {SimilarityMetric::Pearson, SimilarityMetric::Derivative}) {
        const double plain = metric(below, bump, m);
        EXPECT_LT(plain, -99) << metricName(m);
        EXPECT_EQ(metric(below, bump, m, true), -plain) << metricName(m);
        EXPECT_EQ(metric(bump, bump, m, true), metric(bump, bump, m)) << metricName(m);
    }
    EXPECT_EQ(metric(below, bump, SimilarityMetric::Hqi, true), metric(below, bump, SimilarityMetric::Hqi));
}

TEST(SimilarityMetrics, DerivativeIsTheQuadraticFitsSlope) {
    std::mt19937 rng(5);
    std::vector<double> stretches;
    for (std::size_t n : {21u, 22u, 40u, 83u, 84u, 85u, 86u, 87u, 500u, 3653u}) {
        std::vector<double> y = randomValues(rng, n, 1000, 40000);
        std::vector<double> got(n);
        savitzkyGolayDerivative(y.data(), n, got.data(), stretches);
        const std::vector<double> want = plainDerivative(y);
        // Running sums agree with the full ones to rounding of the values.
        for (std::size_t i = 0; i < n; ++i) ASSERT_NEAR(got[i], want[i], 1e-6) << "n " << n << " i " << i;
    }
    // A quadratic's derivative exactly, ends included.
    std::vector<double> q(300), got(300);
    for (int k = 0; k < 300; ++k) q[k] = 3.0 * k * k - 40.0 * k + 7;
    savitzkyGolayDerivative(q.data(), q.size(), got.data(), stretches);
    for (int k = 0; k < 300; ++k) ASSERT_NEAR(got[k], 770 * (6.0 * k - 40), 1e-6 * 770 * 6 * 300) << k;
}

TEST(SimilarityMetrics, DerivativeIgnoresBaselinesAndNoiseButNotShape) {
    std::mt19937 rng(9);
    std::normal_distribution<double> noise(0, 20);
    const int n = 1200;
    std::vector<double> peaks(n), tilted(n), noisy(n), moved(n);
    auto shape = [](double k) {
        return 8000 * std::exp(-std::pow((k - 400) / 25, 2)) + 5000 * std::exp(-std::pow((k - 800) / 40, 2));
    };
    for (int k = 0; k < n; ++k) {
        peaks[k] = 1000 + shape(k);
        tilted[k] = 0.5 * shape(k) + 3000 + 2.5 * k;  // scaled, on a sloping baseline
        noisy[k] = peaks[k] + noise(rng);
        moved[k] = 1000 + shape(k - 30);  // the peaks elsewhere
    }
    EXPECT_NEAR(metric(peaks, tilted, SimilarityMetric::Derivative), 100, 1e-9);
    EXPECT_LT(metric(peaks, tilted, SimilarityMetric::Pearson), 99);
    EXPECT_GT(metric(peaks, noisy, SimilarityMetric::Derivative), 99);
    EXPECT_LT(metric(peaks, moved, SimilarityMetric::Derivative), 60);
}

}  // namespace
}  // namespace halden
