#include "spectrum/DisplayedSpectrum.h"

#include <algorithm>
#include <cstdio>

#include "spectrum/SpectrumStore.h"

namespace halden {

DisplayedSpectrum displayedSpectrum(const SpectrumStore& store) {
    DisplayedSpectrum out;
    const double* spectrum = store.liveBuffer();
    // As the shown spectrum was acquired: Fast mode gives 1826 points,
    // i = 0..1825 (pixels 0, 2, ... 3650).
    const LiveAcquisition& shown = store.m_liveAcquisition;
    const int step = shown.fast() ? 2 : 1;
    const int last = shown.fast() ? kSpectrumPoints / 2 - 1 : std::min<int>(store.m_rangeLast, kPointCapacity - 1);
    out.wavelength.resize(static_cast<std::size_t>(last) + 1);
    out.value.resize(out.wavelength.size());
    for (int i = 0; i <= last; ++i) {
        out.value[i] = spectrum[i] * store.m_irradianceCal[step * i];
        out.wavelength[i] = store.m_wavelength[step * i];
    }
    // E = value / exposure scale in uW/cm^2/nm, and 1 uW/cm^2/nm = 0.01 W/m2/nm.
    if (store.m_irradianceCalibrated && shown.exposureScaled() > 0) out.wattsPerUnit = 0.01 / shown.exposureScaled();
    return out;
}

void rowIrradiance(double* values, int points, bool fast, const double* irradianceCal, double exposureScaled) {
    const int step = fast ? 2 : 1;
    for (int i = 0; i < points; ++i) values[i] = values[i] * irradianceCal[step * i] / exposureScaled;
}

std::string acquisitionSettingsText(const SpectrumStore& store) {
    // The settings the shown spectrum was acquired with.
    const LiveAcquisition& shown = store.m_liveAcquisition;
    const DeviceSetup& device = shown.settings.device;
    char text[160];
    // Whole numbers only: no locale's decimal comma.
    std::snprintf(text, sizeof text, "exposure %d.%02d ms, %d scan%s%s%s, %s", device.exposure / 100,
                  device.exposure % 100, device.scans,
                  device.scans == 1 ? "" : "s", device.average && device.scans > 1 ? " averaged" : "",
                  shown.fast() ? ", fast" : "",
                  store.m_irradianceCalibrated ? "irradiance-calibrated" : "not irradiance-calibrated (relative values)");
    return text;
}

}  // namespace halden
