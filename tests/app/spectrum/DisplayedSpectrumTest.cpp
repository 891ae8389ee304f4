// The displayed spectrum handed to the light figures: the buffer the chart
// shows times the correction, Fast mode's pixel pairing, and the irradiance
// scale only for an irradiance-calibrated instrument.
#include <gtest/gtest.h>

#include <memory>

#include "spectrum/DisplayedSpectrum.h"
#include "spectrum/SpectrumStore.h"

namespace halden {
namespace {

TEST(DisplayedSpectrum, CorrectedPointsPairingAndScale) {
    auto s = std::make_unique<SpectrumStore>();
    for (int i = 0; i < kPointCapacity; ++i) {
        s->m_wavelength[i] = 300 + 0.2 * i;
        s->m_irradianceCal[i] = 1 + i;
        s->liveBuffer()[i] = 2;
    }
    s->m_rangeLast = 99;
    DisplayedSpectrum d = displayedSpectrum(*s);
    ASSERT_EQ(d.value.size(), 100u);
    EXPECT_EQ(d.wavelength[10], 302);
    EXPECT_EQ(d.value[10], 2 * 11);
    EXPECT_EQ(d.wattsPerUnit, 0);  // not irradiance-calibrated: relative

    // A spectrum taken in Fast mode: point i is detector pixel 2i.
    s->m_liveAcquisition.settings.conditioning.fast = true;
    s->m_irradianceCalibrated = true;
    s->m_liveAcquisition.settings.exposureScaled = 500;
    s->m_exposureScaled = 9999;  // the next acquisition's: not this spectrum's
    d = displayedSpectrum(*s);
    ASSERT_EQ(d.value.size(), 1826u);
    EXPECT_EQ(d.wavelength[10], s->m_wavelength[20]);
    EXPECT_EQ(d.value[10], 2 * 21);
    EXPECT_DOUBLE_EQ(d.wattsPerUnit, 0.01 / 500);  // uW/cm^2/nm = value / 500, x 0.01 for W/m2/nm

    s->m_liveAcquisition.settings.device.exposure = 1234;
    s->m_liveAcquisition.settings.device.scans = 3;
    s->m_liveAcquisition.settings.device.average = true;
    s->m_exposure = 5000;  // typed for the next acquisition: not this spectrum's
    EXPECT_EQ(acquisitionSettingsText(*s), "exposure 12.34 ms, 3 scans averaged, fast, irradiance-calibrated");
}

}  // namespace
}  // namespace halden
