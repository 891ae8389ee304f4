#include <gtest/gtest.h>

#include "DisplayTestSupport.h"
#include "acquisition/PaintPreparation.h"
#include "spectrum/StoreCommands.h"

namespace halden {
namespace {

// The live buffer's row r point i = 1000 r + i.
void fillLive(SpectrumStore& s) {
    double* live = s.liveBuffer();
    for (int r = 0; r < 3; ++r)
        for (int i = 0; i < kPointCapacity; ++i) live[r * kPointCapacity + i] = 1000.0 * r + i;
}

TEST(PaintPreparation, SizeAndMarginsFollowTheClient) {
    auto s = std::make_unique<SpectrumStore>();
    updateClientSize(*s, 1280, 800);
    EXPECT_EQ(s->m_marginLeft, 96);
    EXPECT_EQ(s->m_marginRight, 32);
    EXPECT_EQ(s->m_marginTop, 32);
    EXPECT_EQ(s->m_marginBottom, 28);
}

TEST(PaintPreparation, LiveCurveFromTheShownBuffer) {
    auto s = std::make_unique<SpectrumStore>();
    fillLive(*s);
    preparePaint(*s, 1000, 700);
    EXPECT_EQ(s->m_storedLength[0], 3652);
    EXPECT_DOUBLE_EQ(s->m_storedY[100], 100);
    EXPECT_DOUBLE_EQ(s->m_storedX[100], s->m_wavelength[100]);
}

TEST(PaintPreparation, FastModeKeepsTheStoredCurvesIntact) {
    auto s = std::make_unique<SpectrumStore>();
    fillLive(*s);
    preparePaint(*s, 1000, 700);
    ASSERT_EQ(snapshot(*s).outcome, SnapshotOutcome::Added);  // curve 1 at 3653..7305
    const double firstY = s->m_storedY[3653], lastY = s->m_storedY[7305];

    s->m_fast = true;
    preparePaint(*s, 1000, 700);
    EXPECT_EQ(s->m_storedLength[0], 1825);
    EXPECT_DOUBLE_EQ(s->m_storedX[10], s->m_wavelength[20]);
    // Curve 1 now starts at 1826 and still holds its own points.
    EXPECT_EQ(s->m_storedLength[1], 3652);
    EXPECT_DOUBLE_EQ(s->m_storedY[1826], firstY);
    EXPECT_DOUBLE_EQ(s->m_storedY[1826 + 3652], lastY);

    s->m_fast = false;
    preparePaint(*s, 1000, 700);
    EXPECT_DOUBLE_EQ(s->m_storedY[3653], firstY);
}

TEST(PaintPreparation, ScansWithoutAveragingBecomeCurves) {
    auto s = std::make_unique<SpectrumStore>();
    fillLive(*s);
    s->m_average = false;
    s->m_scans = 3;
    preparePaint(*s, 1000, 700);
    EXPECT_EQ(s->m_storedLength[2], 3652);
    EXPECT_EQ(s->m_storedLength[3], -1);
    EXPECT_DOUBLE_EQ(s->m_storedY[2 * 3653 + 5], 2005);
    EXPECT_DOUBLE_EQ(s->m_storedX[2 * 3653 + 5], s->m_wavelength[5]);
    EXPECT_EQ(s->m_storedRed[1], 255);
    EXPECT_EQ(s->m_storedGreen[2], 255);
}

TEST(PaintPreparation, BackgroundGaussianAutoYAndMaximumMarker) {
    auto s = std::make_unique<SpectrumStore>();
    fillLive(*s);
    s->m_backgroundState = BackgroundState::Requested;
    s->m_autoY = true;
    s->m_showMaxIntensity = true;
    s->m_xMin = s->m_wavelength[0];
    s->m_xMax = s->m_wavelength[2000];
    // A fit result with its red curve appended after curve 0.
    preparePaint(*s, 1000, 700);
    s->m_storedLength[1] = 3652;
    s->m_storedRed[1] = 255;
    s->m_storedGreen[1] = s->m_storedBlue[1] = 0;
    s->m_storedLength[2] = -1;
    for (int i = 0; i < kGaussCapacity; ++i) s->m_gaussFit[i] = -i;
    s->m_showGaussian = true;

    preparePaint(*s, 1000, 700);
    EXPECT_EQ(s->m_backgroundState, BackgroundState::Captured);
    EXPECT_DOUBLE_EQ(s->m_background[7], 7);
    EXPECT_DOUBLE_EQ(s->m_yMin, -1.0);
    EXPECT_DOUBLE_EQ(s->m_yMax, -1.0);
    EXPECT_EQ(s->m_markerIndex, 2000);  // largest y inside the x range
    EXPECT_FALSE(s->m_showGaussian);
    EXPECT_DOUBLE_EQ(s->m_storedY[3653 + 9], -9);
    EXPECT_DOUBLE_EQ(s->m_storedX[3653 + 9], s->m_storedX[9]);
}

TEST(PaintPreparation, FiguresOnlyWhereTheOverlaysNeedThem) {
    auto s = std::make_unique<SpectrumStore>();
    fillLive(*s);
    PaintFigures f = preparePaint(*s, 1000, 700);
    EXPECT_FALSE(f.markerIrradianceShown || f.concentrationShown || f.chromaticityShown || f.energy.shown);
    s->m_irradianceCalibrated = true;
    s->m_calcEnergy = true;
    f = preparePaint(*s, 1000, 700);
    EXPECT_TRUE(f.markerIrradianceShown);
    EXPECT_GT(f.markerIrradiance, 0);
    EXPECT_TRUE(f.energy.shown);
    s->m_fast = true;
    EXPECT_FALSE(preparePaint(*s, 1000, 700).energy.shown);
}

}  // namespace
}  // namespace halden
