#include "spectrum/SpectrumStore.h"

#include <cmath>

#include "spectrum/AcquisitionExchange.h"
#include "spectrum/StoredCurves.h"
#include "spectrum/WavelengthCalibration.h"

namespace halden {

SpectrumStore::SpectrumStore() {
    m_sensitivity.fill(1.0);
    m_irradianceCal.fill(1.0);

    // Default wavelength axis from the polynomial, two decimals by truncation.
    // A falling polynomial (B <= 0) is stored reversed so point 0 is shortest.
    for (int i = 0; i < kSpectrumPoints; ++i) {
        const double w = std::trunc((m_coefA + m_coefB * i + m_coefC * i * i) * 100.0) / 100.0;
        if (m_coefB <= 0)
            m_wavelength[kSpectrumPoints - 1 - i] = w;
        else
            m_wavelength[i] = w;
    }
    m_increasing = m_coefB > 0;
    showFullXRange(*this);
    m_markerX = (m_wavelength[0] + m_wavelength[kSpectrumPoints - 1]) / 2;
    m_exposureScaled = (m_exposure - 1) * 375 + 2332;

    // Test pattern shown before the first acquisition.
    for (int j = 0; j < kBufferSize; ++j) {
        m_bufferA[j] = std::sin(j / 20.0);
        m_bufferB[j] = m_bufferA[j];
    }
    m_bufferA[10] = 1.0;
    m_bufferB[10] = 1.0;

    for (int j = 0; j < kStoredPoolSize; ++j) m_storedX[j] = j;
    m_storedLength[0] = 3652;
    m_storedLength[1] = -1;
    m_storedVisible[0] = 1;
    m_storedName[0] = kLiveCurveName;

    // Until a spectrum is published the test pattern is shown, as if taken
    // with the first settings.
    m_liveAcquisition.settings = currentAcquisitionSettings(*this);
}

}  // namespace halden
