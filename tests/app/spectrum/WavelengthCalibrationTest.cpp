#include "spectrum/WavelengthCalibration.h"

#include <cmath>
#include <memory>

#include <gtest/gtest.h>

namespace halden {
namespace {

std::unique_ptr<SpectrumStore> makeStore() { return std::make_unique<SpectrumStore>(); }

TEST(DefaultAxis, FallingPolynomialIsStoredShortestFirst) {
    auto s = makeStore();
    s->m_wavelength.fill(0);
    fillPolynomialAxis(*s);
    EXPECT_DOUBLE_EQ(s->m_wavelength[0], 210.43);
    EXPECT_DOUBLE_EQ(s->m_wavelength[3652], 949.65);
    EXPECT_FALSE(s->m_increasing);

    s->m_coefA = 200;
    s->m_coefB = 0.2;
    s->m_coefC = 0;
    fillPolynomialAxis(*s);
    EXPECT_TRUE(s->m_increasing);
    EXPECT_DOUBLE_EQ(s->m_wavelength[0], 200.0);
    EXPECT_DOUBLE_EQ(s->m_wavelength[1], 200.2);
}

TEST(DefaultAxis, ValuesAreTruncatedTowardZeroToHundredths) {
    EXPECT_DOUBLE_EQ(truncToHundredths(550.289), 550.28);
    EXPECT_DOUBLE_EQ(truncToHundredths(-1.239), -1.23);
    EXPECT_DOUBLE_EQ(polynomialWavelength(1.0, 0.5, 0.25, 2), 3.0);
}

TEST(LoadedTableOrientation, FallingTableIsReversedWithItsCompanions) {
    auto s = makeStore();
    for (int i = 0; i <= 3652; ++i) {
        s->m_wavelength[i] = 900.0 - 0.1 * i;
        s->m_sensitivity[i] = i;
        s->m_irradianceCal[i] = 2.0 * i;
    }
    EXPECT_TRUE(orientLoadedCalibration(*s));
    EXPECT_FALSE(s->m_increasing);
    EXPECT_DOUBLE_EQ(s->m_wavelength[0], 900.0 - 0.1 * 3652);
    EXPECT_DOUBLE_EQ(s->m_wavelength[3652], 900.0);
    EXPECT_DOUBLE_EQ(s->m_sensitivity[0], 3652);
    EXPECT_DOUBLE_EQ(s->m_irradianceCal[1], 2.0 * 3651);
    EXPECT_DOUBLE_EQ(s->m_sensitivity[1826], 1826);  // the middle point stays

    // A table that rises is kept as it is.
    EXPECT_FALSE(orientLoadedCalibration(*s));
    EXPECT_TRUE(s->m_increasing);
    EXPECT_DOUBLE_EQ(s->m_sensitivity[0], 3652);
}

TEST(LoadedTableOrientation, RamanInstrumentGetsAutoYAndTheShiftAxis) {
    auto s = makeStore();
    s->m_calibrationHeader[0] = 'R';
    const AxisEffects fx = applyLoadedCalibrationRange(*s);
    // 210.43..949.65 nm: the Raman shifts measured run from the laser line on.
    EXPECT_DOUBLE_EQ(s->m_xMin, 0.0);
    EXPECT_DOUBLE_EQ(s->m_xMax, ramanShift(532.1, 949.65));
    EXPECT_TRUE(s->m_autoY);
    EXPECT_TRUE(s->m_wavenumberAxis);
    EXPECT_TRUE(fx.yAutoscale);
    EXPECT_DOUBLE_EQ(s->m_storedX[3652], ramanShift(532.1, 949.65));

    auto plain = makeStore();
    applyLoadedCalibrationRange(*plain);
    EXPECT_FALSE(plain->m_autoY);
    EXPECT_FALSE(plain->m_wavenumberAxis);
}

TEST(CalibrationShift, MovesEveryPointAndAlwaysAutoscalesX) {
    auto s = makeStore();
    const auto before = s->m_wavelength;
    AxisEffects fx = applyCalibrationShift(*s, "+0.5", true);
    EXPECT_TRUE(fx.xAutoscale);
    for (int i = 0; i <= 3652; ++i) ASSERT_DOUBLE_EQ(s->m_wavelength[i], before[i] + 0.5) << i;
    EXPECT_DOUBLE_EQ(s->m_wavelength[3653], before[3653]);  // beyond the last point: untouched

    applyCalibrationShift(*s, "-0.5", true);
    EXPECT_NEAR(s->m_wavelength[0], before[0], 1e-9);

    const auto shifted = s->m_wavelength;
    fx = applyCalibrationShift(*s, "12", false);  // Cancel
    EXPECT_TRUE(fx.xAutoscale);
    EXPECT_EQ(s->m_wavelength, shifted);
    applyCalibrationShift(*s, "abc", true);  // reads as 0
    EXPECT_EQ(s->m_wavelength, shifted);
    EXPECT_STREQ(kShiftPreset, "0");
}

TEST(RamanShiftAxis, ShiftFormulaAndGuards) {
    EXPECT_NEAR(ramanShift(532.1, 550.28), 620.9, 0.1);
    EXPECT_DOUBLE_EQ(ramanShift(532.1, 532.1), 0.0);
    // No laser (uncalibrated instrument) or the pixel axis starting at 0: finite.
    EXPECT_DOUBLE_EQ(ramanShift(0.0, 500.0), 0.0);
    EXPECT_DOUBLE_EQ(ramanShift(532.1, 0.0), 0.0);
}

TEST(RamanShiftAxis, SwitchingToOneOverCmAndBackRestoresCurveZeroExactly) {
    auto s = makeStore();
    s->m_storedLength[1] = 9;  // a stored curve after curve 0
    s->m_storedLength[2] = -1;
    s->m_storedX[3653] = 123.0;

    AxisEffects fx = showRamanShiftAxis(*s);
    EXPECT_FALSE(fx.xAutoscale);
    EXPECT_TRUE(fx.yAutoscale);
    EXPECT_TRUE(s->m_wavenumberAxis);
    EXPECT_DOUBLE_EQ(s->m_storedX[100], (1 / 532.1 - 1 / s->m_wavelength[100]) * 1e7);
    EXPECT_DOUBLE_EQ(s->m_storedX[3653], 123.0);  // curve 1 keeps its x values

    fx = showWavelengthAxis(*s);
    EXPECT_TRUE(fx.xAutoscale);
    EXPECT_TRUE(fx.yAutoscale);
    EXPECT_FALSE(s->m_wavenumberAxis);
    for (int i = 0; i <= 3652; ++i) ASSERT_EQ(s->m_storedX[i], s->m_wavelength[i]) << i;
    EXPECT_DOUBLE_EQ(s->m_storedX[3653], 123.0);
}

// The Raman axis opens on the shifts measured, not on the whole axis with
// the laser's short side (-28,000 1/cm and so on).
TEST(RamanShiftAxis, OpensOnTheMeasuredRamanShifts) {
    auto s = makeStore();
    for (int i = 0; i <= 3652; ++i) s->m_wavelength[i] = 213.0 + 0.2 * i;  // 213..943.4 nm
    showRamanShiftAxis(*s);
    EXPECT_DOUBLE_EQ(s->m_xMin, 0.0);
    EXPECT_DOUBLE_EQ(s->m_xMax, (1 / 532.1 - 1 / 943.4) * 1e7);
    EXPECT_LT(s->m_storedX[0], -28000);  // the points stay, only the view starts at 0

    for (int i = 0; i <= 3652; ++i) s->m_wavelength[i] = 540.0 + 0.05 * i;  // beyond the laser only
    showRamanShiftAxis(*s);
    EXPECT_DOUBLE_EQ(s->m_xMin, (1 / 532.1 - 1 / 540.0) * 1e7);

    for (int i = 0; i <= 3652; ++i) s->m_wavelength[i] = 300.0 + 0.05 * i;  // no Stokes point at all
    EXPECT_TRUE(showRamanShiftAxis(*s).xAutoscale);
}

TEST(RamanShiftAxis, CurveZeroLengthBeyondThePointArraysIsHeld) {
    auto s = makeStore();
    s->m_storedLength[0] = 900000;  // damaged table entry
    showRamanShiftAxis(*s);
    EXPECT_EQ(s->m_storedX[4096], 4096.0);  // pool beyond the point arrays untouched
    s->m_storedLength[0] = -1;
    showWavelengthAxis(*s);  // nothing to rewrite, no crash
    EXPECT_EQ(s->m_storedX[0], ramanShift(532.1, s->m_wavelength[0]));
}

TEST(VisibleRange, ShowsThreeNinetyToSevenTenWhateverTheAxis) {
    auto s = makeStore();
    s->m_yMin = -5;
    s->m_yMax = 77;
    showRamanShiftAxis(*s);
    const AxisEffects fx = showVisibleRange(*s);
    EXPECT_TRUE(fx.repaint);
    EXPECT_DOUBLE_EQ(s->m_xMin, 390.0);
    EXPECT_DOUBLE_EQ(s->m_xMax, 710.0);
    EXPECT_DOUBLE_EQ(s->m_yMin, -5);
    EXPECT_DOUBLE_EQ(s->m_yMax, 77);
}

}  // namespace
}  // namespace halden
