#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "spectrum/AcquisitionExchange.h"
#include "spectrum/Conditioning.h"
#include "spectrum/SpectrumStore.h"

namespace halden {
namespace {

constexpr double kSentinel = -12345.0;

class ConditioningTest : public ::testing::Test {
protected:
    void SetUp() override {
        store = std::make_unique<SpectrumStore>();
        fillDarkWeights(weights);
        row.assign(kPointCapacity + 64, kSentinel);
    }
    // A frame with the given dark levels and pixel p of the active window = value(p).
    template <class F>
    void makeFrame(double leftDark, double rightDark, F value) {
        for (int p = 0; p < kFramePixels; ++p) row[p] = value(p);
        for (int p = 15; p <= 31; ++p) row[p] = leftDark;
        for (int p = 3686; p <= 3692; ++p) row[p] = rightDark;
    }
    // Conditions with the store's settings as an acquisition request takes them.
    void condition() { conditionSpectrum(currentConditioning(*store), weights, scratch, row.data()); }
    void rawIntensityOnly() {
        store->m_applyNorm = false;
    }

    std::unique_ptr<SpectrumStore> store;
    DarkWeights weights;
    ConditionScratch scratch;
    std::vector<double> row;
};

TEST_F(ConditioningTest, DarkWeightsRiseFromAboutFivePercentToAlmostOne) {
    EXPECT_NEAR(weights.w[0], 1 - 1 / (0.22 * 0.22 + 1), 1e-15);
    EXPECT_NEAR(weights.w[0], 0.046, 0.001);
    EXPECT_NEAR(weights.w[3685], 0.986, 0.001);
    for (int p = 1; p < kDarkWeightCount; ++p) ASSERT_GT(weights.w[p], weights.w[p - 1]);
}

TEST_F(ConditioningTest, DefaultAxisReversesDetectorOrder) {
    // The default polynomial falls, so pixel 3685 becomes point 0.
    EXPECT_DOUBLE_EQ(store->m_wavelength[0], 210.43);
    EXPECT_DOUBLE_EQ(store->m_wavelength[3652], 949.65);
    rawIntensityOnly();
    makeFrame(0, 0, [](int p) { return double(p); });
    condition();
    EXPECT_EQ(scratch.start, 33);
    EXPECT_EQ(scratch.end, 3685);
    EXPECT_DOUBLE_EQ(row[0], 3685);
    EXPECT_DOUBLE_EQ(row[1], 3684);
    EXPECT_DOUBLE_EQ(row[3652], 33);
    EXPECT_EQ(row[3653], 3653);  // past the spectrum the raw frame stays
    EXPECT_EQ(row[kPointCapacity], kSentinel);
}

TEST_F(ConditioningTest, IncreasingAxisKeepsDetectorOrder) {
    store->m_increasing = true;
    rawIntensityOnly();
    makeFrame(0, 0, [](int p) { return double(p); });
    condition();
    EXPECT_DOUBLE_EQ(row[0], 33);
    EXPECT_DOUBLE_EQ(row[3652], 3685);
}

TEST_F(ConditioningTest, DarkLevelIsTakenOffWithItsSlopeOnlyWithApplyNorm) {
    store->m_increasing = true;
    // Left pixels average 1000.94 and right 1200.86: both truncate.
    makeFrame(1000, 1200, [](int) { return 5000.0; });
    row[15] += 16;
    row[3686] += 6;
    condition();
    EXPECT_EQ(scratch.left, 1000);
    EXPECT_EQ(scratch.slope, 200);
    for (int i : {0, 1, 1000, 3652}) {
        const int p = 33 + i;
        EXPECT_NEAR(row[i], 5000 - 1000 - 200 * weights.w[p], 1e-9) << i;
    }

    store->m_applyNorm = false;
    makeFrame(1000, 1200, [](int) { return 5000.0; });
    condition();
    EXPECT_EQ(scratch.left, 0);
    EXPECT_EQ(scratch.slope, 0);
    EXPECT_DOUBLE_EQ(row[0], 5000);
    EXPECT_DOUBLE_EQ(row[3652], 5000);
}

TEST_F(ConditioningTest, ReversedPointsUseTheirOwnPixelsWeight) {
    makeFrame(1000, 1200, [](int) { return 3000.0; });
    condition();
    EXPECT_NEAR(row[0], 3000 - 1000 - 200 * weights.w[3685], 1e-9);
    EXPECT_NEAR(row[3652], 3000 - 1000 - 200 * weights.w[33], 1e-9);
}

TEST_F(ConditioningTest, SensitivityDividesAndCapsAt64000) {
    store->m_increasing = true;
    makeFrame(0, 0, [](int) { return 1000.0; });
    store->m_sensitivity[0] = 2.0;
    store->m_sensitivity[1] = 1.0 / 70.0;  // 70000
    store->m_sensitivity[2] = 0.0;         // division by zero: capped
    condition();
    EXPECT_DOUBLE_EQ(row[0], 500);
    EXPECT_DOUBLE_EQ(row[1], 64000);
    EXPECT_DOUBLE_EQ(row[2], 64000);
    EXPECT_DOUBLE_EQ(row[3], 1000);
}

TEST_F(ConditioningTest, ZeroSensitivityNeverLeavesNaNOrMinusInfinity) {
    store->m_increasing = true;
    store->m_boxcar = 3;  // would spread a NaN over the whole row
    makeFrame(1000, 1000, [](int) { return 1000.0; });  // corrected values are 0
    row[40] = 500;                                       // point 7 negative
    store->m_sensitivity[0] = 0.0;  // 0 / 0
    store->m_sensitivity[7] = 0.0;  // -500 / 0
    condition();
    for (int i = 0; i <= 3652; ++i) ASSERT_TRUE(std::isfinite(row[i])) << i;
}

TEST_F(ConditioningTest, PartialRangeUsesShiftedPixelsAndArrays) {
    store->m_increasing = true;
    store->m_rangeFirst = 10;
    store->m_rangeLast = 20;
    store->m_applyNorm = true;
    makeFrame(0, 0, [](int p) { return double(p); });
    for (int i = 0; i < kPointCapacity; ++i) store->m_sensitivity[i] = i < 10 ? 100.0 : 1.0;
    store->m_sensitivity[10] = 2.0;
    condition();
    EXPECT_EQ(scratch.lastPoint, 10);
    EXPECT_DOUBLE_EQ(row[0], 43 / 2.0);  // pixel 43, sensitivity of point 10
    EXPECT_DOUBLE_EQ(row[10], 53);
    EXPECT_DOUBLE_EQ(row[11], 11);  // untouched raw pixel

    store->m_increasing = false;
    makeFrame(0, 0, [](int p) { return double(p); });
    condition();
    // start = 3652 - 20 + 33, end = 3652 - 10 + 33
    EXPECT_EQ(scratch.start, 3665);
    EXPECT_EQ(scratch.end, 3675);
    EXPECT_DOUBLE_EQ(row[0], 3675 / 2.0);
    EXPECT_DOUBLE_EQ(row[10], 3665);
}

TEST_F(ConditioningTest, TestModeKeepsRawPixelsInPlace) {
    store->m_testMode = true;
    rawIntensityOnly();
    makeFrame(1000, 1200, [](int p) { return double(p); });
    condition();
    EXPECT_DOUBLE_EQ(row[0], 0);
    EXPECT_DOUBLE_EQ(row[15], 1000);
    EXPECT_DOUBLE_EQ(row[100], 100);
    EXPECT_DOUBLE_EQ(row[3652], 3652);
}

TEST_F(ConditioningTest, WindowOutsideTheDetectorReadsZeroAndStaysInTheRow) {
    store->m_increasing = true;
    store->m_sensorFirst = 3000;  // window would run to pixel 6652
    rawIntensityOnly();
    makeFrame(0, 0, [](int p) { return double(p); });
    condition();
    EXPECT_DOUBLE_EQ(row[0], 3000);
    EXPECT_DOUBLE_EQ(row[685], 3685);
    EXPECT_DOUBLE_EQ(row[686], 0);
    EXPECT_DOUBLE_EQ(row[3652], 0);

    // A range beyond the arrays is cut at the last element.
    store->m_sensorFirst = 33;
    store->m_rangeLast = 60000;
    condition();
    EXPECT_EQ(scratch.lastPoint, kPointCapacity - 1);
    EXPECT_EQ(row[kPointCapacity], kSentinel);

    // Reversed with a range past the sensor: the window start is negative.
    store->m_increasing = false;
    store->m_rangeLast = 4000;
    makeFrame(0, 0, [](int p) { return double(p); });
    condition();
    EXPECT_LT(scratch.start, 0);
    EXPECT_DOUBLE_EQ(row[0], 3685);
    EXPECT_DOUBLE_EQ(row[4000], 0);
    EXPECT_EQ(row[kPointCapacity], kSentinel);

    store->m_rangeFirst = 100;
    store->m_rangeLast = 50;  // empty range: nothing is touched
    makeFrame(0, 0, [](int p) { return double(p); });
    condition();
    EXPECT_EQ(scratch.lastPoint, -1);
    EXPECT_DOUBLE_EQ(row[0], 0);
    EXPECT_DOUBLE_EQ(row[40], 40);
}

TEST_F(ConditioningTest, BackgroundThenRatioModes) {
    store->m_increasing = true;
    rawIntensityOnly();
    makeFrame(0, 0, [](int) { return 600.0; });
    store->m_subtractBackground = true;
    store->m_background.fill(100.0);  // signal 500
    store->m_reference.fill(500.0);
    store->m_reference[1] = 1000.0;
    store->m_reference[2] = 0.0;
    store->m_reference[3] = -5.0;

    store->m_ratioMode = 1;
    condition();
    EXPECT_DOUBLE_EQ(row[0], 100);
    EXPECT_DOUBLE_EQ(row[1], 50);
    EXPECT_DOUBLE_EQ(row[2], -1.0);
    EXPECT_DOUBLE_EQ(row[3], -10000);

    store->m_ratioMode = 2;
    makeFrame(0, 0, [](int) { return 600.0; });
    condition();
    EXPECT_DOUBLE_EQ(row[0], 100);
    EXPECT_DOUBLE_EQ(row[1], 50);
    EXPECT_DOUBLE_EQ(row[2], -1.0);

    store->m_ratioMode = 3;
    makeFrame(0, 0, [](int) { return 600.0; });
    row[37] = 100;  // point 4: signal 0
    condition();
    EXPECT_NEAR(row[0], 0.0, 1e-12);
    EXPECT_NEAR(row[1], 2 - std::log10(50.0), 1e-12);
    EXPECT_NEAR(row[1], 0.30103, 1e-5);
    EXPECT_DOUBLE_EQ(row[2], 0.0);
    EXPECT_DOUBLE_EQ(row[3], 0.0);
    EXPECT_DOUBLE_EQ(row[4], 0.0);
}

TEST_F(ConditioningTest, LogarithmAfterEverythingElse) {
    store->m_increasing = true;
    rawIntensityOnly();
    store->m_logScale = true;
    makeFrame(0, 0, [](int) { return std::exp(3.0); });
    row[34] = 0;
    row[35] = -7;
    condition();
    EXPECT_NEAR(row[0], 3.0, 1e-12);
    EXPECT_DOUBLE_EQ(row[1], 0.0);
    EXPECT_DOUBLE_EQ(row[2], 0.0);
}

TEST_F(ConditioningTest, BoxcarRunsOnTheConditionedPoints) {
    store->m_increasing = true;
    rawIntensityOnly();
    store->m_boxcar = 1;
    makeFrame(0, 0, [](int p) { return p == 40 ? 300.0 : 0.0; });  // point 7
    condition();
    EXPECT_DOUBLE_EQ(row[6], 100);
    EXPECT_DOUBLE_EQ(row[7], 100);
    EXPECT_DOUBLE_EQ(row[8], 100);
    EXPECT_DOUBLE_EQ(row[9], 0);
}

// Fast mode used to hand out the full-resolution points as if they were the
// half-resolution ones: point i, shown at the wavelength of detector point
// 2i, held the value of point i.
TEST_F(ConditioningTest, FastModeKeepsEveryOtherPointWithItsOwnValue) {
    store->m_increasing = true;
    rawIntensityOnly();
    makeFrame(0, 0, [](int p) { return double(p); });
    condition();
    const std::vector<double> full(row.begin(), row.begin() + kSpectrumPoints);

    store->m_fast = true;
    makeFrame(0, 0, [](int p) { return double(p); });
    condition();
    EXPECT_EQ(scratch.lastPoint, 1826);
    EXPECT_EQ(conditionedLastPoint(currentConditioning(*store)), 1826);
    for (int i : {0, 1, 913, 1826}) EXPECT_EQ(row[i], full[2 * i]) << i;

    // Smoothing runs at full resolution first; background and reference are
    // indexed like the half-resolution points they were captured from.
    store->m_boxcar = 1;
    store->m_subtractBackground = true;
    store->m_background.fill(0.0);
    store->m_background[10] = 21;
    makeFrame(0, 0, [](int p) { return p == 53 ? 300.0 : 0.0; });  // point 20
    condition();
    EXPECT_DOUBLE_EQ(row[10], 100 - 21);  // mean of points 19, 20, 21, less the background
    EXPECT_DOUBLE_EQ(row[9], 0);
    EXPECT_DOUBLE_EQ(row[11], 0);
}

TEST(BoxcarSmooth, EdgesAreCutWindows) {
    std::vector<double> y{1, 2, 3, 4, 5, 6};
    boxcarSmooth(y.data(), 0, 5, 2);
    const std::vector<double> expected{2, 2.5, 3, 4, 4.5, 5};
    for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(y[i], expected[i]) << i;
}

TEST(BoxcarSmooth, MatchesDirectMeansForAnyWidthAndRange) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> dist(-100, 60000);
    for (int n : {1, 2, 3, 7, 50, 101, 400}) {
        for (int h : {1, 2, 5, 50, 100, 255, 300}) {
            for (int first : {0, 3}) {
                std::vector<double> y(first + n + 2);
                for (double& v : y) v = dist(rng);
                const std::vector<double> in = y;
                const int last = first + n - 1;
                boxcarSmooth(y.data(), first, last, h);
                const int hh = std::min(h, 255);
                for (int j = first; j <= last; ++j) {
                    const int lo = std::max(first, j - hh), hi = std::min(last, j + hh);
                    double sum = 0;
                    for (int k = lo; k <= hi; ++k) sum += in[k];
                    ASSERT_NEAR(y[j], sum / (hi - lo + 1), 1e-7)
                        << "n=" << n << " h=" << h << " first=" << first << " j=" << j;
                }
                for (int k = 0; k < first; ++k) ASSERT_EQ(y[k], in[k]);
                for (int k = last + 1; k < int(y.size()); ++k) ASSERT_EQ(y[k], in[k]);
            }
        }
    }
}

TEST(BoxcarSmooth, ZeroWidthOrEmptyRangeLeavesTheArray) {
    std::vector<double> y{1, 5, 9};
    boxcarSmooth(y.data(), 0, 2, 0);
    boxcarSmooth(y.data(), 2, 1, 3);
    EXPECT_EQ(y, (std::vector<double>{1, 5, 9}));
}

}  // namespace
}  // namespace halden
