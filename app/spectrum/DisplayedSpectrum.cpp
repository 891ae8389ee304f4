#include "spectrum/DisplayedSpectrum.h"

#include <algorithm>
#include <cstdio>

#include "spectrum/SpectrumStore.h"

namespace halden {

DisplayedSpectrum displayedSpectrum(const SpectrumStore& store) {
    DisplayedSpectrum out;
    const double* spectrum = store.liveBuffer();
    const int step = store.m_fast ? 2 : 1;
    // Fast mode: 1826 points, i = 0..1825 (pixels 0, 2, ... 3650).
    const int last = store.m_fast ? kSpectrumPoints / 2 - 1 : std::min<int>(store.m_rangeLast, kPointCapacity - 1);
    out.wavelength.resize(static_cast<std::size_t>(last) + 1);
    out.value.resize(out.wavelength.size());
    for (int i = 0; i <= last; ++i) {
        out.value[i] = spectrum[i] * store.m_irradianceCal[step * i];
        out.wavelength[i] = store.m_wavelength[step * i];
    }
    // E = value / m_exposureScaled in uW/cm^2/nm, and 1 uW/cm^2/nm = 0.01 W/m2/nm.
    if (store.m_irradianceCalibrated && store.m_exposureScaled > 0) out.wattsPerUnit = 0.01 / store.m_exposureScaled;
    return out;
}

std::string acquisitionSettingsText(const SpectrumStore& store) {
    char text[160];
    // Whole numbers only: no locale's decimal comma.
    std::snprintf(text, sizeof text, "exposure %d.%02d ms, %d scan%s%s%s, %s", store.m_exposure / 100,
                  store.m_exposure % 100, store.m_scans,
                  store.m_scans == 1 ? "" : "s", store.m_average && store.m_scans > 1 ? " averaged" : "",
                  store.m_fast ? ", fast" : "",
                  store.m_irradianceCalibrated ? "irradiance-calibrated" : "not irradiance-calibrated (relative values)");
    return text;
}

}  // namespace halden
