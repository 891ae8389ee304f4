// Radiometric and photometric figures of the displayed spectrum, the
// irradiance file and the black-body (XYZ Planck) irradiance calibration.
//
// Spectral irradiance of point i in uW/cm^2/nm:
//   E(i) = spectrum[i] * m_irradianceCal[i] / m_exposureScaled
// In Fast mode buffer point i stands for detector pixel 2i, so its factor is
// m_irradianceCal[2i] and its wavelength m_wavelength[2i].
#pragma once

#include <string>

namespace halden {

class Prompt;
struct SpectrumStore;

// E at point i of the displayed spectrum's row 0 (Fast-mode indexing applied).
double spectralIrradiance(const SpectrumStore& store, int point);

// The marker readout: E at m_markerIndex; 0 when the marker lies outside the
// spectrum.
double markerIrradiance(const SpectrumStore& store);

struct EnergyFigures {
    bool shown = false;  // false in Fast mode, without m_calcEnergy, or for a total <= 0
    double total = 0, range1 = 0, range2 = 0, range3 = 0;  // uW/cm^2 once calibrated
};

// The energy block: sums of E x bin width over the total range and the three
// intervals (bounds included; ranges may overlap).
EnergyFigures energyFigures(const SpectrumStore& store);

// Luminous figure in lumens over 390..830 nm from plain arrays: point i has
// value spectrum[i], wavelength wavelength[step*i] and correction
// irradianceCal[step*i], for i = 0..last; wavelengths must rise.
// luminousEfficiency holds V at 390..830 nm (index nm - 390).
double luminousFlux(const double* spectrum, const double* wavelength, const double* irradianceCal,
                    int last, int step, double exposureScaled, const double* luminousEfficiency);

// The lumen figure of the displayed spectrum (Fast-mode indexing applied).
double lumenFigure(const SpectrumStore& store);

// The irradiance file's bytes (normal and Fast forms, CR LF line ends).
std::string formatIrradianceFile(const SpectrumStore& store);

// Writes the irradiance file atomically, then the full colorimetric report
// beside it when m_chromaticityView is set. On failure shows "ERROR DURING
// CREATION THE OUT FILE" (caption "ERROR") and returns false.
bool saveNormalizedToSensitivity(const SpectrumStore& store, Prompt& prompt, const std::string& path);

// The dialog's initial text.
inline constexpr const char* kBlackBodyDefaultText = "3200";

// XYZ Planck calibration: temperatureText is the text the "Black body
// temperature" dialog returned (the window handles Cancel). Computes the new
// m_irradianceCal from the displayed spectrum's row 0; refuses, with a
// message and nothing changed, a temperature that is not a positive number,
// Fast mode, and a spectrum that gives no finite correction. True when
// m_irradianceCal was replaced.
bool xyzPlanckCalibration(SpectrumStore& store, Prompt& prompt, const std::string& temperatureText);

}  // namespace halden
