#include <cmath>
#include <limits>
#include <memory>

#include <gtest/gtest.h>

#include "spectrum/PlasticCalibration.h"
#include "support/PromptRecorder.h"

namespace halden {
namespace {

TEST(PlasticBands, ExpectedWavelengthsForTheDefaultLaser) {
    EXPECT_NEAR(expectedBandWavelength(532.1, 620.9), 550.28, 0.005);
    EXPECT_NEAR(expectedBandWavelength(532.1, 1001.4), 562.05, 0.005);
    EXPECT_NEAR(expectedBandWavelength(532.1, 1602.3), 581.69, 0.005);
    EXPECT_NEAR(expectedBandWavelength(532.1, 3054.3), 635.36, 0.005);
}

TEST(PlasticBands, SetIsChosenByTheLastXValue) {
    EXPECT_EQ(&chooseBandSet(3299.99), &kShortBandSet);
    EXPECT_EQ(&chooseBandSet(3300.0), &kLongBandSet);
    EXPECT_DOUBLE_EQ(kShortBandSet[1].shift, 1001.4);
    EXPECT_DOUBLE_EQ(kLongBandSet[2].shift, 3054.3);
}

TEST(PlasticBands, PeakSearchKeepsTheFirstMaximumAndOnlyPositiveValuesInsideInclusiveWindows) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    //                 in band 1 (521..721)    band 2     band 3     outside
    const double x[] = {521, 600, 700, 721, 901, 1101, 1502, 1702, nan, 2000};
    const double y[] = {5, 9, 9, 1, -3, 0, 0.5, 0.25, 99, 99};
    const BandPeaks p = findBandPeaks(x, y, 9, kShortBandSet);
    EXPECT_EQ(p.index[0], 1);  // tie at 1 and 2 keeps 1
    EXPECT_DOUBLE_EQ(p.value[0], 9);
    EXPECT_EQ(p.index[1], -1);  // only non-positive values
    EXPECT_EQ(p.index[2], 6);
}

TEST(PlasticFit, ThreePointsOnAQuadraticReproduceItsCoefficients) {
    const double a = 530.25, b = 0.031, c = -1.7e-6;
    const std::array<double, 3> x{400, 1500, 3000};
    std::array<double, 3> y{};
    for (int k = 0; k < 3; ++k) y[k] = a + b * x[k] + c * x[k] * x[k];
    const Quadratic q = fitQuadraticThroughThreePoints(x, y);
    EXPECT_NEAR(q.a, a, 1e-8);
    EXPECT_NEAR(q.b, b, 1e-11);
    EXPECT_NEAR(q.c, c, 1e-14);
}

// A Raman instrument whose axis is a straight line from 530 nm, with three
// narrow polystyrene-like peaks whose maxima sit exactly on chosen points.
struct RamanStore {
    std::unique_ptr<SpectrumStore> store = std::make_unique<SpectrumStore>();
    std::array<int, 3> peaks;

    RamanStore(double nmPerPoint, std::array<int, 3> at) : peaks(at) {
        SpectrumStore& s = *store;
        for (int i = 0; i <= 3652; ++i) s.m_wavelength[i] = 530.0 + nmPerPoint * i;
        double* live = s.liveBuffer();
        for (int i = 0; i < kPointCapacity; ++i) {
            live[i] = 0;
            for (int p : peaks) live[i] += 1000.0 * std::exp(-(i - p) * (i - p) / 8.0);
        }
        showRamanShiftAxis(s);
    }
};

TEST(PlasticCalibrationCommand, RewritesTheTableFromTheShortBandSet) {
    RamanStore r(0.03, {680, 1060, 1730});  // 530..639.56 nm, last shift about 3158 1/cm
    SpectrumStore& s = *r.store;
    s.m_chartBar.runChecked = true;
    s.m_running = true;
    s.m_periodicSave = true;
    s.m_saveCounter = 7;
    const auto target = std::vector<double>(s.targetBuffer(), s.targetBuffer() + 10);
    test::PromptRecorder prompt;

    const PlasticCalibrationResult res = plasticCalibration(s, prompt);
    ASSERT_TRUE(res.applied) << res.fit.refusal;
    EXPECT_TRUE(prompt.entries.empty());
    EXPECT_EQ(res.fit.bands, &kShortBandSet);
    EXPECT_EQ(res.fit.peaks.index, r.peaks);

    // The rewritten table is the quadratic through the three pairs, truncated.
    const Quadratic& q = res.fit.fit;
    for (int k = 0; k < 3; ++k) {
        const double p = r.peaks[k];
        EXPECT_NEAR(q.a + q.b * p + q.c * p * p, expectedBandWavelength(532.1, kShortBandSet[k].shift), 1e-9);
    }
    for (int i = 0; i <= 3652; i += 11)
        ASSERT_DOUBLE_EQ(s.m_wavelength[i], std::trunc((q.a + q.b * i + q.c * i * i) * 100) / 100) << i;

    // Acquisition and periodic saving stopped, the 1/cm axis shows the new shifts.
    EXPECT_FALSE(s.m_chartBar.runChecked);
    EXPECT_FALSE(s.m_running);
    EXPECT_FALSE(s.m_periodicSave);
    EXPECT_EQ(s.m_saveCounter, 0);
    EXPECT_TRUE(res.effects.acquisitionStopped);
    EXPECT_TRUE(res.effects.stopSaveTimer);
    // The axis opens on the measured Raman shifts, 0 to the last point's.
    EXPECT_TRUE(res.effects.yAutoscale);
    EXPECT_DOUBLE_EQ(s.m_xMin, 0.0);
    EXPECT_DOUBLE_EQ(s.m_xMax, ramanShift(532.1, s.m_wavelength[3652]));
    EXPECT_TRUE(res.effects.writeCalibrationToFlash);
    EXPECT_TRUE(s.m_wavenumberAxis);
    EXPECT_DOUBLE_EQ(s.m_storedX[1060], ramanShift(532.1, s.m_wavelength[1060]));
    EXPECT_NEAR(s.m_storedX[1060], 1001.4, 0.5);
    EXPECT_TRUE(std::equal(target.begin(), target.end(), s.targetBuffer()));
}

TEST(PlasticCalibrationCommand, UsesTheLongBandSetWhenTheAxisReachesThirtyThreeHundred) {
    RamanStore r(0.04, {500, 1300, 2620});  // 530..676 nm, last shift about 4080 1/cm
    test::PromptRecorder prompt;
    const PlasticCalibrationResult res = plasticCalibration(*r.store, prompt);
    ASSERT_TRUE(res.applied) << res.fit.refusal;
    EXPECT_EQ(res.fit.bands, &kLongBandSet);
    EXPECT_EQ(res.fit.peaks.index, r.peaks);
    EXPECT_FALSE(res.effects.acquisitionStopped);  // Run was not checked
}

TEST(PlasticCalibrationCommand, RefusesWithoutAPeakInEveryWindowAndChangesNothing) {
    RamanStore r(0.03, {680, 1060, 1730});
    SpectrumStore& s = *r.store;
    showWavelengthAxis(s);  // x in nm (530..640): nothing lies in 901..1101
    s.m_chartBar.runChecked = true;
    s.m_running = true;
    const auto wavelengths = s.m_wavelength;
    const std::vector<double> curve(s.m_storedX.begin(), s.m_storedX.begin() + 3653);
    test::PromptRecorder prompt;

    const PlasticCalibrationResult res = plasticCalibration(s, prompt);
    EXPECT_FALSE(res.applied);
    EXPECT_FALSE(res.effects.writeCalibrationToFlash);
    ASSERT_EQ(prompt.messages().size(), 1u);
    EXPECT_EQ(prompt.messages()[0].caption, "Error");
    EXPECT_EQ(prompt.messages()[0].text,
              "Plastic calibration is not possible: no peak was found between 901 and 1101 1/cm "
              "(polystyrene band 1001.4 1/cm). Measure the Raman spectrum of polystyrene with the "
              "x-scale in 1/cm and try again. The calibration was not changed.");
    EXPECT_EQ(s.m_wavelength, wavelengths);
    EXPECT_TRUE(std::equal(curve.begin(), curve.end(), s.m_storedX.begin()));
    EXPECT_FALSE(s.m_wavenumberAxis);
    EXPECT_TRUE(s.m_running);
    EXPECT_TRUE(s.m_chartBar.runChecked);
}

TEST(PlasticCalibrationCommand, RefusesWhenABandHoldsOnlyNonPositiveValues) {
    RamanStore r(0.03, {680, 1060, 1730});
    SpectrumStore& s = *r.store;
    double* live = s.liveBuffer();
    for (int i = 900; i < 1300; ++i) live[i] = -1.0;  // band 2's window, around point 1068
    test::PromptRecorder prompt;
    EXPECT_FALSE(plasticCalibration(s, prompt).applied);
    ASSERT_EQ(prompt.messages().size(), 1u);
    EXPECT_NE(prompt.messages()[0].text.find("between 901 and 1101 1/cm"), std::string::npos);
}

TEST(PlasticCalibrationCommand, RefusesAnInvalidLaserWavelength) {
    RamanStore r(0.03, {680, 1060, 1730});
    SpectrumStore& s = *r.store;
    const auto wavelengths = s.m_wavelength;
    s.m_laserWavelength = 0;  // an instrument without a record: no expected wavelengths
    test::PromptRecorder prompt;
    EXPECT_FALSE(plasticCalibration(s, prompt).applied);
    ASSERT_EQ(prompt.messages().size(), 1u);
    EXPECT_EQ(prompt.messages()[0].caption, "Error");
    EXPECT_NE(prompt.messages()[0].text.find("laser wavelength"), std::string::npos);
    EXPECT_EQ(s.m_wavelength, wavelengths);
}

}  // namespace
}  // namespace halden
