#include "spectrum/Baseline.h"

#include <cmath>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

namespace halden {
namespace {

std::vector<double> line(int n, double a, double b) {
    std::vector<double> y(n + 1);
    for (int k = 0; k <= n; ++k) y[k] = a + b * k;
    return y;
}

// A curved background with peaks on it.
std::vector<double> peaky(int n) {
    std::vector<double> y(n + 1);
    for (int k = 0; k <= n; ++k)
        y[k] = 100 + 0.00002 * k * k + 500 * std::exp(-(k - n / 3.0) * (k - n / 3.0) / 50.0) +
               50 * std::sin(k / 7.0);
    return y;
}

void expectAllNear(const std::vector<double>& y, double value, double tolerance) {
    for (std::size_t k = 0; k < y.size(); ++k) ASSERT_NEAR(y[k], value, tolerance) << "point " << k;
}

TEST(EstimateBaseline, ConstantsAndStraightLinesCorrectToZero) {
    auto c = line(3652, 1234.5, 0);
    estimateBaseline(c.data(), 3652, 50, 100);
    expectAllNear(c, 0.0, 1e-9);

    for (int window : {50, 7, 0, 2}) {
        auto y = line(3652, -20.0, 0.75);
        estimateBaseline(y.data(), 3652, window, 100);
        expectAllNear(y, 0.0, 1e-6);
    }
    auto falling = line(100, 5000.0, -13.25);
    estimateBaseline(falling.data(), 100, 30, 5);
    expectAllNear(falling, 0.0, 1e-8);
}

TEST(EstimateBaseline, OddWindowBehavesAsTheNextEvenOne) {
    EXPECT_EQ(baselineHalfWidth(7), 4);
    EXPECT_EQ(baselineHalfWidth(8), 4);
    EXPECT_EQ(baselineHalfWidth(50), 25);
    EXPECT_EQ(baselineHalfWidth(0), 0);
    EXPECT_EQ(baselineHalfWidth(-9), 0);

    auto seven = peaky(500), eight = peaky(500), six = peaky(500);
    estimateBaseline(seven.data(), 500, 7, 3);
    estimateBaseline(eight.data(), 500, 8, 3);
    estimateBaseline(six.data(), 500, 6, 3);
    EXPECT_EQ(seven, eight);
    EXPECT_NE(seven, six);
}

TEST(EstimateBaseline, OnePassIsTheSevenPointMeanWhateverTheWindow) {
    const auto input = peaky(300);
    auto a = input, b = input;
    estimateBaseline(a.data(), 300, 10, 1);
    estimateBaseline(b.data(), 300, 200, 1);
    EXPECT_EQ(a, b);

    auto mean = [&](int from, int to) {
        double sum = 0;
        for (int k = from; k <= to; ++k) sum += input[k];
        return sum / (to - from + 1);
    };
    EXPECT_NEAR(a[150], input[150] - mean(147, 153), 1e-9);  // running mean
    EXPECT_NEAR(a[2], input[2] - mean(1, 3), 1e-9);          // growing left window
    EXPECT_NEAR(a[1], 0.0, 1e-12);
    EXPECT_NEAR(a[299], input[299] - mean(298, 300), 1e-9);  // mirrored right window
    EXPECT_NEAR(a[297], input[297] - mean(294, 300), 1e-9);  // overwrites the running mean
    EXPECT_DOUBLE_EQ(a[0], a[1]);
}

TEST(EstimateBaseline, LaterPassesFallBackWhereTheSmoothRisesAboveTheSignal) {
    auto y = peaky(1000);
    const auto input = y;
    estimateBaseline(y.data(), 1000, 50, 100);
    // The estimate never lies above the first-pass smooth or the signal by
    // much: at the peak the corrected value keeps most of its height.
    EXPECT_GT(y[333], 400.0);
    for (int k = 1; k <= 1000; ++k) ASSERT_TRUE(std::isfinite(y[k]));
    EXPECT_DOUBLE_EQ(y[0], y[1]);
    EXPECT_NE(y, input);
}

TEST(EstimateBaseline, NoIterationsSubtractTheSpectrumFromItself) {
    auto y = peaky(50);
    estimateBaseline(y.data(), 50, 50, 0);
    expectAllNear(y, 0.0, 0.0);
    auto neg = peaky(50);
    estimateBaseline(neg.data(), 50, 50, -4);
    expectAllNear(neg, 0.0, 0.0);
}

TEST(EstimateBaseline, WindowsWiderThanTheSpectrumStayInside) {
    // Guard memory around the spectrum: a read or write outside y[0..n] would
    // show here (and under the address sanitizer).
    for (int n : {1, 2, 3, 6, 7, 8, 9, 20}) {
        std::vector<double> buf(n + 1 + 20, 777.0);
        double* y = buf.data() + 10;
        for (int k = 0; k <= n; ++k) y[k] = 3.0 + 2.0 * k;
        estimateBaseline(y, n, 1000000, 4);
        for (int k = 0; k <= n; ++k) ASSERT_NEAR(y[k], 0.0, 1e-9) << "n " << n << " point " << k;
        for (int g = 0; g < 10; ++g) {
            ASSERT_EQ(buf[g], 777.0);
            ASSERT_EQ(buf[n + 11 + g], 777.0);
        }
    }
    std::vector<double> one{4.0};
    estimateBaseline(one.data(), 0, 50, 100);  // no points 1..n: unchanged
    EXPECT_EQ(one[0], 4.0);
    auto big = line(20, 1, 1);
    estimateBaseline(big.data(), 20, INT32_MAX, 2);  // odd maximum: no overflow
    expectAllNear(big, 0.0, 1e-9);
}

TEST(BaselineCommand, DialogShowsTheMembersAndTheSourceBoxesArePaired) {
    auto s = std::make_unique<SpectrumStore>();
    BaselineDialog d = openBaselineDialog(*s);
    EXPECT_EQ(d.windowText, "50");
    EXPECT_EQ(d.iterationsText, "100");
    EXPECT_TRUE(d.fromCollected);
    EXPECT_FALSE(d.fromLoaded);
    clickFromLoaded(d);
    EXPECT_TRUE(d.fromLoaded);
    EXPECT_FALSE(d.fromCollected);
    clickFromCollected(d);
    EXPECT_TRUE(d.fromCollected);
    EXPECT_FALSE(d.fromLoaded);
}

TEST(BaselineCommand, ProcessCorrectsTheLiveRowAndKeepsTheEntries) {
    auto s = std::make_unique<SpectrumStore>();
    double* live = s->liveBuffer();
    for (int i = 0; i < kPointCapacity; ++i) live[i] = 10.0 + 0.5 * i;
    live[3653] = 99.0;  // beyond the last point
    const double targetFirst = s->targetBuffer()[0];

    BaselineDialog d = openBaselineDialog(*s);
    d.windowText = "7.9";
    d.iterationsText = "abc";
    BaselineEffects fx = runBaselineCorrection(*s, d, false);  // Cancel
    EXPECT_FALSE(fx.corrected);
    EXPECT_TRUE(fx.yAutoscale);
    EXPECT_EQ(s->m_baselineWindow, 50);
    EXPECT_DOUBLE_EQ(live[100], 60.0);

    d.iterationsText = "12";
    fx = runBaselineCorrection(*s, d, true);
    EXPECT_TRUE(fx.corrected);
    EXPECT_TRUE(fx.yAutoscale);
    EXPECT_EQ(s->m_baselineWindow, 7);
    EXPECT_EQ(s->m_baselineIterations, 12);
    for (int i = 0; i <= 3652; ++i) ASSERT_NEAR(live[i], 0.0, 1e-6) << i;
    EXPECT_DOUBLE_EQ(live[3653], 99.0);
    EXPECT_DOUBLE_EQ(s->targetBuffer()[0], targetFirst);
    EXPECT_EQ(openBaselineDialog(*s).windowText, "7");

    d.iterationsText = "";  // reads as 0: the spectrum minus itself
    for (int i = 0; i <= 3652; ++i) live[i] = i;
    runBaselineCorrection(*s, d, true);
    EXPECT_EQ(s->m_baselineIterations, 0);
    EXPECT_DOUBLE_EQ(live[1800], 0.0);
}

TEST(BaselineCommand, PointRangeFromTheStoreIsHeldToTheBuffer) {
    auto s = std::make_unique<SpectrumStore>();
    double* live = s->liveBuffer();
    live[0] = 5.0;
    s->m_firstPoint = 10;
    s->m_lastPoint = 5;  // an empty range does nothing
    runBaselineCorrection(*s, openBaselineDialog(*s), true);
    EXPECT_DOUBLE_EQ(live[0], 5.0);
    s->m_firstPoint = 0;
    s->m_lastPoint = 60000;  // more than one row: only row 0 is corrected
    const double secondRow = live[kPointCapacity];
    runBaselineCorrection(*s, openBaselineDialog(*s), true);
    EXPECT_DOUBLE_EQ(live[kPointCapacity], secondRow);
}

}  // namespace
}  // namespace halden
