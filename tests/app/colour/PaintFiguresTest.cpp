// The overlays' figures: computed only where an overlay shows them, and from
// the settings the shown spectrum was acquired with.
#include <gtest/gtest.h>

#include <memory>

#include "colour/PaintFigures.h"

namespace halden {
namespace {

TEST(PaintFigures, OnlyWhereTheOverlaysNeedThem) {
    auto s = std::make_unique<SpectrumStore>();
    std::fill(s->liveBuffer(), s->liveBuffer() + kPointCapacity, 100.0);
    PaintFigures f = computePaintFigures(*s);
    EXPECT_FALSE(f.markerIrradianceShown || f.concentrationShown || f.chromaticityShown || f.energy.shown);
    s->m_irradianceCalibrated = true;
    s->m_calcEnergy = true;
    f = computePaintFigures(*s);
    EXPECT_TRUE(f.markerIrradianceShown);
    EXPECT_GT(f.markerIrradiance, 0);
    EXPECT_TRUE(f.energy.shown);
    s->m_liveAcquisition.settings.conditioning.fast = true;
    EXPECT_FALSE(computePaintFigures(*s).energy.shown);
}

// Typing a new exposure used to rescale the readouts of the spectrum already
// shown, before any spectrum at the new exposure existed.
TEST(PaintFigures, FollowTheExposureTheShownSpectrumWasTakenWith) {
    auto s = std::make_unique<SpectrumStore>();
    std::fill(s->liveBuffer(), s->liveBuffer() + kPointCapacity, 100.0);
    s->m_irradianceCalibrated = true;
    s->m_calcEnergy = true;
    s->m_chromaticityView = true;
    s->m_liveAcquisition.settings.exposureScaled = 1000;  // 10 ms
    const PaintFigures before = computePaintFigures(*s);

    s->m_exposure = 500000;  // 5000 ms for the next acquisition
    s->m_exposureScaled = 500000;
    const PaintFigures after = computePaintFigures(*s);
    EXPECT_EQ(after.markerIrradiance, before.markerIrradiance);
    EXPECT_EQ(after.energy.total, before.energy.total);
    EXPECT_EQ(after.lumen, before.lumen);
    EXPECT_NEAR(before.markerIrradiance, 100.0 / 1000, 1e-12);
}

}  // namespace
}  // namespace halden
